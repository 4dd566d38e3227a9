// What the game plays: its effects and the engine's loop at the volumes of its
// mix, through the library's mixer.
#include "sound.h"
#include "engine.h"
#include <algorithm>
#include <array>

static const int PAN_CENTRE = 128;
static const int NORMAL_PITCH = 1000;

// Each step of the library's per-voice scale halves every voice. At its default
// (1) a centred voice at full volume fills half the output range, so two
// aligned full-volume effects over the engine already clip: the same sample
// started twice in one tick (a wall and a blob bumped at once, two spitters
// spitting together) adds up exactly. At 2 a centred voice fills a quarter:
// three aligned full-volume effects and the engine at its loudest stay below
// full scale. The sounds' volumes relative to each other are untouched.
static const int MIX_VOICE_HALVINGS = 2;

// The library manages at most this many voices (its manual says so).
static const int LIBRARY_VOICES = 256;

// Played audio lags the mix by the output's buffer (the library asks ALSA for
// five periods of 1024 frames, 116 ms at 44.1 kHz), and closing the output
// drops what it still holds, wherever a sound is: at shutdown the mixer mixes
// this much silence after the last fades, so that they are heard.
static const int OUTPUT_DRAIN_MS = 200;
// The library's 16-bit samples are unsigned: silence is the middle value.
static const unsigned short SILENT_16 = 0x8000;

static int loop_voice = -1;
// Loops that were stopped and still fade out in the mixer. A new loop can
// start while the last one fades (a level replayed at once in debug mode).
static std::array<int, 4> fading_voices = {-1, -1, -1, -1};

static bool sound_running()
{
    return data && digi_driver && digi_driver->id != DIGI_NONE;
}

bool sound_install(int digital_driver)
{
    set_volume_per_voice(MIX_VOICE_HALVINGS);
    return install_sound(digital_driver, MIDI_NONE, nullptr) == 0;
}

static void free_voice(int& voice)
{
    if (voice >= 0)
        deallocate_voice(voice);
    voice = -1;
}

// A fading loop is freed once the mixer has brought it to silence.
static void reclaim_faded_loops()
{
    for (int& v : fading_voices)
        if (v >= 0 && voice_get_volume(v) <= 0)
            free_voice(v);
}

void sound_effect(int index, int volume, int pitch)
{
    if (!data)
        return;
    reclaim_faded_loops();
    play_sample(data_sample(index), volume, PAN_CENTRE, pitch, 0);
}

static void set_loop(int volume, int pitch)
{
    const SAMPLE* s = voice_check(loop_voice);
    if (!s)
        return;
    voice_set_volume(loop_voice, volume);
    voice_set_frequency(loop_voice, static_cast<int>(static_cast<long>(s->freq) * pitch / NORMAL_PITCH));
}

void sound_loop_start(int index, int volume, int pitch)
{
    if (!data)
        return;
    reclaim_faded_loops();
    if (loop_voice >= 0)
        sound_loop_stop();
    loop_voice = allocate_voice(data_sample(index));
    if (loop_voice < 0)
        return;
    voice_set_playmode(loop_voice, PLAYMODE_LOOP);
    voice_set_pan(loop_voice, PAN_CENTRE);
    set_loop(volume, pitch);
    voice_start(loop_voice);
}

void sound_loop_adjust(int volume, int pitch)
{
    if (loop_voice >= 0)
        set_loop(volume, pitch);
}

void sound_loop_stop()
{
    if (loop_voice < 0)
        return;
    reclaim_faded_loops();
    int* slot = &fading_voices[0];
    for (int& v : fading_voices)
        if (v < 0) {
            slot = &v;
            break;
        }
    // With every slot taken the oldest fade is cut short: four loops
    // stopped within one fade's time do not happen in play.
    free_voice(*slot);
    voice_ramp_volume(loop_voice, FADE_OUT_MS, 0);
    *slot = loop_voice;
    loop_voice = -1;
}

static bool any_voice_sounding()
{
    for (int v = 0; v < LIBRARY_VOICES; v++)
        if (voice_check(v) && voice_get_volume(v) > 0)
            return true;
    return false;
}

static bool fading_loop(int voice)
{
    return std::find(fading_voices.begin(), fading_voices.end(), voice) != fading_voices.end();
}

bool sound_mix_for(int ms, int ceiling_ms)
{
    if (!digi_driver || digi_driver->id == DIGI_NONE)
        return false;
    const int rate = get_mixer_frequency();
    SAMPLE* silence = create_sample(16, 0, rate, std::max(1L, static_cast<long>(rate) * ms / 1000));
    if (!silence)
        return false;
    unsigned short* pcm = static_cast<unsigned short*>(silence->data);
    std::fill(pcm, pcm + silence->len, SILENT_16);
    const int voice = allocate_voice(silence);
    bool mixed = false;
    if (voice >= 0) {
        voice_start(voice);
        for (int waited_ms = 0; waited_ms < ceiling_ms; waited_ms++) {
            if (voice_get_position(voice) < 0) {
                mixed = true;
                break;
            }
            rest(1);
        }
        deallocate_voice(voice);
    }
    destroy_sample(silence);
    return mixed;
}

void sound_fade_out_all()
{
    sound_loop_stop();
    if (sound_running()) {
        for (int v = 0; v < LIBRARY_VOICES; v++)
            if (voice_check(v) && voice_get_volume(v) > 0 && !fading_loop(v))
                voice_ramp_volume(v, FADE_OUT_MS, 0);
        for (int waited_ms = 0; any_voice_sounding() && waited_ms < SHUTDOWN_WAIT_CEILING_MS; waited_ms++)
            rest(1);
        sound_mix_for(OUTPUT_DRAIN_MS, SHUTDOWN_WAIT_CEILING_MS);
    }
    for (int& v : fading_voices)
        free_voice(v);
}

int effect_count[NUM_DATA_OBJECTS] = {};
int effect_last_volume = 0;
int effect_last_pitch = 0;

void play_effect(int index, int volume, int pitch)
{
    effect_count[index] += 1;
    effect_last_volume = volume;
    effect_last_pitch = pitch;
    sound_effect(index, volume, pitch);
}

int engine_sound_freq = 0;

void engine_sound_start()
{
    engine_sound_freq = ENGINE_BASE_FREQ;
    sound_loop_start(SND_ENGINE, ENGINE_START_VOLUME, ENGINE_BASE_FREQ);
}

void engine_sound_adjust(int freq)
{
    engine_sound_freq = freq;
    sound_loop_adjust(ENGINE_VOLUME, freq);
}

void engine_sound_stop()
{
    engine_sound_freq = 0;
    sound_loop_stop();
}
