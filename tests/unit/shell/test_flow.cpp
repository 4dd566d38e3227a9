// The game's outer loop driven headless through run_flow, with the real intro,
// title, briefings, levels, pause menu, game-over screen and ending: a scripted
// player acts at every joystick poll and answers the "press any key" screens
// through the keyboard hooks, and a song box that writes its calls down shows
// which songs each screen asks for. Also: the settings file is written once,
// at shutdown.
#include "datidx.h"
#include "enemy.h"
#include "flow.h"
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "player.h"
#include "settings.h"
#include "test_menu_support.h"
#include "test_songbox_log.h"
#include "pacing.h"
#include "vorlin.h"
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

enum Outcome { CLEAR, DIE, QUIT };

const int INTRO_PRESS_TICK = 2;
const int INTERLUDE_PRESS_TICK = 25;  // after the game-over song's cue at brightness 60 (tick 20)
const int QUIT_TICK = 100;
const long MAX_POLLS = 200000;  // far more than any planned flow takes
const int MAX_UNPLANNED = 3;

// The scripted player: what it does on each title and in each level attempt,
// and what it has seen so far.
struct Script {
    std::deque<bool> titles;       // per title screen: start (true) or quit
    std::deque<Outcome> attempts;  // per level attempt
    bool start = false;
    Outcome outcome = QUIT;
    bool in_intro = false;
    bool moved_left = false;
    bool pausing = false;
    int pause_polls = 0;
    long polls = 0;
    int unplanned = 0;
    bool key_pending = false;  // the scripted keyboard holds a key
    int last_key_tick = -1;
};

Script script;
SONGBOX_LOG* box = nullptr;

// A flow that does not end as planned would run for ever: stop the program
// with what it did.
void give_up(const std::string& why)
{
    std::string seen;
    for (const std::string& c : runs_of(box->calls))
        seen += "  " + c + "\n";
    ADD_FAILURE() << why << "; calls and screens so far:\n" << seen;
    std::exit(1);
}

void unplanned(const std::string& what)
{
    box->mark("unplanned " + what);
    if (++script.unplanned > MAX_UNPLANNED)
        give_up("the flow went on past its plan");
}

// Title: start, or move to the quit item and choose it, once the menu is live.
void title_poll()
{
    if (fpscounter == 0) {
        box->mark("title");
        if (script.titles.empty()) {
            unplanned("title");
            script.start = false;
        } else {
            script.start = script.titles.front();
            script.titles.pop_front();
        }
        script.moved_left = false;
    }
    key[KEY_ENTER] = key[KEY_LEFT] = 0;
    if (!menu_ready || title_da != 0)
        return;
    if (script.start) {
        key[KEY_ENTER] = 1;
    } else if (menu_choice != 2) {
        key[KEY_LEFT] = !script.moved_left;  // from start, left wraps to quit
        script.moved_left = true;
    } else if (scroll_dx == 0) {
        key[KEY_ENTER] = 1;
    }
}

// Level: clear it (nothing more released, every enemy that can be shot hit
// each tick), lose the life, or quit through the pause menu.
void level_poll()
{
    if (script.pausing) {
        ++script.pause_polls;
        key[KEY_ESC] = 0;
        key[KEY_DOWN] = script.pause_polls == 1;
        key[KEY_ENTER] = script.pause_polls >= 3;
        return;
    }
    if (fpscounter == 0) {
        box->mark("level " + std::to_string(current_level) + " lives " + std::to_string(player->lives));
        if (script.attempts.empty()) {
            unplanned("attempt");
            script.outcome = QUIT;
        } else {
            script.outcome = script.attempts.front();
            script.attempts.pop_front();
        }
    }
    switch (script.outcome) {
    case CLEAR:
        if (game_started) {
            enemies_left = 0;
            for (ENEMY* e : enemies)
                if (e->is_active() && !e->is_unkillable() && e->hp > 0)
                    e->hit();
        }
        break;
    case DIE:
        if (player->is_active() && !player->is_stunned() && player->get_hp() > 0)
            player->hit();
        break;
    case QUIT:
        if (fpscounter == QUIT_TICK) {
            key[KEY_ESC] = 1;
            script.pausing = true;
            script.pause_polls = 0;
        }
        break;
    }
}

// The ending's notice, drawn straight on the screen, is still there when the
// intro that follows it first polls: every other screen ends faded to black.
bool notice_on_screen()
{
    const int y0 = 240, h = text_height(mainfont);
    for (int y = y0; y < y0 + h; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++)
            if (getpixel(screen, x, y) != 0)
                return true;
    return false;
}

