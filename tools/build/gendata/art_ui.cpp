// Signs, heads-up display pieces and the menu's glossy alpha pictures.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace {
RGBA c(uint32_t hex, float a = 1)
{
    return rgb(hex, a);
}

// The game's lettering look: cream to gold with a dark edge (as the font).
Paint gold_fill(float top, float bottom)
{
    return [=](const Frag& f) {
        const float t = clamp01((f.y - top) / (bottom - top));
        RGBA col =
            t < 0.45f ? mix(c(0xfffce0), c(0xffe070), t / 0.45f) : mix(c(0xffc030), c(0xe05a10), (t - 0.45f) / 0.55f);
        return col;
    };
}

// Rows and columns that hold ink in a mask (for centring text by its ink).
void ink_box(const Mask& m, int& x0, int& y0, int& x1, int& y1)
{
    x0 = m.w;
    y0 = m.h;
    x1 = -1;
    y1 = -1;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.at(x, y) > 0.25f) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
}

// Draws text so that its ink is centred on (cx, cy).
void text_centred_on(Image& img, float cx, float cy, const std::string& s, TextStyle st)
{
    const Mask m = text_mask(st.face, st.size_px, s, st.tracking);
    int x0, y0, x1, y1;
    ink_box(m, x0, y0, x1, y1);
    const float ox = cx - (x0 + x1 + 1) / 2.0f, oy = cy - (y0 + y1 + 1) / 2.0f;
    // The fill's gradient runs over the ink, not over the face's line height.
    const Paint inner = st.fill;
    st.fill = [=](const Frag& f) { return inner(Frag {f.x - x0, f.y - y0, f.d, f.nx, f.ny}); };
    draw_text(img, ox, oy, s, st);
}

// Largest size at which s fits max_w pixels of ink.
int fit_size(Face face, const std::string& s, int max_w, int largest, int tracking = 0)
{
    int size = largest;
    while (size > 6 && text_width(face, size, s, tracking) > max_w)
        --size;
    return size;
}

Image shear(const Image& src, float k)
{
    // Leans lettering forward: rows further up move further right.
    const int extra = static_cast<int>(std::ceil(std::fabs(k) * src.h));
    Image out(src.w + extra, src.h);
    for (int y = 0; y < src.h; ++y) {
        const float off = k * (src.h - 1 - y);
        const int io = static_cast<int>(std::floor(off));
        const float fr = off - io;
        for (int x = 0; x < src.w; ++x) {
            blend_px(out, x + io, y, src.at(x, y), 1 - fr);
            blend_px(out, x + io + 1, y, src.at(x, y), fr);
        }
    }
    return out;
}
}  // namespace

// ---- signs -----------------------------------------------------------------------

Image art_sign(const std::string& words, int max_w, int max_h)
{
    Image img(max_w, max_h);
    TextStyle st;
    st.face = Face::SANS_BOLD;
    st.size_px = fit_size(st.face, words, max_w - 40, max_h, 2);
    st.tracking = 2;
    st.fill = [](const Frag& f) {
        RGBA col = gold_fill(0, 70)(f);
        if (std::fmod(f.y, 70.0f) > 30 && std::fmod(f.y, 70.0f) < 33)
            col = mix(col, c(0xffffff), 0.6f);
        return col;
    };
    st.outline = c(0x3a0a04);
    st.outline_px = 4;
    st.shadow = c(0x000000, 1);
    st.shadow_dx = 4;
    st.shadow_dy = 5;
    Image lettering(max_w, max_h);
    text_centred_on(lettering, max_w / 2.0f - 8, max_h / 2.0f - 2, words, st);
    lettering = shear(lettering, 0.18f);
    composite(img, lettering, 0, 0);
    harden(img);
    return img;
}

// ---- heads-up display ----------------------------------------------------------

Image art_hud_label(const std::string& words)
{
    const int w = words.size() <= 2 ? 20 : 36;
    Image img(w, size::HUD_LABEL_H);
    TextStyle st;
    st.size_px = 10;
    st.fill = vgrad(c(0xfff4c0), c(0xf0a030), 0, 8);
    st.outline = c(0x1a0c04);
    st.outline_px = 1;
    text_centred_on(img, w / 2.0f, size::HUD_LABEL_H / 2.0f, words, st);
    harden(img);
    return img;
}

