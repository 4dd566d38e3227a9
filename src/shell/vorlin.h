// Engine start-up and shutdown: the library, screen, back buffer, data archive,
// the one 60 Hz timer, the fatal-error exit and the globals every module shares.
#pragma once
#include <allegro.h>
#include <atomic>
#include <string>

// Results of title_screen (MENU_) and run_game (GAME_); the two families overlap.
const int MENU_START = 1;
const int MENU_QUIT = 2;
const int GAME_OVER = 1;
const int GAME_QUIT = 2;
const int GAME_DEAD = 3;
const int GAME_NEXTLVL = 4;

const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const int TICKS_PER_SECOND = 60;

// Switches from the command line.
extern int color_depth;  // -1: use the desktop's depth (at least 16)
extern bool windowed;
extern bool debug;
extern bool no_mp3;

extern BITMAP* buffer;  // 640x480 back buffer in the screen's depth
extern DATAFILE* data;  // data/vorlin.dat, addressed by the indices of datidx.h
extern FONT* mainfont;  // archive object FNT_MAIN

// The tick counters and their one writer.
#include "pacing.h"

extern int snd_drv;

class SONGBOX;
extern SONGBOX* songbox;

// Brings everything up in order; returns only on success.
void init_engine();
// Writes the settings and closes everything; called once at the very end.
void shutdown_engine();
void load_data();
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

// Window close hook (runs on the window thread): only raises a request that the
// level loop turns into its on-screen message.
void window_close();
// True once per click of the window's close button since the last call.
bool take_window_close_request();

// Any of buttons 0..8 of joystick 0 down, from the library's last poll.
bool any_joybutton();
// Waits, polling the joystick and yielding the processor, until none of
// buttons 0..8 is down.
void wait_joybuttons_released();

// Archive object i as the type the caller knows it to be.
inline BITMAP* data_bitmap(int i)
{
    return static_cast<BITMAP*>(data[i].dat);
}
inline SAMPLE* data_sample(int i)
{
    return static_cast<SAMPLE*>(data[i].dat);
}
