// The game's outer loop: intro, title, the levels from the start level up,
// then the game-over screen or the ending, round again until the player quits.
#pragma once

// Runs the loop until quit is chosen on the title or in the pause menu.
// Every pass starts at `start_level` (1..8): after a game over and after the
// ending alike. A lost life replays the level; a game over shows the game-over
// screen and restores the lives; clearing level 8 runs the ending, and the
// next game keeps the lives left over. Needs the engine started (init_engine)
// and leaves shutting it down to the caller.
void run_flow(int start_level);

// The levels of one game from `start_level` up, each played by `play_level`
// (run_game; a test passes its own that calls it): a lost life replays the
// level, a clear moves on. Returns GAME_QUIT or GAME_OVER as the last level
// played gave it, or GAME_NEXTLVL once the last level is cleared.
int play_levels(int start_level, int (*play_level)(int level));

// One game from the title's Start: seeded and recorded (or replayed) through
// replay.h, the levels from `start_level`, and after a game over the
// game-over screen with the lives restored. Returns what play_levels gave.
int play_game(int start_level);

// Plays every game of the replay in use (replay_use), without intro or title
// between them, and returns the exit status: 0 when every level attempt
// ended as recorded (or the viewer stopped it), 1 when the replay went out
// of step. Prints how it went on standard output.
int replay_games();
