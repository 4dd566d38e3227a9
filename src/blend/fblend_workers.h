// Per-depth workers of the blending primitives and the clipping they share. Private to src/blend
// and its tests: the game calls only the primitives of fblend.h.
#ifndef VORLIN_FBLEND_WORKERS_H
#define VORLIN_FBLEND_WORKERS_H

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <algorithm>

// Clips the w x h area at (x, y) against a bw x bh bitmap, moving the source start (sx, sy)
// with the left and top edges. Returns false when nothing is left to draw. Sums are taken wide so
// that far-off coordinates cannot wrap around into the bitmap.
inline bool fblend_clip(int bw, int bh, int &x, int &y, int &w, int &h, int &sx, int &sy)
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
void fblend_rect_trans_15(BITMAP *dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_trans_16(BITMAP *dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_trans_32(BITMAP *dst, int x, int y, int w, int h, int color, int f);

// Sprite blits of the source area at (sx, sy) to (x, y): 15/16 bits f 1..31; 32 bits f = fact,
// 1..254, where 127 gives the exact average as 128 does.
void fblend_trans_15(BITMAP *src, BITMAP *dst, int sx, int sy, int x, int y, int w, int h, int f);
void fblend_trans_16(BITMAP *src, BITMAP *dst, int sx, int sy, int x, int y, int w, int h, int f);
void fblend_trans_32(BITMAP *src, BITMAP *dst, int sx, int sy, int x, int y, int w, int h, int f);

// Additive fills: 15/16 bits f 1..32; 32 bits f = fact + 1, 2..256.
void fblend_rect_add_15(BITMAP *dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_add_16(BITMAP *dst, int x, int y, int w, int h, int color, int f);
void fblend_rect_add_32(BITMAP *dst, int x, int y, int w, int h, int color, int f);

// Address of pixel x of row y, through the bitmap's write bank.
template <class PIXEL>
inline PIXEL *fblend_row(BITMAP *bmp, int y, int x)
{
    return reinterpret_cast<PIXEL *>(bmp_write_line(bmp, y)) + x;
}

// Address of pixel x of row y of a memory bitmap, through its line table.
template <class PIXEL>
inline const PIXEL *fblend_src_row(BITMAP *bmp, int y, int x)
{
    return reinterpret_cast<const PIXEL *>(bmp->line[y]) + x;
}

// The caller's strength (0..255, anything above acting as 255) on the 15/16-bit scale, 0..32.
const int FBLEND_FACT_MAX = 255;
const int FBLEND_FACT_ROUND_5 = 7;
const int FBLEND_FACT_SHIFT_5 = 3;
inline int fblend_fact_5(int fact)
{
    return (std::min(fact, FBLEND_FACT_MAX) + FBLEND_FACT_ROUND_5) >> FBLEND_FACT_SHIFT_5;
}

// True when writing to the bitmap switches no banks: its write bank is the library's stub, which
// only returns the line table's entry, and letting go of a line does nothing. Memory bitmaps (the
// back buffer, sprites) are all like that.
inline bool fblend_plain_rows(BITMAP *bmp)
{
    return bmp->write_bank == reinterpret_cast<void *>(_stub_bank_switch) &&
           bmp->vtable->unwrite_bank == reinterpret_cast<void *>(_stub_unbank_switch);
}

// Runs row(pixel address, row index) over the h rows of the area, from the top, between
// acquire_bitmap and release_bitmap when `lock` is set. Rows come from bmp_write_line, and the
// bank is let go at the end, except on bitmaps whose bank calls are the stubs: there the line
// table gives the same addresses without a call per row.
template <class PIXEL, class ROW>
inline void fblend_rows(BITMAP *dst, int x, int y, int h, bool lock, ROW row)
{
    if (lock)
        acquire_bitmap(dst);
    if (fblend_plain_rows(dst)) {
        for (int i = 0; i < h; i++)
            row(reinterpret_cast<PIXEL *>(dst->line[y + i]) + x, i);
    } else {
        for (int i = 0; i < h; i++)
            row(fblend_row<PIXEL>(dst, y + i, x), i);
        bmp_unwrite_line(dst);
    }
    if (lock)
        release_bitmap(dst);
}

#endif
