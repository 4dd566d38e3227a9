// What the game asks of the X Window System directly, beyond the library's
// portable calls. Each function does nothing off X.
#pragma once

// The screen is the library's X11 window or X11 full screen.
bool x11_screen();
// Names the class ("vorlin", "Vorlin") of the library's X windows and hangs the
// game's icons on them (the EWMH list; the library gives each the XPM one);
// says which process on which machine owns them (_NET_WM_PID and
// WM_CLIENT_MACHINE) and gives the window title (set before) in UTF-8 as well
// (_NET_WM_NAME); takes part in the desktop's ping (_NET_WM_PING), answered
// by x11_answer_ping.
// Called before the screen opens, so that the window is named before it is
// shown, and again after, for a full-screen window made by the mode change.
void x11_set_window_identity();
// A window manager runs that shows a window full screen when asked to (it
// lists _NET_WM_STATE_FULLSCREEN among what it supports, and its check window
// is alive).
bool x11_window_manager_offers_full_screen();
// Asks the window manager to show the game's window full screen, or no longer
// to. Called before the window is shown (the state is set on it, read by the
// window manager when it takes the window) and again after (a request to the
// window manager for a window already shown).
void x11_ask_full_screen(bool full);
// Answers the desktop's ping, if one came since the last call. Called from
// the main thread once a frame, so that a game that hangs stops answering.
void x11_answer_ping();
// Lets the window manager size the game's window between min_w x min_h and
// max_w x max_h (the library fixes it at the mode's size) and asks for w x h.
void x11_let_window_resize(int w, int h, int min_w, int min_h, int max_w, int max_h);
// The size the game's window was last given (by the window manager or a
// resize request), as its configuration events tell; false before the first.
// Asks the server for the window's size, for the odd resize whose event the
// library read before the game could note it. A round trip: not every frame.
void x11_ask_shown_size();
bool x11_shown_size(int* w, int* h);
// Sends the area (x, y, w, h) of the screen, written directly into the
// screen's lines, to the X server in one request, as the library's own blit does.
void x11_update_area(int x, int y, int w, int h);
