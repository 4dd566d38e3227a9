// Choice of the row kernel set: the fastest one this build carries and this processor runs.
#include "fblend_kernels.h"
#include "kernel_sets.h"

namespace {

const kernel_providers<fblend_kernels, FBLEND_IMPL_COUNT> PROVIDERS = {
    fblend_portable_kernels, fblend_sse2_kernels, fblend_avx2_kernels};

}  // namespace

const fblend_kernels* fblend_kernels_of(fblend_impl impl)
{
    return kernel_set_of(PROVIDERS, impl);
}

fblend_impl fblend_best_impl()
{
    return static_cast<fblend_impl>(fastest_kernel_set(PROVIDERS));
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
