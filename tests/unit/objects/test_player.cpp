// The craft: driving, walls, gun, hits, death, knock-back, lives and the engine pitch.
#include "controls.h"
#include "game.h"
#include "levels.h"
#include "overlays.h"
#include "player.h"
#include "projectile.h"
#include "registry.h"
#include "test_scene.h"
#include "test_support.h"
#include "engine.h"
#include "pacing.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

class PlayerTest : public ::testing::Test {
protected:
    PLAYER* p = nullptr;
    Controls in;  // this tick's keys and joystick, as the level loop hands them over

    void SetUp() override
    {
        headless_init(32);
        ASSERT_TRUE(data || headless_load_data());
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        std::memset(&joy[0], 0, sizeof(joy[0]));
        PLAYER::gun_temp_warning = false;
        PLAYER::autohide_down = PLAYER::toggle_down = PLAYER::shoot_down = false;
        PLAYER::collide_count = 0;
        walls_at_screen_edges();
        d_screen_a = 0;
        pending_game_go = -1;
        screen_msg_counter = 0;
        screen_msg_buf[0] = '\0';
        p = place_player(320, 240);
    }

    void TearDown() override
    {
        clear_scene();
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        std::memset(&joy[0], 0, sizeof(joy[0]));
    }

    float cx() const { return p->x + p->spr->w / 2; }
    float cy() const { return p->y + p->spr->h / 2; }

    int count_projectiles(bool sparks) const
    {
        int n = 0;
        for (OBJECT* o : objects) {
            PROJ* pr = dynamic_cast<PROJ*>(o);
            if (pr && pr->spark == sparks)
                n++;
        }
        return n;
    }

    void ticks(int n)
    {
        for (int i = 0; i < n; i++)
            p->processing();
    }
};

TEST_F(PlayerTest, GasReachesTopSpeedAfter23TicksThenCoastsDown)
{
    in.gas = true;
    for (int i = 0; i < 22; i++)
        p->input(in);
    EXPECT_LT(p->speed, 3.4f);
    EXPECT_NEAR(p->speed, 3.3f, 1e-4f);
    EXPECT_FALSE(p->coasting);
    p->input(in);
    EXPECT_EQ(p->speed, 3.4f);
    p->input(in);
    EXPECT_EQ(p->speed, 3.4f);

    // Gas held: no decay. Released: 1% a tick.
    p->processing();
    EXPECT_EQ(p->speed, 3.4f);
    in.gas = false;
    p->input(in);
    EXPECT_TRUE(p->coasting);
    p->processing();
    EXPECT_NEAR(p->speed, 3.4f * 0.99f, 1e-6f);
    p->processing();
    EXPECT_NEAR(p->speed, 3.4f * 0.99f * 0.99f, 1e-6f);
}

