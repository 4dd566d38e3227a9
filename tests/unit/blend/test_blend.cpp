// The blending primitives against a plain per-pixel model of their arithmetic, for every kernel
// set this machine runs, plus the pinned values, clipping, locking and depth rules.
#include "fblend.h"
#include "fblend_kernels.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <climits>
#include <random>
#include <sstream>
#include <stdint.h>
#include <vector>

namespace {

enum OP { RECT_TRANS, TRANS, RECT_ADD };
const char* const OP_NAMES[] = {"fblend_rect_trans", "fblend_trans", "fblend_rect_add"};
const int DEPTHS[] = {15, 16, 24, 32};

// ---- the model: one pixel at a time, straight from the table of results ----

struct CHANNELS {
    int shift[3];  // red, green, blue
    int bits[3];
};

CHANNELS channels_of(int depth)
{
    if (depth == 15)
        return {{10, 5, 0}, {5, 5, 5}};
    if (depth == 16)
        return {{11, 5, 0}, {5, 6, 5}};
    return {{16, 8, 0}, {8, 8, 8}};
}

int channel(uint32_t pixel, const CHANNELS& c, int i)
{
    return static_cast<int>((pixel >> c.shift[i]) & ((1u << c.bits[i]) - 1));
}

int floor_div(int a, int b)
{
    return (a >= 0) ? a / b : -((-a + b - 1) / b);
}

uint32_t mask_color(int depth)
{
    return depth == 15 ? 0x7C1F : depth == 16 ? 0xF81F : 0xFF00FF;
}

// The bits a pixel of the depth holds.
uint32_t pixel_bits(int depth)
{
    return depth == 32 ? 0xFFFFFFFF : depth == 24 ? 0xFFFFFF : 0xFFFF;
}

// The strength on the depth's scale, or 0 when nothing is drawn.
int scale_of(int depth, OP op, int fact)
{
    fact = std::min(fact, 255);
    if (depth != 32)
        return fact < 0 ? 0 : (fact + 7) >> 3;
    if (fact < 1)
        return 0;
    return op == TRANS ? fact : fact + 1;
}

uint32_t model_pixel(OP op, int depth, uint32_t d, uint32_t s, int fact)
{
    // 24 bits: the 32-bit result of the same pixels, less the top byte that 24 bits lack.
    if (depth == 24)
        return model_pixel(op, 32, d, s, fact) & pixel_bits(24);
    const int f = scale_of(depth, op, fact);
    const int full = depth == 32 ? 256 : 32;
    if (f < 1)
        return d;
    if (op == TRANS && s == mask_color(depth))
        return d;
    if (op == TRANS && (depth == 32 ? f == 255 : f == 32))
        return s;
    if (op == RECT_TRANS && f == full)
        return depth == 32 ? s : (s & 0xFFFF);
    const CHANNELS c = channels_of(depth);
    uint32_t out = 0;
    for (int i = 0; i < 3; i++) {
        int dc = channel(d, c, i), sc = channel(s, c, i), bits = c.bits[i];
        int o;
        if (op == RECT_TRANS) {
            o = dc * (full - f) / full + sc * f / full;
        } else if (op == TRANS) {
            const bool half = (depth == 32) ? (f == 127 || f == 128) : (f == 16);
            o = half ? (dc + sc) / 2 : dc + floor_div((sc - dc) * f, full);
        } else {
            const bool green5 = (depth == 16 && i == 1);
            if (green5) {
                dc >>= 1;
                sc >>= 1;
                bits = 5;
            }
            const int scaled = (f == full) ? sc : sc * f / full;
            o = std::min(dc + scaled, (1 << bits) - 1);
            if (green5)
                o <<= 1;
        }
        out |= static_cast<uint32_t>(o) << c.shift[i];
    }
    return out;
}

// ---- bitmaps ----

// 24-bit pixels are three bytes, lowest first.
uint32_t get(BITMAP* b, int x, int y)
{
    if (bitmap_color_depth(b) == 32)
        return reinterpret_cast<uint32_t*>(b->line[y])[x];
    if (bitmap_color_depth(b) == 24) {
        const uint8_t* p = b->line[y] + x * 3;
        return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    return reinterpret_cast<uint16_t*>(b->line[y])[x];
}

void put(BITMAP* b, int x, int y, uint32_t v)
{
    if (bitmap_color_depth(b) == 32) {
        reinterpret_cast<uint32_t*>(b->line[y])[x] = v;
    } else if (bitmap_color_depth(b) == 24) {
        uint8_t* p = b->line[y] + x * 3;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    } else {
        reinterpret_cast<uint16_t*>(b->line[y])[x] = static_cast<uint16_t>(v);
    }
}

struct BMP {
    BITMAP* b;
    BMP(int depth, int w, int h)
        : b(create_bitmap_ex(depth, w, h))
    {
    }
    ~BMP() { destroy_bitmap(b); }
    BMP(const BMP&) = delete;
    BMP& operator=(const BMP&) = delete;
};

std::vector<uint32_t> pixels_of(BITMAP* b)
{
    std::vector<uint32_t> v;
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++)
            v.push_back(get(b, x, y));
    return v;
}

uint32_t random_pixel(std::mt19937& rng, int depth)
{
    return static_cast<uint32_t>(rng()) & pixel_bits(depth);
}

// Random pixels; with `with_mask`, like a sprite: each row starts with a see-through run of random
// length, and mask-coloured pixels and near misses of the mask are sprinkled in.
void randomize(BITMAP* b, std::mt19937& rng, bool with_mask)
{
    const int depth = bitmap_color_depth(b);
    for (int y = 0; y < b->h; y++) {
        const int border = with_mask ? static_cast<int>(rng() % 48) : 0;
        for (int x = 0; x < b->w; x++) {
            uint32_t v = random_pixel(rng, depth);
            const unsigned pick = rng() % 8;
            if (x < border)
                v = mask_color(depth);
            else if (with_mask && pick == 0)
                v = mask_color(depth);
            else if (with_mask && pick == 1)
                v = mask_color(depth) ^ (1u << (rng() % (depth == 32 ? 32 : depth == 24 ? 24 : 16)));
            put(b, x, y, v);
        }
    }
}

struct CALL {
    OP op;
    int x, y, w, h;  // w, h ignored for TRANS (the source's size)
    uint32_t color;
    int fact;
};

void run(const CALL& c, BITMAP* dst, BITMAP* src)
{
    if (c.op == RECT_TRANS)
        fblend_rect_trans(dst, c.x, c.y, c.w, c.h, static_cast<int>(c.color), c.fact);
    else if (c.op == RECT_ADD)
        fblend_rect_add(dst, c.x, c.y, c.w, c.h, static_cast<int>(c.color), c.fact);
    else
        fblend_trans(src, dst, c.x, c.y, c.fact);
}

// Runs the call on dst and compares every pixel with the model applied to the pixels before.
::testing::AssertionResult matches_model(const CALL& c, BITMAP* dst, BITMAP* src)
{
    const std::vector<uint32_t> before = pixels_of(dst);
    run(c, dst, src);
    const int depth = bitmap_color_depth(dst);
    const int w = c.op == TRANS ? src->w : c.w, h = c.op == TRANS ? src->h : c.h;
    for (int y = 0; y < dst->h; y++)
        for (int x = 0; x < dst->w; x++) {
            const uint32_t d = before[static_cast<size_t>(y) * dst->w + x];
            const bool inside = (long long)x >= c.x && (long long)x < (long long)c.x + w && (long long)y >= c.y &&
                (long long)y < (long long)c.y + h;
            const uint32_t s = c.op == TRANS ? (inside ? get(src, x - c.x, y - c.y) : 0) : c.color;
            const uint32_t want = inside ? model_pixel(c.op, depth, d, s, c.fact) : d;
            const uint32_t got = get(dst, x, y);
            if (got != want) {
                std::ostringstream m;
                m << std::hex << OP_NAMES[c.op] << " depth " << std::dec << depth << " fact " << c.fact << " rect ("
                  << c.x << "," << c.y << " " << w << "x" << h << ") pixel (" << x << "," << y << "): dst 0x"
                  << std::hex << d << " src/colour 0x" << s << " want 0x" << want << " got 0x" << got;
                return ::testing::AssertionFailure() << m.str();
            }
        }
    return ::testing::AssertionSuccess();
}

class Blend : public ::testing::Test {
protected:
    static void SetUpTestSuite() { headless_init(32); }
    void TearDown() override { fblend_select(fblend_best_impl()); }
};

// ---- every kernel set against the model ----

const char* const IMPL_NAMES[FBLEND_IMPL_COUNT] = {"portable", "sse2", "avx2"};

class BlendKernels : public Blend, public ::testing::WithParamInterface<fblend_impl> {
protected:
    void SetUp() override
    {
        if (!fblend_select(GetParam()))
            GTEST_SKIP() << "kernel set not available on this processor";
        ASSERT_STREQ(fblend_active_kernels()->name, IMPL_NAMES[GetParam()]);
    }
};

// Every strength at every depth on random pictures, with rows long enough for whole vectors and
// odd lengths and offsets that leave tails and unaligned starts.
TEST_P(BlendKernels, EveryStrengthMatchesModel)
{
    std::mt19937 rng(1234);
    for (int depth : DEPTHS) {
        BMP dst(depth, 83, 9), src(depth, 71, 6);
        for (int fact = -1; fact <= 256; fact++) {
            for (OP op : {RECT_TRANS, TRANS, RECT_ADD}) {
                randomize(dst.b, rng, false);
                randomize(src.b, rng, true);
                const CALL c = {op, 1 + static_cast<int>(rng() % 9), static_cast<int>(rng() % 3), 71, 6,
                    random_pixel(rng, depth), fact};
                ASSERT_TRUE(matches_model(c, dst.b, src.b)) << fblend_active_kernels()->name;
            }
        }
    }
}

// Short rows, down to the one-pixel sparks, take the kernels' leftover path only.
TEST_P(BlendKernels, ShortRowsMatchModel)
{
    std::mt19937 rng(99);
    for (int depth : DEPTHS) {
        BMP dst(depth, 40, 3), src(depth, 1, 1);
        for (int w = 1; w <= 33; w++) {
            BMP s(depth, w, 2);
            for (OP op : {RECT_TRANS, TRANS, RECT_ADD})
                for (int fact : {1, 100, 127, 200, 254}) {
                    randomize(dst.b, rng, false);
                    randomize(s.b, rng, true);
                    const CALL c = {op, static_cast<int>(rng() % 5), 1, w, 2, random_pixel(rng, depth), fact};
                    ASSERT_TRUE(matches_model(c, dst.b, s.b)) << fblend_active_kernels()->name << " width " << w;
                }
        }
    }
}

// All 65536 destination values at 15 and 16 bits, under several colours and sources, so that no
// channel value escapes the carries and roundings.
TEST_P(BlendKernels, Every16BitPixelMatchesModel)
{
    std::mt19937 rng(7);
    for (int depth : {15, 16}) {
        BMP dst(depth, 256, 256), src(depth, 256, 256);
        for (int fact : {1, 9, 64, 120, 128, 135, 200, 248, 255}) {
            for (uint32_t color : {0x0000u, 0xFFFFu, 0x7FFFu, 0x8421u, 0x07E0u, 0xF81Fu, 0x0020u}) {
                for (OP op : {RECT_TRANS, TRANS, RECT_ADD}) {
                    for (int i = 0; i < 65536; i++) {
                        put(dst.b, i & 255, i >> 8, static_cast<uint32_t>(i));
                        put(src.b, i & 255, i >> 8, (static_cast<uint32_t>(i) * 40503u + color) & 0xFFFF);
                    }
                    const CALL c = {op, 0, 0, 256, 256, color, fact};
                    ASSERT_TRUE(matches_model(c, dst.b, src.b)) << fblend_active_kernels()->name;
                }
            }
        }
    }
}

// Single pixels (sparks) take their own path: every strength, at the edges and just outside.
TEST_P(BlendKernels, SparksMatchModel)
{
    std::mt19937 rng(17);
    for (int depth : DEPTHS) {
        BMP dst(depth, 23, 11), src(depth, 1, 1);
        const int xs[] = {0, 22, 11, -1, 23, 5}, ys[] = {0, 10, 4, 3, 6, -1};
        for (int fact = -1; fact <= 256; fact++)
            for (int i = 0; i < 6; i++) {
                randomize(dst.b, rng, false);
                const CALL c = {RECT_ADD, xs[i], ys[i], 1, 1, random_pixel(rng, depth), fact};
                ASSERT_TRUE(matches_model(c, dst.b, src.b));
            }
        randomize(dst.b, rng, false);
        ASSERT_TRUE(matches_model({RECT_ADD, 11, 23, 1, 1, 0xFFFFFF, 200}, dst.b, src.b));
        ASSERT_TRUE(matches_model({RECT_ADD, 40, 4, 1, 1, 0xFFFFFF, 200}, dst.b, src.b));
    }
}

std::string impl_name(const ::testing::TestParamInfo<fblend_impl>& info)
{
    return IMPL_NAMES[info.param];
}

INSTANTIATE_TEST_SUITE_P(Sets, BlendKernels, ::testing::Values(FBLEND_PORTABLE, FBLEND_SSE2, FBLEND_AVX2), impl_name);

// ---- values pinned by hand, not by the model ----

struct PINNED {
    OP op;
    int depth;
    uint32_t dst, src;  // src: the colour, or the sprite's one pixel
    int fact;
    uint32_t want;
};

const PINNED PINNED_CASES[] = {
    // Strength 0 (and below) draws nothing.
    {RECT_TRANS, 15, 0x1234, 0x7FFF, 0, 0x1234},
    {RECT_TRANS, 16, 0x1234, 0xFFFF, 0, 0x1234},
    {RECT_TRANS, 32, 0xAB123456, 0xFFFFFF, 0, 0xAB123456},
    {TRANS, 16, 0x1234, 0xFFFF, 0, 0x1234},
    {TRANS, 32, 0x123456, 0xFFFFFF, 0, 0x123456},
    {RECT_ADD, 16, 0x1234, 0xFFFF, 0, 0x1234},
    {RECT_ADD, 32, 0x123456, 0xFFFFFF, 0, 0x123456},
    {RECT_ADD, 32, 0x123456, 0xFFFFFF, -20, 0x123456},
    // 16 bits: strengths 1 to 8 blend at 1/32, 249 to 255 (and beyond) fill solidly.
    {RECT_TRANS, 16, 0xFFFF, 0x0000, 1, 0xF7BE},
    {RECT_TRANS, 16, 0xFFFF, 0x0000, 8, 0xF7BE},
    {RECT_TRANS, 16, 0xFFFF, 0x0000, 9, 0xEF7D},
    {RECT_TRANS, 16, 0x0000, 0xFFFF, 248, 0xF7BE},
    {RECT_TRANS, 16, 0x0000, 0x1234, 249, 0x1234},
    {RECT_TRANS, 16, 0xFFFF, 0x1234, 255, 0x1234},
    {RECT_TRANS, 16, 0xFFFF, 0x1234, 300, 0x1234},
    // 32 bits: strength 1 blends at 2/256, 255 fills solidly; blending clears the top byte.
    {RECT_TRANS, 32, 0x000000, 0xFFFFFF, 1, 0x010101},
    {RECT_TRANS, 32, 0xFFFFFF, 0x000000, 1, 0xFDFDFD},
    {RECT_TRANS, 32, 0xAA808080, 0x000000, 1, 0x7F7F7F},
    {RECT_TRANS, 32, 0xAA000000, 0x000000, 128, 0x000000},
    {RECT_TRANS, 32, 0x808080, 0x102030, 255, 0x102030},
    // 32-bit sprites: 127 and 128 both give the exact average; 254 still blends.
    {TRANS, 32, 0x000000, 0xFFFFFF, 126, 0x7D7D7D},
    {TRANS, 32, 0x000000, 0xFFFFFF, 127, 0x7F7F7F},
    {TRANS, 32, 0x000000, 0xFFFFFF, 128, 0x7F7F7F},
    {TRANS, 32, 0x000000, 0xFFFFFF, 254, 0xFDFDFD},
    {TRANS, 32, 0x000000, 0xFFFFFF, 255, 0xFFFFFF},
    {TRANS, 32, 0xFF000000, 0x102030, 64, 0x04080C},
    // 16-bit sprites: halfway is the average; the mask colour is skipped at every strength.
    {TRANS, 16, 0x0000, 0xFFFF, 128, 0x7BEF},
    {TRANS, 16, 0x1234, 0xF81F, 1, 0x1234},
    {TRANS, 16, 0x1234, 0xF81F, 128, 0x1234},
    {TRANS, 16, 0x1234, 0xF81F, 255, 0x1234},
    {TRANS, 15, 0x1234, 0x7C1F, 128, 0x1234},
    {TRANS, 15, 0x1234, 0x7C1F, 255, 0x1234},
    // 32-bit mask: all 32 bits compared; with a top byte it is a colour like any other.
    {TRANS, 32, 0x11223344, 0xFF00FF, 128, 0x11223344},
    {TRANS, 32, 0x11223344, 0xFF00FF, 255, 0x11223344},
    {TRANS, 32, 0x000000, 0x01FF00FF, 128, 0x7F007F},
    {TRANS, 32, 0x000000, 0x01FF00FF, 255, 0x01FF00FF},
    // Additive: 16-bit white saturates red and blue at 31 and green at 62.
    {RECT_ADD, 16, 0x0000, 0xFFFF, 255, 0xFFDF},
    {RECT_ADD, 16, 0x1234, 0xFFFF, 255, 0xFFDF},
    {RECT_ADD, 16, 0xFFFF, 0xFFFF, 255, 0xFFDF},
    {RECT_ADD, 16, 0x0020, 0x0000, 255, 0x0000},
    {RECT_ADD, 15, 0x0000, 0x7FFF, 255, 0x7FFF},
    {RECT_ADD, 32, 0x808080, 0x808080, 255, 0xFFFFFF},
    {RECT_ADD, 32, 0x101010, 0x808080, 255, 0x909090},
    {RECT_ADD, 32, 0xFF101010, 0x808080, 255, 0x909090},
    {RECT_ADD, 32, 0x101010, 0x808080, 127, 0x505050},
    // 24 bits as 32: nothing at 0, 2/256 at 1, solid at 255, the average at 127, the mask skipped.
    {RECT_TRANS, 24, 0x123456, 0xFFFFFF, 0, 0x123456},
    {RECT_TRANS, 24, 0x000000, 0xFFFFFF, 1, 0x010101},
    {RECT_TRANS, 24, 0xFFFFFF, 0x000000, 1, 0xFDFDFD},
    {RECT_TRANS, 24, 0x808080, 0x102030, 255, 0x102030},
    {TRANS, 24, 0x000000, 0xFFFFFF, 127, 0x7F7F7F},
    {TRANS, 24, 0x000000, 0xFFFFFF, 254, 0xFDFDFD},
    {TRANS, 24, 0x000000, 0x102030, 255, 0x102030},
    {TRANS, 24, 0x112233, 0xFF00FF, 128, 0x112233},
    {TRANS, 24, 0x112233, 0xFF00FF, 255, 0x112233},
    {TRANS, 24, 0x112233, 0xFE00FF, 255, 0xFE00FF},
    {RECT_ADD, 24, 0x808080, 0x808080, 255, 0xFFFFFF},
    {RECT_ADD, 24, 0x101010, 0x808080, 255, 0x909090},
    {RECT_ADD, 24, 0x101010, 0x808080, 0, 0x101010},
};

// Each pinned value under every kernel set, on a pixel in the middle of a row of them so that
// the vector paths run too.
TEST_F(Blend, PinnedValues)
{
    for (int impl = 0; impl < FBLEND_IMPL_COUNT; impl++) {
        if (!fblend_select(static_cast<fblend_impl>(impl)))
            continue;
        for (const PINNED& p : PINNED_CASES) {
            const int n = 37;
            BMP dst(p.depth, n, 1), src(p.depth, n, 1);
            for (int x = 0; x < n; x++) {
                put(dst.b, x, 0, p.dst);
                put(src.b, x, 0, p.src);
            }
            run({p.op, 0, 0, n, 1, p.src, p.fact}, dst.b, src.b);
            for (int x = 0; x < n; x++)
                ASSERT_EQ(get(dst.b, x, 0), p.want)
                    << OP_NAMES[p.op] << " depth " << p.depth << std::hex << " dst 0x" << p.dst << " src 0x" << p.src
                    << std::dec << " fact " << p.fact << " x " << x << " set " << fblend_active_kernels()->name;
        }
    }
}

// ---- clipping ----

TEST_F(Blend, ClippingKeepsToTheBitmap)
{
    std::mt19937 rng(5);
    struct RECT {
        int x, y, w, h;
    };
    const RECT rects[] = {
        {-10, -10, 20, 20},
        {630, 470, 20, 20},
        {-30, 5, 25, 10},
        {640, 0, 5, 5},
        {0, 480, 5, 5},
        {5, -3, 0, 10},
        {5, 5, -4, 10},
        {5, 5, 10, -1},
        {-5, -5, 650, 490},
        {INT_MIN, 0, INT_MAX, 10},
        {INT_MAX - 2, 3, INT_MAX, 10},
    };
    for (int depth : DEPTHS) {
        BMP dst(depth, 640, 480);
        for (const RECT& r : rects) {
            BMP src(depth, std::min(std::max(r.w, 1), 700), std::min(std::max(r.h, 1), 500));
            randomize(src.b, rng, true);
            for (OP op : {RECT_TRANS, TRANS, RECT_ADD}) {
                randomize(dst.b, rng, false);
                const CALL c = {op, r.x, r.y, r.w, r.h, random_pixel(rng, depth), 100};
                ASSERT_TRUE(matches_model(c, dst.b, src.b));
            }
        }
    }
}

// A sub-bitmap is clipped to its own size and drawn through its own rows.
TEST_F(Blend, SubBitmapsKeepToTheirArea)
{
    std::mt19937 rng(8);
    for (int depth : DEPTHS) {
        BMP parent(depth, 40, 30), src(depth, 12, 9);
        BITMAP* sub = create_sub_bitmap(parent.b, 7, 5, 20, 15);
        randomize(src.b, rng, true);
        for (OP op : {RECT_TRANS, TRANS, RECT_ADD})
            for (int fact : {100, 255}) {
                randomize(parent.b, rng, false);
                const std::vector<uint32_t> before = pixels_of(parent.b);
                const CALL c = {op, 14, -3, 30, 30, random_pixel(rng, depth), fact};
                ASSERT_TRUE(matches_model(c, sub, src.b));
                for (int y = 0; y < 30; y++)
                    for (int x = 0; x < 40; x++)
                        if (x < 7 || x >= 27 || y < 5 || y >= 20) {
                            ASSERT_EQ(get(parent.b, x, y), before[static_cast<size_t>(y) * 40 + x]) << x << "," << y;
                        }
            }
        destroy_bitmap(sub);
    }
}

// The corners named for the game's overlays: exactly the in-bitmap part changes.
TEST_F(Blend, CornerRectanglesCoverTheirVisiblePart)
{
    struct CASE {
        int x, y, x1, y1, x2, y2;
    };
    for (const CASE& k : {CASE {-10, -10, 0, 0, 9, 9}, CASE {630, 470, 630, 470, 639, 479}}) {
        BMP dst(16, 640, 480);
        clear_to_color(dst.b, 0);
        fblend_rect_add(dst.b, k.x, k.y, 20, 20, 0xFFFF, 255);
        int changed = 0, minx = 640, miny = 480, maxx = -1, maxy = -1;
        for (int y = 0; y < 480; y++)
            for (int x = 0; x < 640; x++)
                if (get(dst.b, x, y)) {
                    changed++;
                    minx = std::min(minx, x), maxx = std::max(maxx, x);
                    miny = std::min(miny, y), maxy = std::max(maxy, y);
                }
        EXPECT_EQ(changed, 100);
        EXPECT_EQ(minx, k.x1);
        EXPECT_EQ(miny, k.y1);
        EXPECT_EQ(maxx, k.x2);
        EXPECT_EQ(maxy, k.y2);
    }
}

// The bitmap's clipping rectangle plays no part, at full strength as at any other.
TEST_F(Blend, ClippingRectangleIsNotConsulted)
{
    for (int fact : {128, 255}) {
        BMP dst(32, 50, 50), src(32, 10, 10);
        clear_to_color(dst.b, 0);
        clear_to_color(src.b, 0xFFFFFF);
        set_clip_rect(dst.b, 20, 20, 29, 29);
        fblend_rect_trans(dst.b, 0, 0, 10, 10, 0xFFFFFF, fact);
        fblend_trans(src.b, dst.b, 40, 0, fact);
        EXPECT_NE(get(dst.b, 0, 0), 0u) << fact;
        EXPECT_NE(get(dst.b, 40, 0), 0u) << fact;
    }
}

// ---- locking ----

int acquires, releases, bank_calls;
uintptr_t (*real_write_bank)(BITMAP*, int);

void count_acquire(BITMAP*)
{
    acquires++;
}
void count_release(BITMAP*)
{
    releases++;
}
uintptr_t count_bank(BITMAP* b, int line)
{
    bank_calls++;
    return real_write_bank(b, line);
}

// A memory bitmap whose lock and bank calls are counted.
struct WATCHED {
    BMP bmp;
    GFX_VTABLE vtable;
    GFX_VTABLE* real_vtable;
    void* real_bank;
    WATCHED(int depth, int w, int h)
        : bmp(depth, w, h)
        , vtable(*bmp.b->vtable)
    {
        real_vtable = bmp.b->vtable;
        real_bank = bmp.b->write_bank;
        real_write_bank = reinterpret_cast<uintptr_t (*)(BITMAP*, int)>(real_bank);
        vtable.acquire = count_acquire;
        vtable.release = count_release;
        bmp.b->vtable = &vtable;
        bmp.b->write_bank = reinterpret_cast<void*>(count_bank);
        acquires = releases = bank_calls = 0;
    }
    ~WATCHED()
    {
        bmp.b->vtable = real_vtable;
        bmp.b->write_bank = real_bank;
    }
};

TEST_F(Blend, LockingFollowsWhatIsDrawn)
{
    for (int depth : DEPTHS) {
        WATCHED dst(depth, 64, 48);
        BMP src(depth, 8, 8);
        clear_to_color(src.b, 0);

        // Wholly off the bitmap: no lock and no row touched.
        fblend_rect_trans(dst.bmp.b, 64, 0, 10, 10, 0, 100);
        fblend_rect_trans(dst.bmp.b, 0, -10, 10, 10, 0, 255);
        fblend_rect_add(dst.bmp.b, -20, 5, 20, 10, 0, 100);
        fblend_trans(src.b, dst.bmp.b, 0, 48, 100);
        fblend_trans(src.b, dst.bmp.b, -8, 0, 255);
        EXPECT_EQ(acquires, 0) << depth;
        EXPECT_EQ(bank_calls, 0) << depth;

        // Blends and solid fills lock once around their rows.
        fblend_rect_trans(dst.bmp.b, 1, 2, 10, 5, 0, 100);
        fblend_rect_trans(dst.bmp.b, 1, 2, 10, 5, 0, 255);
        fblend_rect_add(dst.bmp.b, 1, 2, 10, 5, 0, 100);
        fblend_trans(src.b, dst.bmp.b, 1, 2, 100);
        EXPECT_EQ(acquires, 4) << depth;
        EXPECT_EQ(releases, 4) << depth;
        EXPECT_EQ(bank_calls, 5 + 5 + 5 + 8) << depth;

        // The full-strength sprite is a masked copy, without a lock.
        fblend_trans(src.b, dst.bmp.b, 1, 2, 255);
        EXPECT_EQ(acquires, 4) << depth;
        EXPECT_EQ(bank_calls, 5 + 5 + 5 + 8 + 8) << depth;

        // A single pixel on a bitmap that needs locking is locked too.
        fblend_rect_add(dst.bmp.b, 3, 3, 1, 1, 0xFFFF, 100);
        EXPECT_EQ(acquires, 5) << depth;
        EXPECT_EQ(releases, 5) << depth;
        EXPECT_EQ(bank_calls, 5 + 5 + 5 + 8 + 8 + 1) << depth;
    }
}

// Rows reached through the bank calls get the same pixels as rows read from the line table.
TEST_F(Blend, BankedRowsMatchModel)
{
    std::mt19937 rng(21);
    for (int depth : DEPTHS) {
        WATCHED dst(depth, 50, 20);
        BMP src(depth, 30, 7);
        randomize(src.b, rng, true);
        for (OP op : {RECT_TRANS, TRANS, RECT_ADD})
            for (int fact : {60, 255})
                for (int w : {1, 33}) {
                    randomize(dst.bmp.b, rng, false);
                    const CALL c = {op, 3, 4, w, w == 1 ? 1 : 9, random_pixel(rng, depth), fact};
                    ASSERT_TRUE(matches_model(c, dst.bmp.b, src.b));
                }
        EXPECT_GT(bank_calls, 0);
    }
}

// ---- depths ----

TEST_F(Blend, OtherDepthsAndMixedDepthsDrawNothing)
{
    std::mt19937 rng(3);
    {
        const int depth = 8;
        BMP dst(depth, 20, 10), src(depth, 5, 5);
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 20; x++)
                putpixel(dst.b, x, y, static_cast<int>(rng() & 0xFF));
        clear_to_color(src.b, 1);
        const std::vector<uint32_t> before = [&] {
            std::vector<uint32_t> v;
            for (int y = 0; y < 10; y++)
                for (int x = 0; x < 20; x++)
                    v.push_back(static_cast<uint32_t>(getpixel(dst.b, x, y)));
            return v;
        }();
        for (int fact : {100, 255}) {
            fblend_rect_trans(dst.b, 0, 0, 20, 10, 0xFFFFFF, fact);
            fblend_rect_add(dst.b, 0, 0, 20, 10, 0xFFFFFF, fact);
            fblend_trans(src.b, dst.b, 0, 0, fact);
        }
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 20; x++)
                ASSERT_EQ(static_cast<uint32_t>(getpixel(dst.b, x, y)), before[static_cast<size_t>(y) * 20 + x])
                    << depth;
    }
    const int pairs[][2] = {{16, 32}, {32, 16}, {15, 16}, {16, 15}, {8, 16}, {24, 32}, {32, 24}};
    for (const auto& p : pairs) {
        BMP src(p[0], 5, 5), dst(p[1], 10, 10);
        clear_to_color(src.b, 0x1234);
        clear_to_color(dst.b, 0);
        for (int fact : {100, 255})
            fblend_trans(src.b, dst.b, 0, 0, fact);
        for (int y = 0; y < 10; y++)
            for (int x = 0; x < 10; x++)
                ASSERT_EQ(get(dst.b, x, y), 0u) << p[0] << " on " << p[1];
    }
}

// ---- full strength against the library's own calls ----

// At full strength the fill is the library's solid rectfill and the sprite its masked_blit, and
// a drawing mode left on elsewhere does not change that.
TEST_F(Blend, FullStrengthIsSolidFillAndMaskedBlit)
{
    std::mt19937 rng(11);
    for (int depth : DEPTHS) {
        BMP ours(depth, 60, 40), lib(depth, 60, 40), src(depth, 25, 17);
        randomize(ours.b, rng, false);
        blit(ours.b, lib.b, 0, 0, 0, 0, 60, 40);
        randomize(src.b, rng, true);
        const int color = static_cast<int>(random_pixel(rng, depth) & (depth >= 24 ? 0xFFFFFF : 0xFFFF));

        drawing_mode(DRAW_MODE_XOR, nullptr, 0, 0);
        fblend_rect_trans(ours.b, -3, 7, 30, 20, color, 255);
        fblend_trans(src.b, ours.b, 30, 10, 255);
        solid_mode();
        rectfill(lib.b, 0, 7, 26, 26, color);
        masked_blit(src.b, lib.b, 0, 0, 30, 10, 25, 17);
        ASSERT_EQ(pixels_of(ours.b), pixels_of(lib.b)) << depth;
    }
}

}  // namespace
