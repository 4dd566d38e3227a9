// The intro picture: a pause, a fade-in, a hold and a fade-out, each cut short
// by a key or a joystick button.
#include "intro.h"
#include "datidx.h"
#include "fblend.h"
#include "pacing.h"
#include "quit_request.h"
#include "display.h"
#include "vorlin.h"

IntroPhase intro_phase = INTRO_DONE;
int intro_brightness = 0;
int intro_hold_ticks = 0;
bool intro_button_held = false;

static const int FULL_BRIGHTNESS = 255;

static void intro_draw_frame()
{
    blit(data_bitmap(BMP_INTRO), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, FULL_BRIGHTNESS - intro_brightness);
    present(buffer);
}

static void start_hold()
{
    intro_button_held = any_joybutton();
    intro_hold_ticks = 0;
    intro_phase = INTRO_HOLD;
}

static void start_fade_out()
{
    // A key that cut the fade-in or the hold must not also end the fade-out.
    clear_keybuf();
    pacing_reset();
    intro_phase = INTRO_FADE_OUT;
}

void intro_begin()
{
    clear_keybuf();
    pacing_reset();
    intro_phase = INTRO_FADE_IN;
    intro_brightness = 0;
    intro_hold_ticks = 0;
    intro_button_held = false;
}

bool intro_tick()
{
    if (quit_requested())
        intro_phase = INTRO_DONE;
    for (;;) {
        switch (intro_phase) {
        case INTRO_FADE_IN:
            poll_joystick();
            if (intro_brightness >= FULL_BRIGHTNESS || keypressed() || any_joybutton()) {
                start_hold();
                continue;
            }
            fpscounter += 1;
            if (pacing_frame_due())
                intro_draw_frame();
            pacing_wait();
            intro_brightness += 1;
            return true;

        case INTRO_HOLD:
            poll_joystick();
            // A key that ended the fade-in is still in the buffer: the hold is skipped.
            if (intro_hold_ticks >= INTRO_HOLD_TICKS || keypressed()) {
                start_fade_out();
                continue;
            }
            if (any_joybutton()) {
                intro_button_held = true;
                start_fade_out();
                continue;
            }
            intro_button_held = false;
            fpscounter += 1;
            pacing_wait();
            intro_hold_ticks += 1;
            return true;

        case INTRO_FADE_OUT:
            if (intro_brightness <= 0 || keypressed()) {
                intro_phase = INTRO_DONE;
                return false;
            }
            poll_joystick();
            if (any_joybutton()) {
                // The press that skipped the hold may still be down; only a new one ends the intro.
                if (!intro_button_held) {
                    intro_button_held = true;
                    intro_phase = INTRO_DONE;
                    return false;
                }
            } else {
                intro_button_held = false;
            }
            intro_brightness -= 1;
            fpscounter += 1;
            if (pacing_frame_due())
                intro_draw_frame();
            pacing_wait();
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
    while (intro_tick()) {
    }
}