TEST_F(PlayerTest, PedalsInOneTick)
{
    struct {
        const char* what;
        bool gas, reverse, brake;
        float start, expect;
        bool coasting;
    } cases[] = {
        {"gas", true, false, false, 0, 0.15f, false},
        {"gas and reverse: gas wins", true, true, false, 0, 0.15f, false},
        {"gas and brake: both apply", true, false, true, 0, 0.05f, false},
        {"reverse", false, true, false, 0, -0.1f, false},
        {"reverse is capped", false, true, false, -1.5f, -1.5f, false},
        {"reverse caps an overshoot", false, true, false, -1.45f, -1.5f, false},
        {"gas is capped", true, false, false, 3.3f, 3.4f, false},
        {"brake forward", false, false, true, 1.0f, 0.9f, true},
        {"brake stops at 0 going forward", false, false, true, 0.05f, 0, true},
        {"brake stops at 0 going backward", false, false, true, -0.05f, 0, true},
        {"brake backward", false, false, true, -1.0f, -0.9f, true},
        {"nothing held", false, false, false, 2.0f, 2.0f, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p->speed = c.start;
        p->coasting = !c.coasting;
        in.gas = c.gas;
        in.reverse = c.reverse;
        in.brake = c.brake;
        p->input(in);
        EXPECT_NEAR(p->speed, c.expect, 1e-6f);
        EXPECT_EQ(p->coasting, c.coasting);
    }
}

TEST_F(PlayerTest, TurningNeedsSpeedAndFollowsItsSign)
{
    struct {
        const char* what;
        float speed;
        int key;
        bool joy_left, joy_right;
        float turn;
    } cases[] = {
        {"at rest, left", 0, KEY_LEFT, false, false, 0},
        {"at rest, right", 0, KEY_RIGHT, false, false, 0},
        {"top speed, left", 3.4f, KEY_LEFT, false, false, -3.4f / 3.5f * 3.0f},
        {"top speed, right", 3.4f, KEY_RIGHT, false, false, 3.4f / 3.5f * 3.0f},
        {"reversing, left turns clockwise", -1.5f, KEY_LEFT, false, false, 1.5f / 3.5f * 3.0f},
        {"reversing, right turns anticlockwise", -1.5f, KEY_RIGHT, false, false, -1.5f / 3.5f * 3.0f},
        {"stick left", 3.5f, 0, true, false, -3.0f},
        {"stick right", 3.5f, 0, false, true, 3.0f},
        {"stick left at rest", 0, 0, true, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p->angle = 10;
        p->speed = c.speed;
        in.steer_left = c.key == KEY_LEFT;
        in.steer_right = c.key == KEY_RIGHT;
        in.stick_left = c.joy_left;
        in.stick_right = c.joy_right;
        p->input(in);
        EXPECT_NEAR(p->angle - 10, c.turn, 1e-5f);
    }
}

TEST_F(PlayerTest, ReversingWithLeftHeldTurnsClockwiseAtMinimumSpeed)
{
    p->speed = -1.5f;
    in.reverse = true;
    in.steer_left = true;
    for (int i = 0; i < 10; i++)
        p->input(in);
    EXPECT_EQ(p->speed, -1.5f);
    EXPECT_NEAR(p->angle, 10 * 1.5f / 3.5f * 3.0f, 1e-4f);
}

TEST_F(PlayerTest, JoystickButtonsDriveThroughTheirMapping)
{
    const int mapping[NUM_CONTROLS] = {7, 8, 6, 5, 4, 3, 2};
    for (int i = 0; i < NUM_CONTROLS; i++)
        p->joy_buttons[i] = mapping[i];
    in.button[7] = true;
    p->input(in);
    EXPECT_NEAR(p->speed, 0.15f, 1e-6f);
    // A button that is not mapped to gas does nothing.
    in.button[7] = false;
    in.button[0] = true;
    p->speed = 0;
    p->input(in);
    EXPECT_EQ(p->speed, 0);
    EXPECT_TRUE(p->coasting);
}

TEST_F(PlayerTest, TractionBlendsTheOldVelocityIn)
{
    struct {
        float traction;
        float step[3][2];
    } cases[] = {
        {0.5f, {{1, -1}, {1.5f, -0.5f}, {1.75f, -0.25f}}},
        {1.0f, {{2, 0}, {2, 0}, {2, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.traction);
        p->set(320, 240);
        p->set_traction(c.traction);
        p->angle = 64;  // turned a quarter while moving straight up
        p->speed = 2;
        p->coasting = false;  // speed held
        p->vx = 0;
        p->vy = -2;
        for (const auto& s : c.step) {
            const float x0 = p->x, y0 = p->y;
            p->processing();
            EXPECT_NEAR(p->x - x0, s[0], 1e-4f);
            EXPECT_NEAR(p->y - y0, s[1], 1e-4f);
        }
    }
}

TEST_F(PlayerTest, WallBounceAndOneBumpPerContact)
{
    const int sw = p->spr->w;
    const int bumps0 = effect_count[SND_BUMP];
    // Unrotated, driving up into the top wall: put back at the wall, its
    // speed and vertical velocity turn round.
    p->set(300, 1);
    p->speed = 2;
    p->coasting = false;
    p->processing();
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 1);
    EXPECT_EQ(PLAYER::collide_count, 5);
    EXPECT_EQ(p->speed, -2);
    EXPECT_NEAR(p->vy, 2, 1e-5f);
    EXPECT_EQ(p->y, 0);

    // Held against the wall for 20 ticks: still one bump, and the hold-off stays.
    for (int i = 0; i < 20; i++) {
        p->set(300, -5);
        p->processing();
    }
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 1);
    EXPECT_EQ(PLAYER::collide_count, 5);

    // Clear of the walls: the hold-off runs down a tick at a time.
    p->speed = 0;
    p->vx = p->vy = 0;
    p->set(300, 200);
    ticks(3);
    EXPECT_EQ(PLAYER::collide_count, 2);
    p->set(300, -1);  // back too soon: bounces, no sound
    p->processing();
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 1);
    p->set(300, 200);
    ticks(5);
    EXPECT_EQ(PLAYER::collide_count, 0);
    p->set(300, -1);
    p->processing();
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 2);

    // Rotated a quarter, driving right into the right wall: pushed back inside,
    // and the larger velocity component (vx) flips.
    p->set(SCREEN_WIDTH - sw / 2, 200);
    p->angle = 64;
    p->speed = 3;
    p->vx = p->vy = 0;
    p->coasting = false;
    p->processing();
    EXPECT_LT(p->vx, 0);
    EXPECT_EQ(p->speed, -3);
    float x1, y1, x2, y2;
    p->get_bbox(x1, y1, x2, y2, nullptr, nullptr, true);
    EXPECT_LE(x2, SCREEN_WIDTH + 1e-3f);
}

