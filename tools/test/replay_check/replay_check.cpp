// Recordings played headless, as fast as the machine allows: every level
// attempt must end with the recording's check sum. Also the timedemo without
// a window, and the recorder of the scripted pilot's playthrough that the
// shipped recordings come from.
//
// Usage (run from the build directory, where data/ is):
//   replay_check [-timedemo] [-kernels portable|sse2|avx2] FILE... [-kernels ... FILE...]
//       plays each file with the blending kernels last named (the fastest
//       there are by default); exit 0 when every attempt of every file matched
//   replay_check -record-pilot OUT [LIVES=2] [QUIT_AFTER_TICKS=1500] [LEVELS=12345678]
//       records one game per level listed, each started at that level with
//       LIVES lives, the pilot quitting through the pause menu after
//       QUIT_AFTER_TICKS of an attempt
#include "fblend_kernels.h"
#include "flow.h"
#include "game.h"
#include "headless.h"
#include "music.h"
#include "pilot.h"
#include "replay.h"
#include "engine.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

const int DEFAULT_LIVES = 2;
const int DEFAULT_QUIT_AFTER_TICKS = 1500;
const int DISMISS_AT_TICK = 90;  // the screens that wait for a key get one then

bool start()
{
    if (!headless_init(32) || !headless_load_data()) {
        std::cerr << "replay_check: cannot start the library or load data/vorlin.dat (run it in the build directory)"
                  << std::endl;
        return false;
    }
    songbox = new SONGBOX();
    songbox->set_mute(true);
    headless_press_keys_at(DISMISS_AT_TICK);
    return true;
}

int record_pilot(int argc, char** argv)
{
    const std::string out = argv[2];
    const int lives = argc > 3 ? std::atoi(argv[3]) : DEFAULT_LIVES;
    const int quit_after = argc > 4 ? std::atoi(argv[4]) : DEFAULT_QUIT_AFTER_TICKS;
    const std::string levels = argc > 5 ? argv[5] : "12345678";
    srand(2026);
    replay_record_to(out);
    pilot_install(quit_after);
    for (char l : levels) {
        if (l < '1' || l > '8')
            continue;
        player_lives = lives;
        const int result = play_game(l - '0');
        std::cout << "level " << l << ": game ended with " << result << std::endl;
    }
    pilot_remove();
    replay_off();
    return 0;
}

int play_files(int argc, char** argv)
{
    bool timedemo = false;
    int status = 0;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "-timedemo") == 0) {
            timedemo = true;
            continue;
        }
        if (std::strcmp(argv[i], "-kernels") == 0 && i + 1 < argc) {
            const char* name = argv[++i];
            const fblend_impl impl = std::strcmp(name, "portable") == 0 ? FBLEND_PORTABLE
                : std::strcmp(name, "sse2") == 0                        ? FBLEND_SSE2
                                                                        : FBLEND_AVX2;
            if (fblend_select(impl))
                std::cout << "replay_check: blending with the " << name << " kernels" << std::endl;
            else
                std::cout << "replay_check: the " << name << " kernels are not available here; kept the ones in use"
                          << std::endl;
            continue;
        }
        ReplayFile f;
        std::string why;
        if (!replay_read(argv[i], f, why)) {
            std::cerr << why << std::endl;
            status = 1;
            continue;
        }
        replay_use(f);
        if (timedemo)
            replay_timing_begin();
        std::cout << argv[i] << ":" << std::endl;
        if (replay_games() != 0)
            status = 1;
        if (timedemo)
            std::cout << argv[i] << ": " << replay_timing_report() << std::endl;
        replay_off();
    }
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: replay_check [-kernels portable|sse2|avx2] [-timedemo] FILE...\n"
                     "       replay_check -record-pilot OUT [LIVES] [QUIT_AFTER_TICKS] [LEVELS]"
                  << std::endl;
        return 2;
    }
    if (!start())
        return 1;
    const int status =
        std::strcmp(argv[1], "-record-pilot") == 0 && argc > 2 ? record_pilot(argc, argv) : play_files(argc, argv);
    delete songbox;
    songbox = nullptr;
    return status;
}
