// Sound effects and the engine's loop through the library's mixer: the mix's
// headroom, one-shot samples, a looping sample that ends without a click, and
// the fade of everything still sounding at shutdown. Every call is safe
// without a sound driver and before the archive is loaded: nothing is heard.
#pragma once
#include "datidx.h"

// What the game plays, at the volumes of its mix. Every call is counted here
// so when a sound plays can be checked without a sound card.

// Every one-shot sample of a thing in play (centred, no loop) goes through
// play_effect, which counts it per archive index and keeps the last volume and
// pitch. Without an archive loaded it only counts.
const int EFFECT_FULL_VOLUME = 255;
const int EFFECT_NORMAL_PITCH = 1000;
void play_effect(int index, int volume = EFFECT_FULL_VOLUME, int pitch = EFFECT_NORMAL_PITCH);
extern int effect_count[NUM_DATA_OBJECTS];
extern int effect_last_volume;
extern int effect_last_pitch;

// The craft's engine: a looping sample whose pitch follows the speed.
const int ENGINE_BASE_FREQ = 500;  // engine pitch at rest; twice that at top speed
const int ENGINE_START_VOLUME = 192;
const int ENGINE_VOLUME = 128;
// engine_sound_freq is the pitch last asked for (0 while the engine is off).
// Safe before the archive is loaded.
void engine_sound_start();
void engine_sound_adjust(int freq);
void engine_sound_stop();
extern int engine_sound_freq;

// The mixer underneath.

// Installs the library's sound (digital driver `digital_driver`, no MIDI) with the
// game's mix: each voice leaves room for the others, so the pile-ups of play
// (two or three full-volume effects in one tick over the engine) stay below
// full scale. True if it installed; the caller reports a failure.
bool sound_install(int digital_driver);

// Archive sample `index`, once, centred. Volume 0..255, pitch 1000 = as recorded.
void sound_effect(int index, int volume, int pitch);

// The one looping sample (the engine). A start while an earlier loop still
// fades out ends that one first; adjust changes the running loop only.
void sound_loop_start(int index, int volume, int pitch);
void sound_loop_adjust(int volume, int pitch);
// Fades the loop out over FADE_OUT_MS in the mixer (a cut mid-waveform
// clicks) and returns at once; the voice is freed by a later sound call once
// its fade is over, or at shutdown. The library's mixer changes a voice's
// volume once per output period (1024 frames, 23 ms), so a fade of a few
// milliseconds would be a single step, the same cut: this one takes ten steps.
void sound_loop_stop();
const int FADE_OUT_MS = 250;

// At shutdown, before the library closes its output: fades every voice still
// sounding, waits until the mixer has finished the fades and the output has
// taken them, then frees the voices. The waits follow the mixer's progress,
// which stands still while a busy machine starves it, each bounded by
// SHUTDOWN_WAIT_CEILING_MS of real time.
void sound_fade_out_all();
const int SHUTDOWN_WAIT_CEILING_MS = 2000;

// Waits until the mixer has mixed `ms` more milliseconds of output, at most
// about `ceiling_ms` of real time (counted in one-millisecond rests). False if
// it did not (no sound, or the output stands still).
bool sound_mix_for(int ms, int ceiling_ms);
