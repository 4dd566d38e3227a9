// The player's craft: controls, driving, walls, gun, health, death and lives.
#include "player.h"
#include "controls.h"
#include "arena.h"
#include "message.h"
#include "projectile.h"
#include "registry.h"
#include "sound.h"
#include "engine.h"
#include "pacing.h"
#include <cmath>
#include <cstdlib>

bool PLAYER::gun_temp_warning = false;
bool PLAYER::autohide_down = false;
bool PLAYER::toggle_down = false;
bool PLAYER::shoot_down = false;
int PLAYER::collide_count = 0;
bool PLAYER::skip = false;

static const char* const GUN_WARNING_TEXT = "Watch your gun temperature!!";
static const int SPARK_GREEN_BASE = 127;
static const int SPARK_GREEN_RANGE = 128;
// The death sparks' red is full; the draw that would have varied it is still
// made so the sequence of random numbers is unchanged.
static const int DEATH_SPARK_RED = 255;

int engine_frequency(float speed, float max_speed)
{
    return ENGINE_BASE_FREQ + static_cast<int>(std::floor(std::fabs(speed) / max_speed * ENGINE_BASE_FREQ + 0.5f));
}

PLAYER::PLAYER()
    : max_speed(PLAYER_MAX_SPEED)
    , min_speed(PLAYER_MIN_SPEED)
    , lives(CRAFT_DEFAULT_LIVES)
    , hp(PLAYER_MAX_HP)
    , hud_y(HUD_SHOWN_Y)
    , hud_type(0)
    , gun_cooldown(0)
    , stun(0)
    , death_count(-1)
    , coasting(true)
    , hud_autohide(false)
    , crashed(false)
    , speed(0)
    , vx(0)
    , vy(0)
    , traction(1.0f)
    , heading(0)
    , gun_temp(0)
    , gun_temp_shown(0)
{
    for (int i = 0; i < NUM_CONTROLS; i++)
        joy_buttons[i] = joystick_controls[i];
    reset_hp();
    traction = 1.0f;
    spr = data_bitmap(SPR_PLAYER);
}

PLAYER::~PLAYER()
{
    set_engine_sound(false);
}

void PLAYER::set_lives(int l)
{
    lives = l;
}
void PLAYER::update_lives(int& l)
{
    l = lives;
}

void PLAYER::reset_hp()
{
    hp = PLAYER_MAX_HP;
    vx = vy = speed = 0;
    coasting = true;
    hud_y = HUD_SHOWN_Y;
    hud_type = 0;
    gun_temp = gun_temp_shown = 0;
    gun_cooldown = 0;
    crashed = false;
    stun = 0;
}

void PLAYER::input(const Controls& c)
{
    const bool gas = c.gas || c.joy_button(joy_buttons[CONTROL_GAS]);
    const bool reverse = c.reverse || c.joy_button(joy_buttons[CONTROL_REVERSE]);
    const bool brake = c.brake || c.joy_button(joy_buttons[CONTROL_BRAKE]);
    const bool fire = c.shoot || c.joy_button(joy_buttons[CONTROL_SHOOT]);
    const bool left = c.steer_left || c.stick_left;
    const bool right = c.steer_right || c.stick_right;
    const bool next_hud = c.hud_panel || c.joy_button(joy_buttons[CONTROL_NEXT_HUD]);
    const bool prev_hud = c.joy_button(joy_buttons[CONTROL_PREV_HUD]);

    if (c.hide_hud) {
        if (!autohide_down) {
            autohide_down = true;
            toggle_hud_autohide();
        }
    } else {
        autohide_down = false;
    }

    if (next_hud || prev_hud) {
        if (!toggle_down) {
            toggle_down = true;
            toggle_next_hud_type(prev_hud ? -1 : 1);
        }
    } else {
        toggle_down = false;
    }

    if (fire) {
        if (!shoot_down) {
            shoot_down = true;
            shoot();
        }
    } else {
        shoot_down = false;
    }

    if (gas) {
        coasting = false;
        speed += GAS_ACCEL;
        if (speed > max_speed)
            speed = max_speed;
    } else if (reverse) {
        coasting = false;
        speed -= REVERSE_ACCEL;
        if (speed < min_speed)
            speed = min_speed;
    } else {
        coasting = true;
    }

    if (speed != 0) {
        // Turning follows the speed, so it reverses when the craft backs up.
        if (left)
            angle -= (speed / TURN_SPEED_DIV) * TURN_RATE;
        else if (right)
            angle += (speed / TURN_SPEED_DIV) * TURN_RATE;

        if (brake) {
            if (speed > 0) {
                speed -= BRAKE_DECEL;
                if (speed < 0)
                    speed = 0;
            } else {
                speed += BRAKE_DECEL;
                if (speed > 0)
                    speed = 0;
            }
        }
    }
}

