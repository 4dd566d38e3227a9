// Requests to end the game that come from outside it: Ctrl+C, a closed
// terminal or a session ending (SIGINT, SIGHUP, SIGTERM). Every screen loop
// treats a request like the player quitting, so the settings are stored and
// the program exits with 0.
#pragma once

// Installs the handlers of SIGINT, SIGTERM and SIGHUP. A handler only raises
// the request; a second signal once the request is up ends the program at
// once (exit code 128 + the signal's number), without waiting for shutdown.
void install_quit_signals();

// Ignores SIGPIPE and SIGXFSZ: a write to a closed pipe (`vorlin | head -1`)
// or past a file size limit fails with an error the writer handles instead of
// killing the game.
void ignore_write_signals();

// Keeps SIGINT, SIGTERM and SIGHUP away from the calling thread and from every
// thread it starts until quit_signals_unblock: called before the library
// starts its threads, so a signal is only ever handled on the main thread.
// A signal sent meanwhile waits and is handled at the unblock.
void quit_signals_block();
void quit_signals_unblock();

// True once a quit has been requested. Every screen loop and every wait for
// a key or a button checks it and returns as if the player had quit there.
bool quit_requested();
// Raises the request (the signal handler's only action).
void request_quit();
// Lowers it again; for tests that run several loops in one process.
void cancel_quit_request();