// A minute of pressing into a wall or a corner: after every tick the craft is
// inside the arena (its box as the wall test measures it), and one driven into
// a wall bounces off it rather than staying pressed on.
TEST_F(PlayerTest, CraftPressedIntoAWallOrACornerStaysInside)
{
    wall_x1 = ARENA_WALLS.x1;
    wall_y1 = ARENA_WALLS.y1;
    wall_x2 = ARENA_WALLS.x2;
    wall_y2 = ARENA_WALLS.y2;
    const int sw = p->spr->w, sh = p->spr->h;
    // knock: an enemy at this offset from the craft's centre knocks it back every tick.
    struct Case {
        const char* what;
        float x, y, angle;
        bool gas, reverse;
        float knock_dx, knock_dy;
    } cases[] = {
        {"gas straight up into the top wall", 300, ARENA_WALLS.y1 + 20.0f, 0, true, false, 0, 0},
        {"reversing straight down into the bottom wall", 300, ARENA_WALLS.y2 - sh - 20.0f, 0, false, true, 0, 0},
        {"gas turned into the top-right corner", ARENA_WALLS.x2 - sw - 20.0f, ARENA_WALLS.y1 + 20.0f, 32, true, false,
            0, 0},
        {"knocked up and right into the corner", ARENA_WALLS.x2 - sw - 20.0f, ARENA_WALLS.y1 + 20.0f, 0, false, false,
            -30, 6},
        {"knocked down and right into the corner", ARENA_WALLS.x2 - sw - 20.0f, ARENA_WALLS.y2 - sh - 20.0f, 0, false,
            false, -30, -25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        p->reset_hp();
        p->set(c.x, c.y);
        p->angle = c.angle;
        in = Controls();
        in.gas = c.gas;
        in.reverse = c.reverse;
        float worst = 0, furthest = 0;
        bool touched = false;
        for (int t = 0; t < 60 * 60; t++) {
            p->input(in);
            p->processing();
            if (c.knock_dx != 0 || c.knock_dy != 0)
                p->crash_from(cx() + c.knock_dx, cy() + c.knock_dy);
            float x1 = p->x, y1 = p->y, x2 = p->x + sw, y2 = p->y + sh;
            if (p->angle != 0)
                p->get_bbox(x1, y1, x2, y2, nullptr, nullptr, true);
            const float gap = std::min({x1 - wall_x1, y1 - wall_y1, wall_x2 - x2, wall_y2 - y2});
            worst = std::min(worst, gap);
            touched = touched || gap <= 0;
            if (touched)
                furthest = std::max(furthest, gap);
        }
        EXPECT_TRUE(touched);
        EXPECT_GE(worst, -1e-3f);
        // Driven into a wall, the craft turns round and leaves it again.
        if (c.gas || c.reverse) {
            EXPECT_GT(furthest, 10.0f);
        }
    }
}

TEST_F(PlayerTest, GunHeatsOverEightQuickShotsAndBlocksFor250Ticks)
{
    p->processing();  // heading from the angle
    const int shots0 = effect_count[SND_PLAYER_SHOT];
    for (int i = 1; i <= 7; i++) {
        p->shoot();
        ticks(5);  // quick: inside the 30-tick cooldown, so no cooling
    }
    EXPECT_NEAR(p->gun_temp, 0.91f, 1e-5f);
    EXPECT_EQ(p->gun_cooldown, 25);
    EXPECT_EQ(screen_msg_counter, 0);
    EXPECT_EQ(count_projectiles(false), 7);
    EXPECT_EQ(effect_count[SND_PLAYER_SHOT], shots0 + 7);

    p->shoot();
    EXPECT_EQ(p->gun_temp, 1.0f);
    EXPECT_EQ(p->gun_cooldown, 250);
    EXPECT_STREQ(screen_msg_buf, "Watch your gun temperature!!");
    EXPECT_EQ(screen_msg_counter, 200);
    EXPECT_EQ(count_projectiles(false), 8);
    EXPECT_TRUE(PLAYER::gun_temp_warning);

    // Blocked for 250 ticks, then one tick of cooling frees it.
    ticks(250);
    EXPECT_EQ(p->gun_temp, 1.0f);
    p->shoot();
    EXPECT_EQ(count_projectiles(false), 8);
    ticks(1);
    EXPECT_NEAR(p->gun_temp, 0.995f, 1e-6f);
    screen_msg_counter = 0;
    p->shoot();
    EXPECT_EQ(count_projectiles(false), 9);
    EXPECT_EQ(p->gun_temp, 1.0f);  // 1.125 capped: overheated again
    // The warning is shown once per run of the program.
    EXPECT_EQ(screen_msg_counter, 0);
}

TEST_F(PlayerTest, GunCoolsAfterItsCooldown)
{
    p->shoot();
    EXPECT_EQ(p->gun_cooldown, 30);
    ticks(30);
    EXPECT_NEAR(p->gun_temp, 0.13f, 1e-6f);
    ticks(1);
    EXPECT_NEAR(p->gun_temp, 0.125f, 1e-6f);
    ticks(30);
    EXPECT_EQ(p->gun_temp, 0);
    // The gauge follows at 0.02 a tick and settles on the temperature.
    EXPECT_EQ(p->gun_temp_shown, 0);
}

TEST_F(PlayerTest, GaugeFollowsTheTemperature)
{
    p->gun_temp = 0.05f;
    p->gun_cooldown = 100;
    p->processing();
    EXPECT_NEAR(p->gun_temp_shown, 0.02f, 1e-6f);
    p->processing();
    EXPECT_NEAR(p->gun_temp_shown, 0.04f, 1e-6f);
    p->processing();
    EXPECT_EQ(p->gun_temp_shown, 0.05f);
    p->gun_temp = 0.0f;
    p->processing();
    EXPECT_NEAR(p->gun_temp_shown, 0.03f, 1e-6f);
}

TEST_F(PlayerTest, ShotLeavesTheMuzzleAlongTheHeading)
{
    p->angle = 64;
    p->processing();
    p->shoot();
    ASSERT_EQ(objects.size(), 2u);
    expect_newest_shot(p, SPR_PLAYER_SHOT, 64, 12.0f, cx() + 22, cy());
}

TEST_F(PlayerTest, HoldingShootFiresOnce)
{
    in.shoot = true;
    for (int i = 0; i < 10; i++)
        p->input(in);
    EXPECT_EQ(count_projectiles(false), 1);
    in.shoot = false;
    p->input(in);
    in.shoot = true;
    p->input(in);
    EXPECT_EQ(count_projectiles(false), 2);
    in.shoot = false;
    p->input(in);
    // The joystick's Shoot button counts the same way.
    p->gun_cooldown = 0;
    in.button[p->joy_buttons[CONTROL_SHOOT]] = true;
    p->input(in);
    p->input(in);
    EXPECT_EQ(count_projectiles(false), 3);
}

TEST_F(PlayerTest, StunnedCraftNeitherShootsNorTakesHits)
{
    const int bumps0 = effect_count[SND_BUMP];
    p->hit();
    EXPECT_EQ(p->hp, 2);
    EXPECT_EQ(p->stun, 60);
    EXPECT_TRUE(p->is_stunned());
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 1);
    p->hit();
    EXPECT_EQ(p->hp, 2);
    p->shoot();
    EXPECT_EQ(count_projectiles(false), 0);
    ticks(59);
    EXPECT_EQ(p->stun, 1);
    p->hit();
    EXPECT_EQ(p->hp, 2);
    ticks(1);
    EXPECT_FALSE(p->is_stunned());

    p->hit();
    EXPECT_EQ(p->hp, 1);
    EXPECT_EQ(p->spr, data_bitmap(SPR_PLAYER_DAMAGED));
    ticks(60);
    const int lives = p->lives;
    const int deaths0 = effect_count[SND_PLAYER_DEATH];
    const int booms0 = effect_count[SND_EXPLOSION];
    p->hit();  // the third hit kills
    EXPECT_EQ(p->hp, 0);
    EXPECT_EQ(p->get_hp(), 0);
    EXPECT_EQ(p->lives, lives - 1);
    EXPECT_EQ(p->stun, 10000);
    EXPECT_EQ(p->death_count, 400);
    EXPECT_EQ(p->spr, data_bitmap(SPR_PLAYER_WRECK));
    EXPECT_EQ(effect_count[SND_PLAYER_DEATH], deaths0 + 1);
    EXPECT_EQ(effect_count[SND_EXPLOSION], booms0 + 1);
    EXPECT_EQ(effect_count[SND_BUMP], bumps0 + 2);
    EXPECT_EQ(count_projectiles(true), 300);
}

