// Smooth fill: the picture enlarged by a whole multiple and reduced to the size asked for by
// averaging areas, computed in one pass as a mix of at most two source columns and two rows.
#include "scale.h"
#include "scale_kernels.h"
#include <algorithm>
#include <string.h>
#include <vector>

namespace {

// Where one result pixel along an axis comes from: source pixels s0 and s1, mixed by w/256.
struct Tap {
    int s0, s1, w;
};

// Result pixel i of n covers the enlarged pixels from i*E/n to (i+1)*E/n (E = src_n * m), of
// which source pixel j covers j*m to (j+1)*m; since E < 2n <= m*n, it touches one or two source
// pixels, the second weighted by the share of its cover. Exact in units of 1/n enlarged pixel.
std::vector<Tap> taps(int src_n, int m, int n)
{
    std::vector<Tap> t(static_cast<size_t>(n));
    const long long e = static_cast<long long>(src_n) * m, per_source = static_cast<long long>(m) * n;
    for (int i = 0; i < n; i++) {
        const long long start = i * e, end = start + e;
        const int s0 = static_cast<int>(start / per_source);
        const long long boundary = (s0 + 1) * per_source;
        if (end > boundary && s0 + 1 < src_n)
            t[static_cast<size_t>(i)] = {s0, s0 + 1, static_cast<int>(((end - boundary) * MIX_WHOLE + e / 2) / e)};
        else
            t[static_cast<size_t>(i)] = {s0, s0, 0};
    }
    return t;
}

struct Axis {
    int src_n = 0, m = 0, n = 0;
    std::vector<Tap> t;
    // The taps again as separate lists, as the resampling kernels take them.
    std::vector<int32_t> s0, s1, w;
    const std::vector<Tap>& of(int src_n_, int m_, int n_)
    {
        if (src_n_ != src_n || m_ != m || n_ != n) {
            src_n = src_n_;
            m = m_;
            n = n_;
            t = taps(src_n, m, n);
            s0.clear();
            s1.clear();
            w.clear();
            for (const Tap& tap : t) {
                s0.push_back(tap.s0);
                s1.push_back(tap.s1);
                w.push_back(tap.w);
            }
        }
        return t;
    }
};
Axis columns, rows;

// A source row resampled to the result's columns x1..x2.
void resample(uint16_t* d, const uint16_t* s, const std::vector<Tap>& cols, int x1, int x2)
{
    for (int x = x1; x <= x2; x++) {
        const Tap& c = cols[static_cast<size_t>(x)];
        d[x - x1] = scale_mix_pixel_16(s[c.s0], s[c.s1], c.w);
    }
}

// The 32-bit kernels take the columns' lists, which are always those of `columns`.
void resample(uint32_t* d, const uint32_t* s, const std::vector<Tap>&, int x1, int x2)
{
    scale_active_kernels()->resample_32(
        d, s, columns.s0.data() + x1, columns.s1.data() + x1, columns.w.data() + x1, x2 - x1 + 1);
}

// Two source rows resampled to the result's width, kept while the result's rows still need them.
template <class PIXEL> struct RowCache {
    std::vector<PIXEL> buf[2];
    int row[2] = {-1, -1};
    const PIXEL* get(BITMAP* src, int r, int keep, const std::vector<Tap>& cols, int x1, int x2)
    {
        for (int i = 0; i < 2; i++)
            if (row[i] == r)
                return buf[i].data();
        const int slot = row[0] == keep ? 1 : 0;
        std::vector<PIXEL>& b = buf[slot];
        b.resize(static_cast<size_t>(x2 - x1 + 1));
        resample(b.data(), reinterpret_cast<const PIXEL*>(src->line[r]), cols, x1, x2);
        row[slot] = r;
        return b.data();
    }
};

template <class PIXEL>
void fill_rows(BITMAP* src, BITMAP* dst, int dx, int dy, const std::vector<Tap>& cols, const std::vector<Tap>& rws,
    int x1, int y1, int x2, int y2, void (*mix_rows)(PIXEL*, const PIXEL*, const PIXEL*, int, int))
{
    RowCache<PIXEL> cache;
    const int n = x2 - x1 + 1;
    for (int y = y1; y <= y2; y++) {
        const Tap& r = rws[static_cast<size_t>(y)];
        PIXEL* d = reinterpret_cast<PIXEL*>(dst->line[dy + y]) + dx + x1;
        const PIXEL* a = cache.get(src, r.s0, -1, cols, x1, x2);
        if (r.w == 0) {
            memcpy(d, a, sizeof(PIXEL) * static_cast<size_t>(n));
        } else {
            const PIXEL* b = cache.get(src, r.s1, r.s0, cols, x1, x2);
            mix_rows(d, a, b, n, r.w);
        }
    }
}

}  // namespace

int fill_multiple(int src_w, int src_h, int w, int h)
{
    if (src_w < 1 || src_h < 1 || w <= src_w || h <= src_h)
        return 0;
    const int m = std::max((w + src_w - 1) / src_w, (h + src_h - 1) / src_h);
    // Each result pixel must span less than two enlarged ones.
    if (static_cast<long long>(src_w) * m >= 2LL * w || static_cast<long long>(src_h) * m >= 2LL * h)
        return 0;
    return m;
}

bool fill_blit(BITMAP* src, BITMAP* dst, int dx, int dy, int w, int h, int x1, int y1, int x2, int y2)
{
    const int depth = bitmap_color_depth(src);
    const int m = fill_multiple(src->w, src->h, w, h);
    if (m == 0 || depth != bitmap_color_depth(dst) || (depth != 16 && depth != 32))
        return false;
    if (dx < 0 || dy < 0 || dx + w > dst->w || dy + h > dst->h)
        return false;
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, w - 1);
    y2 = std::min(y2, h - 1);
    if (x2 < x1 || y2 < y1)
        return true;
    const std::vector<Tap>& cols = columns.of(src->w, m, w);
    const std::vector<Tap>& rws = rows.of(src->h, m, h);
    const scale_kernels* kern = scale_active_kernels();
    if (depth == 32)
        fill_rows<uint32_t>(src, dst, dx, dy, cols, rws, x1, y1, x2, y2, kern->mix_32);
    else
        fill_rows<uint16_t>(src, dst, dx, dy, cols, rws, x1, y1, x2, y2, kern->mix_16);
    return true;
}
