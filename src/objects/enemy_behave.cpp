// One logic tick of an enemy: the frame every type shares, with each type's
// behaviour in its middle.
#include "enemy.h"
#include "datidx.h"
#include "arena.h"
#include "player.h"
#include "projectile.h"
#include "registry.h"
#include "engine.h"
#include "pacing.h"
#include <cmath>
#include <cstdlib>

namespace {

const double PI = 3.141592653589793;

const int DROP_BOX_FACTOR = 4;  // a falling box is up to five times the sprite

// Clock multiples at which periodic steps run (they follow the level clock,
// not the enemy's age).
const int WALKER_RISE_EVERY_TICKS = 6;
const int WALKER_TURN_EVERY_TICKS = 30;
const int WALK_ANIM_EVERY_TICKS = 10;
const int BOSS_RISE_EVERY_TICKS = 10;
const int SPIKE_ANIM_EVERY_TICKS = 12;
const int STALKER_ANIM_EVERY_TICKS = 5;
const int SPIT_VOLLEY_EVERY_TICKS = 200;
const int SPITTER_SHUT_EVERY_TICKS = 210;
const int SPIT_CHANCE_EVERY_TICKS = 120;
const int CAR_NEW_GOAL_EVERY_TICKS = 240;
const int ZAP_ANIM_EVERY_TICKS = 3;

const float RISE_JUMP = 8.0f;  // a risen walker steps out of its hole
const float FIRST_WALK_SPEED = 1.0f;
const int RISE_VOLUME = 128;
const int GUY_RISE_PITCH = EFFECT_NORMAL_PITCH;
const int PERSON_RISE_PITCH = 700;

const float BOSS_JUMP_X = 74.0f;
const float BOSS_JUMP_Y = 3.0f;
const int BOSS_RISE_VOLUME = EFFECT_FULL_VOLUME;
const int BOSS_RISE_PITCH = 400;

const int SPIKE_LAST_FRAME = 112;
const int STALKER_LAST_FORMING_FRAME = 51;

const float SPIT_ANGLE = 128.0f;  // straight down
const float SPIT_SPEED = 12.0f;

// Cars keep to the middle box and head back to (320, 240) when outside it.
const float CAR_BOX_X1 = 128, CAR_BOX_X2 = 512, CAR_BOX_Y1 = 96, CAR_BOX_Y2 = 384;
const float ARENA_MIDDLE_X = 320, ARENA_MIDDLE_Y = 240;
const double CAR_ACCEL = 0.01;
const double CAR_BACKING_ACCEL = 0.001;
const float CAR_FASTEST_BACKING = -0.5f;
const float CAR_BACKING_TICKS = 200.0f;

const double BALL_BOB_HEIGHT = 5.0;
const double BALL_BOB_PHASE_STEP = 0.1;
const float BALL_UP = -1.0f;  // bob offset at which the high ground mark shows

const float ZAP_TICKS = 120.0f;

bool every(int ticks)
{
    return fpscounter % ticks == 0;
}

float to_angle_units(float radians)
{
    return radians * DEGREES_PER_RADIAN * ANGLE_UNITS_PER_DEGREE;
}

}  // namespace

void ENEMY::processing()
{
    // Shared by every spitter: a volley of several spitters in one tick is heard once.
    static bool played_sound = false;

    refresh_sprite();
    x += dx;
    y += dy;
    if (base_y != 0)
        base_y += dy;
    turn_toward_target();
    if (angle != 0)
        heading = angle_to_radians(angle);
    fall();
    fade();
    touch_player();
    behave(played_sound);
    refresh_sprite();
    if (!has_trait(TRAIT_ON_TOP_WALL))
        stay_in_arena();
}

void ENEMY::refresh_sprite()
{
    spr = data_bitmap(frame);
}

