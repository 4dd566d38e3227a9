// The whole game played headless: the real level loop, briefings, game-over
// screen and ending, with a fixed seed and a driver that shoots every enemy it
// can as the player's shots would. With VORLIN_SHOT_DIR set, it also saves a
// picture of every level in play and of the screens around play there.
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "menu.h"
#include "player.h"
#include "test_game_probe.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int SHOT_INTERVAL_TICKS = 6;   // the driver's rate of fire

std::string shot_dir()
{
    const char* d = std::getenv("VORLIN_SHOT_DIR");
    return d ? d : "";
}

void save_shot(BITMAP* bmp, const std::string& name)
{
    if (shot_dir().empty())
        return;
    save_bitmap((shot_dir() + "/" + name + ".bmp").c_str(), bmp, nullptr);
}

struct Attempt {
    int level;
    int result;
    bool report_good;
};

class Playthrough : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        debug = false;
        no_mp3 = true;
        player_lives = PLAYER_LIVES;
        ScriptedKeys::press_at_tick = 90;
        ScriptedKeys::screens = 0;
        ScriptedKeys::on_press = [] {
            save_shot(screen, "screen_" + std::to_string(ScriptedKeys::screens));
        };
    }
    void TearDown() override { ScriptedKeys::on_press = nullptr; }

    // One run_game with the driver riding along; `kill_player` makes it shoot
    // the player instead of the enemies.
    int attempt(int level, bool kill_player)
    {
        PROBE* driver = new PROBE();
        bool shot_taken = false;
        driver->on_tick = [&, level, kill_player](int t) {
            if (kill_player) {
                if (player->is_active() && !player->is_stunned() && player->get_hp() > 0)
                    player->hit();
                return;
            }
            if (t % SHOT_INTERVAL_TICKS != 0)
                return;
            for (ENEMY* e : enemies)
                if (e->is_active() && !e->is_unkillable() && e->hp > 0) {
                    e->hit();
                    break;
                }
            // A picture of the level in play once a few enemies are about.
            const size_t crowd = level == 3 ? 6 : level == 7 ? 38 : level == 8 ? 1 : 3;
            if (!shot_taken && t > 300 && enemies.size() >= crowd) {
                draw_screen(true);
                save_shot(buffer, "level_" + std::to_string(level));
                shot_taken = true;
            }
        };
        objects.push_back(driver);
        testing::internal::CaptureStdout();
        const int result = run_game(level);
        const std::string out = testing::internal::GetCapturedStdout();
        attempts.push_back({level, result, out.find("Create count = 0 (this is good)\n") != std::string::npos});
        return result;
    }
    std::vector<Attempt> attempts;
};

TEST_F(Playthrough, EveryLevelClearedInTurnThenTheEnding)
{
    srand(2026);
    int level = 1;
    int result = 0;
    // The outer loop of the program: the next level on a clear, the same one after a lost life.
    while (result != GAME_QUIT && result != GAME_OVER) {
        result = attempt(level, false);
        if (result == GAME_NEXTLVL && ++level > 8)
            break;
    }
    ASSERT_EQ(level, 9) << "ended with " << result << " at level " << level;
    save_shot(screen, "before_ending");
    stupid_ending();
    save_shot(screen, "ending");

    std::vector<int> cleared;
    for (const Attempt& a : attempts) {
        EXPECT_TRUE(a.report_good) << "level " << a.level;
        if (a.result == GAME_NEXTLVL)
            cleared.push_back(a.level);
        else
            EXPECT_EQ(a.result, GAME_DEAD) << "level " << a.level;
    }
    EXPECT_EQ(cleared, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    // A briefing before every attempt.
    EXPECT_EQ(ScriptedKeys::screens, static_cast<int>(attempts.size()));
}

TEST_F(Playthrough, LostLivesReplayTheLevelThenGameOverRestoresTheLives)
{
    srand(99);
    player_lives = 2;
    EXPECT_EQ(attempt(2, true), GAME_DEAD);
    EXPECT_EQ(player_lives, 1);
    EXPECT_EQ(ScriptedKeys::screens, 1);
    EXPECT_EQ(attempt(2, true), GAME_OVER);
    EXPECT_EQ(ScriptedKeys::screens, 2);   // the replay had its own briefing
    EXPECT_EQ(player_lives, 0);
    game_over();
    EXPECT_EQ(ScriptedKeys::screens, 3);
    reset_after_gameover();
    EXPECT_EQ(player_lives, 4);
    for (const Attempt& a : attempts)
        EXPECT_TRUE(a.report_good);
}

} // namespace
