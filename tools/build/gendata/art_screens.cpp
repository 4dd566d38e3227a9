// Full-screen pictures: intro card, title background, briefings, game over,
// the joypad page and the two ending pictures. Scenes reuse the sprites'
// painters at large scale so the pictures show the game's own cast.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace {
const float PI = 3.14159265f;
const int W = size::SCREEN_W, H = size::SCREEN_H;

RGBA c(uint32_t hex, float a = 1)
{
    return rgb(hex, a);
}

// ---- picture-wide effects ----

void tint(Image& img, RGBA col, float amount)
{
    for (RGBA& p : img.px)
        p = with_alpha(mix(p, col, amount), p.a);
}

void darken(Image& img, float f)
{
    for (RGBA& p : img.px)
        p = scale_rgb(p, f);
}

void vignette(Image& img, float strength)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float dx = (x - img.w / 2.0f) / (img.w / 2.0f), dy = (y - img.h / 2.0f) / (img.h / 2.0f);
            img.at(x, y) = scale_rgb(img.at(x, y), 1 - strength * clamp01((dx * dx + dy * dy) * 0.55f));
        }
}

// A calm, darkened area with soft edges, so text drawn there reads.
void calm(Image& img, float x0, float y0, float x1, float y1, float feather, float amount)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float d = sd_rrect(x + 0.5f, y + 0.5f, x0, y0, x1, y1, feather);
            const float k = 1 - smoothstep(-feather, feather, d);
            if (k > 0)
                img.at(x, y) = scale_rgb(img.at(x, y), 1 - amount * k);
        }
}

// Additive-looking light: a soft radial glow.
void glow(Image& img, float cx, float cy, float r, RGBA col, float strength)
{
    for (int y = std::max(0, static_cast<int>(cy - r)); y < std::min(img.h, static_cast<int>(cy + r)); ++y)
        for (int x = std::max(0, static_cast<int>(cx - r)); x < std::min(img.w, static_cast<int>(cx + r)); ++x) {
            const float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / r;
            if (d >= 1)
                continue;
            const float k = strength * (1 - d) * (1 - d);
            RGBA& p = img.at(x, y);
            p.r = clamp01(p.r + col.r * k);
            p.g = clamp01(p.g + col.g * k);
            p.b = clamp01(p.b + col.b * k);
        }
}

Image floor_picture(int floor)
{
    Image img(W, H);
    paint_floor(img, floor);
    return img;
}

// ---- cast members, painted large ----

void tracer(Image& img, float x0, float y0, float x1, float y1)
{
    Image l(W, H);
    Pen {&l, Xf {}}.taper(x0, y0, x1, y1, 1.0f, 3.2f, hgrad(c(0xff8020, 0.1f), c(0xfff0b0), 0, 1));
    Pen {&l, Xf {}}.capsule(x1 - (x1 - x0) * 0.06f, y1 - (y1 - y0) * 0.06f, x1, y1, 2.2f, flat(c(0xffffff)));
    composite(img, blur(l, 3), 0, 0);
    composite(img, l, 0, 0);
}

void burst(Image& img, float cx, float cy, float r, uint32_t seed)
{
    // A cartoon explosion: a glowing star of flame with a white-hot core.
    Rng rng(seed);
    std::vector<float> star;
    const int points = 12;
    for (int i = 0; i < points * 2; ++i) {
        const float a = i * PI / points + rng.range(-0.1f, 0.1f);
        const float rad = (i % 2 ? 0.45f : 1.0f) * r * rng.range(0.8f, 1.1f);
        star.push_back(cx + std::cos(a) * rad);
        star.push_back(cy + std::sin(a) * rad);
    }
    glow(img, cx, cy, r * 2.2f, c(0xff7020), 0.9f);
    const Pen pen {&img, Xf {}};
    pen.poly(star, flat(c(0xff5010)));
    std::vector<float> inner;
    for (size_t i = 0; i < star.size(); i += 2) {
        inner.push_back(cx + (star[i] - cx) * 0.65f);
        inner.push_back(cy + (star[i + 1] - cy) * 0.65f);
    }
    pen.poly(inner, flat(c(0xffc030)));
    pen.circle(cx, cy, r * 0.3f, flat(c(0xfffbe0)));
}

