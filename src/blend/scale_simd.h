// Row kernels of the enlargement written once over a vector type. Included by each vector set's
// source after it defines `V` (see scale_sse2.cpp); everything here has internal linkage so that
// each set keeps its own copy, compiled for its instructions.
#ifndef VORLIN_SCALE_SIMD_H
#define VORLIN_SCALE_SIMD_H

#include "scale_kernels.h"
#include <string.h>

namespace {

typedef V::vec vec;
const scale_kernels &PORTABLE = SCALE_PORTABLE_KERNELS;

// Doubling: each vector of source pixels becomes two, by interleaving it with itself.
template <class PIXEL, class WIDEN2>
int widen_by_2(PIXEL *d, const PIXEL *s, int n, WIDEN2 widen2)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    int i = 0;
    for (; i + PER <= n; i += PER) {
        vec lo, hi;
        widen2(V::load(s + i), lo, hi);
        V::store(d + 2 * i, lo);
        V::store(d + 2 * i + PER, hi);
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
    if (k == 1) {
        memcpy(d, s, static_cast<size_t>(n) * sizeof *d);
        return;
    }
    if (k == 2)
        done = widen_by_2(d, s, n, V::widen2_16);
    else
        done = widen_by_broadcast(d, s, n, k, V::set16);
    if (done < n)
        PORTABLE.widen_16(d + done * k, s + done, n - done, k);
}

void widen_32(uint32_t *d, const uint32_t *s, int n, int k)
{
    constexpr int PER = V::BYTES / sizeof(uint32_t);
    int done = 0;
    if (k == 1) {
        memcpy(d, s, static_cast<size_t>(n) * sizeof *d);
        return;
    }
    if (k == 2) {
        done = widen_by_2(d, s, n, V::widen2_32);
    } else if (k == 3) {
        for (; done + PER <= n; done += PER) {
            vec a, b, c;
            V::widen3_32(V::load(s + done), a, b, c);
            V::store(d + 3 * done, a);
            V::store(d + 3 * done + PER, b);
            V::store(d + 3 * done + 2 * PER, c);
        }
    } else {
        done = widen_by_broadcast(d, s, n, k, V::set32);
    }
    if (done < n)
        PORTABLE.widen_32(d + done * k, s + done, n - done, k);
}

const scale_kernels SIMD_KERNELS = {V::NAME, widen_16, widen_32};

} // namespace

#endif