TEST_F(PlayerTest, LivesNeverGoBelowZero)
{
    p->set_lives(0);
    p->hp = 1;
    p->hit();
    EXPECT_EQ(p->lives, 0);
    int out = -5;
    p->update_lives(out);
    EXPECT_EQ(out, 0);
    p->set_lives(2);
    p->update_lives(out);
    EXPECT_EQ(out, 2);
}

TEST_F(PlayerTest, DeathFadeStarts144TicksAfterTheFatalHit)
{
    p->speed = 3;
    p->vx = 3;
    p->hp = 1;
    p->hit();
    ticks(143);
    EXPECT_EQ(d_screen_a, 0);
    EXPECT_EQ(pending_game_go, -1);
    ticks(1);
    EXPECT_EQ(d_screen_a, -1);
    EXPECT_EQ(pending_game_go, GAME_DEAD);
    EXPECT_EQ(p->death_count, 256);
    // The wreck has no drive: speed held at 0, velocity decays.
    EXPECT_EQ(p->speed, 0);
    EXPECT_LT(std::fabs(p->vx), 0.01f);
    // The counter runs on down to 0 and stops there.
    d_screen_a = 0;
    ticks(300);
    EXPECT_EQ(p->death_count, 0);
    EXPECT_EQ(d_screen_a, 0);
}

