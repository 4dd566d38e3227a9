// WAV writing for the synthesised samples: 16-bit mono PCM, as `dat -t SAMP` reads it.
#pragma once

#include "sounds.h"

#include <string>

bool write_wav(const std::string& path, const SynthSample& s);
