// Enemy behaviour tick by tick: the common frame and each type's way of
// entering play, moving and acting.
#include "test_enemy_fixture.h"
#include "pacing.h"
#include <cmath>
#include <set>
#include <utility>

namespace {

const float PI_F = 3.14159265f;

}  // namespace

// ---- falling turd ----

TEST_F(EnemyTest, TurdLandsInItsSixtyThirdTickAtSpriteSizeAndOnlyThenHurtsOrCanBeShot)
{
    ENEMY* turd = add(ENEMY::ET_TURD, 300, 200);
    player->set(290, 190);  // under it all the time
    PROJ* shot = new PROJ(player, data_bitmap(SPR_PLAYER_SHOT), 295, 195, 0.0f, 0.0f);
    objects.push_back(shot);

    tick();
    EXPECT_NEAR(turd->w, 20 + 0.9995f * 80, 1e-3);  // five times the sprite at the start height
    EXPECT_NEAR(turd->h, 20 + 0.9995f * 80, 1e-3);
    for (int t = 2; t <= 62; t++) {
        tick();
        ASSERT_GT(turd->drop, 0.0f) << "tick " << t;
        EXPECT_FALSE(turd->active);
        EXPECT_FLOAT_EQ(turd->x, 300.0f);
        EXPECT_FLOAT_EQ(turd->y, 200.0f);
        EXPECT_GT(turd->w, 20.0f);
    }
    EXPECT_EQ(turd->hp, 2);  // the shot flew through it
    EXPECT_EQ(player->hp, 3);
    EXPECT_TRUE(shot->enabled);

    tick();  // 63: lands, wakes after the contact step
    EXPECT_FLOAT_EQ(turd->drop, 0.0f);
    EXPECT_TRUE(turd->active);
    EXPECT_FLOAT_EQ(turd->w, 20.0f);
    EXPECT_FLOAT_EQ(turd->h, 20.0f);
    EXPECT_EQ(player->hp, 3);
    EXPECT_EQ(turd->hp, 1);  // the shot, processed after it, hits it in its landing tick
    tick();
    EXPECT_EQ(player->hp, 2);
    EXPECT_EQ(turd->hp, 1);
}

TEST_F(EnemyTest, LandedTurdCrawlsAtOnePixelATickAndKeepsCrawlingWhileDying)
{
    ENEMY* turd = add(ENEMY::ET_TURD, 300, 200);
    ticks(63);
    for (int i = 0; i < 20; i++) {
        float before_x = turd->x, before_y = turd->y;
        tick();
        EXPECT_NEAR(std::hypot(turd->x - before_x, turd->y - before_y), 1.0f, 1e-4);
        EXPECT_NEAR(turd->w, 20.0f, 5.0f + 1e-4);  // breathes by up to a quarter
        EXPECT_NEAR(turd->h, 20.0f, 5.0f + 1e-4);
    }
    turd->hit();
    turd->hit();
    ASSERT_EQ(turd->hp, 0);
    float angle_before = turd->move_angle;
    ticks(10);
    EXPECT_NE(turd->move_angle, angle_before);
    EXPECT_FALSE(turd->active);
    EXPECT_NEAR(std::hypot(turd->dx, turd->dy), 1.0f, 1e-4);
}

TEST_F(EnemyTest, CentredTurdHangsHalfOverTheLeftAndTopWallsButNotTheOthers)
{
    wall_x1 = 40;
    wall_y1 = 30;
    wall_x2 = 600;
    wall_y2 = 450;
    ENEMY* left = add(ENEMY::ET_TURD, 10, 10);
    ENEMY* right = add(ENEMY::ET_TURD, 700, 500);
    tick();
    EXPECT_FLOAT_EQ(left->x, 40.0f);  // the centre on the wall, half the body beyond it
    EXPECT_FLOAT_EQ(left->y, 30.0f);
    EXPECT_FLOAT_EQ(right->x + right->w / 2, 600.0f);  // the edge on the wall
    EXPECT_FLOAT_EQ(right->y + right->h / 2, 450.0f);
}

