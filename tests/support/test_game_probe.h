// Test helpers for level attempts: a scripted object that rides along in
// `objects`, a scripted "any key" for the briefing and game-over screens, and
// the headless set-up the level tests share.
#pragma once
#include "game.h"
#include "music.h"
#include "object.h"
#include "player.h"
#include "test_support.h"
#include "engine.h"
#include "pacing.h"
#include <allegro.h>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>

// Entered into `objects` before run_game makes the player, so its hooks run
// first in every tick's object walk (after the loop's own steps and the level
// script of that tick) and first in every composed frame. No sprite: the
// placement tests of the level scripts skip it.
class PROBE : public OBJECT {
public:
    std::function<void(int tick)> on_tick;
    std::function<void()> on_draw;
    // Frames composed since this tick's step: the level loop composes one per
    // pass, so a second one before the next tick comes from the pause menu.
    int draws_since_tick = 0;
    PROBE() { set(0, 0); }
    bool in_pause_menu() const { return draws_since_tick >= 2; }
    void processing() override
    {
        draws_since_tick = 0;
        if (on_tick)
            on_tick(fpscounter);
    }
    void draw() override
    {
        ++draws_since_tick;
        if (on_draw)
            on_draw();
    }
};

// The screens before and after play dismiss on keypressed(): this scripted
// keyboard puts a key in its buffer once the screen's own loop reaches tick
// `press_at_tick`, and counts the screens it has seen (a new one starts at
// tick 0). clear_keybuf() empties it by reading until keypressed() is false;
// it runs before the screen resets the clock, so the clock must not stand at
// 0 or at the press tick then (game_test_init leaves it at -1).
struct ScriptedKeys {
    static int press_at_tick;
    static int screens;
    static std::function<void()> on_press;  // runs once per screen, at the tick of the press
    static bool pending;
    static int last_tick;
    static int keypressed_hook()
    {
        if (fpscounter == 0 && last_tick != 0) {
            ++screens;
            pending = false;
        }
        if (fpscounter == press_at_tick && last_tick != press_at_tick) {
            pending = true;
            if (on_press)
                on_press();
        }
        last_tick = fpscounter;
        return pending;
    }
    static int readkey_hook()
    {
        pending = false;
        return 0;
    }
};
inline int ScriptedKeys::press_at_tick = 100;
inline int ScriptedKeys::screens = 0;
inline std::function<void()> ScriptedKeys::on_press;
inline bool ScriptedKeys::pending = false;
inline int ScriptedKeys::last_tick = -1;

// With VORLIN_SHOT_DIR set, saves `bmp` there as <name>.bmp for a look at it.
inline void save_shot(BITMAP* bmp, const std::string& name)
{
    const char* dir = std::getenv("VORLIN_SHOT_DIR");
    if (dir)
        save_bitmap((std::string(dir) + "/" + name + ".bmp").c_str(), bmp, nullptr);
}

// Headless library at 32 bits with the archive, a muted song box, a scripted
// keyboard, clean keys and the edge-trigger memory of the level loop cleared.
inline bool game_test_init()
{
    headless_init(32);
    if (!data && !headless_load_data())
        return false;
    if (!songbox) {
        songbox = new SONGBOX();
        songbox->set_mute(true);
    }
    ScriptedKeys::pending = false;
    fpscounter = -1;
    install_keyboard_hooks(ScriptedKeys::keypressed_hook, ScriptedKeys::readkey_hook);
    for (int i = 0; i < KEY_MAX; ++i)
        key[i] = 0;
    num_joysticks = 0;
    reset_input_edges();
    return true;
}

// One attempt at a level through the real run_game, in debug mode (no
// briefing) with the lives of a new game, seed 7 and a PROBE riding along;
// afterwards every key is up and debug mode off.
class LevelAttemptTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        debug = true;
        player_lives = PLAYER_LIVES;
        srand(7);
        probe = new PROBE();
        objects.push_back(probe);
    }
    void TearDown() override
    {
        for (int i = 0; i < KEY_MAX; ++i)
            key[i] = 0;
        debug = false;
    }
    PROBE* probe = nullptr;
};
