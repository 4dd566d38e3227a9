// Whole-multiple enlargement with sharp pixels, for presenting the 640x480 picture on large
// windows and screens.
#pragma once

#include <allegro.h>

// Copies the w x h area at (sx, sy) of `src` to `dst` with its top-left at (dx, dy), every
// source pixel becoming a k x k block of exactly its value (k >= 1). Both bitmaps have the same
// depth, 8, 15, 16, 24 or 32 bits; `dst` is written through its line pointers, so it is a
// memory bitmap or a screen whose lines are plain memory. The source area is first clipped to
// `src`; if the enlarged area then does not lie wholly inside `dst`, or the depths differ,
// nothing is drawn. `stream` says that the processor will not read the result soon (a screen
// that the display reads): it is then stored past the cache where the processor allows.
void scale_blit(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int k, bool stream = false);
