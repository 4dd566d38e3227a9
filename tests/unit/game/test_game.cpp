// The level loop's timeline, endings and keys, run through the real run_game
// headless and tick for tick.
#include "datidx.h"
#include "game.h"
#include "player.h"
#include "test_game_probe.h"
#include "pacing.h"
#include "quit_request.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

const int MARKER = 0xff00ff;

struct TickState {
    float zoom;
    bool player_active;
    bool started;
    BITMAP* sign;
    int sign_a;
    int screen_a;
    bool centre_shown;  // the screen's centre was drawn by an earlier frame
    bool corner_shown;  // the screen's top-left corner was drawn by an earlier frame
    size_t objects;
};

class GameLoop : public LevelAttemptTest {
protected:
    void SetUp() override
    {
        LevelAttemptTest::SetUp();
        clear_to_color(screen, MARKER);
    }
    // Runs the attempt, recording the loop's state at every tick.
    int run(int level, std::function<void(int)> script = nullptr)
    {
        probe->on_tick = [this, script](int t) {
            states[t] = TickState {zoom_factor, player->is_active(), game_started, sign_bmp, sign_a, screen_a,
                getpixel(screen, 320, 240) != MARKER, getpixel(screen, 0, 0) != MARKER, objects.size()};
            if (script)
                script(t);
        };
        return run_game(level);
    }
    std::map<int, TickState> states;
};

TEST_F(GameLoop, OpeningTimelineThenClearedSignEndsWithNextLevel)
{
    key[KEY_LCONTROL] = 1;  // shoot held from the start: the first shot shows when input begins
    const int clear_tick = 300;
    testing::internal::CaptureStdout();
    const int result = run(1, [](int t) {
        if (t == 75)
            save_shot(screen, "zoom_opening");
        if (t == 160)
            save_shot(screen, "start_sign");
        if (t == clear_tick)
            show_sign(data_bitmap(BMP_SIGN_LEVEL_DONE), -1);
    });
    const std::string out = testing::internal::GetCapturedStdout();

    // Nothing reaches the screen during the first 60 ticks.
    EXPECT_FALSE(states[61].centre_shown);
    EXPECT_EQ(states[60].zoom, 0.0f);
    // The zoom opens from tick 61: a small centred window first, the whole screen from tick 85.
    EXPECT_TRUE(states[62].centre_shown);
    EXPECT_FALSE(states[62].corner_shown);
    EXPECT_FALSE(states[85].corner_shown);
    EXPECT_TRUE(states[86].corner_shown);
    EXPECT_FLOAT_EQ(states[61].zoom, 0.04f);
    EXPECT_LT(states[84].zoom, 1.0f);
    EXPECT_EQ(states[85].zoom, 1.0f);
    EXPECT_FALSE(states[84].player_active);
    EXPECT_TRUE(states[85].player_active);
    // The start sign rises at 151, fading by 3 a tick until 235.
    EXPECT_FALSE(states[150].started);
    EXPECT_EQ(states[150].sign, nullptr);
    EXPECT_TRUE(states[151].started);
    EXPECT_EQ(states[151].sign, data_bitmap(BMP_SIGN_START));
    EXPECT_EQ(states[151].sign_a, 252);
    EXPECT_EQ(states[234].sign_a, 3);
    EXPECT_EQ(states[235].sign_a, 0);
    // Player input begins the tick after the sign: the held shoot key fires at 152.
    EXPECT_EQ(states[151].objects, states[1].objects);
    EXPECT_GT(states[152].objects, states[151].objects);

    // Cleared sign at 300: it fades 255 ticks (to 0 at 555), the screen then
    // fades by 2 a tick and is black 128 ticks after it began (tick 682).
    EXPECT_EQ(result, GAME_NEXTLVL);
    EXPECT_EQ(states[clear_tick + 254].sign_a, 1);
    EXPECT_EQ(states[clear_tick + 254].screen_a, 255);
    EXPECT_EQ(states[clear_tick + 255].screen_a, 253);
    EXPECT_EQ(fpscounter, clear_tick + 255 + 127);
    EXPECT_EQ(states[clear_tick + 255 + 126].screen_a, 1);
    EXPECT_NE(out.find("Create count = 0 (this is good)\n"), std::string::npos);
    EXPECT_TRUE(objects.empty());
    EXPECT_TRUE(enemies.empty());
    EXPECT_EQ(player, nullptr);
}

