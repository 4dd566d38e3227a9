// The player's craft: car-like driving, the gun that heats up, health, lives,
// knock-back, the death explosion, the engine sound and the heads-up display.
#pragma once
#include "object.h"
#include "datidx.h"
#include "settings.h"

// Driving, per tick.
const float PLAYER_MAX_SPEED = 3.4f;
const float PLAYER_MIN_SPEED = -1.5f;
const float GAS_ACCEL = 0.15f;
const float REVERSE_ACCEL = 0.1f;
const float BRAKE_DECEL = 0.1f;
const float COAST_FACTOR = 0.99f;
const float CRASH_DAMPING = 0.95f;
const float CRASH_STOP_SPEED = 0.01f;  // both velocity components at most this end a crash
const float CRASH_KNOCK_SPEED = 1.5f;
const float TURN_SPEED_DIV = 3.5f;  // turning = speed / 3.5 * 3.0 angle units a tick
const float TURN_RATE = 3.0f;

// Health and lives.
const int PLAYER_MAX_HP = 3;
// Lives of a new craft until the registry hands it player_lives; a game starts
// with PLAYER_LIVES.
const int CRAFT_DEFAULT_LIVES = 3;
const int HIT_STUN_TICKS = 60;
const int DEAD_STUN_TICKS = 10000;
const int DEATH_COUNT_TICKS = 400;
const int DEATH_FADE_AT_TICKS = 256;  // death_count value at which the screen fades (144 ticks after the hit)
const int DEATH_SCREEN_FADE = -1;     // the screen's fade per tick after death (255 ticks to black)
const int DEATH_SPARKS = 150;
const float DEATH_BURST_OFFSET = 6.0f;  // bursts ahead of and behind the centre

// Gun.
const float GUN_HEAT_PER_SHOT = 0.13f;
const float GUN_COOL_PER_TICK = 0.005f;
const int GUN_COOLDOWN_TICKS = 30;
const int GUN_OVERHEAT_TICKS = 250;
const float GUN_GAUGE_STEP = 0.02f;
const float MUZZLE_DISTANCE = 22.0f;
const int GUN_WARNING_TICKS = 200;

// Walls and sound.
const int BUMP_HOLDOFF_TICKS = 5;

// HUD.
const int HUD_SHOWN_Y = 5;
const int HUD_HIDDEN_Y = -63;
const int HUD_SLIDE_STEP = 4;
const int NUM_HUD_TYPES = 5;

// Engine sample pitch for a speed: 500 at rest to 1000 at top speed.
int engine_frequency(float speed, float max_speed);

// The engine's looping sample: engine_sound_* of the sound module.

struct Controls;

// The one craft (global `player`). The registry creates one per level attempt.
class PLAYER : public OBJECT {
public:
    float max_speed;                // top forward speed, pixels per tick
    float min_speed;                // top reverse speed (the most negative `speed`)
    int joy_buttons[NUM_CONTROLS];  // joystick 0 button of each control, copied from joystick_controls
    int lives;                      // lives left, the one being played included
    int hp;                         // 0 (dead) to 3
    int hud_y;                      // top of the HUD strip: 5 shown, -63 hidden
    int hud_type;                   // panel style 0 to 4
    int gun_cooldown;               // ticks before the gun starts to cool
    int stun;                       // ticks of invulnerability left after a hit
    int death_count;                // ticks left after death; -1 while alive
    bool coasting;                  // neither gas nor reverse held
    bool hud_autohide;              // the HUD slides out of view
    bool crashed;                   // knocked back: no grip until nearly stopped
    float speed;                    // signed speed along the heading
    float vx;                       // velocity, pixels per tick
    float vy;
    float traction;        // grip 0..1: share of the heading velocity taken each tick
    float heading;         // angle in radians, recomputed every tick
    float gun_temp;        // 0..1; exactly 1 is overheated
    float gun_temp_shown;  // the HUD gauge, follows gun_temp by 0.02 a tick

    // Shared by every craft for the whole run of the program.
    static bool gun_temp_warning;  // the overheating message was shown once
    static bool autohide_down;     // edge flags: the control was down at the last input()
    static bool toggle_down;
    static bool shoot_down;
    static int collide_count;  // hold-off of the wall-bump sound
    static bool skip;          // blink phase of draw()

    PLAYER();
    ~PLAYER() override;  // stops the engine sound

    void set_lives(int l);
    void update_lives(int& l);
    void reset_hp();
    // Acts on this tick's controls (the keyboard's actions, and joystick 0 through joy_buttons);
    // the level loop calls it once per tick once play has begun.
    void input(const Controls& c);
    void processing() override;
    void draw() override;
    void draw_hud();
    void toggle_hud_autohide();
    // d is +1 or -1; the style wraps round 0..4.
    void toggle_next_hud_type(int d);
    // One health point unless stunned; the last one kills.
    void hit();
    // One shot unless overheated or stunned.
    void shoot();
    void set_traction(float t);
    void set_engine_sound(bool on);
    // Knock-back away from (ex, ey); takes no health.
    void crash_from(float ex, float ey);
    // The death burst: two explosions ahead of and behind the centre.
    void explode();
    // 150 sparks from (ex, ey).
    void explode(float ex, float ey);
    int get_joy_pause_button();
    bool is_stunned();
    // Heading in radians (0 up, clockwise) from (px, py) towards the craft's top-left corner.
    float get_angle_towards(float px, float py);
    // Step of at most 1 per axis from the craft's centre towards (px, py).
    void delta_from(float px, float py, float& dx, float& dy);
    int get_hp();
    // An extra life with its rising sign and sound.
    void one_up();
};
