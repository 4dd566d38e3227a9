// An enemy's life outside its per-tick behaviour: starting values by type,
// being shot, dying, its sparks and the push-off used when enemies bump.
#include "enemy.h"
#include "datidx.h"
#include "registry.h"
#include "vorlin.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

const int NO_FRAME = -1;   // death leaves the frame as it is
const int NO_SOUND = -1;

const int DEATH_FADE_STEP = -5;       // 51 ticks from opaque
const int WRECK_FADE_STEP = -2;       // 128 ticks: car wrecks linger
const float BURST_SHIFT_X = 2.0f;     // a burst ball sprite sits 2 pixels left

const int SPARKS_PER_HIT = 28;

enum SparkColor { SPARK_YELLOW, SPARK_TURD, SPARK_RED, SPARK_WHITE, SPARK_SPITTER, SPARK_BLACK };

// Everything that differs by type at birth and at death; indexed by ENEMY::TYPE.
struct TypeInfo {
    int hp;
    int first_frame;
    float speed;
    float turn_rate;
    float target_angle;
    float drop;
    float drop_accel;
    bool fades_in;            // alpha 1 rising by 3 a tick
    bool centered;
    bool unkillable;
    bool knocks_back;
    int overlay;              // archive object of the starting overlay, or -1
    bool overlay_alpha;
    bool random_move_angle;   // a random crawl or roll direction
    bool ground_line;         // base_y follows y (balls)
    int death_frame;
    int death_sound;
    int death_fade_step;
    bool death_shift;
    SparkColor spark_color;
    int sparks_alive;
    int sparks_dead;
};

const float NO_TURN = 0.0f;
const float SPINNER_TARGET = 1000000.0f;   // reached only after 250000 ticks: it spins all its life
const float TURD_DROP_ACCEL = 0.05f;

const TypeInfo TYPE_INFO[ENEMY::NUM_TYPES] = {
    // hp  frame                speed turn  target          drop             accel            fade   cent   unkil  knock  overlay         o_alpha rnd    ground death_frame          death_sound      death_fade       shift  sparks         alive dead
    {  2, SPR_TURD,           0.0f, NO_TURN, 0.0f,          ENEMY_START_DROP, TURD_DROP_ACCEL, false, true,  false, true,  -1,             false, true,  false, NO_FRAME,            SND_TURD_DIES,  DEATH_FADE_STEP, false, SPARK_TURD,    28, 28 },
    {  1, SPR_GUY_1,          0.0f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, NO_FRAME,            NO_SOUND,       DEATH_FADE_STEP, false, SPARK_RED,     28, 28 },
    { 20, SPR_CAR,            0.0f, 1.0f,    0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, SPR_WRECK,           SND_EXPLOSION,  WRECK_FADE_STEP, false, SPARK_YELLOW,  28, 150 },
    {  1, SPR_SPIKE_1,        0.0f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, true,  false, -1,             false, false, false, NO_FRAME,            NO_SOUND,       DEATH_FADE_STEP, false, SPARK_YELLOW,  28, 28 },
    {  3, SPR_BALL,           0.2f, NO_TURN, 0.0f,          0.0f,            0.0f,            true,  false, false, true,  SPR_SHADOW_LOW, false, true,  true,  SPR_BALL_BURST,      SND_BALL_BURST, DEATH_FADE_STEP, true,  SPARK_YELLOW,  28, 28 },
    {  3, SPR_FAST_BALL,      0.4f, NO_TURN, 0.0f,          0.0f,            0.0f,            true,  false, false, true,  SPR_SHADOW_LOW, false, true,  true,  SPR_FAST_BALL_BURST, SND_BALL_BURST, DEATH_FADE_STEP, true,  SPARK_YELLOW,  28, 28 },
    {  1, SPR_STALKER_1,      0.5f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, SPR_STALKER_3,       NO_SOUND,       DEATH_FADE_STEP, false, SPARK_WHITE,   28, 80 },
    { 16, SPR_SPITTER,        0.0f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, SPR_SPITTER_DEAD,    SND_EXPLOSION,  DEATH_FADE_STEP, false, SPARK_SPITTER, 28, 150 },
    {  1, SPR_SPINNER,        0.0f, 4.0f,    SPINNER_TARGET, 0.0f,           0.0f,            true,  false, false, true,  -1,             true,  false, false, NO_FRAME,            NO_SOUND,       DEATH_FADE_STEP, false, SPARK_YELLOW,  28, 28 },
    {  1, SPR_PERSON_1,       0.0f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, NO_FRAME,            NO_SOUND,       DEATH_FADE_STEP, false, SPARK_RED,     28, 28 },
    { 15, SPR_CHASE_CAR,      0.0f, 2.0f,    0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, SPR_WRECK,           SND_EXPLOSION,  WRECK_FADE_STEP, false, SPARK_YELLOW,  28, 150 },
    { 60, SPR_BOSS_1,         0.0f, NO_TURN, 0.0f,          0.0f,            0.0f,            false, false, false, true,  -1,             false, false, false, SPR_BOSS_DEAD,       NO_SOUND,       DEATH_FADE_STEP, false, SPARK_BLACK,   50, 500 },
};

