// The pause menu (confirming, moving, the press that opened it, the level clock
// standing still, quitting a real level) and the joystick remapping with a
// scripted joystick, down to the settings file and the next craft.
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "levels.h"
#include "menu.h"
#include "player.h"
#include "registry.h"
#include "test_menu_support.h"
#include "pacing.h"
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int draw_calls = 0;
const int LEVEL_COLOUR_R = 200, LEVEL_COLOUR_G = 100, LEVEL_COLOUR_B = 60;

// Stands in for the level's draw_screen: composes a plain picture.
void fake_level_draw(bool compose_only)
{
    EXPECT_TRUE(compose_only);
    draw_calls++;
    clear_to_color(buffer, makecol(LEVEL_COLOUR_R, LEVEL_COLOUR_G, LEVEL_COLOUR_B));
}

// A script of keys down by poll: entry i applies at the (i+1)-th poll;
// after the script, ENTER stays down so a faulty menu still ends.
std::function<void()> keys_by_poll(std::vector<std::vector<int>> keys_down)
{
    return [keys_down] {
        const size_t i = static_cast<size_t>(poll_count - 1);
        key[KEY_ENTER] = key[KEY_UP] = key[KEY_DOWN] = key[KEY_ESC] = 0;
        if (i >= keys_down.size()) {
            key[KEY_ENTER] = 1;
            return;
        }
        for (int k : keys_down[i])
            key[k] = 1;
    };
}

class PauseTest : public FrontendTest {
protected:
    // Opens the pause menu at level clock 1234 with the given script; returns its result.
    bool run_pause(std::vector<std::vector<int>> script)
    {
        script_polls(keys_by_poll(std::move(script)), false);
        draw_calls = 0;
        fpscounter = 1234;
        fps = 1234;
        const bool go_on = do_pausemenu(fake_level_draw);
        EXPECT_EQ(fpscounter, 1234) << "the level clock stands still during a pause";
        EXPECT_EQ(fps.load(), 1234) << "no ticks to catch up after a pause";
        return go_on;
    }
};

TEST_F(PauseTest, EnterAtOnceGoesOnWithTheClockUnchanged)
{
    EXPECT_TRUE(run_pause({{KEY_ESC}, {KEY_ENTER}}));
    EXPECT_EQ(poll_count, 2);
    EXPECT_EQ(draw_calls, 2) << "one composed level frame per pause tick";
}

TEST_F(PauseTest, SelectionMovesOncePerPressAndWraps)
{
    const std::vector<int> none;
    // DOWN twice: back on the first item.
    EXPECT_TRUE(run_pause({none, {KEY_DOWN}, none, {KEY_DOWN}, none, {KEY_ENTER}}));
    // DOWN once: quit.
    EXPECT_FALSE(run_pause({none, {KEY_DOWN}, none, {KEY_ENTER}}));
    // UP works the same way.
    EXPECT_FALSE(run_pause({none, {KEY_UP}, {KEY_ENTER}}));
    // DOWN held over many ticks moves once.
    std::vector<std::vector<int>> held(20, {KEY_DOWN});
    held.push_back({KEY_ENTER});
    EXPECT_FALSE(run_pause(held));
}

TEST_F(PauseTest, AConfirmKeyDownAtOpeningMustBeReleasedFirst)
{
    const std::vector<int> enter = {KEY_ENTER};
    EXPECT_TRUE(run_pause({enter, enter, enter, enter, {}, enter}));
    EXPECT_EQ(poll_count, 6);
}

TEST_F(PauseTest, JoystickPauseButtonHeldKeepsTheMenuOpenUntilReleasedAndPressedAgain)
{
    int polls = 0;
    script_polls(
        [&polls] {
            polls++;
            if (polls <= 10)
                set_buttons({8});
            else if (polls <= 12)
                set_buttons({});
            else if (polls == 13) {
                set_buttons({});
                joy[0].stick[0].axis[1].d2 = 1;  // stick down: quit
            } else if (polls == 14) {
                joy[0].stick[0].axis[1].d2 = 0;
            } else {
                set_buttons({0});
            }
        },
        true);
    fpscounter = fps = 77;
    EXPECT_FALSE(do_pausemenu(fake_level_draw));
    EXPECT_EQ(polls, 15);
    EXPECT_EQ(fpscounter, 77);
}