// ---- walkers ----

struct WalkerRow {
    ENEMY::TYPE type;
    int first_walk, second_walk;
    int pitch;
    float speed;
};

TEST_F(EnemyTest, AWalkersPickIsOneOfTheFourAxisDirectionsAtItsSpeed)
{
    ENEMY* w = add(ENEMY::ET_GUY, 300, 200);
    std::set<std::pair<float, float>> seen;
    for (unsigned seed = 1; seed <= 64; seed++) {
        srand(seed);
        w->pick_axis_direction(2.5f);
        EXPECT_TRUE(w->dx == 0 || w->dy == 0) << seed;
        EXPECT_FLOAT_EQ(std::fabs(w->dx) + std::fabs(w->dy), 2.5f) << seed;
        seen.insert({w->dx, w->dy});
    }
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(EnemyTest, WalkerRisesJumpsOutAtSpeedOneThenTurnsOnlyOnMultiplesOfThirty)
{
    const WalkerRow rows[] = {
        {ENEMY::ET_GUY, SPR_GUY_WALK_1, SPR_GUY_WALK_2, 1000, 0.5f},
        {ENEMY::ET_PERSON, SPR_PERSON_WALK_1, SPR_PERSON_WALK_2, 700, 1.5f},
    };
    for (const WalkerRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        fpscounter = 0;
        std::memset(effect_count, 0, sizeof effect_count);
        ENEMY* w = add(row.type, 300, 200);
        int start_frame = w->frame;
        for (int t = 1; t < 36; t++) {
            tick();
            EXPECT_EQ(w->frame, start_frame + t / 6);
            EXPECT_FALSE(w->active);
        }
        // The first direction is the one the walkers' pick at speed one
        // makes from the same draws.
        const float rising_dx = w->dx, rising_dy = w->dy;
        srand(11);
        w->pick_axis_direction(1.0f);
        const float first_dx = w->dx, first_dy = w->dy;
        w->dx = rising_dx;
        w->dy = rising_dy;
        srand(11);
        tick();  // 36: the last rise step
        EXPECT_EQ(w->frame, row.first_walk);
        EXPECT_TRUE(w->active);
        EXPECT_FLOAT_EQ(w->x, 308.0f);
        EXPECT_FLOAT_EQ(w->y, 208.0f);
        EXPECT_FLOAT_EQ(w->dx, first_dx);
        EXPECT_FLOAT_EQ(w->dy, first_dy);
        EXPECT_EQ(effect_count[SND_RISE], 1);
        EXPECT_EQ(effect_last_volume, 128);
        EXPECT_EQ(effect_last_pitch, row.pitch);

        int changes = 0;
        for (int t = 37; t <= 400; t++) {
            float dx = w->dx, dy = w->dy;
            int frame = w->frame;
            tick();
            if (t % 30 == 0) {
                EXPECT_FLOAT_EQ(std::fabs(w->dx) + std::fabs(w->dy), row.speed) << "tick " << t;
                EXPECT_TRUE(w->dx == 0 || w->dy == 0);
                if (w->dx != dx || w->dy != dy)
                    changes++;
                EXPECT_EQ(w->frame, frame);
            } else {
                EXPECT_EQ(w->dx, dx) << "tick " << t;
                EXPECT_EQ(w->dy, dy) << "tick " << t;
                int toggled = frame == row.first_walk ? row.second_walk : row.first_walk;
                EXPECT_EQ(w->frame, t % 10 == 0 ? toggled : frame) << "tick " << t;
            }
        }
        EXPECT_GT(changes, 4);
        w->dead();
    }
}

TEST_F(EnemyTest, WalkerOverlappingAnotherEnemyIsPushedOffAtOnePointFiveUntilTheNextTurn)
{
    ENEMY* guy = add(ENEMY::ET_GUY, 300, 200);
    ticks(36);
    ASSERT_TRUE(guy->active);
    guy->dx = guy->dy = 0;
    ENEMY* spike = add(ENEMY::ET_SPIKE, 315, 208);  // to its right, level with it
    tick();
    EXPECT_FLOAT_EQ(guy->dx, -1.5f);
    EXPECT_FLOAT_EQ(guy->dy, 0.0f);
    run_to(59);
    EXPECT_FALSE(guy->collide(spike));
    EXPECT_FLOAT_EQ(guy->dx, -1.5f);  // the push outlasts the contact
    tick();
    EXPECT_FLOAT_EQ(std::fabs(guy->dx) + std::fabs(guy->dy), 0.5f);
}

TEST_F(EnemyTest, DyingWalkerGlidesStraightAtItsLastSpeed)
{
    ENEMY* guy = add(ENEMY::ET_GUY, 300, 200);
    run_to(61);
    ASSERT_TRUE(guy->active);
    guy->hit();
    float dx = guy->dx, dy = guy->dy, x = guy->x, y = guy->y;
    int frame = guy->frame;
    ticks(50);
    EXPECT_TRUE(listed(guy));
    EXPECT_FLOAT_EQ(guy->dx, dx);
    EXPECT_FLOAT_EQ(guy->dy, dy);
    EXPECT_NEAR(guy->x, x + 50 * dx, 1e-3);
    EXPECT_NEAR(guy->y, y + 50 * dy, 1e-3);
    EXPECT_EQ(guy->frame, frame);
    tick();
    EXPECT_FALSE(listed(guy));
}

TEST_F(EnemyTest, BossRisesInSevenStepsAndBacksAwayWhileThePlayerRecovers)
{
    ENEMY* boss = add(ENEMY::ET_BOSS, 200, 0);
    for (int t = 1; t < 70; t++) {
        tick();
        EXPECT_EQ(boss->frame, SPR_BOSS_1 + t / 10);
        EXPECT_FALSE(boss->active);
    }
    tick();  // 70: also a walk-animation tick, so the first walking frame turns at once
    EXPECT_TRUE(boss->active);
    EXPECT_EQ(boss->frame, SPR_BOSS_WALK_2);
    EXPECT_FLOAT_EQ(boss->x, 274.0f);
    EXPECT_FLOAT_EQ(boss->y, 3.0f);
    EXPECT_FLOAT_EQ(std::fabs(boss->dx) + std::fabs(boss->dy), 1.0f);
    EXPECT_EQ(effect_count[SND_RISE], 1);
    EXPECT_EQ(effect_last_volume, 255);
    EXPECT_EQ(effect_last_pitch, 400);

    run_to(89);
    tick();
    EXPECT_FLOAT_EQ(std::fabs(boss->dx) + std::fabs(boss->dy), 2.5f);

    player->set(250, 150);  // above left of the boss
    player->stun = 60;
    boss->x = 300;
    boss->y = 200;
    boss->dx = boss->dy = 0;
    float before = std::hypot(boss->x - 250, boss->y - 150);
    float pdx, pdy;
    player->delta_from(300, 200, pdx, pdy);
    tick();
    EXPECT_FLOAT_EQ(boss->dx, pdx);
    EXPECT_FLOAT_EQ(boss->dy, pdy);
    EXPECT_FLOAT_EQ(boss->dx, 1.0f);  // away from the craft's centre (260, 160)
    EXPECT_FLOAT_EQ(boss->dy, 1.0f);
    int frame = boss->frame;
    run_to(120);  // no new direction at 120, no animation at 100 and 110
    EXPECT_EQ(boss->frame, frame);
    EXPECT_GT(std::hypot(boss->x - 250, boss->y - 150), before + 20);
}

// ---- stationary types ----

TEST_F(EnemyTest, SpikeWaitsForTheStartCyclesFourFramesAndHurtsWithoutKnockBack)
{
    ENEMY* spike = add(ENEMY::ET_SPIKE, 300, 200);
    const int frames[] = {109, 110, 111, 112, 109, 110, 111};
    for (int i = 1; i <= 6; i++) {
        run_to(12 * i - 1);
        EXPECT_EQ(spike->frame, frames[i - 1]);
        tick();
        EXPECT_EQ(spike->frame, frames[i]);
    }
    EXPECT_FALSE(spike->active);
    player->set(305, 205);
    tick();
    EXPECT_EQ(player->hp, 3);
    game_started = true;
    tick();
    EXPECT_TRUE(spike->active);
    tick();
    EXPECT_EQ(player->hp, 2);
    EXPECT_FALSE(player->crashed);
    EXPECT_FLOAT_EQ(spike->x, 300.0f);
    EXPECT_FLOAT_EQ(spike->y, 200.0f);

    // A walker's touch also knocks the craft away.
    ENEMY* guy = add(ENEMY::ET_GUY, 100, 100);
    run_to(fpscounter + 40);
    ASSERT_TRUE(guy->active);
    player->stun = 0;
    player->set(guy->x + 2, guy->y + 2);
    tick();
    EXPECT_TRUE(player->crashed);
}

TEST_F(EnemyTest, StalkerFormsThenHomesAndStandsStillWhileThePlayerRecovers)
{
    ENEMY* stalker = add(ENEMY::ET_STALKER, 100, 100);
    player->set(400, 400);
    run_to(25);
    EXPECT_EQ(stalker->frame, SPR_STALKER_MOVE_1);
    EXPECT_FALSE(stalker->active);
    tick();
    EXPECT_TRUE(stalker->active);
    EXPECT_NEAR(stalker->dx, 0.5f * std::sqrt(0.5f), 1e-5);  // straight at the player's corner
    EXPECT_NEAR(stalker->dy, 0.5f * std::sqrt(0.5f), 1e-5);
    run_to(30);
    EXPECT_EQ(stalker->frame, SPR_STALKER_MOVE_2);

    player->stun = 60;
    tick();
    EXPECT_FLOAT_EQ(stalker->dx, 0.0f);
    EXPECT_FLOAT_EQ(stalker->dy, 0.0f);
    float x = stalker->x, y = stalker->y;
    ticks(5);
    EXPECT_FLOAT_EQ(stalker->x, x);
    EXPECT_FLOAT_EQ(stalker->y, y);
    player->stun = 0;
    ticks(2);
    EXPECT_GT(stalker->x, x);
}

TEST_F(EnemyTest, ThreeSpittersShareOneSpitSoundPerVolley)
{
    bool saw_several_at_240 = false;
    for (unsigned seed = 1; seed <= 12; seed++) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        TearDown();
        SetUp();
        srand(seed);
        wall_y2 = 100000;  // the spit never bursts: every spit stays countable
        game_started = true;
        ENEMY* spitters[3] = {
            add(ENEMY::ET_SPITTER, 100, 0), add(ENEMY::ET_SPITTER, 300, 0), add(ENEMY::ET_SPITTER, 500, 0)};
        for (int t = 1; t <= 600; t++) {
            int sounds = effect_count[SND_SPIT];
            tick();
            sounds = effect_count[SND_SPIT] - sounds;
            int born = 0;
            for (OBJECT* o : objects)
                if (o->spr == data_bitmap(SPR_SPIT) && std::fabs(o->y - 36.0f) < 0.01f)
                    born++;
            if (t % 200 == 0) {
                EXPECT_GE(born, 3) << "tick " << t;
                EXPECT_EQ(sounds, 1) << "tick " << t;
            } else {
                EXPECT_EQ(sounds, born) << "tick " << t;
                if (t % 120 != 0) {
                    EXPECT_EQ(born, 0) << "tick " << t;
                }
            }
            if (t == 240 && born >= 2)
                saw_several_at_240 = true;
            for (ENEMY* s : spitters) {
                if (t % 210 == 0) {
                    EXPECT_EQ(s->frame, SPR_SPITTER) << "tick " << t;
                }
                EXPECT_FLOAT_EQ(s->y, 0.0f);  // never moved, never held in the arena
            }
        }
    }
    EXPECT_TRUE(saw_several_at_240);
}

