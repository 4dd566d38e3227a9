// The scripted pilot: aim, gas and fire at the nearest enemy, and a quit
// through the pause menu once a level has lasted long enough.
#include "pilot.h"
#include "enemy.h"
#include "game.h"
#include "pacing.h"
#include "player.h"
#include "replay.h"
#include <cmath>

namespace {

const float ANGLE_UNITS_PER_TURN = 256.0f;
const float PI_F = 3.14159265f;
const float AIM_DEADBAND_UNITS = 4.0f;  // closer than this the craft flies straight
const float FIRE_CONE_UNITS = 14.0f;    // fires when the target is within this
const float GUN_COOL_ENOUGH = 0.8f;     // lets the gun cool above this

// The pause menu's keys in order, one a tick: open it, move to quit, confirm.
enum QuitStep { QUIT_NONE, QUIT_ESC, QUIT_GAP_1, QUIT_DOWN, QUIT_GAP_2, QUIT_ENTER, QUIT_DONE };

int quit_after = 0;
int quit_step = QUIT_NONE;
bool fire_phase = false;

float centre_x(const OBJECT* o)
{
    return o->centered ? o->x : o->x + o->spr->w / 2;
}
float centre_y(const OBJECT* o)
{
    return o->centered ? o->y : o->y + o->spr->h / 2;
}

const ENEMY* nearest_target()
{
    const ENEMY* best = nullptr;
    float best_d = 0;
    for (const ENEMY* e : enemies) {
        if (!e->is_active() || e->is_unkillable() || e->hp <= 0 || !e->spr)
            continue;
        const float dx = centre_x(e) - centre_x(player), dy = centre_y(e) - centre_y(player);
        const float d = dx * dx + dy * dy;
        if (!best || d < best_d) {
            best = e;
            best_d = d;
        }
    }
    return best;
}

void fly(Controls& c)
{
    c.gas = true;
    const ENEMY* target = nearest_target();
    if (!target)
        return;
    const float dx = centre_x(target) - centre_x(player), dy = centre_y(target) - centre_y(player);
    // Headings grow clockwise from straight up, 256 units to the turn.
    const float want = std::atan2(dx, -dy) * ANGLE_UNITS_PER_TURN / (2 * PI_F);
    float diff = std::fmod(want - player->angle, ANGLE_UNITS_PER_TURN);
    if (diff > ANGLE_UNITS_PER_TURN / 2)
        diff -= ANGLE_UNITS_PER_TURN;
    if (diff < -ANGLE_UNITS_PER_TURN / 2)
        diff += ANGLE_UNITS_PER_TURN;
    c.steer_left = diff < -AIM_DEADBAND_UNITS;
    c.steer_right = diff > AIM_DEADBAND_UNITS;
    // The gun fires on a press: every other tick the trigger is let go.
    fire_phase = !fire_phase;
    c.shoot = fire_phase && std::fabs(diff) < FIRE_CONE_UNITS && player->gun_temp < GUN_COOL_ENOUGH;
}

void steer(DoorTick& t)
{
    if (!player || t.dismiss)
        return;
    // A new attempt: play again before quitting.
    if (!game_started)
        quit_step = QUIT_NONE;
    t.c = Controls();
    if (quit_step == QUIT_NONE && game_started && fpscounter > quit_after)
        quit_step = QUIT_ESC;
    if (quit_step != QUIT_NONE && quit_step != QUIT_DONE) {
        t.c.esc = quit_step == QUIT_ESC;
        t.c.down = quit_step == QUIT_DOWN;
        t.c.enter = quit_step == QUIT_ENTER;
        ++quit_step;
        return;
    }
    if (game_started && player->is_active())
        fly(t.c);
}

}  // namespace

void pilot_install(int quit_after_ticks)
{
    quit_after = quit_after_ticks;
    quit_step = QUIT_NONE;
    fire_phase = false;
    door_pilot = steer;
}

void pilot_remove()
{
    door_pilot = nullptr;
}
