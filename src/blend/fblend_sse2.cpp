// Row kernels on 128-bit SSE2 vectors, which every x86-64 processor has.
#include "fblend_kernels.h"
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

// The vector operations the shared kernels are written in.
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
};

}  // namespace

#include "fblend_simd.h"

const fblend_kernels* fblend_sse2_kernels()
{
    return &SIMD_KERNELS;
}

#else

const fblend_kernels* fblend_sse2_kernels()
{
    return nullptr;
}

#endif
