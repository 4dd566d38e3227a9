// One tick's reading of the keyboard and joystick 0.
#include "controls.h"
#include <allegro.h>

bool Controls::any_button() const
{
    for (bool b : button)
        if (b)
            return true;
    return false;
}

Controls sample_controls()
{
    Controls c;
    c.esc = key[KEY_ESC];
    c.enter = key[KEY_ENTER];
    c.f = key[KEY_F];
    c.pgup = key[KEY_PGUP];
    c.pgdn = key[KEY_PGDN];
    c.h = key[KEY_H];
    c.tab = key[KEY_TAB];
    c.up = key[KEY_UP];
    c.down = key[KEY_DOWN];
    c.left = key[KEY_LEFT];
    c.right = key[KEY_RIGHT];
    c.space = key[KEY_SPACE];
    c.lctrl = key[KEY_LCONTROL];
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

Controls read_controls()
{
    poll_joystick();
    return sample_controls();
}
