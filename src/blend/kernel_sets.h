// The choice among one family's kernel sets (the blending kernels, the enlargement kernels): both
// families number their sets the same way. Private to src/blend.
#pragma once

// providers[impl]() gives set `impl`, or nullptr where this build or this processor lacks it.
// Set 0 is the portable one, always present; later sets are faster.
template <class KERNELS, int COUNT> using kernel_providers = const KERNELS* (*const[COUNT])();

// Set `impl`, or nullptr when there is no such set or it is not available.
template <class KERNELS, int COUNT>
const KERNELS* kernel_set_of(const kernel_providers<KERNELS, COUNT>& providers, int impl)
{
    return impl >= 0 && impl < COUNT ? providers[impl]() : nullptr;
}

// The fastest set available.
template <class KERNELS, int COUNT> int fastest_kernel_set(const kernel_providers<KERNELS, COUNT>& providers)
{
    for (int impl = COUNT - 1; impl > 0; impl--)
        if (providers[impl]())
            return impl;
    return 0;
}
