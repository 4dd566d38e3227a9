// The game's eleven sound effects, synthesised from fixed recipes and fixed-seed noise.
#include "sounds.h"

#include <cmath>

#include "datidx.h"
#include "synth.h"

namespace {
const int RATE_HZ = 22050;

// Ends of every one-shot: a fade-in short enough to keep attacks crisp, a fade-out
// long enough that a tail cut at the end of the buffer never ticks.
const double ATTACK_FADE_S = 0.002;
const double SOFT_FADE_S = 0.006;
const double TAIL_FADE_S = 0.03;

// Each sound draws its noise from its own seed, its archive index, so tuning
// one never changes another.

// A one-shot's buffer of `length_s` seconds, each sample `sample(t)` of its
// time t, computed in order so that oscillators and filters run through it.
template <typename Sample> std::vector<double> wave_from(double length_s, Sample sample)
{
    std::vector<double> w = wave_of(length_s, RATE_HZ);
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = sample(static_cast<double>(i) / RATE_HZ);
    return w;
}

// Dull thud: a low sine that drops in pitch, a muffled knock of noise, everything under 900 Hz.
SynthSample make_bump()
{
    const double length_s = 0.3;
    const double pitch_from_hz = 125.0, pitch_to_hz = 48.0, pitch_drop_s = 0.03;
    const double body_decay_s = 0.075;
    const double knock_cutoff_hz = 450.0, knock_decay_s = 0.012, knock_level = 0.6;
    const double overtone_ratio = 2.3, overtone_decay_s = 0.025, overtone_level = 0.25;
    const double knock_gain = 4.0;  // makes up for the energy the low-pass takes out of white noise
    const double muffle_hz = 900.0;
    const double drive = 1.6;

    SynthRng rng = rng_seeded(SND_BUMP);
    SynthOsc body {0.0}, overtone {0.0};
    SynthSvf knock {}, muffle {};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double pitch = pitch_to_hz + (pitch_from_hz - pitch_to_hz) * std::exp(-t / pitch_drop_s);
        double x = osc_sine(body, pitch, RATE_HZ) * std::exp(-t / body_decay_s);
        x += overtone_level * osc_sine(overtone, pitch * overtone_ratio, RATE_HZ) * std::exp(-t / overtone_decay_s);
        x += knock_level * knock_gain * svf(knock, rng_bipolar(rng), knock_cutoff_hz, SYNTH_Q_FLAT, RATE_HZ).low *
            std::exp(-t / knock_decay_s);
        return svf(muffle, soft_clip(drive * x), muffle_hz, SYNTH_Q_FLAT, RATE_HZ).low;
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// Wet pop: a snap of band-passed noise, one big bubble rising in pitch, then a spray of droplets.
SynthSample make_ball_burst()
{
    const double length_s = 0.35;
    const double snap_hz = 2600.0, snap_q = 1.2, snap_decay_s = 0.007, snap_level = 0.9;
    const SynthBubble pop {0.0, 320.0, 2.6, 0.03, 0.05, 1.0};
    const double thump_hz = 140.0, thump_decay_s = 0.03, thump_level = 0.45;
    const int droplet_count = 7;
    const SynthBubbleSpread droplet_spread {0.03, 0.22, 900.0, 2300.0, 0.012, 0.028, 0.12, 0.35};

    SynthRng rng = rng_seeded(SND_BALL_BURST);
    const std::vector<SynthBubble> droplets = random_bubbles(rng, droplet_count, droplet_spread);
    SynthSvf snap {};
    SynthOsc thump {0.0};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        double x =
            snap_level * svf(snap, rng_bipolar(rng), snap_hz, snap_q, RATE_HZ).band * std::exp(-t / snap_decay_s);
        x += bubble_at(pop, t);
        x += thump_level * osc_sine(thump, thump_hz, RATE_HZ) * std::exp(-t / thump_decay_s);
        for (const SynthBubble& d : droplets)
            x += bubble_at(d, t);
        return x;
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// Rising three-note arpeggio (C, E, G) of a soft pulse tone, the last note ringing with vibrato, plus an echo.
SynthSample make_one_up()
{
    const double length_s = 0.85;
    const int notes = 3;
    const int last = notes - 1;
    const double note_hz[notes] = {1046.5, 1318.5, 1568.0};
    const double note_start_s[notes] = {0.0, 0.075, 0.15};
    const double note_decay_s[notes] = {0.07, 0.07, 0.22};
    const double note_attack_s = 0.004;
    const double pulse_width = 0.3, sine_level = 0.6;
    const double vibrato_hz = 6.5, vibrato_depth = 0.006, vibrato_delay_s = 0.1;
    const double tone_cutoff_hz = 5000.0;
    const double echo_delay_s = 0.11, echo_level = 0.35;

    SynthOsc pulse[notes] = {}, sine[notes] = {}, vibrato {0.0};
    SynthSvf tone {};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double wobble = smooth_ramp((t - note_start_s[last] - vibrato_delay_s) / vibrato_delay_s) *
            vibrato_depth * osc_sine(vibrato, vibrato_hz, RATE_HZ);
        double x = 0.0;
        for (int n = 0; n < notes; ++n) {
            const double env = env_attack_decay(t - note_start_s[n], note_attack_s, note_decay_s[n]);
            const double hz = note_hz[n] * (n == last ? 1.0 + wobble : 1.0);
            const double tone_now =
                osc_pulse(pulse[n], hz, RATE_HZ, pulse_width) + sine_level * osc_sine(sine[n], hz, RATE_HZ);
            x += env * tone_now;
        }
        return svf(tone, x, tone_cutoff_hz, SYNTH_Q_FLAT, RATE_HZ).low;
    });
    const size_t echo = static_cast<size_t>(echo_delay_s * RATE_HZ);
    for (size_t i = w.size(); i-- > echo;)
        w[i] += echo_level * w[i - echo];
    return finish_one_shot(w, RATE_HZ, SOFT_FADE_S, TAIL_FADE_S);
}

// Falling wail: two detuned buzzy oscillators sliding down three octaves with a widening
// vibrato, through a resonant low-pass that closes with the pitch.
SynthSample make_player_death()
{
    const double length_s = 1.6;
    const double pitch_from_hz = 880.0, pitch_to_hz = 110.0, slide_s = 1.45;
    const double detune = 1.007, pulse_level = 0.7, pulse_width = 0.5, pulse_phase = 0.3;
    const double vibrato_hz = 7.0, vibrato_max_depth = 0.035, vibrato_grow_s = 0.6;
    const double cutoff_per_pitch = 3.5, filter_q = 2.5;
    const double attack_s = 0.03, release_from_s = 0.85, release_s = 0.7;

    SynthOsc saw {0.0}, pulse {pulse_phase}, vibrato {0.0};
    SynthSvf filter {};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double slide = std::min(t / slide_s, 1.0);
        const double depth = vibrato_max_depth * smooth_ramp(t / vibrato_grow_s);
        const double pitch = pitch_from_hz * std::pow(pitch_to_hz / pitch_from_hz, slide) *
            (1.0 + depth * osc_sine(vibrato, vibrato_hz, RATE_HZ));
        const double raw =
            osc_saw(saw, pitch, RATE_HZ) + pulse_level * osc_pulse(pulse, pitch * detune, RATE_HZ, pulse_width);
        const double env = smooth_ramp(t / attack_s) * (1.0 - smooth_ramp((t - release_from_s) / release_s));
        return env * svf(filter, raw, pitch * cutoff_per_pitch, filter_q, RATE_HZ).low;
    });
    return finish_one_shot(w, RATE_HZ, SOFT_FADE_S, TAIL_FADE_S);
}

