// tools/gendata/sounds.h
#pragma once
#include <cstdint>
#include <vector>
struct SynthSample { int rate; std::vector<int16_t> pcm; };   // mono, 16-bit signed
// The synthesised sample for archive index idx (one of the SND_ indices of datidx.h).
SynthSample synth_sample(int idx);
