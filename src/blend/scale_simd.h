// Row kernels of the enlargement written once over a vector type. Included by each vector set's
// source after it defines `V` (see simd_sse2.cpp); everything here has internal linkage so that
// each set keeps its own copy, compiled for its instructions. The set is scale_simd::SIMD_KERNELS.
#pragma once

#include "scale_kernels.h"
#include <stdint.h>

namespace {
namespace scale_simd {

typedef V::vec vec;
const scale_kernels& PORTABLE = SCALE_PORTABLE_KERNELS;

// Streamed stores need a destination aligned to the vector; elsewhere they are plain ones.
template <class PIXEL> inline bool can_stream(const PIXEL* d, bool stream)
{
    return stream && (reinterpret_cast<uintptr_t>(d) & (V::BYTES - 1)) == 0;
}

// Each step takes PER source pixels (the source may be read up to READ pixels from the step's
// start) and gives OUT vectors, stored at consecutive places: k = 1 and 2 (and 4 as 2 twice) for
// both sizes, 3 for 32-bit pixels everywhere and for 16-bit ones where the set can shuffle bytes.
// Returns how many source pixels it covered; the caller finishes the rest.
template <class PIXEL, int OUT, int READ, class SPREAD>
int widen_by_vectors(PIXEL* d, const PIXEL* s, int n, bool stream, SPREAD spread)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    const bool streamed = can_stream(d, stream);
    int i = 0;
    for (; i + READ <= n; i += PER) {
        vec out[OUT];
        spread(s + i, out);
        for (int j = 0; j < OUT; j++) {
            if (streamed)
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
int widen_by_broadcast(PIXEL* d, const PIXEL* s, int n, int k, BROADCAST broadcast)
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

constexpr int PER_16 = V::BYTES / 2;
constexpr int PER_32 = V::BYTES / 4;

void widen_16(uint16_t* d, const uint16_t* s, int n, int k, bool stream)
{
    int done;
    if (k == 1) {
        done = widen_by_vectors<uint16_t, 1, PER_16>(
            d, s, n, stream, [](const uint16_t* p, vec* out) { out[0] = V::load(p); });
    } else if (k == 2) {
        done = widen_by_vectors<uint16_t, 2, PER_16>(
            d, s, n, stream, [](const uint16_t* p, vec* out) { V::widen2_16(V::load(p), out[0], out[1]); });
    } else if (k == 3 && V::HAS_WIDEN3_16) {
        done = widen_by_vectors<uint16_t, 3, V::WIDEN3_16_READ>(
            d, s, n, stream, [](const uint16_t* p, vec* out) { V::widen3_16(p, out[0], out[1], out[2]); });
    } else if (k == 3) {
        done = 0;  // without a byte shuffle the portable loop is the faster one
    } else if (k == 4) {
        done = widen_by_vectors<uint16_t, 4, PER_16>(d, s, n, stream, [](const uint16_t* p, vec* out) {
            vec lo, hi;
            V::widen2_16(V::load(p), lo, hi);
            V::widen2_32(lo, out[0], out[1]);
            V::widen2_32(hi, out[2], out[3]);
        });
    } else {
        done = widen_by_broadcast(d, s, n, k, V::set16);
    }
    if (done < n)
        PORTABLE.widen_16(d + done * k, s + done, n - done, k, false);
    if (stream)
        V::fence();
}

void widen_32(uint32_t* d, const uint32_t* s, int n, int k, bool stream)
{
    int done;
    if (k == 1) {
        done = widen_by_vectors<uint32_t, 1, PER_32>(
            d, s, n, stream, [](const uint32_t* p, vec* out) { out[0] = V::load(p); });
    } else if (k == 2) {
        done = widen_by_vectors<uint32_t, 2, PER_32>(
            d, s, n, stream, [](const uint32_t* p, vec* out) { V::widen2_32(V::load(p), out[0], out[1]); });
    } else if (k == 3) {
        done = widen_by_vectors<uint32_t, 3, PER_32>(
            d, s, n, stream, [](const uint32_t* p, vec* out) { V::widen3_32(V::load(p), out[0], out[1], out[2]); });
    } else if (k == 4) {
        done = widen_by_vectors<uint32_t, 4, PER_32>(d, s, n, stream, [](const uint32_t* p, vec* out) {
            vec lo, hi;
            V::widen2_32(V::load(p), lo, hi);
            V::widen2_64(lo, out[0], out[1]);
            V::widen2_64(hi, out[2], out[3]);
        });
    } else {
        done = widen_by_broadcast(d, s, n, k, V::set32);
    }
    if (done < n)
        PORTABLE.widen_32(d + done * k, s + done, n - done, k, false);
    if (stream)
        V::fence();
}

// One channel of 16-bit lanes mixed: (a * v + b * w + 128) >> 8, no sum above 16 bits.
inline vec mix_lanes(vec a, vec b, vec v, vec w)
{
    return V::srli16<8>(V::add16(V::add16(V::mullo16(a, v), V::mullo16(b, w)), V::set16(MIX_WHOLE / 2)));
}

void mix_16(uint16_t* d, const uint16_t* a, const uint16_t* b, int n, int w)
{
    const vec vw = V::set16(static_cast<uint16_t>(w)), vv = V::set16(static_cast<uint16_t>(MIX_WHOLE - w));
    const vec five = V::set16(0x1F), six = V::set16(0x3F);
    int i = 0;
    for (; i + PER_16 <= n; i += PER_16) {
        const vec x = V::load(a + i), y = V::load(b + i);
        const vec r = mix_lanes(V::srli16<11>(x), V::srli16<11>(y), vv, vw);
        const vec g = mix_lanes(V::and_(V::srli16<5>(x), six), V::and_(V::srli16<5>(y), six), vv, vw);
        const vec bl = mix_lanes(V::and_(x, five), V::and_(y, five), vv, vw);
        V::store(d + i, V::or_(V::or_(V::slli16<11>(r), V::slli16<5>(g)), bl));
    }
    if (i < n)
        PORTABLE.mix_16(d + i, a + i, b + i, n - i, w);
}

void mix_32(uint32_t* d, const uint32_t* a, const uint32_t* b, int n, int w)
{
    const vec vw = V::set16(static_cast<uint16_t>(w)), vv = V::set16(static_cast<uint16_t>(MIX_WHOLE - w));
    const vec z = V::zero();
    int i = 0;
    for (; i + PER_32 <= n; i += PER_32) {
        const vec x = V::load(a + i), y = V::load(b + i);
        const vec lo = mix_lanes(V::unpacklo8(x, z), V::unpacklo8(y, z), vv, vw);
        const vec hi = mix_lanes(V::unpackhi8(x, z), V::unpackhi8(y, z), vv, vw);
        V::store(d + i, V::packus16(lo, hi));
    }
    if (i < n)
        PORTABLE.mix_32(d + i, a + i, b + i, n - i, w);
}

// Where the set can pick lanes across a vector: eight results at a time. Their source pixels
// lie within nine from the first's (a result spans less than one source pixel), so one load
// from there and one from the next pixel hold them; the loads stop short of the last pixel the
// row needs, so that they never read past the row. Mixed two channels to a 32-bit lane as
// scale_mix_pixel_32 does. Elsewhere the portable loop.
void resample_32(uint32_t* d, const uint32_t* s, const int32_t* s0, const int32_t* s1, const int32_t* w, int n)
{
    int i = 0;
    if constexpr (V::HAS_PICK32) {
        const vec even = V::set32(0x00FF00FF), odd = V::set32(0xFF00FF00), half = V::set32(0x00800080);
        const vec whole = V::set32(MIX_WHOLE), one = V::set32(1);
        const int last = s1[n - 1];
        for (; i + PER_32 <= n && s0[i] + PER_32 <= last; i += PER_32) {
            const int base = s0[i];
            const vec from = V::set32(static_cast<uint32_t>(base));
            const vec a = V::pick32(V::load(s + base), V::sub32(V::load(s0 + i), from));
            const vec b = V::pick32(V::load(s + base + 1), V::sub32(V::sub32(V::load(s1 + i), from), one));
            const vec wb = V::load(w + i), wa = V::sub32(whole, wb);
            const vec lo = V::add32(V::add32(V::mullo32(V::and_(a, even), wa), V::mullo32(V::and_(b, even), wb)), half);
            const vec hi = V::add32(V::add32(V::mullo32(V::and_(V::template srli32<8>(a), even), wa),
                                        V::mullo32(V::and_(V::template srli32<8>(b), even), wb)),
                half);
            V::store(d + i, V::or_(V::and_(V::template srli32<8>(lo), even), V::and_(hi, odd)));
        }
    }
    if (i < n)
        PORTABLE.resample_32(d + i, s, s0 + i, s1 + i, w + i, n - i);
}

const scale_kernels SIMD_KERNELS = {V::NAME, widen_16, widen_32, mix_16, mix_32, resample_32};

}  // namespace scale_simd
}  // namespace