// The zoom window's edges on the screen after the frames of a few ticks: half
// sizes a and b are the zoom times 320 and 240, truncated; the window spans
// 320 - a .. 320 + a and 240 - b .. 240 + b inclusive.
TEST_F(GameLoop, ZoomWindowOpensByWholeTwentyFifths)
{
    const struct {
        int tick, a, b;
    } cases[] = {{61, 12, 9}, {65, 64, 48}, {70, 127, 95}, {75, 192, 144}, {84, 307, 230}};
    std::map<int, std::vector<bool>> edges;  // drawn just inside and just outside each edge
    run(1, [&](int t) {
        for (const auto& c : cases)
            if (t == c.tick + 1) {  // the screen holds the frames up to the last tick
                auto shown = [](int x, int y) { return getpixel(screen, x, y) != MARKER; };
                edges[c.tick] = {shown(320 - c.a, 240), shown(320 - c.a - 1, 240), shown(320 + c.a, 240),
                    shown(320 + c.a + 1, 240), shown(320, 240 - c.b), shown(320, 240 - c.b - 1), shown(320, 240 + c.b),
                    shown(320, 240 + c.b + 1)};
            }
        if (t == 90)
            game_go = GAME_QUIT;
    });
    const std::vector<bool> expected = {true, false, true, false, true, false, true, false};
    for (const auto& c : cases)
        EXPECT_EQ(edges[c.tick], expected) << "tick " << c.tick << ": left, outside, right, outside, "
                                           << "top, outside, bottom, outside";
}

// The window's close button shows "Use ESC key instead!!!" only when clicked
// during play; a click on the briefing or the game-over screen before an
// attempt leaves no trace in it.
TEST_F(GameLoop, WindowCloseShowsItsMessageOnlyWhenClickedDuringPlay)
{
    const struct {
        const char* when;
        int shown_at;  // first tick showing the message, -1: never
    } cases[] = {{"briefing", -1}, {"game over", -1}, {"play", 101}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        const std::string when = c.when;
        bool clicked = false;
        ScriptedKeys::press_at_tick = 5;
        ScriptedKeys::on_press = [&] {
            if (!clicked && when != "play")
                window_close();
            clicked = true;
        };
        if (when == "game over")
            game_over();
        debug = when != "briefing";
        if (!probe) {
            probe = new PROBE();
            objects.push_back(probe);
        }
        int shown_at = -1;
        testing::internal::CaptureStdout();
        run(1, [&](int t) {
            if (when == "play" && t == 100)
                window_close();
            if (shown_at < 0 && screen_msg_counter > 0 && std::string(screen_msg_buf) == "Use ESC key instead!!!")
                shown_at = t;
            if (t == 200)
                game_go = GAME_QUIT;
        });
        testing::internal::GetCapturedStdout();
        probe = nullptr;  // deleted with the attempt's objects
        EXPECT_EQ(shown_at, c.shown_at);
    }
    ScriptedKeys::on_press = nullptr;
}

// The player's real death sequence, hit until its health is gone.
void kill_player_when_vulnerable(int)
{
    if (player->is_active() && !player->is_stunned() && player->get_hp() > 0)
        player->hit();
}

TEST_F(GameLoop, DeathFadeGivesDeadWhileLivesRemain)
{
    player_lives = 3;
    EXPECT_EQ(run(1, kill_player_when_vulnerable), GAME_DEAD);
    EXPECT_EQ(player_lives, 2);
    EXPECT_EQ(create_count, 0);
}

TEST_F(GameLoop, DeathFadeGivesGameOverOnTheLastLife)
{
    player_lives = 1;
    EXPECT_EQ(run(1, kill_player_when_vulnerable), GAME_OVER);
    EXPECT_EQ(player_lives, 0);
}

TEST_F(GameLoop, EscapeInDebugModeQuitsAfterThePauseMenu)
{
    int pause_frames = 0;
    probe->on_draw = [&]() {
        if (!probe->in_pause_menu())
            return;
        // Menu frames: everything released, then ENTER (go on).
        const int f = pause_frames++;
        key[KEY_ESC] = 0;
        key[KEY_ENTER] = f >= 1;
    };
    const int result = run(1, [](int t) {
        if (t == 100)
            key[KEY_ESC] = 1;
    });
    EXPECT_EQ(result, GAME_QUIT);
    EXPECT_GE(pause_frames, 2);
    EXPECT_GT(states.rbegin()->first, 100);
    EXPECT_EQ(states.rbegin()->first, fpscounter);  // the attempt ended in the pass that read ESC
}

TEST_F(GameLoop, PauseOpensOncePerPressAndQuitChoiceEnds)
{
    debug = false;
    ScriptedKeys::press_at_tick = 1;
    int openings = 0;
    int quit_tick = 0;
    probe->on_draw = [&]() {
        if (!probe->in_pause_menu())
            return;
        const int f = probe->draws_since_tick - 2;
        if (f == 0)
            ++openings;
        key[KEY_ENTER] = key[KEY_DOWN] = 0;
        if (openings == 1 && f == 1)
            key[KEY_ENTER] = 1;  // go on
        if (openings == 2 && f == 1)
            key[KEY_DOWN] = 1;  // to "quit"
        if (openings == 2 && f == 3)
            key[KEY_ENTER] = 1;
    };
    const int result = run(1, [&](int t) {
        key[KEY_ENTER] = 0;
        if (t == 100)
            key[KEY_ESC] = 1;  // held for 50 ticks: opens once
        if (t == 150)
            key[KEY_ESC] = 0;
        if (t == 160)
            key[KEY_ESC] = 1;
        quit_tick = t;
    });
    EXPECT_EQ(openings, 2);
    EXPECT_EQ(result, GAME_QUIT);
    EXPECT_GT(quit_tick, 160);
    EXPECT_GT(ScriptedKeys::screens, 0);  // the briefing ran outside debug mode
}

