// Details of the things in play that a player feels but that are easy to get
// subtly wrong: which way an enemy's touch knocks the craft, when a car turns
// round at a wall and when it picks a new goal, what is drawn over what, and
// how loud each enemy sound is.
#include "test_enemy_fixture.h"
#include "pacing.h"
#include <map>
#include <vector>

namespace {

// The craft at (200, 200), centre (210, 210), not recovering from a hit.
void craft_at_200()
{
    player->set(200, 200);
    player->hp = 3;
    player->stun = 0;
    player->vx = player->vy = 0;
    player->crashed = false;
}

struct KnockCase {
    const char* what;
    ENEMY::TYPE type;
    float x, y;
    float vx, vy;  // the craft's knock-back: away from the enemy's box centre at 1.5
};

TEST_F(EnemyTest, ATouchKnocksTheCraftAwayFromTheEnemysBoxCentre)
{
    const KnockCase cases[] = {
        // Box centre (215, 205): right of the craft's centre and above it,
        // although the corner (205, 195) is left of it.
        {"walker up and right", ENEMY::ET_GUY, 205, 195, -1.5f, 1.5f},
        // Box centre (202, 214).
        {"walker down and left", ENEMY::ET_GUY, 192, 204, 1.5f, -0.75f},
        // 32x16 car, box centre (206, 213).
        {"car", ENEMY::ET_CAR, 190, 205, 1.5f, -1.125f},
        // A landed turd is held by its centre (200, 200) but pushes from
        // (x + w/2, y + h/2) all the same: (212, 206).
        {"turd 24x12", ENEMY::ET_TURD, 200, 200, -0.75f, 1.5f},
    };
    for (const KnockCase& c : cases) {
        SCOPED_TRACE(c.what);
        craft_at_200();
        ENEMY* e = add(c.type, c.x, c.y);
        e->active = true;
        if (c.type == ENEMY::ET_GUY)
            e->frame = SPR_GUY_WALK_1;
        if (c.type == ENEMY::ET_TURD) {
            e->drop = 0;
            e->w = 24;
            e->h = 12;
        }
        tick();
        EXPECT_FLOAT_EQ(player->vx, c.vx);
        EXPECT_FLOAT_EQ(player->vy, c.vy);
        EXPECT_TRUE(player->crashed);
        e->dead();
        tick();
    }
}

TEST_F(EnemyTest, ACarTurnsRoundAtAWallOnlyWhileDriving)
{
    struct {
        const char* what;
        float speed;
        float timer1;
        float speed_after;
        float timer1_after;
    } cases[] = {
        {"driving at full speed: reverses and backs for 200 ticks", 1.0f, 0, -1.0f, 200},
        {"already backing: carries on backing", -0.5f, 50, -0.5f, 49},
        {"backing slowly: backs a little faster, no new reversal", -0.3f, 10, -0.301f, 9},
    };
    game_started = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ENEMY* car = add(ENEMY::ET_CAR, -2, 200);  // over the left wall
        car->active = true;
        car->target_angle = 10;
        car->speed = c.speed;
        car->timer1 = c.timer1;
        fpscounter = 100;
        tick();
        EXPECT_FLOAT_EQ(car->speed, c.speed_after);
        EXPECT_EQ(car->timer1, c.timer1_after);
        car->dead();
        tick();
    }
}

TEST_F(EnemyTest, ACarInTheMiddlePicksANewGoalEvery240Ticks)
{
    game_started = true;
    ENEMY* car = add(ENEMY::ET_CAR, 300, 230);
    car->active = true;
    car->target_angle = 10;
    std::vector<int> new_goals;
    while (fpscounter < 500) {
        // Held in the middle of the arena, away from walls and the centre-seeking box.
        car->set(300, 230);
        car->speed = 0;
        const float goal = car->target_angle;
        tick();
        if (car->target_angle != goal)
            new_goals.push_back(fpscounter);
    }
    EXPECT_EQ(new_goals, (std::vector<int> {240, 480}));
}

