// Row kernels of the blending primitives and of the enlargement on 256-bit AVX2 vectors, used only
// where the processor reports AVX2.
#include "fblend_kernels.h"
#include "scale_kernels.h"
#include <string.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

// Only the kernels below are compiled for AVX2; they are reached only after the check in
// has_avx2, so the game still runs on processors without it.
#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

// The vector operations that both the blending and the enlargement kernels are written in.
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
    // p aligned to BYTES.
    static void stream(void* p, vec v) { _mm256_stream_si256(static_cast<__m256i*>(p), v); }
    // Streamed stores are seen by others (the display) after this.
    static void fence() { _mm_sfence(); }
    // Unpacking works within each 128-bit half; the two halves are then put back in order.
    static void widen2_16(vec v, vec& lo, vec& hi)
    {
        const vec a = _mm256_unpacklo_epi16(v, v), b = _mm256_unpackhi_epi16(v, v);
        lo = _mm256_permute2x128_si256(a, b, 0x20);
        hi = _mm256_permute2x128_si256(a, b, 0x31);
    }
    static void widen2_32(vec v, vec& lo, vec& hi)
    {
        const vec a = _mm256_unpacklo_epi32(v, v), b = _mm256_unpackhi_epi32(v, v);
        lo = _mm256_permute2x128_si256(a, b, 0x20);
        hi = _mm256_permute2x128_si256(a, b, 0x31);
    }
    static void widen2_64(vec v, vec& lo, vec& hi)
    {
        const vec a = _mm256_unpacklo_epi64(v, v), b = _mm256_unpackhi_epi64(v, v);
        lo = _mm256_permute2x128_si256(a, b, 0x20);
        hi = _mm256_permute2x128_si256(a, b, 0x31);
    }
    // Lane j of the result is lane i[j] (taken modulo 8) of v.
    static constexpr bool HAS_PICK32 = true;
    static vec pick32(vec v, vec i) { return _mm256_permutevar8x32_epi32(v, i); }
    static vec mullo32(vec a, vec b) { return _mm256_mullo_epi32(a, b); }
    static vec add32(vec a, vec b) { return _mm256_add_epi32(a, b); }
    static vec sub32(vec a, vec b) { return _mm256_sub_epi32(a, b); }
    template <int N> static vec srli32(vec a) { return _mm256_srli_epi32(a, N); }
    // 16 source pixels become 48: each 128-bit half of an output vector needs at most four
    // source pixels, loaded from where they start and put in place by a byte shuffle. The last
    // half starts at source pixel 13, so a step reads 21 pixels.
    static constexpr bool HAS_WIDEN3_16 = true;
    static constexpr int WIDEN3_16_READ = 21;
    static void widen3_16(const uint16_t* p, vec& a, vec& b, vec& c)
    {
        // Output pixel m of a half starting at output pixel o comes from source pixel
        // (o + m) / 3 and the half's load starts at o / 3; the byte patterns repeat every three
        // halves (o = 0, 8, 16 mod 24).
        const vec shuffle_a = _mm256_setr_epi8(
            0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5, 6, 7);
        const vec shuffle_b = _mm256_setr_epi8(
            0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5);
        const vec shuffle_c = _mm256_setr_epi8(
            0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5, 6, 7, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 4, 5, 4, 5, 4, 5);
        a = _mm256_shuffle_epi8(halves(p + 0, p + 2), shuffle_a);
        b = _mm256_shuffle_epi8(halves(p + 5, p + 8), shuffle_b);
        c = _mm256_shuffle_epi8(halves(p + 10, p + 13), shuffle_c);
    }
    static vec halves(const uint16_t* lo, const uint16_t* hi)
    {
        return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
    }
    static void widen3_32(vec v, vec& a, vec& b, vec& c)
    {
        a = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(0, 0, 0, 1, 1, 1, 2, 2));
        b = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(2, 3, 3, 3, 4, 4, 4, 5));
        c = _mm256_permutevar8x32_epi32(v, _mm256_setr_epi32(5, 5, 6, 6, 6, 7, 7, 7));
    }
};

}  // namespace

#include "fblend_simd.h"
#include "scale_simd.h"

#pragma GCC pop_options

namespace {

bool has_avx2()
{
    static const bool has = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
    return has;
}

}  // namespace

const fblend_kernels* fblend_avx2_kernels()
{
    return has_avx2() ? &fblend_simd::SIMD_KERNELS : nullptr;
}

const scale_kernels* scale_avx2_kernels()
{
    return has_avx2() ? &scale_simd::SIMD_KERNELS : nullptr;
}

#else

const fblend_kernels* fblend_avx2_kernels()
{
    return nullptr;
}

const scale_kernels* scale_avx2_kernels()
{
    return nullptr;
}

#endif