TEST_F(PauseTest, TheFrameShowsTheDarkenedLevelUnderThePanel)
{
    run_pause({{}, {KEY_ENTER}});
    // Far from the panel: the level's colour at about half brightness.
    const int c = getpixel(screen, 3, 3);
    EXPECT_NEAR(getr(c), LEVEL_COLOUR_R / 2, 2);
    EXPECT_NEAR(getg(c), LEVEL_COLOUR_G / 2, 2);
    EXPECT_NEAR(getb(c), LEVEL_COLOUR_B / 2, 2);
    // The panel is drawn centred.
    BITMAP* panel = data_bitmap(BMP_PAUSE_PANEL);
    int changed = 0;
    for (int y = 240 - panel->h / 2; y < 240 + panel->h / 2; y += 3)
        for (int x = 320 - panel->w / 2; x < 320 + panel->w / 2; x += 3)
            changed += getpixel(screen, x, y) != c;
    EXPECT_GT(changed, 50);
}

// Level 8 for real: paused in the tick in which the boss is due, resumed 300
// pause ticks later, the boss still enters at 200; then quit from the menu.
TEST_F(PauseTest, LevelClockStandsStillSoTheLevel8BossStillArrivesThenQuit)
{
    enum { BRIEF, LEVEL, PAUSED, RESUMING, PLAYING, QUITTING } state = BRIEF;
    int paused_at = -1, clock_after_resume = -1, boss_tick = -1, n = 0;
    float player_x = 0, player_y = 0;
    bool player_still = false;

    // Seen at the poll of the next tick's input, when fpscounter is the tick just run.
    auto find_boss = [&] {
        for (ENEMY* e : enemies)
            if (e->get_type() == ENEMY::ET_BOSS && boss_tick < 0)
                boss_tick = fpscounter;
    };
    script_polls(
        [&] {
            switch (state) {
            case BRIEF:
                // The briefing waits for a key; its own key-buffer clear is behind us.
                simulate_keypress(KEY_SPACE << 8 | ' ');
                state = LEVEL;
                break;
            case LEVEL:
                if (!player)
                    break;
                clear_keybuf();
                if (fpscounter == 199) {  // input of tick 200, the boss's tick
                    key[KEY_ESC] = 1;
                    paused_at = fpscounter;
                    player_x = player->x;
                    player_y = player->y;
                    state = PAUSED;
                }
                break;
            case PAUSED:
                if (++n == 300) {
                    key[KEY_ENTER] = 1;
                    state = RESUMING;
                }
                break;
            case RESUMING:
                // The next poll is the level's: one level tick has run since the pause.
                find_boss();
                clock_after_resume = fpscounter;
                player_still = player->x == player_x && player->y == player_y;
                key[KEY_ENTER] = 0;
                key[KEY_ESC] = 0;
                state = PLAYING;
                break;
            case PLAYING:
                find_boss();
                if ((boss_tick >= 0 && fpscounter >= boss_tick + 10) || fpscounter > 600) {
                    key[KEY_ESC] = 1;
                    n = 0;
                    state = QUITTING;
                }
                break;
            case QUITTING:
                n++;
                key[KEY_DOWN] = n == 2;
                key[KEY_ENTER] = n >= 4;
                break;
            }
        },
        false);

    player_lives = PLAYER_LIVES;
    reset_input_edges();
    const int result = run_game(8);
    EXPECT_EQ(result, GAME_QUIT);
    EXPECT_EQ(paused_at, 199);
    EXPECT_EQ(clock_after_resume, 200);
    EXPECT_TRUE(player_still);
    EXPECT_EQ(boss_tick, 200) << "the boss enters at tick 200 although the pause covered it";
    EXPECT_EQ(create_count, 0);
    EXPECT_TRUE(objects.empty());
}

