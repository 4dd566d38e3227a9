// Whole-multiple enlargement: every source pixel becomes an exact k x k block, for every kernel
// set this machine runs, every depth and awkward widths and places; nothing outside the area is
// touched; clipping and refusals.
#include "scale.h"
#include "scale_kernels.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

const int DEPTHS[] = {8, 15, 16, 24, 32};
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
        for (int depth : DEPTHS)
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

}  // namespace