// Plain numbers: the turn goes the straight numeric way and never wraps.
void ENEMY::turn_toward_target()
{
    if (angle == target_angle || !(active || has_trait(TRAIT_TURNS_WHILE_INACTIVE)))
        return;
    if (angle < target_angle) {
        angle += turn_rate;
        if (angle > target_angle)
            angle = target_angle;
    } else {
        angle -= turn_rate;
        if (angle < target_angle)
            angle = target_angle;
    }
}

void ENEMY::fall()
{
    if (drop == 0)
        return;
    drop_speed += drop_accel;
    drop -= drop_speed;
    if (drop < 0)
        drop = 0;
    int sw = spr->w, sh = spr->h;
    w = sw + (drop / ENEMY_START_DROP) * (DROP_BOX_FACTOR * sw);
    h = sh + (drop / ENEMY_START_DROP) * (DROP_BOX_FACTOR * sh);
}

void ENEMY::fade()
{
    if (alpha == 0 || alpha_step == 0)
        return;
    alpha += alpha_step;
    if (alpha <= 0) {
        alpha = 0;
        dead();
    } else if (alpha > ENEMY_OPAQUE) {
        alpha = ENEMY_OPAQUE;
        alpha_step = 0;
    }
}

void ENEMY::touch_player()
{
    if (!active || !player || !collide(player))
        return;
    float px = x + box_w() / 2, py = y + box_h() / 2;
    if (knocks_back)
        player->crash_from(px, py);
    if (has_trait(TRAIT_ZAPS) && !player->is_stunned()) {
        overlay = data_bitmap(SPR_ZAP_1);
        play_effect(SND_ZAP);
        timer1 = ZAP_TICKS;
    }
    player->hit();
}

void ENEMY::behave(bool& played_sound)
{
    switch (type) {
    case ET_TURD:
        turd_step();
        break;
    case ET_GUY:
        walker_step(SPR_GUY_WALK_1, SPR_GUY_WALK_2, GUY_RISE_PITCH);
        break;
    case ET_PERSON:
        walker_step(SPR_PERSON_WALK_1, SPR_PERSON_WALK_2, PERSON_RISE_PITCH);
        break;
    case ET_BOSS:
        boss_step();
        break;
    case ET_SPIKE:
        spike_step();
        break;
    case ET_STALKER:
        stalker_step();
        break;
    case ET_SPITTER:
        spitter_step(played_sound);
        break;
    case ET_CAR:
        car_step(false);
        break;
    case ET_CHASE_CAR:
        car_step(true);
        break;
    case ET_BALL:
    case ET_FAST_BALL:
        ball_step();
        break;
    case ET_SPINNER:
        spinner_step();
        break;
    }
}

// The left and top tests of a centred enemy hold its centre inside the wall,
// the right and bottom ones its edge.
void ENEMY::stay_in_arena()
{
    float bw = box_w();
    float bh = box_h();
    if (centered) {
        bw /= 2;
        bh /= 2;
    }
    if (x < wall_x1)
        x = wall_x1;
    if (y < wall_y1)
        y = wall_y1;
    if (x + bw > wall_x2)
        x = wall_x2 - bw;
    if (y + bh > wall_y2)
        y = wall_y2 - bh;
}

void ENEMY::pick_axis_direction(float v)
{
    if ((rand() & 1) == 0) {
        dx = (rand() & 1) == 1 ? -v : v;
        dy = 0;
    } else {
        dx = 0;
        dy = (rand() & 1) == 1 ? -v : v;
    }
}

ENEMY* ENEMY::first_enemy_touching()
{
    for (ENEMY* e : enemies)
        if (e != this && collide(e))
            return e;
    return nullptr;
}

// Driving (timer1 0) speeds up to the type's own speed; backing up slows toward
// -0.5 while timer1 counts down.
void ENEMY::steer_speed()
{
    if (timer1 == 0) {
        if (speed < own_speed())
            speed += CAR_ACCEL;
    } else {
        if (speed > CAR_FASTEST_BACKING)
            speed -= CAR_BACKING_ACCEL;
        timer1 -= 1;
        if (timer1 < 0)
            timer1 = 0;
    }
}

