// One attempt at a level: the fixed-tick level loop, its state, fades, opening
// zoom, start sign and the frame it composes.
//
// One tick of the level, in this order:
//   input()        the window-close message; ESC in debug mode quits; a fresh
//                  press of ESC or the pause button opens the pause menu; the
//                  volume keys; F toggles the fps display; once play has begun
//                  (game_started), the craft's controls.
//   processing()   the level clock (fpscounter) and the fps figure; the song
//                  box; the opening zoom (the craft becomes active when it is
//                  done); the start sign; the sign fade (the cleared sign's end
//                  starts the screen fade-out); the screen fade (black ends the
//                  attempt with pending_game_go); the message; the level script
//                  (level_proc); every object's processing() in list order, then
//                  the objects that became disabled are deleted.
//   draw_screen()  a frame, when the logic is not behind the timer.
#pragma once
#include "arena.h"
#include "overlays.h"
#include "registry.h"
#include "replay_file.h"
#include <cstdint>

struct BITMAP;

// Level state, reset by reset_level_state at the start of every attempt.
extern int current_level;    // level being played, 1..NUM_LEVELS
extern int game_go;          // -1 while the level runs, else the GAME_ code it ended with
extern int pending_game_go;  // GAME_ code that becomes game_go once the screen is black
extern int screen_a;         // brightness of the level picture, 0 (black) .. 255
extern int d_screen_a;       // added to screen_a every tick (0, or negative while fading out)
extern float zoom_factor;    // opening zoom: 0 hides the level, 1 shows the whole screen
extern bool show_fps;
extern int enemies_left;  // quota the level script has still to release
// game_started and the walls: arena.h.

// Level clock milestones (ticks of the attempt).
const int ZOOM_START_TICK = 60;  // the zoom opens on the ticks after this
// Zoom growth per tick: the exact step, added to the float zoom in double
// precision (the 25th step makes 1.0000002, the 5th exactly a fifth).
const double ZOOM_STEP = 0.04;
const int START_SIGN_TICK = 150;        // the start sign rises on the tick after this
const int START_SIGN_FADE = -3;         // start sign opacity change per tick
const int LEVEL_DONE_SIGN_FADE = -1;    // cleared sign opacity change per tick
const int LEVEL_DONE_SCREEN_FADE = -2;  // screen fade per tick after the cleared sign is gone

// Plays the level once, from its briefing (skipped in debug mode) to its end.
// Returns GAME_OVER, GAME_QUIT, GAME_DEAD (a life lost, lives remain) or GAME_NEXTLVL.
// Needs the archive loaded and songbox created.
int run_game(int level);
// The level state (above, the overlays and game_started) as an attempt at
// `level` starts it, before its briefing is over: running, screen bright, zoom
// closed, start not yet given. run_game starts with it; a headless tool sets
// up a scene from it.
void reset_level_state(int level);

// One logic tick each; only run_game calls them (tests drive them directly too).
void input();
void processing();

// Composes one frame of the level in buffer. compose_only false: the frame is
// also copied to the screen through the zoom window. The pause menu calls it
// with true to draw its panel over the frozen level.
void draw_screen(bool compose_only);

// The state of the level attempt just played (the level loop's own, every
// object's, the random numbers'), folded into a number: two runs of an attempt
// that end with the same number played alike. run_game hands it to the
// recording (replay.h) at the end of every attempt.
uint64_t attempt_checksum();
// What a new game takes over from the one before (lives, the controls' edge
// memory), to be recorded at Start, and put back when a game is replayed.
ReplayCarry game_carry();
void set_game_carry(const ReplayCarry& c);

// Tests may clear the edge-trigger memory of input() (F and pause keys).
void reset_input_edges();

// The level script's clear: raises the level-cleared sign (which earns a life
// at full health) unless it is already up. Once the sign has faded, the
// attempt ends with GAME_NEXTLVL.
void clear_level();
// The level-cleared sign has been raised this attempt.
bool level_cleared();
