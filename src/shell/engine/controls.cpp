// One tick's reading of the keyboard and joystick 0, and which presses belong
// to the screen that reads them, and the joystick button helpers.
#include "controls.h"
#include "quit_request.h"
#include <allegro.h>

const KeyControl KEY_CONTROLS[] = {
    {KEY_ESC, &Controls::esc},
    {KEY_ENTER, &Controls::enter},
    {KEY_F, &Controls::f},
    {KEY_PGUP, &Controls::pgup},
    {KEY_PGDN, &Controls::pgdn},
    {KEY_H, &Controls::h},
    {KEY_TAB, &Controls::tab},
    {KEY_UP, &Controls::up},
    {KEY_DOWN, &Controls::down},
    {KEY_LEFT, &Controls::left},
    {KEY_RIGHT, &Controls::right},
    {KEY_SPACE, &Controls::space},
    {KEY_LCONTROL, &Controls::lctrl},
};
const int NUM_KEY_CONTROLS = sizeof KEY_CONTROLS / sizeof KEY_CONTROLS[0];

namespace {

bool Controls::*const STICK_CONTROLS[] = {
    &Controls::stick_left, &Controls::stick_right, &Controls::stick_up, &Controls::stick_down};

// The library's key buffer holds 64 entries; headless, readkey() leaves an
// entry where it is, so emptying the buffer stops after that many reads.
const int KEY_BUFFER_ENTRIES = 64;

// What was down when the screen began and has not been seen up since.
bool held_key[KEY_MAX];
Controls held_joystick;  // buttons and stick directions only
// A key pressed on this screen is waiting, as keypressed() would say.
bool key_waiting = false;

Controls sample_joystick()
{
    Controls c;
    if (num_joysticks > 0) {
        const JOYSTICK_INFO& stick = joy[0];
        for (int b = 0; b < NUM_JOY_BUTTONS && b < stick.num_buttons; b++)
            c.button[b] = stick.button[b].b;
        c.stick_left = stick.stick[0].axis[0].d1;
        c.stick_right = stick.stick[0].axis[0].d2;
        c.stick_up = stick.stick[0].axis[1].d1;
        c.stick_down = stick.stick[0].axis[1].d2;
    }
    return c;
}

// Lets go of held-over keys that are up; with `read_buffer`, first empties
// the key buffer into key_waiting. The keys are looked at before the buffer is
// read: every repeat of a key that is up now entered the buffer before its
// release did, so it is still taken for held over and dropped. (A key released
// and pressed again between two checks is taken for still held: that press is
// lost.) Screens that read key[] alone leave the buffer to the next screen's
// fresh_input_begin().
void note_keys(bool read_buffer)
{
    bool released[KEY_MAX];
    for (int k = 0; k < KEY_MAX; k++)
        released[k] = held_key[k] && !key[k];
    for (int n = 0; read_buffer && n < KEY_BUFFER_ENTRIES && keypressed(); n++) {
        const int scancode = readkey() >> 8;
        // An entry without a scancode cannot be told apart: it counts.
        if (scancode <= 0 || scancode >= KEY_MAX || !held_key[scancode])
            key_waiting = true;
    }
    for (int k = 0; k < KEY_MAX; k++)
        if (released[k])
            held_key[k] = false;
}

// Lets go of held-over buttons and stick directions that `now` shows up.
void note_joystick(const Controls& now)
{
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        held_joystick.button[b] = held_joystick.button[b] && now.button[b];
    for (bool Controls::*dir : STICK_CONTROLS)
        held_joystick.*dir = held_joystick.*dir && now.*dir;
}

}  // namespace

bool Controls::any_button() const
{
    for (bool b : button)
        if (b)
            return true;
    return false;
}

Controls sample_controls()
{
    Controls c = sample_joystick();
    for (const KeyControl& k : KEY_CONTROLS)
        c.*k.field = key[k.scancode];
    return c;
}

Controls read_controls()
{
    poll_joystick();
    return sample_controls();
}

void fresh_input_begin()
{
    clear_keybuf();
    key_waiting = false;
    for (int k = 0; k < KEY_MAX; k++)
        held_key[k] = key[k];
    held_joystick = sample_joystick();
}

bool fresh_keypressed()
{
    note_keys(true);
    return key_waiting;
}

bool fresh_joybutton()
{
    const Controls now = sample_joystick();
    note_joystick(now);
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        if (now.button[b] && !held_joystick.button[b])
            return true;
    return false;
}

Controls fresh_controls(Controls c)
{
    note_keys(false);
    note_joystick(c);
    for (const KeyControl& k : KEY_CONTROLS)
        c.*k.field = c.*k.field && !held_key[k.scancode];
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        c.button[b] = c.button[b] && !held_joystick.button[b];
    for (bool Controls::*dir : STICK_CONTROLS)
        c.*dir = c.*dir && !(held_joystick.*dir);
    return c;
}

bool any_joybutton()
{
    if (num_joysticks < 1)
        return false;
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        if (joy[0].button[b].b)
            return true;
    return false;
}

void wait_joybuttons_released()
{
    for (;;) {
        poll_joystick();
        if (!any_joybutton() || quit_requested())
            return;
        rest(1);
    }
}
