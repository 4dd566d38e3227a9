// Additive, saturating rectangle fills: sparks, glows and flashes.
#include "fblend.h"
#include "fblend_kernels.h"
#include "fblend_workers.h"
#include <stdint.h>

void fblend_rect_add_15(BITMAP *dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels *k = fblend_active_kernels();
    fblend_rows<uint16_t>(dst, x, y, h, true,
                          [&](uint16_t *row, int) { k->rect_add_15(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_add_16(BITMAP *dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels *k = fblend_active_kernels();
    fblend_rows<uint16_t>(dst, x, y, h, true,
                          [&](uint16_t *row, int) { k->rect_add_16(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_add_32(BITMAP *dst, int x, int y, int w, int h, int color, int f)
{
    const fblend_kernels *k = fblend_active_kernels();
    fblend_rows<uint32_t>(dst, x, y, h, true,
                          [&](uint32_t *row, int) { k->rect_add_32(row, w, static_cast<uint32_t>(color), f); });
}

void fblend_rect_add(BITMAP *dst, int x, int y, int w, int h, int color, int fact)
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
        if (bitmap_color_depth(dst) == 15)
            fblend_rect_add_15(dst, x, y, w, h, color, f);
        else
            fblend_rect_add_16(dst, x, y, w, h, color, f);
        return;
    }
    case 32:
        if (fact < 1)
            return;
        fblend_rect_add_32(dst, x, y, w, h, color, std::min(fact, FBLEND_FACT_MAX) + 1);
        return;
    default:
        return;
    }
}
