// Things that fly straight at a constant speed and are not enemies: the player's
// shots, spit, the extra-life marker and the one-pixel sparks of every burst.
#pragma once
#include "object.h"

const float SHOT_SPEED = 12.0f;     // player's shots and spit, pixels per tick
const int SPARK_LIFE_ALPHA = 255;   // a spark's (and the marker's) starting life/opacity
const int ALPHA_FADE_PER_TICK = 5;  // so a limited life lasts 255 / 5 = 51 ticks
const int WALL_BURST_SPARKS = 8;    // shot or spit against a wall
const int SPIT_HIT_SPARKS = 24;     // spit against the player

// A spark's random flight: a heading of 0..254 (256ths of a turn), then a speed
// of 1.00..1.99 pixels per tick, drawn in that order.
void random_spark_flight(float& angle, float& speed);

// Created with new by its maker, who appends it to `objects`; never in `enemies`.
// `owner` is only compared by identity, never dereferenced, so it may dangle.
class PROJ : public OBJECT {
public:
    OBJECT* owner;  // the maker, or nullptr
    float dx;       // step of the last tick
    float dy;
    float speed;  // pixels per tick along `angle`
    int alpha;    // 0: lives until it bursts; else remaining life and a spark's opacity
    int color;    // a spark's colour (makecol); 0 darkens instead of brightening
    bool spark;   // a one-pixel spark without sprite

    // A sprite projectile (shot, spit, marker): enabled, active; alpha 255 only
    // for the extra-life marker (the SPR_ONE_UP bitmap), else 0.
    PROJ(OBJECT* owner, BITMAP* sprite, float x, float y, float angle, float speed);
    // A spark: no sprite, not active, alpha 255.
    PROJ(OBJECT* owner, int color, float x, float y, float angle, float speed);
    ~PROJ() override;

    // Move; a shot (owner = the front of `objects`) bursts on the walls or on
    // the first active, killable enemy it touches; spit bursts on the walls and
    // on the player; a limited life runs down by 5 a tick.
    void processing() override;
    void draw() override;
    // Releases n sparks of `col` from the sprite's centre (appended to
    // `objects`) and disables this projectile. Requires spr.
    void explode(int col, int n);
};
