// Projectiles: flight, the shot's and the spit's targets and their order, bursts,
// spark counts, angles and speeds, lifetimes and drawing.
#include "enemy.h"
#include "game.h"
#include "player.h"
#include "projectile.h"
#include "registry.h"
#include "test_scene.h"
#include "test_support.h"
#include "engine.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>

namespace {

class ProjTest : public ::testing::Test {
protected:
    PLAYER* p = nullptr;

    void SetUp() override
    {
        headless_init(32);
        ASSERT_TRUE(data || headless_load_data());
        walls_at_screen_edges();
        p = place_player(20, 400);  // out of the way, but the front of `objects`
    }

    void TearDown() override { clear_scene(); }

    PROJ* shot(float x, float y, float angle)
    {
        PROJ* s = new PROJ(p, data_bitmap(SPR_PLAYER_SHOT), x, y, angle, SHOT_SPEED);
        objects.push_back(s);
        return s;
    }

    PROJ* spit(float x, float y)
    {
        PROJ* s = new PROJ(nullptr, data_bitmap(SPR_SPIT), x, y, 128, SHOT_SPEED);
        objects.push_back(s);
        return s;
    }

    ENEMY* enemy(ENEMY::TYPE t, float x, float y, bool active)
    {
        ENEMY* e = new ENEMY(t, x, y);
        e->active = active;
        objects.push_back(e);
        enemies.push_back(e);
        return e;
    }

