// Facts the game, the data generator and the tests all build on: the levels'
// arenas and pictures, the heads-up display's pip, the pause menu's rows and
// the joystick page's label spots. The generator paints from them and the
// tests check the data against them, so none of them is written twice.
#pragma once

#include "datidx.h"

// Inner edges of an arena's walls in screen pixels.
struct ArenaWalls {
    int x1, y1, x2, y2;
};
// The arena every level plays in today.
constexpr ArenaWalls ARENA_WALLS = {42, 46, 596, 432};

// Arena floors the data holds (archive objects BMP_BACKGROUND_1 on), each
// painted with ARENA_WALLS; levels may share one.
const int NUM_FLOORS = 7;

// What the data holds for a level: the walls painted on its floor, the floor
// and the briefing picture (archive objects).
struct LevelArt {
    ArenaWalls walls;
    int floor;
    int briefing;
};

// Row N - 1 is level N; the level count is this table's length.
constexpr LevelArt LEVEL_ART[] = {
    {ARENA_WALLS, BMP_BACKGROUND_1, BMP_BRIEF_1},
    {ARENA_WALLS, BMP_BACKGROUND_2, BMP_BRIEF_1 + 1},
    {ARENA_WALLS, BMP_BACKGROUND_3, BMP_BRIEF_1 + 2},
    {ARENA_WALLS, BMP_BACKGROUND_4, BMP_BRIEF_1 + 3},
    {ARENA_WALLS, BMP_BACKGROUND_5, BMP_BRIEF_1 + 4},
    {ARENA_WALLS, BMP_BACKGROUND_6, BMP_BRIEF_1 + 5},
    {ARENA_WALLS, BMP_BACKGROUND_7, BMP_BRIEF_1 + 6},
    {ARENA_WALLS, BMP_BACKGROUND_7, BMP_BRIEF_8},
};
constexpr int NUM_LEVELS = sizeof LEVEL_ART / sizeof LEVEL_ART[0];
const int FIRST_LEVEL = 1;

// One health pip of the heads-up display, as the game blits it.
const int HUD_PIP_W = 16, HUD_PIP_H = 5;

// The pause panel: where its marker and its words stand, from the panel's
// top-left. Row 0 goes on, row 1 quits.
const int PAUSE_NUM_ROWS = 2;
const int PAUSE_ROW_Y[PAUSE_NUM_ROWS] = {104, 150};
const int PAUSE_MARKER_X = 50, PAUSE_TEXT_X = 80;

// Top-left of the joystick page's label for each of its nine buttons.
const int NUM_JOYPAD_LABELS = 9;
const int JOYPAD_LABEL_SPOTS[NUM_JOYPAD_LABELS][2] = {
    {193, 334}, {307, 370}, {481, 394}, {91, 31}, {222, 33}, {310, 13}, {8, 73}, {477, 49}, {71, 423}};
