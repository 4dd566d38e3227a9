// A quit requested from outside (a signal) ends every screen loop and every
// wait at once, as the player's own quit there would; the signal handler
// raises the request and a second signal ends the program on the spot.
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "quit_request.h"
#include "test_game_probe.h"
#include "test_menu_support.h"
#include "pacing.h"
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

// Runs `loop`; a loop that has not returned long after the request (it
// returns at once) waits for input that never comes, and the test program
// ends with a failure.
const int QUIT_CEILING_S = 30;
template <class Loop> void returns(const char* what, Loop loop)
{
    std::atomic<bool> done {false};
    const int ceiling_s = QUIT_CEILING_S * test_patience();
    std::thread watchdog([&] {
        for (int i = 0; i < ceiling_s * 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done) {
            std::fprintf(stderr, "FAIL: %s still waits %d s after a quit request\n", what, ceiling_s);
            std::_Exit(1);
        }
    });
    loop();
    done = true;
    watchdog.join();
}

class QuitRequest : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        ASSERT_TRUE(game_test_init());
        // No key and no button ever arrives: only the request can end a wait.
        install_keyboard_hooks([] { return 0; },
            [] {
                for (;;)
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                return 0;
            });
        request_quit();
    }
    void TearDown() override
    {
        cancel_quit_request();
        install_keyboard_hooks(ScriptedKeys::keypressed_hook, ScriptedKeys::readkey_hook);
        no_mp3 = false;
        FrontendTest::TearDown();
    }
};

TEST_F(QuitRequest, IntroTitleBriefingAndGameOverEndBeforeTheirFirstTick)
{
    returns("the intro", [] { intros(); });
    EXPECT_EQ(intro_phase, INTRO_DONE);
    EXPECT_LE(fpscounter, 0) << "intro ticks run";

    title_song = 1;
    returns("the title", [] { EXPECT_EQ(title_screen(), MENU_QUIT); });
    EXPECT_EQ(title_song, 1) << "a title never shown keeps the next title song";

    fpscounter = -1;
    returns("the briefing", [] { level_brief(3); });
    EXPECT_LE(fpscounter, 0) << "briefing ticks run";

    fpscounter = -1;
    returns("the game-over screen", [] { game_over(); });
    EXPECT_LE(fpscounter, 0) << "game-over ticks run";
}

TEST_F(QuitRequest, LevelEndsAsIfQuitFromThePauseMenu)
{
    debug = true;  // no briefing: the level's own loop is what is tested
    returns("the level", [] { EXPECT_EQ(run_game(2), GAME_QUIT); });
    EXPECT_EQ(fpscounter, 1) << "the attempt ends after the tick that saw the request";
    EXPECT_TRUE(objects.empty());

    returns("the pause menu", [] { EXPECT_FALSE(do_pausemenu([](bool) {})) << "quit chosen"; });
}

TEST_F(QuitRequest, RemappingKeepsTheWholeOldMappingWhenCutShort)
{
    // The first control gets button 5, then the request arrives while the
    // game waits for the button of the second.
    cancel_quit_request();
    int polls = 0;
    script_polls(
        [&] {
            ++polls;
            set_buttons({});
            if (polls == 3)
                set_buttons({5});
            if (polls == 10)
                request_quit();
        },
        true);
    returns("the remapping", [] { change_controls(); });
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], default_joystick_controls[i]) << control_labels[i];

    // Already requested: nothing is asked and nothing changes.
    returns("the remapping", [] { change_controls(); });
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], default_joystick_controls[i]) << control_labels[i];
}

TEST_F(QuitRequest, EndingAndItsSkipNoticeEnd)
{
    FILE* times = std::fopen("data/endingtimes.txt", "r");
    DATAFILE* pictures = load_datafile("data/ending.dat");
    ASSERT_NE(pictures, nullptr) << "build the ending data first";
    set_config_data("", 0);  // the ending's mark goes nowhere
    fpscounter = -1;
    returns("the musical ending", [&] { run_musical_ending(times, pictures, ENDING_MAX_TICKS); });
    EXPECT_LE(fpscounter, 0) << "ending ticks run";
    unload_datafile(pictures);
    if (times)
        std::fclose(times);

    no_mp3 = true;
    returns("the notice that the ending is skipped", [] { stupid_ending(); });
}

// Death-test children start from the quit signals' defaults, whatever the
// test run was started with.
void default_quit_signals()
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        signal(sig, SIG_DFL);
}

// Waits for a signal that ends the process; exit code 3 if none does.
[[noreturn]] void wait_to_be_ended()
{
    for (int i = 0; i < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    _exit(3);
}

TEST(QuitSignals, FirstSignalRequestsAQuitASecondEndsAtOnce)
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EXIT(
            {
                default_quit_signals();
                install_quit_signals();
                raise(sig);
                if (!quit_requested())
                    _exit(3);
                raise(SIGTERM);
                _exit(4);
            },
            ::testing::ExitedWithCode(128 + SIGTERM), "")
            << "first signal " << sig;
    }
}

// Two times when no flag is looked at, so a signal sent to the process ends
// it at once: start-up, which may be stuck (a display that does not answer, a
// FIFO for a file), and the time after a fatal error (its message box).
TEST(QuitSignals, DuringStartUpAndAfterAFatalErrorASignalEndsAtOnce)
{
    const struct {
        const char* when;
        bool after_fatal_error;
    } times[] = {{"during start-up", false}, {"after a fatal error", true}};
    for (const auto& t : times) {
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
            EXPECT_EXIT(
                {
                    default_quit_signals();
                    quit_signals_startup_begin();
                    if (t.after_fatal_error) {
                        quit_signals_startup_end();
                        quit_signals_end_at_once();
                    }
                    kill(getpid(), sig);
                    wait_to_be_ended();
                },
                ::testing::ExitedWithCode(128 + sig), "")
                << t.when << ", signal " << sig;
        }
    }
}

// The library replaces handlers while it starts (as Allegro's own SIGINT and
// SIGTERM handlers do): an "ignore" the game was started with is still kept,
// in start-up and after it, while the other quit signals still quit.
void library_handler(int)
{
    _exit(5);
}

TEST(QuitSignals, AnInheritedIgnoreIsKept)
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        EXPECT_EXIT(
            {
                default_quit_signals();
                signal(sig, SIG_IGN);
                quit_signals_startup_begin();
                kill(getpid(), sig);
                signal(SIGINT, library_handler);
                signal(SIGTERM, library_handler);
                quit_signals_startup_end();
                kill(getpid(), sig);
                if (quit_requested())
                    _exit(4);
                raise(sig == SIGINT ? SIGTERM : SIGINT);
                _exit(quit_requested() ? 0 : 6);
            },
            ::testing::ExitedWithCode(0), "")
            << "signal " << sig;
    }
}

// Once start-up has ended nothing ends the game at once on a first signal,
// even one that arrives while the main thread holds it back for a moment: it
// waits for the main thread and becomes a quit request.
TEST(QuitSignals, AfterStartUpASignalHeldBackIsARequest)
{
    EXPECT_EXIT(
        {
            default_quit_signals();
            quit_signals_startup_begin();
            quit_signals_startup_end();
            sigset_t term;
            sigemptyset(&term);
            sigaddset(&term, SIGTERM);
            pthread_sigmask(SIG_BLOCK, &term, nullptr);
            kill(getpid(), SIGTERM);
            // Time for any other thread that would take it.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            pthread_sigmask(SIG_UNBLOCK, &term, nullptr);
            _exit(quit_requested() ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
