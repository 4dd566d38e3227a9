// Whole-multiple enlargement: each source row is widened into each of its k destination rows.
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

void scale_blit(BITMAP *src, BITMAP *dst, int sx, int sy, int dx, int dy, int w, int h, int k, bool stream)
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
    const scale_kernels *kern = scale_active_kernels();
    // Every destination row is widened from the source row afresh rather than
    // copied from the first: streamed rows would have to be read back from memory.
    for (int y = 0; y < h; y++) {
        const uint8_t *s = src->line[sy + y] + static_cast<size_t>(sx) * bytes;
        for (int r = 0; r < k; r++) {
            uint8_t *d = dst->line[dy + y * k + r] + static_cast<size_t>(dx) * bytes;
            switch (bytes) {
            case 2:
                kern->widen_16(reinterpret_cast<uint16_t *>(d), reinterpret_cast<const uint16_t *>(s), w, k, stream);
                break;
            case 4:
                kern->widen_32(reinterpret_cast<uint32_t *>(d), reinterpret_cast<const uint32_t *>(s), w, k, stream);
                break;
            default:
                widen_bytes(d, s, w, k, bytes);
            }
        }
    }
}
