// The shared pacing after a stall: a timer count that ran ahead of the logic
// is made up tick for tick without drawing when the stall was short, and only
// up to a bound when it was long (Ctrl+Z, a laptop asleep), so play resumes
// where it stopped. The timer is played by the test, which sets fps itself.
#include "pacing.h"
#include "engine.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// One pass of a screen loop in time, then a stall of `stalled_ticks` timer
// ticks; returns how many passes run after it without drawing a frame.
int ticks_before_next_frame(int stalled_ticks, int& fps_after_first_wait)
{
    pacing_set_free_run(false);
    pacing_reset();
    fpscounter += 1;
    fps = fpscounter;
    EXPECT_TRUE(pacing_frame_due());
    fps += stalled_ticks;
    pacing_wait();
    fps_after_first_wait = fps.load();

    int ticks = 0;
    for (;;) {
        fpscounter += 1;
        if (pacing_frame_due())
            return ticks;
        ++ticks;
        // Never waits on the timer: the count is still ahead of the logic.
        pacing_wait();
    }
}

TEST(Pacing, ShortStallsAreMadeUpLongOnesOnlyUpToTheBound)
{
    const struct {
        int stalled_ticks;
        int made_up;
    } cases[] = {
        {0, 0},
        {1, 1},
        {3, 3},
        {MAX_CATCH_UP_TICKS, MAX_CATCH_UP_TICKS},
        {MAX_CATCH_UP_TICKS + 1, MAX_CATCH_UP_TICKS},
        {600, MAX_CATCH_UP_TICKS},  // ten seconds stopped at 60 ticks a second
        {100000, MAX_CATCH_UP_TICKS},
    };
    for (const auto& c : cases) {
        int fps_after_wait = 0;
        // The pass of the last tick made up draws again.
        EXPECT_EQ(ticks_before_next_frame(c.stalled_ticks, fps_after_wait), std::max(c.made_up - 1, 0))
            << "stalled " << c.stalled_ticks << " ticks";
        EXPECT_EQ(fps_after_wait, 1 + c.made_up) << "stalled " << c.stalled_ticks << " ticks";
    }
}

}  // namespace
