// The program's entry: options, start-up, the game's outer loop (or the
// replay of a recording), shutdown.
#include "cmdline.h"
#include "datadir.h"
#include "flow.h"
#include "engine.h"
#include "pacing.h"
#include "replay.h"
#include "vorlin.h"
#include <iostream>

int main(int argc, char** argv)
{
    const int start_level = parse_command_line(argc, argv);
    // Read before start-up: a file that cannot be replayed is said at once,
    // without opening a window; names are taken from the folder the game was
    // started in.
    ReplayFile recording;
    if (!replay_options.replay.empty()) {
        std::string why;
        if (!replay_read(replay_options.replay, recording, why)) {
            std::cerr << why << std::endl;
            return 1;
        }
    }
    const std::string record_path =
        replay_options.record.empty() ? std::string() : absolute_from_here(replay_options.record);
    init_engine();
    int status = 0;
    if (!replay_options.replay.empty()) {
        replay_use(recording);
        if (replay_options.timedemo) {
            pacing_set_free_run(true);
            replay_timing_begin();
        }
        status = replay_games();
        if (replay_options.timedemo)
            std::cout << replay_timing_report() << std::endl;
    } else {
        if (!record_path.empty())
            replay_record_to(record_path);
        run_flow(start_level);
    }
    replay_off();
    shutdown_engine();
    return status;
}
END_OF_MAIN()