// The HUD icons are only 8 x 10: drawn shapes blur into blobs at that size,
// so they are placed pixel by pixel, with the sprites' dark rim and the light
// from the top-left.
Image art_hud_icon_heart()
{
    return pixel_art({"........", ".kk..kk.", "kHhkkrrk", "khrrrrrk", "krrrrrrk", "krrrrrdk", ".krrrdk.", "..krdk..",
                         "...kk...", "........"},
        {{'k', ink::OUTLINE}, {'H', 0xffe0e4}, {'h', 0xff6a78}, {'r', 0xe41c30}, {'d', 0x8a0c18}});
}

Image art_hud_icon_flame()
{
    return pixel_art({"...k....", "..kok...", "..koyk..", ".kooyok.", ".koywok.", "kroywyok", "kroywyrk", "krooyork",
                         ".krrrrk.", "..kkkk.."},
        {{'k', ink::OUTLINE}, {'w', 0xfffbe0}, {'y', 0xffd040}, {'o', 0xf88020}, {'r', 0xc82410}});
}

Image art_hud_icon_lives()
{
    // The craft seen from above: gun, hull, glass canopy, trim and wheels.
    return pixel_art({"...gk...", "...gk...", ".kCcck..", "kwCbbcwk", "kwcbbcwk", ".kcccsk.", "kwcyyswk", "kwcssswk",
                         ".kkkkkk.", "........"},
        {{'k', ink::OUTLINE}, {'g', 0xc0c8d4}, {'C', 0x9af0ff}, {'c', ink::CRAFT}, {'s', 0x16708a},
            {'b', ink::CRAFT_GLASS}, {'y', ink::CRAFT_TRIM}, {'w', 0x4a4a56}});
}

Image art_hud_pip()
{
    Image img(HUD_PIP_W, HUD_PIP_H);
    const RGBA rows[5] = {c(0xb0ffa0), c(0x60e040), c(0x38c028), c(0x209018), c(0x0c4a0a)};
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            RGBA col = rows[y];
            if (x == 0 || x == img.w - 1)
                col = scale_rgb(col, 0.6f);
            img.at(x, y) = col;
        }
    return img;
}

Image art_hud_pattern(bool max)
{
    // Diagonal stripes that tile seamlessly at 8 pixels.
    Image img(size::HUD_PATTERN, size::HUD_PATTERN);
    const RGBA a = max ? c(0xff2010) : c(0xffc030), b = max ? c(0x801008) : c(0xf07018);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const int d = (x + y) % size::HUD_PATTERN;
            img.at(x, y) = d < 4 ? mix(a, c(0xffffff), d == 1 ? 0.3f : 0.0f) : b;
        }
    return img;
}

// ---- menu pictures (alpha) ----------------------------------------------------------

Image art_menu_item(const std::string& words)
{
    const int w = size::MENU_ITEM_W, h = size::MENU_ITEM_H;
    Image img(w, h);
    const Pen pen {&img, Xf {}};
    // Soft drop shadow, glass plate, bright rim and a gloss on the upper half.
    Image sh(w, h);
    Pen {&sh, Xf {}}.rrect(5, 6, w - 2, h - 1, 13, flat(c(0x000000, 0.55f)));
    composite(img, blur(sh, 2.5f), 0, 0);
    pen.rrect(2, 2, w - 4, h - 4, 13, flat(c(0x9adcff)));
    pen.rrect(4, 4, w - 6, h - 6, 11, vgrad(c(0x2a5ab8), c(0x0a1a4a), 4, h - 6));
    pen.rrect(7, 5, w - 9, h / 2.0f - 1, 9, vgrad(c(0xffffff, 0.45f), c(0xffffff, 0.05f), 5, h / 2.0f));
    TextStyle st;
    st.size_px = fit_size(st.face, words, w - 26, 20);
    st.fill = vgrad(c(0xffffff), c(0xffd860), 0, 14);
    st.outline = c(0x0a1030);
    st.outline_px = 1.5f;
    text_centred_on(img, w / 2.0f - 1, h / 2.0f - 1, words, st);
    return img;
}

Image art_arrow(bool right)
{
    const int w = size::ARROW_W, h = size::ARROW_H;
    Image img(w, h);
    const float tip = right ? w - 3.0f : 3.0f, back = right ? 4.0f : w - 4.0f;
    Image glow(w, h);
    Pen {&glow, Xf {}}.poly({back, 4, tip, h / 2.0f, back, h - 4.0f}, flat(c(0xffb020)));
    for (RGBA& p : glow.px)
        p.a *= 0.8f;
    composite(img, blur(glow, 2.5f), 0, 0);
    const Pen pen {&img, Xf {}};
    pen.poly({back, 6, tip - (right ? 1 : -1) * 1.5f, h / 2.0f, back, h - 6.0f}, flat(c(0x3a1804)), 1.2f);
    pen.poly({back, 6, tip - (right ? 1 : -1) * 1.5f, h / 2.0f, back, h - 6.0f},
        vgrad(c(0xfff0a0), c(0xf07010), 6, h - 6.0f));
    return img;
}