TEST_F(GameLoop, FpsKeyTogglesOncePerPress)
{
    // ticks whose input sees F down (keys set at tick t are read at t + 1)
    std::map<int, bool> shown;
    run(1, [&](int t) {
        shown[t] = show_fps;
        key[KEY_F] = (t >= 10 && t < 20) || (t >= 25 && t < 27) || t == 30;
        if (t == 40)
            game_go = GAME_QUIT;
    });
    EXPECT_TRUE(shown[10]);   // debug mode starts with the display on
    EXPECT_FALSE(shown[11]);  // first press
    EXPECT_FALSE(shown[20]);  // held: no further toggles
    EXPECT_TRUE(shown[26]);   // second press
    EXPECT_TRUE(shown[30]);
    EXPECT_FALSE(shown[31]);  // third press
}

TEST_F(GameLoop, VolumeKeysSlideAndShowTheBar)
{
    std::map<int, int> volume;
    std::map<int, std::string> bar;
    run(1, [&](int t) {
        volume[t] = songbox->get_volume();
        bar[t] = screen_msg_buf;
        key[KEY_PGUP] = t >= 10 && t < 60;
        key[KEY_PGDN] = t >= 100 && t < 110;
        if (t == 120)
            game_go = GAME_QUIT;
    });
    EXPECT_EQ(volume[10], 192);
    EXPECT_EQ(volume[11], 194);
    EXPECT_EQ(volume[42], 255);  // capped at full
    EXPECT_EQ(volume[60], 255);
    EXPECT_EQ(volume[110], 235);
    EXPECT_EQ(bar[11], "Music Volume [+++++++++++===]");
    EXPECT_EQ(bar[60], "Music Volume [++++++++++++++]");
}

TEST_F(GameLoop, MessageRisesStaysAndSinks)
{
    const int h = text_height(mainfont);
    const int duration = 100;
    std::map<int, int> y;
    std::map<int, int> counter;
    run(1, [&](int t) {
        y[t] = screen_msg_y;
        counter[t] = screen_msg_counter;
        if (t == 60)
            save_shot(buffer, "message");
        if (t == 10)
            screen_message("Watch out", duration);
        if (t == 200)
            game_go = GAME_QUIT;
    });
    EXPECT_EQ(y[10], 480 + h);
    EXPECT_EQ(y[11], 480 + h - 4);
    const int top = 475 - h;
    int rise_ticks = 0;
    for (int t = 11; y[t] > top; ++t)
        ++rise_ticks;
    EXPECT_EQ(rise_ticks, (480 + h - top + 3) / 4 - 1);
    // It stays up until its last h + 4 ticks, then sinks a pixel a tick.
    const int last = 10 + duration;
    EXPECT_EQ(y[last - (h + 4)], top);
    for (int t = last - (h + 3); t <= last; ++t)
        EXPECT_EQ(y[t], y[t - 1] + 1) << "tick " << t;
    EXPECT_EQ(counter[last], 0);
    EXPECT_EQ(y[last + 10], y[last]);
}

TEST_F(GameLoop, ScreenFadeDarkensFrameButNotFpsText)
{
    int checked = 0;
    run(1, [&](int t) {
        if (t == 100) {
            d_screen_a = -1;
            pending_game_go = GAME_QUIT;
        }
        if (t == 300) {
            // screen_a is 55: the floor is darkened, the fps text on top is not.
            draw_screen(true);
            int bright_text = 0;
            const int fh = text_height(mainfont);
            for (int yy = 480 - fh; yy < 480; ++yy)
                for (int xx = 540; xx < 640; ++xx) {
                    const int c = getpixel(buffer, xx, yy);
                    if (getr32(c) + getg32(c) + getb32(c) > 3 * 200)
                        ++bright_text;
                }
            int bright_floor = 0;
            for (int xx = 0; xx < 640; ++xx) {
                const int c = getpixel(buffer, xx, 240);
                if (getr32(c) > 60 || getg32(c) > 60 || getb32(c) > 60)
                    ++bright_floor;
            }
            EXPECT_GT(bright_text, 0);
            EXPECT_EQ(bright_floor, 0);
            ++checked;
        }
    });
    EXPECT_EQ(checked, 1);
}

TEST_F(GameLoop, AnObjectAddedDuringTheWalkTakesItsFirstStepInTheSameTick)
{
    std::vector<int> child_ticks;
    run(1, [&](int t) {
        if (t == 50) {
            PROBE* child = new PROBE();  // as a shot or a spit is added by its maker
            child->on_tick = [&](int ct) { child_ticks.push_back(ct); };
            objects.push_back(child);
        }
        if (t == 52)
            game_go = GAME_QUIT;
    });
    EXPECT_EQ(child_ticks, (std::vector<int> {50, 51, 52}));
}

}  // namespace
