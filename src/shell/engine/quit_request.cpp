// Quit requests from signals: a lock-free flag that the handler raises and the
// screen loops read, and the ending at once before start-up is over or after a
// fatal error; the window's close button, which only raises a request.
#include "quit_request.h"
#include <allegro.h>
#include <atomic>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

static std::atomic<bool> quit_flag {false};
static std::atomic<bool> end_at_once {false};
static std::atomic<bool> startup_over {false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

static const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
static const int SIGNAL_EXIT_BASE = 128;  // the shell's exit code for "ended by signal n"
// How often the start-up watcher looks whether start-up is over; it bounds
// how long the end of start-up waits for the watcher to stop.
static const long STARTUP_WATCH_PERIOD_NS = 20 * 1000 * 1000;

static pthread_t startup_watcher;
static bool startup_watcher_running = false;
static pid_t game_pid = 0;

// The quit signals the game was started with ignored, read before anything
// (the library included) replaced a handler.
static sigset_t& inherited_ignored()
{
    static sigset_t set = [] {
        sigset_t s;
        sigemptyset(&s);
        return s;
    }();
    return set;
}

static void note_inherited_dispositions()
{
    sigemptyset(&inherited_ignored());
    for (int sig : QUIT_SIGNALS) {
        struct sigaction old = {};
        if (sigaction(sig, nullptr, &old) == 0 && !(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_IGN)
            sigaddset(&inherited_ignored(), sig);
    }
}

static sigset_t make_quit_signal_set(bool with_ignored)
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : QUIT_SIGNALS)
        if (with_ignored || !sigismember(&inherited_ignored(), sig))
            sigaddset(&set, sig);
    return set;
}

[[noreturn]] static void end_now(int sig)
{
    _exit(SIGNAL_EXIT_BASE + sig);
}

static void on_quit_signal(int sig)
{
    // The first signal asks for an orderly quit; one more while that is under
    // way (a stuck shutdown, an impatient player) ends the program now.
    if (end_at_once.load() || quit_flag.exchange(true))
        end_now(sig);
}

void install_quit_signals()
{
    struct sigaction handle = {};
    handle.sa_handler = on_quit_signal;
    handle.sa_mask = make_quit_signal_set(true);
    // Interrupted reads and writes (the X connection, the log) carry on.
    handle.sa_flags = SA_RESTART;
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int sig : QUIT_SIGNALS)
        sigaction(sig, sigismember(&inherited_ignored(), sig) ? &ignore : &handle, nullptr);
}

// Start-up can stall inside the library or in a file (a display that does not
// answer, a FIFO where a file should be), where no flag is ever looked at.
// Nothing has been changed yet that could be stored, so the watcher simply
// ends the program.
static void* watch_startup(void*)
{
    const sigset_t set = make_quit_signal_set(false);
    const struct timespec period = {0, STARTUP_WATCH_PERIOD_NS};
    while (!startup_over.load()) {
        const int sig = sigtimedwait(&set, nullptr, &period);
        if (sig > 0)
            end_now(sig);
    }
    return nullptr;
}

// Runs in every process the game starts, between its fork and its exec: it
// must not keep the game's start-up mask (a message box deaf to Ctrl+C), and
// after a fatal error it ends when the game ends.
static void child_of_the_game()
{
    if (end_at_once.load()) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != game_pid)  // the game ended before the line above
            _exit(1);
    }
    const sigset_t set = make_quit_signal_set(true);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void quit_signals_startup_begin()
{
    note_inherited_dispositions();
    game_pid = getpid();
    static bool fork_hook_installed = false;
    if (!fork_hook_installed)
        fork_hook_installed = pthread_atfork(nullptr, nullptr, child_of_the_game) == 0;
    // Installed before the library too, which keeps the handlers it finds and
    // puts them back when it shuts down.
    install_quit_signals();
    // Ignored ones are blocked as well: the library replaces their "ignore"
    // with its own handler until the end of start-up puts it back.
    const sigset_t all = make_quit_signal_set(true);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    startup_over = false;
    startup_watcher_running = pthread_create(&startup_watcher, nullptr, watch_startup, nullptr) == 0;
}

void quit_signals_startup_end()
{
    startup_over = true;
    if (startup_watcher_running)
        pthread_join(startup_watcher, nullptr);
    startup_watcher_running = false;
    // The library installs its own handlers of SIGINT and SIGTERM, which end
    // the program from whatever it interrupts without storing the settings,
    // and which replace an inherited "ignore". A signal still pending is
    // handled (or, ignored, dropped) at the unblock.
    install_quit_signals();
    const sigset_t all = make_quit_signal_set(true);
    pthread_sigmask(SIG_UNBLOCK, &all, nullptr);
}

void quit_signals_end_at_once()
{
    end_at_once = true;
}

void ignore_write_signals()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

bool quit_requested()
{
    return quit_flag.load();
}
void request_quit()
{
    quit_flag = true;
}
void cancel_quit_request()
{
    quit_flag = false;
}

static std::atomic<bool> close_requested {false};

void window_close()
{
    close_requested = true;
}
END_OF_FUNCTION(window_close)

bool take_window_close_request()
{
    return close_requested.exchange(false);
}
