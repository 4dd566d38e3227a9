// Command-line parsing.
#include "cmdline.h"
#include "vorlin.h"
#include <cstdlib>
#include <cstring>

static const char* const LEVEL_SELECT_OPTION = "-warpaheadtothelevelgivenok";

int parse_command_line(int argc, const char* const* argv)
{
    int start_level = FIRST_LEVEL;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const bool has_next = i + 1 < argc;
        if (strcmp(arg, "-bpp") == 0) {
            if (has_next)
                color_depth = atoi(argv[i + 1]);
        } else if (strcmp(arg, "-win") == 0) {
            windowed = true;
        } else if (strcmp(arg, "-debug") == 0) {
            debug = true;
        } else if (strcmp(arg, "-nomp3") == 0) {
            no_mp3 = true;
        } else if (strcmp(arg, LEVEL_SELECT_OPTION) == 0) {
            if (has_next) {
                int level = atoi(argv[i + 1]);
                if (level >= FIRST_LEVEL && level <= LAST_LEVEL)
                    start_level = level;
            }
        }
    }
    // The game always runs with its music switched off.
    no_mp3 = true;
    return start_level;
}
