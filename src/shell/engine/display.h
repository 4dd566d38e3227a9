// The game's screen: opening the window or full screen at a size that suits
// the desktop, presenting the composed 640x480 picture on it enlarged by a
// whole multiple with sharp pixels, the window's identity (icon and class) and
// the news that it lost the input focus.
#pragma once
#include <allegro.h>

// Whole multiples the player may ask for with "-scale" or the settings key
// "scale"; 0 asks for the automatic choice.
const int SCALE_AUTOMATIC = 0;
const int MAX_SCALE = 8;

// Room a window leaves on the desktop for panels, borders and its title bar.
const int WINDOW_ROOM_W = 32;
const int WINDOW_ROOM_H = 80;

// "-scale" from the command line: -1 when not given, else 0..MAX_SCALE (a
// value out of that range reads as 0). It applies to this run only.
extern int scale_option;
// The remembered choice (settings "misc" / "scale"), 0..MAX_SCALE: what the
// settings file held, written back unchanged by a run with "-scale".
extern int scale_setting;
// The scale this run asks for: "-scale" when given, else the remembered one.
int scale_of_this_run();

// How the picture fills a screen larger than it: the largest whole multiple
// (every pixel an exact block), or the largest size of its shape that fits
// (smooth: enlarged by a whole multiple, then reduced); automatically, fill
// where the whole multiple would leave more than a third of the height empty.
const int SCALE_MODE_AUTOMATIC = 0;
const int SCALE_MODE_WHOLE = 1;
const int SCALE_MODE_FILL = 2;
const int SCALE_MODE_COUNT = 3;
// The scaling mode from the command line ("-scalemode whole|fill|auto"), -1
// when not given; it applies to this run only. The remembered one (settings
// "misc" / "scalemode").
extern int scale_mode_option;
extern int scale_mode_setting;
int scale_mode_of_this_run();
// The option's word for a mode, and the mode of a word (-1 for none).
const char* scale_mode_name(int mode);
int scale_mode_named(const char* word);

// Where the picture lands on the screen: a screen of screen_w x screen_h
// showing the picture as w x h at (x, y); `scale` is the whole multiple, or 0
// when the picture is shrunk to fit a screen smaller than it. A smooth layout
// fills w x h by enlarging the picture `scale` times and reducing it.
struct DISPLAY_LAYOUT {
    int screen_w, screen_h;
    int x, y, w, h;
    int scale;
    bool smooth = false;
};

// The window's multiple on a desktop of desk_w x desk_h: `wanted` (1..MAX_SCALE)
// if the window fits the desktop at all, else the largest multiple that fits
// with WINDOW_ROOM_* to spare (at least 1). A desktop size of 0 or less
// (unknown) gives `wanted`, or 1 when it is automatic.
int window_scale(int desk_w, int desk_h, int wanted);
// Full screen at the desktop's own size: the picture at `wanted` if that fits,
// else at the largest whole multiple that fits, centred; on a desktop smaller
// than the picture, the largest scale that keeps its shape (scale 0).
DISPLAY_LAYOUT fullscreen_layout(int desk_w, int desk_h, int wanted);
// A screen (or the part of a window shown) of w x h in scaling mode `mode`:
// the whole-multiple layout of fullscreen_layout, or the smooth fill of the
// largest size of the picture's shape, centred. Automatic fills only when no
// multiple is wanted and the whole multiple leaves more than a third of the
// height empty.
DISPLAY_LAYOUT shown_layout(int w, int h, int wanted, int mode);
// The window at multiple k: the screen is exactly the picture.
DISPLAY_LAYOUT window_layout(int k);

// Opens the screen in the colour depth already set. Under a window manager
// that offers full screen: a window of the desktop's size (the library
// cannot grow its screen once open) that the manager either shows full
// screen (no keyboard or pointer held) or sizes from 640x480 up to the
// desktop, starting at window_scale of it; the picture is laid out in the
// part of it shown (see present). Without one: windowed, a window at
// window_scale of the desktop; full screen, the library's own at the
// desktop's size (scale 1: 640x480 as it always did), never changing the
// monitor's mode; and if that is refused, a window (said on standard error
// once the window is open). Ends through quit_error with the library's
// reason when no screen opens at all (a colour depth it does not offer, for
// one).
void open_display();
// Window or full screen, remembered (settings "misc" / "window": 1 a window,
// 0 full screen); "-win" asks for a window for this run only.
extern int window_setting;
// The display's keys, handled wherever a frame is shown and never seen by the
// screens: Alt+Enter and F11 switch between window and full screen, this one
// cycles the scaling mode.
const int DISPLAY_SCALE_MODE_KEY = KEY_F10;
// Switches between window and full screen (remembered): under a window
// manager by asking it, else by opening the screen again as open_display
// does. The picture is shown again at the next frame.
void display_switch_window_and_full_screen();
// The library's keyboard callbacks that take the display's keys (on its
// keyboard thread): the key array's, and the key buffer's.
void display_key_seen(int scancode);
int display_key_buffered(int key);
// The scaling mode the player chose in the game: the next one, remembered
// (over a "-scalemode" of this run); an open screen shows it at once.
void display_next_scale_mode();
// Makes `screen` and the layout describe a bitmap of the caller's (headless
// tests point `screen` at a memory bitmap): the picture lands at (x, y) of it
// at multiple k.
void display_use_bitmap(int x, int y, int k);

// Shows the whole 640x480 picture on the screen. Each frame shown (here or by
// present_window) also answers the desktop's ping, if one came, and lays the
// picture out again, on black, when the window manager has given the window
// another size.
void present(BITMAP* picture);
// Shows only the part of the picture from (x1, y1) to (x2, y2), inclusive, in
// picture coordinates, leaving the rest of the screen as it was: one copy
// through a window, as the opening zoom of a level needs.
void present_window(BITMAP* picture, int x1, int y1, int x2, int y2);

// The library's display-switch callback for the window losing the input
// focus; runs on the library's window thread and only raises the notice.
void display_switched_out();
// True once for each time the game's window lost the input focus since the
// last call (the notice above, handed over to the main thread).
bool take_focus_lost();
