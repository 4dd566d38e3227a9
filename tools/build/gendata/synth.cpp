// Building blocks of the sound-effect synthesis: deterministic noise, band-limited oscillators, filters.
#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {
const uint32_t RNG_FALLBACK_SEED = 0x9E3779B9u;
const double RNG_SCALE = 1.0 / 4294967296.0;
// Random bubbles glide up by this factor, most of it within their first decay time.
const double BUBBLE_GLIDE = 2.2;
const double BUBBLE_RISE_PER_DECAY = 0.6;
const double BUBBLE_ATTACK_S = 0.001;
const double SVF_MAX_CUTOFF_FRACTION = 0.45;  // of the sample rate
const double DC_BLOCK_HZ = 15.0;
const double INT16_FULL_SCALE = 32767.0;

double wrap_phase(double phase)
{
    return phase - std::floor(phase);
}

// Residual that turns a naive step into a band-limited one around a discontinuity.
double poly_blep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

int16_t to_pcm(double x)
{
    const double v = std::round(x * INT16_FULL_SCALE);
    return static_cast<int16_t>(std::clamp(v, -INT16_FULL_SCALE, INT16_FULL_SCALE));
}

void scale_to_peak(std::vector<double>& wave)
{
    double peak = 0.0;
    for (double x : wave)
        peak = std::max(peak, std::fabs(x));
    if (peak <= 0.0)
        return;
    const double gain = SYNTH_PEAK_LEVEL / peak;
    for (double& x : wave)
        x *= gain;
}
}

SynthRng rng_seeded(uint32_t seed)
{
    return SynthRng {seed != 0 ? seed : RNG_FALLBACK_SEED};
}

double rng_uniform(SynthRng& rng)
{
    uint32_t x = rng.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    rng.state = x;
    return x * RNG_SCALE;
}

double rng_bipolar(SynthRng& rng)
{
    return 2.0 * rng_uniform(rng) - 1.0;
}

double rng_range(SynthRng& rng, double lo, double hi)
{
    return lo + (hi - lo) * rng_uniform(rng);
}

double osc_sine(SynthOsc& osc, double freq_hz, int rate_hz)
{
    const double out = std::sin(2.0 * SYNTH_PI * osc.phase);
    osc.phase = wrap_phase(osc.phase + freq_hz / rate_hz);
    return out;
}

double osc_saw(SynthOsc& osc, double freq_hz, int rate_hz)
{
    const double dt = freq_hz / rate_hz;
    const double out = 2.0 * osc.phase - 1.0 - poly_blep(osc.phase, dt);
    osc.phase = wrap_phase(osc.phase + dt);
    return out;
}

double osc_pulse(SynthOsc& osc, double freq_hz, int rate_hz, double width)
{
    const double dt = freq_hz / rate_hz;
    double out = osc.phase < width ? 1.0 : -1.0;
    out += poly_blep(osc.phase, dt);
    out -= poly_blep(wrap_phase(osc.phase + 1.0 - width), dt);
    osc.phase = wrap_phase(osc.phase + dt);
    // Centre the pulse so that narrow widths carry no DC offset.
    return out - (2.0 * width - 1.0);
}

double lowpass1(SynthOnePole& f, double in, double cutoff_hz, int rate_hz)
{
    const double a = 1.0 - std::exp(-2.0 * SYNTH_PI * cutoff_hz / rate_hz);
    f.z += a * (in - f.z);
    return f.z;
}

double highpass1(SynthOnePole& f, double in, double cutoff_hz, int rate_hz)
{
    return in - lowpass1(f, in, cutoff_hz, rate_hz);
}

SynthSvfOut svf(SynthSvf& f, double in, double cutoff_hz, double q, int rate_hz)
{
    const double fc = std::clamp(cutoff_hz, 1.0, SVF_MAX_CUTOFF_FRACTION * rate_hz);
    const double g = std::tan(SYNTH_PI * fc / rate_hz);
    const double k = 1.0 / q;
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = in - f.ic2;
    const double v1 = a1 * f.ic1 + a2 * v3;
    const double v2 = f.ic2 + a2 * f.ic1 + a3 * v3;
    f.ic1 = 2.0 * v1 - f.ic1;
    f.ic2 = 2.0 * v2 - f.ic2;
    return SynthSvfOut {v2, v1, in - k * v1 - v2};
}

