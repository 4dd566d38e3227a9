// The engine's shared resources: the screen's size, the switches the lower
// modules read, the back buffer, the data archive and its font, the loading of
// the archive, and the fatal-error exit.
#pragma once
#include <allegro.h>
#include <string>

const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const int TICKS_PER_SECOND = 60;
// The game's version, as the banner shows it and recordings carry it.
const char* const GAME_VERSION_TEXT = "0.7";

// Switches from the command line (set before start-up; read by every layer).
extern int color_depth;  // -1: use the desktop's depth (at least 16)
extern bool windowed;
extern bool debug;
extern bool no_mp3;

extern BITMAP* buffer;  // 640x480 back buffer in the screen's depth
extern DATAFILE* data;  // data/vorlin.dat, addressed by the indices of datidx.h
extern FONT* mainfont;  // archive object FNT_MAIN

// What loading the game's data archive came to.
enum class ArchiveLoad {
    LOADED,
    MISSING,   // no file at the path
    NOT_READ,  // not a regular file, too large, or refused by the system
    DAMAGED,   // not an archive holding what the index names
    NO_MEMORY  // not enough memory to check or load it
};
// Loads the game's data archive at `path` into `data`, with mainfont and the
// palette, as start-up does: colour conversion as ARCHIVE_COLOR_CONVERSION says,
// the file checked whole first (only a regular file of a bounded size; the
// library's loader crashes on a damaged one) and the loaded objects checked
// against the index. Anything but LOADED leaves `data` null, with `why` saying
// what is wrong with the file in words that follow its name.
ArchiveLoad load_game_archive(const char* path, std::string& why);
// Colour conversions allowed when the archive is loaded: every 15/16/24/32-bit
// picture to the screen's depth, except 8-bit ones and 32-bit ones with alpha.
extern const int ARCHIVE_COLOR_CONVERSION;

// The one fatal exit: closes the screen, reports "Fatal error:  <msg>" in the
// library's message box and on standard error, exits with code 1 without
// storing this run's settings.
[[noreturn]] void quit_error(const char* msg);

// Archive object i as the type the caller knows it to be.
inline BITMAP* data_bitmap(int i)
{
    return static_cast<BITMAP*>(data[i].dat);
}
inline SAMPLE* data_sample(int i)
{
    return static_cast<SAMPLE*>(data[i].dat);
}
