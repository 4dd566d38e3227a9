// Whole-multiple enlargement: every source pixel becomes an exact k x k block, for every kernel
// set this machine runs, every depth and awkward widths and places; nothing outside the area is
// touched; clipping and refusals. The smooth fill: the enlarged picture's areas averaged, the
// same bytes from every kernel set and for any part drawn alone, and its refusals.
#include "scale.h"
#include "scale_kernels.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string.h>
#include <string>
#include <vector>

namespace {

const int SCALE_DEPTHS[] = {8, 15, 16, 24, 32};
const uint32_t GUARD = 0x5A5A5A5A;

uint32_t depth_mask(int depth)
{
    return depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
}

BITMAP* random_bitmap(int depth, int w, int h, std::mt19937& rng)
{
    BITMAP* b = create_bitmap_ex(depth, w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            putpixel(b, x, y, static_cast<int>(rng() & depth_mask(depth)));
    return b;
}

void fill_guard(BITMAP* b)
{
    clear_to_color(b, static_cast<int>(GUARD & depth_mask(bitmap_color_depth(b))));
}

// Every destination pixel: inside the enlarged area the source pixel it comes from, outside the
// guard value. Returns the first mismatch as text, or "".
std::string check_enlarged(BITMAP* src, BITMAP* dst, int sx, int sy, int dx, int dy, int w, int h, int k)
{
    const int guard = static_cast<int>(GUARD & depth_mask(bitmap_color_depth(dst)));
    for (int y = 0; y < dst->h; y++)
        for (int x = 0; x < dst->w; x++) {
            const bool inside = x >= dx && x < dx + w * k && y >= dy && y < dy + h * k;
            const int want = inside ? getpixel(src, sx + (x - dx) / k, sy + (y - dy) / k) : guard;
            const int got = getpixel(dst, x, y);
            if (got != want) {
                std::ostringstream o;
                o << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected " << want;
                return o.str();
            }
        }
    return "";
}

// The first pixel where two bitmaps of one size differ, as text, or "".
std::string first_difference(BITMAP* want, BITMAP* got)
{
    const size_t row_bytes = static_cast<size_t>(want->w) * ((bitmap_color_depth(want) + 7) / 8);
    for (int y = 0; y < want->h; y++)
        for (int x = 0; memcmp(want->line[y], got->line[y], row_bytes) != 0 && x < want->w; x++)
            if (getpixel(want, x, y) != getpixel(got, x, y)) {
                std::ostringstream o;
                o << "pixel (" << x << ", " << y << ") is " << std::hex << getpixel(got, x, y) << ", expected "
                  << getpixel(want, x, y);
                return o.str();
            }
    return "";
}

class Scale : public ::testing::Test {
protected:
    void SetUp() override { headless_init(32); }
    void TearDown() override { scale_select(scale_best_impl()); }
};

// The widths straddle vector lengths (4, 8, 16 pixels) so that the vector loops, their tails and
// rows shorter than a vector all run; the places make unaligned destinations.
TEST_F(Scale, EverySourcePixelBecomesAnExactBlockForEverySetDepthAndMultiple)
{
    std::mt19937 rng(17);
    const int widths[] = {1, 3, 7, 8, 15, 16, 17, 33, 40};
    for (int impl = 0; impl < SCALE_IMPL_COUNT; impl++) {
        if (!scale_select(static_cast<scale_impl>(impl)))
            continue;
        const char* name = scale_active_kernels()->name;
        for (int depth : SCALE_DEPTHS)
            for (int k = 1; k <= 5; k++)
                for (int w : widths) {
                    const int h = 3, sx = 2, sy = 1, dx = 1 + (w % 3), dy = 2;
                    BITMAP* src = random_bitmap(depth, w + 5, h + 2, rng);
                    BITMAP* dst = create_bitmap_ex(depth, dx + w * k + 3, dy + h * k + 2);
                    fill_guard(dst);
                    scale_blit(src, dst, sx, sy, dx, dy, w, h, k);
                    EXPECT_EQ(check_enlarged(src, dst, sx, sy, dx, dy, w, h, k), "")
                        << name << ", " << depth << " bits, k " << k << ", width " << w;
                    destroy_bitmap(src);
                    destroy_bitmap(dst);
                }
    }
}

// Stored past the cache, as for the X screen: the same pixels. The destination's rows are placed
// on a vector boundary so that the streamed stores really run.
TEST_F(Scale, StreamedStoresGiveTheSamePixels)
{
    std::mt19937 rng(23);
    for (int impl = 0; impl < SCALE_IMPL_COUNT; impl++) {
        if (!scale_select(static_cast<scale_impl>(impl)))
            continue;
        for (int depth : {16, 32})
            for (int k = 1; k <= 5; k++)
                for (int w : {16, 40, 61}) {
                    const int bytes = depth / 8, h = 2;
                    BITMAP* src = random_bitmap(depth, w, h, rng);
                    // 64 pixels of room on the left to reach a 64-byte boundary; the width keeps
                    // every row on the same boundary.
                    BITMAP* dst = create_bitmap_ex(depth, 64 + w * k + 64 / bytes * 2, h * k + 1);
                    const int pitch = static_cast<int>(dst->line[1] - dst->line[0]);
                    const int misalign = static_cast<int>(reinterpret_cast<uintptr_t>(dst->line[0]) % 64);
                    ASSERT_EQ(misalign % bytes, 0);
                    const int dx = ((64 - misalign) % 64) / bytes;
                    fill_guard(dst);
                    scale_blit(src, dst, 0, 0, dx, 1, w, h, k, true);
                    EXPECT_EQ(check_enlarged(src, dst, 0, 0, dx, 1, w, h, k), "")
                        << scale_active_kernels()->name << ", " << depth << " bits, k " << k << ", width " << w
                        << ", pitch " << pitch;
                    destroy_bitmap(src);
                    destroy_bitmap(dst);
                }
    }
}

// The game's own case: the whole 640x480 picture at 2 and 3 into a larger screen, centred.
TEST_F(Scale, WholePictureIntoALargerScreen)
{
    std::mt19937 rng(3);
    for (int depth : {16, 32})
        for (int k : {2, 3}) {
            BITMAP* src = random_bitmap(depth, 640, 480, rng);
            BITMAP* dst = create_bitmap_ex(depth, 640 * k + 64, 480 * k + 20);
            fill_guard(dst);
            scale_blit(src, dst, 0, 0, 32, 10, 640, 480, k, true);
            EXPECT_EQ(check_enlarged(src, dst, 0, 0, 32, 10, 640, 480, k), "") << depth << " bits, k " << k;
            destroy_bitmap(src);
            destroy_bitmap(dst);
        }
}

TEST_F(Scale, SourceAreaIsClippedAndAnAreaThatDoesNotFitIsRefused)
{
    std::mt19937 rng(5);
    BITMAP* src = random_bitmap(32, 10, 8, rng);
    BITMAP* dst = create_bitmap_ex(32, 40, 40);

    // Starting left of and above the source: the area shrinks and moves with the cut.
    fill_guard(dst);
    scale_blit(src, dst, -2, -1, 0, 0, 6, 4, 2);
    EXPECT_EQ(check_enlarged(src, dst, 0, 0, 4, 2, 4, 3, 2), "");

    // Running past the source's right and bottom edges: only what exists is drawn.
    fill_guard(dst);
    scale_blit(src, dst, 7, 6, 1, 1, 10, 10, 3);
    EXPECT_EQ(check_enlarged(src, dst, 7, 6, 1, 1, 3, 2, 3), "");

    // An enlarged area that would leave the destination, a multiple below 1, different depths,
    // an area wholly off the source: nothing at all.
    BITMAP* other = create_bitmap_ex(16, 40, 40);
    const struct {
        BITMAP* to;
        int sx, dx, w, k;
    } refused[] = {{dst, 0, 30, 4, 3}, {dst, 0, -1, 4, 2}, {dst, 0, 0, 4, 0}, {other, 0, 0, 4, 2}, {dst, 20, 0, 4, 2}};
    for (const auto& r : refused) {
        fill_guard(r.to);
        scale_blit(src, r.to, r.sx, 0, r.dx, 0, r.w, 4, r.k);
        EXPECT_EQ(check_enlarged(src, r.to, 0, 0, 0, 0, 0, 0, 1), "") << "dx " << r.dx << ", k " << r.k;
    }
    destroy_bitmap(other);
    destroy_bitmap(src);
    destroy_bitmap(dst);
}

// The channels of a pixel: four bytes at 32 bits, 5-6-5 bits at 16.
std::vector<int> channels(int depth, int p)
{
    if (depth == 32)
        return {p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF, (p >> 24) & 0xFF};
    return {(p >> 11) & 0x1F, (p >> 5) & 0x3F, p & 0x1F};
}

// How much of result pixel i of n (covering i*E/n to (i+1)*E/n of the enlarged picture, E =
// src_n * m) falls on source pixel j (covering j*m to (j+1)*m), as a share of the result pixel.
double cover(int i, int n, int j, int src_n, int m)
{
    const double e = static_cast<double>(src_n) * m;
    const double a = std::max(i * e / n, static_cast<double>(j) * m), b = std::min((i + 1) * e / n, (j + 1.0) * m);
    return b > a ? (b - a) / (e / n) : 0;
}

// Every result pixel against the average, worked out in doubles, of the areas of the enlarged
// picture it covers: no channel off by more than 2 (the result is rounded twice), and the
// result not straying outside its place. Returns the first mismatch as text, or "".
std::string check_filled(BITMAP* src, BITMAP* dst, int dx, int dy, int w, int h)
{
    const int depth = bitmap_color_depth(src), m = fill_multiple(src->w, src->h, w, h);
    const int guard = static_cast<int>(GUARD & depth_mask(depth));
    for (int y = 0; y < dst->h; y++)
        for (int x = 0; x < dst->w; x++) {
            const int got = getpixel(dst, x, y);
            std::ostringstream o;
            o << "pixel (" << x << ", " << y << ") is " << std::hex << got;
            if (x < dx || x >= dx + w || y < dy || y >= dy + h) {
                if (got != guard)
                    return o.str() + ", outside the result";
                continue;
            }
            std::vector<double> want(channels(depth, 0).size(), 0.0);
            // Only source pixels near the result pixel's place can be covered.
            const int j0 = (y - dy) * src->h / h, i0 = (x - dx) * src->w / w;
            for (int j = std::max(j0 - 2, 0); j < std::min(j0 + 3, src->h); j++) {
                const double cy = cover(y - dy, h, j, src->h, m);
                for (int i = std::max(i0 - 2, 0); cy > 0 && i < std::min(i0 + 3, src->w); i++) {
                    const double c = cy * cover(x - dx, w, i, src->w, m);
                    const std::vector<int> ch = channels(depth, getpixel(src, i, j));
                    for (size_t k = 0; c > 0 && k < ch.size(); k++)
                        want[k] += c * ch[k];
                }
            }
            const std::vector<int> ch = channels(depth, got);
            for (size_t k = 0; k < ch.size(); k++)
                if (std::abs(ch[k] - want[k]) > 2)
                    return o.str() + ", channel " + std::to_string(k) + " should be " + std::to_string(want[k]);
        }
    return "";
}

TEST_F(Scale, FillIsTheEnlargedPictureWithItsAreasAveraged)
{
    std::mt19937 rng(29);
    // A small picture stands for the 640x480 one: the sizes are the same shares of it as the
    // screens' (1.6, 1.875, 2.25, 1.2, 2.5 times) and odd ones.
    const struct {
        int w, h;
    } sizes[] = {{64, 48}, {75, 56}, {90, 67}, {48, 36}, {100, 75}, {41, 31}};
    for (int depth : {16, 32})
        for (const auto& size : sizes) {
            BITMAP* src = random_bitmap(depth, 40, 30, rng);
            BITMAP* dst = create_bitmap_ex(depth, size.w + 5, size.h + 4);
            fill_guard(dst);
            ASSERT_TRUE(fill_blit(src, dst, 3, 2, size.w, size.h, 0, 0, size.w - 1, size.h - 1));
            EXPECT_EQ(check_filled(src, dst, 3, 2, size.w, size.h), "")
                << depth << " bits, " << size.w << "x" << size.h;
            destroy_bitmap(src);
            destroy_bitmap(dst);
        }
}

// Every kernel set gives the portable set's bytes, for the game's picture at the screens' fill
// sizes; and a part drawn alone (as the opening zoom does) is the same as that part of the whole.
TEST_F(Scale, FillIsTheSameForEveryKernelSetAndForAPartDrawnAlone)
{
    std::mt19937 rng(31);
    const struct {
        int w, h;
    } sizes[] = {{1024, 768}, {1200, 900}, {1440, 1080}, {1001, 751}};
    for (int depth : {16, 32}) {
        BITMAP* src = random_bitmap(depth, 640, 480, rng);
        for (const auto& size : sizes) {
            BITMAP* want = create_bitmap_ex(depth, size.w, size.h);
            BITMAP* got = create_bitmap_ex(depth, size.w, size.h);
            ASSERT_TRUE(scale_select(SCALE_PORTABLE));
            fill_blit(src, want, 0, 0, size.w, size.h, 0, 0, size.w - 1, size.h - 1);
            for (int impl = 1; impl < SCALE_IMPL_COUNT; impl++) {
                if (!scale_select(static_cast<scale_impl>(impl)))
                    continue;
                fill_guard(got);
                fill_blit(src, got, 0, 0, size.w, size.h, 0, 0, size.w - 1, size.h - 1);
                EXPECT_EQ(first_difference(want, got), "")
                    << scale_active_kernels()->name << ", " << depth << " bits, " << size.w << "x" << size.h;
            }
            // The middle part only: equal to the whole there, the guard elsewhere.
            const int x1 = size.w / 3, y1 = size.h / 4, x2 = size.w * 2 / 3, y2 = size.h / 2;
            fill_guard(got);
            fill_blit(src, got, 0, 0, size.w, size.h, x1, y1, x2, y2);
            const int guard = static_cast<int>(GUARD & depth_mask(depth));
            set_clip_rect(want, 0, 0, size.w - 1, size.h - 1);
            rectfill(want, 0, 0, size.w - 1, y1 - 1, guard);
            rectfill(want, 0, y2 + 1, size.w - 1, size.h - 1, guard);
            rectfill(want, 0, y1, x1 - 1, y2, guard);
            rectfill(want, x2 + 1, y1, size.w - 1, y2, guard);
            EXPECT_EQ(first_difference(want, got), "") << "part, " << depth << " bits, " << size.w << "x" << size.h;
            destroy_bitmap(want);
            destroy_bitmap(got);
        }
        destroy_bitmap(src);
    }
}

// The mixing kernels of every set against the per-pixel formula, at widths around the vectors'
// and the weights' ends.
TEST_F(Scale, MixingKernelsOfEverySetFollowThePixelFormula)
{
    std::mt19937 rng(37);
    for (int impl = 0; impl < SCALE_IMPL_COUNT; impl++) {
        const scale_kernels* k = scale_kernels_of(static_cast<scale_impl>(impl));
        if (!k)
            continue;
        for (int n : {1, 7, 8, 9, 16, 17, 33})
            for (int w : {0, 1, 128, 255, 256}) {
                std::vector<uint32_t> a32(n), b32(n), d32(n);
                std::vector<uint16_t> a16(n), b16(n), d16(n);
                for (int i = 0; i < n; i++) {
                    a32[i] = rng();
                    b32[i] = rng();
                    a16[i] = static_cast<uint16_t>(rng());
                    b16[i] = static_cast<uint16_t>(rng());
                }
                k->mix_32(d32.data(), a32.data(), b32.data(), n, w);
                k->mix_16(d16.data(), a16.data(), b16.data(), n, w);
                for (int i = 0; i < n; i++) {
                    ASSERT_EQ(d32[i], scale_mix_pixel_32(a32[i], b32[i], w)) << k->name << " n " << n << " w " << w;
                    ASSERT_EQ(d16[i], scale_mix_pixel_16(a16[i], b16[i], w)) << k->name << " n " << n << " w " << w;
                }
            }
    }
    // The formula itself, channel by channel, at both ends of the weight and the middle.
    EXPECT_EQ(scale_mix_pixel_32(0x10FF2000u, 0x30008040u, 0), 0x10FF2000u);
    EXPECT_EQ(scale_mix_pixel_32(0x10FF2000u, 0x30008040u, 256), 0x30008040u);
    EXPECT_EQ(scale_mix_pixel_32(0x10FF2000u, 0x30008040u, 128), 0x20805020u);
    EXPECT_EQ(scale_mix_pixel_16(0xF800, 0x07FF, 128), (16 << 11) | (32 << 5) | 16);
}

TEST_F(Scale, FillRefusesSizesDepthsAndPlacesItCannotDraw)
{
    std::mt19937 rng(41);
    EXPECT_EQ(fill_multiple(640, 480, 1024, 768), 2);
    EXPECT_EQ(fill_multiple(640, 480, 1440, 1080), 3);
    EXPECT_EQ(fill_multiple(640, 480, 2880, 2160), 5);
    EXPECT_EQ(fill_multiple(640, 480, 640, 480), 0);   // not larger: a whole multiple's case
    EXPECT_EQ(fill_multiple(640, 480, 1300, 481), 0);  // far from the shape
    EXPECT_EQ(fill_multiple(640, 480, 600, 800), 0);
    BITMAP* src = random_bitmap(32, 40, 30, rng);
    BITMAP* dst = create_bitmap_ex(32, 80, 60);
    BITMAP* other = create_bitmap_ex(16, 80, 60);
    BITMAP* src8 = random_bitmap(8, 40, 30, rng);
    BITMAP* dst8 = create_bitmap_ex(8, 80, 60);
    const struct {
        BITMAP *from, *to;
        int dx, w, h;
    } refused[] = {{src, dst, 0, 40, 30}, {src, dst, 20, 64, 48}, {src, dst, -1, 64, 48}, {src, other, 0, 64, 48},
        {src8, dst8, 0, 64, 48}};
    for (const auto& r : refused) {
        fill_guard(r.to);
        EXPECT_FALSE(fill_blit(r.from, r.to, r.dx, 0, r.w, r.h, 0, 0, r.w - 1, r.h - 1)) << r.dx << " " << r.w;
        EXPECT_EQ(check_enlarged(src, r.to, 0, 0, 0, 0, 0, 0, 1), "") << r.dx << " " << r.w;
    }
    for (BITMAP* b : {src, dst, other, src8, dst8})
        destroy_bitmap(b);
}

}  // namespace