TEST_F(EnemyTest, SpitLeavesTheMouthStraightDownAndTheMouthShutsOnMultiplesOf210)
{
    game_started = true;
    ENEMY* spitter = add(ENEMY::ET_SPITTER, 300, 10);
    run_to(199);
    size_t before = objects.size();
    tick();
    ASSERT_EQ(objects.size(), before + 1);
    // From the middle of the bottom edge, one step down already.
    expect_newest_shot(spitter, SPR_SPIT, 128.0f, 12.0f, 320.0f, 34.0f + 12.0f);
    EXPECT_EQ(spitter->frame, SPR_SPITTER_OPEN);

    run_to(400);
    EXPECT_EQ(spitter->frame, SPR_SPITTER_OPEN);
    run_to(419);
    EXPECT_EQ(spitter->frame, SPR_SPITTER_OPEN);
    tick();
    EXPECT_EQ(spitter->frame, SPR_SPITTER);
    EXPECT_EQ(spitter->spr, data_bitmap(SPR_SPITTER));
}

// ---- cars ----

// 0.01 a tick in float arithmetic reaches 0.99999934 after 100 steps, so the
// 101st step still adds and the top speed settles at 1.0099994.
TEST_F(EnemyTest, CarWaitsForTheStartThenAcceleratesToOneInAHundredTicks)
{
    ENEMY* car = add(ENEMY::ET_CAR, 300, 230);
    ticks(5);
    EXPECT_FALSE(car->active);
    EXPECT_FLOAT_EQ(car->speed, 0.0f);
    game_started = true;
    int accelerating = 0;
    float last = 0;
    for (int i = 1; i <= 150; i++) {
        tick();
        if (car->speed > last) {
            EXPECT_NEAR(car->speed - last, 0.01f, 1e-5);
            accelerating++;
        }
        last = car->speed;
        if (i == 100) {
            EXPECT_NEAR(car->speed, 1.0f, 1e-6);
        }
    }
    EXPECT_TRUE(car->active);
    EXPECT_NEAR(car->speed, 1.01f, 1e-6);
    EXPECT_EQ(accelerating, 101);
    EXPECT_NE(car->target_angle, 0.0f);
}

