// Enemy life cycle: starting values by type, shots, death, sparks, fade-out
// and the push-off step.
#include "test_enemy_fixture.h"
#include <cmath>

namespace {

const int NONE = -1;
const int SPITTER_COLORS = -2;  // yellow or a random grey, drawn per call

struct LifeRow {
    ENEMY::TYPE type;
    int hp;
    int first_frame;
    int death_frame;  // NONE: the frame it had
    int death_sound;
    int r, g, b;  // spark colour, or r = SPITTER_COLORS
    int sparks_alive;
    int sparks_dead;
    int fade_out_ticks;
};

const LifeRow LIFE[] = {
    {ENEMY::ET_TURD, 2, SPR_TURD, NONE, SND_TURD_DIES, 150, 30, 30, 28, 28, 51},
    {ENEMY::ET_GUY, 1, SPR_GUY_1, NONE, NONE, 255, 0, 0, 28, 28, 51},
    {ENEMY::ET_CAR, 20, SPR_CAR, SPR_WRECK, SND_EXPLOSION, 255, 255, 0, 28, 150, 128},
    {ENEMY::ET_BALL, 3, SPR_BALL, SPR_BALL_BURST, SND_BALL_BURST, 255, 255, 0, 28, 28, 51},
    {ENEMY::ET_FAST_BALL, 3, SPR_FAST_BALL, SPR_FAST_BALL_BURST, SND_BALL_BURST, 255, 255, 0, 28, 28, 51},
    {ENEMY::ET_STALKER, 1, SPR_STALKER_1, SPR_STALKER_3, NONE, 255, 255, 255, 28, 80, 51},
    {ENEMY::ET_SPITTER, 16, SPR_SPITTER, SPR_SPITTER_DEAD, SND_EXPLOSION, SPITTER_COLORS, 0, 0, 28, 150, 51},
    {ENEMY::ET_SPINNER, 1, SPR_SPINNER, NONE, NONE, 255, 255, 0, 28, 28, 51},
    {ENEMY::ET_PERSON, 1, SPR_PERSON_1, NONE, NONE, 255, 0, 0, 28, 28, 51},
    {ENEMY::ET_CHASE_CAR, 15, SPR_CHASE_CAR, SPR_WRECK, SND_EXPLOSION, 255, 255, 0, 28, 150, 128},
    {ENEMY::ET_BOSS, 60, SPR_BOSS_1, SPR_BOSS_DEAD, NONE, 0, 0, 0, 50, 500, 51},
};

int total_sounds()
{
    int n = 0;
    for (int c : effect_count)
        n += c;
    return n;
}

}  // namespace

TEST_F(EnemyTest, EachTypeIsBornHitKilledAndFadedAsItsRowSays)
{
    for (const LifeRow& row : LIFE) {
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        std::memset(effect_count, 0, sizeof effect_count);
        ENEMY* e = add(row.type, 300, 200);
        EXPECT_EQ(e->get_type(), row.type);
        EXPECT_EQ(e->hp, row.hp);
        EXPECT_EQ(e->frame, row.first_frame);
        EXPECT_EQ(e->spr, data_bitmap(row.first_frame));
        EXPECT_TRUE(e->enabled);
        EXPECT_FALSE(e->active);
        EXPECT_FALSE(e->is_unkillable());
        EXPECT_EQ(e->get_num_sparks(), row.sparks_alive);

        // Let it enter play its own way, then kill it.
        game_started = true;
        for (int i = 0; i < 100 && !e->active; i++)
            tick();
        ASSERT_TRUE(e->active);
        ASSERT_EQ(e->alpha, 255);
        std::memset(effect_count, 0, sizeof effect_count);
        float x_before = e->x;
        int frame_before = e->frame;

        if (row.r != SPITTER_COLORS) {
            EXPECT_EQ(e->get_color(), makecol(row.r, row.g, row.b));
        }
        for (int i = 1; i < row.hp; i++) {
            e->hit();
            EXPECT_EQ(e->get_num_sparks(), row.sparks_alive);
            EXPECT_TRUE(e->active);
        }
        EXPECT_EQ(total_sounds(), 0);
        e->hit();
        EXPECT_EQ(e->hp, 0);
        EXPECT_FALSE(e->active);
        EXPECT_EQ(e->get_num_sparks(), row.sparks_dead);
        EXPECT_EQ(e->frame, row.death_frame == NONE ? frame_before : row.death_frame);
        EXPECT_EQ(e->alpha_step, row.fade_out_ticks == 128 ? -2 : -5);
        if (row.death_sound != NONE) {
            EXPECT_EQ(effect_count[row.death_sound], 1);
            EXPECT_EQ(total_sounds(), 1);
        } else {
            EXPECT_EQ(total_sounds(), 0);
        }
        bool burst = row.type == ENEMY::ET_BALL || row.type == ENEMY::ET_FAST_BALL;
        EXPECT_FLOAT_EQ(x_before - e->x, burst ? 2.0f : 0.0f);

        // Still listed until the last tick of the fade, gone in that tick.
        ticks(row.fade_out_ticks - 1);
        EXPECT_TRUE(listed(e));
        EXPECT_FALSE(e->active);
        EXPECT_GT(e->alpha, 0);
        tick();
        EXPECT_FALSE(listed(e));
        for (OBJECT* o : objects)
            EXPECT_NE(o, e);  // deleted by the loop at the end of that tick
        game_started = false;
    }
}