void smoke(Image& img, float cx, float cy, float r, uint32_t seed)
{
    // Billowing puffs drifting up and to the right, lit from the top-left,
    // thinning as they rise.
    Image l(W, H);
    Rng rng(seed);
    const int puffs = 16;
    for (int i = 0; i < puffs; ++i) {
        const float t = static_cast<float>(i) / puffs;
        const float x = cx + t * r * 2.2f + rng.range(-r, r) * (0.3f + t * 0.6f);
        const float y = cy - t * r * 4.5f + rng.range(-r, r) * 0.25f;
        const float rad = r * (0.35f + 0.5f * t) * rng.range(0.8f, 1.15f);
        Pen {&l, Xf {}}.circle(x, y, rad, sphere(c(0x4a4440, 0.85f * (1 - 0.6f * t)), x, y, rad, 0.05f));
    }
    composite(img, blur(l, r * 0.12f), 0, 0);
}

// Soft beams of light fanning out from (cx, cy); `phase` turns the fan, in
// beams, so two pictures shown in turn seem to wheel.
void rays(Image& img, float cx, float cy, int count, RGBA col, float strength, float phase)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            const float dist = std::sqrt(dx * dx + dy * dy);
            const float beam = 0.5f + 0.5f * std::cos((std::atan2(dy, dx) * count / (2 * PI) + phase) * 2 * PI);
            const float k =
                strength * smoothstep(0.55f, 1.0f, beam) * smoothstep(20, 90, dist) * (1 - smoothstep(150, 420, dist));
            RGBA& p = img.at(x, y);
            p.r = clamp01(p.r + col.r * k);
            p.g = clamp01(p.g + col.g * k);
            p.b = clamp01(p.b + col.b * k);
        }
}

// A scorched hollow where something huge fell: a dark dish with a lit far
// rim and molten cracks running out of it.
void crater(Image& img, float cx, float cy, float rx, float ry, uint32_t seed)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d > 1.4f)
                continue;
            RGBA& p = img.at(x, y);
            p = scale_rgb(p, 1 - 0.75f * (1 - smoothstep(0.7f, 1.4f, d)));
            // The lower rim faces the light from the top-left.
            const float rim = (1 - std::fabs(d - 1) * 6) * clamp01(0.3f + dy);
            if (rim > 0)
                p = mix(p, c(0x8a5a3a), 0.35f * clamp01(rim));
        }
    Rng rng(seed);
    const Pen pen {&img, Xf {}};
    for (int i = 0; i < 9; ++i) {
        const float a = i * 2 * PI / 9 + rng.range(-0.2f, 0.2f);
        float x = cx + std::cos(a) * rx * 0.8f, y = cy + std::sin(a) * ry * 0.8f;
        const float len = rng.range(0.5f, 0.9f) * rx;
        for (int k = 0; k < 3; ++k) {
            const float b = a + rng.range(-0.4f, 0.4f);
            const float nx = x + std::cos(b) * len / 3, ny = y + std::sin(b) * len / 3 * (ry / rx);
            glow(img, (x + nx) / 2, (y + ny) / 2, len / 3, c(0xff5010), 0.25f);
            pen.taper(x, y, nx, ny, 2.2f - k * 0.6f, 1.6f - k * 0.5f, flat(c(0xffa030)));
            x = nx;
            y = ny;
        }
    }
}

// A firework shell bursting: glowing streaks out from the centre, each
// ending in a spark.
void firework(Image& img, float cx, float cy, float r, RGBA col, uint32_t seed)
{
    Rng rng(seed);
    glow(img, cx, cy, r * 1.6f, col, 0.35f);
    Image l(W, H);
    const Pen pen {&l, Xf {}};
    const int streaks = 18;
    for (int i = 0; i < streaks; ++i) {
        const float a = i * 2 * PI / streaks + rng.range(-0.08f, 0.08f);
        const float len = r * rng.range(0.75f, 1.0f);
        const float ex = cx + std::cos(a) * len, ey = cy + std::sin(a) * len + len * 0.12f;  // sagging as they fall
        pen.taper(cx + std::cos(a) * r * 0.25f, cy + std::sin(a) * r * 0.25f, ex, ey, 0.4f, 1.3f,
            flat(with_alpha(col, 0.8f)));
        pen.circle(ex, ey, 1.8f, flat(mix(col, c(0xffffff), 0.7f)));
    }
    composite(img, blur(l, 2.5f), 0, 0);
    composite(img, l, 0, 0);
    pen.circle(cx, cy, r * 0.12f, flat(c(0xffffff)));
}