TEST_F(EnemyTest, CarHittingAWallAtFullSpeedBacksAtMinusOneFor200Ticks)
{
    // Heading straight up a full turn round, so the box is the sprite's own.
    game_started = true;
    wall_y1 = 100;
    fpscounter = 1;
    ENEMY* car = add(ENEMY::ET_CAR, 300, 110);
    car->active = true;
    car->angle = car->target_angle = 256;
    car->speed = 1.0f;
    int t = 0;
    while (car->timer1 == 0 && t++ < 100)
        tick();
    EXPECT_LE(t, 12);  // 10 pixels from the wall at one a tick
    ASSERT_FLOAT_EQ(car->timer1, 200.0f);
    EXPECT_FLOAT_EQ(car->speed, -1.0f);
    EXPECT_GE(car->y, 100.0f);
    wall_y1 = 0;
    for (int i = 199; i >= 0; i--) {
        tick();
        EXPECT_FLOAT_EQ(car->speed, -1.0f);
        EXPECT_FLOAT_EQ(car->timer1, static_cast<float>(i));
    }
    tick();
    EXPECT_NEAR(car->speed, -0.99f, 1e-5);
}

// A car in play at (300, 232), steering for angle 5 at `speed`, with the game
// running: where the bumping cases below start.
static ENEMY* car_heading_right(float speed)
{
    game_started = true;
    fpscounter = 1;
    ENEMY* car = add_enemy(ENEMY::ET_CAR, 300, 232);
    car->active = true;
    car->target_angle = 5;
    car->speed = speed;
    return car;
}

