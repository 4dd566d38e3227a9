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
    const struct {
        size_t to, from, n;
    } cases[] = {
        {0, 1, 200},
        {1, 0, 200},
        {0, 3, 100},
        {3, 0, 100},
        {0, 64, 150},
        {64, 0, 150},
        {0, 199, 200},
        {199, 0, 200},
        {0, 200, 200},
        {200, 0, 200},
        {5, 5, 100},
        {7, 2, 0},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> buf(400);
        std::iota(buf.begin(), buf.end(), 0);
        const std::vector<unsigned char> want = moved_byte_by_byte(buf, c.to, c.from, c.n);
        EXPECT_EQ(program_memmove(buf.data() + c.to, buf.data() + c.from, c.n), buf.data() + c.to);
        EXPECT_EQ(buf, want) << "to " << c.to << ", from " << c.from << ", " << c.n << " bytes";
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
