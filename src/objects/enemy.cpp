// An enemy's life outside its per-tick behaviour: starting values by type,
// being shot, dying, its sparks and the push-off used when enemies bump.
#include "enemy.h"
#include "datidx.h"
#include "registry.h"
#include "engine.h"
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace {

const int NO_FRAME = -1;  // death leaves the frame as it is
const int NO_SOUND = -1;

const int DEATH_FADE_STEP = -5;    // 51 ticks from opaque
const int WRECK_FADE_STEP = -2;    // 128 ticks: car wrecks linger
const float BURST_SHIFT_X = 2.0f;  // a burst ball sprite sits 2 pixels left

const int SPARKS_PER_HIT = 28;

enum SparkColor { SPARK_YELLOW, SPARK_TURD, SPARK_RED, SPARK_WHITE, SPARK_SPITTER, SPARK_BLACK };

// How a type starts out (flags of Birth::start).
enum StartFlag {
    FADES_IN = 1,            // alpha starts at 1 and rises by 3 a tick
    CENTERED = 2,            // (x, y) is the centre of the box
    UNKILLABLE = 4,          // shots pass through; hits cost nothing
    NO_KNOCK_BACK = 8,       // touching the player does not knock it away
    OVERLAY_ALPHA = 16,      // the overlay is drawn over the body with the alpha blender
    RANDOM_MOVE_ANGLE = 32,  // a random crawl or roll direction, drawn once
    GROUND_LINE = 64,        // base_y starts at y (a ball's ground mark)
    STARTS_AT_SPEED = 128,   // speed starts at the type's speed (else 0: cars build it up)
};

// A type at birth: the starting values init() gives it and what sets it apart
// outside the behaviour switch. Fields not listed start at the common defaults.
struct Birth {
    ENEMY::TYPE type;    // the row's own type, checked against its place
    int hp;              // hit points
    int first_frame;     // archive object of the first sprite
    float speed;         // the type's one speed: walking, rolling, crawling, spinning or top driving speed
    float turn_rate;     // angle units per tick toward target_angle
    float target_angle;  // 256ths of a turn
    float drop;          // starting height above the ground
    float drop_accel;    // fall acceleration
    int overlay;         // archive object of the starting overlay, or -1
    int start;           // StartFlag bits
    int traits;          // ENEMY::TRAIT bits
};

// A type when shot and when killed.
struct Death {
    ENEMY::TYPE type;   // the row's own type, checked against its place
    int frame;          // sprite after the killing hit, or NO_FRAME
    int sound;          // sample of the killing hit, or NO_SOUND
    int fade_step;      // alpha change per tick while dying
    bool shift;         // the burst sprite sits 2 pixels left
    SparkColor sparks;  // colour of the sparks of every hit
    int sparks_alive;   // sparks of a hit it survives
    int sparks_dead;    // sparks of the killing hit
};

const float NO_TURN = 0.0f;
const float SPINNER_TARGET = 1000000.0f;  // reached only after 250000 ticks: it spins all its life
const float TURD_DROP_ACCEL = 0.05f;
const int NO_OVERLAY = -1;

// One row per ENEMY::TYPE, in its order (checked below).
constexpr Birth BIRTH[] = {
    // type  hp  first frame  speed  turn rate  target  drop  drop accel  overlay
    // start flags, traits
    {ENEMY::ET_TURD, 2, SPR_TURD, 1.0f, NO_TURN, 0.0f, ENEMY_START_DROP, TURD_DROP_ACCEL, NO_OVERLAY,
        CENTERED | RANDOM_MOVE_ANGLE, 0},
    {ENEMY::ET_GUY, 1, SPR_GUY_1, 0.5f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, 0},
    {ENEMY::ET_CAR, 20, SPR_CAR, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, 0},
    {ENEMY::ET_SPIKE, 1, SPR_SPIKE_1, 0.0f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, UNKILLABLE | NO_KNOCK_BACK, 0},
    {ENEMY::ET_BALL, 3, SPR_BALL, 0.2f, NO_TURN, 0.0f, 0.0f, 0.0f, SPR_SHADOW_LOW,
        FADES_IN | RANDOM_MOVE_ANGLE | GROUND_LINE | STARTS_AT_SPEED, 0},
    {ENEMY::ET_FAST_BALL, 3, SPR_FAST_BALL, 0.4f, NO_TURN, 0.0f, 0.0f, 0.0f, SPR_SHADOW_LOW,
        FADES_IN | RANDOM_MOVE_ANGLE | GROUND_LINE | STARTS_AT_SPEED, 0},
    {ENEMY::ET_STALKER, 1, SPR_STALKER_1, 0.5f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, STARTS_AT_SPEED, 0},
    {ENEMY::ET_SPITTER, 16, SPR_SPITTER, 0.0f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, ENEMY::TRAIT_ON_TOP_WALL},
    {ENEMY::ET_SPINNER, 1, SPR_SPINNER, 2.0f, 4.0f, SPINNER_TARGET, 0.0f, 0.0f, NO_OVERLAY, FADES_IN | OVERLAY_ALPHA,
        ENEMY::TRAIT_TURNS_WHILE_INACTIVE | ENEMY::TRAIT_ZAPS},
    {ENEMY::ET_PERSON, 1, SPR_PERSON_1, 1.5f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, 0},
    {ENEMY::ET_CHASE_CAR, 15, SPR_CHASE_CAR, 1.5f, 2.0f, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, ENEMY::TRAIT_TURNS_AWAY},
    {ENEMY::ET_BOSS, 60, SPR_BOSS_1, 2.5f, NO_TURN, 0.0f, 0.0f, 0.0f, NO_OVERLAY, 0, 0},
};

// One row per ENEMY::TYPE, in its order (checked below).
constexpr Death DEATH[] = {
    // type  frame               sound           fade step        shift  spark colour   alive           dead
    {ENEMY::ET_TURD, NO_FRAME, SND_TURD_DIES, DEATH_FADE_STEP, false, SPARK_TURD, SPARKS_PER_HIT, SPARKS_PER_HIT},
    {ENEMY::ET_GUY, NO_FRAME, NO_SOUND, DEATH_FADE_STEP, false, SPARK_RED, SPARKS_PER_HIT, SPARKS_PER_HIT},
    {ENEMY::ET_CAR, SPR_WRECK, SND_EXPLOSION, WRECK_FADE_STEP, false, SPARK_YELLOW, SPARKS_PER_HIT, 150},
    {ENEMY::ET_SPIKE, NO_FRAME, NO_SOUND, DEATH_FADE_STEP, false, SPARK_YELLOW, SPARKS_PER_HIT, SPARKS_PER_HIT},
    {ENEMY::ET_BALL, SPR_BALL_BURST, SND_BALL_BURST, DEATH_FADE_STEP, true, SPARK_YELLOW, SPARKS_PER_HIT,
        SPARKS_PER_HIT},
    {ENEMY::ET_FAST_BALL, SPR_FAST_BALL_BURST, SND_BALL_BURST, DEATH_FADE_STEP, true, SPARK_YELLOW, SPARKS_PER_HIT,
        SPARKS_PER_HIT},
    {ENEMY::ET_STALKER, SPR_STALKER_3, NO_SOUND, DEATH_FADE_STEP, false, SPARK_WHITE, SPARKS_PER_HIT, 80},
    {ENEMY::ET_SPITTER, SPR_SPITTER_DEAD, SND_EXPLOSION, DEATH_FADE_STEP, false, SPARK_SPITTER, SPARKS_PER_HIT, 150},
    {ENEMY::ET_SPINNER, NO_FRAME, NO_SOUND, DEATH_FADE_STEP, false, SPARK_YELLOW, SPARKS_PER_HIT, SPARKS_PER_HIT},
    {ENEMY::ET_PERSON, NO_FRAME, NO_SOUND, DEATH_FADE_STEP, false, SPARK_RED, SPARKS_PER_HIT, SPARKS_PER_HIT},
    {ENEMY::ET_CHASE_CAR, SPR_WRECK, SND_EXPLOSION, WRECK_FADE_STEP, false, SPARK_YELLOW, SPARKS_PER_HIT, 150},
    {ENEMY::ET_BOSS, SPR_BOSS_DEAD, NO_SOUND, DEATH_FADE_STEP, false, SPARK_BLACK, 50, 500},
};

// Each row sits at its own type's place, and every type has one: a missing,
// extra or misplaced row stops the build.
template <typename Row, std::size_t N> constexpr bool one_row_per_type(const Row (&rows)[N])
{
    if (N != static_cast<std::size_t>(ENEMY::NUM_TYPES))
        return false;
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].type != static_cast<ENEMY::TYPE>(i))
            return false;
    return true;
}
static_assert(one_row_per_type(BIRTH), "BIRTH needs one row per enemy type, in type order");
static_assert(one_row_per_type(DEATH), "DEATH needs one row per enemy type, in type order");

