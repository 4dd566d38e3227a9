// Whole-multiple enlargement: each source row is widened once into the first of its k
// destination rows and copied into the others while it is still in the cache.
#include "scale.h"
#include "scale_kernels.h"
#include <algorithm>
#include <string.h>

namespace {

// 8- and 24-bit pixels, which only odd -bpp choices give: byte by byte.
void widen_bytes(uint8_t *d, const uint8_t *s, int n, int k, int bytes)
{
    for (int i = 0; i < n; i++, s += bytes)
        for (int j = 0; j < k; j++, d += bytes)
            memcpy(d, s, static_cast<size_t>(bytes));
}

} // namespace

void scale_blit(BITMAP *src, BITMAP *dst, int sx, int sy, int dx, int dy, int w, int h, int k)
{
    const int depth = bitmap_color_depth(src);
    if (k < 1 || depth != bitmap_color_depth(dst))
        return;
    if (sx < 0) {
        w += sx;
        dx -= sx * k;
        sx = 0;
    }
    if (sy < 0) {
        h += sy;
        dy -= sy * k;
        sy = 0;
    }
    w = std::min(w, src->w - sx);
    h = std::min(h, src->h - sy);
    if (w < 1 || h < 1)
        return;
    if (dx < 0 || dy < 0 || dx + w * k > dst->w || dy + h * k > dst->h)
        return;
    const int bytes = (depth + 7) / 8;
    const size_t row_bytes = static_cast<size_t>(w) * k * bytes;
    const scale_kernels *kern = scale_active_kernels();
    for (int y = 0; y < h; y++) {
        const uint8_t *s = src->line[sy + y] + static_cast<size_t>(sx) * bytes;
        uint8_t *first = dst->line[dy + y * k] + static_cast<size_t>(dx) * bytes;
        switch (bytes) {
        case 2:
            kern->widen_16(reinterpret_cast<uint16_t *>(first), reinterpret_cast<const uint16_t *>(s), w, k);
            break;
        case 4:
            kern->widen_32(reinterpret_cast<uint32_t *>(first), reinterpret_cast<const uint32_t *>(s), w, k);
            break;
        default:
            widen_bytes(first, s, w, k, bytes);
        }
        for (int r = 1; r < k; r++)
            memcpy(dst->line[dy + y * k + r] + static_cast<size_t>(dx) * bytes, first, row_bytes);
    }
}