TEST_F(EnemyTest, StartingValuesOfTheSpecialTypes)
{
    srand(77);
    int turd_draw = rand() % 628;
    int ball_draw = rand() % 628;
    int fast_draw = rand() % 628;
    srand(77);
    ENEMY* turd = add(ENEMY::ET_TURD, 100, 120);
    ENEMY* ball = add(ENEMY::ET_BALL, 50, 60);
    ENEMY* fast = add(ENEMY::ET_FAST_BALL, 70, 80);
    ENEMY* spinner = add(ENEMY::ET_SPINNER, 10, 10);
    ENEMY* spike = add(ENEMY::ET_SPIKE, 10, 10);
    ENEMY* car = add(ENEMY::ET_CAR, 10, 10);
    ENEMY* chase = add(ENEMY::ET_CHASE_CAR, 10, 10);
    ENEMY* stalker = add(ENEMY::ET_STALKER, 10, 10);
    ENEMY* guy = add(ENEMY::ET_GUY, 10, 10);

    EXPECT_FLOAT_EQ(turd->drop, 100.0f);
    EXPECT_FLOAT_EQ(turd->drop_speed, 0.0f);
    EXPECT_FLOAT_EQ(turd->drop_accel, 0.05f);
    EXPECT_TRUE(turd->centered);
    EXPECT_FLOAT_EQ(turd->move_angle, turd_draw / 100.0f);

    EXPECT_FLOAT_EQ(ball->move_angle, ball_draw / 100.0f);
    EXPECT_FLOAT_EQ(fast->move_angle, fast_draw / 100.0f);
    for (ENEMY* b : {ball, fast}) {
        EXPECT_FLOAT_EQ(b->base_y, b->y);
        EXPECT_EQ(b->overlay, data_bitmap(SPR_SHADOW_LOW));
        EXPECT_FALSE(b->overlay_alpha);
        EXPECT_EQ(b->alpha, 1);
        EXPECT_EQ(b->alpha_step, 3);
    }
    EXPECT_FLOAT_EQ(ball->speed, 0.2f);
    EXPECT_FLOAT_EQ(fast->speed, 0.4f);

    EXPECT_FLOAT_EQ(spinner->target_angle, 1000000.0f);
    EXPECT_FLOAT_EQ(spinner->turn_rate, 4.0f);
    EXPECT_TRUE(spinner->overlay_alpha);
    EXPECT_EQ(spinner->overlay, nullptr);
    EXPECT_EQ(spinner->alpha, 1);
    EXPECT_EQ(spinner->alpha_step, 3);

    EXPECT_TRUE(spike->is_unkillable());
    EXPECT_FALSE(spike->knocks_back);
    EXPECT_FLOAT_EQ(car->turn_rate, 1.0f);
    EXPECT_FLOAT_EQ(chase->turn_rate, 2.0f);
    EXPECT_FLOAT_EQ(stalker->speed, 0.5f);

    // The rest keep the common defaults.
    for (ENEMY* e : {guy, car, stalker}) {
        EXPECT_FALSE(e->centered);
        EXPECT_TRUE(e->knocks_back);
        EXPECT_EQ(e->overlay, nullptr);
        EXPECT_EQ(e->alpha, 255);
        EXPECT_EQ(e->alpha_step, 0);
        EXPECT_FLOAT_EQ(e->base_y, 0.0f);
        EXPECT_FLOAT_EQ(e->drop, 0.0f);
        EXPECT_FLOAT_EQ(e->dx, 0.0f);
        EXPECT_FLOAT_EQ(e->dy, 0.0f);
    }
    // Only the turd and the balls draw a direction.
    int after = rand();
    srand(77);
    for (int i = 0; i < 3; i++)
        rand();
    EXPECT_EQ(after, rand());
}

