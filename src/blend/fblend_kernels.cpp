// Choice of the row kernel set: the fastest one this build carries and this processor runs.
#include "fblend_kernels.h"

const fblend_kernels* fblend_kernels_of(fblend_impl impl)
{
    switch (impl) {
    case FBLEND_PORTABLE:
        return fblend_portable_kernels();
    case FBLEND_SSE2:
        return fblend_sse2_kernels();
    case FBLEND_AVX2:
        return fblend_avx2_kernels();
    default:
        return nullptr;
    }
}

fblend_impl fblend_best_impl()
{
    for (int impl = FBLEND_IMPL_COUNT - 1; impl > FBLEND_PORTABLE; impl--)
        if (fblend_kernels_of(static_cast<fblend_impl>(impl)))
            return static_cast<fblend_impl>(impl);
    return FBLEND_PORTABLE;
}

const fblend_kernels* fblend_active = &FBLEND_PORTABLE_KERNELS;

namespace {

// Upgrades the set before main; anything drawn earlier still gets the right pixels.
const bool best_chosen = fblend_select(fblend_best_impl());

}  // namespace

bool fblend_select(fblend_impl impl)
{
    const fblend_kernels* k = fblend_kernels_of(impl);
    if (!k)
        return false;
    fblend_active = k;
    return true;
}