void on_poll()
{
    if (++script.polls > MAX_POLLS)
        give_up("the flow did not end");
    if (intro_phase != INTRO_DONE) {
        if (!script.in_intro && notice_on_screen())
            box->mark("notice");
        if (!script.in_intro)
            box->mark("intro");
        script.in_intro = true;
        return;
    }
    script.in_intro = false;
    if (player) {
        level_poll();
        return;
    }
    script.pausing = false;
    key[KEY_ESC] = key[KEY_DOWN] = key[KEY_ENTER] = key[KEY_LEFT] = 0;
    if (title_go == -1)
        title_poll();
}

// The intro and the interludes (briefing, game over) wait for keypressed():
// a key arrives once the screen's clock reaches its press tick.
int scripted_keypressed()
{
    const bool intro = intro_phase != INTRO_DONE;
    if (!intro && !player && fpscounter == 0 && script.last_key_tick != 0)
        box->mark("interlude");
    const int press_tick = intro ? INTRO_PRESS_TICK : INTERLUDE_PRESS_TICK;
    if (fpscounter == press_tick && script.last_key_tick != press_tick)
        script.key_pending = true;
    script.last_key_tick = fpscounter;
    return script.key_pending;
}

// Emptying the key buffer reads the held key.
int scripted_readkey()
{
    script.key_pending = false;
    return 0;
}

class Flow : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        delete songbox;
        songbox = box = new SONGBOX_LOG();
        script = Script();
        script_polls(on_poll, false);
        install_keyboard_hooks(scripted_keypressed, scripted_readkey);
        reset_input_edges();
        no_mp3 = true;
        title_go = MENU_QUIT;
        intro_phase = INTRO_DONE;
        fpscounter = -1;
        srand(15);
    }
    void TearDown() override
    {
        delete songbox;
        songbox = box = nullptr;
        no_mp3 = true;
        player_lives = PLAYER_LIVES;
        FrontendTest::TearDown();
    }
    // The screens seen and the song box calls that choose, move, pause or stop songs.
    static std::vector<std::string> screens_and_songs()
    {
        std::vector<std::string> out;
        for (const std::string& c : box->calls)
            if (c.rfind("volume", 0) != 0 && c.rfind("slide", 0) != 0)
                out.push_back(c);
        return out;
    }
    // The song box calls alone, repeated ones counted.
    static std::vector<std::string> song_calls()
    {
        std::vector<std::string> out;
        for (const std::string& c : box->calls)
            if (c.rfind("> ", 0) != 0)
                out.push_back(c);
        return runs_of(out);
    }
};

struct FlowCase {
    const char* name;
    int start_level;
    int lives;       // player_lives as the program starts
    int title_song;  // from the settings
    std::deque<bool> titles;
    std::deque<Outcome> attempts;
    // Screens and song changes, in order. "> interlude" is a screen that waits
    // for any key: the briefing of each attempt, or the game-over screen.
    std::vector<std::string> expected;
};

TEST_F(Flow, TheOuterLoopPlaysTheScreensInTurn)
{
    const bool START = true, QUIT_TITLE = false;
    const FlowCase cases[] = {
        {"a lost life replays the level; a game over shows its screen, restores four "
         "lives and the next game starts from the start level after the intro",
            7, 1, 1, {START, START}, {CLEAR, DIE, DIE, QUIT},
            {"> intro", "play 1", "> title", "stop", "> interlude", "play 8", "> level 7 lives 1",
                "stop",  // cleared at full health: a life
                "> interlude", "play 9", "> level 8 lives 2", "stop", "> interlude", "play 9", "> level 8 lives 1",
                "stop", "> interlude", "play 10", "stop",  // game over
                "> intro", "play 0", "> title", "stop", "> interlude", "play 8", "> level 7 lives 4", "pause", "resume",
                "stop"}},
        {"clearing level 8 shows the ending, then the intro, and the next game starts "
         "from the start level with the lives left over",
            8, 4, 0, {START, START}, {CLEAR, QUIT},
            {"> intro", "play 0", "> title", "stop", "> interlude", "play 9", "> level 8 lives 4",
                "stop",  // cleared at full health: a life
                "> notice", "> intro", "play 1", "> title", "stop", "> interlude", "play 9", "> level 8 lives 5",
                "pause", "resume", "stop"}},
        {"quitting from the title ends the loop", 3, 4, 1, {QUIT_TITLE}, {}, {"> intro", "play 1", "> title", "stop"}},
    };
    for (const FlowCase& c : cases) {
        SCOPED_TRACE(c.name);
        box->calls.clear();
        script = Script();
        script.titles = c.titles;
        script.attempts = c.attempts;
        player_lives = c.lives;
        title_song = c.title_song;
        clear_to_color(screen, 0);
        run_flow(c.start_level);
        EXPECT_EQ(screens_and_songs(), c.expected);
        EXPECT_TRUE(script.titles.empty() && script.attempts.empty()) << "the plan was not played out";
        EXPECT_EQ(script.unplanned, 0);
        EXPECT_EQ(create_count, 0);
    }
}