TEST_F(EnemyTest, CarBumpingAtPointThreeBacksDownToMinusHalf)
{
    ENEMY* car = car_heading_right(0.3f);
    ENEMY* spike = add(ENEMY::ET_SPIKE, 310, 230);
    tick();
    EXPECT_NEAR(car->speed, -0.31f, 1e-5);  // sped up first, then reversed
    EXPECT_FLOAT_EQ(car->timer1, 200.0f);
    spike->dead();
    tick();
    EXPECT_NEAR(car->speed, -0.311f, 1e-5);
    ticks(199);
    EXPECT_NEAR(car->speed, -0.5f, 1e-3);
    EXPECT_GE(car->speed, -0.501f);
    EXPECT_FLOAT_EQ(car->timer1, 0.0f);
}

TEST_F(EnemyTest, CarInContactReversesEveryTick)
{
    ENEMY* car = car_heading_right(0.5f);
    add(ENEMY::ET_SPIKE, 305, 230);
    float sign = 1;
    for (int i = 0; i < 6; i++) {
        tick();
        sign = -sign;
        EXPECT_EQ(car->speed > 0, sign > 0) << "tick " << i;
        EXPECT_FLOAT_EQ(car->timer1, 200.0f);
    }
}

TEST_F(EnemyTest, CarOutsideTheMiddleBoxSteersForTheCentreEveryTick)
{
    game_started = true;
    struct {
        float x, y, target;
    } cases[] = {
        {100, 240, 64.0f},   // left of the box: head right
        {520, 240, -64.0f},  // right of it: head left
        {300, 60, 123.5f},   // above: head down, a little right
        {300, 400, 5.1f},    // below: head up, a little right
    };
    for (auto& c : cases) {
        fpscounter = 238;
        ENEMY* car = add(ENEMY::ET_CAR, c.x, c.y);
        for (int i = 0; i < 3; i++) {  // 239, 240 (a new-goal tick), 241
            tick();
            float expected = std::atan2(320 - car->x, car->y - 240) * 57.29577951308232 * 0.7111111111111111;
            EXPECT_NEAR(car->target_angle, expected, 1e-3) << c.x << "," << c.y;
            EXPECT_NEAR(car->target_angle, c.target, 1.0f);
        }
        car->dead();
    }
}

