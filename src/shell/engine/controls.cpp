// One tick's reading of the keyboard and joystick 0, and which presses belong
// to the screen that reads them, and the joystick button helpers.
#include "controls.h"
#include "quit_request.h"
#include <allegro.h>
#include <cctype>
#include <algorithm>
#include <cstring>

static_assert(
    LAST_ACTION_KEY == KEY_MENU && KEY_MENU + 1 == KEY_SCRLOCK, "only the lock keys lie above the action keys");

const KeyControl KEY_CONTROLS[] = {
    {KEY_ESC, &Controls::esc},
    {KEY_ENTER, &Controls::enter},
    {KEY_F, &Controls::f},
    {KEY_PGUP, &Controls::pgup},
    {KEY_PGDN, &Controls::pgdn},
    {KEY_UP, &Controls::up},
    {KEY_DOWN, &Controls::down},
    {KEY_LEFT, &Controls::left},
    {KEY_RIGHT, &Controls::right},
};
const int NUM_KEY_CONTROLS = sizeof KEY_CONTROLS / sizeof KEY_CONTROLS[0];

const KeyActionInfo KEY_ACTIONS[NUM_KEY_ACTIONS] = {
    {"Steer left", "key_steer_left", "{left}", KEY_LEFT, NO_KEY, &Controls::steer_left},
    {"Steer right", "key_steer_right", "{right}", KEY_RIGHT, NO_KEY, &Controls::steer_right},
    {"Gas", "key_gas", "{gas}", KEY_UP, NO_KEY, &Controls::gas},
    {"Reverse", "key_reverse", "{reverse}", KEY_DOWN, NO_KEY, &Controls::reverse},
    {"Shoot", "key_shoot", "{shoot}", KEY_LCONTROL, NO_KEY, &Controls::shoot},
    {"Brake", "key_brake", "{brake}", KEY_SPACE, NO_KEY, &Controls::brake},
    {"HUD panel", "key_hud_panel", "{hud}", KEY_TAB, NO_KEY, &Controls::hud_panel},
    {"Hide HUD", "key_hide_hud", "{hidehud}", KEY_H, NO_KEY, &Controls::hide_hud},
    {"Pause", "key_pause", "{pause}", NO_KEY, KEY_ESC, &Controls::pause},
};
int key_map[NUM_KEY_ACTIONS] = {KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_LCONTROL, KEY_SPACE, KEY_TAB, KEY_H, NO_KEY};

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
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        c.*KEY_ACTIONS[a].field = key_map[a] > NO_KEY && key_map[a] < KEY_MAX && key[key_map[a]];
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
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        if (key_map[a] > NO_KEY && key_map[a] < KEY_MAX)
            c.*KEY_ACTIONS[a].field = c.*KEY_ACTIONS[a].field && !held_key[key_map[a]];
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

// ---- The keyboard mapping --------------------------------------------------

