// The keyboard remapping asked for from the title's keyboard page: a key for
// each action in turn, refused when it is the game's own or already given.
#include "menu.h"
#include "controls.h"
#include "music.h"
#include "pacing.h"
#include "quit_request.h"
#include "display.h"
#include "engine.h"
#include <algorithm>

static const int PROMPT_X = 10;
static const int PROMPT_Y = 10;
static const int PROMPT_LINE_HEIGHT = 25;
static const int KEY_COLUMN_X = 330;
static const int MESSAGE_Y = PROMPT_Y + PROMPT_LINE_HEIGHT * (NUM_KEY_ACTIONS + 1);
static const int HINT_Y = MESSAGE_Y + PROMPT_LINE_HEIGHT * 2;

static bool is_modifier(int scancode)
{
    return scancode >= KEY_MODIFIERS && scancode < KEY_MAX;
}

static bool any_key_down(const volatile char* keys)
{
    for (int k = 1; k < KEY_MAX; k++)
        if (keys[k])
            return true;
    return false;
}

void key_remap_begin(KeyRemap& r, const int* current, const volatile char* keys)
{
    std::copy(current, current + NUM_KEY_ACTIONS, r.old_map);
    std::copy(current, current + NUM_KEY_ACTIONS, r.map);
    r.action = 0;
    r.state = KeyRemap::ASKING;
    r.message.clear();
    r.pending_modifier = NO_KEY;
    // The press that chose the remapping must end before a key counts.
    r.waiting_for_release = true;
    for (int k = 0; k < KEY_MAX; k++)
        r.was_down[k] = keys[k];
}

// The key offered for the action asked for: taken, or refused with a message
// and asked again.
static void offer(KeyRemap& r, int scancode, bool alt_held)
{
    if (scancode == KEY_ENTER && alt_held) {
        r.message = "Alt+Enter switches full screen: choose another key";
        return;
    }
    if (scancode == KEY_ENTER)
        scancode = r.old_map[r.action];  // keeps the key the action had
    const char* reason = scancode == NO_KEY ? nullptr : reserved_key_reason(scancode);
    if (reason) {
        r.message = std::string(reason) + ": choose another key";
        return;
    }
    const int holder = action_with_key(r.map, r.action, scancode);
    if (holder >= 0) {
        r.message =
            std::string(key_name(scancode)) + " is taken by " + KEY_ACTIONS[holder].label + ": choose another key";
        return;
    }
    r.map[r.action] = scancode;
    r.action++;
    r.message.clear();
    r.waiting_for_release = true;
}

void key_remap_step(KeyRemap& r, const volatile char* keys)
{
    if (r.state != KeyRemap::ASKING)
        return;
    bool down[KEY_MAX];
    for (int k = 0; k < KEY_MAX; k++)
        down[k] = keys[k];
    const bool alt_held = down[KEY_ALT] || down[KEY_ALTGR];

    if (down[KEY_ESC] && !r.was_down[KEY_ESC]) {
        std::copy(r.old_map, r.old_map + NUM_KEY_ACTIONS, r.map);
        r.state = KeyRemap::CANCELLED;
    } else if (r.waiting_for_release) {
        if (!any_key_down(keys)) {
            r.waiting_for_release = false;
            r.pending_modifier = NO_KEY;
            if (r.action == NUM_KEY_ACTIONS)
                r.state = KeyRemap::DONE;
        }
    } else {
        int pressed = NO_KEY;
        for (int k = 1; k < KEY_MAX && pressed == NO_KEY; k++)
            if (down[k] && !r.was_down[k] && !is_modifier(k))
                pressed = k;
        for (int k = KEY_MODIFIERS; k < KEY_MAX && r.pending_modifier == NO_KEY; k++)
            if (down[k] && !r.was_down[k])
                r.pending_modifier = k;
        if (pressed != NO_KEY) {
            // A key pressed with a modifier held is that key.
            r.pending_modifier = NO_KEY;
            offer(r, pressed, alt_held);
        } else if (r.pending_modifier != NO_KEY && !down[r.pending_modifier]) {
            // A modifier alone is taken when it is let go of, so that Alt+Enter
            // can be told from Alt.
            const int modifier = r.pending_modifier;
            r.pending_modifier = NO_KEY;
            offer(r, modifier, false);
        }
    }
    std::copy(down, down + KEY_MAX, r.was_down);
}

static void draw_key_remap(const KeyRemap& r, BITMAP* backdrop)
{
    blit(backdrop, buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    for (int a = 0; a <= r.action && a < NUM_KEY_ACTIONS; a++) {
        const int y = PROMPT_Y + PROMPT_LINE_HEIGHT * a;
        textprintf_ex(buffer, mainfont, PROMPT_X, y, -1, -1, "Press key for %s....", KEY_ACTIONS[a].label);
        // Done lines show the new key; the line asked shows the one Enter keeps.
        const int* map = a < r.action ? r.map : r.old_map;
        const std::string keys = action_keys_text(map, a);
        if (a < r.action)
            textout_ex(buffer, mainfont, keys.c_str(), KEY_COLUMN_X, y, -1, -1);
        else
            textprintf_ex(buffer, mainfont, KEY_COLUMN_X, y, -1, -1, "(now %s)", keys.c_str());
    }
    if (!r.message.empty())
        textout_ex(buffer, mainfont, r.message.c_str(), PROMPT_X, MESSAGE_Y, -1, -1);
    textout_ex(buffer, mainfont, "Enter keeps the key it has, ESC cancels", PROMPT_X, HINT_Y, -1, -1);
    pacing_frame_drawn();
    present(buffer);
}

void change_keys()
{
    const PacingSuspended title = pacing_suspend();
    songbox->set_paused(true);
    // The page as it stood, tinted as the joystick remapping tints it, under the prompts.
    tint_for_remapping(buffer);
    BITMAP* backdrop = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (!backdrop)
        quit_error("Out of memory for the keyboard remapping");
    blit(buffer, backdrop, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);

    KeyRemap r;
    key_remap_begin(r, key_map, key);
    while (r.state == KeyRemap::ASKING && !quit_requested()) {
        key_remap_step(r, key);
        pacing_tick();
        if (pacing_frame_due())
            draw_key_remap(r, backdrop);
        pacing_wait();
    }
    // Cancelled or cut short by a quit: the old mapping stays whole.
    if (r.state == KeyRemap::DONE)
        std::copy(r.map, r.map + NUM_KEY_ACTIONS, key_map);
    destroy_bitmap(backdrop);
    songbox->set_paused(false);
    pacing_resume(title);
    // ESC, still held, must not reach the title as a fresh press.
    fresh_input_begin();
}
