// The sanitizer build's own memmove (tools/build/sanitizer): the bytes of
// every overlap come out as a byte-by-byte move gives them, and a move out of
// bounds is still reported.
#include <gtest/gtest.h>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

namespace {
// Called through a pointer the compiler cannot see through, as the graphics
// library calls it: the sanitizer replaces direct calls in instrumented code.
void* (*volatile program_memmove)(void*, const void*, size_t) = memmove;

std::vector<unsigned char> moved_byte_by_byte(std::vector<unsigned char> buf, size_t to, size_t from, size_t n)
{
    std::vector<unsigned char> copy(buf.begin() + from, buf.begin() + from + n);
    std::copy(copy.begin(), copy.end(), buf.begin() + to);
    return buf;
}
}  // namespace

TEST(SanitizerMemmove, EveryOverlapMovesLikeAByteByByteMove)
{
    // Each distance and length both ways: down (to the lower address) and up.
    const struct {
        size_t gap, n;
    } cases[] = {{0, 100}, {1, 200}, {3, 100}, {64, 150}, {199, 200}, {200, 200}, {5, 0}};
    for (const auto& c : cases)
        for (const bool up : {false, true}) {
            const size_t to = up ? c.gap : 0, from = up ? 0 : c.gap;
            std::vector<unsigned char> buf(400);
            std::iota(buf.begin(), buf.end(), 0);
            const std::vector<unsigned char> want = moved_byte_by_byte(buf, to, from, c.n);
            EXPECT_EQ(program_memmove(buf.data() + to, buf.data() + from, c.n), buf.data() + to);
            EXPECT_EQ(buf, want) << "to " << to << ", from " << from << ", " << c.n << " bytes";
        }
}

#if defined(__SANITIZE_ADDRESS__)
TEST(SanitizerMemmoveDeathTest, AMoveOutOfBoundsIsReported)
{
    const size_t n = 64;
    std::unique_ptr<char[]> a(new char[n]), b(new char[n]);
    std::memset(a.get(), 1, n);
    EXPECT_DEATH(program_memmove(b.get(), a.get(), n + 1), "heap-buffer-overflow");
    EXPECT_DEATH(program_memmove(a.get() + 1, a.get(), n), "heap-buffer-overflow");
    EXPECT_DEATH(program_memmove(a.get(), a.get() + 8, n), "heap-buffer-overflow");
}
#endif