void craft(Image& img, float cx, float cy, float s, float angle, int damage = 0)
{
    stamp(
        img, [damage](const Pen& p) { paint_craft(p, damage); }, size::PLAYER_W, size::PLAYER_H, cx, cy, s, angle,
        std::max(1.5f, s * 0.5f));
}

void walker(Image& img, bool person, int step, float cx, float cy, float s)
{
    stamp(
        img, [=](const Pen& p) { paint_walker(p, person, step); }, size::WALKER_W, size::WALKER_H, cx, cy, s, 0,
        std::max(1.5f, s * 0.5f));
}

void actor(Image& img, const Painter& paint, int w, int h, float cx, float cy, float s, float angle = 0)
{
    stamp(img, paint, w, h, cx, cy, s, angle, std::max(1.5f, s * 0.5f));
}

// The briefings' shared frame: the level's own floor, calm corners for the
// text, a vignette and a thin border.
Image briefing_base(int level)
{
    Image img = floor_picture(LEVEL_ART[level - 1].floor - BMP_BACKGROUND_1);
    darken(img, 0.8f);
    vignette(img, 0.7f);
    return img;
}

void briefing_finish(Image& img)
{
    // Top-left: "--Level N--" at (25, 25) and the level's line below it.
    calm(img, 0, 0, 380, 72, 26, 0.75f);
    // Bottom centre: the prompt at y 460.
    calm(img, 150, 452, 490, H + 30, 20, 0.8f);
    const Pen pen {&img, Xf {}};
    // A thin gold frame round the picture.
    pen.fill([](float x, float y) { return std::fmin(std::fmin(x, y), std::fmin(W - x, H - y)) - 3; }, 0, 0, W, H,
        flat(c(0xffc040, 0.55f)));
}

Image brief_level1()
{
    Image img = briefing_base(1);
    // Blobs raining onto the field, their shadows growing as they drop.
    const float drops[][4] = {
        {470, 260, 3.2f, 0}, {300, 330, 2.6f, 60}, {560, 390, 2.2f, 25}, {180, 260, 2.0f, 80}, {420, 160, 1.8f, 110}};
    for (const auto& d : drops) {
        Pen {&img, Xf {}}.ellipse(
            d[0] - d[3] * 0.15f, d[1] + 8, 10 * d[2] + d[3] * 0.3f, 7 * d[2] + d[3] * 0.2f, flat(c(0x000000, 0.35f)));
        actor(img, paint_turd, size::TURD_W, size::TURD_H, d[0] + d[3] * 0.5f, d[1] - d[3], d[2] * (1 + d[3] / 100));
    }
    craft(img, 230, 390, 3.0f, -0.5f);
    briefing_finish(img);
    return img;
}

Image brief_level2()
{
    Image img = briefing_base(2);
    const Painter rising = [](const Pen& p) { paint_walker(p, false, 2); };
    const float spots[][3] = {{470, 200, 3.2f}, {250, 300, 2.6f}, {540, 380, 2.6f}, {370, 390, 3.4f}};
    for (int i = 0; i < 4; ++i) {
        const float x = spots[i][0], y = spots[i][1], s = spots[i][2];
        Pen {&img, Xf {}}.ellipse(x, y + 11 * s, 12 * s, 4.5f * s, flat(c(0x140a04)));
        Pen {&img, Xf {}}.ellipse(x, y + 11 * s, 13 * s, 5 * s, flat(c(0x5a3a20, 0.5f)));
        if (i % 2)
            walker(img, false, i % 2, x, y, s);
        else
            actor(img, rising, size::WALKER_W, size::WALKER_H, x, y, s);
    }
    actor(
        img, [](const Pen& p) { paint_car(p, false); }, size::CAR_W, size::CAR_H, 120, 330, 2.6f, 0.9f);
    briefing_finish(img);
    return img;
}

