// Drawing kit of the data generator: canvases, shapes, paints, noise, outlines.
#include "gfx.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
const float AA_HALF_PX = 0.5f;       // coverage ramps over one pixel across the edge
const float LIGHT_X = -0.70710678f;  // light from the top-left
const float LIGHT_Y = -0.70710678f;
const float HARDEN_ALPHA = 0.5f;  // a sprite pixel at least this covered is solid

float to255(float v)
{
    return std::round(clamp01(v) * 255.0f);
}
}

float clamp01(float v)
{
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float smoothstep(float e0, float e1, float x)
{
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

RGBA rgb(uint32_t hex, float a)
{
    return RGBA {((hex >> 16) & 255) / 255.0f, ((hex >> 8) & 255) / 255.0f, (hex & 255) / 255.0f, a};
}

RGBA mix(const RGBA& a, const RGBA& b, float t)
{
    return RGBA {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

RGBA scale_rgb(const RGBA& c, float f)
{
    return RGBA {clamp01(c.r * f), clamp01(c.g * f), clamp01(c.b * f), c.a};
}
RGBA with_alpha(const RGBA& c, float a)
{
    return RGBA {c.r, c.g, c.b, a};
}

Image::Image(int width, int height, RGBA fill)
    : w(width)
    , h(height)
    , px(static_cast<size_t>(width) * height, fill)
{
}

void blend_px(Image& img, int x, int y, const RGBA& c, float cov)
{
    if (!img.inside(x, y))
        return;
    const float sa = clamp01(c.a * cov);
    if (sa <= 0)
        return;
    RGBA& d = img.at(x, y);
    const float oa = sa + d.a * (1 - sa);
    if (oa <= 0)
        return;
    const float k = d.a * (1 - sa);
    d.r = (c.r * sa + d.r * k) / oa;
    d.g = (c.g * sa + d.g * k) / oa;
    d.b = (c.b * sa + d.b * k) / oa;
    d.a = oa;
}

void composite(Image& dst, const Image& src, int x, int y, float opacity)
{
    for (int j = 0; j < src.h; ++j)
        for (int i = 0; i < src.w; ++i)
            blend_px(dst, x + i, y + j, src.at(i, j), opacity);
}

Xf Xf::then_offset(float dx, float dy) const
{
    Xf r = *this;
    const float c = std::cos(angle), s_ = std::sin(angle);
    r.ox += (c * dx - s_ * dy) * s;
    r.oy += (s_ * dx + c * dy) * s;
    return r;
}

void Pen::fill(const Sdf& sdf, float x0, float y0, float x1, float y1, const Paint& paint) const
{
    const float c = std::cos(xf.angle), sn = std::sin(xf.angle);
    float bx0 = 1e9f, by0 = 1e9f, bx1 = -1e9f, by1 = -1e9f;
    const float cx[4] = {x0, x1, x0, x1}, cy[4] = {y0, y0, y1, y1};
    for (int i = 0; i < 4; ++i) {
        const float px = xf.ox + (c * cx[i] - sn * cy[i]) * xf.s;
        const float py = xf.oy + (sn * cx[i] + c * cy[i]) * xf.s;
        bx0 = std::min(bx0, px);
        bx1 = std::max(bx1, px);
        by0 = std::min(by0, py);
        by1 = std::max(by1, py);
    }
    const int ix0 = std::max(0, static_cast<int>(std::floor(bx0)) - 1);
    const int iy0 = std::max(0, static_cast<int>(std::floor(by0)) - 1);
    const int ix1 = std::min(img->w - 1, static_cast<int>(std::ceil(bx1)) + 1);
    const int iy1 = std::min(img->h - 1, static_cast<int>(std::ceil(by1)) + 1);
    const float inv = 1.0f / xf.s;
    const float eps = 0.5f * inv;
    for (int py = iy0; py <= iy1; ++py)
        for (int px = ix0; px <= ix1; ++px) {
            const float vx = px + 0.5f - xf.ox, vy = py + 0.5f - xf.oy;
            const float lx = (c * vx + sn * vy) * inv, ly = (-sn * vx + c * vy) * inv;
            const float d = sdf(lx, ly);
            const float cov = clamp01(AA_HALF_PX - d * xf.s);
            if (cov <= 0)
                continue;
            float gx = sdf(lx + eps, ly) - sdf(lx - eps, ly);
            float gy = sdf(lx, ly + eps) - sdf(lx, ly - eps);
            const float gl = std::sqrt(gx * gx + gy * gy);
            if (gl > 1e-9f) {
                gx /= gl;
                gy /= gl;
            }
            // The normal turns with the shape so the light stays at the top-left.
            const Frag f {lx, ly, d, c * gx - sn * gy, sn * gx + c * gy};
            blend_px(*img, px, py, paint(f), cov);
        }
}

void Pen::circle(float cx, float cy, float r, const Paint& p) const
{
    fill([=](float x, float y) { return sd_circle(x, y, cx, cy, r); }, cx - r, cy - r, cx + r, cy + r, p);
}

void Pen::ellipse(float cx, float cy, float rx, float ry, const Paint& p) const
{
    fill([=](float x, float y) { return sd_ellipse(x, y, cx, cy, rx, ry); }, cx - rx, cy - ry, cx + rx, cy + ry, p);
}

void Pen::rrect(float x0, float y0, float x1, float y1, float rad, const Paint& p) const
{
    fill([=](float x, float y) { return sd_rrect(x, y, x0, y0, x1, y1, rad); }, x0, y0, x1, y1, p);
}

void Pen::poly(const std::vector<float>& xy, const Paint& p, float round) const
{
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (size_t i = 0; i + 1 < xy.size(); i += 2) {
        x0 = std::min(x0, xy[i]);
        x1 = std::max(x1, xy[i]);
        y0 = std::min(y0, xy[i + 1]);
        y1 = std::max(y1, xy[i + 1]);
    }
    fill([xy, round](float x, float y) { return sd_poly(x, y, xy) - round; }, x0 - round, y0 - round, x1 + round,
        y1 + round, p);
}

void Pen::capsule(float ax, float ay, float bx, float by, float r, const Paint& p) const
{
    fill([=](float x, float y) { return sd_segment(x, y, ax, ay, bx, by) - r; }, std::min(ax, bx) - r,
        std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r, p);
}

void Pen::taper(float ax, float ay, float bx, float by, float ra, float rb, const Paint& p) const
{
    const float rm = std::max(ra, rb);
    fill(
        [=](float x, float y) {
            const float px = x - ax, py = y - ay, ex = bx - ax, ey = by - ay;
            const float t = clamp01((px * ex + py * ey) / std::max(1e-6f, ex * ex + ey * ey));
            const float dx = px - ex * t, dy = py - ey * t;
            return std::sqrt(dx * dx + dy * dy) - (ra + (rb - ra) * t);
        },
        std::min(ax, bx) - rm, std::min(ay, by) - rm, std::max(ax, bx) + rm, std::max(ay, by) + rm, p);
}

float sd_circle(float x, float y, float cx, float cy, float r)
{
    return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - r;
}

float sd_ellipse(float x, float y, float cx, float cy, float rx, float ry)
{
    // Scaled-circle distance, corrected by the gradient length: good enough for
    // edges a pixel wide.
    const float dx = (x - cx) / rx, dy = (y - cy) / ry;
    const float k = std::sqrt(dx * dx + dy * dy);
    const float gx = dx / rx, gy = dy / ry;
    const float g = std::sqrt(gx * gx + gy * gy);
    if (g < 1e-6f)
        return -std::min(rx, ry);
    return (k - 1) * k / g;
}

float sd_rrect(float x, float y, float x0, float y0, float x1, float y1, float rad)
{
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - rad, hy = (y1 - y0) / 2 - rad;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - rad;
}

float sd_segment(float x, float y, float ax, float ay, float bx, float by)
{
    const float px = x - ax, py = y - ay, ex = bx - ax, ey = by - ay;
    const float t = clamp01((px * ex + py * ey) / std::max(1e-6f, ex * ex + ey * ey));
    const float dx = px - ex * t, dy = py - ey * t;
    return std::sqrt(dx * dx + dy * dy);
}

float sd_poly(float x, float y, const std::vector<float>& v)
{
    const size_t n = v.size() / 2;
    float d = (x - v[0]) * (x - v[0]) + (y - v[1]) * (y - v[1]);
    float s = 1;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        const float ex = v[2 * j] - v[2 * i], ey = v[2 * j + 1] - v[2 * i + 1];
        const float wx = x - v[2 * i], wy = y - v[2 * i + 1];
        const float t = clamp01((wx * ex + wy * ey) / std::max(1e-9f, ex * ex + ey * ey));
        const float bx = wx - ex * t, by = wy - ey * t;
        d = std::min(d, bx * bx + by * by);
        const bool c1 = y >= v[2 * i + 1], c2 = y<v[2 * j + 1], c3 = ex * wy> ey * wx;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3))
            s = -s;
    }
    return s * std::sqrt(d);
}

Paint flat(RGBA c)
{
    return [c](const Frag&) { return c; };
}

Paint bevel(RGBA c, float width, float strength, float slope)
{
    return [=](const Frag& f) {
        const float edge = clamp01(1 + f.d / width);
        const float lit = f.nx * LIGHT_X + f.ny * LIGHT_Y;
        return scale_rgb(c, 1 + strength * edge * lit - slope * f.y);
    };
}

Paint sphere(RGBA c, float cx, float cy, float r, float gloss)
{
    return [=](const Frag& f) {
        const float nx = (f.x - cx) / r, ny = (f.y - cy) / r;
        const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx - ny * ny));
        const float lx = -0.48f, ly = -0.56f, lz = 0.675f;
        const float diff = std::max(0.0f, nx * lx + ny * ly + nz * lz);
        // Half vector between the light and the viewer (0, 0, 1).
        const float hx = lx, hy = ly, hz = lz + 1;
        const float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
        const float specular = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), 24.0f) * gloss;
        RGBA o = scale_rgb(c, 0.3f + 0.95f * diff);
        // A little bounce light on the lower rim keeps the dark side readable.
        const float rim = std::max(0.0f, ny) * (1 - nz) * 0.25f;
        o = mix(o, c, rim);
        return mix(o, RGBA {1, 1, 1, c.a}, clamp01(specular));
    };
}

