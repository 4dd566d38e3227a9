// The objects of a level without its loop, for the object tests: the craft
// put in the lists as the level puts it, walls at the screen's edges, enemies
// made as the level scripts make them, a tick of everything but the craft,
// and the clean-up at the level's end.
#pragma once
#include "arena.h"
#include "enemy.h"
#include "engine.h"
#include "pacing.h"
#include "player.h"
#include "projectile.h"
#include "registry.h"
#include <gtest/gtest.h>

// The arena is the whole screen.
inline void walls_at_screen_edges()
{
    wall_x1 = 0;
    wall_y1 = 0;
    wall_x2 = SCREEN_WIDTH;
    wall_y2 = SCREEN_HEIGHT;
}

// A new craft at (x, y): the game's player and, as in a level, the front of
// `objects`.
inline PLAYER* place_player(float x, float y)
{
    player = new PLAYER;
    player->set(x, y);
    objects.push_back(player);
    return player;
}

// Made as the level scripts make enemies: into objects, then enemies.
inline ENEMY* add_enemy(ENEMY::TYPE type, float x, float y)
{
    ENEMY* e = new ENEMY(type, x, y);
    objects.push_back(e);
    enemies.push_back(e);
    return e;
}

// One level tick for everything but the craft (whose driving reads the
// controls): the clock, every object's processing in list order, then the
// disabled objects deleted.
inline void tick_all_but_player()
{
    fpscounter += 1;
    for (OBJECT* o : objects)
        if (o != player)
            o->processing();
    for (auto it = objects.begin(); it != objects.end();) {
        if (!(*it)->enabled && *it != player) {
            create_count -= 1;
            delete *it;
            it = objects.erase(it);
        } else {
            ++it;
        }
    }
}

// Deletes every object, as the end of a level does, and empties the lists.
inline void clear_scene()
{
    for (OBJECT* o : objects)
        delete o;
    create_count -= static_cast<int>(objects.size());
    objects.clear();
    enemies.clear();
    player = nullptr;
}

// The newest object is a projectile that `owner` fired with picture `sprite`,
// heading `angle` at `speed`, now at (x, y).
inline void expect_newest_shot(const OBJECT* owner, int sprite, float angle, float speed, float x, float y)
{
    const PROJ* shot = dynamic_cast<const PROJ*>(objects.back());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->owner, owner);
    EXPECT_EQ(shot->spr, data_bitmap(sprite));
    EXPECT_FLOAT_EQ(shot->angle, angle);
    EXPECT_FLOAT_EQ(shot->speed, speed);
    EXPECT_NEAR(shot->x, x, 1e-4f);
    EXPECT_NEAR(shot->y, y, 1e-4f);
}
