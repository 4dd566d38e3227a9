// Row kernels of the enlargement on 128-bit SSE2 vectors, which every x86-64 processor has.
#include "scale_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

struct V {
    typedef __m128i vec;
    static constexpr int BYTES = 16;
    static constexpr const char* NAME = "sse2";
    static vec load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static void store(void* p, vec v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    // p aligned to BYTES.
    static void stream(void* p, vec v) { _mm_stream_si128(static_cast<__m128i*>(p), v); }
    // Streamed stores are seen by others (the display) after this.
    static void fence() { _mm_sfence(); }
    static vec set16(uint16_t x) { return _mm_set1_epi16(static_cast<short>(x)); }
    static vec set32(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
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

#include "scale_simd.h"

const scale_kernels* scale_sse2_kernels()
{
    return &SIMD_KERNELS;
}

#else

const scale_kernels* scale_sse2_kernels()
{
    return nullptr;
}

#endif
