// The command line: a handful of switches read into globals before start-up.
#pragma once

#include "facts.h"

// Reads "-bpp" N, "-win", "-debug", "-nomp3", "-scale" N and the level-select
// option into color_depth, windowed, debug, no_mp3 and scale_option (a scale
// that is not a whole number 0..MAX_SCALE reads as 0, automatic), and returns
// the start level. An
// option's following argument is not consumed (it is examined as an option in
// its own right); an option that needs one but stands last is ignored; a start
// level outside 1..NUM_LEVELS keeps level 1. Music is always switched off afterwards.
int parse_command_line(int argc, const char* const* argv);