TEST_F(PlayerTest, KnockBackAndDirections)
{
    struct {
        const char* what;
        float ox, oy;
        float vx, vy;
    } crash[] = {
        {"30 left, 10 above", -30, -10, 1.5f, 0.5f},
        {"10 right, 20 below", 10, 20, -0.75f, -1.5f},
        {"straight below", 0, 5, 0, -1.5f},
        {"at the centre: no direction", 0, 0, 0, 0},
    };
    for (const auto& c : crash) {
        SCOPED_TRACE(c.what);
        p->speed = 2;
        p->crashed = false;
        p->crash_from(cx() + c.ox, cy() + c.oy);
        EXPECT_NEAR(p->vx, c.vx, 1e-6f);
        EXPECT_NEAR(p->vy, c.vy, 1e-6f);
        EXPECT_EQ(p->speed, 0);
        EXPECT_TRUE(p->crashed);
    }

    struct {
        const char* what;
        float ox, oy;
        float dx, dy;
    } delta[] = {
        {"30 right, 10 below", 30, 10, 1, 1.0f / 3},
        {"10 left, 20 above", -10, -20, -0.5f, -1},
        {"level on the left", -7, 0, -1, 0},
        {"the centre itself", 0, 0, 0, 0},
    };
    for (const auto& c : delta) {
        SCOPED_TRACE(c.what);
        float dx = 9, dy = 9;
        p->delta_from(cx() + c.ox, cy() + c.oy, dx, dy);
        EXPECT_NEAR(dx, c.dx, 1e-6f);
        EXPECT_NEAR(dy, c.dy, 1e-6f);
    }

    // From the top-left corner's point of view: a point below looks up (0),
    // a point to the left looks right (a quarter turn clockwise).
    EXPECT_NEAR(p->get_angle_towards(p->x, p->y + 100), 0, 1e-6f);
    EXPECT_NEAR(p->get_angle_towards(p->x - 100, p->y), M_PI / 2, 1e-6f);
    EXPECT_NEAR(p->get_angle_towards(p->x, p->y - 100), M_PI, 1e-6f);
}

