// Row kernels behind the blending primitives: one portable set and the vector sets, of which the
// fastest that this processor runs is used. Private to src/blend, its tests and its benchmark.
#pragma once

#include <stdint.h>

// Pixel masks and mask colours per depth.
const uint32_t FBLEND_MASK_COLOR_15 = 0x7C1F;
const uint32_t FBLEND_MASK_COLOR_16 = 0xF81F;
const uint32_t FBLEND_MASK_COLOR_32 = 0xFF00FF;
const uint32_t FBLEND_RGB_32 = 0xFFFFFF;

// Strength scales: 15/16-bit strengths run to FBLEND_FULL_5, 32-bit ones to FBLEND_FULL_8.
const int FBLEND_SHIFT_5 = 5;
const int FBLEND_FULL_5 = 1 << FBLEND_SHIFT_5;
const int FBLEND_SHIFT_8 = 8;
const int FBLEND_FULL_8 = 1 << FBLEND_SHIFT_8;

// Every kernel works on one row of n >= 1 pixels at d (and s), any alignment, and writes only
// those n pixels. Per channel (x: destination channel, c: colour or source channel, / rounds down):
//   rect_trans_15/16: f 1..31,  out = x*(32-f)/32 + c*f/32
//   rect_trans_32:    f 1..255, out = x*(256-f)/256 + c*f/256, bits 24-31 cleared
//   trans_15/16:      f 1..31,  out = (x*(32-f) + c*f)/32; a source pixel equal to `mask` is skipped
//   trans_32:         f 1..255, out = (x*(256-f) + c*f)/256, bits 24-31 cleared; source 0xFF00FF skipped
//   rect_add_15/16:   f 1..32,  out = min(x + c*f/32, max); 16-bit green on its top 5 bits, bit 5 = 0
//   rect_add_32:      f 1..256, out = min(x + c*f/256, 255), bits 24-31 cleared
//   fill_16/32:       every pixel becomes `color` as given
//   masked_copy_16/32: every pixel becomes the source pixel unless that equals `mask`
// 15-bit results have bit 15 cleared.
struct fblend_kernels {
    const char* name;
    void (*rect_trans_15)(uint16_t* d, int n, uint32_t color, int f);
    void (*rect_trans_16)(uint16_t* d, int n, uint32_t color, int f);
    void (*rect_trans_32)(uint32_t* d, int n, uint32_t color, int f);
    void (*trans_15)(uint16_t* d, const uint16_t* s, int n, int f);
    void (*trans_16)(uint16_t* d, const uint16_t* s, int n, int f);
    void (*trans_32)(uint32_t* d, const uint32_t* s, int n, int f);
    void (*rect_add_15)(uint16_t* d, int n, uint32_t color, int f);
    void (*rect_add_16)(uint16_t* d, int n, uint32_t color, int f);
    void (*rect_add_32)(uint32_t* d, int n, uint32_t color, int f);
    void (*fill_16)(uint16_t* d, int n, uint32_t color);
    void (*fill_32)(uint32_t* d, int n, uint32_t color);
    void (*masked_copy_16)(uint16_t* d, const uint16_t* s, int n, uint32_t mask);
    void (*masked_copy_32)(uint32_t* d, const uint32_t* s, int n, uint32_t mask);
};

enum fblend_impl { FBLEND_PORTABLE, FBLEND_SSE2, FBLEND_AVX2, FBLEND_IMPL_COUNT };

// The kernel set of `impl`, or nullptr when this build or this processor lacks it.
const fblend_kernels* fblend_kernels_of(fblend_impl impl);

// The portable set, always present; the vector sets finish their rows' last pixels with it.
extern const fblend_kernels FBLEND_PORTABLE_KERNELS;
// The set the primitives use: the fastest available (chosen before main; the portable set until
// then) unless fblend_select chose another. Read on every call, so kept inline.
extern const fblend_kernels* fblend_active;
inline const fblend_kernels* fblend_active_kernels()
{
    return fblend_active;
}
// Makes the primitives use `impl` from now on (tests and the benchmark compare the sets).
// Returns false, changing nothing, when `impl` is not available.
bool fblend_select(fblend_impl impl);
// The fastest set available here.
fblend_impl fblend_best_impl();

// Per-build providers of each set (nullptr where the build has none).
const fblend_kernels* fblend_portable_kernels();
const fblend_kernels* fblend_sse2_kernels();
const fblend_kernels* fblend_avx2_kernels();
