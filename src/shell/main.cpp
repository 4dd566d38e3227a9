// The program's entry: options, start-up, the game's outer loop, shutdown.
#include "cmdline.h"
#include "flow.h"
#include "engine.h"
#include "vorlin.h"

int main(int argc, char** argv)
{
    const int start_level = parse_command_line(argc, argv);
    init_engine();
    run_flow(start_level);
    shutdown_engine();
    return 0;
}
END_OF_MAIN()
