// Row kernels on 256-bit AVX2 vectors, used only where the processor reports AVX2.
#include "fblend_kernels.h"
#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Only the kernels below are compiled for AVX2; they are reached only after the check in
// fblend_avx2_kernels, so the game still runs on processors without it.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

// The vector operations the shared kernels are written in.
struct V {
    typedef __m256i vec;
    static constexpr int BYTES = 32;
    static constexpr const char* NAME = "avx2";
    static vec load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static void store(void* p, vec v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
    static vec zero() { return _mm256_setzero_si256(); }
    static vec set16(uint16_t x) { return _mm256_set1_epi16(static_cast<short>(x)); }
    static vec set32(uint32_t x) { return _mm256_set1_epi32(static_cast<int>(x)); }
    static vec set64(uint64_t x) { return _mm256_set1_epi64x(static_cast<long long>(x)); }
    static vec and_(vec a, vec b) { return _mm256_and_si256(a, b); }
    static vec or_(vec a, vec b) { return _mm256_or_si256(a, b); }
    static vec add16(vec a, vec b) { return _mm256_add_epi16(a, b); }
    static vec adds_u8(vec a, vec b) { return _mm256_adds_epu8(a, b); }
    static vec adds_u16(vec a, vec b) { return _mm256_adds_epu16(a, b); }
    static vec mullo16(vec a, vec b) { return _mm256_mullo_epi16(a, b); }
    static vec mulhi_u16(vec a, vec b) { return _mm256_mulhi_epu16(a, b); }
    template <int N> static vec slli16(vec a) { return _mm256_slli_epi16(a, N); }
    template <int N> static vec srli16(vec a) { return _mm256_srli_epi16(a, N); }
    static vec cmpeq16(vec a, vec b) { return _mm256_cmpeq_epi16(a, b); }
    static vec cmpeq32(vec a, vec b) { return _mm256_cmpeq_epi32(a, b); }
    // Every lane of m is all ones.
    static bool all_set(vec m) { return _mm256_movemask_epi8(m) == -1; }
    // Lanes of a where m is all ones, of b where it is zero.
    static vec select(vec m, vec a, vec b) { return _mm256_blendv_epi8(b, a, m); }
    // Unpacking and packing work within each 128-bit half, so a pack undoes the unpacks.
    static vec unpacklo8(vec a, vec b) { return _mm256_unpacklo_epi8(a, b); }
    static vec unpackhi8(vec a, vec b) { return _mm256_unpackhi_epi8(a, b); }
    static vec packus16(vec a, vec b) { return _mm256_packus_epi16(a, b); }
};

}  // namespace

#include "fblend_simd.h"

#pragma GCC pop_options

const fblend_kernels* fblend_avx2_kernels()
{
    static const bool has_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has_avx2 ? &SIMD_KERNELS : nullptr;
}

#else

const fblend_kernels* fblend_avx2_kernels()
{
    return nullptr;
}

#endif
