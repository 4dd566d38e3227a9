// Per-depth workers of the blending primitives and the clipping they share. Private to src/blend
// and its tests: the game calls only the primitives of fblend.h.
#pragma once

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include "fblend_kernels.h"
#include <algorithm>
#include <stdint.h>
#include <string.h>

// Clips the w x h area at (x, y) against a bw x bh bitmap, moving the source start (sx, sy)
// with the left and top edges. Returns false when nothing is left to draw. Sums are taken wide so
// that far-off coordinates cannot wrap around into the bitmap.
inline bool fblend_clip(int bw, int bh, int& x, int& y, int& w, int& h, int& sx, int& sy)
{
    long long left = x, top = y, width = w, height = h, src_x = sx, src_y = sy;
    if (left < 0) {
        width += left;
        src_x -= left;
        left = 0;
    }
    if (top < 0) {
        height += top;
        src_y -= top;
        top = 0;
    }
    if (left + width >= bw)
        width = bw - left;
    if (top + height >= bh)
        height = bh - top;
    if (width < 1 || height < 1)
        return false;
    x = static_cast<int>(left);
    y = static_cast<int>(top);
    w = static_cast<int>(width);
    h = static_cast<int>(height);
    sx = static_cast<int>(src_x);
    sy = static_cast<int>(src_y);
    return true;
}

