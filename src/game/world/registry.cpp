// The registry of things in play.
#include "registry.h"

std::list<OBJECT*> objects;
std::list<ENEMY*> enemies;
PLAYER* player = nullptr;
int player_lives = PLAYER_LIVES;
int create_count = 0;