TEST_F(EnemyTest, UnknownTypeKeepsOnlyTheCommonDefaults)
{
    ENEMY* e = add(static_cast<ENEMY::TYPE>(ENEMY::NUM_TYPES), 30, 40);
    EXPECT_EQ(e->hp, 1);
    EXPECT_EQ(e->frame, 0);
    EXPECT_EQ(e->spr, data_bitmap(0));
    EXPECT_EQ(e->alpha, 255);
    EXPECT_TRUE(e->knocks_back);
    EXPECT_FALSE(e->is_unkillable());
    EXPECT_EQ(e->get_num_sparks(), 28);
    EXPECT_EQ(e->get_color(), makecol(255, 255, 0));
    e->hit();
    EXPECT_EQ(e->hp, 0);
    EXPECT_EQ(e->alpha_step, -5);
    ticks(60);
    EXPECT_FALSE(listed(e));
}

TEST_F(EnemyTest, SpikeShrugsOffHits)
{
    ENEMY* spike = add(ENEMY::ET_SPIKE, 100, 100);
    game_started = true;
    tick();
    ASSERT_TRUE(spike->active);
    for (int i = 0; i < 5; i++)
        spike->hit();
    EXPECT_EQ(spike->hp, 1);
    EXPECT_TRUE(spike->active);
    EXPECT_EQ(spike->alpha_step, 0);
    EXPECT_EQ(total_sounds(), 0);
    EXPECT_EQ(spike->get_num_sparks(), 28);
}

TEST_F(EnemyTest, SpitterSparkColourIsDrawnAnewOnEveryCall)
{
    ENEMY* spitter = add(ENEMY::ET_SPITTER, 300, 0);
    for (unsigned seed : {3u, 4u, 5u, 6u}) {
        srand(seed);
        std::vector<int> expected;
        for (int i = 0; i < 8; i++) {
            if ((rand() & 1) == 0) {
                expected.push_back(makecol(255, 255, 0));
            } else {
                int g = rand() % 128 + 127;
                expected.push_back(makecol(g, g, g));
            }
        }
        srand(seed);
        for (int i = 0; i < 8; i++)
            EXPECT_EQ(spitter->get_color(), expected[i]) << "seed " << seed << " call " << i;
    }
}

TEST_F(EnemyTest, ChaseCarTurnsAwayOnEveryThirdCountedHit)
{
    ENEMY* chase = add(ENEMY::ET_CHASE_CAR, 300, 200);
    chase->target_angle = 10.0f;
    chase->hit();
    chase->hit();
    EXPECT_FLOAT_EQ(chase->hits, 2.0f);
    EXPECT_FLOAT_EQ(chase->timer2, 0.0f);
    chase->hit();
    EXPECT_FLOAT_EQ(chase->hits, 0.0f);
    EXPECT_FLOAT_EQ(chase->timer2, 120.0f);
    EXPECT_FLOAT_EQ(chase->target_angle, 138.0f);
    // Not counted while it is turned away.
    chase->hit();
    chase->hit();
    chase->hit();
    EXPECT_FLOAT_EQ(chase->hits, 0.0f);
    EXPECT_FLOAT_EQ(chase->target_angle, 138.0f);
    EXPECT_EQ(chase->hp, 9);
}

TEST_F(EnemyTest, ChaseCarKillingHitStillCounts)
{
    ENEMY* chase = add(ENEMY::ET_CHASE_CAR, 300, 200);
    chase->hp = 1;
    chase->hits = 2;
    chase->hit();
    EXPECT_EQ(chase->hp, 0);
    EXPECT_FLOAT_EQ(chase->timer2, 120.0f);
    EXPECT_FLOAT_EQ(chase->target_angle, 128.0f);
}