// Workers take an area already clipped to the destination and a strength already on the
// depth's scale, and blend row by row between acquire_bitmap and release_bitmap.
// Rectangle fills: 15/16 bits f 1..31; 32 bits f = fact + 1, 2..255.
void fblend_rect_trans_15(BITMAP* dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_trans_16(BITMAP* dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_trans_32(BITMAP* dst, int x, int y, int w, int h, int color, int f);

// Sprite blits of the source area at (sx, sy) to (x, y): 15/16 bits f 1..31; 32 bits f = fact,
// 1..254, where 127 gives the exact average as 128 does.
void fblend_trans_15(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f);
void fblend_trans_16(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f);
void fblend_trans_32(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f);

// Additive fills: 15/16 bits f 1..32; 32 bits f = fact + 1, 2..256.
void fblend_rect_add_15(BITMAP* dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_add_16(BITMAP* dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_add_32(BITMAP* dst, int x, int y, int w, int h, int color, int f);

// 24-bit bitmaps hold the 32-bit layout without its top byte, so they take the 32-bit workers'
// strengths and give their pixels exactly: each row goes a stretch at a time through a 32-bit
// copy that the 32-bit kernels blend.
void fblend_rect_trans_24(BITMAP* dst, int x, int y, int w, int h, int color, int f);
void fblend_trans_24(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f);
void fblend_rect_add_24(BITMAP* dst, int x, int y, int w, int h, int color, int f);

// Address of pixel x of row y, through the bitmap's write bank.
template <class PIXEL> inline PIXEL* fblend_row(BITMAP* bmp, int y, int x)
{
    return reinterpret_cast<PIXEL*>(bmp_write_line(bmp, y)) + x;
}

// Address of pixel x of row y of a memory bitmap, through its line table.
template <class PIXEL> inline const PIXEL* fblend_src_row(BITMAP* bmp, int y, int x)
{
    return reinterpret_cast<const PIXEL*>(bmp->line[y]) + x;
}

// The caller's strength (0..255, anything above acting as 255) on the 15/16-bit scale, 0..32.
const int FBLEND_FACT_MAX = 255;
const int FBLEND_FACT_ROUND_5 = 7;
const int FBLEND_FACT_SHIFT_5 = 3;
inline int fblend_fact_5(int fact)
{
    return (std::min(fact, FBLEND_FACT_MAX) + FBLEND_FACT_ROUND_5) >> FBLEND_FACT_SHIFT_5;
}

// 15- and 16-bit bitmaps blend on the 32-step scale, 24- and 32-bit ones on the caller's own.
inline bool fblend_depth_1516(int depth)
{
    return depth == 15 || depth == 16;
}

// The caller's strength on the depth's scale, as every primitive reads it: 15/16 bits
// fblend_fact_5, 24/32 bits the strength itself up to FBLEND_FACT_MAX. 0 where nothing is drawn:
// a strength below 1, or a depth without workers.
inline int fblend_strength(int depth, int fact)
{
    if (fblend_depth_1516(depth))
        return std::max(fblend_fact_5(fact), 0);
    if ((depth == 24 || depth == 32) && fact >= 1)
        return std::min(fact, FBLEND_FACT_MAX);
    return 0;
}

// The rectangle fills' start: clips the area to dst and gives the strength at dst's depth, 0 where
// nothing is to be drawn.
inline int fblend_rect_strength(BITMAP* dst, int& x, int& y, int& w, int& h, int fact)
{
    int sx = 0, sy = 0;
    if (!fblend_clip(dst->w, dst->h, x, y, w, h, sx, sy))
        return 0;
    return fblend_strength(bitmap_color_depth(dst), fact);
}

// True when writing to the bitmap switches no banks: its write bank is the library's stub, which
// only returns the line table's entry, and letting go of a line does nothing. Memory bitmaps (the
// back buffer, sprites) are all like that.
inline bool fblend_plain_rows(BITMAP* bmp)
{
    return bmp->write_bank == reinterpret_cast<void*>(_stub_bank_switch) &&
        bmp->vtable->unwrite_bank == reinterpret_cast<void*>(_stub_unbank_switch);
}

// Runs row(pixel address, row index) over the h rows of the area, from the top, between
// acquire_bitmap and release_bitmap when `lock` is set. Rows come from bmp_write_line, and the
// bank is let go at the end, except on bitmaps whose bank calls are the stubs: there the line
// table gives the same addresses without a call per row.
template <class PIXEL, class ROW> inline void fblend_rows(BITMAP* dst, int x, int y, int h, bool lock, ROW row)
{
    if (lock)
        acquire_bitmap(dst);
    if (fblend_plain_rows(dst)) {
        for (int i = 0; i < h; i++)
            row(reinterpret_cast<PIXEL*>(dst->line[y + i]) + x, i);
    } else {
        for (int i = 0; i < h; i++)
            row(fblend_row<PIXEL>(dst, y + i, x), i);
        bmp_unwrite_line(dst);
    }
    if (lock)
        release_bitmap(dst);
}

// ---- 24-bit rows through the 32-bit kernels ----

// Pixels of a 24-bit row unpacked at a time: enough for whole vectors, small enough for the stack.
const int FBLEND_STRETCH_24 = 256;
const int FBLEND_BYTES_24 = 3;
const int FBLEND_BYTE_BITS = 8;

// A 24-bit pixel is three bytes, lowest first, as the library stores them on this machine. Four
// pixels are three 32-bit words, moved whole; a last stretch of fewer goes byte by byte.
const int FBLEND_QUAD_24 = 4;
const int FBLEND_QUAD_BYTES_24 = FBLEND_QUAD_24 * FBLEND_BYTES_24;
const uint32_t FBLEND_LOW_24 = 0xFFFFFF;

// Shifts of a pixel's second, third and fourth byte within a word.
const int FBLEND_BYTE1 = FBLEND_BYTE_BITS, FBLEND_BYTE2 = 2 * FBLEND_BYTE_BITS, FBLEND_BYTE3 = 3 * FBLEND_BYTE_BITS;
const uint32_t FBLEND_LOW_8 = 0xFF, FBLEND_LOW_16 = 0xFFFF;

inline void fblend_unpack_24(uint32_t* d, const uint8_t* s, int n)
{
    int i = 0;
    for (; i + FBLEND_QUAD_24 <= n; i += FBLEND_QUAD_24, s += FBLEND_QUAD_BYTES_24) {
        uint32_t w[FBLEND_BYTES_24];
        memcpy(w, s, sizeof w);
        d[i] = w[0] & FBLEND_LOW_24;
        d[i + 1] = ((w[0] >> FBLEND_BYTE3) | (w[1] << FBLEND_BYTE1)) & FBLEND_LOW_24;
        d[i + 2] = ((w[1] >> FBLEND_BYTE2) | (w[2] << FBLEND_BYTE2)) & FBLEND_LOW_24;
        d[i + 3] = w[2] >> FBLEND_BYTE1;
    }
    for (; i < n; i++, s += FBLEND_BYTES_24)
        d[i] = s[0] | (static_cast<uint32_t>(s[1]) << FBLEND_BYTE1) | (static_cast<uint32_t>(s[2]) << FBLEND_BYTE2);
}

// The top byte of each 32-bit pixel is dropped.
inline void fblend_pack_24(uint8_t* d, const uint32_t* s, int n)
{
    int i = 0;
    for (; i + FBLEND_QUAD_24 <= n; i += FBLEND_QUAD_24, d += FBLEND_QUAD_BYTES_24) {
        const uint32_t w[FBLEND_BYTES_24] = {(s[i] & FBLEND_LOW_24) | (s[i + 1] << FBLEND_BYTE3),
            ((s[i + 1] >> FBLEND_BYTE1) & FBLEND_LOW_16) | (s[i + 2] << FBLEND_BYTE2),
            ((s[i + 2] >> FBLEND_BYTE2) & FBLEND_LOW_8) | (s[i + 3] << FBLEND_BYTE1)};
        memcpy(d, w, sizeof w);
    }
    for (; i < n; i++, d += FBLEND_BYTES_24) {
        d[0] = static_cast<uint8_t>(s[i]);
        d[1] = static_cast<uint8_t>(s[i] >> FBLEND_BYTE1);
        d[2] = static_cast<uint8_t>(s[i] >> FBLEND_BYTE2);
    }
}

// Runs blend(pixels, count, offset) over the n pixels of a 24-bit row, a stretch at a time, on a
// 32-bit copy of the stretch (whose top bytes are 0) that is then written back. With `read`
// false the row is not read first: blend sets every pixel of the stretch.
template <class BLEND> inline void fblend_row_24(uint8_t* row, int n, bool read, BLEND blend)
{
    uint32_t px[FBLEND_STRETCH_24];
    for (int done = 0; done < n; done += FBLEND_STRETCH_24) {
        const int count = std::min(n - done, FBLEND_STRETCH_24);
        uint8_t* at = row + static_cast<size_t>(done) * FBLEND_BYTES_24;
        if (read)
            fblend_unpack_24(px, at, count);
        blend(px, count, done);
        fblend_pack_24(at, px, count);
    }
}

// ---- Rectangle fills through one kernel of the active set ----

// Runs `kernel` (rect_trans_15, rect_add_32, ...) of the active set with (color, f) over the h
// rows of the area, between acquire_bitmap and release_bitmap.
template <class PIXEL>
inline void fblend_rect_rows(BITMAP* dst, int x, int y, int w, int h, int color, int f,
    void (*fblend_kernels::*kernel)(PIXEL*, int, uint32_t, int))
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<PIXEL>(
        dst, x, y, h, true, [&](PIXEL* row, int) { (k->*kernel)(row, w, static_cast<uint32_t>(color), f); });
}

// The same over a 24-bit area with a 32-bit kernel.
inline void fblend_rect_rows_24(BITMAP* dst, int x, int y, int w, int h, int color, int f,
    void (*fblend_kernels::*kernel)(uint32_t*, int, uint32_t, int))
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint8_t>(dst, x * FBLEND_BYTES_24, y, h, true, [&](uint8_t* row, int) {
        fblend_row_24(
            row, w, true, [&](uint32_t* px, int n, int) { (k->*kernel)(px, n, static_cast<uint32_t>(color), f); });
    });
}