Image brief_level3()
{
    Image img = briefing_base(3);
    actor(
        img, [](const Pen& p) { paint_spike(p, 1); }, size::SPIKE_W, size::SPIKE_H, 140, 170, 3.2f);
    actor(
        img, [](const Pen& p) { paint_spike(p, 2); }, size::SPIKE_W, size::SPIKE_H, 540, 380, 3.2f);
    actor(
        img, [](const Pen& p) { paint_spike(p, 0); }, size::SPIKE_W, size::SPIKE_H, 520, 140, 2.4f);
    for (int i = 0; i < 3; ++i) {
        const float x = 250 + i * 110.0f, y = 260 + (i % 2) * 70.0f;
        Pen {&img, Xf {}}.ellipse(x + 6, y + 40, 30, 9, flat(c(0x000000, 0.45f)));
        actor(
            img, [](const Pen& p) { paint_ball(p, false); }, size::BALL_W, size::BALL_H, x, y, 2.8f);
    }
    briefing_finish(img);
    return img;
}

Image brief_level4()
{
    Image img = briefing_base(4);
    // Spitters along the top edge, gobbing at the craft; a spinner whirls in.
    for (int i = 0; i < 3; ++i) {
        const float x = 200 + i * 150.0f;
        actor(
            img, [i](const Pen& p) { paint_spitter(p, i == 1 ? 1 : 0); }, size::SPITTER_W, size::SPITTER_H, x, 130,
            2.6f);
    }
    for (int i = 0; i < 4; ++i)
        actor(img, paint_spit, size::SPIT_W, size::SPIT_H, 350 - i * 22.0f, 200 + i * 45.0f, 2.4f, 0.5f);
    actor(img, paint_spinner, size::SPINNER_W, size::SPINNER_H, 520, 340, 3.0f, 0.3f);
    craft(img, 250, 390, 3.0f, 0.3f);
    briefing_finish(img);
    return img;
}

Image brief_level5()
{
    Image img = briefing_base(5);
    // Skid marks of a craft sliding on the ice, hot balls and a stalker.
    for (int k = -1; k <= 1; k += 2)
        Pen {&img, Xf {}}.fill(
            [k](float x, float y) {
                const float cy = 390 - 0.0018f * (x - 140) * (x - 140) + k * 18;
                return std::fabs(y - cy) - 2.5f + (x < 140 ? 1e3f : 0) + (x > 420 ? 1e3f : 0);
            },
            130, 200, 430, 420, flat(c(0x10202a, 0.35f)));
    craft(img, 440, 300, 3.0f, 1.2f);
    actor(
        img, [](const Pen& p) { paint_ball(p, true); }, size::BALL_W, size::BALL_H, 200, 220, 2.8f);
    actor(
        img, [](const Pen& p) { paint_ball(p, true); }, size::BALL_W, size::BALL_H, 560, 170, 2.2f);
    actor(
        img, [](const Pen& p) { paint_stalker(p, 0.9f, 0); }, size::STALKER_W, size::STALKER_H, 550, 380, 3.2f);
    briefing_finish(img);
    return img;
}

Image brief_level6()
{
    Image img = briefing_base(6);
    actor(
        img, [](const Pen& p) { paint_car(p, true); }, size::CAR_W, size::CAR_H, 470, 250, 3.0f, -1.2f);
    actor(
        img, [](const Pen& p) { paint_car(p, false); }, size::CAR_W, size::CAR_H, 150, 180, 2.4f, 1.57f);
    walker(img, true, 0, 260, 340, 3.0f);
    walker(img, true, 1, 370, 380, 2.6f);
    walker(img, true, 0, 560, 400, 2.4f);
    briefing_finish(img);
    return img;
}

