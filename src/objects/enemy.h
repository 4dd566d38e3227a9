// ENEMY: every kind of enemy in play, one class that switches on its type.
#pragma once
#include <allegro.h>
#include "datidx.h"
#include "object.h"

// Opacity of an enemy that is neither fading in nor dying.
const int ENEMY_OPAQUE = 255;
// Height a falling enemy starts from; its box and shadow grow with drop over this.
const float ENEMY_START_DROP = 100.0f;

// An enemy lives in `objects` (which owns it) and in `enemies` (which only
// refers to it). It is created inactive and enters play its own way (falls,
// rises, forms, fades in or waits for the level start); while `active` it can
// be shot (unless unkillable) and hurts the player on contact; the hit that
// takes `hp` to 0 clears `active` and starts a fade-out, at whose end dead()
// takes it out of `enemies` and the level loop deletes it.
//
// Fields are public: the level scripts, the projectiles and the tests read and
// write them directly, as they do the OBJECT fields.
class ENEMY : public OBJECT {
public:
    enum TYPE {
        ET_TURD = 0,
        ET_GUY = 1,
        ET_CAR = 2,
        ET_SPIKE = 3,
        ET_BALL = 4,
        ET_FAST_BALL = 5,
        ET_STALKER = 6,
        ET_SPITTER = 7,
        ET_SPINNER = 8,
        ET_PERSON = 9,
        ET_CHASE_CAR = 10,
        ET_BOSS = 11
    };
    static const int NUM_TYPES = 12;

    TYPE type;
    BITMAP* overlay;     // ground mark of a ball, zap of a spinner; nullptr for none
    int hp;              // 0 means dead
    int frame;           // archive object of the current sprite; spr follows it
    float drop;          // height above the ground (falling turd: 100 -> 0), else 0
    float drop_speed;    // fall speed, pixels per tick; grows by drop_accel every tick
    float drop_accel;    // fall acceleration, pixels per tick per tick
    float speed;         // current speed along the heading or move_angle (the type's own speed is in its row)
    float dx, dy;        // step added to x, y every tick
    float turn_rate;     // angle units per tick toward target_angle
    float target_angle;  // 256ths of a turn; never wrapped
    float heading;       // angle in radians, kept while angle is 0
    // timer1 and timer2 mean what the type makes of them:
    //   ET_TURD       timer1: phase (radians) of the width wobble;
    //                 timer2: phase of the height wobble, which also bends the path
    //   ET_CAR        timer1: ticks of backing up left (0 while driving)
    //   ET_CHASE_CAR  timer1: as ET_CAR; timer2: ticks left without homing after
    //                 every third hit (0 while homing, and only then are hits counted)
    //   ET_BALL, ET_FAST_BALL  timer1: bob phase (radians)
    //   ET_SPINNER    timer1: ticks the zap overlay still shows (0: none)
    // Every other type leaves both at 0.
    float timer1;
    float timer2;
    float hits;          // hits counted by the chase car toward its turn-away
    float move_angle;    // direction of travel in radians (turd, balls, stalker)
    float base_y;        // ground line of a ball, follows dy; 0 for other types
    int alpha;           // opacity 0..255
    int alpha_step;      // added to alpha each tick while not 0: + fades in, - fades out
    bool unkillable;     // hits cost nothing and shots pass through
    bool knocks_back;    // contact also knocks the player away
    bool overlay_alpha;  // overlay drawn over the body with the alpha blender

    // Needs the archive loaded (spr is taken from it). Sets the position,
    // enables the enemy and gives it its type's starting values.
    ENEMY(ENEMY::TYPE type, float x, float y);
    ~ENEMY() override;

    // Common defaults, then the type's starting values (an unknown type keeps
    // only the defaults); spr = archive object `frame`.
    void init();
    // One hit by a player's shot: may kill (hp 0, inactive, fade-out, sound).
    void hit();
    // enabled = false and out of `enemies`; the object stays in `objects`.
    void dead();
    TYPE get_type() const { return type; }
    // Spark colour of a hit; the spitter draws a new one on every call.
    int get_color();
    // Sparks of a hit; asked right after hit(), so hp 0 means the death burst.
    int get_num_sparks() const;
    // dx, dy = a step away from (px, py), its larger component +-1.5; a point
    // at the box centre gives (0, 0).
    void delta_from(float px, float py);
    // dx, dy = +-v along one axis, both drawn from rand(): how the walkers
    // choose where to go.
    void pick_axis_direction(float v);
    bool is_unkillable() const { return unkillable; }

    void processing() override;
    void draw() override;

    // What sets a type apart outside the behaviour switch (the type table in
    // enemy.cpp says which types have which).
    enum TRAIT {
        TRAIT_ON_TOP_WALL = 1,           // straddles the top wall: never held inside the arena
        TRAIT_TURNS_WHILE_INACTIVE = 2,  // turns toward target_angle before it is active too
        TRAIT_ZAPS = 4,                  // touching the player shows the zap and plays its sound
        TRAIT_TURNS_AWAY = 8,            // every third hit turns it round and stops its homing a while
    };
    bool has_trait(TRAIT t) const;

private:
    // Pieces of processing(): the common frame's steps and each type's behaviour.
    void refresh_sprite();
    void turn_toward_target();
    void fall();
    void fade();
    void touch_player();
    void behave(bool& played_sound);
    void stay_in_arena();

    void turd_step();
    void walker_step(int first_walk_frame, int second_walk_frame, int rise_pitch);
    void boss_step();
    void spike_step();
    void stalker_step();
    void spitter_step(bool& played_sound);
    void spit(bool& played_sound);
    // Both cars drive alike; the chase car homes on the player and pushes off what it bumps.
    void car_step(bool chases);
    void ball_step();
    void spinner_step();

    void rise(int every_ticks, int first_walk_frame, float jump_x, float jump_y, int volume, int pitch);
    void walk(int first_walk_frame, int second_walk_frame);
    ENEMY* first_enemy_touching();
    void steer_speed();
    // The type's one speed, from its row in the type table.
    float own_speed() const;
    void draw_shadow(int sw, int sh) const;
};