// The settings file is written by the shutdown that follows the loop, and not
// before: watched by inotify in a child process that runs the flow and the
// real shutdown.
void flow_then_shutdown()
{
    char dir[] = "/tmp/vorlin-flow-XXXXXX";
    if (!mkdtemp(dir))
        std::exit(2);
    const std::string name = SETTINGS_FILE_NAME;
    const std::string path = std::string(dir) + "/" + name;
    open_settings_file(path);
    read_settings();
    const int watch = inotify_init1(IN_NONBLOCK);
    inotify_add_watch(watch, dir, IN_CLOSE_WRITE | IN_MOVED_TO);
    auto writes = [&] {
        alignas(inotify_event) char events[4096];
        int n = 0;
        ssize_t len;
        while ((len = read(watch, events, sizeof events)) > 0)
            for (char* p = events; p < events + len;) {
                const inotify_event* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len && name == e->name)
                    ++n;
                p += sizeof(inotify_event) + e->len;
            }
        return n;
    };

    title_song = 1;
    script.titles = {true};
    script.attempts = {QUIT};
    run_flow(2);
    const int during = writes();
    joystick_driver = nullptr;
    shutdown_engine();
    const int at_shutdown = writes();

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const bool next_song_saved = text.str().find("title_song = 0") != std::string::npos;
    std::remove(path.c_str());
    rmdir(dir);
    std::fprintf(stderr, "next title song saved: %s; written during the flow: %d, at shutdown: %d\n",
        next_song_saved ? "yes" : "no", during, at_shutdown);
    std::exit(0);
}

TEST_F(Flow, SettingsAreWrittenOnceAtShutdown)
{
    EXPECT_EXIT(flow_then_shutdown(), ::testing::ExitedWithCode(0),
        "next title song saved: yes; written during the flow: 0, at shutdown: 1");
}

// Which song each screen asks for, and how it handles the volume.
struct ScreenCalls {
    const char* screen;
    std::function<void()> run;
    std::vector<std::string> expected;  // song box calls, repeated ones counted
    bool polls_every_tick;
};

TEST_F(Flow, EachScreenAsksForItsSong)
{
    const ScreenCalls cases[] = {
        {"title with song 1 due: plays it, saves 0 for the next title, fades with the picture",
            [] {
                title_song = 1;
                script.titles = {true};
                title_screen();
                EXPECT_EQ(title_song, 0);
            },
            {"play 1", "volume -1", "slide -4 x64", "stop"}, true},
        {"title with song 0 due",
            [] {
                title_song = 0;
                script.titles = {true};
                title_screen();
                EXPECT_EQ(title_song, 1);
            },
            {"play 0", "volume -1", "slide -4 x64", "stop"}, true},
        {"level 1: its song from 6 s in; the music fades with the screen after the clear",
            [] {
                script.attempts = {CLEAR};
                EXPECT_EQ(run_game(1), GAME_NEXTLVL);
            },
            {"volume -1", "play 2", "seek 6000", "slide -1 x128", "stop"}, true},
        {"level 3: its song from the start; quit from the pause menu, the song pauses and resumes",
            [] {
                script.attempts = {QUIT};
                EXPECT_EQ(run_game(3), GAME_QUIT);
            },
            {"volume -1", "play 4", "pause", "resume", "stop"}, true},
        {"game over: its song at brightness 60, swelling by 3 and fading with the picture", [] { game_over(); },
            {"slide 3 x19", "play 10", "volume -1", "slide 3 x6", "slide -3 x26", "stop"}, true},
        {"ending with music: the ending song (ESC+F skips it)",
            [] {
                no_mp3 = false;
                box->on_call = [](const std::string& c) {
                    if (c == "play 11")
                        key[KEY_ESC] = key[KEY_F] = 1;
                };
                stupid_ending();
            },
            {"play 11", "stop"}, true},
        {"ending without music: the notice, no song", [] { stupid_ending(); }, {}, false},
        {"joystick remapping pauses the title's song",
            [] {
                script_polls(
                    [] {
                        if (poll_count % 2)
                            set_buttons({});
                        else
                            set_buttons({3});
                    },
                    true);
                change_controls();
            },
            {"pause", "resume"}, false},
    };
    for (const ScreenCalls& c : cases) {
        SCOPED_TRACE(c.screen);
        box->calls.clear();
        box->polls = 0;
        box->on_call = nullptr;
        script = Script();
        script_polls(on_poll, false);
        release_all_input();
        player_lives = PLAYER_LIVES;
        no_mp3 = true;
        fpscounter = -1;
        c.run();
        EXPECT_EQ(song_calls(), c.expected);
        if (c.polls_every_tick) {
            EXPECT_EQ(box->polls, fpscounter) << "one poll per tick";
        }
    }
}

}  // namespace
