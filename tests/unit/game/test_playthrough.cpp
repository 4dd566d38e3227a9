// The whole game played headless: the real level loop, briefings, game-over
// screen and ending, with a fixed seed and a driver that shoots every enemy it
// can as the player's shots would; with VORLIN_SHOT_DIR set it leaves a
// picture of every level in play and of the screens around play there.
#include "datidx.h"
#include "facts.h"
#include "enemy.h"
#include "flow.h"
#include "game.h"
#include "menu.h"
#include "pilot.h"
#include "player.h"
#include "quit_request.h"
#include "replay.h"
#include "test_game_probe.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

const int SHOT_INTERVAL_TICKS = 3;  // the driver's rate of fire
const int SHOT_TICK = 650;          // until its picture, the driver shoots only enemies near the craft
const float NEAR_DISTANCE = 160;

struct Attempt {
    int level;
    int result;
    bool report_good;
};

class Playthrough : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        debug = false;
        no_mp3 = true;
        player_lives = PLAYER_LIVES;
        ScriptedKeys::press_at_tick = 90;
        ScriptedKeys::screens = 0;
        ScriptedKeys::on_press = [] {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            save_shot(screen, name + "_screen_" + std::to_string(ScriptedKeys::screens));
        };
    }
    void TearDown() override { ScriptedKeys::on_press = nullptr; }

    // One run_game with the driver riding along; `kill_player` makes it shoot
    // the player instead of the enemies.
    int attempt(int level, bool kill_player)
    {
        PROBE* driver = new PROBE();
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        driver->on_tick = [&, level, kill_player, name](int t) {
            if (kill_player) {
                if (player->is_active() && !player->is_stunned() && player->get_hp() > 0)
                    player->hit();
                return;
            }
            // A picture of the level in play while the driver still spares distant enemies.
            if (t == SHOT_TICK) {
                draw_screen(true);
                save_shot(buffer, name + "_level_" + std::to_string(level));
            }
            if (t % SHOT_INTERVAL_TICKS != 0)
                return;
            for (ENEMY* e : enemies) {
                const float dx = e->x - player->x, dy = e->y - player->y;
                const bool near = dx * dx + dy * dy < NEAR_DISTANCE * NEAR_DISTANCE;
                if (e->is_active() && !e->is_unkillable() && e->hp > 0 && (near || t > SHOT_TICK)) {
                    e->hit();
                    break;
                }
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
// The test playing the levels through the program's loop.
Playthrough* playing = nullptr;

TEST_F(Playthrough, EveryLevelClearedInTurnThenTheEnding)
{
    srand(2026);
    // The program's own loop over the levels: the next level on a clear, the same one after a lost life.
    playing = this;
    const int result = play_levels(1, [](int level) { return playing->attempt(level, false); });
    playing = nullptr;
    std::string log;
    for (const Attempt& a : attempts)
        log += " " + std::to_string(a.level) + (a.result == GAME_NEXTLVL ? "+" : "-");
    std::cout << "attempts (+ cleared, - life lost):" << log << "\n";
    ASSERT_EQ(result, GAME_NEXTLVL) << "ended with " << result << " at level " << attempts.back().level;
    stupid_ending();
    save_shot(screen, "ending");

    std::vector<int> cleared, every_level;
    for (int l = 1; l <= NUM_LEVELS; ++l)
        every_level.push_back(l);
    for (const Attempt& a : attempts) {
        EXPECT_TRUE(a.report_good) << "level " << a.level;
        if (a.result == GAME_NEXTLVL)
            cleared.push_back(a.level);
        else
            EXPECT_EQ(a.result, GAME_DEAD) << "level " << a.level;
    }
    EXPECT_EQ(cleared, every_level);
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
    EXPECT_EQ(ScriptedKeys::screens, 2);  // the replay had its own briefing
    EXPECT_EQ(player_lives, 0);
    game_over();
    EXPECT_EQ(ScriptedKeys::screens, 3);
    reset_after_gameover();
    EXPECT_EQ(player_lives, 4);
    for (const Attempt& a : attempts)
        EXPECT_TRUE(a.report_good);
}

// The pilot plays a game from each of two levels through the controls alone
// (with a lost life, and a quit through the pause menu); recorded, the games
// play back to the same state at the end of every attempt. One input changed
// in the recording is found at the attempt it changes.
TEST_F(Playthrough, RecordedGamesReplayTickForTickAndAChangedInputIsCaught)
{
    const int QUIT_AFTER_TICKS = 800;
    srand(31);
    replay_record_in_memory();
    pilot_install(QUIT_AFTER_TICKS);
    for (int level : {6, 1}) {
        player_lives = 2;
        play_game(level);
    }
    pilot_remove();
    ReplayFile recorded = replay_recording();
    replay_off();
    int recorded_attempts = 0;
    std::vector<int> results;
    for (const ReplayGame& g : recorded.games)
        for (const ReplayEvent& e : g.events)
            if (e.kind == ReplayEvent::ATTEMPT) {
                ++recorded_attempts;
                results.push_back(static_cast<int>(e.result));
            }
    EXPECT_NE(std::find(results.begin(), results.end(), GAME_DEAD), results.end()) << "a life lost";
    EXPECT_NE(std::find(results.begin(), results.end(), GAME_QUIT), results.end()) << "a quit from the pause menu";

    // Play it back from another point of the generator and other lives: the
    // recording carries both.
    srand(1);
    player_lives = 1;
    replay_use(recorded);
    EXPECT_EQ(replay_games(), 0);
    EXPECT_EQ(replay_attempts_checked(), recorded_attempts);
    replay_off();

    // The craft steers the other way for one run of ticks in the first game.
    ReplayFile changed = recorded;
    std::vector<ReplayEvent>& ev = changed.games[0].events;
    DoorTick turning;
    turning.c.steer_left = turning.c.steer_right = true;
    const uint64_t turn_bits = door_bits(turning);
    size_t run = ev.size() / 3;
    while (ev[run].kind != ReplayEvent::RUN || !(ev[run].input & turn_bits))
        ++run;
    ev[run].input ^= turn_bits;
    testing::internal::CaptureStderr();
    replay_use(changed);
    EXPECT_EQ(replay_games(), 1);
    const std::string said = testing::internal::GetCapturedStderr();
    replay_off();
    EXPECT_NE(said.find("Replay out of step with the recording: level attempt"), std::string::npos) << said;
    EXPECT_NE(said.find("of game 1"), std::string::npos) << said;
}

// The viewer ends a replay early (a quit request here, as ESC does): the
// game ends at once, nothing after it is compared, and that is no failure.
TEST_F(Playthrough, AReplayStoppedByTheViewerEndsQuietly)
{
    const ReplayFile f = [] {
        ReplayFile bytes_read;
        std::string why;
        EXPECT_TRUE(replay_read(std::string(VORLIN_SOURCE_DIR) + "/tests/replays/short.vrp", bytes_read, why)) << why;
        return bytes_read;
    }();
    ASSERT_FALSE(f.games.empty());
    replay_use(f);
    PROBE* viewer = new PROBE();
    viewer->on_tick = [](int tick) {
        if (tick == 200)
            request_quit();
    };
    objects.push_back(viewer);
    testing::internal::CaptureStderr();
    EXPECT_EQ(replay_games(), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    cancel_quit_request();
    EXPECT_TRUE(replay_stopped_early());
    EXPECT_EQ(replay_attempts_checked(), 0);
    EXPECT_NE(said.find("Replay stopped by the viewer in level attempt 1 of game 1"), std::string::npos) << said;
    replay_off();
}

// A quit request (a signal) during play ends the attempt as a quit; the file
// on disk then holds the game up to it, and replays it.
TEST_F(Playthrough, AGameEndedByAQuitRequestIsKeptOnDiskAndReplays)
{
    const std::string path = std::string(VORLIN_BUILD_DIR) + "/quit_request_test.vrp";
    std::remove(path.c_str());
    srand(5);
    replay_record_to(path);
    door_pilot = [](DoorTick& t) {
        if (player && fpscounter == 300)
            request_quit();
        t.quit = quit_requested();
    };
    player_lives = 3;
    EXPECT_EQ(play_game(4), GAME_QUIT);
    door_pilot = nullptr;
    cancel_quit_request();
    replay_off();

    ReplayFile f;
    std::string why;
    ASSERT_TRUE(replay_read(path, f, why)) << why;
    std::remove(path.c_str());
    ASSERT_EQ(f.games.size(), 1u);
    ASSERT_FALSE(f.games[0].events.empty());
    EXPECT_EQ(f.games[0].events.back().result, static_cast<uint32_t>(GAME_QUIT));
    replay_use(f);
    EXPECT_EQ(replay_games(), 0);
    EXPECT_EQ(replay_attempts_checked(), 1);
    replay_off();
}

}  // namespace
