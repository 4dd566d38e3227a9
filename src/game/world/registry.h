// The registry of things in play: the owning object list, the enemy list, the
// player's craft, the lives carried between attempts and the live-object count.
#pragma once
#include <list>

class OBJECT;
class ENEMY;
class PLAYER;

// Every live object in order of entry (also the processing and drawing order);
// owns them. Whoever creates an object appends it here; an enemy is appended
// here first, then to `enemies`.
extern std::list<OBJECT*> objects;
// The live enemies in order of entry; the same objects as in `objects`, not owned.
extern std::list<ENEMY*> enemies;
// The player's craft: valid from create_game_objects to destroy_game_objects, null otherwise.
extern PLAYER* player;
// Lives carried from one attempt to the next.
extern int player_lives;
// Objects constructed (OBJECT's constructor raises it) and not yet deleted through the registry.
extern int create_count;

const int PLAYER_LIVES = 4;
const int PLAYER_START_X = 320;
const int PLAYER_START_Y = 240;
