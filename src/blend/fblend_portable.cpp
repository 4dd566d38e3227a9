// Portable row kernels: plain integer arithmetic on two 15/16-bit pixels per 32-bit word, and on
// red with blue and green apart for 32-bit pixels. Used where no vector set runs.
#include "fblend_kernels.h"
#include "fblend_pixel.h"
#include <string.h>

namespace {

// Channel fields of two 15/16-bit pixels side by side in one word, split into two groups so that
// every field has 5 free bits above it for a product with a strength of up to 32.
const uint32_t SPLIT_A_16 = 0xF81F07E0;
const uint32_t SPLIT_B_16 = 0x07E0F81F;
const uint32_t SPLIT_A_15 = 0x7C1F03E0;
const uint32_t SPLIT_B_15 = 0x03E07C1F;

const int HALF_BITS = FBLEND_HALF_BITS;
const uint32_t LOW_HALF = FBLEND_LOW_HALF;
const uint32_t RB_32 = FBLEND_RB_32;
const uint32_t G_32 = FBLEND_G_32;

inline uint32_t load_pair(const uint16_t* p)
{
    uint32_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

inline void store_pair(uint16_t* p, uint32_t v)
{
    memcpy(p, &v, sizeof v);
}

// Per field of a word split by `a` and `b`: x*f/32, rounded down (f <= 32).
template <uint32_t A, uint32_t B> inline uint32_t scale_pair(uint32_t x, uint32_t f)
{
    return ((((x & A) >> FBLEND_SHIFT_5) * f) & A) | ((((x & B) * f) >> FBLEND_SHIFT_5) & B);
}

// Per field: (x*(32-f) + y*f)/32, rounded down once.
template <uint32_t A, uint32_t B> inline uint32_t mix_pair(uint32_t x, uint32_t y, uint32_t f)
{
    const uint32_t g = FBLEND_FULL_5 - f;
    const uint32_t hi = (((x & A) >> FBLEND_SHIFT_5) * g + ((y & A) >> FBLEND_SHIFT_5) * f) & A;
    const uint32_t lo = (((x & B) * g + (y & B) * f) >> FBLEND_SHIFT_5) & B;
    return hi | lo;
}

template <uint32_t A, uint32_t B> void rect_trans_1516(uint16_t* d, int n, uint32_t color, int f)
{
    const uint32_t k = scale_pair<A, B>(fblend_duplicate(color), f);
    const uint32_t g = FBLEND_FULL_5 - f;
    int i = 0;
    for (; i + 2 <= n; i += 2)
        store_pair(d + i, scale_pair<A, B>(load_pair(d + i), g) + k);
    if (i < n)
        d[i] = static_cast<uint16_t>(scale_pair<A, B>(d[i], g) + k);
}

template <uint32_t A, uint32_t B, uint32_t MASK> void trans_1516(uint16_t* d, const uint16_t* s, int n, int f)
{
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const uint32_t sp = load_pair(s + i);
        uint32_t out = mix_pair<A, B>(load_pair(d + i), sp, f);
        // Mask pixels are rare inside sprites but whole rows of them surround the shapes.
        if ((sp & LOW_HALF) == MASK || (sp >> HALF_BITS) == MASK) {
            const uint32_t dp = load_pair(d + i);
            if ((sp & LOW_HALF) == MASK)
                out = (out & ~LOW_HALF) | (dp & LOW_HALF);
            if ((sp >> HALF_BITS) == MASK)
                out = (out & LOW_HALF) | (dp & ~LOW_HALF);
        }
        store_pair(d + i, out);
    }
    if (i < n && s[i] != MASK)
        d[i] = static_cast<uint16_t>(mix_pair<A, B>(d[i], s[i], f));
}

template <uint32_t FIELDS, uint32_t CARRIES> void rect_add_1516(uint16_t* d, int n, uint32_t color, int f)
{
    const uint32_t amount = fblend_add_amount_1516<FIELDS>(color, f);
    for (int i = 0; i < n; i++)
        d[i] = fblend_add_1516<FIELDS, CARRIES>(d[i], amount);
}

void rect_trans_32(uint32_t* d, int n, uint32_t color, int f)
{
    const uint32_t k = fblend_scale_32(color, f);
    const uint32_t g = FBLEND_FULL_8 - f;
    for (int i = 0; i < n; i++)
        d[i] = fblend_scale_32(d[i], g) + k;
}

void trans_32(uint32_t* d, const uint32_t* s, int n, int f)
{
    const uint32_t g = FBLEND_FULL_8 - f;
    for (int i = 0; i < n; i++) {
        const uint32_t sp = s[i];
        if (sp == FBLEND_MASK_COLOR_32)
            continue;
        const uint32_t dp = d[i];
        const uint32_t rb = (((dp & RB_32) * g + (sp & RB_32) * f) >> FBLEND_SHIFT_8) & RB_32;
        const uint32_t gr = (((dp & G_32) * g + (sp & G_32) * f) >> FBLEND_SHIFT_8) & G_32;
        d[i] = rb | gr;
    }
}

void rect_add_32(uint32_t* d, int n, uint32_t color, int f)
{
    const uint32_t amount = fblend_scale_32(color, f);
    for (int i = 0; i < n; i++)
        d[i] = fblend_add_32(d[i], amount);
}

void fill_16(uint16_t* d, int n, uint32_t color)
{
    const uint16_t c = static_cast<uint16_t>(color);
    for (int i = 0; i < n; i++)
        d[i] = c;
}

void fill_32(uint32_t* d, int n, uint32_t color)
{
    for (int i = 0; i < n; i++)
        d[i] = color;
}

void masked_copy_16(uint16_t* d, const uint16_t* s, int n, uint32_t mask)
{
    for (int i = 0; i < n; i++)
        if (s[i] != mask)
            d[i] = s[i];
}

void masked_copy_32(uint32_t* d, const uint32_t* s, int n, uint32_t mask)
{
    for (int i = 0; i < n; i++)
        if (s[i] != mask)
            d[i] = s[i];
}

}  // namespace

const fblend_kernels FBLEND_PORTABLE_KERNELS = {
    "portable",
    rect_trans_1516<SPLIT_A_15, SPLIT_B_15>,
    rect_trans_1516<SPLIT_A_16, SPLIT_B_16>,
    rect_trans_32,
    trans_1516<SPLIT_A_15, SPLIT_B_15, FBLEND_MASK_COLOR_15>,
    trans_1516<SPLIT_A_16, SPLIT_B_16, FBLEND_MASK_COLOR_16>,
    trans_32,
    rect_add_1516<FBLEND_ADD_FIELDS_15, FBLEND_ADD_CARRIES_15>,
    rect_add_1516<FBLEND_ADD_FIELDS_16, FBLEND_ADD_CARRIES_16>,
    rect_add_32,
    fill_16,
    fill_32,
    masked_copy_16,
    masked_copy_32,
};

const fblend_kernels* fblend_portable_kernels()
{
    return &FBLEND_PORTABLE_KERNELS;
}
