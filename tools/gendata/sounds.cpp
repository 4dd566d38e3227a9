// Stand-in sound effects (a short quiet tone per index) until the real synthesis lands.
#include "sounds.h"

#include <cmath>

namespace {
const int STANDIN_RATE_HZ = 22050;
const int STANDIN_LENGTH_SAMPLES = 4410;
const double STANDIN_AMPLITUDE = 3000.0;
const double STANDIN_BASE_HZ = 200.0;
const double PI = 3.14159265358979323846;
}

SynthSample synth_sample(int idx)
{
    SynthSample s{STANDIN_RATE_HZ, {}};
    const double freq = STANDIN_BASE_HZ + 10.0 * idx;
    s.pcm.resize(STANDIN_LENGTH_SAMPLES);
    for (int i = 0; i < STANDIN_LENGTH_SAMPLES; ++i) {
        // A raised-sine envelope starts and ends at zero, so the tone has no click.
        const double env = std::sin(PI * i / (STANDIN_LENGTH_SAMPLES - 1));
        s.pcm[i] = static_cast<int16_t>(STANDIN_AMPLITUDE * env * std::sin(2.0 * PI * freq * i / STANDIN_RATE_HZ));
    }
    return s;
}
