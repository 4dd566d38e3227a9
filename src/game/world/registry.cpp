// The registry of things in play and its end-of-attempt leak report.
#include "registry.h"
#include "enemy.h"
#include "object.h"
#include "player.h"
#include <iostream>

std::list<OBJECT*> objects;
std::list<ENEMY*> enemies;
PLAYER* player = nullptr;
int player_lives = PLAYER_LIVES;
int create_count = 0;

void create_game_objects()
{
    player = new PLAYER();
    player->set(PLAYER_START_X, PLAYER_START_Y);
    player->set_lives(player_lives);
    player->set_engine_sound(true);
    objects.push_back(player);
}

void destroy_game_objects()
{
    if (player)
        player->update_lives(player_lives);
    for (OBJECT* o : objects) {
        --create_count;
        delete o;
    }
    if (create_count == 0)
        std::cout << "Create count = " << create_count << " (this is good)\n";
    else
        std::cerr << "WARNING!!!!  Create count = " << create_count << ", Possible memory leak!!\n";
    objects.clear();
    enemies.clear();
    player = nullptr;
}
