// Translucent rectangle fills: fades, darkened panels and tinted areas.
#include "fblend.h"
#include "fblend_kernels.h"
#include "fblend_workers.h"
#include <stdint.h>

namespace {

// Full strength is a solid fill of the clipped rectangle; written here rather than through
// rectfill so that a drawing mode left on by other drawing cannot turn a fade into a blend.
template <class PIXEL> void solid_fill(BITMAP* dst, int x, int y, int w, int h, int color)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<PIXEL>(dst, x, y, h, true, [&](PIXEL* row, int) {
        if (sizeof(PIXEL) == sizeof(uint16_t))
            k->fill_16(reinterpret_cast<uint16_t*>(row), w, static_cast<uint32_t>(color));
        else
            k->fill_32(reinterpret_cast<uint32_t*>(row), w, static_cast<uint32_t>(color));
    });
}

void solid_fill_24(BITMAP* dst, int x, int y, int w, int h, int color)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint8_t>(dst, x * FBLEND_BYTES_24, y, h, true, [&](uint8_t* row, int) {
        fblend_row_24(
            row, w, false, [&](uint32_t* px, int n, int) { k->fill_32(px, n, static_cast<uint32_t>(color)); });
    });
}

}  // namespace

void fblend_rect_trans_15(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    fblend_rect_rows(dst, x, y, w, h, color, f, &fblend_kernels::rect_trans_15);
}

void fblend_rect_trans_16(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    fblend_rect_rows(dst, x, y, w, h, color, f, &fblend_kernels::rect_trans_16);
}

void fblend_rect_trans_32(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    fblend_rect_rows(dst, x, y, w, h, color, f, &fblend_kernels::rect_trans_32);
}

void fblend_rect_trans_24(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    fblend_rect_rows_24(dst, x, y, w, h, color, f, &fblend_kernels::rect_trans_32);
}

void fblend_rect_trans(BITMAP* dst, int x, int y, int w, int h, int color, int fact)
{
    const int f = fblend_rect_strength(dst, x, y, w, h, fact);
    if (f < 1)
        return;
    const int depth = bitmap_color_depth(dst);
    if (fblend_depth_1516(depth)) {
        if (f >= FBLEND_FULL_5)
            solid_fill<uint16_t>(dst, x, y, w, h, color);
        else
            (depth == 15 ? fblend_rect_trans_15 : fblend_rect_trans_16)(dst, x, y, w, h, color, f);
    } else if (f >= FBLEND_FACT_MAX) {
        (depth == 32 ? solid_fill<uint32_t> : solid_fill_24)(dst, x, y, w, h, color);
    } else {
        (depth == 32 ? fblend_rect_trans_32 : fblend_rect_trans_24)(dst, x, y, w, h, color, f + 1);
    }
}