// The wall test puts an object back one side per call. The craft is put back
// on every side it is out of in the same tick: held against one wall (a key
// held into a corner, an enemy knocking it there every tick), it would
// otherwise never have the other side looked at, and be shoved out along it.
static const int WALL_SIDES = 4;
static bool back_inside_walls(OBJECT& craft)
{
    if (!craft.wall_collide(wall_x1, wall_y1, wall_x2, wall_y2))
        return false;
    int pushes = 1;
    while (pushes < WALL_SIDES && craft.wall_collide(wall_x1, wall_y1, wall_x2, wall_y2))
        ++pushes;
    return true;
}

void PLAYER::processing()
{
    heading = angle_to_radians(angle);

    if (!crashed && hp != 0) {
        if (traction == 1.0f) {
            vx = std::sin(heading) * speed;
            vy = -std::cos(heading) * speed;
        } else {
            // Low grip: only a share of the heading's velocity replaces the old one.
            vx = std::sin(heading) * speed * traction + (1 - traction) * vx;
            vy = -std::cos(heading) * speed * traction + (1 - traction) * vy;
        }
    } else {
        vx *= CRASH_DAMPING;
        vy *= CRASH_DAMPING;
        speed = 0;
        if (std::fabs(vx) <= CRASH_STOP_SPEED && std::fabs(vy) <= CRASH_STOP_SPEED)
            crashed = false;
    }

    x += vx;
    y += vy;

    if (speed != 0 && coasting)
        speed *= COAST_FACTOR;

    engine_sound_adjust(engine_frequency(speed, max_speed));

    if (back_inside_walls(*this)) {
        if (collide_count == 0) {
            play_effect(SND_BUMP);
            collide_count = BUMP_HOLDOFF_TICKS;
        }
        speed = -speed;
        if (vx != 0 || vy != 0) {
            if (std::fabs(vx) > std::fabs(vy))
                vx = -vx;
            else
                vy = -vy;
        }
    } else if (collide_count > 0) {
        collide_count -= 1;
    }

    if (hud_autohide && hud_y - HUD_SLIDE_STEP >= HUD_HIDDEN_Y)
        hud_y -= HUD_SLIDE_STEP;
    if (!hud_autohide && hud_y < HUD_SHOWN_Y)
        hud_y += HUD_SLIDE_STEP;

    if (gun_cooldown > 0) {
        gun_cooldown -= 1;
    } else if (gun_temp != 0) {
        gun_temp -= GUN_COOL_PER_TICK;
        if (gun_temp < 0)
            gun_temp = 0;
    }

    if (gun_temp_shown < gun_temp) {
        gun_temp_shown += GUN_GAUGE_STEP;
        if (gun_temp_shown > gun_temp)
            gun_temp_shown = gun_temp;
    } else if (gun_temp_shown > gun_temp) {
        gun_temp_shown -= GUN_GAUGE_STEP;
        if (gun_temp_shown < gun_temp)
            gun_temp_shown = gun_temp;
    }

    if (stun > 0)
        stun -= 1;

    if (death_count > 0) {
        death_count -= 1;
        if (death_count == DEATH_FADE_AT_TICKS) {
            end_attempt(GAME_DEAD, DEATH_SCREEN_FADE);
        }
    }
}

void PLAYER::draw()
{
    if (fpscounter & 1)
        skip = !skip;
    // A stunned craft blinks; the wreck of a dead one always shows.
    if (skip && stun != 0 && hp != 0)
        return;
    rotate_sprite(buffer, spr, to_pixel(x), to_pixel(y), angle_to_fixed(angle));
}

