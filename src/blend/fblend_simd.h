// Row kernels written once over a vector type of 16-bit lanes. Included by each vector set's
// source after it defines `V` (its vector type and operations, see simd_sse2.cpp); everything
// here has internal linkage so that each set keeps its own copy, compiled for its instructions.
// The set is fblend_simd::SIMD_KERNELS.
#pragma once

#include "fblend_kernels.h"

namespace {
namespace fblend_simd {

typedef V::vec vec;

// Channel fields at 15 and 16 bits.
const uint16_t RB_16 = 0xF81F;
const uint16_t G_16 = 0x07E0;
const uint16_t RB_15 = 0x7C1F;
const uint16_t G_15 = 0x03E0;
const uint16_t B_1516 = 0x001F;
// A 5-bit channel moved to the top of a 16-bit lane, where a saturating add stops at its maximum.
const uint16_t TOP5 = 0xF800;
const int TOP5_SHIFT = 11;
// Multiplying a channel at bit s by (w << MUL_SHIFT) and keeping the high 16 bits gives
// channel*w << (s - 5): the rounded-down 5-bit blend already in place for s >= 5 (see below).
const int MUL_SHIFT = 11;
const int HIGH_HALF = 16;

const uint32_t RB_32 = 0x00FF00FF;
const uint32_t G_32 = 0x0000FF00;

typedef void (*RECT_16)(uint16_t*, int, uint32_t, int);
typedef void (*TRANS_16)(uint16_t*, const uint16_t*, int, int);
constexpr int PER_16 = V::BYTES / sizeof(uint16_t);
constexpr int PER_32 = V::BYTES / sizeof(uint32_t);
const fblend_kernels& PORTABLE = FBLEND_PORTABLE_KERNELS;

// Applies `op` to every whole vector of the row and returns how many pixels that covered; the
// kernels hand the rest, and rows shorter than a vector (single-pixel sparks), to the portable
// kernel, which gives the same pixels.
template <class PIXEL, class OP> inline int each_vector(PIXEL* d, int n, OP op)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    int i = 0;
    for (; i + PER <= n; i += PER)
        V::store(d + i, op(V::load(d + i)));
    return i;
}

// Like each_vector, over a destination and a sprite row: vectors whose source pixels are all the
// mask colour (the see-through surroundings of a shape) are skipped without touching the
// destination. `is_mask` gives the lanes equal to the mask colour, `op` the blended vector from
// (dst, src, is_mask).
template <class PIXEL, class MASKED, class OP>
inline int each_sprite_vector(PIXEL* d, const PIXEL* s, int n, MASKED is_mask, OP op)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    int i = 0;
    for (; i + PER <= n; i += PER) {
        const vec sp = V::load(s + i);
        const vec m = is_mask(sp);
        if (V::all_set(m))
            continue;
        V::store(d + i, op(V::load(d + i), sp, m));
    }
    return i;
}

// x*w/32 rounded down per channel, for fields RB (red with blue) and G: the high half of
// (r<<s | b) * (w<<11) is r*w<<(s-5) plus b*w/32, which do not overlap, so one multiply serves
// red and blue, and masking keeps the rounded-down red.
template <uint16_t RB, uint16_t G> inline uint16_t scale_1516(uint32_t x, int w)
{
    const uint32_t m = static_cast<uint32_t>(w) << MUL_SHIFT;
    return static_cast<uint16_t>(((((x & RB) * m) >> HIGH_HALF) & RB) | ((((x & G) * m) >> HIGH_HALF) & G));
}

template <uint16_t RB, uint16_t G, RECT_16 fblend_kernels::*TAIL>
void rect_trans_1516(uint16_t* d, int n, uint32_t color, int f)
{
    if (n < PER_16)
        return (PORTABLE.*TAIL)(d, n, color, f);
    const vec mul = V::set16(static_cast<uint16_t>((FBLEND_FULL_5 - f) << MUL_SHIFT));
    const vec k = V::set16(scale_1516<RB, G>(color, f));
    const vec rb = V::set16(RB), g = V::set16(G);
    const int done = each_vector(d, n, [&](vec p) {
        const vec prb = V::and_(V::mulhi_u16(V::and_(p, rb), mul), rb);
        const vec pg = V::and_(V::mulhi_u16(V::and_(p, g), mul), g);
        return V::add16(V::or_(prb, pg), k);
    });
    if (done < n)
        (PORTABLE.*TAIL)(d + done, n - done, color, f);
}

// x*w/256 rounded down per colour byte: blue and red sit in the low bytes of 16-bit lanes and
// come out of the high half of x*(w<<8); green sits in a high byte and keeps its place.
inline uint32_t scale_32(uint32_t x, int w)
{
    const uint32_t rb = (((x & RB_32) * static_cast<uint32_t>(w)) >> FBLEND_SHIFT_8) & RB_32;
    const uint32_t g = (((x & G_32) * static_cast<uint32_t>(w)) >> FBLEND_SHIFT_8) & G_32;
    return rb | g;
}