const int FADE_IN_START_ALPHA = 1;
const int FADE_IN_STEP = 3;  // 85 ticks to opaque

const int CHASE_CAR_HITS_TO_TURN = 3;
const float CHASE_CAR_TURN_AWAY = 128.0f;  // half a turn
const float CHASE_CAR_NO_HOMING_TICKS = 120.0f;

const float PUSH_OFF_SPEED = 1.5f;

bool known(ENEMY::TYPE type)
{
    return type >= 0 && type < ENEMY::NUM_TYPES;
}
const Birth* birth_of(ENEMY::TYPE type)
{
    return known(type) ? &BIRTH[type] : nullptr;
}
const Death* death_of(ENEMY::TYPE type)
{
    return known(type) ? &DEATH[type] : nullptr;
}

}  // namespace

ENEMY::ENEMY(ENEMY::TYPE t, float px, float py)
    : type(t)
    , overlay(nullptr)
    , hp(0)
    , frame(0)
    , drop(0)
    , drop_speed(0)
    , drop_accel(0)
    , speed(0)
    , dx(0)
    , dy(0)
    , turn_rate(0)
    , target_angle(0)
    , heading(0)
    , timer1(0)
    , timer2(0)
    , hits(0)
    , move_angle(0)
    , base_y(0)
    , alpha(ENEMY_OPAQUE)
    , alpha_step(0)
    , unkillable(false)
    , knocks_back(true)
    , overlay_alpha(false)
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

    if (const Birth* b = birth_of(type)) {
        hp = b->hp;
        frame = b->first_frame;
        if (b->start & STARTS_AT_SPEED)
            speed = b->speed;
        turn_rate = b->turn_rate;
        target_angle = b->target_angle;
        drop = b->drop;
        drop_accel = b->drop_accel;
        centered = (b->start & CENTERED) != 0;
        unkillable = (b->start & UNKILLABLE) != 0;
        knocks_back = (b->start & NO_KNOCK_BACK) == 0;
        overlay_alpha = (b->start & OVERLAY_ALPHA) != 0;
        if (b->overlay != NO_OVERLAY)
            overlay = data_bitmap(b->overlay);
        if (b->start & FADES_IN) {
            alpha = FADE_IN_START_ALPHA;
            alpha_step = FADE_IN_STEP;
        }
        if (b->start & RANDOM_MOVE_ANGLE)
            move_angle = (rand() % 628) / 100.0;  // whole hundredths of a radian, 0.00..6.27
        if (b->start & GROUND_LINE)
            base_y = y;
    }
    spr = data_bitmap(frame);
}

void ENEMY::hit()
{
    if (!unkillable)
        hp -= 1;

    if (has_trait(TRAIT_TURNS_AWAY) && timer2 == 0) {
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
    const Death* d = death_of(type);
    if (!d)
        return;
    if (d->frame != NO_FRAME)
        frame = d->frame;
    if (d->sound != NO_SOUND)
        play_effect(d->sound);
    alpha_step = d->fade_step;
    if (d->shift)
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
    const Death* d = death_of(type);
    switch (d ? d->sparks : SPARK_YELLOW) {
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
    const Death* d = death_of(type);
    if (!d)
        return SPARKS_PER_HIT;
    return hp == 0 ? d->sparks_dead : d->sparks_alive;
}

bool ENEMY::has_trait(TRAIT t) const
{
    const Birth* b = birth_of(type);
    return b && (b->traits & t) != 0;
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

float ENEMY::own_speed() const
{
    const Birth* b = birth_of(type);
    return b ? b->speed : 0.0f;
}
