// Translucent sprite blits: fading enemies, signs and pictures.
#include "fblend.h"
#include "fblend_kernels.h"
#include "fblend_workers.h"
#include <stdint.h>

namespace {

// 32-bit strengths where the exact average stands in for the weighted blend.
const int HALF_BELOW_32 = 127;
const int HALF_32 = 128;

// Full strength copies every source pixel but the mask colour, like masked_blit, and like it
// does not lock the destination.
template <class PIXEL>
void masked_copy(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, uint32_t mask)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<PIXEL>(dst, x, y, h, false, [&](PIXEL* row, int i) {
        const PIXEL* s = fblend_src_row<PIXEL>(src, sy + i, sx);
        if (sizeof(PIXEL) == sizeof(uint16_t))
            k->masked_copy_16(reinterpret_cast<uint16_t*>(row), reinterpret_cast<const uint16_t*>(s), w, mask);
        else
            k->masked_copy_32(reinterpret_cast<uint32_t*>(row), reinterpret_cast<const uint32_t*>(s), w, mask);
    });
}

// Runs blend(pixels, source pixels, count) over the 24-bit sprite area, a stretch at a time, on
// 32-bit copies of the destination's and the source's stretches.
template <class BLEND>
void sprite_rows_24(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, bool lock, BLEND blend)
{
    uint32_t from[FBLEND_STRETCH_24];
    fblend_rows<uint8_t>(dst, x * FBLEND_BYTES_24, y, h, lock, [&](uint8_t* row, int i) {
        const uint8_t* s = fblend_src_row<uint8_t>(src, sy + i, sx * FBLEND_BYTES_24);
        fblend_row_24(row, w, true, [&](uint32_t* px, int n, int done) {
            fblend_unpack_24(from, s + static_cast<size_t>(done) * FBLEND_BYTES_24, n);
            blend(px, from, n);
        });
    });
}

void masked_copy_24(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, uint32_t mask)
{
    const fblend_kernels* k = fblend_active_kernels();
    sprite_rows_24(src, dst, sx, sy, x, y, w, h, false,
        [&](uint32_t* px, const uint32_t* from, int n) { k->masked_copy_32(px, from, n, mask); });
}

}  // namespace

void fblend_trans_15(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint16_t>(dst, x, y, h, true,
        [&](uint16_t* row, int i) { k->trans_15(row, fblend_src_row<uint16_t>(src, sy + i, sx), w, f); });
}

void fblend_trans_16(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint16_t>(dst, x, y, h, true,
        [&](uint16_t* row, int i) { k->trans_16(row, fblend_src_row<uint16_t>(src, sy + i, sx), w, f); });
}

void fblend_trans_32(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    const int weight = (f == HALF_BELOW_32) ? HALF_32 : f;
    fblend_rows<uint32_t>(dst, x, y, h, true,
        [&](uint32_t* row, int i) { k->trans_32(row, fblend_src_row<uint32_t>(src, sy + i, sx), w, weight); });
}

void fblend_trans_24(BITMAP* src, BITMAP* dst, int sx, int sy, int x, int y, int w, int h, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    const int weight = (f == HALF_BELOW_32) ? HALF_32 : f;
    sprite_rows_24(src, dst, sx, sy, x, y, w, h, true,
        [&](uint32_t* px, const uint32_t* from, int n) { k->trans_32(px, from, n, weight); });
}

void fblend_trans(BITMAP* src, BITMAP* dst, int x, int y, int fact)
{
    int w = src->w, h = src->h, sx = 0, sy = 0;
    if (!fblend_clip(dst->w, dst->h, x, y, w, h, sx, sy))
        return;
    const int depth = bitmap_color_depth(dst);
    if (bitmap_color_depth(src) != depth)
        return;
    const int f = fblend_strength(depth, fact);
    if (f < 1)
        return;
    if (fblend_depth_1516(depth)) {
        const uint32_t mask = (depth == 15) ? FBLEND_MASK_COLOR_15 : FBLEND_MASK_COLOR_16;
        if (f >= FBLEND_FULL_5)
            masked_copy<uint16_t>(src, dst, sx, sy, x, y, w, h, mask);
        else
            (depth == 15 ? fblend_trans_15 : fblend_trans_16)(src, dst, sx, sy, x, y, w, h, f);
    } else if (f >= FBLEND_FACT_MAX) {
        (depth == 32 ? masked_copy<uint32_t> : masked_copy_24)(src, dst, sx, sy, x, y, w, h, FBLEND_MASK_COLOR_32);
    } else {
        (depth == 32 ? fblend_trans_32 : fblend_trans_24)(src, dst, sx, sy, x, y, w, h, f);
    }
}