namespace {

struct KeyName {
    int scancode;
    const char* name;
};
// Names as a keyboard's caps read, short enough for the remapping's lines.
const KeyName KEY_NAMES[] = {
    {KEY_A, "A"},
    {KEY_B, "B"},
    {KEY_C, "C"},
    {KEY_D, "D"},
    {KEY_E, "E"},
    {KEY_F, "F"},
    {KEY_G, "G"},
    {KEY_H, "H"},
    {KEY_I, "I"},
    {KEY_J, "J"},
    {KEY_K, "K"},
    {KEY_L, "L"},
    {KEY_M, "M"},
    {KEY_N, "N"},
    {KEY_O, "O"},
    {KEY_P, "P"},
    {KEY_Q, "Q"},
    {KEY_R, "R"},
    {KEY_S, "S"},
    {KEY_T, "T"},
    {KEY_U, "U"},
    {KEY_V, "V"},
    {KEY_W, "W"},
    {KEY_X, "X"},
    {KEY_Y, "Y"},
    {KEY_Z, "Z"},
    {KEY_0, "0"},
    {KEY_1, "1"},
    {KEY_2, "2"},
    {KEY_3, "3"},
    {KEY_4, "4"},
    {KEY_5, "5"},
    {KEY_6, "6"},
    {KEY_7, "7"},
    {KEY_8, "8"},
    {KEY_9, "9"},
    {KEY_0_PAD, "Pad 0"},
    {KEY_1_PAD, "Pad 1"},
    {KEY_2_PAD, "Pad 2"},
    {KEY_3_PAD, "Pad 3"},
    {KEY_4_PAD, "Pad 4"},
    {KEY_5_PAD, "Pad 5"},
    {KEY_6_PAD, "Pad 6"},
    {KEY_7_PAD, "Pad 7"},
    {KEY_8_PAD, "Pad 8"},
    {KEY_9_PAD, "Pad 9"},
    {KEY_F1, "F1"},
    {KEY_F2, "F2"},
    {KEY_F3, "F3"},
    {KEY_F4, "F4"},
    {KEY_F5, "F5"},
    {KEY_F6, "F6"},
    {KEY_F7, "F7"},
    {KEY_F8, "F8"},
    {KEY_F9, "F9"},
    {KEY_F10, "F10"},
    {KEY_F11, "F11"},
    {KEY_F12, "F12"},
    {KEY_ESC, "ESC"},
    {KEY_TILDE, "Tilde"},
    {KEY_MINUS, "Minus"},
    {KEY_EQUALS, "Equals"},
    {KEY_BACKSPACE, "Backspace"},
    {KEY_TAB, "Tab"},
    {KEY_OPENBRACE, "Left Bracket"},
    {KEY_CLOSEBRACE, "Right Bracket"},
    {KEY_ENTER, "Enter"},
    {KEY_COLON, "Semicolon"},
    {KEY_QUOTE, "Quote"},
    {KEY_BACKSLASH, "Backslash"},
    {KEY_BACKSLASH2, "Less Than"},
    {KEY_COMMA, "Comma"},
    {KEY_STOP, "Period"},
    {KEY_SLASH, "Slash"},
    {KEY_SPACE, "Space"},
    {KEY_INSERT, "Insert"},
    {KEY_DEL, "Delete"},
    {KEY_HOME, "Home"},
    {KEY_END, "End"},
    {KEY_PGUP, "PgUp"},
    {KEY_PGDN, "PgDn"},
    {KEY_LEFT, "Left"},
    {KEY_RIGHT, "Right"},
    {KEY_UP, "Up"},
    {KEY_DOWN, "Down"},
    {KEY_SLASH_PAD, "Pad Slash"},
    {KEY_ASTERISK, "Pad Star"},
    {KEY_MINUS_PAD, "Pad Minus"},
    {KEY_PLUS_PAD, "Pad Plus"},
    {KEY_DEL_PAD, "Pad Delete"},
    {KEY_ENTER_PAD, "Pad Enter"},
    {KEY_PRTSCR, "Print Screen"},
    {KEY_PAUSE, "Pause"},
    {KEY_EQUALS_PAD, "Pad Equals"},
    {KEY_BACKQUOTE, "Backquote"},
    {KEY_SEMICOLON, "Semicolon 2"},
    {KEY_LSHIFT, "Left Shift"},
    {KEY_RSHIFT, "Right Shift"},
    {KEY_LCONTROL, "Left Ctrl"},
    {KEY_RCONTROL, "Right Ctrl"},
    {KEY_ALT, "Alt"},
    {KEY_ALTGR, "AltGr"},
    {KEY_LWIN, "Left Win"},
    {KEY_RWIN, "Right Win"},
    {KEY_MENU, "Menu"},
    {KEY_SCRLOCK, "Scroll Lock"},
    {KEY_NUMLOCK, "Num Lock"},
    {KEY_CAPSLOCK, "Caps Lock"},
};

struct ReservedKey {
    int scancode;
    const char* reason;
};
// Keys that keep their own meaning in every screen or in play.
const ReservedKey RESERVED_KEYS[] = {
    {KEY_ESC, "ESC pauses and goes back"},
    {KEY_ENTER, "Enter chooses in menus"},
    {KEY_F10, "F10 changes the scaling"},
    {KEY_F11, "F11 switches full screen"},
    {KEY_F, "F shows the frame rate"},
    {KEY_PGUP, "PgUp sets the volume"},
    {KEY_PGDN, "PgDn sets the volume"},
    // A lock key's state is its light, not whether it is held.
    {KEY_CAPSLOCK, "Lock keys cannot be held"},
    {KEY_NUMLOCK, "Lock keys cannot be held"},
    {KEY_SCRLOCK, "Lock keys cannot be held"},
};

const char* const NO_KEY_NAME = "none";
const char* const HELP_KEYS_JOINER = " / ";
const char* const HELP_DOTS = " ..";  // where a help line's first column ends
const size_t HELP_MIN_DOTS = 2;

bool same_name(const char* a, const char* b)
{
    for (; *a && *b; a++, b++)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

}  // namespace

const char* key_name(int scancode)
{
    for (const KeyName& k : KEY_NAMES)
        if (k.scancode == scancode)
            return k.name;
    return nullptr;
}

int key_by_name(const char* name)
{
    if (same_name(name, NO_KEY_NAME))
        return NO_KEY;
    for (const KeyName& k : KEY_NAMES)
        if (same_name(name, k.name))
            return k.scancode;
    return -1;
}

const char* reserved_key_reason(int scancode)
{
    for (const ReservedKey& r : RESERVED_KEYS)
        if (r.scancode == scancode)
            return r.reason;
    return key_name(scancode) ? nullptr : "That key cannot be used";
}

const char* action_key_setting_name(int scancode)
{
    if (scancode == NO_KEY)
        return NO_KEY_NAME;
    return reserved_key_reason(scancode) ? nullptr : key_name(scancode);
}

int action_with_key(const int* map, int count, int scancode)
{
    if (scancode == NO_KEY)
        return -1;
    for (int a = 0; a < count; a++)
        if (map[a] == scancode)
            return a;
    return -1;
}

void settle_key_map(int map[NUM_KEY_ACTIONS])
{
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        if (!action_key_setting_name(map[a]))
            map[a] = KEY_ACTIONS[a].default_key;
    // The defaults differ from each other, so each round puts at least one
    // action on its default for good, and a round without a change ends it.
    for (bool changed = true; changed;) {
        changed = false;
        int shared[NUM_KEY_ACTIONS] = {};
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            for (int b = 0; b < NUM_KEY_ACTIONS; b++)
                if (a != b && map[a] != NO_KEY && map[a] == map[b])
                    shared[a] = 1;
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            if (shared[a] && map[a] != KEY_ACTIONS[a].default_key) {
                map[a] = KEY_ACTIONS[a].default_key;
                changed = true;
            }
    }
}

std::string action_keys_text(const int map[NUM_KEY_ACTIONS], int action)
{
    std::string text;
    if (KEY_ACTIONS[action].fixed_key != NO_KEY)
        text = key_name(KEY_ACTIONS[action].fixed_key);
    if (map[action] != NO_KEY) {
        const char* name = key_name(map[action]);
        text += (text.empty() ? "" : HELP_KEYS_JOINER) + std::string(name ? name : "?");
    }
    return text.empty() ? NO_KEY_NAME : text;
}

std::string keyboard_help_text(const std::string& help, const int map[NUM_KEY_ACTIONS])
{
    std::string out;
    size_t start = 0;
    while (start < help.size()) {
        size_t stop = help.find('\n', start);
        if (stop == std::string::npos)
            stop = help.size();
        std::string line = help.substr(start, stop - start);
        const size_t column_end = line.find(HELP_DOTS);
        if (column_end != std::string::npos) {
            std::string keys = line.substr(0, column_end);
            bool replaced = false;
            for (int a = 0; a < NUM_KEY_ACTIONS; a++)
                for (size_t at; (at = keys.find(KEY_ACTIONS[a].help_token)) != std::string::npos; replaced = true)
                    keys.replace(at, std::strlen(KEY_ACTIONS[a].help_token), action_keys_text(map, a));
            if (replaced) {
                // The second column starts after the dots and the space that ends them.
                const size_t dots_end = line.find_first_not_of('.', column_end + 1);
                const size_t second = dots_end == std::string::npos ? line.size() : dots_end;
                const size_t wanted = second > keys.size() + 1 ? second - keys.size() - 1 : 0;
                line = keys + " " + std::string(std::max(wanted, HELP_MIN_DOTS), '.') + line.substr(second);
            }
        }
        out += line;
        if (stop < help.size())
            out += '\n';
        start = stop + 1;
    }
    return out;
}