TEST_F(PlayerTest, CrashedCraftSlidesWithoutGripUntilNearlyStopped)
{
    p->crash_from(cx() - 30, cy());  // knocked right at 1.5
    in.gas = true;
    int n = 0;
    while (p->crashed && n < 1000) {
        p->input(in);
        p->processing();
        n++;
        if (p->crashed) {
            EXPECT_EQ(p->speed, 0);
        }
    }
    // 1.5 * 0.95^n <= 0.01 first at n = 98.
    EXPECT_EQ(n, 98);
    p->input(in);
    p->processing();
    EXPECT_GT(p->speed, 0);
    EXPECT_LT(p->vy, 0);  // driving again, up the screen
}

TEST_F(PlayerTest, ResetHpAndTheConstructor)
{
    EXPECT_EQ(p->max_speed, 3.4f);
    EXPECT_EQ(p->min_speed, -1.5f);
    EXPECT_EQ(p->lives, 3);
    EXPECT_EQ(p->death_count, -1);
    EXPECT_EQ(p->traction, 1.0f);
    EXPECT_EQ(p->spr, data_bitmap(SPR_PLAYER));
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(p->joy_buttons[i], joystick_controls[i]);
    EXPECT_EQ(p->get_joy_pause_button(), joystick_controls[CONTROL_PAUSE]);
    p->hp = 1;
    p->vx = 2;
    p->speed = 1;
    p->hud_y = -63;
    p->hud_type = 3;
    p->gun_temp = 0.5f;
    p->gun_cooldown = 9;
    p->crashed = true;
    p->stun = 7;
    p->coasting = false;
    p->reset_hp();
    EXPECT_EQ(p->hp, 3);
    EXPECT_EQ(p->vx, 0);
    EXPECT_EQ(p->speed, 0);
    EXPECT_EQ(p->hud_y, 5);
    EXPECT_EQ(p->hud_type, 0);
    EXPECT_EQ(p->gun_temp, 0);
    EXPECT_EQ(p->gun_cooldown, 0);
    EXPECT_FALSE(p->crashed);
    EXPECT_EQ(p->stun, 0);
    EXPECT_TRUE(p->coasting);
}

