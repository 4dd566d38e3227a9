// Command-line parsing, and the options that override remembered settings.
#include "cmdline.h"
#include "display.h"
#include "engine.h"
#include "settings.h"
#include <climits>
#include <cstring>

static const char* const LEVEL_SELECT_OPTION = "-warpaheadtothelevelgivenok";
static const char* const SCALE_OPTION = "-scale";
static const char* const SCALE_MODE_OPTION = "-scalemode";

ReplayOptions replay_options;

// An option's number read by read_whole_number: `low`..`high`, else `otherwise`.
static int option_number(const char* text, int low, int high, int otherwise, NumberText how = NumberText::WHOLE)
{
    long n = 0;
    if (!read_whole_number(text, n, how) || n < low || n > high)
        return otherwise;
    return static_cast<int>(n);
}

int parse_command_line(int argc, const char* const* argv)
{
    int start_level = FIRST_LEVEL;
    for (int i = 1; i < argc; i++) {
        const char* arg = argv[i];
        const bool has_next = i + 1 < argc;
        if (strcmp(arg, "-bpp") == 0) {
            if (has_next)
                color_depth =
                    option_number(argv[i + 1], INT_MIN, INT_MAX, BPP_NOT_A_NUMBER, NumberText::LEADING_DIGITS);
        } else if (strcmp(arg, "-win") == 0) {
            windowed = true;
        } else if (strcmp(arg, "-debug") == 0) {
            debug = true;
        } else if (strcmp(arg, "-nomp3") == 0) {
            no_mp3 = true;
        } else if (strcmp(arg, SCALE_OPTION) == 0) {
            if (has_next)
                scale_option = option_number(argv[i + 1], SCALE_AUTOMATIC, MAX_SCALE, SCALE_AUTOMATIC);
        } else if (strcmp(arg, "-record") == 0) {
            if (has_next)
                replay_options.record = argv[i + 1];
        } else if (strcmp(arg, "-replay") == 0 || strcmp(arg, "-timedemo") == 0) {
            if (has_next) {
                replay_options.replay = argv[i + 1];
                replay_options.timedemo = strcmp(arg, "-timedemo") == 0;
            }
        } else if (strcmp(arg, SCALE_MODE_OPTION) == 0) {
            if (has_next)
                scale_mode_option = scale_mode_named(argv[i + 1]);
        } else if (strcmp(arg, LEVEL_SELECT_OPTION) == 0) {
            if (has_next)
                start_level =
                    option_number(argv[i + 1], FIRST_LEVEL, NUM_LEVELS, start_level, NumberText::LEADING_DIGITS);
        }
    }
    // The game always runs with its music switched off.
    no_mp3 = true;
    return start_level;
}