Paint vgrad(RGBA top, RGBA bottom, float y0, float y1)
{
    return [=](const Frag& f) { return mix(top, bottom, clamp01((f.y - y0) / (y1 - y0))); };
}

Paint hgrad(RGBA left, RGBA right, float x0, float x1)
{
    return [=](const Frag& f) { return mix(left, right, clamp01((f.x - x0) / (x1 - x0))); };
}

Rng::Rng(uint32_t seed)
    : s(seed * 2654435761u + 0x9E3779B9u)
{
}

uint32_t Rng::next()
{
    // xorshift32 keeps every build's pictures identical.
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

float Rng::uni()
{
    return (next() >> 8) / 16777216.0f;
}
float Rng::range(float a, float b)
{
    return a + (b - a) * uni();
}
int Rng::irange(int a, int b)
{
    return a + static_cast<int>(next() % static_cast<uint32_t>(b - a + 1));
}

float hash01(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h >> 8) / 16777216.0f;
}

float value_noise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    const float c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    return a + (b - a) * tx + (c - a) * ty + (a - b - c + d) * tx * ty;
}

float fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * value_noise(x, y, seed + 17u * i);
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}

void voronoi(float x, float y, uint32_t seed, float& d1, float& d2)
{
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    d1 = d2 = 1e9f;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            const int cx = ix + i, cy = iy + j;
            const float px = cx + hash01(cx, cy, seed), py = cy + hash01(cx, cy, seed + 99u);
            const float d = std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
            if (d < d1) {
                d2 = d1;
                d1 = d;
            } else if (d < d2)
                d2 = d;
        }
}

