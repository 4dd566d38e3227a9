// Box geometry and collision tests shared by everything in play.
#include "object.h"
#include "registry.h"
#include "sound.h"
#include "engine.h"
#include <cassert>
#include <cmath>

OBJECT::OBJECT()
    : spr(nullptr)
    , x(0)
    , y(0)
    , angle(0)
    , w(0)
    , h(0)
    , active(false)
    , enabled(false)
    , centered(false)
{
    create_count += 1;
}

OBJECT::OBJECT(const OBJECT& other)
    : spr(other.spr)
    , x(other.x)
    , y(other.y)
    , angle(other.angle)
    , w(other.w)
    , h(other.h)
    , active(other.active)
    , enabled(other.enabled)
    , centered(other.centered)
{
    create_count += 1;
}

OBJECT::~OBJECT() { }

void OBJECT::set(float new_x, float new_y)
{
    x = new_x;
    y = new_y;
    enabled = true;
}

void OBJECT::set_angle(int a)
{
    angle = static_cast<float>(a);
}
void OBJECT::set_active(bool a)
{
    active = a;
}
bool OBJECT::is_active() const
{
    return active;
}
bool OBJECT::is_enabled() const
{
    return enabled;
}
bool OBJECT::no_spr() const
{
    return spr == nullptr;
}

void OBJECT::get_bbox(float& x1, float& y1, float& x2, float& y2, float* rot_x, float* rot_y, bool aligned) const
{
    assert(spr);
    const int sw = spr->w;
    const int sh = spr->h;

    if (angle == 0) {
        const float bw = box_w();
        const float bh = box_h();
        if (!centered) {
            x1 = x;
            y1 = y;
            x2 = x + bw;
            y2 = y + bh;
        } else {
            x1 = x - bw / 2.0f;
            x2 = x + bw / 2.0f;
            y1 = y - bh / 2.0f;
            y2 = y + bh / 2.0f;
        }
        return;
    }

    // Rotation always turns the sprite about its own centre, with integer halves.
    const float half_w = static_cast<float>(sw / 2);
    const float half_h = static_cast<float>(sh / 2);
    const float cx = x + half_w;
    const float cy = y + half_h;

    if (aligned) {
        const float rad = angle_to_radians(angle);
        const float co = std::fabs(std::cos(rad));
        const float si = std::fabs(std::sin(rad));
        x1 = cx - half_w * co - half_h * si;
        y1 = cy - half_h * co - half_w * si;
        x2 = cx + half_w * co + half_h * si;
        y2 = cy + half_h * co + half_w * si;
        return;
    }

    assert(rot_x && rot_y);
    const float corner_x[4] = {x, x + sw, x + sw, x};
    const float corner_y[4] = {y, y, y + sh, y + sh};
    MATRIX_f m;
    get_z_rotate_matrix_f(&m, angle);
    for (int i = 0; i < 4; i++) {
        float rx, ry, rz;
        apply_matrix_f(&m, corner_x[i] - cx, corner_y[i] - cy, 0.0f, &rx, &ry, &rz);
        rot_x[i] = rx + cx;
        rot_y[i] = ry + cy;
    }
}

bool OBJECT::collide(const OBJECT* obj) const
{
    assert(spr && obj->spr);
    float ax1, ay1, ax2, ay2, bx1, by1, bx2, by2;
    get_bbox(ax1, ay1, ax2, ay2, nullptr, nullptr, true);
    obj->get_bbox(bx1, by1, bx2, by2, nullptr, nullptr, true);
    return ::collide(ax1, ay1, ax2, ay2, bx1, by1, bx2, by2);
}

bool OBJECT::wall_collide(int x1, int y1, int x2, int y2)
{
    assert(spr);
    // Rotated or not, an object outside is put back at the wall it crossed.
    // Left out, a mover whose answer to a wall is to turn round (the craft
    // flips its speed) would turn round again every tick it stays outside and
    // so creep outward for ever.
    float bx1, by1, bx2, by2;
    if (angle == 0) {
        bx1 = x;
        by1 = y;
        bx2 = x + spr->w;
        by2 = y + spr->h;
    } else {
        get_bbox(bx1, by1, bx2, by2, nullptr, nullptr, true);
    }
    if (bx1 < x1)
        x += x1 - bx1;
    else if (by1 < y1)
        y += y1 - by1;
    else if (bx2 > x2)
        x -= bx2 - x2;
    else if (by2 > y2)
        y -= by2 - y2;
    else
        return false;
    return true;
}

bool collide(float ax1, float ay1, float ax2, float ay2, float bx1, float by1, float bx2, float by2)
{
    return ax1 <= bx2 && bx1 <= ax2 && ay1 <= by2 && by1 <= ay2;
}
