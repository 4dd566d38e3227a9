// Row kernels behind scale_blit: one portable set and the vector sets, of which the fastest that
// this processor runs is used. Private to src/blend, its tests and its benchmark.
#pragma once

#include <stdint.h>

// Each kernel widens one row: the n >= 1 pixels at s become n*k pixels at d (k >= 1), pixel i of
// s filling d[i*k] to d[i*k + k - 1]. Any alignment; exactly n*k pixels are written; s and d do
// not overlap. With `stream` the vector sets store past the cache where d's alignment allows it,
// for rows that the display reads next rather than this processor.
struct scale_kernels {
    const char* name;
    void (*widen_16)(uint16_t* d, const uint16_t* s, int n, int k, bool stream);
    void (*widen_32)(uint32_t* d, const uint32_t* s, int n, int k, bool stream);
};

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