void ENEMY::turd_step()
{
    if (drop != 0)
        return;
    float s1 = std::sin(timer1);
    float s2 = std::sin(-timer2);
    if (!active && hp != 0)
        active = true;
    timer1 += (rand() % 50) / 1000.0;
    timer2 += (rand() % 50) / 1000.0;
    int sw = spr->w, sh = spr->h;
    w = sw + sw * 0.25 * s1;
    h = sh + sh * 0.25 * s2;
    move_angle += s2;
    dx = std::sin(move_angle) * own_speed();
    dy = -std::cos(move_angle) * own_speed();
}

// Rises a frame every `every_ticks` ticks until its first walking frame; there the enemy steps out
// of its hole by (jump_x, jump_y), comes alive with the rising sound and starts walking.
void ENEMY::rise(int every_ticks, int first_walk_frame, float jump_x, float jump_y, int volume, int pitch)
{
    if (every(every_ticks) && frame < first_walk_frame) {
        frame += 1;
        if (frame == first_walk_frame) {
            x += jump_x;
            y += jump_y;
            active = true;
            play_effect(SND_RISE, volume, pitch);
            pick_axis_direction(FIRST_WALK_SPEED);
        }
    }
}

// Turns now and then, and between turns steps its two walking frames.
void ENEMY::walk(int first_walk_frame, int second_walk_frame)
{
    if (every(WALKER_TURN_EVERY_TICKS))
        pick_axis_direction(own_speed());
    else if (every(WALK_ANIM_EVERY_TICKS))
        frame = frame == first_walk_frame ? second_walk_frame : first_walk_frame;
}

void ENEMY::walker_step(int first_walk_frame, int second_walk_frame, int rise_pitch)
{
    rise(WALKER_RISE_EVERY_TICKS, first_walk_frame, RISE_JUMP, RISE_JUMP, RISE_VOLUME, rise_pitch);
    if (!active)
        return;
    walk(first_walk_frame, second_walk_frame);
    if (ENEMY* e = first_enemy_touching())
        delta_from(e->x + e->spr->w / 2, e->y + e->spr->h / 2);
}

void ENEMY::boss_step()
{
    rise(BOSS_RISE_EVERY_TICKS, SPR_BOSS_WALK_1, BOSS_JUMP_X, BOSS_JUMP_Y, BOSS_RISE_VOLUME, BOSS_RISE_PITCH);
    if (!active)
        return;
    if (player->is_stunned())
        player->delta_from(x, y, dx, dy);
    else
        walk(SPR_BOSS_WALK_1, SPR_BOSS_WALK_2);
}

void ENEMY::spike_step()
{
    if (game_started && !active)
        active = true;
    if (every(SPIKE_ANIM_EVERY_TICKS)) {
        frame += 1;
        if (frame > SPIKE_LAST_FRAME)
            frame = SPR_SPIKE_1;
    }
}

void ENEMY::stalker_step()
{
    if (frame > STALKER_LAST_FORMING_FRAME && !active && hp != 0)
        active = true;
    if (hp != 0 && frame <= STALKER_LAST_FORMING_FRAME && every(STALKER_ANIM_EVERY_TICKS))
        frame += 1;
    if (!active)
        return;
    if (every(STALKER_ANIM_EVERY_TICKS))
        frame = frame == SPR_STALKER_MOVE_1 ? SPR_STALKER_MOVE_2 : SPR_STALKER_MOVE_1;
    speed = player->is_stunned() ? 0.0f : own_speed();
    move_angle = player->get_angle_towards(x, y);
    dx = std::sin(move_angle) * speed;
    dy = -std::cos(move_angle) * speed;
}

void ENEMY::spitter_step(bool& played_sound)
{
    if (game_started && !active && hp != 0)
        active = true;
    if (!active)
        return;
    if (every(SPIT_VOLLEY_EVERY_TICKS))
        spit(played_sound);
    else
        played_sound = false;
    if (every(SPITTER_SHUT_EVERY_TICKS) && frame != SPR_SPITTER)
        frame = SPR_SPITTER;
    if (every(SPIT_CHANCE_EVERY_TICKS) && (rand() & 1) == 0)
        spit(played_sound);
}

