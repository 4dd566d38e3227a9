// Whole-multiple enlargement: each source row is widened into each of its k destination rows.
#include "scale.h"
#include "scale_kernels.h"
#include <algorithm>
#include <string.h>

namespace {

// 8- and 24-bit pixels, which only -bpp choices give: a pixel's bytes at a time.
void widen_8(uint8_t* d, const uint8_t* s, int n, int k)
{
    for (int i = 0; i < n; i++, d += k)
        memset(d, s[i], static_cast<size_t>(k));
}

const int BYTES_24 = 3;

void widen_24(uint8_t* d, const uint8_t* s, int n, int k)
{
    for (int i = 0; i < n; i++, s += BYTES_24) {
        const uint8_t b0 = s[0], b1 = s[1], b2 = s[2];
        for (int j = 0; j < k; j++, d += BYTES_24) {
            d[0] = b0;
            d[1] = b1;
            d[2] = b2;
        }
    }
}

}  // namespace

void scale_blit(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int k, bool stream)
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
    const scale_kernels* kern = scale_active_kernels();
    // Every destination row is widened from the source row afresh rather than
    // copied from the first: streamed rows would have to be read back from memory.
    for (int y = 0; y < h; y++) {
        const uint8_t* s = src->line[sy + y] + static_cast<size_t>(sx) * bytes;
        for (int r = 0; r < k; r++) {
            uint8_t* d = dst->line[dy + y * k + r] + static_cast<size_t>(dx) * bytes;
            switch (bytes) {
            case 2:
                kern->widen_16(reinterpret_cast<uint16_t*>(d), reinterpret_cast<const uint16_t*>(s), w, k, stream);
                break;
            case 4:
                kern->widen_32(reinterpret_cast<uint32_t*>(d), reinterpret_cast<const uint32_t*>(s), w, k, stream);
                break;
            case BYTES_24:
                widen_24(d, s, w, k);
                break;
            default:
                widen_8(d, s, w, k);
            }
        }
    }
}
