// The shared fixed-tick pacing of every screen loop.
#include "pacing.h"
#include "vorlin.h"

static bool free_run = false;

void pacing_install_timer(int ticks_per_second)
{
    install_int_ex(fps_proc, BPS_TO_TIMER(ticks_per_second));
}

void pacing_reset()
{
    fpscounter = 0;
    fps = 0;
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
    // rest(1) gives the processor away instead of spinning a whole core.
    while (fpscounter > fps.load())
        rest(1);
}

void pacing_set_free_run(bool on) { free_run = on; }
bool pacing_free_run() { return free_run; }
