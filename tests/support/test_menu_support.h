// Shared fixture of the front-end tests: the headless library with the built
// archive and a muted song box, and a scripted joystick whose every poll runs
// a test's step, so keys and buttons can change at an exact tick of any loop
// that polls the joystick (title, pause menu, remapping, intro, level).
#pragma once
#include "music.h"
#include "settings.h"
#include "test_support.h"
#include "engine.h"
#include <allegro.h>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>

inline std::function<void()> poll_step;
inline int poll_count = 0;

inline int scripted_joystick_poll()
{
    poll_count++;
    if (poll_step)
        poll_step();
    return 0;
}

inline JOYSTICK_DRIVER scripted_joystick = {AL_ID('S', 'C', 'R', 'J'), "", "", "scripted", nullptr, nullptr,
    scripted_joystick_poll, nullptr, nullptr, nullptr, nullptr};

inline void release_all_input()
{
    for (int k = 0; k < KEY_MAX; k++)
        key[k] = 0;
    std::memset(joy, 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
    clear_keybuf();
}

// The keyboard as the library delivers it under X, for the screens that wait
// for "a key": a press sets key[] and puts an entry (scancode << 8) in the key
// buffer; X repeats the last key pressed, while it is held, as further entries
// with key[] staying down throughout; a release clears key[] and adds nothing.
// install() puts this buffer in place of the library's through its hooks.
struct XKeys {
    static inline std::deque<int> buffer;
    static void install()
    {
        buffer.clear();
        install_keyboard_hooks(waiting, take);
    }
    static void uninstall()
    {
        install_keyboard_hooks(nullptr, nullptr);
        buffer.clear();
    }
    static void press(int k)
    {
        key[k] = 1;
        buffer.push_back(k << 8);
    }
    static void repeat(int k) { buffer.push_back(k << 8); }
    static void release(int k) { key[k] = 0; }
    static int waiting() { return !buffer.empty(); }
    static int take()
    {
        if (buffer.empty())
            return 0;
        const int entry = buffer.front();
        buffer.pop_front();
        return entry;
    }
};

// Every poll_joystick() runs `step`; `present` says whether a joystick
// with nine buttons is there at all.
inline void script_polls(std::function<void()> step, bool present)
{
    poll_step = std::move(step);
    poll_count = 0;
    joystick_driver = &scripted_joystick;
    num_joysticks = present ? 1 : 0;
    joy[0].num_buttons = present ? NUM_JOY_BUTTONS : 0;
}

inline void set_buttons(std::initializer_list<int> down)
{
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        joy[0].button[b].b = 0;
    for (int b : down)
        joy[0].button[b].b = 1;
}

// For a loop whose pictures a test does not look at (a whole ending run for
// its length and its mark): while it lives, the back buffer and the screen
// are one pixel each, so every frame's full-screen copies clip to almost
// nothing. The loop draws and presents each frame as ever; under the
// sanitizers those copies are nearly all of a long loop's time.
class FramesUnseen {
public:
    FramesUnseen()
        : kept_buffer(buffer)
        , kept_screen(screen)
    {
        buffer = create_bitmap(1, 1);
        screen = create_bitmap(1, 1);
    }
    ~FramesUnseen()
    {
        destroy_bitmap(buffer);
        destroy_bitmap(screen);
        buffer = kept_buffer;
        screen = kept_screen;
    }
    FramesUnseen(const FramesUnseen&) = delete;
    FramesUnseen& operator=(const FramesUnseen&) = delete;

private:
    BITMAP* kept_buffer;
    BITMAP* kept_screen;
};

class FrontendTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_init(32);
        ASSERT_TRUE(headless_load_data()) << "build the gamedata target first";
        if (!songbox) {
            songbox = new SONGBOX;
            songbox->set_mute(true);
        }
        release_all_input();
        poll_step = nullptr;
        joystick_driver = nullptr;
        num_joysticks = 0;
        debug = false;
        std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
    }
    void TearDown() override
    {
        poll_step = nullptr;
        joystick_driver = nullptr;
        num_joysticks = 0;
        release_all_input();
        XKeys::uninstall();
    }
};
