// Row kernels of the enlargement on 256-bit AVX2 vectors, used only where the processor has AVX2.
#include "scale_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Only the kernels below are compiled for AVX2; they are reached only after the check in
// scale_avx2_kernels, so the game still runs on processors without it.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

struct V {
    typedef __m256i vec;
    static constexpr int BYTES = 32;
    static constexpr const char *NAME = "avx2";
    static vec load(const void *p) { return _mm256_loadu_si256(static_cast<const __m256i *>(p)); }
    static void store(void *p, vec v) { _mm256_storeu_si256(static_cast<__m256i *>(p), v); }
    // p aligned to BYTES.
    static void stream(void *p, vec v) { _mm256_stream_si256(static_cast<__m256i *>(p), v); }
    // Streamed stores are seen by others (the display) after this.
    static void fence() { _mm_sfence(); }
    static vec set16(uint16_t x) { return _mm256_set1_epi16(static_cast<short>(x)); }
    static vec set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    // Unpacking works within each 128-bit half; the two halves are then put back in order.
    static void widen2_16(vec v, vec &lo, vec &hi)
    {
        const vec a = _mm256_unpacklo_epi16(v, v), b = _mm256_unpackhi_epi16(v, v);
        lo = _mm256_permute2x128_si256(a, b, 0x20);
        hi = _mm256_permute2x128_si256(a, b, 0x31);
    }
    static void widen2_32(vec v, vec &lo, vec &hi)
    {
        const vec a = _mm256_unpacklo_epi32(v, v), b = _mm256_unpackhi_epi32(v, v);
        lo = _mm256_permute2x128_si256(a, b, 0x20);
        hi = _mm256_permute2x128_si256(a, b, 0x31);
    }
    static void widen3_32(vec v, vec &a, vec &b, vec &c)
    {
        a = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2));
        b = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(2, 3, 3, 3, 4, 4, 4, 5));
        c = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7));
    }
};

} // namespace

#include "scale_simd.h"

#pragma GCC pop_options

const scale_kernels *scale_avx2_kernels()
{
    static const bool has_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has_avx2 ? &SIMD_KERNELS : nullptr;
}

#else

const scale_kernels *scale_avx2_kernels()
{
    return nullptr;
}

#endif
