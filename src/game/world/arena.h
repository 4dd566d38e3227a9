// The level as things in play see it: the arena's walls, whether play has
// begun, and the one way they end the attempt. Things in play include this
// rather than the level loop's header.
#pragma once

// How an attempt ends: run_game's results (the title screen's MENU_ codes
// overlap them).
const int GAME_OVER = 1;
const int GAME_QUIT = 2;
const int GAME_DEAD = 3;
const int GAME_NEXTLVL = 4;

// Inner edges of the arena in screen pixels, set by level_init.
extern int wall_x1, wall_y1, wall_x2, wall_y2;
// The start sign was raised: play has begun and the player's input is read.
extern bool game_started;

// Ends the attempt: the screen fades out by -fade_step a tick (fade_step < 0)
// and, once it is black, run_game returns `result`. The level loop decides
// when; things in play only ask (the craft's death sequence does).
void end_attempt(int result, int fade_step);
