// Shared steps of every sprite and every illustration that reuses one.
#include "art.h"

#include <cmath>

namespace {
const float SHADOW_OFFSET_X = 5, SHADOW_OFFSET_Y = 8;  // the light is at the top-left
const float SHADOW_BLUR_PX = 4;
}

Image make_sprite(int w, int h, const Painter& paint, bool outlined)
{
    Image img(w, h);
    paint(Pen {&img, Xf {}});
    harden(img);
    if (outlined)
        outline(img);
    return img;
}

void stamp(
    Image& pic, const Painter& paint, int w, int h, float cx, float cy, float s, float angle, float rim, float shadow)
{
    const float diag = std::sqrt(static_cast<float>(w * w + h * h)) * s;
    const int pad = static_cast<int>(rim) + 12;
    const int size = static_cast<int>(std::ceil(diag)) + 2 * pad;
    Image layer(size, size);
    const float c = std::cos(angle), sn = std::sin(angle);
    const float hx = w * s / 2, hy = h * s / 2;
    Xf xf {size / 2.0f - (c * hx - sn * hy), size / 2.0f - (sn * hx + c * hy), s, angle};
    paint(Pen {&layer, xf});
    if (rim > 0)
        soft_outline(layer, rgb(ink::OUTLINE), rim);
    const int lx = static_cast<int>(std::lround(cx - size / 2.0f)),
              ly = static_cast<int>(std::lround(cy - size / 2.0f));
    if (shadow > 0) {
        const Image sh = shadow_of(layer, SHADOW_BLUR_PX, shadow);
        composite(pic, sh, lx + static_cast<int>(SHADOW_OFFSET_X), ly + static_cast<int>(SHADOW_OFFSET_Y));
    }
    composite(pic, layer, lx, ly);
}
