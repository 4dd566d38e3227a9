// The command line: a handful of switches read into globals before start-up.
#pragma once

const int FIRST_LEVEL = 1;
const int LAST_LEVEL = 8;

// Reads "-bpp" N, "-win", "-debug", "-nomp3" and the level-select option into
// color_depth, windowed, debug and no_mp3, and returns the start level. An
// option's following argument is not consumed (it is examined as an option in
// its own right); an option that needs one but stands last is ignored; a start
// level outside 1..8 keeps level 1. Music is always switched off afterwards.
int parse_command_line(int argc, const char* const* argv);
