// Fast translucent and additive drawing on 15-, 16-, 24- and 32-bit bitmaps, used by most of the game's drawing.
#pragma once

#include <allegro.h>

// Common contract of the three primitives:
// - `fact` is the strength, 0 (nothing) to 255 (full); below 0 acts as 0, above 255 as 255.
//   15/16-bit bitmaps blend in 32 steps ((fact + 7) >> 3), 24- and 32-bit ones in 256.
// - `color` is a pixel value in the destination's own format (as from makecol at that depth).
// - Rectangles are a top-left corner and a width and height (not a second corner). They are
//   clipped against the whole bitmap (its w and h); its clipping rectangle is not consulted.
//   Nothing that falls wholly off the bitmap is touched, and such a call does not lock it.
// - Only 15-, 16-, 24- and 32-bit bitmaps are drawn on; any other depth (8 bits) is left alone.
//   A 24-bit pixel comes out exactly as the same pixel would at 32 bits, less the top byte.
// - Blended 32-bit pixels come out with bits 24-31 cleared, blended 15-bit ones with bit 15 cleared.
// - The result does not depend on the library's drawing mode or blender.
// - Called from the drawing thread only; no allocation.

// Covers the w x h rectangle at (x, y) with `color` at strength `fact`:
// out = d*(1 - f) + color*f per channel, each term rounded down. Full strength fills solidly
// with `color` as given.
void fblend_rect_trans(BITMAP* dst, int x, int y, int w, int h, int color, int fact);

// Draws the whole of `src` with its top-left at (x, y) on `dst` at strength `fact`, leaving the
// destination alone under source pixels of the mask colour (0x7C1F at 15 bits, 0xF81F at 16,
// 0xFF00FF at 24 and 32, all 32 bits compared at 32). Full strength is a plain masked copy. Draws only when
// both bitmaps have the same depth; `src` must be a memory bitmap.
void fblend_trans(BITMAP* src, BITMAP* dst, int x, int y, int fact);

// Adds `color` scaled by `fact` to every pixel of the w x h rectangle at (x, y), each channel
// saturating at its maximum. At 16 bits green keeps only its top 5 bits (its lowest bit comes
// out 0), so white at full strength gives 0xFFDF.
void fblend_rect_add(BITMAP* dst, int x, int y, int w, int h, int color, int fact);
