// Fixed-tick pacing shared by every screen loop: one logic tick per pass, a frame
// only when the logic is not behind the timer, then a yielding wait while the
// logic is ahead. Logic runs at the timer's rate; frames are dropped, never ticks.
#pragma once
#include <atomic>

// The tick counters. Only this module writes them, through the operations
// below; everyone else reads them.
// Timer ticks, raised 60 times a second by fps_proc on the library's timer
// thread; each screen loop resets it together with fpscounter.
extern std::atomic<int> fps;
extern int fpscounter;  // logic ticks of the current screen loop (the level clock)
extern int a_fps;       // frames drawn since the last once-a-second update
extern int disp_fps;    // frames drawn during the last 60 ticks

// The library's timer callback: one timer tick.
void fps_proc();

// The most ticks run back to back to make up for a stall. A few dropped frames
// (a slow frame, a busy machine) are made up in full, so play keeps real time;
// of a longer stall (the game stopped with Ctrl+Z, a laptop asleep) only this
// much is made up and the rest is dropped: play resumes where it stopped.
const int MAX_CATCH_UP_TICKS = 10;

// Installs fps_proc as the pacing timer at the given rate (60 in the game;
// tests may run loops faster with a higher rate).
void pacing_install_timer(int ticks_per_second);

// At the entry of a screen loop: fps = fpscounter = 0.
void pacing_reset();
// One logic tick of the current screen loop has run: fpscounter + 1.
void pacing_tick();
// Once a second of logic ticks (fpscounter a whole multiple of
// TICKS_PER_SECOND), the frames drawn meanwhile become the fps figure
// (disp_fps) and the count starts again. Loops that show the figure call it
// after pacing_tick.
void pacing_update_fps_figure();
// A frame has been drawn (counted for the fps figure).
void pacing_frame_drawn();

// A nested screen loop (the pause menu) runs its own ticks on the same
// counters; the level clock and the timer count it interrupted are kept
// aside and put back on return, so the level clock runs on without a jump
// and there is no backlog of ticks to make up.
struct PacingSuspended {
    int clock;
    int timer;
};
PacingSuspended pacing_suspend();
void pacing_resume(const PacingSuspended& kept);

// The logic is not behind the timer: draw this pass.
bool pacing_frame_due();
// Waits while fpscounter is ahead of fps, asleep until the timer's next tick
// is due (about one wake-up per tick). Drops a backlog of more than
// MAX_CATCH_UP_TICKS timer ticks down to that many.
void pacing_wait();

// Headless runs without a timer: the wait never blocks and every pass draws,
// so loops run as fast as the processor allows, tick for tick as in play.
void pacing_set_free_run(bool on);
