// Recording and replaying games. Everything from outside that can change what
// happens in a game passes one door, once per tick of every screen of the
// game (level, pause menu, briefing, game over): the controls as the tick
// reads them (after any key mapping), the close button, the loss of focus, a
// quit request and "a key was pressed" on the screens that wait for one. The
// door records what passes (run lengths of unchanged ticks) or, replaying,
// hands on the recording instead of the player's input. With the random
// seed of each game and the state a game carries over from the one before,
// that is the whole game: a check sum of the game's state at the end of each
// level attempt shows that a replay still follows the recording.
//
// A recording covers the games of a run, each from the title's Start to its
// end (game over with its screen, the ending's start, or a quit); the intro
// and the title are not recorded. Each game is seeded afresh at Start from
// the clock-seeded generator, and that seed is recorded.
#pragma once
#include "controls.h"
#include "replay_file.h"
#include <cstdint>
#include <string>

// What one tick of a screen takes from outside.
struct DoorTick {
    Controls c;
    bool window_close = false;  // the close button was clicked
    bool focus_lost = false;    // the window lost the input focus
    bool quit = false;          // a quit was requested (signal), or a replay stops
    bool dismiss = false;       // a fresh key or button on a screen that waits for one
};

// The door. Every screen of a game reads its tick's outside input itself
// (`live`) and takes what this returns instead: the same when playing or
// recording (and recorded then), the recording's tick when replaying. Outside
// a game it hands `live` on untouched.
DoorTick door_pass(const DoorTick& live);
// The key controls a tick carries: the fixed keys (KEY_CONTROLS), then the
// actions (KEY_ACTIONS), whatever keys the player has given them.
int door_key_count();
bool Controls::*door_key(int i);
// The bits of a tick, as the file holds them, and back.
uint64_t door_bits(const DoorTick& t);
DoorTick door_tick_of(uint64_t bits);

// For headless drivers: runs on the live tick before it is recorded, and may
// change it (a scripted pilot). Null: none.
extern void (*door_pilot)(DoorTick& live);

// ---- Recording ------------------------------------------------------------

// From now on games are recorded into `path`; the file is written whole
// (through a temporary file beside it) at the end of every level attempt and
// of every game, so a quit by signal (which ends the attempt) keeps it.
void replay_record_to(const std::string& path);
// Recording into memory only (tests); replay_recording() gives it.
void replay_record_in_memory();
const ReplayFile& replay_recording();
// Stops recording or replaying; the door hands everything on again.
void replay_off();

// ---- Replaying ------------------------------------------------------------

// Reads and checks `path` into `f`; false with `why` (a whole sentence
// naming the file) when it cannot be replayed by this build.
bool replay_read(const std::string& path, ReplayFile& f, std::string& why);
// From now on games are replayed from `f`: the craft reads the joystick
// through the recording's mapping (the player's own is back after
// replay_off). Call after start-up has read the settings.
void replay_use(const ReplayFile& f);
// Playing back a recording now (the on-screen marker).
bool replay_playing();
// Replaying, and another recorded game is left to play. Moves to it.
bool replay_next_game();
// The start level of the game being replayed.
int replay_start_level();
// How the replay went: 0 every level attempt matched (or the viewer stopped
// it early), 1 it went out of step with the recording (already reported on
// standard error).
int replay_status();
// The viewer stopped the replay (ESC, or a quit request).
bool replay_stopped_early();
// Attempts compared so far.
int replay_attempts_checked();

// ---- Both: the points of a game -------------------------------------------

// The title's Start: seeds the random numbers for the game (recorded, or
// taken from the recording) and records the carried state, or replaces
// `carry` with the recording's. `start_level` and `debug` likewise.
void replay_game_begin(int& start_level, ReplayCarry& carry);
// The end of a level attempt with its result and the check sum of the
// game's state: recorded (and the file written), or compared with the
// recording; a difference is reported and stops the replay.
void replay_attempt_end(int level, int result, uint64_t checksum);
// The game is over: recorded, or the recording must be at its game's end too.
void replay_game_end();

// ---- Timing (the timedemo) -------------------------------------------------

// Starts timing the passes of the door (one per tick and drawn frame when
// the pacing runs free).
void replay_timing_begin();
// Frames timed, seconds, median and worst milliseconds per frame, as one line.
std::string replay_timing_report();

// The game's state folded into a check sum: FNV-1a over bytes.
struct StateHash {
    uint64_t h = 14695981039346656037ull;
    void bytes(const void* p, size_t n);
    template <class T> void add(const T& v) { bytes(&v, sizeof v); }
};
// The C library generator's state, without drawing from it.
void hash_random_state(StateHash& s);