Image art_logo()
{
    const int w = size::LOGO_W, h = size::LOGO_H;
    Image letters(w, h);
    TextStyle big;
    big.face = Face::SANS_BOLD;
    big.size_px = 76;
    big.tracking = -1;
    big.fill = gold_fill(18, 80);
    big.outline = c(0x4a0804);
    big.outline_px = 4;
    TextStyle small = big;
    small.size_px = 40;
    small.fill = [](const Frag& f) { return mix(c(0xffffff), c(0x9adcff), clamp01(f.y / 40)); };
    small.outline = c(0x0a1030);
    small.outline_px = 3;
    draw_text(letters, 12, 4, "El", small);
    draw_text(letters, 58, 8, "Vorlin", big);
    letters = shear(letters, 0.2f);
    // A speed swoosh under the name.
    Image swoosh(w, h);
    Pen {&swoosh, Xf {}}.taper(28, 98, 340, 92, 1.2f, 5.5f, hgrad(c(0xff6010, 0.2f), c(0xffd040), 28, 340));
    Image img(w, h);
    Image glow = letters;
    for (RGBA& p : glow.px)
        p = with_alpha(c(0xff8020), p.a * 0.7f);
    composite(img, blur(glow, 6), 0, 0);
    composite(img, swoosh, 0, 0);
    composite(img, letters, 0, 0);
    return img;
}

Image art_pause_panel()
{
    const int w = size::PAUSE_PANEL_W, h = size::PAUSE_PANEL_H;
    Image img(w, h);
    const Pen pen {&img, Xf {}};
    pen.rrect(0, 0, w, h, 18, flat(c(0x9adcff, 0.9f)));
    pen.rrect(3, 3, w - 3, h - 3, 15, vgrad(c(0x1a2a5a, 0.92f), c(0x060a1e, 0.92f), 0, h));
    pen.rrect(8, 6, w - 8, 60, 12, vgrad(c(0xffffff, 0.18f), c(0xffffff, 0.02f), 6, 60));
    TextStyle title;
    title.size_px = 34;
    title.tracking = 3;
    title.fill = gold_fill(0, 26);
    title.outline = c(0x2a0804);
    title.outline_px = 2.5f;
    text_centred_on(img, w / 2.0f, 40, "PAUSED", title);
    pen.capsule(30, 76, w - 30, 76, 1, hgrad(c(0x9adcff, 0.0f), c(0x9adcff, 0.9f), 30, w / 2.0f));
    pen.capsule(w / 2.0f, 76, w - 30, 76, 1, hgrad(c(0x9adcff, 0.9f), c(0x9adcff, 0.0f), w / 2.0f, w - 30));
    TextStyle item;
    item.size_px = 20;
    item.fill = vgrad(c(0xffffff), c(0xa8d8ff), 0, 20);
    item.outline = c(0x040818);
    item.outline_px = 1.5f;
    const float mid = size::PAUSE_MARKER / 2.0f;
    const Mask m = text_mask(item.face, item.size_px, "Continue");
    int x0, y0, x1, y1;
    ink_box(m, x0, y0, x1, y1);
    const float cap_mid = (y0 + y1 + 1) / 2.0f;
    draw_text(img, PAUSE_TEXT_X, PAUSE_ROW_Y[0] + mid - cap_mid, "Continue", item);
    draw_text(img, PAUSE_TEXT_X, PAUSE_ROW_Y[1] + mid - cap_mid, "Quit", item);
    return img;
}

Image art_pause_marker()
{
    const int s = size::PAUSE_MARKER;
    Image img(s, s);
    Image glow(s, s);
    Pen {&glow, Xf {}}.circle(s / 2.0f, s / 2.0f, 8, flat(c(0xffc040)));
    composite(img, blur(glow, 3), 0, 0);
    const Pen pen {&img, Xf {}};
    pen.poly({6, 5, 20, 12, 6, 19}, flat(c(0x3a1004)), 1.2f);
    pen.poly({6, 5, 20, 12, 6, 19}, sphere(c(0xffb030), 10, 10, 10, 0.8f));
    return img;
}