// What lies on top where two things overlap.
TEST_F(EnemyTest, GroundMarksAndTheHudPanelLieUnderWhatIsDrawnLater)
{
    const int bg = makecol(100, 100, 100);
    clear_to_color(buffer, bg);
    // An opaque ball at its ground line: its mark (20x6 at the ground line)
    // is drawn after the body and covers the body's top rows.
    ENEMY* ball = add(ENEMY::ET_BALL, 100, 100);
    ball->alpha = 255;
    ball->alpha_step = 0;
    ball->draw();
    EXPECT_EQ(getpixel(buffer, 105, 102), stand_in_color(SPR_SHADOW_LOW)) << "the mark over the body";
    EXPECT_EQ(getpixel(buffer, 105, 110), stand_in_color(SPR_BALL));

    // The HUD's red panel goes under its pictures: they keep their own colours.
    FONT* game_font = mainfont;
    mainfont = font;
    clear_to_color(buffer, bg);
    player->hud_type = 2;
    player->hud_y = 5;
    player->draw_hud();
    EXPECT_EQ(getpixel(buffer, 10, 12), stand_in_color(BMP_HUD_HP_LABEL));
    EXPECT_EQ(getpixel(buffer, 177, 11), stand_in_color(BMP_HUD_HEAT_ICON));
    EXPECT_EQ(getpixel(buffer, 257, 11), stand_in_color(BMP_HUD_LIVES_ICON));
    EXPECT_NE(getpixel(buffer, 100, 38), bg) << "the panel is there";
    mainfont = game_font;
}

struct SoundCase {
    const char* what;
    int sample;
    int volume, pitch;
    std::function<void()> cause;
};

TEST_F(EnemyTest, EachEnemySoundAtItsVolumeAndPitch)
{
    auto killed = [this](ENEMY::TYPE type) {
        return [this, type] {
            ENEMY* e = add(type, 300, 300);
            e->hp = 1;
            e->hit();
        };
    };
    auto risen = [this](ENEMY::TYPE type, int last_rise_frame, int ticks_per_frame) {
        return [this, type, last_rise_frame, ticks_per_frame] {
            ENEMY* e = add(type, 300, 300);
            e->frame = last_rise_frame;
            fpscounter = ticks_per_frame - 1;
            tick();
        };
    };
    const SoundCase cases[] = {
        {"a guy rises, at half volume", SND_RISE, 128, 1000, risen(ENEMY::ET_GUY, 81, 6)},
        {"a person rises, lower", SND_RISE, 128, 700, risen(ENEMY::ET_PERSON, 42, 6)},
        {"the boss rises, full and low", SND_RISE, 255, 400, risen(ENEMY::ET_BOSS, 15, 10)},
        {"a spinner zaps the craft", SND_ZAP, 255, 1000,
            [this] {
                craft_at_200();
                ENEMY* e = add(ENEMY::ET_SPINNER, 200, 200);
                e->alpha = 255;
                e->alpha_step = 0;
                e->active = true;
                tick();
            }},
        {"a spitter spits", SND_SPIT, 255, 1000,
            [this] {
                game_started = true;
                add(ENEMY::ET_SPITTER, 300, 0)->active = true;
                fpscounter = 198;
                tick();  // a quiet tick clears the volley's shared sound flag
                tick();
            }},
        {"a turd dies", SND_TURD_DIES, 255, 1000, killed(ENEMY::ET_TURD)},
        {"a car explodes", SND_EXPLOSION, 255, 1000, killed(ENEMY::ET_CAR)},
        {"a chase car explodes", SND_EXPLOSION, 255, 1000, killed(ENEMY::ET_CHASE_CAR)},
        {"a spitter explodes", SND_EXPLOSION, 255, 1000, killed(ENEMY::ET_SPITTER)},
        {"a ball bursts", SND_BALL_BURST, 255, 1000, killed(ENEMY::ET_BALL)},
        {"a fast ball bursts", SND_BALL_BURST, 255, 1000, killed(ENEMY::ET_FAST_BALL)},
    };
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = effect_count[c.sample];
        effect_last_volume = effect_last_pitch = -1;
        c.cause();
        EXPECT_EQ(effect_count[c.sample], before + 1);
        EXPECT_EQ(effect_last_volume, c.volume);
        EXPECT_EQ(effect_last_pitch, c.pitch);
        for (ENEMY* e : std::vector<ENEMY*>(enemies.begin(), enemies.end()))
            e->dead();
        tick();
        player->set(-1000, -1000);
    }
}

}  // namespace
