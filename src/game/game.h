// One attempt at a level, from its briefing to its result.
#pragma once

// Plays the level once; returns GAME_OVER, GAME_QUIT, GAME_DEAD or GAME_NEXTLVL.
int run_game(int level);
// The game-over screen, then the lives back to their start value.
void game_over();
void reset_after_gameover();