TEST_F(EnemyTest, DeltaFromPushesAwayAtOnePointFive)
{
    ENEMY* guy = add(ENEMY::ET_GUY, 100, 100);  // 20x20: centre (110, 110)
    struct {
        float px, py, dx, dy;
    } cases[] = {
        {130, 110, -1.5f, 0.0f},  // level, on the right
        {100, 105, 1.5f, 0.75f},  // 10 left, 5 above
        {110, 50, 0.0f, 1.5f},    // straight above
        {90, 130, 1.5f, -1.5f},   // diagonal below left
        {110, 110, 0.0f, 0.0f},   // the centre itself: no way out, no step
    };
    for (auto& c : cases) {
        guy->delta_from(c.px, c.py);
        EXPECT_FLOAT_EQ(guy->dx, c.dx) << c.px << "," << c.py;
        EXPECT_FLOAT_EQ(guy->dy, c.dy) << c.px << "," << c.py;
        EXPECT_FALSE(std::isnan(guy->dx));
    }
    // A scaled box takes its centre from w and h.
    guy->w = 40;
    guy->h = 10;
    guy->delta_from(120, 95);
    EXPECT_FLOAT_EQ(guy->dx, 0.0f);
    EXPECT_FLOAT_EQ(guy->dy, 1.5f);
}

TEST_F(EnemyTest, DeadLeavesEnemiesOnceAndOnlyClearsEnabledWhenNotListed)
{
    ENEMY* a = add(ENEMY::ET_GUY, 10, 10);
    ENEMY* b = add(ENEMY::ET_GUY, 50, 10);
    ENEMY* c = add(ENEMY::ET_GUY, 90, 10);
    b->dead();
    EXPECT_FALSE(b->enabled);
    ASSERT_EQ(enemies.size(), 2u);
    EXPECT_EQ(enemies.front(), a);
    EXPECT_EQ(enemies.back(), c);
    b->dead();
    EXPECT_EQ(enemies.size(), 2u);
    EXPECT_EQ(objects.size(), 4u);  // the loop deletes it, not dead()
}

TEST_F(EnemyTest, FadeInTakes85Ticks)
{
    for (ENEMY::TYPE t : {ENEMY::ET_BALL, ENEMY::ET_FAST_BALL, ENEMY::ET_SPINNER}) {
        ENEMY* e = add(t, 300, 200);
        for (int i = 1; i < 85; i++) {
            tick();
            EXPECT_EQ(e->alpha, 1 + 3 * i);
        }
        tick();
        EXPECT_EQ(e->alpha, 255);
        EXPECT_EQ(e->alpha_step, 0);
        e->dead();
    }
}

TEST_F(EnemyTest, WhoWaitsForTheLevelStartAndWhoEntersPlayOnItsOwn)
{
    struct {
        ENEMY::TYPE type;
        int active_at;
    } own[] = {
        {ENEMY::ET_TURD, 63},                             // landed
        {ENEMY::ET_GUY, 36},                              // risen
        {ENEMY::ET_PERSON, 36}, {ENEMY::ET_STALKER, 26},  // formed, then one tick more
        {ENEMY::ET_BOSS, 70}, {ENEMY::ET_SPINNER, 85},    // faded in
    };
    const ENEMY::TYPE waiting[] = {
        ENEMY::ET_CAR, ENEMY::ET_CHASE_CAR, ENEMY::ET_SPITTER, ENEMY::ET_SPIKE, ENEMY::ET_BALL, ENEMY::ET_FAST_BALL};
    std::vector<ENEMY*> own_enemies, waiting_enemies;
    float x = 60;
    for (auto& o : own) {
        own_enemies.push_back(add(o.type, x, 150));
        x += 70;
    }
    x = 60;
    for (ENEMY::TYPE t : waiting) {
        waiting_enemies.push_back(add(t, x, 350));
        x += 90;
    }
    for (int t = 1; t <= 200; t++) {
        tick();
        for (size_t i = 0; i < own_enemies.size(); i++)
            EXPECT_EQ(own_enemies[i]->active, t >= own[i].active_at) << "type " << own[i].type << " tick " << t;
        for (ENEMY* e : waiting_enemies)
            EXPECT_FALSE(e->active) << "type " << e->get_type();
    }
    game_started = true;
    tick();
    for (ENEMY* e : waiting_enemies)
        EXPECT_TRUE(e->active) << "type " << e->get_type();
}
