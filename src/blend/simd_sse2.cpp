// Row kernels of the blending primitives and of the enlargement on 128-bit SSE2 vectors, which
// every x86-64 processor has.
#include "fblend_kernels.h"
#include "scale_kernels.h"
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// The vector operations that both the blending and the enlargement kernels are written in.
struct V {
    typedef __m128i vec;
    static constexpr int BYTES = 16;
    static constexpr const char* NAME = "sse2";
    static vec load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void store(void* p, vec v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    static vec zero() { return _mm_setzero_si128(); }
    static vec set16(uint16_t x) { return _mm_set1_epi16(static_cast<short>(x)); }
    static vec set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
    static vec set64(uint64_t x) { return _mm_set1_epi64x(static_cast<long long>(x)); }
    static vec and_(vec a, vec b) { return _mm_and_si128(a, b); }
    static vec or_(vec a, vec b) { return _mm_or_si128(a, b); }
    static vec add16(vec a, vec b) { return _mm_add_epi16(a, b); }
    static vec adds_u8(vec a, vec b) { return _mm_adds_epu8(a, b); }
    static vec adds_u16(vec a, vec b) { return _mm_adds_epu16(a, b); }
    static vec mullo16(vec a, vec b) { return _mm_mullo_epi16(a, b); }
    static vec mulhi_u16(vec a, vec b) { return _mm_mulhi_epu16(a, b); }
    template <int N> static vec slli16(vec a) { return _mm_slli_epi16(a, N); }
    template <int N> static vec srli16(vec a) { return _mm_srli_epi16(a, N); }
    static vec cmpeq16(vec a, vec b) { return _mm_cmpeq_epi16(a, b); }
    static vec cmpeq32(vec a, vec b) { return _mm_cmpeq_epi32(a, b); }
    // Every lane of m is all ones.
    static bool all_set(vec m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    // Lanes of a where m is all ones, of b where it is zero.
    static vec select(vec m, vec a, vec b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    static vec unpacklo8(vec a, vec b) { return _mm_unpacklo_epi8(a, b); }
    static vec unpackhi8(vec a, vec b) { return _mm_unpackhi_epi8(a, b); }
    static vec packus16(vec a, vec b) { return _mm_packus_epi16(a, b); }
    // p aligned to BYTES.
    static void stream(void* p, vec v) { _mm_stream_si128(static_cast<__m128i*>(p), v); }
    // Streamed stores are seen by others (the display) after this.
    static void fence() { _mm_sfence(); }
    static void widen2_16(vec v, vec& lo, vec& hi)
    {
        lo = _mm_unpacklo_epi16(v, v);
        hi = _mm_unpackhi_epi16(v, v);
    }
    static void widen2_32(vec v, vec& lo, vec& hi)
    {
        lo = _mm_unpacklo_epi32(v, v);
        hi = _mm_unpackhi_epi32(v, v);
    }
    static void widen2_64(vec v, vec& lo, vec& hi)
    {
        lo = _mm_unpacklo_epi64(v, v);
        hi = _mm_unpackhi_epi64(v, v);
    }
    // No lanes picked across the vector before AVX2: rows are resampled by the portable loop.
    static constexpr bool HAS_PICK32 = false;
    static vec pick32(vec v, vec) { return v; }
    static vec mullo32(vec a, vec) { return a; }
    static vec add32(vec a, vec b) { return _mm_add_epi32(a, b); }
    static vec sub32(vec a, vec b) { return _mm_sub_epi32(a, b); }
    template <int N> static vec srli32(vec a) { return _mm_srli_epi32(a, N); }
    // No byte shuffle before SSSE3: 16-bit pixels tripled are left to the portable loop.
    static constexpr bool HAS_WIDEN3_16 = false;
    static constexpr int WIDEN3_16_READ = BYTES / 2;
    static void widen3_16(const uint16_t*, vec&, vec&, vec&) { }
    // p0 p1 p2 p3 -> p0 p0 p0 p1 | p1 p1 p2 p2 | p2 p3 p3 p3
    static void widen3_32(vec v, vec& a, vec& b, vec& c)
    {
        a = _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 0, 0));
        b = _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 2, 1, 1));
        c = _mm_shuffle_epi32(v, _MM_SHUFFLE(3, 3, 3, 2));
    }
};

}  // namespace

#include "fblend_simd.h"
#include "scale_simd.h"

const fblend_kernels* fblend_sse2_kernels()
{
    return &fblend_simd::SIMD_KERNELS;
}

const scale_kernels* scale_sse2_kernels()
{
    return &scale_simd::SIMD_KERNELS;
}

#else

const fblend_kernels* fblend_sse2_kernels()
{
    return nullptr;
}

const scale_kernels* scale_sse2_kernels()
{
    return nullptr;
}

#endif
