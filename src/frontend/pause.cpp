// The pause menu over the frozen level, and the joystick remapping asked for
// from the title's joystick page.
#include "menu.h"
#include "controls.h"
#include "datidx.h"
#include "facts.h"
#include "fblend.h"
#include "music.h"
#include "pacing.h"
#include "quit_request.h"
#include "replay.h"
#include "settings.h"
#include "display.h"
#include "engine.h"
#include <algorithm>

static const int PAUSE_DARKEN = 128;
static const int PROMPT_X = 10;
static const int PROMPT_Y = 10;
static const int PROMPT_LINE_HEIGHT = 25;

enum { PAUSE_GO_ON = 0, PAUSE_QUIT = 1 };

static void draw_pause_frame(void (*draw_level)(bool), int selection)
{
    draw_level(true);
    fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, PAUSE_DARKEN);
    set_alpha_blender();
    BITMAP* panel = data_bitmap(BMP_PAUSE_PANEL);
    const int px = SCREEN_WIDTH / 2 - panel->w / 2;
    const int py = SCREEN_HEIGHT / 2 - panel->h / 2;
    draw_trans_sprite(buffer, panel, px, py);
    draw_trans_sprite(buffer, data_bitmap(BMP_PAUSE_MARKER), px + PAUSE_MARKER_X, py + PAUSE_ROW_Y[selection]);
    present(buffer);
}

bool do_pausemenu(void (*draw_level)(bool))
{
    // The level clock is fpscounter: it must stand still while the game is
    // paused, or script ticks falling inside the pause would never be seen.
    const PacingSuspended level = pacing_suspend();

    songbox->set_paused(true);
    int selection = PAUSE_GO_ON;
    bool waiting_for_release = true;  // the press that opened the menu must end first
    bool running = true;
    bool up_down_held = false;

    while (running) {
        DoorTick live;
        live.quit = quit_requested();
        live.c = read_controls();
        const DoorTick outside = door_pass(live);
        if (outside.quit) {
            selection = PAUSE_QUIT;
            break;
        }
        const Controls& c = outside.c;
        const bool confirm = c.enter || c.any_button();
        if (confirm && !waiting_for_release)
            running = false;
        if (!confirm)
            waiting_for_release = false;

        const bool up_down = c.up || c.down || c.stick_up || c.stick_down;
        if (up_down && !up_down_held)
            selection = selection == PAUSE_GO_ON ? PAUSE_QUIT : PAUSE_GO_ON;
        up_down_held = up_down;

        pacing_tick();
        if (pacing_frame_due())
            draw_pause_frame(draw_level, selection);
        pacing_wait();
    }
    songbox->set_paused(false);

    pacing_resume(level);
    return selection == PAUSE_GO_ON;
}

static int highest_button_down()
{
    for (int b = NUM_JOY_BUTTONS - 1; b >= 0; b--)
        if (joy[0].button[b].b)
            return b;
    return -1;
}

// Waits, polling, for a press; the highest button down at that poll, or -1
// if a quit is requested first.
static int wait_joybutton_press()
{
    for (;;) {
        poll_joystick();
        if (any_joybutton())
            return highest_button_down();
        if (quit_requested())
            return -1;
        rest(1);
    }
}

void tint_for_remapping(BITMAP* picture)
{
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_multiply_blender(0, 0, 0, 255);
    rectfill(picture, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, makecol(0, 0, 255));
    solid_mode();
}

void change_controls()
{
    if (num_joysticks == 0)
        return;
    songbox->set_paused(true);

    tint_for_remapping(buffer);
    present(buffer);

    // A remapping cut short by a quit keeps the whole old mapping, never half of each.
    int old_controls[NUM_CONTROLS];
    std::copy(joystick_controls, joystick_controls + NUM_CONTROLS, old_controls);
    wait_joybuttons_released();
    // The prompts go on what the screen shows, not into the composed picture:
    // a copy of it gathers them and is shown at the screen's scale.
    BITMAP* prompts = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    BITMAP* shown = prompts ? prompts : buffer;
    if (prompts)
        blit(buffer, prompts, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int i = 0; i < NUM_CONTROLS && !quit_requested(); i++) {
        textprintf_ex(shown, mainfont, PROMPT_X, PROMPT_Y + PROMPT_LINE_HEIGHT * i, -1, -1, "Press button for %s....",
            control_labels[i]);
        present(shown);
        const int button = wait_joybutton_press();
        if (button >= 0)
            joystick_controls[i] = button;
        wait_joybuttons_released();
    }
    if (prompts)
        destroy_bitmap(prompts);
    if (quit_requested())
        std::copy(old_controls, old_controls + NUM_CONTROLS, joystick_controls);
    songbox->set_paused(false);
}
