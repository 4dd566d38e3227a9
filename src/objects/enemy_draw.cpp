// Drawing an enemy: follows the fields its behaviour sets (height, scale,
// rotation, opacity, overlay), never its type.
#include "enemy.h"
#include "fblend.h"
#include "vorlin.h"

namespace {

const float SCREEN_MIDDLE_X = 320.0f, SCREEN_MIDDLE_Y = 240.0f;
// A thing at height `drop` is drawn pushed away from the screen centre by
// drop times its offset over these distances (1.0 at x 480 or y 360).
const double PERSPECTIVE_X = 160.0, PERSPECTIVE_Y = 120.0;
const float SHADOW_GROWTH = 10.0f;     // extra radius at the start height
const int SHADOW_MARGIN = 5;
const int SHADOW_OPACITY = 64;

} // namespace

void ENEMY::draw_shadow(int sw, int sh) const
{
    int rx = to_pixel((drop / ENEMY_START_DROP) * SHADOW_GROWTH + sw / 2) + SHADOW_MARGIN;
    int ry = to_pixel((drop / ENEMY_START_DROP) * SHADOW_GROWTH + sh / 2) + SHADOW_MARGIN;
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    set_trans_blender(0, 0, 0, SHADOW_OPACITY);
    ellipsefill(buffer, to_pixel(x), to_pixel(y), rx, ry, 0);
    solid_mode();
}

void ENEMY::draw()
{
    int sw = spr->w, sh = spr->h;
    float bw = box_w();
    float bh = box_h();
    bool scaled = w != 0 || h != 0;
    bool rotated = angle != 0;

    float px = x, py = y;
    if (drop != 0) {
        float fx = (px - SCREEN_MIDDLE_X) / PERSPECTIVE_X;
        float fy = (py - SCREEN_MIDDLE_Y) / PERSPECTIVE_Y;
        if (fx != 0)
            px += drop * fx;
        if (fy != 0)
            py += drop * fy;
        draw_shadow(sw, sh);
    }
    if (centered) {
        px -= bw / 2;
        py -= bh / 2;
    }
    int X = to_pixel(px), Y = to_pixel(py);

    if (alpha < ENEMY_OPAQUE) {
        if (!scaled && !rotated) {
            fblend_trans(spr, buffer, X, Y, alpha);
        } else {
            // fblend_trans blends whole bitmaps only, so a scaled or turned
            // body is made first; what turns out of the sprite's size is lost.
            int tw = static_cast<int>(bw);
            int th = static_cast<int>(bh);
            BITMAP* tmp = create_bitmap(tw, th);
            if (!tmp)
                quit_error("Out of memory!!!\n\n");
            clear_to_color(tmp, makecol(255, 0, 255));
            if (scaled)
                stretch_sprite(tmp, spr, 0, 0, to_pixel(bw), to_pixel(bh));
            else
                rotate_sprite(tmp, spr, 0, 0, ftofix(angle));
            fblend_trans(tmp, buffer, X, Y, alpha);
            destroy_bitmap(tmp);
        }
    } else if (!scaled) {
        if (rotated)
            rotate_sprite(buffer, spr, X, Y, ftofix(angle));
        else
            draw_sprite(buffer, spr, X, Y);
    } else {
        stretch_sprite(buffer, spr, X, Y, to_pixel(bw), to_pixel(bh));
    }

    if (!overlay)
        return;
    if (alpha < ENEMY_OPAQUE) {
        fblend_trans(overlay, buffer, X, overlay_alpha ? Y : to_pixel(base_y), alpha);
    } else if (!overlay_alpha) {
        // A ball's ground mark stays on its ground line while the body bobs.
        draw_sprite(buffer, overlay, X, to_pixel(base_y));
    } else {
        set_alpha_blender();
        draw_trans_sprite(buffer, overlay, X, Y);
    }
}
