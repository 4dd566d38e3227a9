// Row kernels of the enlargement written once over a vector type. Included by each vector set's
// source after it defines `V` (see scale_sse2.cpp); everything here has internal linkage so that
// each set keeps its own copy, compiled for its instructions.
#ifndef VORLIN_SCALE_SIMD_H
#define VORLIN_SCALE_SIMD_H

#include "scale_kernels.h"
#include <stdint.h>

namespace {

typedef V::vec vec;
const scale_kernels &PORTABLE = SCALE_PORTABLE_KERNELS;

// Stores go straight to memory when the destination is aligned for it: the
// enlarged picture is read next by the display, not by this processor, and
// keeping it out of the cache leaves room for the picture being composed.
template <class PIXEL>
inline bool streamable(const PIXEL *d)
{
    return (reinterpret_cast<uintptr_t>(d) & (V::BYTES - 1)) == 0;
}

// k = 1 and 2, and 3 for 32-bit pixels: each vector of source pixels becomes k
// vectors (OUT of them), stored at consecutive vector places.
template <class PIXEL, int OUT, class SPREAD>
int widen_by_vectors(PIXEL *d, const PIXEL *s, int n, SPREAD spread)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    const bool stream = streamable(d);
    int i = 0;
    for (; i + PER <= n; i += PER) {
        vec out[OUT];
        spread(V::load(s + i), out);
        for (int j = 0; j < OUT; j++) {
            if (stream)
                V::stream(d + OUT * i + j * PER, out[j]);
            else
                V::store(d + OUT * i + j * PER, out[j]);
        }
    }
    return i;
}

// Any k: every source pixel is broadcast to a whole vector stored at its block; the next pixel's
// store overwrites what ran past the block, so blocks narrower than a vector come out right.
// Stops where a vector would run past the row's end; the caller finishes the rest.
template <class PIXEL, class BROADCAST>
int widen_by_broadcast(PIXEL *d, const PIXEL *s, int n, int k, BROADCAST broadcast)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    const int total = n * k;
    int i = 0;
    for (; i < n; i++) {
        const vec b = broadcast(s[i]);
        int j = 0;
        for (; j + PER <= k; j += PER)
            V::store(d + i * k + j, b);
        if (j < k) {
            if (i * k + j + PER > total)
                break;
            V::store(d + i * k + j, b);
        }
    }
    return i;
}

void widen_16(uint16_t *d, const uint16_t *s, int n, int k)
{
    int done;
    if (k == 1)
        done = widen_by_vectors<uint16_t, 1>(d, s, n, [](vec v, vec *out) { out[0] = v; });
    else if (k == 2)
        done = widen_by_vectors<uint16_t, 2>(d, s, n, [](vec v, vec *out) { V::widen2_16(v, out[0], out[1]); });
    else
        done = widen_by_broadcast(d, s, n, k, V::set16);
    if (done < n)
        PORTABLE.widen_16(d + done * k, s + done, n - done, k);
    V::fence();
}

void widen_32(uint32_t *d, const uint32_t *s, int n, int k)
{
    int done;
    if (k == 1)
        done = widen_by_vectors<uint32_t, 1>(d, s, n, [](vec v, vec *out) { out[0] = v; });
    else if (k == 2)
        done = widen_by_vectors<uint32_t, 2>(d, s, n, [](vec v, vec *out) { V::widen2_32(v, out[0], out[1]); });
    else if (k == 3)
        done = widen_by_vectors<uint32_t, 3>(d, s, n, [](vec v, vec *out) { V::widen3_32(v, out[0], out[1], out[2]); });
    else
        done = widen_by_broadcast(d, s, n, k, V::set32);
    if (done < n)
        PORTABLE.widen_32(d + done * k, s + done, n - done, k);
    V::fence();
}

const scale_kernels SIMD_KERNELS = {V::NAME, widen_16, widen_32};

} // namespace

#endif