TEST_F(EnemyTest, ChaseCarHomesThenTurnsAwayFor120TicksAfterAThirdHit)
{
    game_started = true;
    player->set(500, 232);
    ENEMY* chase = add(ENEMY::ET_CHASE_CAR, 300, 232);
    tick();
    EXPECT_NEAR(chase->target_angle, 64.0f, 1e-3);  // the player is straight to the right
    EXPECT_FLOAT_EQ(chase->angle, 0.0f);            // woke after the turning step
    tick();
    EXPECT_FLOAT_EQ(chase->angle, 2.0f);  // turning at 2 a tick
    ticks(40);
    EXPECT_FLOAT_EQ(chase->angle, chase->target_angle);
    chase->hit();
    chase->hit();
    chase->hit();
    float away = chase->target_angle;
    EXPECT_NEAR(away, chase->angle + 128, 1.0f);
    for (int i = 0; i < 120; i++) {
        tick();
        EXPECT_FLOAT_EQ(chase->target_angle, away) << i;
        EXPECT_FLOAT_EQ(chase->timer2, 119.0f - i);
    }
    tick();
    EXPECT_NEAR(chase->target_angle,
        std::atan2(player->x - chase->x, chase->y - player->y) * 57.29577951308232 * 0.7111111111111111, 1e-3);
}

TEST_F(EnemyTest, ChaseCarBumpIsPushedOffTheOthersCornerAtOnce)
{
    game_started = true;
    fpscounter = 1;
    player->set(300, 0);
    ENEMY* chase = add(ENEMY::ET_CHASE_CAR, 300, 232);
    chase->active = true;
    chase->speed = 0.5f;
    add(ENEMY::ET_SPIKE, 290, 236);  // overlaps the car's left end
    tick();
    // Pushed from the spike's top-left corner (290, 236), not its centre: the
    // car's box centre (316, 240) is 26 right of it and 4 below, so the step is
    // (1.5, 1.5 * 4 / 26), and it is taken at once.
    EXPECT_FLOAT_EQ(chase->dx, 1.5f);
    EXPECT_FLOAT_EQ(chase->dy, 1.5f * 4 / 26);
    EXPECT_NEAR(chase->x, 301.5f, 1e-4);
    EXPECT_NEAR(chase->y, 232.0f + 1.5f * 4 / 26, 1e-4);
    EXPECT_LT(chase->speed, 0.0f);
    EXPECT_FLOAT_EQ(chase->timer1, 200.0f);
}