// Electric crackle: a mains-like buzz and hissing arc that switch on and off in random
// bursts, peppered with sharp resonant snaps.
SynthSample make_zap()
{
    const double length_s = 0.55;
    const double buzz_hz = 120.0, buzz_highpass_hz = 350.0, buzz_level = 0.55;
    const double hiss_highpass_hz = 2500.0, hiss_level = 0.35;
    const double burst_min_s = 0.012, burst_max_s = 0.05, gap_max_s = 0.025;
    const double burst_level_lo = 0.55, burst_level_hi = 1.0, gap_level = 0.08;
    const double gate_smooth_hz = 300.0;
    const double snap_chance = 0.006, snap_hz = 3200.0, snap_q = 4.0, snap_level = 3.0;
    const double decay_s = 0.35, drive = 1.4;

    SynthRng rng = rng_seeded(SND_ZAP);
    SynthOsc buzz {0.0};
    SynthOnePole buzz_hp {0.0}, hiss_hp {0.0}, gate_smooth {0.0};
    SynthSvf snap {};
    double burst_end_s = 0.0, burst_level = 0.0;
    bool in_gap = true;
    std::vector<double> w = wave_from(length_s, [&](double t) {
        if (t >= burst_end_s) {
            // Alternate bursts and short gaps of random length; a gap may be empty.
            in_gap = !in_gap;
            burst_end_s = t + (in_gap ? rng_range(rng, 0.0, gap_max_s) : rng_range(rng, burst_min_s, burst_max_s));
            burst_level = in_gap ? gap_level : rng_range(rng, burst_level_lo, burst_level_hi);
        }
        // A few milliseconds of smoothing turn the gate's steps into quick swells instead of clicks.
        const double gate = lowpass1(gate_smooth, burst_level, gate_smooth_hz, RATE_HZ);
        double x = buzz_level * highpass1(buzz_hp, osc_saw(buzz, buzz_hz, RATE_HZ), buzz_highpass_hz, RATE_HZ);
        x += hiss_level * highpass1(hiss_hp, rng_bipolar(rng), hiss_highpass_hz, RATE_HZ);
        x *= gate;
        const double impulse = rng_uniform(rng) < snap_chance * gate ? rng_bipolar(rng) : 0.0;
        x += snap_level * svf(snap, impulse, snap_hz, snap_q, RATE_HZ).band;
        return soft_clip(drive * x) * std::exp(-t / decay_s);
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// Low motor hum, one second that loops. Every component repeats a whole number of times
// in the loop, so the end flows into the start. The game plays it at half to full speed,
// which sweeps the firing rate from 50 to 100 Hz.
SynthSample make_engine()
{
    const int loop_samples = RATE_HZ;  // one second
    const int firing_per_loop = 100;   // firing pulses per loop at full speed: 100 Hz
    const int cylinders = 4;
    const double cylinder_level[cylinders] = {1.0, 0.8, 0.92, 0.74};  // an uneven beat at a quarter of the firing rate
    const double jitter = 0.12;
    const double pulse_ring = 2.5, pulse_decay = 4.0;     // per firing cycle: ringing periods and decay
    const double crank_level = 0.35, firing_level = 0.3;  // sines at half and at the firing rate
    const double exhaust_cutoff_hz = 700.0, exhaust_level = 0.8, exhaust_decay = 6.0;
    const double muffle_hz = 1100.0;
    const int warm_up_loops = 2;  // filters settle over these before the kept loop

    SynthRng rng = rng_seeded(SND_ENGINE);
    std::vector<double> noise(loop_samples), cycle_level(firing_per_loop);
    for (double& n : noise)
        n = rng_bipolar(rng);
    for (int c = 0; c < firing_per_loop; ++c)
        cycle_level[c] = cylinder_level[c % cylinders] * (1.0 + jitter * rng_bipolar(rng));

    std::vector<double> w(loop_samples);
    SynthSvf exhaust {}, muffle {};
    for (int i = 0; i < (warm_up_loops + 1) * loop_samples; ++i) {
        const int k = i % loop_samples;
        const double cycles = static_cast<double>(k) * firing_per_loop / loop_samples;
        const int cycle = static_cast<int>(cycles);
        const double u = cycles - cycle;  // position inside the firing cycle, [0, 1)
        double x = cycle_level[cycle] * std::sin(2.0 * SYNTH_PI * pulse_ring * u) * std::exp(-pulse_decay * u);
        x += crank_level * std::sin(SYNTH_PI * cycles);
        x += firing_level * std::sin(2.0 * SYNTH_PI * cycles);
        x += exhaust_level * cycle_level[cycle] * std::exp(-exhaust_decay * u) *
            svf(exhaust, noise[k], exhaust_cutoff_hz, SYNTH_Q_FLAT, RATE_HZ).low;
        const double y = svf(muffle, x, muffle_hz, SYNTH_Q_FLAT, RATE_HZ).low;
        if (i >= warm_up_loops * loop_samples)
            w[k] = y;
    }
    return finish_loop(w, RATE_HZ);
}

// Explosion: a sharp crack, a roaring noise body whose brightness falls, a low boom
// that drops in pitch, debris crackles and a long rumbling tail.
SynthSample make_explosion()
{
    const double length_s = 2.4;
    const double crack_highpass_hz = 1200.0, crack_decay_s = 0.02, crack_level = 0.8;
    const double body_cutoff_from_hz = 4000.0, body_cutoff_to_hz = 250.0, body_sweep_s = 0.18;
    const double body_attack_s = 0.004, body_decay_s = 0.32, body_level = 1.6, body_q = 0.9;
    const double boom_from_hz = 90.0, boom_to_hz = 36.0, boom_drop_s = 0.09;
    const double boom_attack_s = 0.005, boom_decay_s = 0.38, boom_level = 1.0;
    const double rumble_cutoff_hz = 140.0, rumble_decay_s = 0.6, rumble_level = 4.0, rumble_q = 1.1;
    const double debris_until_s = 1.2, debris_chance = 0.006, debris_hz = 1300.0, debris_level = 1.2;
    const double debris_q = 2.0, debris_dull_hz = 2500.0;
    const double drive = 1.3;
    const double tail_fade_s = 0.25;

    SynthRng rng = rng_seeded(SND_EXPLOSION);
    SynthOnePole crack {0.0};
    SynthSvf body {}, rumble {}, debris {}, debris_dull {};
    SynthOsc boom {0.0};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double white = rng_bipolar(rng);
        double x = crack_level * highpass1(crack, white, crack_highpass_hz, RATE_HZ) * std::exp(-t / crack_decay_s);
        const double cutoff =
            body_cutoff_to_hz + (body_cutoff_from_hz - body_cutoff_to_hz) * std::exp(-t / body_sweep_s);
        x += body_level * svf(body, white, cutoff, body_q, RATE_HZ).low *
            env_attack_decay(t, body_attack_s, body_decay_s);
        const double boom_hz = boom_to_hz + (boom_from_hz - boom_to_hz) * std::exp(-t / boom_drop_s);
        x += boom_level * osc_sine(boom, boom_hz, RATE_HZ) * env_attack_decay(t, boom_attack_s, boom_decay_s);
        x += rumble_level * svf(rumble, rng_bipolar(rng), rumble_cutoff_hz, rumble_q, RATE_HZ).low *
            env_attack_decay(t, body_attack_s, rumble_decay_s);
        // Debris thins out as the blast settles.
        const double debris_density = debris_chance * std::max(0.0, 1.0 - t / debris_until_s);
        const double impulse = rng_uniform(rng) < debris_density ? rng_bipolar(rng) : 0.0;
        const double snap = svf(debris, impulse, debris_hz, debris_q, RATE_HZ).band;
        x += debris_level * svf(debris_dull, snap, debris_dull_hz, SYNTH_Q_FLAT, RATE_HZ).low;
        return soft_clip(drive * x);
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, tail_fade_s);
}

// Rumbling upward sweep: a growling buzz climbing two octaves under an opening filter,
// with low noise rumble, both shaken by slow random tremors.
SynthSample make_rise()
{
    const double length_s = 1.1;
    const double pitch_from_hz = 45.0, pitch_to_hz = 190.0;
    const double pulse_level = 0.8, pulse_detune = 1.005, pulse_width = 0.4, pulse_phase = 0.5;
    const double cutoff_from_hz = 180.0, cutoff_to_hz = 1800.0, filter_q = 1.6;
    const double rumble_cutoff_from_hz = 110.0, rumble_cutoff_to_hz = 450.0, rumble_level = 3.0;
    const double tremor_cutoff_hz = 18.0, tremor_gain = 14.0, tremor_depth = 0.6;
    const double swell_s = 0.35, swell_floor = 0.25, release_from_s = 0.9, release_s = 0.2;

    SynthRng rng = rng_seeded(SND_RISE);
    SynthOsc saw {0.0}, pulse {pulse_phase};
    SynthSvf filter {}, rumble {}, tremor {};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double p = t / length_s;
        const double pitch = pitch_from_hz * std::pow(pitch_to_hz / pitch_from_hz, p);
        const double cutoff = cutoff_from_hz * std::pow(cutoff_to_hz / cutoff_from_hz, p);
        const double rumble_cutoff = rumble_cutoff_from_hz * std::pow(rumble_cutoff_to_hz / rumble_cutoff_from_hz, p);
        const double shake = 1.0 +
            tremor_depth *
                std::tanh(tremor_gain * svf(tremor, rng_bipolar(rng), tremor_cutoff_hz, SYNTH_Q_FLAT, RATE_HZ).low);
        const double raw =
            osc_saw(saw, pitch, RATE_HZ) + pulse_level * osc_pulse(pulse, pitch * pulse_detune, RATE_HZ, pulse_width);
        double x = svf(filter, raw, cutoff, filter_q, RATE_HZ).low;
        x += rumble_level * svf(rumble, rng_bipolar(rng), rumble_cutoff, SYNTH_Q_FLAT, RATE_HZ).low;
        const double env = (swell_floor + (1.0 - swell_floor) * smooth_ramp(t / swell_s)) *
            (1.0 - smooth_ramp((t - release_from_s) / release_s));
        return soft_clip(shake * x) * env;
    });
    return finish_one_shot(w, RATE_HZ, SOFT_FADE_S, TAIL_FADE_S);
}

