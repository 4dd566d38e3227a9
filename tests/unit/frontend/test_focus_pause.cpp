// The pause menu opening when the game's window loses the input focus, run through the real
// run_game headless: in play as a fresh press of the pause key would, never for a focus change
// on the screens before play, and not again for one while the menu is open.
#include "display.h"
#include "game.h"
#include "player.h"
#include "test_game_probe.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

// In debug mode the focus notice, unlike ESC, does not end the attempt.
class FocusPause : public LevelAttemptTest {
protected:
    void SetUp() override
    {
        LevelAttemptTest::SetUp();
        take_focus_lost();
    }
    // Runs level 1 with `script` at every tick; counts the pause menu's openings and the level
    // clock at each, and answers the menu: go on the first time, quit the second.
    int run(std::function<void(int)> script)
    {
        int frames = 0;
        probe->on_tick = [this, script](int t) {
            clock_at_tick.push_back(t);
            script(t);
        };
        probe->on_draw = [this, &frames]() {
            if (!probe->in_pause_menu())
                return;
            const int f = probe->draws_since_tick - 2;
            if (f == 0) {
                opened_at.push_back(clock_at_tick.empty() ? 0 : clock_at_tick.back());
                frames = 0;
            }
            if (f == 1 && during_menu)
                during_menu();
            key[KEY_ENTER] = key[KEY_DOWN] = 0;
            if (opened_at.size() == 1 && f == 2)
                key[KEY_ENTER] = 1;  // go on
            if (opened_at.size() == 2 && f == 2)
                key[KEY_DOWN] = 1;  // to "quit"
            if (opened_at.size() == 2 && f == 4)
                key[KEY_ENTER] = 1;
            ++frames;
        };
        return run_game(1);
    }
    std::vector<int> opened_at, clock_at_tick;
    std::function<void()> during_menu;
};

TEST_F(FocusPause, LossBeforePlayOpensNothing)
{
    display_switched_out();  // the window lost the focus on the title
    const int result = run([](int t) {
        if (t == 200)
            game_go = GAME_QUIT;
    });
    EXPECT_EQ(result, GAME_QUIT);
    EXPECT_TRUE(opened_at.empty()) << "opened at tick " << opened_at[0];
}

TEST_F(FocusPause, LossInPlayOpensTheMenuOnceForEachLoss)
{
    // A second loss while the menu is open asks for no second menu after it.
    during_menu = [] { display_switched_out(); };
    const int result = run([](int t) {
        if (t == 100 || t == 300)
            display_switched_out();
    });
    EXPECT_EQ(result, GAME_QUIT) << "Quit chosen in the second menu ends the attempt";
    ASSERT_EQ(opened_at.size(), 2u);
    // The notice raised during tick 100 is read by the input of the next pass, before tick 101.
    EXPECT_EQ(opened_at[0], 100);
    EXPECT_EQ(opened_at[1], 300);
    // The level clock stood still during the first pause: the tick after it is 101.
    bool resumed_at_101 = false;
    for (size_t i = 1; i < clock_at_tick.size(); i++)
        if (clock_at_tick[i - 1] == 100)
            resumed_at_101 = clock_at_tick[i] == 101;
    EXPECT_TRUE(resumed_at_101);
}

// The pause key still held from the last menu: a loss of the focus opens the menu all the same.
TEST_F(FocusPause, LossWhileThePauseKeyIsHeldOpensTheMenu)
{
    debug = false;  // ESC here only pauses; the briefing is passed by the scripted keyboard
    ScriptedKeys::press_at_tick = 1;
    const int result = run([](int t) {
        key[KEY_ENTER] = 0;
        if (t == 100)
            key[KEY_ESC] = 1;  // held from here on
        if (t == 150)
            display_switched_out();
        if (t == 400)
            game_go = GAME_QUIT;  // only reached if no second menu opened
    });
    EXPECT_EQ(result, GAME_QUIT);
    ASSERT_EQ(opened_at.size(), 2u);
    EXPECT_EQ(opened_at[1], 150);
}

}  // namespace
