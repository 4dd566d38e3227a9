// The shared fixed-tick pacing of every screen loop.
#include "pacing.h"
#include "engine.h"
#include <algorithm>
#include <chrono>
#include <thread>

using pacing_clock = std::chrono::steady_clock;

std::atomic<int> fps {0};
int fpscounter = 0;
int a_fps = 0;
int disp_fps = TICKS_PER_SECOND;

void fps_proc()
{
    fps++;
}
END_OF_FUNCTION(fps_proc)

static bool free_run = false;
static pacing_clock::duration tick_period = std::chrono::microseconds(1000000 / TICKS_PER_SECOND);

// The wait sleeps until the timer's next tick is due, so it wakes about once a
// tick. The timer keeps its own rhythm; the wait learns it: `next_due` is when
// it expects the next tick. If the tick has not come by then, the wait looks
// again every `recheck` and takes the moment it saw the tick as the new
// rhythm; when the tick is already there on waking, `next_due` creeps earlier
// by `creep`, so it stays just behind the timer rather than drifting late.
static pacing_clock::time_point next_due;
static const auto RECHECK_MAX = std::chrono::microseconds(250);
static const auto CREEP = std::chrono::microseconds(5);

void pacing_install_timer(int ticks_per_second)
{
    tick_period = std::chrono::microseconds(1000000 / ticks_per_second);
    install_int_ex(fps_proc, BPS_TO_TIMER(ticks_per_second));
}

void pacing_reset()
{
    fpscounter = 0;
    fps = 0;
    next_due = pacing_clock::now();
}

void pacing_tick()
{
    ++fpscounter;
}

void pacing_update_fps_figure()
{
    if (fpscounter % TICKS_PER_SECOND == 0) {
        disp_fps = a_fps;
        a_fps = 0;
    }
}

void pacing_frame_drawn()
{
    ++a_fps;
}

PacingSuspended pacing_suspend()
{
    return PacingSuspended {fpscounter, fps.load()};
}

void pacing_resume(const PacingSuspended& kept)
{
    fpscounter = kept.clock;
    fps = kept.timer;
}

bool pacing_frame_due()
{
    return free_run || fpscounter >= fps.load();
}

void pacing_wait()
{
    if (free_run) {
        fps = fpscounter;
        return;
    }
    const auto recheck = std::min<pacing_clock::duration>(RECHECK_MAX, tick_period / 4);
    bool slept_to_due = false, rechecked = false;
    while (fpscounter > fps.load()) {
        const auto now = pacing_clock::now();
        if (now < next_due) {
            std::this_thread::sleep_until(next_due);
            slept_to_due = true;
        } else {
            std::this_thread::sleep_for(recheck);
            rechecked = true;
        }
    }
    // The timer counts on through any stall: what the logic cannot make up
    // without leaving the player behind is taken off the count.
    const int backlog = fps.load() - fpscounter;
    if (backlog > MAX_CATCH_UP_TICKS)
        fps -= backlog - MAX_CATCH_UP_TICKS;
    const auto now = pacing_clock::now();
    if (rechecked)
        next_due = now + tick_period;  // the tick came late: follow it
    else if (slept_to_due)
        next_due += tick_period - CREEP;  // on time: try a little earlier next time
    else if (next_due <= now)             // no wait: the ticks it expected have come
        next_due += tick_period * ((now - next_due) / tick_period + 1);
    // Never plan more than a tick ahead of now, whatever happened before.
    next_due = std::min(next_due, now + tick_period);
}

void pacing_set_free_run(bool on)
{
    free_run = on;
}
