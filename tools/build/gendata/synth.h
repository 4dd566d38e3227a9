// Small deterministic synthesis kit (noise, oscillators, filters, envelopes) for the game's sound effects.
#pragma once
#include <cstdint>
#include <vector>

#include "sounds.h"

const double SYNTH_PI = 3.14159265358979323846;
// Filter q without a resonant peak (Butterworth).
const double SYNTH_Q_FLAT = 0.7071;

// Peak of every finished sample as a fraction of 16-bit full scale: loud, with headroom
// so that rounding and the mixer's resampling never clip.
const double SYNTH_PEAK_LEVEL = 0.89;

// Fixed-seed xorshift generator: the same seed gives the same noise on every build.
struct SynthRng {
    uint32_t state;
};
SynthRng rng_seeded(uint32_t seed);                     // seed 0 is replaced by a fixed non-zero value
double rng_uniform(SynthRng& rng);                      // [0, 1)
double rng_bipolar(SynthRng& rng);                      // [-1, 1)
double rng_range(SynthRng& rng, double lo, double hi);  // [lo, hi)

// Oscillators keep their phase in cycles, [0, 1). The saw and pulse are band-limited
// (polyBLEP), so sweeps up to several kHz stay free of aliasing whistles.
struct SynthOsc {
    double phase;
};
double osc_sine(SynthOsc& osc, double freq_hz, int rate_hz);
double osc_saw(SynthOsc& osc, double freq_hz, int rate_hz);
double osc_pulse(SynthOsc& osc, double freq_hz, int rate_hz, double width);  // width in (0, 1)

// One-pole filters; the cutoff may change on every sample.
struct SynthOnePole {
    double z;
};
double lowpass1(SynthOnePole& f, double in, double cutoff_hz, int rate_hz);
double highpass1(SynthOnePole& f, double in, double cutoff_hz, int rate_hz);

// Trapezoidal state-variable filter: stable under per-sample cutoff sweeps.
// The cutoff is clamped below Nyquist; q > 0.
struct SynthSvf {
    double ic1, ic2;
};
struct SynthSvfOut {
    double low, band, high;
};
SynthSvfOut svf(SynthSvf& f, double in, double cutoff_hz, double q, int rate_hz);

// Envelope pieces, t in seconds since the event started (0 before it).
double env_attack_decay(double t, double attack_s, double decay_s);  // smooth rise, then exponential fall
double smooth_ramp(double x);                                        // 0 at x <= 0, 1 at x >= 1, smooth between

// A bubble: a short sine whose pitch rises as it decays, the basic "wet" sound. Its pitch
// glides from freq_hz towards freq_hz * glide (> 1), covering 63 % of the way every rise_s
// (> 0); its level falls by a factor e every decay_s.
struct SynthBubble {
    double start_s, freq_hz, glide, rise_s, decay_s, amp;
};
double bubble_at(const SynthBubble& b, double t_s);
// Ranges, [lo, hi), from which random bubbles draw their start, pitch, decay and level.
struct SynthBubbleSpread {
    double start_lo_s, start_hi_s, freq_lo_hz, freq_hi_hz, decay_lo_s, decay_hi_s, amp_lo, amp_hi;
};
std::vector<SynthBubble> random_bubbles(SynthRng& rng, int count, const SynthBubbleSpread& spread);

std::vector<double> wave_of(double seconds, int rate_hz);  // silent buffer
double soft_clip(double x);                                // tanh: rounds peaks, adds punch

// A one-shot sample: removes DC, fades both ends with raised-cosine ramps (so the
// first and last samples are 0), scales the peak to SYNTH_PEAK_LEVEL and rounds.
SynthSample finish_one_shot(std::vector<double> wave, int rate_hz, double fade_in_s, double fade_out_s);

// A looped sample: wave must be exactly one period (its end flows into its start).
// Removes DC, rotates the loop to start at its gentlest upward zero crossing (so the
// first and last samples are near 0 and the loop point stays continuous), scales the peak.
SynthSample finish_loop(std::vector<double> wave, int rate_hz);
