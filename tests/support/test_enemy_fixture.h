// Shared set-up of the enemy tests: a stand-in archive of plain sprites whose
// sizes and colours the tests know, a player far from the action, empty lists
// and a tick that runs the objects as the level loop does.
#pragma once
#include <gtest/gtest.h>
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "player.h"
#include "projectile.h"
#include "registry.h"
#include "test_scene.h"
#include "test_support.h"
#include "engine.h"
#include "pacing.h"
#include <cstring>
#include <vector>

// Sprite sizes of the stand-in archive: what a test needs to know about a type.
inline void stand_in_size(int index, int& w, int& h)
{
    w = h = 20;
    switch (index) {
    case SPR_CAR:
    case SPR_WRECK:
    case SPR_CHASE_CAR:
        w = 32;
        h = 16;
        break;
    case SPR_SPITTER:
    case SPR_SPITTER_OPEN:
    case SPR_SPITTER_DEAD:
        w = 40;
        h = 24;
        break;
    case SPR_SPIT:
        w = 6;
        h = 10;
        break;
    case SPR_SHADOW_LOW:
    case SPR_SHADOW_HIGH:
        w = 20;
        h = 6;
        break;
    default:
        if (index >= SPR_BOSS_1 && index <= SPR_BOSS_DEAD) {
            w = 48;
            h = 40;
        }
        break;
    }
}

// A distinct opaque colour per archive index, never the mask colour.
inline int stand_in_color(int index)
{
    return makecol(40 + (index * 7) % 200, 20 + (index * 13) % 200, 30 + (index * 29) % 200);
}

class EnemyTest : public ::testing::Test {
protected:
    std::vector<DATAFILE> archive;
    DATAFILE* saved_data = nullptr;

    void SetUp() override
    {
        headless_init(32);
        saved_data = data;
        archive.assign(NUM_DATA_OBJECTS + 1, DATAFILE {});
        for (int i = 0; i < NUM_DATA_OBJECTS; i++) {
            archive[i].type = DAT_BITMAP;
            if (i == SND_BUMP || i == SND_BALL_BURST || i == SND_ONE_UP || i == SND_PLAYER_DEATH || i == SND_ZAP ||
                i == SND_ENGINE || i == SND_EXPLOSION || i == SND_RISE || i == SND_SPIT || i == SND_TURD_DIES ||
                i == SND_PLAYER_SHOT) {
                archive[i].type = DAT_SAMPLE;
                archive[i].dat = create_sample(8, 0, 11025, 16);
                continue;
            }
            int w, h;
            stand_in_size(i, w, h);
            BITMAP* b;
            if (i >= SPR_ZAP_1 && i <= SPR_ZAP_3) {
                // The zap frames are 32-bit with their own alpha: opaque left
                // half, half-transparent right quarter, see-through between.
                b = create_bitmap_ex(32, w, h);
                for (int yy = 0; yy < h; yy++)
                    for (int xx = 0; xx < w; xx++) {
                        int a = xx < w / 2 ? 255 : (xx < 3 * w / 4 ? 0 : 128);
                        putpixel(b, xx, yy, makeacol32(250, 250, 30 * (i - SPR_ZAP_1), a));
                    }
            } else {
                b = create_bitmap(w, h);
                clear_to_color(b, stand_in_color(i));
            }
            archive[i].dat = b;
        }
        archive[NUM_DATA_OBJECTS].type = DAT_END;
        data = archive.data();

        objects.clear();
        enemies.clear();
        place_player(-1000, -1000);
        fpscounter = 0;
        game_started = false;
        walls_at_screen_edges();
        std::memset(effect_count, 0, sizeof effect_count);
        srand(1);
    }

    void TearDown() override
    {
        clear_scene();
        for (int i = 0; i < NUM_DATA_OBJECTS; i++) {
            if (archive[i].type == DAT_SAMPLE)
                destroy_sample(static_cast<SAMPLE*>(archive[i].dat));
            else
                destroy_bitmap(static_cast<BITMAP*>(archive[i].dat));
        }
        data = saved_data;
    }

    ENEMY* add(ENEMY::TYPE type, float x, float y) { return add_enemy(type, x, y); }
    void tick() { tick_all_but_player(); }

    void ticks(int n)
    {
        for (int i = 0; i < n; i++)
            tick();
    }

    // Ticks until the clock reads `clock`.
    void run_to(int clock)
    {
        while (fpscounter < clock)
            tick();
    }

    bool listed(const ENEMY* e) const
    {
        for (ENEMY* x : enemies)
            if (x == e)
                return true;
        return false;
    }

    int count_spit() const
    {
        int n = 0;
        for (OBJECT* o : objects)
            if (o->spr == data_bitmap(SPR_SPIT))
                n++;
        return n;
    }
};
