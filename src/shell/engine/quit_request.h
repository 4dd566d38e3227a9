// Requests to end the game that come from outside it: Ctrl+C, a closed
// terminal or a session ending (SIGINT, SIGHUP, SIGTERM). Every screen loop
// treats a request like the player quitting, so the settings are stored and
// the program exits with 0. Before the game runs (start-up) and after a fatal
// error there is nothing to store: a signal then ends the program at once.
// A signal that the game was started with ignored (`nohup`, a background job)
// stays ignored throughout.
#pragma once

// Window close hook (runs on the window thread): only raises a request that the
// level loop turns into its on-screen message.
void window_close();
// True once per click of the window's close button since the last call.
bool take_window_close_request();

// Called first in start-up, before the library starts any thread. Notes which
// quit signals were inherited ignored, blocks the others in the calling thread
// (so every thread started from now on starts with them blocked, and only the
// main thread ever handles one later) and starts a watcher thread that ends the
// program at once (exit code 128 + the signal's number) when one arrives, so
// that a start-up stuck in the library or in a file stays interruptible.
// Processes the game starts (the fatal error's message box) never inherit the
// blocked signals.
void quit_signals_startup_begin();
// At the end of start-up: stops the watcher, installs the handlers (see
// install_quit_signals) and unblocks. A signal sent meanwhile is not lost: it
// becomes a quit request.
void quit_signals_startup_end();

// Installs the handlers of the quit signals that were not inherited ignored
// (ignored ones are ignored again: the library replaces that on its start). A
// handler only raises the request; a second signal once the request is up
// ends the program at once (exit code 128 + the signal's number), without
// waiting for shutdown.
void install_quit_signals();

// For the fatal-error exit: from now on a quit signal ends the program at
// once, and any process it starts from now on (the message box) ends with it.
void quit_signals_end_at_once();

// Ignores SIGPIPE and SIGXFSZ: a write to a closed pipe (`vorlin | head -1`)
// or past a file size limit fails with an error the writer handles instead of
// killing the game.
void ignore_write_signals();

// True once a quit has been requested. Every screen loop and every wait for
// a key or a button checks it and returns as if the player had quit there.
bool quit_requested();
// Raises the request (the signal handler's only action).
void request_quit();
// Lowers it again; for tests that run several loops in one process.
void cancel_quit_request();