Image brief_level7()
{
    Image img = briefing_base(7);
    // The ring of spikes with a spitter glaring from above.
    for (int i = 0; i < 14; ++i) {
        const float a = i * 2 * PI / 14;
        actor(
            img, [i](const Pen& p) { paint_spike(p, i % 4); }, size::SPIKE_W, size::SPIKE_H, 400 + std::cos(a) * 150,
            280 + std::sin(a) * 120, 1.5f);
    }
    actor(
        img, [](const Pen& p) { paint_spitter(p, 1); }, size::SPITTER_W, size::SPITTER_H, 400, 90, 2.4f);
    actor(
        img, [](const Pen& p) { paint_stalker(p, 1, 1); }, size::STALKER_W, size::STALKER_H, 400, 280, 3.0f);
    actor(img, paint_spinner, size::SPINNER_W, size::SPINNER_H, 120, 350, 2.4f, 0.2f);
    briefing_finish(img);
    return img;
}

Image brief_level8()
{
    Image img = briefing_base(8);
    glow(img, 360, 260, 300, c(0xff3010), 0.5f);
    actor(
        img, [](const Pen& p) { paint_boss(p, 0); }, size::BOSS_W, size::BOSS_H, 380, 250, 3.4f);
    craft(img, 160, 400, 2.2f, 0.4f);
    briefing_finish(img);
    return img;
}
}  // namespace

Image art_briefing(int level)
{
    Image (*const briefings[])() = {
        brief_level1, brief_level2, brief_level3, brief_level4, brief_level5, brief_level6, brief_level7, brief_level8};
    const int count = sizeof briefings / sizeof briefings[0];
    // Any level outside the table gets the last level's briefing.
    return briefings[level >= 1 && level <= count ? level - 1 : count - 1]();
}

Image art_intro()
{
    Image img = floor_picture(6);
    darken(img, 0.55f);
    glow(img, 320, 300, 420, c(0xff5018), 0.55f);
    vignette(img, 0.8f);
    // The craft blasting a guy, tracers leaving its gun's muzzle.
    const float ccx = 220, ccy = 340, cs = 4.4f, ca = 1.0f;
    const float reach = (size::PLAYER_H / 2.0f - 1) * cs;
    const float mx = ccx + std::sin(ca) * reach, my = ccy - std::cos(ca) * reach;
    tracer(img, mx, my, 425, 203);
    tracer(img, mx + 4, my + 6, 488, 262);
    burst(img, 440, 195, 34, 63);
    walker(img, false, 0, 520, 260, 3.4f);
    actor(
        img, [](const Pen& p) { paint_ball(p, true); }, size::BALL_W, size::BALL_H, 560, 400, 2.6f);
    actor(img, paint_turd, size::TURD_W, size::TURD_H, 110, 190, 2.6f);
    craft(img, ccx, ccy, cs, ca);
    // Title lettering across the top.
    const Image logo = art_logo();
    composite(img, logo, (W - logo.w) / 2, 16);
    TextStyle st;
    st.size_px = 16;
    st.tracking = 3;
    st.fill = vgrad(c(0xffffff), c(0xb0d8ff), 0, 16);
    st.outline = c(0x000000);
    st.outline_px = 1.5f;
    draw_text_centred(img, W / 2.0f, 442, "EIGHT ARENAS  -  ONE CRAFT  -  NO MERCY", st);
    return img;
}