TEST_F(PlayerTest, EnginePitchFollowsTheSpeed)
{
    struct {
        float speed;
        int freq;
    } cases[] = {
        {0, 500},
        {3.4f, 1000},
        {1.7f, 750},
        {-1.5f, 721},
        {0.0034f, 501},
        {-3.4f, 1000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine_frequency(c.speed, 3.4f), c.freq) << c.speed;

    p->set_engine_sound(true);
    EXPECT_EQ(engine_sound_freq, 500);
    p->speed = 1.7f;
    p->coasting = false;
    p->processing();
    EXPECT_EQ(engine_sound_freq, 750);
    p->set_engine_sound(false);
    EXPECT_EQ(engine_sound_freq, 0);
    // Deleting the craft stops the engine too.
    p->set_engine_sound(true);
    objects.remove(p);
    delete p;
    create_count -= 1;
    player = p = nullptr;
    EXPECT_EQ(engine_sound_freq, 0);
}

TEST_F(PlayerTest, ExtraLifeMarkerAndDeathSparks)
{
    const int lives = p->lives;
    const int ups0 = effect_count[SND_ONE_UP];
    p->one_up();
    EXPECT_EQ(p->lives, lives + 1);
    EXPECT_EQ(effect_count[SND_ONE_UP], ups0 + 1);
    PROJ* marker = dynamic_cast<PROJ*>(objects.back());
    ASSERT_NE(marker, nullptr);
    BITMAP* sign = data_bitmap(SPR_ONE_UP);
    EXPECT_EQ(marker->spr, sign);
    EXPECT_EQ(marker->owner, nullptr);
    EXPECT_EQ(marker->x, p->x - sign->w / 2);
    EXPECT_EQ(marker->y, p->y - sign->h / 2);
    EXPECT_EQ(marker->alpha, 255);
    EXPECT_EQ(marker->angle, 0);
    EXPECT_EQ(marker->speed, 1.0f);

    // Sparks draw angle, speed, green, red in that order; red is full.
    srand(1234);
    int draws[8];
    for (int& d : draws)
        d = rand();
    srand(1234);
    const size_t before = objects.size();
    p->explode(100, 50);
    ASSERT_EQ(objects.size(), before + 150);
    auto it = objects.begin();
    std::advance(it, before);
    PROJ* first = dynamic_cast<PROJ*>(*it);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->angle, static_cast<float>(draws[0] % 255));
    EXPECT_NEAR(first->speed, 1.0 + (draws[1] % 100) / 100.0, 1e-6);
    EXPECT_EQ(first->color, makecol(255, 127 + draws[2] % 128, 0));
    // The red draw is still made: the second spark starts at the fifth number.
    PROJ* second = dynamic_cast<PROJ*>(*std::next(it));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->angle, static_cast<float>(draws[4] % 255));
    EXPECT_NEAR(second->speed, 1.0 + (draws[5] % 100) / 100.0, 1e-6);
    EXPECT_EQ(second->color, makecol(255, 127 + draws[6] % 128, 0));
    for (; it != objects.end(); ++it) {
        PROJ* s = dynamic_cast<PROJ*>(*it);
        ASSERT_NE(s, nullptr);
        EXPECT_TRUE(s->spark);
        EXPECT_EQ(s->owner, nullptr);
        EXPECT_EQ(s->x, 100);
        EXPECT_EQ(s->y, 50);
        EXPECT_EQ(getr(s->color), 255);
        EXPECT_EQ(getb(s->color), 0);
        EXPECT_GE(getg(s->color), 127);
        EXPECT_LE(getg(s->color), 254);
    }

    // The death burst: two explosions 6 pixels ahead of and behind the centre.
    p->angle = 64;
    p->processing();
    const size_t before2 = objects.size();
    p->explode();
    ASSERT_EQ(objects.size(), before2 + 300);
    auto a = objects.begin();
    std::advance(a, before2);
    auto b = a;
    std::advance(b, 150);
    EXPECT_NEAR((*a)->x, cx() + 6, 1e-4f);
    EXPECT_NEAR((*a)->y, cy(), 1e-4f);
    EXPECT_NEAR((*b)->x, cx() - 6, 1e-4f);
    EXPECT_NEAR((*b)->y, cy(), 1e-4f);
}

// A craft that has turned one way for long (its angle is never wrapped) is
// drawn as at the same angle within one turn, either way round.
TEST_F(PlayerTest, CraftTurnedManyTimesIsDrawnAsWithinOneTurn)
{
    p->set(300, 200);
    BITMAP* expect = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    for (float a : {40.0f + 150 * 256, 40.0f - 150 * 256}) {
        p->angle = 40;
        clear_to_color(buffer, 0);
        p->draw();
        blit(buffer, expect, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        p->angle = a;
        clear_to_color(buffer, 0);
        p->draw();
        int differ = 0;
        for (int yy = 180; yy < 280; yy++)
            for (int xx = 280; xx < 380; xx++)
                differ += getpixel(buffer, xx, yy) != getpixel(expect, xx, yy);
        EXPECT_EQ(differ, 0) << "angle " << a;
    }
    destroy_bitmap(expect);
}

TEST_F(PlayerTest, StunnedCraftBlinksAndTheWreckAlwaysShows)
{
    p->set(300, 200);
    auto drawn = [&]() {
        clear_to_color(buffer, makecol(1, 2, 3));
        p->draw();
        for (int yy = 190; yy < 260; yy++)
            for (int xx = 290; xx < 360; xx++)
                if (getpixel(buffer, xx, yy) != makecol(1, 2, 3))
                    return true;
        return false;
    };
    PLAYER::skip = false;
    fpscounter = 2;
    EXPECT_TRUE(drawn());  // not stunned: always drawn
    p->stun = 10;
    fpscounter = 3;  // odd clock flips the phase: skip
    EXPECT_FALSE(drawn());
    fpscounter = 4;  // even: phase kept
    EXPECT_FALSE(drawn());
    fpscounter = 5;
    EXPECT_TRUE(drawn());
    p->hp = 0;  // the wreck ignores the blink
    p->spr = data_bitmap(SPR_PLAYER_WRECK);
    fpscounter = 7;
    EXPECT_TRUE(drawn());
    EXPECT_TRUE(PLAYER::skip);
    fpscounter = 0;
}

}  // namespace
