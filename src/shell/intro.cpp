// The intro picture: a pause, a fade-in, a hold and a fade-out, each cut short
// by a key or a joystick button pressed during the intro.
#include "intro.h"
#include "controls.h"
#include "datidx.h"
#include "fblend.h"
#include "pacing.h"
#include "quit_request.h"
#include "display.h"
#include "engine.h"

IntroPhase intro_phase = INTRO_DONE;
int intro_brightness = 0;
int intro_hold_ticks = 0;

static const int FULL_BRIGHTNESS = 255;

static void intro_draw_frame()
{
    blit(data_bitmap(BMP_INTRO), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, FULL_BRIGHTNESS - intro_brightness);
    present(buffer);
}

// One paced tick of a fade, drawn when a frame is due.
static void fade_tick()
{
    pacing_tick();
    if (pacing_frame_due())
        intro_draw_frame();
    pacing_wait();
}

// Whether the fade-in or the hold is over: it has `reached` its end, or a key or button pressed
// afresh (the joystick polled first) cuts it short.
static bool phase_over(bool reached)
{
    poll_joystick();
    return reached || fresh_keypressed() || fresh_joybutton();
}

static void start_hold()
{
    intro_hold_ticks = 0;
    intro_phase = INTRO_HOLD;
}

static void start_fade_out()
{
    // The key or button that cut the fade-in or the hold, still down or
    // repeating, must not also end the fade-out: only a new press does.
    fresh_input_begin();
    pacing_reset();
    intro_phase = INTRO_FADE_OUT;
}

void intro_begin()
{
    // Keys and buttons held from the screen before (or pressed during the
    // pause and still down) count only once released and pressed again.
    fresh_input_begin();
    pacing_reset();
    intro_phase = INTRO_FADE_IN;
    intro_brightness = 0;
    intro_hold_ticks = 0;
}

bool intro_tick()
{
    if (quit_requested())
        intro_phase = INTRO_DONE;
    for (;;) {
        switch (intro_phase) {
        case INTRO_FADE_IN:
            if (phase_over(intro_brightness >= FULL_BRIGHTNESS)) {
                start_hold();
                continue;
            }
            fade_tick();
            intro_brightness += 1;
            return true;

        case INTRO_HOLD:
            // A key or button that ended the fade-in still counts: the hold is skipped.
            if (phase_over(intro_hold_ticks >= INTRO_HOLD_TICKS)) {
                start_fade_out();
                continue;
            }
            pacing_tick();
            pacing_wait();
            intro_hold_ticks += 1;
            return true;

        case INTRO_FADE_OUT:
            if (intro_brightness <= 0 || fresh_keypressed()) {
                intro_phase = INTRO_DONE;
                return false;
            }
            poll_joystick();
            if (fresh_joybutton()) {
                intro_phase = INTRO_DONE;
                return false;
            }
            intro_brightness -= 1;
            fade_tick();
            return true;

        case INTRO_DONE:
            return false;
        }
    }
}

void intros()
{
    static const int PAUSE_STEP_MS = 10;
    for (int waited_ms = 0; waited_ms < INTRO_PAUSE_MS && !quit_requested(); waited_ms += PAUSE_STEP_MS)
        rest(PAUSE_STEP_MS);
    intro_begin();
    while (intro_tick()) { }
}
