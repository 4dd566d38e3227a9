// Shots, spit, the extra-life marker and sparks: straight flight, bursts and fading.
#include "projectile.h"
#include "datidx.h"
#include "enemy.h"
#include "arena.h"
#include "player.h"
#include "registry.h"
#include "engine.h"
#include "fblend.h"
#include <cassert>
#include <cmath>
#include <cstdlib>

static const int SPARK_ANGLE_RANGE = 255;  // spark headings 0..254
static const int SPARK_SPEED_STEPS = 100;  // spark speeds 1.00..1.99

void random_spark_flight(float& angle, float& speed)
{
    angle = static_cast<float>(rand() % SPARK_ANGLE_RANGE);
    speed = (rand() % SPARK_SPEED_STEPS) / 100.0 + 1.0;
}

// The wall and spit bursts are yellow.
static int burst_yellow()
{
    return makecol(255, 255, 0);
}

PROJ::PROJ(OBJECT* own, BITMAP* sprite, float px, float py, float a, float s)
    : owner(own)
    , dx(0)
    , dy(0)
    , speed(s)
    , alpha(0)
    , color(0)
    , spark(false)
{
    spr = sprite;
    set(px, py);
    angle = a;
    active = true;
    // The extra-life marker is the one sprite projectile with a limited life.
    if (data && sprite == data_bitmap(SPR_ONE_UP))
        alpha = SPARK_LIFE_ALPHA;
}

PROJ::PROJ(OBJECT* own, int col, float px, float py, float a, float s)
    : owner(own)
    , dx(0)
    , dy(0)
    , speed(s)
    , alpha(SPARK_LIFE_ALPHA)
    , color(col)
    , spark(true)
{
    spr = nullptr;
    angle = a;
    set(px, py);
    active = false;
}

PROJ::~PROJ() { }

void PROJ::processing()
{
    const float r = angle_to_radians(angle);
    dx = std::sin(r) * speed;
    dy = -std::cos(r) * speed;
    x += dx;
    y += dy;

    // The player is always the front of `objects` during play. Sparks never
    // collide, whoever made them: a burst of hundreds must stay cheap.
    const bool players_shot = !spark && owner && !objects.empty() && owner == objects.front();
    if (players_shot) {
        if (wall_collide(wall_x1, wall_y1, wall_x2, wall_y2)) {
            explode(burst_yellow(), WALL_BURST_SPARKS);
        } else {
            ENEMY* target = nullptr;
            for (ENEMY* e : enemies) {
                if (e->is_active() && !e->is_unkillable() && collide(e)) {
                    target = e;
                    break;
                }
            }
            if (target) {
                const int col = target->get_color();
                target->hit();
                // Asked after the hit, so a killing shot gets the death burst.
                const int n = target->get_num_sparks();
                explode(col, n);
            }
        }
    } else if (spr && data && spr == data_bitmap(SPR_SPIT)) {
        if (wall_collide(wall_x1, wall_y1, wall_x2, wall_y2))
            explode(burst_yellow(), WALL_BURST_SPARKS);
        if (player && collide(player)) {
            player->hit();
            explode(burst_yellow(), SPIT_HIT_SPARKS);
        }
    }

    if (alpha != 0) {
        alpha -= ALPHA_FADE_PER_TICK;
        if (alpha <= 0) {
            alpha = 0;
            enabled = false;
        }
    }
}

void PROJ::draw()
{
    const int px = to_pixel(x);
    const int py = to_pixel(y);
    if (spark) {
        // Black sparks (the boss's) darken; every other colour adds light.
        if (color == 0)
            fblend_rect_trans(buffer, px, py, 1, 1, color, alpha);
        else
            fblend_rect_add(buffer, px, py, 1, 1, color, alpha);
        return;
    }
    if (angle == 0)
        draw_sprite(buffer, spr, px, py);
    else
        rotate_sprite(buffer, spr, px, py, angle_to_fixed(angle));
}

void PROJ::explode(int col, int n)
{
    assert(spr);
    const float cx = x + spr->w / 2;
    const float cy = y + spr->h / 2;
    for (int i = 0; i < n; i++) {
        float a, s;
        random_spark_flight(a, s);
        objects.push_back(new PROJ(this, col, cx, cy, a, s));
    }
    enabled = false;
}
