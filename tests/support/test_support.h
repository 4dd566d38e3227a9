// Shared set-up for the tests: the library without a display, the X colour
// layout, a back buffer, the built archive, and loops that run without a timer.
#pragma once
#include <allegro.h>

// Starts the library headless (SYSTEM_NONE) once per process, sets the pixel
// layout the game gets under X (32-bit r16 g8 b0, 16-bit r11 g5 b0, 15-bit
// r10 g5 b0), the colour depth `depth`, a 640x480 back buffer and free-running
// pacing. Safe to call again with another depth (the buffer is remade).
void headless_init(int depth = 32);
// Loads build/data/vorlin.dat into `data` (converted to the current depth) with
// mainfont and the palette, as start-up does. Returns false if it cannot.
bool headless_load_data();
// Sets the pixel shifts of the X colour layout explicitly.
void set_x_pixel_layout();
