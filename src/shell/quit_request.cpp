// Quit requests from signals: a lock-free flag that the handler raises and the
// screen loops read.
#include "quit_request.h"
#include <atomic>
#include <csignal>
#include <pthread.h>
#include <unistd.h>

static std::atomic<bool> quit_flag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

static const int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
static const int SIGNAL_EXIT_BASE = 128;   // the shell's exit code for "ended by signal n"

static void on_quit_signal(int sig)
{
    // The first signal asks for an orderly quit; one more while that is under
    // way (a stuck shutdown, an impatient player) ends the program now.
    if (quit_flag.exchange(true))
        _exit(SIGNAL_EXIT_BASE + sig);
}

void install_quit_signals()
{
    struct sigaction sa = {};
    sa.sa_handler = on_quit_signal;
    sigemptyset(&sa.sa_mask);
    for (int sig : QUIT_SIGNALS)
        sigaddset(&sa.sa_mask, sig);
    // Interrupted reads and writes (the X connection, the log) carry on.
    sa.sa_flags = SA_RESTART;
    for (int sig : QUIT_SIGNALS)
        sigaction(sig, &sa, nullptr);
}

void ignore_write_signals()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGXFSZ, &ignore, nullptr);
}

static void change_quit_signal_mask(int how)
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : QUIT_SIGNALS)
        sigaddset(&set, sig);
    pthread_sigmask(how, &set, nullptr);
}

void quit_signals_block() { change_quit_signal_mask(SIG_BLOCK); }
void quit_signals_unblock() { change_quit_signal_mask(SIG_UNBLOCK); }

bool quit_requested() { return quit_flag.load(); }
void request_quit() { quit_flag = true; }
void cancel_quit_request() { quit_flag = false; }
