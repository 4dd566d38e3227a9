// The game's library started without a display, for the tests and for the
// tools that play the game headless: the colour layout the game gets under X,
// memory bitmaps for the back buffer and the screen, the data archive loaded
// as start-up loads it, and screen loops that run without a timer.
#pragma once
#include <allegro.h>

// Starts the library headless (SYSTEM_NONE) once per process, sets the pixel
// layout the game gets under X (32-bit r16 g8 b0, 16-bit r11 g5 b0, 15-bit
// r10 g5 b0), the colour depth `depth`, a cleared 640x480 back buffer, a
// screen of the same size and free-running pacing. Safe to call again with
// another depth (the bitmaps are remade). False if the library cannot start.
bool headless_init(int depth = 32);
// Loads data/vorlin.dat (relative to the working directory, as the game does)
// into `data`, converted to the current depth and checked as start-up checks
// it, with mainfont and the palette; an archive loaded before is unloaded
// first. Returns false if it cannot.
bool headless_load_data();
// Sets the pixel shifts of the X colour layout explicitly.
void set_x_pixel_layout();
// Scripted keyboard for the screens that wait for a key (briefing, game
// over): keypressed() turns true when the screen's own clock (fpscounter, from
// 0) reaches `tick`, and readkey() takes the key.
void headless_press_keys_at(int tick);