// Short wet "ptoo": a lip plosive, a tongue tick, a falling "oo" vowel and a few droplets.
SynthSample make_spit()
{
    const double length_s = 0.26;
    const double click_attack_s = 0.001;
    const double plosive_cutoff_hz = 1000.0, plosive_decay_s = 0.012, plosive_level = 3.5;
    const double tick_at_s = 0.018, tick_highpass_hz = 3500.0, tick_decay_s = 0.006, tick_level = 0.6;
    const double vowel_at_s = 0.03, vowel_attack_s = 0.012, vowel_decay_s = 0.06;
    const double voice_from_hz = 280.0, voice_to_hz = 170.0, voice_fall_s = 0.08;
    const double formant1_hz = 330.0, formant2_hz = 850.0, formant_q = 5.0, formant2_level = 0.6, vowel_level = 1.4;
    const int droplet_count = 4;
    const SynthBubbleSpread droplet_spread {0.02, 0.1, 1400.0, 2600.0, 0.008, 0.018, 0.12, 0.3};

    SynthRng rng = rng_seeded(SND_SPIT);
    const std::vector<SynthBubble> droplets = random_bubbles(rng, droplet_count, droplet_spread);
    SynthSvf plosive {}, formant1 {}, formant2 {};
    SynthOnePole tick {0.0};
    SynthOsc voice {0.0};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double white = rng_bipolar(rng);
        double x = plosive_level * svf(plosive, white, plosive_cutoff_hz, SYNTH_Q_FLAT, RATE_HZ).low *
            env_attack_decay(t, click_attack_s, plosive_decay_s);
        x += tick_level * highpass1(tick, white, tick_highpass_hz, RATE_HZ) *
            env_attack_decay(t - tick_at_s, click_attack_s, tick_decay_s);
        const double tv = t - vowel_at_s;
        const double pitch = voice_to_hz + (voice_from_hz - voice_to_hz) * std::exp(-std::max(tv, 0.0) / voice_fall_s);
        const double glottal = osc_saw(voice, pitch, RATE_HZ);
        const double vowel = svf(formant1, glottal, formant1_hz, formant_q, RATE_HZ).band +
            formant2_level * svf(formant2, glottal, formant2_hz, formant_q, RATE_HZ).band;
        x += vowel_level * vowel * env_attack_decay(tv, vowel_attack_s, vowel_decay_s);
        for (const SynthBubble& d : droplets)
            x += bubble_at(d, t);
        return x;
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// Squelch: noise through a resonant band that swings up and back down like a squashed
// vowel, wobbling as it goes, over a burst of low gurgling bubbles.
SynthSample make_turd_dies()
{
    const double length_s = 0.5;
    const double band_from_hz = 300.0, band_peak_hz = 1400.0, band_q = 5.0, band_level = 2.2;
    const double band_arch_s = 0.25;  // the band opens fast and closes slowly over this time
    const double wobble_hz = 23.0, wobble_depth = 0.25;
    const double squish_attack_s = 0.01, squish_decay_s = 0.08;
    const double low_cutoff_hz = 260.0, low_q = 1.5, low_level = 1.2;
    const double drive = 1.2;
    const int bubble_count = 9;
    const SynthBubbleSpread bubble_spread {0.02, 0.32, 250.0, 800.0, 0.02, 0.05, 0.3, 0.7};

    SynthRng rng = rng_seeded(SND_TURD_DIES);
    const std::vector<SynthBubble> bubbles = random_bubbles(rng, bubble_count, bubble_spread);
    SynthSvf band {}, low {};
    SynthOsc wobble {0.0};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double white = rng_bipolar(rng);
        const double arch = std::sin(SYNTH_PI * std::min(std::sqrt(t / band_arch_s), 1.0));
        const double centre = (band_from_hz + (band_peak_hz - band_from_hz) * arch) *
            (1.0 + wobble_depth * osc_sine(wobble, wobble_hz, RATE_HZ));
        const double env = env_attack_decay(t, squish_attack_s, squish_decay_s);
        double x = band_level * svf(band, white, centre, band_q, RATE_HZ).band * env;
        x += low_level * svf(low, white, low_cutoff_hz, low_q, RATE_HZ).low * env;
        for (const SynthBubble& b : bubbles)
            x += bubble_at(b, t);
        return soft_clip(drive * x);
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// Short bright laser blip: a narrow pulse diving from 3 kHz to 600 Hz with a sine an octave up.
SynthSample make_player_shot()
{
    const double length_s = 0.13;
    const double pitch_from_hz = 3000.0, pitch_to_hz = 600.0, dive_s = 0.025;
    const double pulse_width = 0.3, octave_level = 0.35;
    const double attack_s = 0.0015, decay_s = 0.035;
    const double thin_hz = 300.0;

    SynthOsc pulse {0.0}, octave {0.0};
    SynthOnePole thin {0.0};
    std::vector<double> w = wave_from(length_s, [&](double t) {
        const double pitch = pitch_to_hz + (pitch_from_hz - pitch_to_hz) * std::exp(-t / dive_s);
        double x =
            osc_pulse(pulse, pitch, RATE_HZ, pulse_width) + octave_level * osc_sine(octave, 2.0 * pitch, RATE_HZ);
        return highpass1(thin, x, thin_hz, RATE_HZ) * env_attack_decay(t, attack_s, decay_s);
    });
    return finish_one_shot(w, RATE_HZ, ATTACK_FADE_S, TAIL_FADE_S);
}

// The recipe of each sound, by archive index.
struct SoundRecipe {
    int index;
    SynthSample (*make)();
};
const SoundRecipe SOUND_RECIPES[] = {{SND_BUMP, make_bump}, {SND_BALL_BURST, make_ball_burst},
    {SND_ONE_UP, make_one_up}, {SND_PLAYER_DEATH, make_player_death}, {SND_ZAP, make_zap}, {SND_ENGINE, make_engine},
    {SND_EXPLOSION, make_explosion}, {SND_RISE, make_rise}, {SND_SPIT, make_spit}, {SND_TURD_DIES, make_turd_dies},
    {SND_PLAYER_SHOT, make_player_shot}};
}

SynthSample synth_sample(int idx)
{
    for (const SoundRecipe& r : SOUND_RECIPES)
        if (r.index == idx)
            return r.make();
    return SynthSample {0, {}};
}
