// Starts the engine as the game does, shows the ending, and shuts down: the
// end-to-end script's way to the ending without playing all eight levels.
#include "cmdline.h"
#include "menu.h"
#include "engine.h"
#include "vorlin.h"

int main(int argc, char** argv)
{
    parse_command_line(argc, argv);
    init_engine();
    stupid_ending();
    shutdown_engine();
    return 0;
}
END_OF_MAIN()
