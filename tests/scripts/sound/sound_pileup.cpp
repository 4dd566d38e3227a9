// Plays the pile-ups of play through the game's own sound calls and start-up
// of sound, into whatever output the library's configuration picks: several
// full-volume effects started in one tick over the engine, each followed by
// the engine's stop. The test listens to the output it produces.
// Run in the build directory (it loads data/vorlin.dat), under an X server.
#include "object.h"
#include "player.h"
#include "sound.h"
#include "engine.h"
#include "datidx.h"
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const int LEAD_IN_MS = 100;                   // of silence, once the output runs
const int ENGINE_RUN_MS = 250;                // the engine alone before the pile-up
const int AFTER_STOP_MS = FADE_OUT_MS + 100;  // the engine's fade, then silence
const int TAIL_MS = 50;                       // after the longest effect has ended

struct Pileup {
    const char* name;
    int engine_pitch;
    std::vector<int> effects;  // started in the same tick
};

const int MIX_WAIT_CEILING_MS = 20000;

int sample_ms(int index)
{
    const SAMPLE* s = data_sample(index);
    return static_cast<int>(static_cast<long>(s->len) * 1000 / s->freq);
}

// The mixer's time, not the clock's: the output may stall (at its start, on a
// busy machine), and the mixer then stands still while the clock runs on.
bool mix_for(int ms)
{
    return sound_mix_for(ms, MIX_WAIT_CEILING_MS);
}

}

int main()
{
    if (allegro_init() != 0) {
        std::fprintf(stderr, "sound_pileup: the library does not start here (no display?): %s\n", allegro_error);
        return 1;
    }
    install_timer();
    set_color_depth(32);
    std::string why;
    if (load_game_archive("data/vorlin.dat", why) != ArchiveLoad::LOADED) {
        std::fprintf(stderr, "sound_pileup: cannot load data/vorlin.dat: %s\n", why.c_str());
        return 1;
    }
    if (!sound_install(DIGI_AUTODETECT) || digi_driver->id == DIGI_NONE) {
        std::fprintf(stderr, "sound_pileup: no sound output: %s\n", allegro_error);
        return 1;
    }
    // The output starts late on some systems: nothing plays until it runs.
    if (!mix_for(LEAD_IN_MS)) {
        std::fprintf(stderr, "sound_pileup: the output does not run\n");
        return 1;
    }
    const int top_speed = engine_frequency(PLAYER_MAX_SPEED, PLAYER_MAX_SPEED);
    const Pileup pileups[] = {
        {"a wall and a blob bumped in one tick, at top speed", top_speed, {SND_BUMP, SND_BUMP}},
        {"two spitters spitting in one tick", ENGINE_BASE_FREQ, {SND_SPIT, SND_SPIT}},
        {"a bump, a shot and a blob killed in one tick", top_speed, {SND_BUMP, SND_PLAYER_SHOT, SND_TURD_DIES}},
        {"three bumps in one tick", top_speed, {SND_BUMP, SND_BUMP, SND_BUMP}},
        {"the last hit against a wall", ENGINE_BASE_FREQ, {SND_PLAYER_DEATH, SND_EXPLOSION, SND_BUMP}},
    };
    for (const Pileup& p : pileups) {
        std::printf("pile-up: %s\n", p.name);
        std::fflush(stdout);
        engine_sound_start();
        engine_sound_adjust(p.engine_pitch);
        mix_for(ENGINE_RUN_MS);
        int longest_ms = 0;
        for (int e : p.effects) {
            play_effect(e);
            longest_ms = std::max(longest_ms, sample_ms(e));
        }
        mix_for(longest_ms + TAIL_MS);
        engine_sound_stop();
        mix_for(AFTER_STOP_MS);
    }
    sound_fade_out_all();
    unload_datafile(data);
    data = nullptr;
    allegro_exit();
    return 0;
}