void harden(Image& img)
{
    for (RGBA& c : img.px)
        c.a = c.a >= HARDEN_ALPHA ? 1.0f : 0.0f;
}

void outline(Image& img, float dark, float thickness)
{
    const RGBA ink = rgb(0x140c10);
    for (int pass = 0; pass < static_cast<int>(thickness + 0.5f); ++pass) {
        const Image src = img;
        for (int y = 0; y < img.h; ++y)
            for (int x = 0; x < img.w; ++x) {
                if (src.at(x, y).a >= HARDEN_ALPHA)
                    continue;
                const int nx[4] = {x - 1, x + 1, x, x};
                const int ny[4] = {y, y, y - 1, y + 1};
                float best = 1e9f;
                bool found = false;
                RGBA pick {};
                for (int k = 0; k < 4; ++k) {
                    if (!src.inside(nx[k], ny[k]))
                        continue;
                    const RGBA& n = src.at(nx[k], ny[k]);
                    if (n.a < HARDEN_ALPHA)
                        continue;
                    const float lum = n.r + n.g + n.b;
                    if (lum < best) {
                        best = lum;
                        pick = n;
                        found = true;
                    }
                }
                if (found)
                    img.at(x, y) = with_alpha(mix(ink, scale_rgb(pick, dark * 2), 0.5f), 1);
            }
    }
}

