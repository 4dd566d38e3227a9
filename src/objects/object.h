// The base of everything in play: position, rotation, sprite, life flags and the
// box geometry that every collision in the game is decided by.
#pragma once
#include <allegro.h>
#include <cmath>
#include "datidx.h"
#include "sound.h"

// Angles of things in play are in 256ths of a turn. Radians come from two
// quotients by these exact constants, each quotient held as a float (degrees
// first): the one rounding that the craft, shots, enemies and rotated boxes share.
const double ANGLE_UNITS_PER_DEGREE = 0.7111111111111111;  // 256 / 360
const double DEGREES_PER_RADIAN = 57.29577951308232;       // 180 / pi
inline float angle_to_radians(float a)
{
    const float deg = static_cast<float>(a / ANGLE_UNITS_PER_DEGREE);
    return static_cast<float>(deg / DEGREES_PER_RADIAN);
}

// The angle for the library's rotating blits, in its fixed point and wrapped
// into one turn: the fixed-point range ends at 32768 units, which a spinner
// (4 a tick) passes after 8192 ticks. The logic's own angle is never wrapped.
inline fixed angle_to_fixed(float a)
{
    return ftofix(std::fmod(a, 256.0f));
}

// A float position as a pixel: + 0.5, truncated toward zero.
inline int to_pixel(float v)
{
    return static_cast<int>(v + 0.5f);
}

// Things in play make their sounds through the sound module (play_effect).

// A thing in play. Created with new by its owner, appended to `objects` (which
// owns it) and deleted through an OBJECT* by the level loop once `enabled` is
// false after its processing(). Every construction adds one to `create_count`.
class OBJECT {
public:
    BITMAP* spr;  // sprite; its size is the default box size. Required by every collision test.
    float x;      // top-left corner of the sprite, or box centre when `centered`
    float y;
    float angle;    // 256ths of a turn; exactly 0 selects the cheap unrotated geometry
    float w;        // box width, 0: the sprite's width
    float h;        // box height, 0: the sprite's height
    bool active;    // a target: shots only test active enemies
    bool enabled;   // alive; cleared to have the level loop delete the object
    bool centered;  // (x, y) is the centre of the unrotated box

    OBJECT();
    // Copies every field; the copy is one more live object for the leak count.
    OBJECT(const OBJECT& other);
    OBJECT& operator=(const OBJECT& other) = default;
    virtual ~OBJECT();

    // One logic tick of the object's behaviour.
    virtual void processing() = 0;
    // Draws the object into `buffer`.
    virtual void draw() = 0;

    // Places the object and brings it to life (enabled = true).
    void set(float new_x, float new_y);
    void set_angle(int a);
    void set_active(bool a);
    bool is_active() const;
    bool is_enabled() const;
    bool no_spr() const;
    // The box size: w and h where set, else the sprite's size. Requires spr.
    float box_w() const { return w != 0 ? w : static_cast<float>(spr->w); }
    float box_h() const { return h != 0 ? h : static_cast<float>(spr->h); }

    // The collision box. Unrotated (angle == 0): the box from x, y, w, h and
    // `centered`, corner arrays untouched. Rotated and aligned: the axis-aligned
    // box enclosing the rotated sprite (sprite size, x, y as its top-left corner).
    // Rotated and not aligned: the four rotated sprite corners (top-left,
    // top-right, bottom-right, bottom-left) in rot_x[0..3], rot_y[0..3]; x1..y2
    // are not written. Requires spr; the corner form requires both arrays.
    void get_bbox(float& x1, float& y1, float& x2, float& y2, float* rot_x, float* rot_y, bool aligned) const;
    // The two objects' (enclosing, axis-aligned) boxes overlap or touch.
    // Requires both sprites.
    bool collide(const OBJECT* obj) const;
    // The object is (partly) outside the arena (x1, y1)-(x2, y2). It is tested
    // by its sprite rectangle from (x, y) as the top-left corner when unrotated,
    // by the box enclosing the turned sprite when rotated, and pushed back
    // inside on the first side found out (left, top, right, bottom), one side
    // per call. Requires spr.
    bool wall_collide(int x1, int y1, int x2, int y2);
};

// Inclusive overlap of the boxes (ax1, ay1)-(ax2, ay2) and (bx1, by1)-(bx2, by2):
// boxes sharing only an edge or a corner collide.
bool collide(float ax1, float ay1, float ax2, float ay2, float bx1, float by1, float bx2, float by2);
