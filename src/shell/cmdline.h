// The command line: a handful of switches read into globals before start-up.
#pragma once

#include "facts.h"
#include <string>

// "-bpp" followed by text with no leading digits, or a number too large: a
// depth no driver offers, so the screen refuses it and says why.
const int BPP_NOT_A_NUMBER = 0;

// Reads "-bpp" N, "-win", "-debug", "-nomp3", "-scale" N and the level-select
// option into color_depth, windowed, debug, no_mp3 and scale_option, and
// returns the start level. Every number is read by read_whole_number
// (settings.h), the same reader as the settings file's: "-bpp" and the start
// level take their leading digits, as they always have ("16x" is 16, "x" is
// 0, BPP_NOT_A_NUMBER); a scale that is not a whole number 0..MAX_SCALE reads
// as 0, automatic; a start level outside 1..NUM_LEVELS keeps the level before
// it (1 at first). An
// option's following argument is not consumed (it is examined as an option in
// its own right); an option that needs one but stands last is ignored. Music
// is always switched off afterwards.
//
// The command line is parsed first of all, before start-up: its switches
// decide how start-up goes (colour depth, window, music, debug), and the
// settings file can only be read once the library is installed. An option
// that stands for a remembered setting applies to this run only: it is kept
// aside (scale_option) and never replaces what the settings file remembers
// (scale_setting), which is what is written back at exit; scale_of_this_run
// (display.h) is the one place that puts the two together.
int parse_command_line(int argc, const char* const* argv);

// Recording and replaying (replay.h), from "-record FILE", "-replay FILE" and
// "-timedemo FILE" (a replay as fast as the machine draws, timed). A replay
// or timedemo leaves any "-record" aside. Empty: not asked for.
struct ReplayOptions {
    std::string record;
    std::string replay;
    bool timedemo = false;
};
extern ReplayOptions replay_options;
