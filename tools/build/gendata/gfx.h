// Drawing kit of the data generator: float RGBA canvases, anti-aliased shapes
// given as signed distances, shading paints, noise, outlines and conversion to
// the library's bitmaps. Every picture of the archive is painted with these.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct BITMAP;

// Straight (not premultiplied) colour, channels 0..1.
struct RGBA {
    float r = 0, g = 0, b = 0, a = 0;
};

RGBA rgb(uint32_t hex, float a = 1.0f);           // 0xRRGGBB
RGBA mix(const RGBA& a, const RGBA& b, float t);  // t = 0 gives a
RGBA scale_rgb(const RGBA& c, float f);           // brightness, alpha kept
RGBA with_alpha(const RGBA& c, float a);
float clamp01(float v);
float smoothstep(float e0, float e1, float x);

// A canvas; (0,0) is the top-left pixel, pixel centres sit at +0.5.
struct Image {
    int w = 0, h = 0;
    std::vector<RGBA> px;
    Image() = default;
    Image(int width, int height, RGBA fill = RGBA {});
    RGBA& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const RGBA& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
};

// Source-over blend of c with extra coverage cov into pixel (x, y); clipped.
void blend_px(Image& img, int x, int y, const RGBA& c, float cov = 1.0f);
// img over dst with its top-left at (x, y), scaled by opacity.
void composite(Image& dst, const Image& src, int x, int y, float opacity = 1.0f);

// Where a fragment of a shape lies: local coordinates, signed distance to the
// edge in local units (negative inside) and the outward unit normal there.
struct Frag {
    float x, y, d, nx, ny;
};
using Paint = std::function<RGBA(const Frag&)>;
using Sdf = std::function<float(float x, float y)>;

// Maps local shape coordinates to canvas pixels: p = origin + R(angle) * s * local.
struct Xf {
    float ox = 0, oy = 0, s = 1, angle = 0;    // angle in radians, clockwise
    Xf then_offset(float dx, float dy) const;  // local offset before mapping
};

// Anti-aliased painter into one canvas through one transform.
struct Pen {
    Image* img;
    Xf xf;
    // Fills the region where sdf < 0 inside the local box [x0,x1]x[y0,y1].
    void fill(const Sdf& sdf, float x0, float y0, float x1, float y1, const Paint& paint) const;
    void circle(float cx, float cy, float r, const Paint& p) const;
    void ellipse(float cx, float cy, float rx, float ry, const Paint& p) const;
    void rrect(float x0, float y0, float x1, float y1, float rad, const Paint& p) const;
    void poly(const std::vector<float>& xy, const Paint& p, float round = 0) const;
    void capsule(float ax, float ay, float bx, float by, float r, const Paint& p) const;
    // A tapered stroke whose radius goes from ra at a to rb at b.
    void taper(float ax, float ay, float bx, float by, float ra, float rb, const Paint& p) const;
};

// Signed distances in local units.
float sd_circle(float x, float y, float cx, float cy, float r);
float sd_ellipse(float x, float y, float cx, float cy, float rx, float ry);
float sd_rrect(float x, float y, float x0, float y0, float x1, float y1, float rad);
float sd_segment(float x, float y, float ax, float ay, float bx, float by);
float sd_poly(float x, float y, const std::vector<float>& xy);

// Paints. The light comes from the top-left, as on every sprite of the game.
Paint flat(RGBA c);
// Pillow shading: lighter towards the lit edge, darker on the far edge, within
// `width` local units of the edge, plus a top-to-bottom darkening of `slope`.
Paint bevel(RGBA c, float width, float strength = 0.5f, float slope = 0.0f);
// A sphere of radius r centred at (cx, cy) lit from the top-left with a hot spot.
Paint sphere(RGBA c, float cx, float cy, float r, float gloss = 0.8f);
Paint vgrad(RGBA top, RGBA bottom, float y0, float y1);
Paint hgrad(RGBA left, RGBA right, float x0, float x1);

// Deterministic randomness: one generator per object with a fixed seed.
struct Rng {
    uint32_t s;
    explicit Rng(uint32_t seed);
    uint32_t next();
    float uni();                    // [0, 1)
    float range(float a, float b);  // [a, b)
    int irange(int a, int b);       // [a, b]
};
float hash01(int x, int y, uint32_t seed);                // [0, 1)
float value_noise(float x, float y, uint32_t seed);       // smooth, [0, 1)
float fbm(float x, float y, int octaves, uint32_t seed);  // [0, 1)
// Distance to the nearest cell point and to the second nearest (cracks, stones).
void voronoi(float x, float y, uint32_t seed, float& d1, float& d2);

// Sprite finishing: every pixel at least half covered becomes opaque, the rest
// see-through, and see-through pixels touching opaque ones get a dark outline
// in the neighbour's own hue (darkened by `dark`).
void harden(Image& img);
void outline(Image& img, float dark = 0.28f, float thickness = 1.0f);
// Soft outline for illustrations: a dark rim of `radius` pixels under the layer.
void soft_outline(Image& img, RGBA col, float radius);
// Blurred dark copy of the layer's alpha, for drop shadows.
Image shadow_of(const Image& img, float radius, float opacity);
Image blur(const Image& img, float radius);

// Hand-placed pixel art for pictures too small for shapes to read: one
// string per row, one character per pixel, '.' see-through and every other
// character an opaque colour from `inks` (0xRRGGBB). All rows are as wide as
// the first; a character missing from `inks` is a programming error.
Image pixel_art(const std::vector<std::string>& rows, const std::vector<std::pair<char, uint32_t>>& inks);

// Conversion to the library's bitmaps (the caller destroys them).
// 24-bit with magenta (255, 0, 255) for see-through pixels; an opaque colour
// that happens to be pure magenta is nudged so it stays visible.
BITMAP* to_masked_bitmap(const Image& img);
BITMAP* to_rgba_bitmap(const Image& img);    // 32-bit with alpha
BITMAP* to_opaque_bitmap(const Image& img);  // 24-bit, alpha flattened on black
