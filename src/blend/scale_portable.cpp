// Portable row kernels of the enlargement, and the choice of the set scale_blit uses.
#include "scale_kernels.h"
#include "kernel_sets.h"

namespace {

template <class PIXEL> void widen(PIXEL* d, const PIXEL* s, int n, int k)
{
    switch (k) {
    case 1:
        for (int i = 0; i < n; i++)
            d[i] = s[i];
        return;
    case 2:
        for (int i = 0; i < n; i++, d += 2)
            d[0] = d[1] = s[i];
        return;
    case 3:
        for (int i = 0; i < n; i++, d += 3)
            d[0] = d[1] = d[2] = s[i];
        return;
    default:
        for (int i = 0; i < n; i++)
            for (int j = 0; j < k; j++)
                *d++ = s[i];
    }
}

void widen_16(uint16_t* d, const uint16_t* s, int n, int k, bool)
{
    widen(d, s, n, k);
}
void widen_32(uint32_t* d, const uint32_t* s, int n, int k, bool)
{
    widen(d, s, n, k);
}

void mix_16(uint16_t* d, const uint16_t* a, const uint16_t* b, int n, int w)
{
    for (int i = 0; i < n; i++)
        d[i] = scale_mix_pixel_16(a[i], b[i], w);
}

void mix_32(uint32_t* d, const uint32_t* a, const uint32_t* b, int n, int w)
{
    for (int i = 0; i < n; i++)
        d[i] = scale_mix_pixel_32(a[i], b[i], w);
}

void resample_32(uint32_t* d, const uint32_t* s, const int32_t* s0, const int32_t* s1, const int32_t* w, int n)
{
    for (int i = 0; i < n; i++)
        d[i] = scale_mix_pixel_32(s[s0[i]], s[s1[i]], w[i]);
}

const scale_kernels* active = &SCALE_PORTABLE_KERNELS;
bool chosen = false;  // by scale_select, or the fastest set on first use

}  // namespace

const scale_kernels SCALE_PORTABLE_KERNELS = {"portable", widen_16, widen_32, mix_16, mix_32, resample_32};

namespace {

const scale_kernels* scale_portable_kernels()
{
    return &SCALE_PORTABLE_KERNELS;
}

const kernel_providers<scale_kernels, SCALE_IMPL_COUNT> PROVIDERS = {
    scale_portable_kernels, scale_sse2_kernels, scale_avx2_kernels};

}  // namespace

const scale_kernels* scale_kernels_of(scale_impl impl)
{
    return kernel_set_of(PROVIDERS, impl);
}

scale_impl scale_best_impl()
{
    return static_cast<scale_impl>(fastest_kernel_set(PROVIDERS));
}

const scale_kernels* scale_active_kernels()
{
    if (!chosen)
        scale_select(scale_best_impl());
    return active;
}

bool scale_select(scale_impl impl)
{
    const scale_kernels* k = scale_kernels_of(impl);
    if (!k)
        return false;
    active = k;
    chosen = true;
    return true;
}
