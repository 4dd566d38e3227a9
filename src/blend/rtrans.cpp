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
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint16_t>(
        dst, x, y, h, true, [&](uint16_t* row, int) { k->rect_trans_15(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_trans_16(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint16_t>(
        dst, x, y, h, true, [&](uint16_t* row, int) { k->rect_trans_16(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_trans_32(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint32_t>(
        dst, x, y, h, true, [&](uint32_t* row, int) { k->rect_trans_32(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_trans_24(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels* k = fblend_active_kernels();
    fblend_rows<uint8_t>(dst, x * FBLEND_BYTES_24, y, h, true, [&](uint8_t* row, int) {
        fblend_row_24(
            row, w, true, [&](uint32_t* px, int n, int) { k->rect_trans_32(px, n, static_cast<uint32_t>(color), f); });
    });
}

void fblend_rect_trans(BITMAP* dst, int x, int y, int w, int h, int color, int fact)
{
    int sx = 0, sy = 0;
    if (!fblend_clip(dst->w, dst->h, x, y, w, h, sx, sy))
        return;
    switch (bitmap_color_depth(dst)) {
    case 15:
    case 16: {
        const int f = fblend_fact_5(fact);
        if (f < 1)
            return;
        if (f >= FBLEND_FULL_5)
            solid_fill<uint16_t>(dst, x, y, w, h, color);
        else if (bitmap_color_depth(dst) == 15)
            fblend_rect_trans_15(dst, x, y, w, h, color, f);
        else
            fblend_rect_trans_16(dst, x, y, w, h, color, f);
        return;
    }
    case 32:
        if (fact < 1)
            return;
        if (fact >= FBLEND_FACT_MAX)
            solid_fill<uint32_t>(dst, x, y, w, h, color);
        else
            fblend_rect_trans_32(dst, x, y, w, h, color, fact + 1);
        return;
    case 24:
        if (fact < 1)
            return;
        if (fact >= FBLEND_FACT_MAX)
            solid_fill_24(dst, x, y, w, h, color);
        else
            fblend_rect_trans_24(dst, x, y, w, h, color, fact + 1);
        return;
    default:
        return;
    }
}