Image art_title_background()
{
    Image img = floor_picture(3);
    darken(img, 0.5f);
    glow(img, 470, 250, 330, c(0x30a0ff), 0.45f);
    vignette(img, 0.6f);
    // The cast lined up on the right, the craft in front.
    actor(
        img, [](const Pen& p) { paint_boss(p, 0); }, size::BOSS_W, size::BOSS_H, 500, 200, 2.5f);
    walker(img, false, 0, 340, 250, 2.6f);
    walker(img, true, 1, 610, 320, 2.4f);
    actor(
        img, [](const Pen& p) { paint_ball(p, false); }, size::BALL_W, size::BALL_H, 140, 300, 2.4f);
    actor(img, paint_spinner, size::SPINNER_W, size::SPINNER_H, 240, 360, 2.0f, 0.4f);
    craft(img, 450, 360, 3.6f, -0.25f);
    // Room for the logo at the top-left and a calm band for the carousel.
    calm(img, 0, 0, 380, 120, 30, 0.6f);
    for (int y = 400; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.at(x, y) = scale_rgb(img.at(x, y), 1 - 0.8f * smoothstep(400, 420, static_cast<float>(y)));
    const Pen pen {&img, Xf {}};
    pen.capsule(0, 409, W, 409, 0.8f, hgrad(c(0x30a0ff, 0.1f), c(0x9adcff, 0.8f), 0, W));
    return img;
}

Image art_game_over()
{
    Image img = floor_picture(6);
    darken(img, 0.35f);
    tint(img, c(0x400000), 0.35f);
    glow(img, 320, 290, 260, c(0xff4010), 0.4f);
    craft(img, 320, 300, 5.0f, 0.35f, 2);
    glow(img, 300, 290, 60, c(0xff8020), 0.6f);
    smoke(img, 330, 260, 50, 55);
    vignette(img, 0.9f);
    TextStyle st;
    st.size_px = 78;
    st.tracking = 4;
    st.fill = [](const Frag& f) { return mix(c(0xffe0c0), c(0xb01008), clamp01((f.y - 20) / 70)); };
    st.outline = c(0x1a0000);
    st.outline_px = 4;
    st.shadow = c(0x000000, 0.8f);
    st.shadow_dx = 5;
    st.shadow_dy = 6;
    st.shadow_blur = 4;
    draw_text_centred(img, W / 2.0f, 40, "GAME OVER", st);
    return img;
}

Image art_joypad()
{
    Image img(W, H);
    // Dark blue studio backdrop, kept smooth where the labels go.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            img.at(x, y) = mix(c(0x16203a), c(0x05070e),
                clamp01(y / static_cast<float>(H)) * 0.8f + 0.12f * fbm(x / 160.0f, y / 160.0f, 2, 27));
    // The pad sits between the label rows: grips on both sides, the body in
    // the middle, clear of every label spot.
    Image pad(W, H);
    const Pen p {&pad, Xf {}};
    const RGBA shell = c(0x565c6e), dark = c(0x24262e);
    p.ellipse(112, 250, 58, 82, bevel(shell, 16, 0.6f));
    p.ellipse(548, 250, 58, 82, bevel(shell, 16, 0.6f));
    p.rrect(96, 118, 564, 288, 78, bevel(shell, 16, 0.6f));
    p.rrect(118, 104, 232, 130, 12, bevel(c(0x3a3e4a), 5, 0.6f));  // left shoulder
    p.rrect(428, 104, 542, 130, 12, bevel(c(0x3a3e4a), 5, 0.6f));  // right shoulder
    p.rrect(138, 188, 204, 214, 4, bevel(dark, 4, 0.6f));          // cross pad
    p.rrect(158, 168, 184, 234, 4, bevel(dark, 4, 0.6f));
    p.circle(171, 201, 6, flat(c(0x1a1c22)));
    p.circle(430, 236, 24, bevel(c(0x1e2028), 6, 0.6f));  // stick
    p.circle(430, 236, 15, sphere(c(0x3a3e48), 426, 232, 18, 0.5f));
    p.rrect(250, 150, 410, 182, 16, flat(c(0x4a5062)));  // centre panel
    composite(img, shadow_of(pad, 6, 0.55f), 6, 8);
    composite(img, pad, 0, 0);
    // Buttons 0 to 8, each near its label spot with a leader line to it; the
    // line ends above a label below the pad and below a label above it.
    const float buttons[9][2] = {
        {262, 250}, {336, 256}, {508, 214}, {176, 116}, {282, 166}, {378, 166}, {112, 292}, {484, 116}, {96, 330}};
    const uint32_t colours[9] = {
        0x30c040, 0xe03030, 0x3070f0, 0xc0c0c8, 0xa0a4b0, 0xa0a4b0, 0xe0b020, 0xc0c0c8, 0xb070e0};
    const float label_h = 19, label_inset = 12, leader_gap = 5;
    const Pen d {&img, Xf {}};
    for (int b = 0; b < 9; ++b) {
        const float bx = buttons[b][0], by = buttons[b][1];
        const float lx = JOYPAD_LABEL_SPOTS[b][0] + label_inset;
        const float ly = by > JOYPAD_LABEL_SPOTS[b][1] ? JOYPAD_LABEL_SPOTS[b][1] + label_h + leader_gap
                                                       : JOYPAD_LABEL_SPOTS[b][1] - leader_gap;
        d.capsule(bx, by, lx, ly, 1.0f, flat(c(0x9adcff, 0.8f)));
        d.circle(lx, ly, 2.5f, flat(c(0x9adcff)));
    }
    for (int b = 0; b < 9; ++b) {
        const float bx = buttons[b][0], by = buttons[b][1];
        const float r = (b == 4 || b == 5) ? 9.0f : 12.0f;
        d.circle(bx, by, r + 2, flat(c(0x101216)));
        d.circle(bx, by, r, sphere(c(colours[b]), bx, by, r, 0.8f));
        TextStyle st;
        st.size_px = 11;
        st.fill = flat(c(0xffffff));
        st.outline = c(0x000000);
        st.outline_px = 1;
        draw_text_centred(img, bx, by - 7, std::to_string(b), st);
    }
    return img;
}

