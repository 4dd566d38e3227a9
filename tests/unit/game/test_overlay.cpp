// Overlays and interludes: volume bar, messages, signs, briefing and game over.
#include "datidx.h"
#include "game.h"
#include "levels.h"
#include "overlays.h"
#include "pacing.h"
#include "player.h"
#include "test_game_probe.h"
#include "test_menu_support.h"
#include "test_songbox_log.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        ScriptedKeys::press_at_tick = 100;
        ScriptedKeys::on_press = nullptr;
    }
};

TEST_F(Overlay, VolumeBarRoundsToFourteenSteps)
{
    const struct {
        int volume;
        const char* text;
    } cases[] = {
        {0, "Music Volume [==============]"},
        {9, "Music Volume [==============]"},   // 0.49 rounds down
        {10, "Music Volume [+=============]"},  // 0.55 rounds up
        {128, "Music Volume [+++++++=======]"},
        {192, "Music Volume [+++++++++++===]"},
        {255, "Music Volume [++++++++++++++]"},
    };
    for (const auto& c : cases) {
        screen_msg_counter = 0;
        show_slider(c.volume);
        EXPECT_STREQ(screen_msg_buf, c.text) << c.volume;
        EXPECT_EQ(screen_msg_counter, 120);
    }
}

TEST_F(Overlay, MessageKeepsItsHeightAndFitsTheBuffer)
{
    screen_msg_y = 333;
    screen_message("Use ESC key instead!!!", 120);
    EXPECT_STREQ(screen_msg_buf, "Use ESC key instead!!!");
    EXPECT_EQ(screen_msg_counter, 120);
    EXPECT_EQ(screen_msg_y, 333);
    const std::string long_text(300, 'x');
    screen_message(long_text.c_str(), 5);
    EXPECT_EQ(std::string(screen_msg_buf), long_text.substr(0, 127));
}

TEST_F(Overlay, BriefingTexts)
{
    const char* texts[] = {"(none)", "Dodge the falling turds!!!", "Gay guys from below!!", "Spikes and Balls!!!",
        "Peoo!! Glclclch!", "Brakes don't work well on ice", "People get killed!!", "Hell!", "He's pissed", "(none)"};
    for (int level = 0; level <= 9; ++level)
        EXPECT_STREQ(level_brief_text(level), texts[level]) << level;
    EXPECT_STREQ(level_brief_text(-3), "(none)");
}

TEST_F(Overlay, SignReplacesTheShowingOneAndClearedAtFullHealthEarnsALife)
{
    create_game_objects();
    show_sign(data_bitmap(BMP_SIGN_START), -3);
    EXPECT_EQ(sign_bmp, data_bitmap(BMP_SIGN_START));
    EXPECT_EQ(sign_a, 255);
    EXPECT_EQ(d_sign_a, -3);
    int lives = 0;
    player->update_lives(lives);
    const int start_lives = lives;

    player->hp = 2;
    show_sign(data_bitmap(BMP_SIGN_LEVEL_DONE), -1);
    player->update_lives(lives);
    EXPECT_EQ(lives, start_lives);
    EXPECT_EQ(d_sign_a, -1);

    player->hp = 3;
    show_sign(data_bitmap(BMP_SIGN_LEVEL_DONE), -1);
    player->update_lives(lives);
    EXPECT_EQ(lives, start_lives + 1);
    testing::internal::CaptureStdout();
    destroy_game_objects();
    testing::internal::GetCapturedStdout();
}

// Ticks of the briefing loop for a press at each tick: it fades in by 3 to
// 255 (85 ticks), and from the press fades out by 3 until below 0.
TEST_F(Overlay, BriefingFadesInWaitsAndFadesOutFromWhereItWas)
{
    const struct {
        int press_tick;
        int ticks;
    } cases[] = {
        {0, 1},      // pressed before it shows: gone after one tick
        {19, 39},    // brightness 57 reached, 57 / 3 + 1 ticks back down
        {100, 186},  // full brightness from 85; the fade-out takes 86 ticks
    };
    for (const auto& c : cases) {
        ScriptedKeys::press_at_tick = c.press_tick;
        level_brief(3);
        EXPECT_EQ(fpscounter, c.ticks) << c.press_tick;
    }
}

TEST_F(Overlay, BriefingClearsKeysPressedBeforeIt)
{
    // A key waiting in the buffer does not skip the briefing.
    simulate_keypress(KEY_A << 8);
    ScriptedKeys::press_at_tick = 100;
    level_brief(1);
    EXPECT_EQ(fpscounter, 186);
}

TEST_F(Overlay, GameOverFadesLikeTheBriefing)
{
    ScriptedKeys::press_at_tick = 100;
    game_over();
    EXPECT_EQ(fpscounter, 186);
    ScriptedKeys::press_at_tick = 0;
    game_over();
    EXPECT_EQ(fpscounter, 1);
}

// Up and Left held through the last death, Left repeating on every tick as X
// repeats it: the screen fades in and waits for a key pressed on it. The
// game-over song still starts at brightness 60 (tick 20) unless that new press
// comes before it.
TEST_F(Overlay, KeysHeldFromPlayDoNotDismissTheInterludes)
{
    SONGBOX* kept = songbox;
    SONGBOX_LOG log;
    songbox = &log;
    const struct {
        const char* what;
        std::function<void()> run;
        int press_tick;
        int ticks;
        bool song;
    } cases[] = {
        {"briefing", [] { level_brief(2); }, 150, 150 + 86, false},
        {"game over", [] { game_over(); }, 150, 150 + 86, true},
        {"game over, pressed before the song", [] { game_over(); }, 5, 5 + 6, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XKeys::install();
        XKeys::press(KEY_UP);
        XKeys::press(KEY_LEFT);
        const int press_tick = c.press_tick;
        script_polls(
            [press_tick] {
                if (fpscounter == press_tick)
                    XKeys::press(KEY_SPACE);
                else
                    XKeys::repeat(KEY_LEFT);
            },
            false);
        log.calls.clear();
        fpscounter = -1;
        c.run();
        EXPECT_EQ(fpscounter, c.ticks);
        const bool song = std::count(log.calls.begin(), log.calls.end(), "play 10") == 1;
        EXPECT_EQ(song, c.song);
        poll_step = nullptr;
        joystick_driver = nullptr;
        for (int k : {KEY_UP, KEY_LEFT, KEY_SPACE})
            key[k] = 0;
    }
    XKeys::uninstall();
    songbox = kept;
}

TEST_F(Overlay, ResetAfterGameOverRestoresFourLives)
{
    player_lives = 0;
    reset_after_gameover();
    EXPECT_EQ(player_lives, 4);
}

}  // namespace
