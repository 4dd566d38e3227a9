// The saturating add of single pixels, shared by the portable row kernels and the short-row path
// of fblend_rect_add (sparks), so both give the same pixels. Private to src/blend.
#pragma once

#include "fblend_kernels.h"

// One 15/16-bit pixel duplicated into both halves of a word: red and blue stay in the low half,
// green (its top 5 bits at 16 bits) moves to the high half, and each field's carry lands on the
// bit just above it.
const uint32_t FBLEND_ADD_FIELDS_16 = 0x07C0F81F;
const uint32_t FBLEND_ADD_CARRIES_16 = 0x08010020;
const uint32_t FBLEND_ADD_FIELDS_15 = 0x03E07C1F;
const uint32_t FBLEND_ADD_CARRIES_15 = 0x04008020;
const int FBLEND_HALF_BITS = 16;
const uint32_t FBLEND_LOW_HALF = 0xFFFF;

const uint32_t FBLEND_RB_32 = 0xFF00FF;
const uint32_t FBLEND_G_32 = 0x00FF00;
const uint32_t FBLEND_LOW7_32 = 0x7F7F7F;
const uint32_t FBLEND_TOP1_32 = 0x808080;

inline uint32_t fblend_duplicate(uint32_t pixel)
{
    pixel &= FBLEND_LOW_HALF;
    return pixel | (pixel << FBLEND_HALF_BITS);
}

// x*f/256 rounded down per colour byte (f <= 256), bits 24-31 cleared.
inline uint32_t fblend_scale_32(uint32_t x, uint32_t f)
{
    return ((((x & FBLEND_RB_32) * f) >> FBLEND_SHIFT_8) & FBLEND_RB_32) |
        ((((x & FBLEND_G_32) * f) >> FBLEND_SHIFT_8) & FBLEND_G_32);
}

// The colour scaled by f (1..32), in the split layout of FIELDS.
template <uint32_t FIELDS> inline uint32_t fblend_add_amount_1516(uint32_t color, int f)
{
    return (((fblend_duplicate(color) & FIELDS) * static_cast<uint32_t>(f)) >> FBLEND_SHIFT_5) & FIELDS;
}

// pixel + amount per field, each field that carried set to all ones.
template <uint32_t FIELDS, uint32_t CARRIES> inline uint16_t fblend_add_1516(uint32_t pixel, uint32_t amount)
{
    const uint32_t sum = (fblend_duplicate(pixel) & FIELDS) + amount;
    const uint32_t carries = sum & CARRIES;
    const uint32_t sat = (sum | (carries - (carries >> FBLEND_SHIFT_5))) & FIELDS;
    return static_cast<uint16_t>((sat & FBLEND_LOW_HALF) | (sat >> FBLEND_HALF_BITS));
}

// Bytewise saturating add of the three colour bytes: the low 7 bits of each byte add without
// reaching the next byte, the top bits are added apart, and a byte that overflowed becomes 0xFF.
inline uint32_t fblend_add_32(uint32_t pixel, uint32_t amount)
{
    const uint32_t x = pixel & FBLEND_RGB_32;
    const uint32_t low = (x & FBLEND_LOW7_32) + (amount & FBLEND_LOW7_32);
    const uint32_t tops = (x ^ amount) & FBLEND_TOP1_32;
    const uint32_t over = ((x & amount) | (tops & low)) & FBLEND_TOP1_32;
    return ((low ^ tops) | ((over << 1) - (over >> 7))) & FBLEND_RGB_32;
}
