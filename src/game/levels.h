// Per-level set-up and the per-level scripts that release enemies on the level
// clock and decide when the level is cleared.
#pragma once

// Arena walls (inner edges in screen pixels), the same in every level.
const int WALL_X1 = 42, WALL_Y1 = 46, WALL_X2 = 596, WALL_Y2 = 432;
// After this many overlapping placements a released enemy keeps its last place.
const int MAX_PLACEMENT_DRAWS = 1000;
// Level 2's car when its first place overlaps the player.
const int CAR_FALLBACK_X = 512, CAR_FALLBACK_Y = 384;

// Starts the song of current_level (level N plays song N + 1; level 1 from 6000 ms).
void start_game_music();
// Walls, traction, quota, start enemies and player position of current_level.
// Needs: player in objects, enemies empty, archive loaded.
void level_init();
// One tick of current_level's script: chance roll, releases, level-clear test.
// Does nothing outside 1..8.
void level_proc();

// Makes the player at (320, 240) with player_lives, engine sound on, and appends
// it to objects. Precondition: both lists empty.
void create_game_objects();
// Writes the player's lives back to player_lives, deletes every object, reports
// the live-object count (stdout when 0, a warning on stderr otherwise), empties
// both lists and sets player to null.
void destroy_game_objects();