Image art_ending(int variant)
{
    // Two frames that alternate on the beat: the craft firing its salute over
    // the boss fallen into his crater, lit warm on one beat and cold on the
    // other, with the light fan behind the title turned half a beam and the
    // fireworks going off in new places each time.
    Image img = floor_picture(6);
    darken(img, 0.4f);
    const RGBA light = variant == 0 ? c(0xffa030) : c(0x4a8cff);
    glow(img, 320, 260, 380, light, 0.6f);
    rays(img, W / 2.0f, 70, 14, light, 0.22f, variant * 0.5f);
    crater(img, 440, 350, 130, 62, 930u);
    actor(
        img, [](const Pen& p) { paint_boss(p, 3); }, size::BOSS_W, size::BOSS_H, 440, 320, 1.8f, 1.4f);
    smoke(img, 450, 300, 36, 920u + variant);
    // The salute: two tracers from the gun's muzzle into a firework.
    const float ccx = 190, ccy = 330, cs = 3.8f, ca = variant == 0 ? 0.3f : 0.5f;
    const float reach = (size::PLAYER_H / 2.0f - 1) * cs;
    const float mx = ccx + std::sin(ca) * reach, my = ccy - std::cos(ca) * reach;
    const float fx = mx + std::sin(ca) * 150, fy = my - std::cos(ca) * 150;
    const float px = std::cos(ca) * 8, py = std::sin(ca) * 8;  // beside the first tracer
    tracer(img, mx, my, fx - std::sin(ca) * 26, fy + std::cos(ca) * 26);
    tracer(img, mx + px, my + py, fx - std::sin(ca) * 80 + px, fy + std::cos(ca) * 80 + py);
    firework(img, fx, fy, 44, variant == 0 ? c(0xffd040) : c(0x80e0ff), 940u + variant);
    // Other shells placed by hand, clear of the title, the smoke and each other.
    const float shell_at[2][3][3] = {
        {{380, 178, 30}, {470, 128, 26}, {578, 196, 32}}, {{105, 150, 30}, {410, 138, 28}, {582, 186, 26}}};
    const RGBA shells[3] = {c(0xff5060), c(0x70ff90), c(0xe080ff)};
    for (int i = 0; i < 3; ++i) {
        const float* at = shell_at[variant][i];
        firework(img, at[0], at[1], at[2], shells[(i + variant) % 3], 950u + variant * 10u + i);
    }
    Rng r(900u + variant);
    for (int i = 0; i < 3; ++i)
        burst(img, r.range(330, 560), r.range(250, 290), r.range(10, 16), 910u + variant * 10u + i);
    craft(img, ccx, ccy, cs, ca);
    TextStyle st;
    st.size_px = 58;
    st.tracking = 2;
    st.fill = variant == 0 ? vgrad(c(0xfffce0), c(0xf07018), 0, 54) : vgrad(c(0xffffff), c(0x60a0ff), 0, 54);
    st.outline = c(0x100404);
    st.outline_px = 3.5f;
    st.shadow = c(0x000000, 0.7f);
    st.shadow_dx = 4;
    st.shadow_dy = 5;
    st.shadow_blur = 3;
    draw_text_centred(img, W / 2.0f, 36, "VICTORY!", st);
    vignette(img, 0.7f);
    calm(img, 450, 430, W + 30, H + 30, 20, 0.6f);
    return img;
}
