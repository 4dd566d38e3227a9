// Row kernels behind scale_blit: one portable set and the vector sets, of which the fastest that
// this processor runs is used. Private to src/blend, its tests and its benchmark.
#pragma once

#include <stdint.h>

// Each kernel widens one row: the n >= 1 pixels at s become n*k pixels at d (k >= 1), pixel i of
// s filling d[i*k] to d[i*k + k - 1]. Any alignment; exactly n*k pixels are written; s and d do
// not overlap. With `stream` the vector sets store past the cache where d's alignment allows it,
// for rows that the display reads next rather than this processor.
// The mixing kernels take two rows a and b of n >= 1 pixels and write to d, which may be either of
// them, each channel of each pixel as (a * (256 - w) + b * w + 128) >> 8, for 0 <= w <= 256 (the
// channels of 16-bit pixels are 5, 6 and 5 bits; of 32-bit ones the four bytes).
struct scale_kernels {
    const char* name;
    void (*widen_16)(uint16_t* d, const uint16_t* s, int n, int k, bool stream);
    void (*widen_32)(uint32_t* d, const uint32_t* s, int n, int k, bool stream);
    void (*mix_16)(uint16_t* d, const uint16_t* a, const uint16_t* b, int n, int w);
    void (*mix_32)(uint32_t* d, const uint32_t* a, const uint32_t* b, int n, int w);
    // Resampling along a row: d[i] is s[s0[i]] and s[s1[i]] mixed by w[i], for i < n.
    void (*resample_32)(uint32_t* d, const uint32_t* s, const int32_t* s0, const int32_t* s1, const int32_t* w, int n);
};

const int MIX_WHOLE = 256;

// One pixel mixed as the mixing kernels do.
inline uint16_t scale_mix_pixel_16(uint16_t a, uint16_t b, int w)
{
    const int v = MIX_WHOLE - w;
    auto mix = [&](int shift, int mask) {
        return (((((a >> shift) & mask) * v + ((b >> shift) & mask) * w + MIX_WHOLE / 2) >> 8) & mask) << shift;
    };
    return static_cast<uint16_t>(mix(11, 0x1F) | mix(5, 0x3F) | mix(0, 0x1F));
}

// Two channels at a time, 16 bits apart: neither sum can carry into the next.
inline uint32_t scale_mix_pixel_32(uint32_t a, uint32_t b, int w)
{
    const uint32_t v = static_cast<uint32_t>(MIX_WHOLE - w), u = static_cast<uint32_t>(w);
    const uint32_t even = (((a & 0x00FF00FF) * v + (b & 0x00FF00FF) * u + 0x00800080) >> 8) & 0x00FF00FF;
    const uint32_t odd = (((a >> 8) & 0x00FF00FF) * v + ((b >> 8) & 0x00FF00FF) * u + 0x00800080) & 0xFF00FF00;
    return even | odd;
}

enum scale_impl { SCALE_PORTABLE, SCALE_SSE2, SCALE_AVX2, SCALE_IMPL_COUNT };

// The kernel set of `impl`, or nullptr when this build or this processor lacks it.
const scale_kernels* scale_kernels_of(scale_impl impl);
extern const scale_kernels SCALE_PORTABLE_KERNELS;
// The set scale_blit uses: the fastest available unless scale_select chose another.
const scale_kernels* scale_active_kernels();
// Makes scale_blit use `impl` from now on; false, changing nothing, when it is not available.
bool scale_select(scale_impl impl);
scale_impl scale_best_impl();

const scale_kernels* scale_sse2_kernels();
const scale_kernels* scale_avx2_kernels();
