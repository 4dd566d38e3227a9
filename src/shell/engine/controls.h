// The keyboard and joystick 0 as one tick sees them. Each screen's input step
// reads them once into a plain value that the level loop, the craft and the
// menus act on; edge triggering (a held key acts once) stays with each
// consumer's `_down` flags. Tests build the value to drive the craft.
#pragma once
#include "settings.h"
#include <string>

// Any of buttons 0..8 of joystick 0 down, from the library's last poll.
bool any_joybutton();
// Waits, polling the joystick and yielding the processor, until none of
// buttons 0..8 is down.
void wait_joybuttons_released();

struct Controls {
    // Fixed keys (the library's key state): the level loop's own and the
    // menus'. The arrows move through menus whatever keys drive the craft.
    bool esc = false;
    bool enter = false;
    bool f = false;     // fps display
    bool pgup = false;  // music volume up
    bool pgdn = false;  // music volume down
    bool up = false;    // menu moves
    bool down = false;
    bool left = false;
    bool right = false;
    // Actions, each from the key the keyboard mapping gives it (key_map).
    bool steer_left = false;
    bool steer_right = false;
    bool gas = false;
    bool reverse = false;
    bool shoot = false;
    bool brake = false;
    bool hud_panel = false;  // next HUD style
    bool hide_hud = false;   // HUD auto-hide on/off
    bool pause = false;      // besides ESC, which always pauses
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

// Which key each fixed key control above comes from: the library's scancode
// and the control it sets. Every fixed key control stands here once.
struct KeyControl {
    int scancode;
    bool Controls::*field;
};
extern const KeyControl KEY_CONTROLS[];
extern const int NUM_KEY_CONTROLS;

// ---- The keyboard mapping --------------------------------------------------
// The actions a player gives keys to, in the order the remapping asks for them.
enum KeyAction {
    ACTION_STEER_LEFT,
    ACTION_STEER_RIGHT,
    ACTION_GAS,
    ACTION_REVERSE,
    ACTION_SHOOT,
    ACTION_BRAKE,
    ACTION_HUD_PANEL,
    ACTION_HIDE_HUD,
    ACTION_PAUSE,
    NUM_KEY_ACTIONS
};
// Scancode 0 is no key: an action that has none is only done some other way
// (the joystick; ESC pauses whatever the pause action's key).
const int NO_KEY = 0;
// The highest scancode an action may have: above it only the lock keys, whose
// state is their light rather than whether they are held.
const int LAST_ACTION_KEY = 123;  // the library's KEY_MENU

struct KeyActionInfo {
    const char* label;       // as the remapping and its messages name it
    const char* setting;     // its key in the settings file's "controls" section
    const char* help_token;  // stands for its keys in the keyboard help text
    int default_key;         // a fresh settings file's key
    int fixed_key;           // a key that always does it besides the mapped one (ESC), or NO_KEY
    bool Controls::*field;   // where the tick's controls show it
};
extern const KeyActionInfo KEY_ACTIONS[NUM_KEY_ACTIONS];
// The key of each action (scancodes; NO_KEY for none). Always whole: no key
// twice, none the game keeps for itself.
extern int key_map[NUM_KEY_ACTIONS];

// A readable name for a scancode ("Left Ctrl", "Pad 8"), or null for one
// without a name. The settings file and the screens use these names.
const char* key_name(int scancode);
// The scancode a name stands for, whatever its case; NO_KEY for "none" and
// -1 for a name no key has.
int key_by_name(const char* name);
// Why a key cannot be given to an action ("F11 switches full screen"), or
// null when it can. ESC, Enter (menus, and Alt+Enter switches full screen),
// F10 and F11 (the display's), F, PgUp and PgDn (the level's own keys), the
// lock keys and keys without a name are refused.
const char* reserved_key_reason(int scancode);
// What the settings file holds for an action's key: its name, "none" for
// NO_KEY, null for a key no action may have (the settings table treats it
// as unreadable).
const char* action_key_setting_name(int scancode);
// The first of map[0..count) that holds `scancode`, or -1. NO_KEY is never held.
int action_with_key(const int* map, int count, int scancode);
// Makes a mapping read from outside whole: a key no action may have gives
// that action its default, and so does a key two actions share (to each of
// them not already on its default), until no key is shared.
void settle_key_map(int map[NUM_KEY_ACTIONS]);
// The keys that do an action, as the screens show them: "ESC / P", "Up",
// "none".
std::string action_keys_text(const int map[NUM_KEY_ACTIONS], int action);
// The keyboard help text `help` with each action's token replaced by its keys
// (action_keys_text). A line whose first column held tokens keeps its second
// column where it was: the run of dots between them is lengthened or
// shortened to suit (at least two dots stay).
std::string keyboard_help_text(const std::string& help, const int map[NUM_KEY_ACTIONS]);

// Polls joystick 0, then reads the keyboard (the fixed keys, and the actions
// through key_map) and the joystick: once at the start of a tick's input
// step. The one place keys become actions.
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
