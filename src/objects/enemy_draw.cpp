// Drawing an enemy: follows the fields its behaviour sets (height, scale,
// rotation, opacity, overlay), never its type.
#include "enemy.h"
#include "fblend.h"
#include "engine.h"

namespace {

const float SCREEN_MIDDLE_X = 320.0f, SCREEN_MIDDLE_Y = 240.0f;
// A thing at height `drop` is drawn pushed away from the screen centre by
// drop times its offset over these distances (1.0 at x 480 or y 360).
const double PERSPECTIVE_X = 160.0, PERSPECTIVE_Y = 120.0;
const float SHADOW_GROWTH = 10.0f;  // extra radius at the start height
const int SHADOW_MARGIN = 5;
const int SHADOW_OPACITY = 64;
const int MASK_NUDGE_GREEN = 8;  // green that keeps a colour off the mask at 15/16 bits

// The translucent blit blends bitmaps of its destination's depth only. An
// overlay of another depth (the zap frames keep 32 bits for their alpha on a
// 15- or 16-bit screen) is copied at the buffer's depth with its see-through
// pixels (alpha 0) as the mask colour, so a dying spinner's zap fades with the
// body just as it does at 32 bits. The caller destroys the copy.
BITMAP* overlay_at_depth(BITMAP* overlay, int depth)
{
    BITMAP* copy = create_bitmap_ex(depth, overlay->w, overlay->h);
    if (!copy)
        quit_error("Out of memory!!!\n\n");
    const int from = bitmap_color_depth(overlay);
    const int from_mask = bitmap_mask_color(overlay);
    const int mask = bitmap_mask_color(copy);
    for (int y = 0; y < overlay->h; ++y)
        for (int x = 0; x < overlay->w; ++x) {
            const int c = getpixel(overlay, x, y);
            if (c == from_mask || (from == 32 && geta32(c) == 0)) {
                putpixel(copy, x, y, mask);
                continue;
            }
            const int r = getr_depth(from, c), b = getb_depth(from, c);
            int out = makecol_depth(depth, r, getg_depth(from, c), b);
            if (out == mask)  // a near-magenta that fewer bits would turn see-through
                out = makecol_depth(depth, r, MASK_NUDGE_GREEN, b);
            putpixel(copy, x, y, out);
        }
    return copy;
}

}  // namespace

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
                rotate_sprite(tmp, spr, 0, 0, angle_to_fixed(angle));
            fblend_trans(tmp, buffer, X, Y, alpha);
            destroy_bitmap(tmp);
        }
    } else if (!scaled) {
        if (rotated)
            rotate_sprite(buffer, spr, X, Y, angle_to_fixed(angle));
        else
            draw_sprite(buffer, spr, X, Y);
    } else {
        stretch_sprite(buffer, spr, X, Y, to_pixel(bw), to_pixel(bh));
    }

    if (!overlay)
        return;
    if (alpha < ENEMY_OPAQUE) {
        const int oy = overlay_alpha ? Y : to_pixel(base_y);
        const int depth = bitmap_color_depth(buffer);
        if (bitmap_color_depth(overlay) == depth) {
            fblend_trans(overlay, buffer, X, oy, alpha);
        } else {
            BITMAP* copy = overlay_at_depth(overlay, depth);
            fblend_trans(copy, buffer, X, oy, alpha);
            destroy_bitmap(copy);
        }
    } else if (!overlay_alpha) {
        // A ball's ground mark stays on its ground line while the body bobs.
        draw_sprite(buffer, overlay, X, to_pixel(base_y));
    } else {
        set_alpha_blender();
        draw_trans_sprite(buffer, overlay, X, Y);
    }
}
