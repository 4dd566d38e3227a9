// Additive, saturating rectangle fills: sparks, glows and flashes.
#include "fblend.h"
#include "fblend_kernels.h"
#include "fblend_pixel.h"
#include "fblend_workers.h"
#include <stdint.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Rows shorter than this (sparks, thin lines) are added here pixel by pixel, without a kernel call:
// there the cost of the calls outweighs the work.
const int SHORT_ROW = 16;

template <uint32_t FIELDS, uint32_t CARRIES>
void add_rows_1516(BITMAP* dst, int x, int y, int w, int h, int color, int f,
    void (*fblend_kernels::*kernel)(uint16_t*, int, uint32_t, int))
{
    if (w < SHORT_ROW) {
        const uint32_t amount = fblend_add_amount_1516<FIELDS>(static_cast<uint32_t>(color), f);
        fblend_rows<uint16_t>(dst, x, y, h, true, [&](uint16_t* row, int) {
            for (int i = 0; i < w; i++)
                row[i] = fblend_add_1516<FIELDS, CARRIES>(row[i], amount);
        });
        return;
    }
    fblend_rect_rows(dst, x, y, w, h, color, f, kernel);
}

}  // namespace

void fblend_rect_add_15(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    add_rows_1516<FBLEND_ADD_FIELDS_15, FBLEND_ADD_CARRIES_15>(dst, x, y, w, h, color, f, &fblend_kernels::rect_add_15);
}

void fblend_rect_add_16(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    add_rows_1516<FBLEND_ADD_FIELDS_16, FBLEND_ADD_CARRIES_16>(dst, x, y, w, h, color, f, &fblend_kernels::rect_add_16);
}

void fblend_rect_add_32(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    if (w < SHORT_ROW) {
        const uint32_t amount = fblend_scale_32(static_cast<uint32_t>(color), static_cast<uint32_t>(f));
        fblend_rows<uint32_t>(dst, x, y, h, true, [&](uint32_t* row, int) {
            for (int i = 0; i < w; i++)
                row[i] = fblend_add_32(row[i], amount);
        });
        return;
    }
    fblend_rect_rows(dst, x, y, w, h, color, f, &fblend_kernels::rect_add_32);
}

void fblend_rect_add_24(BITMAP* dst, int x, int y, int w, int h, int color, int f)
{
    fblend_rect_rows_24(dst, x, y, w, h, color, f, &fblend_kernels::rect_add_32);
}

namespace {

// One 32-bit pixel plus amount, bytes saturating, bits 24-31 cleared: one saturating byte add
// where the processor has it (every x86-64 has SSE2), the portable bit arithmetic elsewhere.
inline uint32_t add_one_32(uint32_t pixel, uint32_t amount)
{
#if defined(__SSE2__)
    const __m128i sum =
        _mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(pixel)), _mm_cvtsi32_si128(static_cast<int>(amount)));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(sum)) & FBLEND_RGB_32;
#else
    return fblend_add_32(pixel, amount);
#endif
}

template <uint32_t FIELDS, uint32_t CARRIES> inline void add_spark_1516(BITMAP* dst, int x, int y, int color, int f)
{
    uint16_t* p = reinterpret_cast<uint16_t*>(dst->line[y]) + x;
    *p = fblend_add_1516<FIELDS, CARRIES>(*p, fblend_add_amount_1516<FIELDS>(static_cast<uint32_t>(color), f));
}

// The library's drawing tables of 15-, 16- and 32-bit memory bitmaps, kept only if they have no
// lock calls and a do-nothing bank release, as memory bitmaps do; a bitmap using one of them needs
// nothing but its line table. Set before main; until then (nullptr) no bitmap matches.
const GFX_VTABLE* plain_vtable(GFX_VTABLE* vt)
{
    const bool plain = !vt->acquire && !vt->release && vt->unwrite_bank == reinterpret_cast<void*>(_stub_unbank_switch);
    return plain ? vt : nullptr;
}
const GFX_VTABLE* const PLAIN_VTABLE_15 = plain_vtable(&__linear_vtable15);
const GFX_VTABLE* const PLAIN_VTABLE_16 = plain_vtable(&__linear_vtable16);
const GFX_VTABLE* const PLAIN_VTABLE_32 = plain_vtable(&__linear_vtable32);

// A single pixel, the sparks of which there are hundreds a frame, on a plain memory bitmap: the
// same arithmetic as every other size, reached with as little work per call as can be.
// Returns false, having done nothing, when the general path must take the call.
inline bool add_spark(BITMAP* dst, int x, int y, int color, int fact)
{
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(dst->w) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(dst->h) ||
        dst->write_bank != reinterpret_cast<void*>(_stub_bank_switch))
        return false;
    const GFX_VTABLE* vt = dst->vtable;
    if (vt == PLAIN_VTABLE_16 || vt == PLAIN_VTABLE_15) {
        const int f = fblend_fact_5(fact);
        if (f < 1)
            return true;
        if (vt == PLAIN_VTABLE_16)
            add_spark_1516<FBLEND_ADD_FIELDS_16, FBLEND_ADD_CARRIES_16>(dst, x, y, color, f);
        else
            add_spark_1516<FBLEND_ADD_FIELDS_15, FBLEND_ADD_CARRIES_15>(dst, x, y, color, f);
        return true;
    }
    if (vt != PLAIN_VTABLE_32)
        return false;
    if (fact >= 1) {
        const uint32_t f = static_cast<uint32_t>(std::min(fact, FBLEND_FACT_MAX) + 1);
        uint32_t* p = reinterpret_cast<uint32_t*>(dst->line[y]) + x;
        *p = add_one_32(*p, fblend_scale_32(static_cast<uint32_t>(color), f));
    }
    return true;
}

// Every other call: clipping, the depth's strength, the worker. Kept out of line so that the
// spark path above needs no stack frame.
__attribute__((noinline)) void add_area(BITMAP* dst, int x, int y, int w, int h, int color, int fact)
{
    const int f = fblend_rect_strength(dst, x, y, w, h, fact);
    if (f < 1)
        return;
    const int depth = bitmap_color_depth(dst);
    if (fblend_depth_1516(depth))
        (depth == 15 ? fblend_rect_add_15 : fblend_rect_add_16)(dst, x, y, w, h, color, f);
    else
        (depth == 32 ? fblend_rect_add_32 : fblend_rect_add_24)(dst, x, y, w, h, color, f + 1);
}

}  // namespace

void fblend_rect_add(BITMAP* dst, int x, int y, int w, int h, int color, int fact)
{
    if (w == 1 && h == 1 && add_spark(dst, x, y, color, fact))
        return;
    add_area(dst, x, y, w, h, color, fact);
}