void rect_trans_32(uint32_t* d, int n, uint32_t color, int f)
{
    if (n < PER_32)
        return PORTABLE.rect_trans_32(d, n, color, f);
    const vec mul = V::set16(static_cast<uint16_t>((FBLEND_FULL_8 - f) << FBLEND_SHIFT_8));
    const vec k = V::set32(scale_32(color, f));
    const vec rb = V::set32(RB_32), g = V::set32(G_32);
    const int done = each_vector(d, n, [&](vec p) {
        const vec prb = V::mulhi_u16(V::and_(p, rb), mul);
        const vec pg = V::and_(V::mulhi_u16(V::and_(p, g), mul), g);
        return V::add16(V::or_(prb, pg), k);
    });
    if (done < n)
        PORTABLE.rect_trans_32(d + done, n - done, color, f);
}

// (x*(32-f) + y*f)/32 rounded down once per channel. Green and red use the high-half multiply
// (exact there, as their shift is at least 5) and are masked into place; blue is multiplied low.
template <uint16_t R, uint16_t G, uint16_t MASK, TRANS_16 fblend_kernels::*TAIL>
void trans_1516(uint16_t* d, const uint16_t* s, int n, int f)
{
    if (n < PER_16)
        return (PORTABLE.*TAIL)(d, s, n, f);
    const int keep = FBLEND_FULL_5 - f;
    const vec dm = V::set16(static_cast<uint16_t>(keep << MUL_SHIFT));
    const vec sm = V::set16(static_cast<uint16_t>(f << MUL_SHIFT));
    const vec dl = V::set16(static_cast<uint16_t>(keep));
    const vec sl = V::set16(static_cast<uint16_t>(f));
    const vec r = V::set16(R), g = V::set16(G), b = V::set16(B_1516), mask = V::set16(MASK);
    const auto is_mask = [&](vec sp) { return V::cmpeq16(sp, mask); };
    const int done = each_sprite_vector(d, s, n, is_mask, [&](vec dp, vec sp, vec m) {
        const vec pr = V::and_(V::add16(V::mulhi_u16(V::and_(dp, r), dm), V::mulhi_u16(V::and_(sp, r), sm)), r);
        const vec pg = V::and_(V::add16(V::mulhi_u16(V::and_(dp, g), dm), V::mulhi_u16(V::and_(sp, g), sm)), g);
        const vec pb =
            V::srli16<FBLEND_SHIFT_5>(V::add16(V::mullo16(V::and_(dp, b), dl), V::mullo16(V::and_(sp, b), sl)));
        return V::select(m, dp, V::or_(V::or_(pr, pg), pb));
    });
    if (done < n)
        (PORTABLE.*TAIL)(d + done, s + done, n - done, f);
}

// Blue and red are weighted in the low bytes of the 16-bit lanes, green (and the top byte, with
// weight 0, which clears it) after a shift down; each sum is at most 255*256, so it fits a lane,
// and the rounded-down result is its high byte. No byte shuffling is needed.
void trans_32(uint32_t* d, const uint32_t* s, int n, int f)
{
    if (n < PER_32)
        return PORTABLE.trans_32(d, s, n, f);
    const uint32_t keep = static_cast<uint32_t>(FBLEND_FULL_8 - f), take = static_cast<uint32_t>(f);
    const vec dmul = V::set16(static_cast<uint16_t>(keep)), smul = V::set16(static_cast<uint16_t>(take));
    const vec dmul_g = V::set32(keep), smul_g = V::set32(take);
    const vec rb = V::set32(RB_32), g = V::set32(G_32);
    const vec mask = V::set32(FBLEND_MASK_COLOR_32);
    const auto is_mask = [&](vec sp) { return V::cmpeq32(sp, mask); };
    const int done = each_sprite_vector(d, s, n, is_mask, [&](vec dp, vec sp, vec m) {
        const vec prb =
            V::srli16<FBLEND_SHIFT_8>(V::add16(V::mullo16(V::and_(dp, rb), dmul), V::mullo16(V::and_(sp, rb), smul)));
        const vec pg = V::and_(V::add16(V::mullo16(V::srli16<FBLEND_SHIFT_8>(dp), dmul_g),
                                   V::mullo16(V::srli16<FBLEND_SHIFT_8>(sp), smul_g)),
            g);
        return V::select(m, dp, V::or_(prb, pg));
    });
    if (done < n)
        PORTABLE.trans_32(d + done, s + done, n - done, f);
}