double smooth_ramp(double x)
{
    if (x <= 0.0)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    return 0.5 - 0.5 * std::cos(SYNTH_PI * x);
}

double env_attack_decay(double t, double attack_s, double decay_s)
{
    if (t <= 0.0)
        return 0.0;
    if (t < attack_s)
        return smooth_ramp(t / attack_s);
    return std::exp(-(t - attack_s) / decay_s);
}

double bubble_at(const SynthBubble& b, double t_s)
{
    const double t = t_s - b.start_s;
    if (t <= 0.0)
        return 0.0;
    // Phase (in cycles) of a sine whose frequency is freq * (glide - (glide - 1) * e^(-t / rise)).
    const double phase = b.freq_hz * (b.glide * t - (b.glide - 1.0) * b.rise_s * (1.0 - std::exp(-t / b.rise_s)));
    return b.amp * env_attack_decay(t, BUBBLE_ATTACK_S, b.decay_s) * std::sin(2.0 * SYNTH_PI * phase);
}

std::vector<SynthBubble> random_bubbles(SynthRng& rng, int count, const SynthBubbleSpread& spread)
{
    std::vector<SynthBubble> bubbles;
    for (int i = 0; i < count; ++i) {
        SynthBubble b;
        b.start_s = rng_range(rng, spread.start_lo_s, spread.start_hi_s);
        b.freq_hz = rng_range(rng, spread.freq_lo_hz, spread.freq_hi_hz);
        b.decay_s = rng_range(rng, spread.decay_lo_s, spread.decay_hi_s);
        b.glide = BUBBLE_GLIDE;
        b.rise_s = b.decay_s * BUBBLE_RISE_PER_DECAY;
        b.amp = rng_range(rng, spread.amp_lo, spread.amp_hi);
        bubbles.push_back(b);
    }
    return bubbles;
}

std::vector<double> wave_of(double seconds, int rate_hz)
{
    return std::vector<double>(static_cast<size_t>(std::lround(seconds * rate_hz)), 0.0);
}

double soft_clip(double x)
{
    return std::tanh(x);
}

SynthSample finish_one_shot(std::vector<double> wave, int rate_hz, double fade_in_s, double fade_out_s)
{
    SynthOnePole dc {0.0};
    for (double& x : wave)
        x = highpass1(dc, x, DC_BLOCK_HZ, rate_hz);

    const size_t n = wave.size();
    const size_t fade_in = std::min(n, static_cast<size_t>(std::lround(fade_in_s * rate_hz)));
    const size_t fade_out = std::min(n, static_cast<size_t>(std::lround(fade_out_s * rate_hz)));
    // Ramps reach exactly 0 at the first and last sample, whatever the signal does there.
    for (size_t i = 0; i < fade_in; ++i)
        wave[i] *= smooth_ramp(static_cast<double>(i) / fade_in);
    for (size_t i = 0; i < fade_out; ++i)
        wave[n - 1 - i] *= smooth_ramp(static_cast<double>(i) / fade_out);

    scale_to_peak(wave);
    SynthSample s {rate_hz, {}};
    s.pcm.reserve(n);
    for (double x : wave)
        s.pcm.push_back(to_pcm(x));
    return s;
}

SynthSample finish_loop(std::vector<double> wave, int rate_hz)
{
    const size_t n = wave.size();
    SynthSample s {rate_hz, {}};
    if (n == 0)
        return s;
    double mean = 0.0;
    for (double x : wave)
        mean += x;
    mean /= n;
    for (double& x : wave)
        x -= mean;

    // The gentlest upward zero crossing: the samples on both sides are closest to 0,
    // so the loop's first and last samples are quiet and the wrap sits on a smooth slope.
    size_t start = 0;
    double best = 1e300;
    for (size_t i = 0; i < n; ++i) {
        const double before = wave[(i + n - 1) % n];
        const double here = wave[i];
        if (before < 0.0 && here >= 0.0 && here - before < best) {
            best = here - before;
            start = i;
        }
    }
    std::rotate(wave.begin(), wave.begin() + start, wave.end());

    scale_to_peak(wave);
    s.pcm.reserve(n);
    for (double x : wave)
        s.pcm.push_back(to_pcm(x));
    return s;
}
