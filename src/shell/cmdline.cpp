// Command-line parsing.
#include "cmdline.h"
#include "display.h"
#include "engine.h"
#include <cstdlib>
#include <cstring>

static const char* const LEVEL_SELECT_OPTION = "-warpaheadtothelevelgivenok";
static const char* const SCALE_OPTION = "-scale";

// A whole multiple 0..MAX_SCALE written in full; anything else is automatic.
static int scale_from_text(const char* text)
{
    char* end = nullptr;
    const long k = strtol(text, &end, 10);
    if (end == text || *end != '\0' || k < 0 || k > MAX_SCALE)
        return SCALE_AUTOMATIC;
    return static_cast<int>(k);
}

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
        } else if (strcmp(arg, SCALE_OPTION) == 0) {
            if (has_next)
                scale_option = scale_from_text(argv[i + 1]);
        } else if (strcmp(arg, LEVEL_SELECT_OPTION) == 0) {
            if (has_next) {
                int level = atoi(argv[i + 1]);
                if (level >= FIRST_LEVEL && level <= NUM_LEVELS)
                    start_level = level;
            }
        }
    }
    // The game always runs with its music switched off.
    no_mp3 = true;
    return start_level;
}