// ---- balls ----

TEST_F(EnemyTest, BallBobsInPlaceWhileFadingInThenRollsStraightAndTurnsRound)
{
    for (ENEMY::TYPE t : {ENEMY::ET_BALL, ENEMY::ET_FAST_BALL}) {
        SCOPED_TRACE(testing::Message() << "type " << t);
        fpscounter = 0;
        game_started = true;
        ENEMY* ball = add(t, 300, 200);
        float speed = t == ENEMY::ET_BALL ? 0.2f : 0.4f;
        float phase = 0;
        for (int i = 1; i <= 84; i++) {
            tick();
            float b = 5.0 * std::sin(phase);
            phase += 0.1;
            EXPECT_FALSE(ball->active);
            EXPECT_FLOAT_EQ(ball->x, 300.0f);
            EXPECT_FLOAT_EQ(ball->base_y, 200.0f);
            EXPECT_NEAR(ball->y, 200.0f + b, 1e-4);
            EXPECT_EQ(ball->overlay, data_bitmap(b <= -1.0f ? SPR_SHADOW_HIGH : SPR_SHADOW_LOW));
        }
        tick();
        EXPECT_TRUE(ball->active);
        EXPECT_NEAR(ball->dx, std::sin(ball->move_angle) * speed, 1e-6);
        EXPECT_NEAR(ball->dy, -std::cos(ball->move_angle) * speed, 1e-6);
        float x = ball->x, base = ball->base_y;
        ticks(10);
        EXPECT_NEAR(ball->x, x + 10 * ball->dx, 1e-3);
        EXPECT_NEAR(ball->base_y, base + 10 * ball->dy, 1e-3);

        // Up against the right wall, rolling right.
        ball->x = 640 - 20 - 0.1f;
        ball->move_angle = PI_F / 2;
        ball->dx = speed;
        ball->dy = 0;
        tick();
        EXPECT_FLOAT_EQ(ball->move_angle, PI_F / 2 + static_cast<float>(3.141592653589793));
        EXPECT_NEAR(ball->dx, -speed, 1e-5);
        EXPECT_NEAR(ball->dy, 0.0f, 1e-5);
        EXPECT_FLOAT_EQ(ball->x, 620.0f);  // held in by the arena
        ticks(3);
        EXPECT_LT(ball->x, 620.0f);

        // Another enemy in its way turns it round as well.
        ENEMY* spike = add(ENEMY::ET_SPIKE, ball->x - 19, ball->y);
        float before = ball->move_angle;
        tick();
        EXPECT_FLOAT_EQ(ball->move_angle, before + static_cast<float>(3.141592653589793));
        spike->dead();
        ball->dead();
    }
}

// ---- spinner ----

