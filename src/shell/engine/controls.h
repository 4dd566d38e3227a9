// The keyboard and joystick 0 as one tick sees them. Each screen's input step
// reads them once into a plain value that the level loop, the craft and the
// menus act on; edge triggering (a held key acts once) stays with each
// consumer's `_down` flags. Tests build the value to drive the craft.
#pragma once
#include "settings.h"

// Any of buttons 0..8 of joystick 0 down, from the library's last poll.
bool any_joybutton();
// Waits, polling the joystick and yielding the processor, until none of
// buttons 0..8 is down.
void wait_joybuttons_released();

struct Controls {
    // Keys (the library's key state).
    bool esc = false;
    bool enter = false;
    bool f = false;     // fps display
    bool pgup = false;  // music volume up
    bool pgdn = false;  // music volume down
    bool h = false;     // HUD auto-hide
    bool tab = false;   // next HUD style
    bool up = false;    // gas; menu move
    bool down = false;  // reverse; menu move
    bool left = false;
    bool right = false;
    bool space = false;  // brake
    bool lctrl = false;  // shoot
    // Joystick 0; all false when there is none.
    bool button[NUM_JOY_BUTTONS] = {};  // buttons 0..8 that the stick has and are down
    bool stick_left = false;            // stick 0, horizontal axis
    bool stick_right = false;
    bool stick_up = false;  // stick 0, vertical axis
    bool stick_down = false;

    // Button b (an entry of a joystick mapping) is down; false outside 0..8.
    bool joy_button(int b) const { return b >= 0 && b < NUM_JOY_BUTTONS && button[b]; }
    // Any of buttons 0..8 is down.
    bool any_button() const;
};

// Which key each key control above comes from: the library's scancode and
// the control it sets. Every key control stands here once.
struct KeyControl {
    int scancode;
    bool Controls::*field;
};
extern const KeyControl KEY_CONTROLS[];
extern const int NUM_KEY_CONTROLS;

// Polls joystick 0, then reads the keyboard and the joystick: once at the
// start of a tick's input step.
Controls read_controls();
// Reads them again without polling: the rest of a tick after a modal screen
// (the pause menu, the remapping) has run ticks of its own takes the controls
// as they stand when it returns.
Controls sample_controls();

// ---- Presses made on the current screen ------------------------------------
// A screen that waits for "a key" (intro, briefing, game over, the ending's
// notice) or starts reading keys afresh (the title) acts only on presses made
// after it began. A key held from the screen before must not count: X repeats
// a held key as further key-buffer entries while key[] stays down throughout,
// so that key would end the next screen at its first repeat and, held on,
// every screen after it. fresh_input_begin() notes every key, joystick button
// and stick direction that is down; each stays "held over" until a later
// check sees it up, and from then on it counts like any other. The checks
// below take the joystick as last polled; the caller polls.

// Empties the key buffer and notes what is held over. A screen calls it as it
// begins; a phase that must not end on the press that ended the phase before
// calls it again.
void fresh_input_begin();
// A key was pressed since fresh_input_begin(), as keypressed() says it, the
// held-over keys and their repeats aside. Like keypressed() it stays true
// until the next fresh_input_begin(): the checks do not use it up. Empties
// the library's key buffer into that answer.
bool fresh_keypressed();
// Any of joystick 0's buttons 0..8 is down, the held-over ones aside.
bool fresh_joybutton();
// `c` with every held-over key, button and stick direction reading up.
Controls fresh_controls(Controls c);
