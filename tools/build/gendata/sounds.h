// Interface between the data generator and the sound-effect synthesis.
#pragma once
#include <cstdint>
#include <vector>
struct SynthSample {
    int rate;
    std::vector<int16_t> pcm;
};  // mono, 16-bit signed
// The synthesised sample for archive index idx (one of the SND_ indices of src/shell/datidx.h).
// The same index gives the same bytes on every call and every build. Any other index gives
// rate 0 and no samples.
SynthSample synth_sample(int idx);