// Each 5-bit channel is moved to the top of a lane (shift RS, GS, 11 left), added with unsigned
// saturation, and moved back; at 16 bits green's lowest bit falls off on the way.
inline uint16_t scaled_top5(uint32_t color, int shift, int f)
{
    const uint32_t channel = ((color << shift) & TOP5) >> TOP5_SHIFT;
    return static_cast<uint16_t>(((channel * static_cast<uint32_t>(f)) >> FBLEND_SHIFT_5) << TOP5_SHIFT);
}

template <int RS, int GS, RECT_16 fblend_kernels::*TAIL> void rect_add_1516(uint16_t* d, int n, uint32_t color, int f)
{
    if (n < PER_16)
        return (PORTABLE.*TAIL)(d, n, color, f);
    const vec kr = V::set16(scaled_top5(color, RS, f));
    const vec kg = V::set16(scaled_top5(color, GS, f));
    const vec kb = V::set16(scaled_top5(color, TOP5_SHIFT, f));
    const vec top = V::set16(TOP5);
    const int done = each_vector(d, n, [&](vec p) {
        const vec pr = V::srli16<RS>(V::and_(V::adds_u16(V::and_(V::slli16<RS>(p), top), kr), top));
        const vec pg = V::srli16<GS>(V::and_(V::adds_u16(V::and_(V::slli16<GS>(p), top), kg), top));
        const vec pb = V::srli16<TOP5_SHIFT>(V::adds_u16(V::slli16<TOP5_SHIFT>(p), kb));
        return V::or_(V::or_(pr, pg), pb);
    });
    if (done < n)
        (PORTABLE.*TAIL)(d + done, n - done, color, f);
}

void rect_add_32(uint32_t* d, int n, uint32_t color, int f)
{
    if (n < PER_32)
        return PORTABLE.rect_add_32(d, n, color, f);
    const vec k = V::set32(scale_32(color, f));
    const vec rgb = V::set32(FBLEND_RGB_32);
    const int done = each_vector(d, n, [&](vec p) { return V::and_(V::adds_u8(p, k), rgb); });
    if (done < n)
        PORTABLE.rect_add_32(d + done, n - done, color, f);
}

template <class PIXEL> inline void fill_row(PIXEL* d, int n, vec c, PIXEL pixel)
{
    constexpr int PER = V::BYTES / sizeof(PIXEL);
    int i = 0;
    for (; i + PER <= n; i += PER)
        V::store(d + i, c);
    for (; i < n; i++)
        d[i] = pixel;
}

void fill_16(uint16_t* d, int n, uint32_t color)
{
    fill_row<uint16_t>(d, n, V::set16(static_cast<uint16_t>(color)), static_cast<uint16_t>(color));
}

void fill_32(uint32_t* d, int n, uint32_t color)
{
    fill_row<uint32_t>(d, n, V::set32(color), color);
}

void masked_copy_16(uint16_t* d, const uint16_t* s, int n, uint32_t mask)
{
    const vec m = V::set16(static_cast<uint16_t>(mask));
    const int done = each_sprite_vector(
        d, s, n, [&](vec sp) { return V::cmpeq16(sp, m); },
        [&](vec dp, vec sp, vec is) { return V::select(is, dp, sp); });
    if (done < n)
        PORTABLE.masked_copy_16(d + done, s + done, n - done, mask);
}

void masked_copy_32(uint32_t* d, const uint32_t* s, int n, uint32_t mask)
{
    const vec m = V::set32(mask);
    const int done = each_sprite_vector(
        d, s, n, [&](vec sp) { return V::cmpeq32(sp, m); },
        [&](vec dp, vec sp, vec is) { return V::select(is, dp, sp); });
    if (done < n)
        PORTABLE.masked_copy_32(d + done, s + done, n - done, mask);
}

const int RED_SHIFT_UP_15 = 1;
const int GREEN_SHIFT_UP_15 = 6;
const int RED_SHIFT_UP_16 = 0;
const int GREEN_SHIFT_UP_16 = 5;
const uint16_t R_15 = 0x7C00;
const uint16_t R_16 = 0xF800;

const fblend_kernels SIMD_KERNELS = {
    V::NAME,
    rect_trans_1516<RB_15, G_15, &fblend_kernels::rect_trans_15>,
    rect_trans_1516<RB_16, G_16, &fblend_kernels::rect_trans_16>,
    rect_trans_32,
    trans_1516<R_15, G_15, FBLEND_MASK_COLOR_15, &fblend_kernels::trans_15>,
    trans_1516<R_16, G_16, FBLEND_MASK_COLOR_16, &fblend_kernels::trans_16>,
    trans_32,
    rect_add_1516<RED_SHIFT_UP_15, GREEN_SHIFT_UP_15, &fblend_kernels::rect_add_15>,
    rect_add_1516<RED_SHIFT_UP_16, GREEN_SHIFT_UP_16, &fblend_kernels::rect_add_16>,
    rect_add_32,
    fill_16,
    fill_32,
    masked_copy_16,
    masked_copy_32,
};

}  // namespace fblend_simd
}  // namespace