// Remapping: each entry of the script holds its buttons for three polls.
class RemapTest : public FrontendTest {
protected:
    void remap_with(std::vector<std::vector<int>> presses)
    {
        auto frames = std::make_shared<std::vector<std::vector<int>>>();
        frames->push_back({1});  // a button still down from choosing the item
        frames->push_back({});
        for (auto& p : presses) {
            frames->push_back(p);
            frames->push_back({});
        }
        script_polls(
            [frames] {
                const size_t i = static_cast<size_t>((poll_count - 1) / 3);
                if (i < frames->size()) {
                    set_buttons({});
                    for (int b : (*frames)[i])
                        joy[0].button[b].b = 1;
                } else {
                    // Past the script: keep answering so a faulty remap still ends.
                    set_buttons({});
                    if (poll_count % 2)
                        joy[0].button[0].b = 1;
                }
            },
            true);
        change_controls();
        script_length = static_cast<int>(frames->size()) * 3;
    }
    int script_length = 0;
};

TEST_F(RemapTest, TheHighestButtonHeldIsTakenForEachControlInTurn)
{
    clear_to_color(buffer, makecol(200, 100, 60));
    remap_with({{2, 5}, {0}, {8, 0}, {3}, {1, 4, 7}, {6}, {6}});
    const int expected[NUM_CONTROLS] = {5, 0, 8, 3, 7, 6, 6};
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], expected[i]) << control_labels[i];
    EXPECT_LE(poll_count, script_length) << "every control was answered from the script";
    EXPECT_STREQ(joystick_button_label(6), "Prev. Hud");

    // The picture was tinted: only its blue is left.
    const int c = getpixel(buffer, 320, 240);
    EXPECT_LE(getr(c), 2);
    EXPECT_LE(getg(c), 2);
    EXPECT_NEAR(getb(c), 60, 2);
    // The seven prompts went down the screen, one line each.
    for (int i = 0; i < NUM_CONTROLS; i++) {
        int lit = 0;
        for (int y = 10 + 25 * i; y < 10 + 25 * i + text_height(mainfont); y++)
            for (int x = 10; x < 200; x++)
                lit += getpixel(screen, x, y) != getpixel(buffer, x, y);
        EXPECT_GT(lit, 20) << "prompt " << i;
    }
    EXPECT_EQ(getpixel(screen, 300, 10 + 25 * 7 + 5), getpixel(buffer, 300, 10 + 25 * 7 + 5));
}

TEST_F(RemapTest, WithoutAJoystickNothingHappens)
{
    clear_to_color(buffer, makecol(200, 100, 60));
    clear_to_color(screen, 0);
    script_polls([] { set_buttons({3}); }, false);
    change_controls();
    EXPECT_EQ(0, std::memcmp(joystick_controls, default_joystick_controls, sizeof joystick_controls));
    EXPECT_EQ(getpixel(buffer, 320, 240), makecol(200, 100, 60));
    EXPECT_EQ(getpixel(screen, 20, 15), 0);
}

// The mapping goes to the settings file at exit, comes back at the next
// start, and is what the next craft drives with.
TEST_F(RemapTest, ARemappingIsSavedAndUsedByTheNextCraft)
{
    char dir[] = "/tmp/vorlin-remap-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/" + SETTINGS_FILE_NAME;
    set_config_file(path.c_str());
    read_settings();

    remap_with({{4}, {5}, {6}, {7}, {8}, {0}, {1}});
    const int remapped[NUM_CONTROLS] = {4, 5, 6, 7, 8, 0, 1};
    write_settings();
    flush_config_file();

    std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
    set_config_file(path.c_str());  // the next start reads the file afresh
    read_settings();
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], remapped[i]) << control_labels[i];

    player_lives = PLAYER_LIVES;
    create_game_objects();
    ASSERT_NE(player, nullptr);
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(player->joy_buttons[i], remapped[i]) << control_labels[i];
    EXPECT_EQ(player->get_joy_pause_button(), 8);
    destroy_game_objects();

    std::remove(path.c_str());
    rmdir(dir);
}

}  // namespace