TEST_F(EnemyTest, SpinnerSpinsFromBirthFadesInThenMovesDiagonallyAndBounces)
{
    ENEMY* spinner = add(ENEMY::ET_SPINNER, 300, 200);
    ticks(10);
    EXPECT_FLOAT_EQ(spinner->angle, 40.0f);
    EXPECT_FALSE(spinner->active);
    run_to(84);
    EXPECT_FLOAT_EQ(spinner->dx, 0.0f);
    srand(21);
    float dx = (rand() & 1) == 1 ? -2.0f : 2.0f;
    float dy = (rand() & 1) == 1 ? -2.0f : 2.0f;
    srand(21);
    tick();  // 85: opaque and off it goes (no wait for the level start)
    EXPECT_TRUE(spinner->active);
    EXPECT_FLOAT_EQ(spinner->dx, dx);
    EXPECT_FLOAT_EQ(spinner->dy, dy);

    spinner->x = 640 - 20 - 1;
    spinner->y = 480 - 20 - 1;
    spinner->dx = 2;
    spinner->dy = 2;
    tick();
    EXPECT_FLOAT_EQ(spinner->dx, -2.0f);
    EXPECT_FLOAT_EQ(spinner->dy, -2.0f);
    EXPECT_LE(spinner->x, 620.0f);
    tick();
    EXPECT_FLOAT_EQ(spinner->dx, -2.0f);
    EXPECT_FLOAT_EQ(spinner->angle, 4.0f * fpscounter);
}

TEST_F(EnemyTest, SpinnerZapLasts120TicksAndIsNotRenewedWhileThePlayerRecovers)
{
    ENEMY* spinner = add(ENEMY::ET_SPINNER, 300, 200);
    run_to(85);
    ASSERT_TRUE(spinner->active);
    spinner->dx = spinner->dy = 0.5f;  // slow, so the craft can be kept under it
    fpscounter = 1000;                 // any clock: the zap counts its own ticks
    player->set(spinner->x + 2, spinner->y + 2);
    tick();
    EXPECT_EQ(effect_count[SND_ZAP], 1);
    EXPECT_EQ(spinner->overlay, data_bitmap(SPR_ZAP_1));
    EXPECT_FLOAT_EQ(spinner->timer1, 119.0f);
    EXPECT_EQ(player->hp, 2);
    EXPECT_TRUE(player->is_stunned());

    BITMAP* zaps[3] = {data_bitmap(SPR_ZAP_1), data_bitmap(SPR_ZAP_2), data_bitmap(SPR_ZAP_3)};
    int expected = 0;
    for (int i = 1; i <= 118; i++) {
        if (i < 20)
            player->set(spinner->x + 2, spinner->y + 2);  // touching while it recovers
        else
            player->set(-1000, -1000);
        tick();
        if (fpscounter % 3 == 0)
            expected = (expected + 1) % 3;
        ASSERT_EQ(spinner->overlay, zaps[expected]) << "tick " << fpscounter;
    }
    EXPECT_EQ(effect_count[SND_ZAP], 1);
    EXPECT_EQ(player->hp, 2);
    tick();  // the 120th tick of the zap
    EXPECT_EQ(spinner->overlay, nullptr);
    EXPECT_FLOAT_EQ(spinner->timer1, 0.0f);
}

TEST_F(EnemyTest, SpitterStraddlesTheTopWallWhileOthersAreHeldInside)
{
    game_started = true;
    wall_y1 = 20;
    ENEMY* spitter = add(ENEMY::ET_SPITTER, 300, 5);
    ENEMY* guy = add(ENEMY::ET_GUY, 300, 5);
    tick();
    EXPECT_FLOAT_EQ(spitter->y, 5.0f);
    EXPECT_FLOAT_EQ(guy->y, 20.0f);
}

TEST_F(EnemyTest, CarsSpeedUpToTheirOwnTopSpeedAndNoFurther)
{
    const struct {
        ENEMY::TYPE type;
        float top, x, y;  // apart, so that they never touch
    } cars[] = {{ENEMY::ET_CAR, 1.0f, 200, 150}, {ENEMY::ET_CHASE_CAR, 1.5f, 400, 300}};
    game_started = true;
    player->set(320, 240);
    for (const auto& c : cars) {
        SCOPED_TRACE(c.type);
        ENEMY* car = add(c.type, c.x, c.y);
        car->active = true;
        car->speed = c.top - 0.005f;  // one step of 0.01 short of the top
        tick();
        EXPECT_FLOAT_EQ(car->speed, c.top + 0.005f);  // the last step may pass the top a little
        tick();
        EXPECT_FLOAT_EQ(car->speed, c.top + 0.005f);  // and then it holds
    }
}
