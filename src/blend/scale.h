// Enlargement of the 640x480 picture for large windows and screens: whole multiples with sharp
// pixels, and the smooth fill of any larger size.
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

// Smooth fill. The multiple m by which a src_w x src_h picture is enlarged before it is reduced
// to w x h: the smallest whole one that covers both sides; 0 when w x h is not larger than the
// picture on both sides, or when its sides are so far from the picture's shape that a result
// pixel would span two enlarged ones or more.
int fill_multiple(int src_w, int src_h, int w, int h);
// Draws all of `src` at w x h with its top-left at (dx, dy) of `dst`: enlarged by
// fill_multiple (every pixel an exact m x m block) and then reduced to w x h by averaging the
// areas each result pixel covers, so edges stay sharp (at most one mixed pixel between two
// source pixels) and a still picture is drawn the same every time. Only the part of the result
// from (x1, y1) to (x2, y2) inclusive, in result coordinates, is written (clipped to the result).
// Both bitmaps have the same depth, 16 or 32 bits, and `dst`'s lines are plain memory. False,
// drawing nothing, when the depths, the size (fill_multiple 0) or a result not wholly inside
// `dst` forbid it.
bool fill_blit(BITMAP* src, BITMAP* dst, int dx, int dy, int w, int h, int x1, int y1, int x2, int y2);