void soft_outline(Image& img, RGBA col, float radius)
{
    const int r = static_cast<int>(std::ceil(radius));
    Image rim(img.w, img.h);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            float m = 0;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    if (!img.inside(x + i, y + j))
                        continue;
                    const float a = img.at(x + i, y + j).a;
                    if (a <= m)
                        continue;
                    const float k = clamp01(radius + 0.5f - std::sqrt(static_cast<float>(i * i + j * j)));
                    m = std::max(m, a * k);
                }
            rim.at(x, y) = with_alpha(col, m * col.a);
        }
    composite(rim, img, 0, 0);
    img = rim;
}

Image blur(const Image& src, float radius)
{
    // Three box passes each way approximate a Gaussian; colours are blurred
    // premultiplied so see-through pixels do not bleed black.
    const int r = std::max(1, static_cast<int>(radius / 1.7f + 0.5f));
    const int w = src.w, h = src.h;
    std::vector<float> ch[4];
    for (auto& c : ch)
        c.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < src.px.size(); ++i) {
        const RGBA& p = src.px[i];
        ch[0][i] = p.r * p.a;
        ch[1][i] = p.g * p.a;
        ch[2][i] = p.b * p.a;
        ch[3][i] = p.a;
    }
    // Running sums make each pass cost the same whatever the radius; edges clamp.
    std::vector<float> line(std::max(w, h)), tmp(std::max(w, h));
    auto box = [r](const float* in, float* out_, int n) {
        float sum = 0;
        for (int k = -r; k <= r; ++k)
            sum += in[std::clamp(k, 0, n - 1)];
        for (int i = 0; i < n; ++i) {
            out_[i] = sum / (2 * r + 1);
            sum += in[std::min(i + r + 1, n - 1)] - in[std::max(i - r, 0)];
        }
    };
    for (auto& c : ch)
        for (int pass = 0; pass < 3; ++pass) {
            for (int y = 0; y < h; ++y) {
                float* row = &c[static_cast<size_t>(y) * w];
                box(row, tmp.data(), w);
                std::copy(tmp.begin(), tmp.begin() + w, row);
            }
            for (int x = 0; x < w; ++x) {
                for (int y = 0; y < h; ++y)
                    line[y] = c[static_cast<size_t>(y) * w + x];
                box(line.data(), tmp.data(), h);
                for (int y = 0; y < h; ++y)
                    c[static_cast<size_t>(y) * w + x] = tmp[y];
            }
        }
    Image out(w, h);
    for (size_t i = 0; i < out.px.size(); ++i) {
        const float a = ch[3][i];
        if (a > 1e-5f)
            out.px[i] = RGBA {ch[0][i] / a, ch[1][i] / a, ch[2][i] / a, a};
    }
    return out;
}