    // The sparks a projectile has released, and their common colour (-1 if mixed).
    int sparks_of(const OBJECT* owner, int* colour = nullptr) const
    {
        int n = 0;
        int c = -2;
        for (OBJECT* o : objects) {
            PROJ* pr = dynamic_cast<PROJ*>(o);
            if (pr && pr->spark && pr->owner == owner) {
                n++;
                c = (c == -2 || c == pr->color) ? pr->color : -1;
            }
        }
        if (colour)
            *colour = c;
        return n;
    }
};

TEST_F(ProjTest, FliesAlongItsAngle)
{
    struct {
        float angle;
        float dx, dy;
    } cases[] = {
        {0, 0, -12},
        {64, 12, 0},
        {128, 0, 12},
        {192, -12, 0},
        {32, 8.485281f, -8.485281f},
        {-64, -12, 0},
        {320, 12, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        PROJ* s = shot(300, 200, c.angle);
        s->processing();
        EXPECT_TRUE(s->enabled);
        EXPECT_NEAR(s->dx, c.dx, 1e-4f);
        EXPECT_NEAR(s->dy, c.dy, 1e-4f);
        EXPECT_NEAR(s->x, 300 + c.dx, 1e-4f);
        EXPECT_NEAR(s->y, 200 + c.dy, 1e-4f);
        s->enabled = false;
    }
}

TEST_F(ProjTest, ConstructorsSetTheirKinds)
{
    PROJ* s = shot(10, 20, 64);
    EXPECT_TRUE(s->enabled);
    EXPECT_TRUE(s->active);
    EXPECT_FALSE(s->spark);
    EXPECT_EQ(s->alpha, 0);
    EXPECT_EQ(s->owner, p);
    PROJ* marker = new PROJ(nullptr, data_bitmap(SPR_ONE_UP), 1, 2, 0, 1.0f);
    objects.push_back(marker);
    EXPECT_EQ(marker->alpha, 255);
    PROJ* spark = new PROJ(s, makecol(1, 2, 3), 5.0f, 6.0f, 7.0f, 1.5f);
    objects.push_back(spark);
    EXPECT_TRUE(spark->enabled);
    EXPECT_FALSE(spark->active);
    EXPECT_TRUE(spark->spark);
    EXPECT_EQ(spark->spr, nullptr);
    EXPECT_EQ(spark->alpha, 255);
    EXPECT_EQ(spark->color, makecol(1, 2, 3));
    EXPECT_EQ(spark->x, 5.0f);
    EXPECT_EQ(spark->angle, 7.0f);
    EXPECT_EQ(spark->speed, 1.5f);
}

TEST_F(ProjTest, ShotHitsOnlyTheFrontEnemy)
{
    ENEMY* front = enemy(ENEMY::ET_CAR, 300, 100, true);
    ENEMY* back = enemy(ENEMY::ET_CAR, 300, 100, true);
    PROJ* s = shot(310, 112, 0);  // moves up onto both cars
    s->processing();
    EXPECT_FALSE(s->enabled);
    EXPECT_EQ(front->hp, 19);
    EXPECT_EQ(back->hp, 20);
    int colour = 0;
    EXPECT_EQ(sparks_of(s, &colour), 28);
    EXPECT_EQ(colour, makecol(255, 255, 0));
}

TEST_F(ProjTest, KillingShotGetsTheDeathBurst)
{
    ENEMY* stalker = enemy(ENEMY::ET_STALKER, 300, 100, true);
    stalker->hp = 1;
    PROJ* s = shot(305, 112, 0);
    s->processing();
    EXPECT_EQ(stalker->hp, 0);
    int colour = 0;
    EXPECT_EQ(sparks_of(s, &colour), 80);  // the stalker's death burst, asked after the hit
    EXPECT_EQ(colour, makecol(255, 255, 255));
}

TEST_F(ProjTest, UnkillableAndInactiveEnemiesLetTheShotThrough)
{
    ENEMY* spike = enemy(ENEMY::ET_SPIKE, 300, 100, true);
    ENEMY* rising = enemy(ENEMY::ET_GUY, 300, 100, false);
    ASSERT_TRUE(spike->is_unkillable());
    PROJ* s = shot(305, 112, 0);
    s->processing();
    EXPECT_TRUE(s->enabled);
    EXPECT_EQ(sparks_of(s), 0);
    EXPECT_EQ(rising->hp, 1);

    // With an active enemy behind them, it is hit in the same tick.
    ENEMY* car = enemy(ENEMY::ET_CAR, 300, 100, true);
    PROJ* t = shot(305, 112, 0);
    t->processing();
    EXPECT_FALSE(t->enabled);
    EXPECT_EQ(car->hp, 19);
    EXPECT_EQ(rising->hp, 1);
    EXPECT_EQ(sparks_of(t), 28);
}

TEST_F(ProjTest, OnlyThePlayersShotsHitEnemies)
{
    ENEMY* car = enemy(ENEMY::ET_CAR, 300, 100, true);
    PROJ* stray = new PROJ(car, data_bitmap(SPR_PLAYER_SHOT), 305, 112, 0, SHOT_SPEED);
    objects.push_back(stray);
    stray->processing();
    EXPECT_TRUE(stray->enabled);
    EXPECT_EQ(car->hp, 20);
    PROJ* sp = spit(305, 100);
    sp->processing();
    EXPECT_TRUE(sp->enabled);
    EXPECT_EQ(car->hp, 20);
}

TEST_F(ProjTest, WallComesBeforeTheEnemy)
{
    wall_y1 = 100;
    ENEMY* guy = enemy(ENEMY::ET_GUY, 300, 80, true);
    PROJ* s = shot(305, 105, 0);  // ends at y 93: past the wall and on the guy
    s->processing();
    EXPECT_FALSE(s->enabled);
    EXPECT_EQ(guy->hp, 1);
    int colour = 0;
    EXPECT_EQ(sparks_of(s, &colour), 8);
    EXPECT_EQ(colour, makecol(255, 255, 0));
}

// A shot that crosses a wall, turned or not, is put back at the wall before it
// bursts: its sparks start from the wall, never from beyond it.
TEST_F(ProjTest, ShotBurstsFromTheWall)
{
    struct {
        const char* what;
        float x, y, angle;
    } cases[] = {
        {"turned right, into the right wall", SCREEN_WIDTH - 10.0f, 200, 64},
        {"unturned, up into the top wall", 300, 5, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PROJ* s = shot(c.x, c.y, c.angle);
        const int sw = s->spr->w, sh = s->spr->h;
        s->processing();
        EXPECT_FALSE(s->enabled);
        ASSERT_EQ(sparks_of(s), 8);
        float x1, y1, x2, y2;
        s->get_bbox(x1, y1, x2, y2, nullptr, nullptr, true);
        EXPECT_GE(x1, 0);
        EXPECT_GE(y1, 0);
        EXPECT_LE(x2, SCREEN_WIDTH + 1e-3f);
        EXPECT_NEAR(c.angle == 0 ? y1 : x2, c.angle == 0 ? 0 : SCREEN_WIDTH, 1e-3f);  // at the wall it crossed
        for (OBJECT* o : objects) {
            PROJ* pr = dynamic_cast<PROJ*>(o);
            if (pr && pr->spark && pr->owner == s) {
                EXPECT_EQ(pr->x, s->x + sw / 2);
                EXPECT_EQ(pr->y, s->y + sh / 2);
            }
        }
    }
}

TEST_F(ProjTest, SpitHitsThePlayerAfterTheWall)
{
    // Outside the bottom wall and on the player: two bursts and a hit.
    wall_y2 = 410;
    p->set(300, 400);
    PROJ* s = spit(305, 395);  // falls to 407, its bottom past the wall
    ASSERT_GT(s->y + 12 + s->spr->h, wall_y2);
    s->processing();
    EXPECT_FALSE(s->enabled);
    EXPECT_EQ(p->hp, 2);
    int colour = 0;
    EXPECT_EQ(sparks_of(s, &colour), 8 + 24);
    EXPECT_EQ(colour, makecol(255, 255, 0));

    // Inside the walls on a stunned player: no damage, still a burst.
    wall_y2 = SCREEN_HEIGHT;
    PROJ* t = spit(305, 395);
    t->processing();
    EXPECT_EQ(p->hp, 2);
    EXPECT_EQ(sparks_of(t), 24);

    // A miss keeps falling.
    PROJ* u = spit(100, 100);
    u->processing();
    EXPECT_TRUE(u->enabled);
    EXPECT_EQ(u->y, 112);
}

TEST_F(ProjTest, BurstSparksAnglesSpeedsAndOrigin)
{
    PROJ* s = shot(200, 150, 0);
    const int n = 500;
    srand(77);
    const int first_angle = rand() % 255;
    const int first_speed = rand() % 100;
    srand(77);
    s->explode(makecol(10, 20, 30), n);
    EXPECT_FALSE(s->enabled);
    ASSERT_EQ(sparks_of(s), n);
    bool first = true;
    int lo_angle = 255, hi_angle = -1, lo_speed = 1000, hi_speed = -1;
    for (OBJECT* o : objects) {
        PROJ* pr = dynamic_cast<PROJ*>(o);
        if (!pr || !pr->spark)
            continue;
        if (first) {
            EXPECT_EQ(pr->angle, first_angle);  // angle drawn before speed
            EXPECT_NEAR(pr->speed, 1.0f + first_speed / 100.0f, 1e-6f);
            first = false;
        }
        EXPECT_EQ(pr->angle, std::floor(pr->angle));
        const float hundredths = (pr->speed - 1.0f) * 100.0f;
        EXPECT_NEAR(hundredths, std::round(hundredths), 1e-3f);
        lo_angle = std::min(lo_angle, static_cast<int>(pr->angle));
        hi_angle = std::max(hi_angle, static_cast<int>(pr->angle));
        lo_speed = std::min(lo_speed, static_cast<int>(std::round(hundredths)));
        hi_speed = std::max(hi_speed, static_cast<int>(std::round(hundredths)));
        EXPECT_EQ(pr->x, 200 + s->spr->w / 2);
        EXPECT_EQ(pr->y, 150 + s->spr->h / 2);
        EXPECT_EQ(pr->alpha, 255);
        EXPECT_EQ(pr->color, makecol(10, 20, 30));
    }
    EXPECT_GE(lo_angle, 0);
    EXPECT_LE(hi_angle, 254);
    EXPECT_GE(lo_speed, 0);
    EXPECT_LE(hi_speed, 99);
    EXPECT_GT(hi_angle - lo_angle, 200);  // spread round the circle
}

TEST_F(ProjTest, SparksAndTheMarkerLive51Ticks)
{
    PROJ* spark = new PROJ(nullptr, makecol(255, 0, 0), 300.0f, 300.0f, 64.0f, 1.5f);
    objects.push_back(spark);
    // The marker never collides: on the player, past the walls, over an enemy.
    wall_y1 = 400;
    enemy(ENEMY::ET_CAR, 15, 380, true);
    PROJ* marker = new PROJ(nullptr, data_bitmap(SPR_ONE_UP), 20, 400, 0, 1.0f);
    objects.push_back(marker);
    for (int i = 1; i <= 50; i++) {
        spark->processing();
        marker->processing();
        ASSERT_TRUE(spark->enabled) << i;
        ASSERT_TRUE(marker->enabled) << i;
        EXPECT_EQ(marker->y, 400 - i);
        EXPECT_EQ(spark->alpha, 255 - 5 * i);
    }
    spark->processing();
    marker->processing();
    EXPECT_FALSE(spark->enabled);
    EXPECT_FALSE(marker->enabled);
    EXPECT_EQ(spark->alpha, 0);
    EXPECT_EQ(marker->y, 349);
    EXPECT_NEAR(spark->x, 300 + 51 * 1.5f, 1e-3f);
    EXPECT_EQ(p->hp, 3);
    EXPECT_EQ(sparks_of(marker), 0);
}

TEST_F(ProjTest, SparksNeverCollideWhoeverMadeThem)
{
    enemy(ENEMY::ET_CAR, 300, 100, true);
    wall_x1 = 310;
    PROJ* spark = new PROJ(p, makecol(255, 0, 0), 305.0f, 105.0f, 0.0f, 1.0f);
    objects.push_back(spark);
    spark->processing();
    EXPECT_TRUE(spark->enabled);
    EXPECT_EQ(sparks_of(spark), 0);
    EXPECT_EQ(enemies.front()->hp, 20);
}

TEST_F(ProjTest, SparkDrawsOneBlendedPixel)
{
    const int grey = makecol(50, 50, 50);
    struct {
        int colour;
        int alpha;
        float x, y;
        int px, py;
        int rgb[3];
    } cases[] = {
        {makecol(200, 0, 0), 255, 10.4f, 20.0f, 10, 20, {250, 50, 50}},
        {makecol(200, 0, 0), 130, 10.5f, 20.49f, 11, 20, {50 + 200 * 131 / 256, 50, 50}},
        {makecol(255, 255, 0), 255, 30.0f, 40.0f, 30, 40, {255, 255, 50}},
        {0, 255, 30.0f, 40.0f, 30, 40, {0, 0, 0}},  // black darkens
        {0, 130, 30.0f, 40.0f, 30, 40, {50 * 125 / 256, 50 * 125 / 256, 50 * 125 / 256}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.alpha);
        clear_to_color(buffer, grey);
        PROJ* s = new PROJ(nullptr, c.colour, c.x, c.y, 0.0f, 1.0f);
        objects.push_back(s);
        s->alpha = c.alpha;
        s->draw();
        const int got = getpixel(buffer, c.px, c.py);
        EXPECT_EQ(getr(got), c.rgb[0]);
        EXPECT_EQ(getg(got), c.rgb[1]);
        EXPECT_EQ(getb(got), c.rgb[2]);
        int changed = 0;
        for (int y = 0; y < 60; y++)
            for (int x = 0; x < 60; x++)
                changed += getpixel(buffer, x, y) != grey;
        EXPECT_EQ(changed, 1);
    }
}

TEST_F(ProjTest, SpriteProjectilesDrawAtTheRoundedPosition)
{
    BITMAP* spr = data_bitmap(SPR_PLAYER_SHOT);
    BITMAP* expect = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    clear_to_color(expect, 0);
    draw_sprite(expect, spr, 101, 50);
    clear_to_color(buffer, 0);
    PROJ* s = shot(100.5f, 49.6f, 0);
    s->draw();
    int differ = 0;
    for (int y = 40; y < 50 + spr->h + 10; y++)
        for (int x = 90; x < 101 + spr->w + 10; x++)
            differ += getpixel(buffer, x, y) != getpixel(expect, x, y);
    EXPECT_EQ(differ, 0);
    clear_to_color(expect, 0);
    rotate_sprite(expect, spr, 101, 50, ftofix(64));
    clear_to_color(buffer, 0);
    // Whole turns later (beyond the library's fixed-point range of angles) it
    // is drawn the same.
    for (float a : {64.0f, 64.0f + 200 * 256, 64.0f - 200 * 256}) {
        clear_to_color(buffer, 0);
        s->angle = a;
        s->draw();
        differ = 0;
        for (int y = 30; y < 90; y++)
            for (int x = 80; x < 140; x++)
                differ += getpixel(buffer, x, y) != getpixel(expect, x, y);
        EXPECT_EQ(differ, 0) << "angle " << a;
    }
    destroy_bitmap(expect);
}

}  // namespace