void PLAYER::hit()
{
    if (stun != 0)
        return;
    hp -= 1;
    stun = HIT_STUN_TICKS;
    if (hp == 1)
        spr = data_bitmap(SPR_PLAYER_DAMAGED);
    if (hp <= 0) {
        hp = 0;
        lives -= 1;
        if (lives < 0)
            lives = 0;
        stun = DEAD_STUN_TICKS;
        death_count = DEATH_COUNT_TICKS;
        explode();
        play_effect(SND_PLAYER_DEATH);
        play_effect(SND_EXPLOSION);
        spr = data_bitmap(SPR_PLAYER_WRECK);
    } else {
        play_effect(SND_BUMP);
    }
}

void PLAYER::shoot()
{
    if (gun_temp == 1.0f || stun != 0)
        return;

    const float cx = x + spr->w / 2;
    const float cy = y + spr->h / 2;
    const float mx = cx + MUZZLE_DISTANCE * std::sin(heading);
    const float my = cy - MUZZLE_DISTANCE * std::cos(heading);
    objects.push_back(new PROJ(this, data_bitmap(SPR_PLAYER_SHOT), mx, my, angle, SHOT_SPEED));
    play_effect(SND_PLAYER_SHOT);

    gun_temp += GUN_HEAT_PER_SHOT;
    if (gun_temp > 1.0f) {
        gun_temp = 1.0f;
        if (!gun_temp_warning) {
            screen_message(GUN_WARNING_TEXT, GUN_WARNING_TICKS);
            gun_temp_warning = true;
        }
    }
    gun_cooldown = gun_temp < 1.0f ? GUN_COOLDOWN_TICKS : GUN_OVERHEAT_TICKS;
}

void PLAYER::set_traction(float t)
{
    traction = t;
}

void PLAYER::set_engine_sound(bool on)
{
    if (on)
        engine_sound_start();
    else
        engine_sound_stop();
}

// Scales (dx, dy) so that its larger component is +-1. A zero vector (the point
// is the centre itself) has no direction and stays zero.
static void unit_step(float& dx, float& dy)
{
    const float m = std::fmax(std::fabs(dx), std::fabs(dy));
    if (m == 0) {
        dx = dy = 0;
        return;
    }
    dx /= m;
    dy /= m;
}

void PLAYER::crash_from(float ex, float ey)
{
    vx = (x + spr->w / 2) - ex;
    vy = (y + spr->h / 2) - ey;
    unit_step(vx, vy);
    vx *= CRASH_KNOCK_SPEED;
    vy *= CRASH_KNOCK_SPEED;
    speed = 0;
    crashed = true;
}

void PLAYER::explode()
{
    const float cx = x + spr->w / 2;
    const float cy = y + spr->h / 2;
    const float ox = DEATH_BURST_OFFSET * std::sin(heading);
    const float oy = DEATH_BURST_OFFSET * std::cos(heading);
    explode(cx + ox, cy - oy);
    explode(cx - ox, cy + oy);
}

void PLAYER::explode(float ex, float ey)
{
    for (int i = 0; i < DEATH_SPARKS; i++) {
        float a, s;
        random_spark_flight(a, s);
        const int green = SPARK_GREEN_BASE + rand() % SPARK_GREEN_RANGE;
        rand();  // the red draw; red is fixed (DEATH_SPARK_RED)
        const int col = makecol(DEATH_SPARK_RED, green, 0);
        objects.push_back(new PROJ(nullptr, col, ex, ey, a, s));
    }
}

int PLAYER::get_joy_pause_button()
{
    return joy_buttons[CONTROL_PAUSE];
}
bool PLAYER::is_stunned()
{
    return stun != 0;
}

float PLAYER::get_angle_towards(float px, float py)
{
    return std::atan2(x - px, py - y);
}

void PLAYER::delta_from(float px, float py, float& dx, float& dy)
{
    dx = px - (x + spr->w / 2);
    dy = py - (y + spr->h / 2);
    unit_step(dx, dy);
}

int PLAYER::get_hp()
{
    return hp;
}

void PLAYER::one_up()
{
    BITMAP* sign = data_bitmap(SPR_ONE_UP);
    PROJ* marker = new PROJ(nullptr, sign, x - sign->w / 2, y - sign->h / 2, 0, 1.0f);
    play_effect(SND_ONE_UP);
    lives += 1;
    objects.push_back(marker);
}