// The spit leaves from the middle of the mouth's bottom edge, falling straight down.
void ENEMY::spit(bool& played_sound)
{
    if (!played_sound) {
        play_effect(SND_SPIT);
        played_sound = true;
    }
    objects.push_back(new PROJ(this, data_bitmap(SPR_SPIT), x + spr->w / 2, y + spr->h, SPIT_ANGLE, SPIT_SPEED));
    frame = SPR_SPITTER_OPEN;
}

void ENEMY::car_step(bool chases)
{
    if (game_started && !active && hp != 0)
        active = true;
    if (!active)
        return;
    if (chases) {
        if (timer2 == 0)
            target_angle = to_angle_units(player->get_angle_towards(x, y));
        else
            timer2 -= 1;
    } else {
        if (target_angle == 0 || every(CAR_NEW_GOAL_EVERY_TICKS))
            target_angle = rand() & 255;
        if (x > CAR_BOX_X2 || x < CAR_BOX_X1 || y > CAR_BOX_Y2 || y < CAR_BOX_Y1)
            target_angle = to_angle_units(std::atan2(ARENA_MIDDLE_X - x, y - ARENA_MIDDLE_Y));
    }
    dx = std::sin(heading) * speed;
    dy = -std::cos(heading) * speed;
    steer_speed();
    if (wall_collide(wall_x1, wall_y1, wall_x2, wall_y2) && timer1 == 0) {
        target_angle = rand() & 255;
        speed = -speed;
        timer1 = CAR_BACKING_TICKS;
    }
    if (ENEMY* e = first_enemy_touching()) {
        if (chases) {
            // Pushed off the other's top-left corner at once; the heading takes over next tick.
            delta_from(e->x, e->y);
            x += dx;
            y += dy;
        }
        speed = -speed;
        timer1 = CAR_BACKING_TICKS;
    }
}

void ENEMY::ball_step()
{
    if (game_started && !active && hp != 0 && alpha == ENEMY_OPAQUE)
        active = true;
    float b = BALL_BOB_HEIGHT * std::sin(timer1);
    timer1 += BALL_BOB_PHASE_STEP;
    y = base_y + b;
    overlay = data_bitmap(b <= BALL_UP ? SPR_SHADOW_HIGH : SPR_SHADOW_LOW);
    if (!active)
        return;
    if (wall_collide(wall_x1, wall_y1, wall_x2, wall_y2) || first_enemy_touching())
        move_angle += PI;
    dx = std::sin(move_angle) * speed;
    dy = -std::cos(move_angle) * speed;
}

void ENEMY::spinner_step()
{
    if (alpha == ENEMY_OPAQUE && !active && hp != 0)
        active = true;
    if (!active)
        return;
    if (dx == 0 && dy == 0) {
        const float v = own_speed();
        dx = (rand() & 1) == 1 ? -v : v;
        dy = (rand() & 1) == 1 ? -v : v;
    }
    int sw = spr->w, sh = spr->h;
    if (x < wall_x1 || x + sw > wall_x2)
        dx = -dx;
    if (y < wall_y1 || y + sh > wall_y2)
        dy = -dy;
    if (timer1 == 0)
        return;
    timer1 -= 1;
    if (timer1 <= 0) {
        overlay = nullptr;
    } else if (every(ZAP_ANIM_EVERY_TICKS)) {
        BITMAP* zap1 = data_bitmap(SPR_ZAP_1);
        BITMAP* zap2 = data_bitmap(SPR_ZAP_2);
        BITMAP* zap3 = data_bitmap(SPR_ZAP_3);
        if (overlay == zap1)
            overlay = zap2;
        else if (overlay == zap2)
            overlay = zap3;
        else
            overlay = zap1;
    }
}