const int FADE_IN_START_ALPHA = 1;
const int FADE_IN_STEP = 3;               // 85 ticks to opaque

const int CHASE_CAR_HITS_TO_TURN = 3;
const float CHASE_CAR_TURN_AWAY = 128.0f;          // half a turn
const float CHASE_CAR_NO_HOMING_TICKS = 120.0f;

const float PUSH_OFF_SPEED = 1.5f;

const TypeInfo* info_of(ENEMY::TYPE type)
{
    if (type < 0 || type >= ENEMY::NUM_TYPES)
        return nullptr;
    return &TYPE_INFO[type];
}

} // namespace

ENEMY::ENEMY(ENEMY::TYPE t, float px, float py)
    : type(t), overlay(nullptr), hp(0), frame(0), drop(0), drop_speed(0), drop_accel(0),
      speed(0), dx(0), dy(0), turn_rate(0), target_angle(0), heading(0), timer1(0), timer2(0),
      hits(0), move_angle(0), base_y(0), alpha(ENEMY_OPAQUE), alpha_step(0), unkillable(false),
      knocks_back(true), overlay_alpha(false)
{
    spr = nullptr;
    frame = 0;
    set(px, py);
    init();
}

ENEMY::~ENEMY() = default;

void ENEMY::init()
{
    hp = 1;
    dx = dy = 0;
    drop = drop_speed = drop_accel = 0;
    alpha = ENEMY_OPAQUE;
    alpha_step = 0;
    turn_rate = target_angle = heading = 0;
    centered = false;
    unkillable = false;
    knocks_back = true;
    base_y = 0;
    overlay = nullptr;
    overlay_alpha = false;
    speed = timer1 = timer2 = hits = move_angle = 0;

    if (const TypeInfo* ti = info_of(type)) {
        hp = ti->hp;
        frame = ti->first_frame;
        speed = ti->speed;
        turn_rate = ti->turn_rate;
        target_angle = ti->target_angle;
        drop = ti->drop;
        drop_accel = ti->drop_accel;
        centered = ti->centered;
        unkillable = ti->unkillable;
        knocks_back = ti->knocks_back;
        overlay_alpha = ti->overlay_alpha;
        if (ti->overlay >= 0)
            overlay = data_bitmap(ti->overlay);
        if (ti->fades_in) {
            alpha = FADE_IN_START_ALPHA;
            alpha_step = FADE_IN_STEP;
        }
        if (ti->random_move_angle)
            move_angle = (rand() % 628) / 100.0;   // whole hundredths of a radian, 0.00..6.27
        if (ti->ground_line)
            base_y = y;
    }
    spr = data_bitmap(frame);
}

void ENEMY::hit()
{
    if (!unkillable)
        hp -= 1;

    if (type == ET_CHASE_CAR && timer2 == 0) {
        hits += 1;
        if (hits >= CHASE_CAR_HITS_TO_TURN) {
            hits = 0;
            timer2 = CHASE_CAR_NO_HOMING_TICKS;
            target_angle += CHASE_CAR_TURN_AWAY;
        }
    }

    if (hp > 0)
        return;
    hp = 0;
    active = false;
    alpha_step = DEATH_FADE_STEP;
    const TypeInfo* ti = info_of(type);
    if (!ti)
        return;
    if (ti->death_frame != NO_FRAME)
        frame = ti->death_frame;
    if (ti->death_sound != NO_SOUND)
        play_effect(ti->death_sound);
    alpha_step = ti->death_fade_step;
    if (ti->death_shift)
        x -= BURST_SHIFT_X;
}

void ENEMY::dead()
{
    enabled = false;
    for (auto it = enemies.begin(); it != enemies.end(); ++it) {
        if (*it == this) {
            enemies.erase(it);
            break;
        }
    }
}

int ENEMY::get_color()
{
    const TypeInfo* ti = info_of(type);
    switch (ti ? ti->spark_color : SPARK_YELLOW) {
    case SPARK_TURD:
        return makecol(150, 30, 30);
    case SPARK_RED:
        return makecol(255, 0, 0);
    case SPARK_WHITE:
        return makecol(255, 255, 255);
    case SPARK_BLACK:
        return 0;
    case SPARK_SPITTER:
        if ((rand() & 1) == 0)
            return makecol(255, 255, 0);
        else {
            int g = rand() % 128 + 127;
            return makecol(g, g, g);
        }
    case SPARK_YELLOW:
        break;
    }
    return makecol(255, 255, 0);
}

int ENEMY::get_num_sparks() const
{
    const TypeInfo* ti = info_of(type);
    if (!ti)
        return SPARKS_PER_HIT;
    return hp == 0 ? ti->sparks_dead : ti->sparks_alive;
}

void ENEMY::delta_from(float px, float py)
{
    float ex = (x + box_w() / 2) - px;
    float ey = (y + box_h() / 2) - py;
    float m = std::max(std::fabs(ex), std::fabs(ey));
    if (m == 0) {
        // Pushed from its own centre there is no way out: stand still.
        dx = dy = 0;
        return;
    }
    dx = ex / m * PUSH_OFF_SPEED;
    dy = ey / m * PUSH_OFF_SPEED;
}