Image shadow_of(const Image& img, float radius, float opacity)
{
    Image s(img.w, img.h);
    for (size_t i = 0; i < s.px.size(); ++i)
        s.px[i] = RGBA {0, 0, 0, img.px[i].a * opacity};
    return blur(s, radius);
}

namespace {
// The mask colour: pixels of it are see-through in the game's sprites.
const int MASK_R = 255, MASK_G = 0, MASK_B = 255;

struct Channels {
    int r, g, b;
};

// A colour's 0..255 channels; a painted pixel that would round to the mask
// colour is nudged off it so that it stays visible.
Channels off_mask(const RGBA& c)
{
    Channels ch {static_cast<int>(to255(c.r)), static_cast<int>(to255(c.g)), static_cast<int>(to255(c.b))};
    if (ch.r == MASK_R && ch.g == MASK_G && ch.b == MASK_B)
        ch.g = MASK_G + 1;
    return ch;
}

// A bitmap of `depth` bits the image's size, each pixel the colour
// `colour_of` makes of the image's.
template <typename ColourOf> BITMAP* to_bitmap(const Image& img, int depth, ColourOf colour_of)
{
    BITMAP* b = create_bitmap_ex(depth, img.w, img.h);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            putpixel(b, x, y, colour_of(img.at(x, y)));
    return b;
}
}

BITMAP* to_masked_bitmap(const Image& img)
{
    return to_bitmap(img, 24, [](const RGBA& c) {
        if (c.a < HARDEN_ALPHA)
            return makecol24(MASK_R, MASK_G, MASK_B);
        const Channels ch = off_mask(c);
        return makecol24(ch.r, ch.g, ch.b);
    });
}

BITMAP* to_rgba_bitmap(const Image& img)
{
    return to_bitmap(img, 32, [](const RGBA& c) {
        const int a = static_cast<int>(to255(c.a));
        // Fully clear pixels are the mask colour (with alpha 0), so the game's
        // translucent blit, which skips only that colour, leaves them out too.
        if (a == 0)
            return makeacol32(MASK_R, MASK_G, MASK_B, 0);
        const Channels ch = off_mask(c);
        return makeacol32(ch.r, ch.g, ch.b, a);
    });
}

BITMAP* to_opaque_bitmap(const Image& img)
{
    return to_bitmap(img, 24, [](const RGBA& c) {
        return makecol24(
            static_cast<int>(to255(c.r * c.a)), static_cast<int>(to255(c.g * c.a)), static_cast<int>(to255(c.b * c.a)));
    });
}

Image pixel_art(const std::vector<std::string>& rows, const std::vector<std::pair<char, uint32_t>>& inks)
{
    // A malformed map is a mistake in the generator itself: stop the build.
    const auto broken = [](const char* why) {
        std::fprintf(stderr, "pixel_art: %s\n", why);
        std::abort();
    };
    Image img(static_cast<int>(rows.at(0).size()), static_cast<int>(rows.size()));
    for (int y = 0; y < img.h; ++y) {
        if (static_cast<int>(rows[y].size()) != img.w)
            broken("rows of different widths");
        for (int x = 0; x < img.w; ++x) {
            const char ch = rows[y][x];
            if (ch == '.')
                continue;
            const auto ink = std::find_if(inks.begin(), inks.end(), [ch](const auto& i) { return i.first == ch; });
            if (ink == inks.end())
                broken("a character without an ink");
            img.at(x, y) = rgb(ink->second);
        }
    }
    return img;
}
