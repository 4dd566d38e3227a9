// Every enemy type in an arena drawn with the real archive: each shows up
// where it stands, alive and dying. With VORLIN_ENEMY_SHOTS set to a directory
// the frames are also saved there as BMP files to look at.
#include <gtest/gtest.h>
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "levels.h"
#include "player.h"
#include "registry.h"
#include "test_scene.h"
#include "test_support.h"
#include "engine.h"
#include "pacing.h"
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class EnemySceneTest : public ::testing::TestWithParam<int> {
protected:
    std::vector<ENEMY*> cast;
    BITMAP* floor_only = nullptr;

    void SetUp() override
    {
        headless_init(GetParam());
        ASSERT_TRUE(headless_load_data()) << "data/vorlin.dat missing: build the gamedata target";
        objects.clear();
        enemies.clear();
        place_player(300, 330);
        wall_x1 = ARENA_WALLS.x1;
        wall_y1 = ARENA_WALLS.y1;
        wall_x2 = ARENA_WALLS.x2;
        wall_y2 = ARENA_WALLS.y2;
        fpscounter = 0;
        game_started = true;
        srand(7);
        floor_only = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
        blit(data_bitmap(BMP_BACKGROUND_1), floor_only, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    }

    void TearDown() override
    {
        clear_scene();
        destroy_bitmap(floor_only);
    }

    ENEMY* add(ENEMY::TYPE t, float x, float y)
    {
        ENEMY* e = add_enemy(t, x, y);
        cast.push_back(e);
        return e;
    }

    void tick() { tick_all_but_player(); }

    void compose()
    {
        blit(floor_only, buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        for (OBJECT* o : objects)
            if (o != player)
                o->draw();
    }

    // Pixels that differ from the bare floor inside the enemy's drawn box.
    int changed_around(const ENEMY* e) const
    {
        int bw = static_cast<int>(e->box_w());
        int bh = static_cast<int>(e->box_h());
        int x0 = static_cast<int>(e->x) - (e->centered ? bw / 2 : 0);
        int y0 = static_cast<int>(e->y) - (e->centered ? bh / 2 : 0);
        int n = 0;
        for (int y = std::max(0, y0); y < std::min(SCREEN_HEIGHT, y0 + bh); y++)
            for (int x = std::max(0, x0); x < std::min(SCREEN_WIDTH, x0 + bw); x++)
                if (getpixel(buffer, x, y) != getpixel(floor_only, x, y))
                    n++;
        return n;
    }

    void save(const char* name) const
    {
        const char* dir = getenv("VORLIN_ENEMY_SHOTS");
        if (!dir)
            return;
        std::string path = std::string(dir) + "/" + name + "_" + std::to_string(GetParam()) + ".bmp";
        save_bitmap(path.c_str(), buffer, nullptr);
    }
};

TEST_P(EnemySceneTest, EveryTypeShowsWhereItStandsAliveAndDying)
{
    add(ENEMY::ET_TURD, 110, 130);
    add(ENEMY::ET_GUY, 200, 120);
    add(ENEMY::ET_PERSON, 260, 120);
    add(ENEMY::ET_CAR, 360, 140);
    add(ENEMY::ET_CHASE_CAR, 470, 150);
    add(ENEMY::ET_SPIKE, 128, 384);
    add(ENEMY::ET_BALL, 200, 250);
    add(ENEMY::ET_FAST_BALL, 260, 250);
    add(ENEMY::ET_STALKER, 420, 260);
    add(ENEMY::ET_SPITTER, 100, wall_y1 - data_bitmap(SPR_SPITTER)->h / 2);
    ENEMY* spinner = add(ENEMY::ET_SPINNER, 520, 300);
    add(ENEMY::ET_BOSS, 320 - data_bitmap(SPR_BOSS_1)->w / 2, wall_y1);
    for (int t = 1; t <= 100; t++) {
        if (t == 80)
            add(ENEMY::ET_TURD, 480, 380);  // still falling at the shot
        if (t == 99)
            player->set(spinner->x, spinner->y);  // the spinner zaps the craft
        tick();
    }
    player->set(-500, -500);
    compose();
    save("enemies_alive");
    ASSERT_EQ(enemies.size(), cast.size());
    for (ENEMY* e : cast) {
        SCOPED_TRACE(testing::Message() << "type " << e->get_type());
        EXPECT_GT(changed_around(e), e->spr->w * e->spr->h / 8);
    }
    EXPECT_NE(spinner->overlay, nullptr);

    for (ENEMY* e : cast) {
        if (e->is_unkillable())
            continue;
        while (e->hp > 0)
            e->hit();
    }
    for (int i = 0; i < 12; i++)
        tick();
    compose();
    save("enemies_dying");
    for (ENEMY* e : cast) {
        SCOPED_TRACE(testing::Message() << "type " << e->get_type());
        EXPECT_TRUE(e->is_unkillable() || (e->alpha > 0 && e->alpha < 255));
        EXPECT_GT(changed_around(e), 0);
    }
}

// The zap over a spinner, alive and killed while it shows, read against the
// same frame drawn without the zap: it changes the picture where the zap frame
// has colour, never where the frame is clear (no box), and once the spinner is
// dying it fades with the body.
TEST_P(EnemySceneTest, ZapStaysOverADyingSpinnerAndFadesWithIt)
{
    ENEMY* spinner = add(ENEMY::ET_SPINNER, 300, 200);
    for (int t = 1; t <= 100; t++) {
        if (t == 99)
            player->set(spinner->x, spinner->y);  // the spinner zaps the craft
        tick();
    }
    player->set(-500, -500);
    ASSERT_NE(spinner->overlay, nullptr);

    struct ZapEffect {
        int clear_changed = 0;  // pixels changed where the zap frame is fully clear
        int solid = 0;          // pixels where the zap frame is opaque
        int solid_changed = 0;
        long change = 0;  // summed change of the colour channels
    };
    BITMAP* without = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    auto zap_effect = [&]() {
        BITMAP* zap = spinner->overlay;
        spinner->overlay = nullptr;
        compose();
        blit(buffer, without, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        spinner->overlay = zap;
        compose();
        const int depth = bitmap_color_depth(buffer);
        const int zx = static_cast<int>(spinner->x - (spinner->centered ? spinner->spr->w / 2.0f : 0) + 0.5f);
        const int zy = static_cast<int>(spinner->y - (spinner->centered ? spinner->spr->h / 2.0f : 0) + 0.5f);
        ZapEffect e;
        for (int y = 0; y < zap->h; y++)
            for (int x = 0; x < zap->w; x++) {
                const int a = geta32(getpixel(zap, x, y));
                const int with_zap = getpixel(buffer, zx + x, zy + y);
                const int plain = getpixel(without, zx + x, zy + y);
                const bool changed = with_zap != plain;
                e.clear_changed += a == 0 && changed;
                e.solid += a == 255;
                e.solid_changed += a == 255 && changed;
                e.change += std::abs(getr_depth(depth, with_zap) - getr_depth(depth, plain)) +
                    std::abs(getg_depth(depth, with_zap) - getg_depth(depth, plain)) +
                    std::abs(getb_depth(depth, with_zap) - getb_depth(depth, plain));
            }
        return e;
    };

    const ZapEffect alive = zap_effect();
    save("zap_alive");
    EXPECT_EQ(alive.clear_changed, 0);
    ASSERT_GT(alive.solid, 0);
    EXPECT_GE(alive.solid_changed, alive.solid * 9 / 10);

    while (spinner->hp > 0)
        spinner->hit();
    for (int i = 0; i < 10; i++)
        tick();
    ASSERT_GT(spinner->alpha, 120);
    const ZapEffect dying = zap_effect();
    save("zap_dying");
    for (int i = 0; i < 30; i++)
        tick();
    ASSERT_GT(spinner->alpha, 0);
    ASSERT_LT(spinner->alpha, 60);
    const ZapEffect faded = zap_effect();
    save("zap_faded");
    for (const ZapEffect& e : {dying, faded}) {
        EXPECT_EQ(e.clear_changed, 0);
        EXPECT_GE(e.solid_changed, e.solid * 9 / 10);
    }
    EXPECT_GT(faded.change, 0);
    EXPECT_LT(faded.change, dying.change);
    destroy_bitmap(without);
}

INSTANTIATE_TEST_SUITE_P(Depths, EnemySceneTest, ::testing::Values(15, 16, 32));

}  // namespace
