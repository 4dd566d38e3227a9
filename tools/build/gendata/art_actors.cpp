// Sprites of everything in play: the craft and its shot, enemies, their
// animation frames, wrecks and ground marks. Light from the top-left.
#include "art.h"

#include <cmath>

namespace {
const float PI = 3.14159265f;

RGBA c(uint32_t hex, float a = 1)
{
    return rgb(hex, a);
}

// Translucent grime: scorch and soot over a painted body.
Paint soot(float a)
{
    return flat(c(0x100806, a));
}

// Painter of a sprite standing in a bigger frame at (dx, dy).
Painter shifted(const Painter& p, float dx, float dy)
{
    return [=](const Pen& pen) { p(Pen {pen.img, pen.xf.then_offset(dx, dy)}); };
}

// Keeps only the pixels of `src` above `ground_y` or inside the hole ellipse,
// so a figure seems to stand in the hole up to that line.
void clip_into_hole(Image& src, float ground_y, float hx, float hy, float rx, float ry)
{
    for (int y = 0; y < src.h; ++y)
        for (int x = 0; x < src.w; ++x) {
            const float dx = (x + 0.5f - hx) / rx, dy = (y + 0.5f - hy) / ry;
            const bool in_hole = dx * dx + dy * dy < 1.0f && y + 0.5f < hy + ry * 0.4f;
            if (y + 0.5f >= ground_y && !in_hole)
                src.at(x, y).a = 0;
        }
}

// A jagged crack of `len` pixels across (cx, cy), branching a little.
void paint_crack(const Pen& p, float cx, float cy, float len, float width, uint32_t seed)
{
    Rng r(seed);
    // Loose earth heaved up round the crack, then the crack itself.
    for (int i = 0; i < 7; ++i)
        p.ellipse(cx + r.range(-len * 0.45f, len * 0.45f), cy + r.range(-1.5f, 1.5f), r.range(1.2f, 2.4f),
            r.range(0.9f, 1.6f), bevel(c(i % 2 ? 0x7a5634 : 0x5e4026), 1.2f, 0.6f));
    const Paint dark = flat(c(0x1a100a));
    for (int side = -1; side <= 1; side += 2) {
        float x = cx, y = cy;
        const int steps = 4;
        for (int i = 0; i < steps; ++i) {
            const float nx = x + side * len / (2 * steps), ny = cy + r.range(-len * 0.12f, len * 0.12f);
            p.taper(x, y, nx, ny, width * (1 - 0.2f * i), width * (1 - 0.2f * (i + 1)), dark);
            if (i == 1)
                p.taper(
                    nx, ny, nx + side * len * 0.08f, ny + r.range(-len * 0.2f, len * 0.2f), width * 0.5f, 0.2f, dark);
            x = nx;
            y = ny;
        }
    }
}

// A hole in the ground with a dirt lip: the back rim first, the front lip after the figure.
void paint_hole(const Pen& p, float cx, float cy, float rx, float ry)
{
    p.ellipse(cx, cy, rx + 1.5f, ry + 1.2f, bevel(c(0x6a4a2a), 2, 0.5f));
    p.ellipse(cx, cy, rx, ry, vgrad(c(0x0a0604), c(0x2a1a10), cy - ry, cy + ry));
}

void paint_hole_lip(const Pen& p, float cx, float cy, float rx, float ry, uint32_t seed)
{
    Rng r(seed);
    const int clods = static_cast<int>(rx / 2) + 3;
    for (int i = 0; i < clods; ++i) {
        const float t = PI * (0.1f + 0.8f * i / (clods - 1));
        const float x = cx + std::cos(t) * (rx + 0.5f), y = cy + std::sin(t) * (ry + 0.3f);
        p.circle(
            x, y, r.range(1.2f, 2.2f) * std::max(1.0f, rx / 10), bevel(c(i % 2 ? 0x7a5634 : 0x5e4026), 1.5f, 0.6f));
    }
}
}  // namespace

// ---- the player's craft ----------------------------------------------------

void paint_craft(const Pen& p, int damage)
{
    const RGBA body = damage == 0 ? c(ink::CRAFT) : damage == 1 ? c(0x2a8aa0) : c(0x3a322c);
    const RGBA trim = damage == 2 ? c(0x4a3a30) : c(ink::CRAFT_TRIM);
    const RGBA tyre = c(damage == 2 ? 0x1a1614 : 0x2a2a34);
    // Wheels under the hull; the wreck has lost its front left one.
    const float wheels[4][4] = {{1, 5, 6, 12}, {18, 5, 23, 12}, {0.5f, 19, 6, 29}, {18, 19, 23.5f, 29}};
    for (int i = 0; i < 4; ++i) {
        if (damage == 2 && i == 0)
            continue;
        const float* w = wheels[i];
        const float sag = (damage == 1 && i == 1) ? 1.0f : 0.0f;
        p.rrect(w[0], w[1] + sag, w[2], w[3] + sag, 1.5f, bevel(tyre, 2, 0.7f));
        for (float y = w[1] + 1.5f; y < w[3] - 1; y += 2.5f)
            p.capsule(w[0] + 0.8f, y + sag, w[2] - 0.8f, y + sag, 0.35f, flat(c(0x121218)));
    }
    // Hull, narrower at the nose.
    const std::vector<float> hull = {9, 2.5f, 15, 2.5f, 19.5f, 9, 19.5f, 28, 16, 31, 8, 31, 4.5f, 28, 4.5f, 9};
    p.poly(hull, bevel(body, 3, 0.65f), 0.5f);
    // Headlights on the nose, side armour plates and an orange racing stripe.
    p.circle(7.6f, 6.6f, 1.1f, flat(damage == 0 ? c(0xfffbd0) : c(0x30302a)));
    p.circle(16.4f, 6.6f, 1.1f, flat(damage == 2 ? c(0x30302a) : c(0xfffbd0)));
    p.rrect(4.8f, 13, 7, 24, 0.8f, bevel(trim, 1.2f, 0.5f));
    if (damage == 0)
        p.rrect(17, 13, 19.2f, 24, 0.8f, bevel(trim, 1.2f, 0.5f));
    else
        p.rrect(17, 13, 19.2f, 24, 0.8f, flat(c(0x2a2624)));
    p.capsule(12, 21, 12, 28.5f, 1.3f, bevel(trim, 1, 0.4f));
    // Engine block and exhausts at the back.
    p.rrect(8, 25.5f, 16, 30, 1, bevel(scale_rgb(body, 0.7f), 1.5f, 0.5f));
    const RGBA glow = damage == 2 ? c(0x501808) : c(0xffb040);
    p.rrect(8.5f, 29.5f, 10.5f, 31.5f, 0.5f, flat(glow));
    p.rrect(13.5f, 29.5f, 15.5f, 31.5f, 0.5f, flat(glow));
    // Cockpit canopy with a glint.
    const RGBA glass = damage == 2 ? c(0x181818) : c(ink::CRAFT_GLASS);
    p.ellipse(12, 16, 3.8f, 4.8f, sphere(mix(glass, c(0x4a8ae8), 0.35f), 12, 16, 5.5f, damage == 2 ? 0.1f : 0.9f));
    // Gun: a turret ring and a barrel reaching the nose.
    const float bend = damage == 2 ? 3.0f : 0.0f;
    p.capsule(12, 9, 12 + bend, 0.9f, 1.4f, bevel(c(ink::GUN), 1.2f, 0.6f));
    p.capsule(12 + bend, 0.9f, 12 + bend, 2.2f, 1.5f, flat(c(0x4a505a)));
    p.circle(12, 9.5f, 2.7f, sphere(c(0x9aa4b6), 12, 9.5f, 2.7f, 0.6f));
    if (damage >= 1) {
        // Scorch marks, a cracked canopy and bare metal where the paint burnt off.
        Rng r(damage * 31u);
        const int marks = damage == 1 ? 7 : 10;
        for (int i = 0; i < marks; ++i)
            p.circle(r.range(5, 19), r.range(4, 30), r.range(1.5f, 3.0f), soot(damage == 1 ? 0.7f : 0.75f));
        p.capsule(10.5f, 13.5f, 13.5f, 18.5f, 0.35f, flat(c(0xe0f0ff, 0.9f)));
        p.capsule(13.5f, 14, 11, 17, 0.3f, flat(c(0xe0f0ff, 0.7f)));
        p.circle(16.5f, 6, 1.3f, flat(c(0xb0b0b8)));
    }
    if (damage == 2) {
        Rng r(77);
        for (int i = 0; i < 7; ++i)
            p.circle(r.range(6, 18), r.range(6, 29), r.range(0.6f, 1.1f), flat(c(0xff7a20)));
        p.circle(8, 27, 1, flat(c(0xffd060)));
    }
}

Image art_player(int damage)
{
    return make_sprite(size::PLAYER_W, size::PLAYER_H, [damage](const Pen& p) { paint_craft(p, damage); });
}

Image art_player_shot()
{
    return make_sprite(
        size::SHOT_W, size::SHOT_H,
        [](const Pen& p) {
            p.capsule(2, 2, 2, 10.5f, 1.9f, vgrad(c(0xfff0a0), c(0xff6010), 0, 12));
            p.capsule(2, 1.5f, 2, 8, 0.9f, flat(c(0xffffff)));
        },
        false);
}

// ---- falling blob ------------------------------------------------------------

void paint_turd(const Pen& p)
{
    // A coiled pile seen from above: three coils, each lighter and glossier
    // than the one below, with dark grooves between them and a curled tip.
    const RGBA brown = c(0x9a6428);
    p.ellipse(10, 11.5f, 9, 8, sphere(scale_rgb(brown, 0.85f), 8.5f, 10, 10, 0.4f));
    p.fill([](float x, float y) { return std::fabs(sd_ellipse(x, y, 10, 10.6f, 6.9f, 6.2f)) - 0.8f; }, 2, 3, 18, 18,
        flat(c(0x1e0e04)));
    p.ellipse(10, 10, 6.2f, 5.4f, sphere(brown, 8.8f, 8.5f, 7.5f, 0.6f));
    p.fill([](float x, float y) { return std::fabs(sd_ellipse(x, y, 10.2f, 8.9f, 3.9f, 3.4f)) - 0.7f; }, 5, 4, 16, 14,
        flat(c(0x1e0e04)));
    p.circle(10.2f, 8.6f, 3.2f, sphere(scale_rgb(brown, 1.3f), 9.2f, 7.6f, 4.0f, 0.8f));
    p.taper(10.4f, 8.2f, 12.6f, 5.4f, 1.6f, 0.5f, sphere(scale_rgb(brown, 1.45f), 11, 6.5f, 3, 0.6f));
    p.circle(8.2f, 7.4f, 0.9f, flat(c(0xfff0d0, 0.9f)));
}

Image art_turd()
{
    return make_sprite(size::TURD_W, size::TURD_H, paint_turd);
}

// ---- cars ------------------------------------------------------------------------

void paint_car(const Pen& p, bool chase)
{
    const RGBA body = chase ? c(0x22222a) : c(0x2f6fe0);
    const RGBA tyre = c(0x18181c);
    for (float y : {6.0f, 28.0f}) {
        p.rrect(0.5f, y, 4, y + 7, 1.2f, bevel(tyre, 1.5f, 0.6f));
        p.rrect(20, y, 23.5f, y + 7, 1.2f, bevel(tyre, 1.5f, 0.6f));
    }
    p.rrect(2, 1.5f, 22, 38.5f, 5, bevel(body, 3, 0.6f));
    if (chase) {
        // Red racing stripes, a spoiler and a red light bar.
        p.rrect(8.5f, 2, 10.5f, 38, 0.5f, flat(c(0xd81818)));
        p.rrect(13.5f, 2, 15.5f, 38, 0.5f, flat(c(0xd81818)));
        p.rrect(1.5f, 35, 22.5f, 38.8f, 1, bevel(c(0x101014), 1, 0.5f));
    }
    // Windscreen, roof and rear window.
    p.poly({5, 10.5f, 19, 10.5f, 17.5f, 15.5f, 6.5f, 15.5f}, vgrad(c(0x7ab0e0), c(0x0c1430), 10, 16));
    p.rrect(6.5f, 15.5f, 17.5f, 27, 2, bevel(chase ? c(0x2c2c36) : scale_rgb(body, 1.12f), 2, 0.5f));
    p.poly({6.5f, 27, 17.5f, 27, 18.5f, 31, 5.5f, 31}, vgrad(c(0x2a3a60), c(0x6a8ab8), 27, 31));
    if (chase) {
        p.rrect(6, 20, 18, 22.5f, 1, flat(c(0xff2020)));
        p.rrect(11, 20, 13, 22.5f, 0.5f, flat(c(0x404048)));
    }
    // Lights: headlights at the front (up), tail lights behind.
    const RGBA head = chase ? c(0xff4a30) : c(0xfff2a0);
    p.rrect(4, 2, 8, 4, 1, flat(head));
    p.rrect(16, 2, 20, 4, 1, flat(head));
    p.rrect(4, 36.5f, 7.5f, 38, 0.6f, flat(c(0xc01010)));
    p.rrect(16.5f, 36.5f, 20, 38, 0.6f, flat(c(0xc01010)));
    // Mirrors.
    p.circle(2.5f, 12.5f, 1.2f, flat(body));
    p.circle(21.5f, 12.5f, 1.2f, flat(body));
}

Image art_car(bool chase)
{
    return make_sprite(size::CAR_W, size::CAR_H, [chase](const Pen& p) { paint_car(p, chase); });
}

void paint_wreck(const Pen& p)
{
    const RGBA char_ = c(0x2e2824);
    p.rrect(0.5f, 7, 4, 14, 1, flat(c(0x0e0c0c)));
    p.rrect(20, 27, 23.5f, 34, 1, flat(c(0x0e0c0c)));
    p.poly({3, 3, 20, 1.5f, 22, 12, 21, 38, 4, 38.5f, 2, 26}, bevel(char_, 3, 0.5f), 1.5f);
    p.poly({6, 10.5f, 18, 10, 17, 15, 7, 15.5f}, flat(c(0x0a0a0a)));
    p.rrect(6.5f, 16, 17.5f, 27, 2, bevel(c(0x3a3430), 2, 0.5f));
    Rng r(22);
    for (int i = 0; i < 9; ++i)
        p.circle(r.range(4, 20), r.range(3, 37), r.range(1.2f, 2.6f), soot(0.6f));
    for (int i = 0; i < 6; ++i)
        p.circle(r.range(6, 18), r.range(8, 34), r.range(0.5f, 1.0f), flat(c(0xff8a28)));
    p.circle(11, 21, 1.5f, flat(c(0xffd050)));
}

Image art_wreck()
{
    return make_sprite(size::CAR_W, size::CAR_H, paint_wreck);
}

// ---- walkers -------------------------------------------------------------------

// A walking stride seen from the front: on each step one foot is lifted and
// the arm on that side swings back (up) while the other swings forward.
namespace {
// Walkers share the floor's colours more than anything else in play, so their
// rim is nearly pure ink instead of a darker shade of the body's own hue.
const float WALKER_OUTLINE_DARK = 0.05f;
float stride_lift(int side, float swing)
{
    return (side < 0 ? swing > 0 : swing < 0) ? 2.5f : 0.0f;
}
float arm_raise(int side, float swing)
{
    return (side < 0 ? swing > 0 : swing < 0) ? 2.0f : -0.8f * std::fabs(swing);
}
}  // namespace

void paint_walker(const Pen& p, bool person, int step)
{
    // step 0 and 1 swing the legs and arms opposite ways; 2 stands still.
    // Heads are drawn big on purpose: at this size the face is what tells a
    // walker apart from anything else on the floor.
    const float swing = step == 0 ? 1.0f : step == 1 ? -1.0f : 0.0f;
    const RGBA skin = person ? c(0xf6c8a0) : c(0xb8f060);
    const RGBA shoe = c(0x2a1a14);
    if (person) {
        const RGBA dress = c(0xf02c50), hair = c(0xffd840);
        // Legs below the dress.
        for (int side = -1; side <= 1; side += 2) {
            const float lift = stride_lift(side, swing), hip = 12 + side * 2.2f;
            p.capsule(hip, 17, hip + side * (0.5f - lift * 0.3f), 21.5f - lift, 1.2f, flat(skin));
            p.ellipse(hip + side * (0.5f - lift * 0.3f), 22.2f - lift, 2.0f, 1.2f, flat(shoe));
        }
        // Long hair behind the head, then a flared dress with a white collar.
        p.circle(12, 5.4f, 5.4f, bevel(hair, 2, 0.6f));
        for (int side = -1; side <= 1; side += 2)
            p.taper(12 + side * 4.4f, 5.5f, 12 + side * 5.2f, 10.8f, 2.1f, 1.2f, bevel(hair, 1.5f, 0.6f));
        p.poly({8.8f, 9.0f, 15.2f, 9.0f, 19.0f, 17.4f, 5.0f, 17.4f}, bevel(dress, 2.5f, 0.7f), 0.6f);
        p.rrect(5.6f, 16.0f, 18.4f, 17.4f, 0.5f, flat(scale_rgb(dress, 0.62f)));
        p.capsule(10.4f, 9.6f, 13.6f, 9.6f, 0.8f, flat(c(0xfff4ec)));
        // Thin arms swinging.
        for (int side = -1; side <= 1; side += 2)
            p.capsule(
                12 + side * 3.4f, 10.5f, 12 + side * 6.6f, 15.0f - arm_raise(side, swing), 1.1f, bevel(skin, 1, 0.6f));
        p.circle(12, 5.6f, 4.3f, sphere(skin, 12, 5.6f, 4.9f, 0.4f));
        p.ellipse(12, 3.0f, 4.6f, 2.3f, bevel(hair, 1.5f, 0.7f));
        p.circle(10.4f, 6.2f, 0.85f, flat(c(0x1a2a60)));
        p.circle(13.6f, 6.2f, 0.85f, flat(c(0x1a2a60)));
        p.capsule(11, 8.4f, 13, 8.4f, 0.5f, flat(c(0xb01830)));
    } else {
        const RGBA shirt = c(0xa840f0), pants = c(0x5a3a20);
        for (int side = -1; side <= 1; side += 2) {
            const float lift = stride_lift(side, swing), hip = 12 + side * 2.6f;
            const float foot = hip + side * (0.5f - lift * 0.4f);
            p.capsule(hip, 16.5f, foot, 21.5f - lift, 2.0f, bevel(pants, 1.5f, 0.6f));
            p.ellipse(foot, 22.3f - lift, 2.5f, 1.3f, flat(shoe));
        }
        // Broad shoulders in a torn shirt, muscled arms and big hands.
        p.rrect(5.2f, 9.0f, 18.8f, 17.5f, 3, bevel(shirt, 2.5f, 0.7f));
        p.poly({9.5f, 17.6f, 11.0f, 14.8f, 12.5f, 17.6f}, flat(scale_rgb(shirt, 0.55f)));
        for (int side = -1; side <= 1; side += 2) {
            const float hx = 12 + side * 8.6f, hy = 15.5f - arm_raise(side, swing);
            p.capsule(12 + side * 6.2f, 10.8f, hx, hy, 2.0f, bevel(skin, 1.5f, 0.6f));
            p.circle(hx, hy + 0.7f, 2.0f, sphere(skin, hx - 0.5f, hy + 0.2f, 2.2f, 0.3f));
        }
        p.rrect(7.5f, 15.5f, 16.5f, 17.5f, 0.5f, flat(c(0x3a2a18)));
        // Bald head with glowing red eyes and a grin.
        p.circle(12, 5.2f, 4.9f, sphere(skin, 12, 5.2f, 5.6f, 0.7f));
        p.capsule(9.2f, 4.9f, 11.0f, 4.9f, 0.7f, flat(c(0x1a2010)));
        p.capsule(13.0f, 4.9f, 14.8f, 4.9f, 0.7f, flat(c(0x1a2010)));
        p.circle(10.2f, 5.3f, 0.95f, flat(c(0xff3020)));
        p.circle(13.8f, 5.3f, 0.95f, flat(c(0xff3020)));
        p.capsule(10.0f, 8.1f, 14.0f, 8.1f, 0.55f, flat(c(0x203010)));
    }
}

Image art_walker_walk(bool person, int step)
{
    Image img = make_sprite(
        size::WALKER_W, size::WALKER_H, [=](const Pen& p) { paint_walker(p, person, step); }, false);
    outline(img, WALKER_OUTLINE_DARK);
    return img;
}

Image art_walker_rise(bool person, int frame)
{
    // The figure sinks this far below its walking place in each frame; the
    // hole is centred under its feet.
    const float sink[6] = {99, 99, 17, 12, 6, 1.5f};
    const float hole_rx[6] = {0, 6, 9, 10, 10.5f, 11};
    const float hole_ry[6] = {0, 2.2f, 3.4f, 3.8f, 4, 4.2f};
    const int g = size::WALKER_RISE_GROW / 2;
    const int w = size::WALKER_W + size::WALKER_RISE_GROW, h = size::WALKER_H + size::WALKER_RISE_GROW;
    const float hx = w / 2.0f, hy = g + size::WALKER_H - 2.5f;
    const uint32_t seed = person ? 370u : 760u;
    Image img(w, h);
    const Pen pen {&img, Xf {}};
    if (frame <= 1)
        paint_crack(pen, hx, hy, 14.0f + frame * 6, 0.9f + frame * 0.3f, seed);
    if (hole_rx[frame] > 0)
        paint_hole(pen, hx, hy, hole_rx[frame], hole_ry[frame]);
    if (sink[frame] < 50) {
        Image fig(w, h);
        shifted([=](const Pen& p) { paint_walker(p, person, 2); }, g, g + sink[frame])(Pen {&fig, Xf {}});
        clip_into_hole(fig, hy, hx, hy, hole_rx[frame], hole_ry[frame]);
        composite(img, fig, 0, 0);
    }
    if (hole_rx[frame] > 0)
        paint_hole_lip(pen, hx, hy, hole_rx[frame], hole_ry[frame], seed + frame);
    harden(img);
    outline(img, WALKER_OUTLINE_DARK);
    return img;
}

// ---- boss ------------------------------------------------------------------------

void paint_boss(const Pen& p, int step)
{
    // step 0/1 walking, 2 standing, 3 dead (ashen, eyes out).
    const bool dead = step == 3;
    const float swing = step == 0 ? 1.0f : step == 1 ? -1.0f : 0.0f;
    const RGBA skin = dead ? c(0x5a3a3a) : c(0xb02a1c);
    const RGBA dark = scale_rgb(skin, 0.7f);
    const RGBA horn = dead ? c(0x9a9080) : c(0xeee2b8);
    const RGBA claw = c(0xf4ecd0);
    // Legs and hoofed feet.
    for (int side = -1; side <= 1; side += 2) {
        const float lift = std::fmax(0, side * swing) * 6;
        const float hx = 48 + side * 13, fx = 48 + side * 17 - side * swing * 2;
        p.taper(hx, 62, fx, 86 - lift, 10, 7, bevel(dark, 5, 0.6f));
        p.ellipse(fx, 89 - lift, 9, 5, bevel(c(0x2a1a14), 3, 0.6f));
    }
    // Tail curling out to one side.
    p.taper(60, 70, 84, 78, 3, 1.2f, bevel(dark, 2, 0.5f));
    p.poly({82, 74, 92, 78, 83, 83}, bevel(dark, 2, 0.5f));
    // Body, belly and shoulders.
    p.ellipse(48, 50, 25, 22, bevel(skin, 9, 0.7f));
    p.ellipse(48, 56, 14, 12, bevel(mix(skin, c(0xf0a070), 0.45f), 6, 0.5f));
    for (int i = 0; i < 3; ++i)
        p.capsule(39, 50 + 5.0f * i, 57, 50 + 5.0f * i, 0.6f, flat(with_alpha(dark, 0.7f)));
    for (int side = -1; side <= 1; side += 2) {
        const float raise = side * swing * 5;
        const float sx = 48 + side * 24, fx = 48 + side * 35, fy = 70 + raise;
        p.circle(sx, 38, 11, sphere(skin, sx - 3, 35, 12, 0.25f));
        p.taper(sx, 40, fx, fy - 4, 8.5f, 6.5f, bevel(skin, 4, 0.6f));
        p.circle(fx, fy, 7.5f, sphere(dark, fx - 2, fy - 2, 8.5f, 0.2f));
        for (int k = -1; k <= 1; ++k)
            p.poly({fx + k * 4.0f - 1.8f, fy + 5, fx + k * 4.0f + 1.8f, fy + 5, fx + k * 4.5f, fy + 11},
                bevel(claw, 1, 0.5f));
    }
    // Head with curved horns, burning eyes and a fanged jaw.
    for (int side = -1; side <= 1; side += 2) {
        p.taper(48 + side * 9, 20, 48 + side * 20, 10, 4.5f, 3, bevel(horn, 2.5f, 0.6f));
        p.taper(48 + side * 20, 10, 48 + side * 22, 1.5f, 3, 0.6f, bevel(horn, 2, 0.6f));
    }
    p.circle(48, 26, 13, sphere(skin, 45, 22, 14, 0.35f));
    p.capsule(38, 21, 46, 23.5f, 1.6f, flat(dark));
    p.capsule(58, 21, 50, 23.5f, 1.6f, flat(dark));
    if (dead) {
        for (int side = -1; side <= 1; side += 2) {
            p.capsule(48 + side * 5 - 2, 24, 48 + side * 5 + 2, 28, 0.8f, flat(c(0x1a0a0a)));
            p.capsule(48 + side * 5 + 2, 24, 48 + side * 5 - 2, 28, 0.8f, flat(c(0x1a0a0a)));
        }
    } else {
        p.ellipse(43, 26, 3, 2.2f, flat(c(0xfff060)));
        p.ellipse(53, 26, 3, 2.2f, flat(c(0xfff060)));
        p.ellipse(43, 26, 0.8f, 1.8f, flat(c(0x200000)));
        p.ellipse(53, 26, 0.8f, 1.8f, flat(c(0x200000)));
    }
    p.rrect(40, 31, 56, 37, 2.5f, flat(c(0x2a0606)));
    for (int k = 0; k < 4; ++k) {
        const float x = 42.5f + k * 3.7f;
        p.poly({x - 1.3f, 31, x + 1.3f, 31, x, 34.2f}, flat(claw));
        p.poly({x - 1.1f, 37, x + 1.1f, 37, x + 0.4f, 34.6f}, flat(claw));
    }
}

Image art_boss_walk(int step)
{
    return make_sprite(size::BOSS_W, size::BOSS_H, [step](const Pen& p) { paint_boss(p, step); });
}

Image art_boss_rise(int frame)
{
    const int w = size::BOSS_W + size::BOSS_RISE_GROW_W, h = size::BOSS_H + size::BOSS_RISE_GROW_H;
    const float bx = size::BOSS_RISE_GROW_W / 2.0f, by = size::BOSS_RISE_GROW_H / 2.0f;
    const float sink[7] = {999, 999, 80, 60, 38, 18, 4};
    const float gap[7] = {0, 3, 6, 8, 9, 9.5f, 10};
    const float ground = h - 10.0f;
    Image img(w, h);
    const Pen pen {&img, Xf {}};
    // A long fissure across the ground, glowing from below once it opens.
    const float half = 46.0f + frame * 13;
    Rng r(9000u);
    std::vector<float> top, bottom;
    const int n = 16;
    for (int i = 0; i <= n; ++i) {
        const float x = w / 2.0f - half + 2 * half * i / n;
        const float wob = r.range(-2.5f, 2.5f);
        const float open = gap[frame] * std::sin(PI * i / n) + 2.0f;
        top.push_back(x);
        top.push_back(ground + wob - open * 0.6f);
        bottom.push_back(x);
        bottom.push_back(ground + wob + open * 0.4f);
    }
    std::vector<float> shape = top;
    for (int i = n; i >= 0; --i) {
        shape.push_back(bottom[2 * i]);
        shape.push_back(bottom[2 * i + 1]);
    }
    pen.poly(shape, bevel(c(0x5a3426), 2, 0.4f), 2.5f);
    pen.poly(shape, vgrad(c(0x200604), c(frame >= 1 ? 0xff6a10 : 0x401008), ground - 8, ground + 6));
    if (sink[frame] < 500) {
        Image fig(w, h);
        shifted([](const Pen& p) { paint_boss(p, 2); }, bx, by + sink[frame])(Pen {&fig, Xf {}});
        clip_into_hole(fig, ground, w / 2.0f, ground, half * 0.8f, gap[frame]);
        composite(img, fig, 0, 0);
    }
    // Rubble thrown up along the lips.
    Rng rr(9100u + frame);
    const int rocks = 4 + frame * 3;
    for (int i = 0; i < rocks; ++i) {
        const float x = w / 2.0f + rr.range(-half, half);
        const float y = ground + rr.range(-2, 6) - (frame >= 2 ? rr.range(0, 10.0f * frame / 6) : 0);
        pen.circle(x, y, rr.range(1.5f, 3.5f), bevel(c(i % 2 ? 0x6a4a3a : 0x4a3428), 1.5f, 0.6f));
    }
    harden(img);
    outline(img);
    return img;
}

Image art_boss_dead()
{
    return make_sprite(size::BOSS_W, size::BOSS_H, [](const Pen& p) {
        p.ellipse(48, 56, 44, 26, flat(c(0x3a0c08)));
        p.ellipse(40, 60, 30, 16, flat(c(0x5a140c)));
        // The brute lies on its back, turned across the picture.
        const float a = 1.45f, k = 0.85f, half = size::BOSS_W / 2.0f;
        const float ox = half - k * half * (std::cos(a) - std::sin(a));
        const float oy = half - k * half * (std::sin(a) + std::cos(a));
        paint_boss(Pen {p.img, Xf {p.xf.ox + ox * p.xf.s, p.xf.oy + oy * p.xf.s, p.xf.s * k, a}}, 3);
    });
}

// ---- spikes, balls, shadows -------------------------------------------------------

void paint_spike(const Pen& p, int phase)
{
    const float cx = 16, cy = 16;
    const float turn = phase * PI / 16;  // eight spikes: a quarter of their spacing per frame
    const float pulse[4] = {11.5f, 13.8f, 15.5f, 13.8f};
    const RGBA steel = c(0xb8c0d0), hot = c(0xff4a30);
    for (int i = 0; i < 8; ++i) {
        const float a = turn + i * PI / 4;
        const float len = (i % 2 ? pulse[(phase + 2) % 4] - 1.5f : pulse[phase]);
        const float ca = std::cos(a), sa = std::sin(a);
        const float bw = 3.6f;
        p.poly({cx + ca * 6 - sa * bw, cy + sa * 6 + ca * bw, cx + ca * len, cy + sa * len, cx + ca * 6 + sa * bw,
                   cy + sa * 6 - ca * bw},
            bevel(mix(steel, hot, (len - 11) / 5 * 0.5f), 2, 0.7f));
    }
    p.circle(cx, cy, 8.5f, bevel(c(0x5a6070), 3, 0.7f));
    p.circle(cx, cy, 5, sphere(mix(c(0xd02818), c(0xff8040), phase % 2 ? 0.5f : 0.0f), cx, cy, 5.5f, 0.9f));
}

Image art_spike(int phase)
{
    return make_sprite(size::SPIKE_W, size::SPIKE_H, [phase](const Pen& p) { paint_spike(p, phase); });
}

void paint_ball(const Pen& p, bool fast)
{
    const float r = 11;
    if (fast) {
        p.circle(12, 12, r, sphere(c(0xff7a18), 12, 12, r, 0.9f));
        // Flame streaks swirling round the hot ball.
        for (int i = 0; i < 3; ++i) {
            const float a = i * 2 * PI / 3 + 0.4f;
            p.fill(
                [=](float x, float y) {
                    const float dx = x - 12, dy = y - 12;
                    const float rr = std::sqrt(dx * dx + dy * dy);
                    const float ang = std::atan2(dy, dx) - a - rr * 0.16f;
                    const float wrap = std::remainder(ang, 2 * PI);
                    return std::fmax(std::fabs(wrap) * rr - 1.2f, rr - 10.0f);
                },
                1, 1, 23, 23, flat(c(0xffe040, 0.85f)));
        }
        p.circle(8.5f, 8, 2.2f, flat(c(0xffffff, 0.9f)));
    } else {
        p.circle(12, 12, r, sphere(c(0x4a3ae0), 12, 12, r, 0.9f));
        p.fill([](float x, float y) { return std::fabs(sd_ellipse(x, y, 12, 12.5f, 11, 4.2f)) - 1.4f; }, 1, 7, 23, 18,
            sphere(c(0xf0f0f8), 12, 12, 11, 0.5f));
        p.circle(8.5f, 8, 2.2f, flat(c(0xffffff, 0.9f)));
    }
}

Image art_ball(bool fast)
{
    return make_sprite(size::BALL_W, size::BALL_H, [fast](const Pen& p) { paint_ball(p, fast); });
}

Image art_ball_burst(bool fast)
{
    return make_sprite(size::BURST_W, size::BURST_H, [fast](const Pen& p) {
        const RGBA col = fast ? c(0xff7a18) : c(0x4a3ae0);
        const RGBA light = fast ? c(0xffe040) : c(0xb0a8ff);
        Rng r(fast ? 62u : 106u);
        // A flattened splat with droplets thrown outwards.
        std::vector<float> splat;
        for (int i = 0; i < 14; ++i) {
            const float a = i * 2 * PI / 14, rad = (i % 2 ? 6.5f : 9.5f) + r.range(-1, 1);
            splat.push_back(14 + std::cos(a) * rad);
            splat.push_back(15 + std::sin(a) * rad * 0.85f);
        }
        p.poly(splat, bevel(col, 3, 0.6f), 1);
        for (int i = 0; i < 8; ++i) {
            const float a = i * 2 * PI / 8 + r.range(-0.3f, 0.3f), d = r.range(10, 12.5f);
            p.circle(14 + std::cos(a) * d, 14 + std::sin(a) * d, r.range(1.2f, 1.9f),
                sphere(col, 14 + std::cos(a) * d, 14 + std::sin(a) * d, 2, 0.8f));
        }
        p.ellipse(12, 12.5f, 3.5f, 2.2f, flat(light));
    });
}

Image art_shadow(bool high)
{
    // Opaque ground marks: a dithered rim reads as a soft edge; the high one is
    // smaller and dithered all over, so it reads fainter.
    Image img(size::SHADOW_W, size::SHADOW_H);
    const float cx = size::SHADOW_W / 2.0f, cy = size::BALL_H + 3.5f;
    const float rx = high ? 7.0f : 10.5f, ry = high ? 2.4f : 3.6f;
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            const float dx = (x + 0.5f - cx) / rx, dy = (y + 0.5f - cy) / ry;
            const float d = std::sqrt(dx * dx + dy * dy);
            const bool checker = (x + y) % 2 == 0;
            bool on;
            if (high)
                on = d < 1 && checker;
            else
                on = d < 0.7f || (d < 1.05f && checker);
            if (on)
                img.at(x, y) = c(0x140e0a);
        }
    return img;
}

// ---- stalker -------------------------------------------------------------------

void paint_stalker(const Pen& p, float solid, int sway)
{
    const RGBA robe = c(0x8a70e8, solid), glow = c(0xd0c8ff, solid);
    const float s = sway == 0 ? 1.0f : sway == 1 ? -1.0f : 0.0f;
    // Hood and a robe that frays into a wavy tail.
    std::vector<float> body = {12, 1.5f, 17.5f, 5, 19, 11, 21.5f + s, 17, 19 + s, 22.5f, 16, 20, 13 + s, 23, 10, 20,
        7 + s, 22.5f, 3 - s * 0.5f, 17, 5, 11, 6.5f, 5};
    p.poly(
        body, [=](const Frag& f) { return mix(glow, robe, clamp01((f.y - 2) / 16)); }, 0.8f);
    // Clawed arms reaching forward.
    p.taper(6.5f, 11, 2.5f, 15 - s, 1.6f, 0.8f, flat(glow));
    p.taper(17.5f, 11, 21.5f, 15 + s, 1.6f, 0.8f, flat(glow));
    // Black face opening with burning eyes.
    p.ellipse(12, 8.5f, 3.8f, 4, flat(c(0x0c0418, solid)));
    p.circle(10.6f, 8.3f, 1, flat(c(0xff2a3a, solid)));
    p.circle(13.4f, 8.3f, 1, flat(c(0xff2a3a, solid)));
}

Image art_stalker_move(int step)
{
    return make_sprite(size::STALKER_W, size::STALKER_H, [step](const Pen& p) { paint_stalker(p, 1, step); });
}

Image art_stalker_form(int frame)
{
    // From a swirl of sparkles to a solid ghost: pixels of the body appear in
    // a fixed random order, and the sparkles fade as it solidifies.
    const float solid[5] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    Image body = make_sprite(size::STALKER_W, size::STALKER_H, [](const Pen& p) { paint_stalker(p, 1, 2); });
    Image img(body.w, body.h);
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            if (body.at(x, y).a > 0 && hash01(x, y, 4747u) < solid[frame])
                img.at(x, y) = body.at(x, y);
    Rng r(470u + frame);
    const int sparkles = 7 - frame;
    const Pen pen {&img, Xf {}};
    for (int i = 0; i < sparkles; ++i) {
        const float a = r.range(0, 2 * PI), d = r.range(2, 9) * (1.2f - 0.15f * frame);
        const float x = 12 + std::cos(a) * d, y = 12 + std::sin(a) * d * 1.1f;
        const float arm = r.range(1.5f, 3.0f);
        pen.capsule(x - arm, y, x + arm, y, 0.45f, flat(c(0xf0e8ff)));
        pen.capsule(x, y - arm, x, y + arm, 0.45f, flat(c(0xf0e8ff)));
        pen.circle(x, y, 0.8f, flat(c(0xffffff)));
    }
    harden(img);
    return img;
}

// ---- spitter and its spit ----------------------------------------------------------

void paint_spitter(const Pen& p, int state)
{
    const bool dead = state == 2;
    const RGBA shell = dead ? c(0x3a3836) : c(0x7a8494);
    // A dome bolted over the wall, its mouth facing down into the arena.
    p.fill([](float x, float y) { return std::fmax(sd_ellipse(x, y, 24, 6, 23, 25), -y); }, 0, 0, 48, 32,
        bevel(shell, 5, 0.6f));
    for (int i = 0; i < 5; ++i) {
        const float a = PI * (0.15f + 0.7f * i / 4);
        p.circle(24 - std::cos(a) * 19, 6 + std::sin(a) * 20, 1.2f,
            sphere(c(0xc8d0dc), 24 - std::cos(a) * 19 - 0.3f, 6 + std::sin(a) * 20 - 0.3f, 1.4f, 0.6f));
    }
    // Angry eyes.
    for (int side = -1; side <= 1; side += 2) {
        const float ex = 24 + side * 9;
        p.ellipse(ex, 10, 4, 3, flat(dead ? c(0x201c1a) : c(0x101010)));
        if (!dead)
            p.circle(ex, 10.5f, 2, flat(c(0xffe040)));
        p.capsule(ex - side * 4.5f, 5.5f, ex + side * 3.5f, 7.5f, 1.1f, flat(scale_rgb(shell, 0.5f)));
    }
    const RGBA lip = c(0x3aa83a);
    if (state == 0) {
        p.ellipse(24, 21, 9, 4.5f, bevel(lip, 2.5f, 0.7f));
        p.capsule(16.5f, 21, 31.5f, 21, 0.7f, flat(c(0x0a2a0a)));
    } else if (state == 1) {
        p.ellipse(24, 22, 10, 7.5f, bevel(lip, 2.5f, 0.7f));
        p.ellipse(24, 22.5f, 7, 5.2f, flat(c(0x100808)));
        p.circle(24, 24, 3.5f, sphere(c(0x60e040), 23, 23, 4, 0.7f));
        for (int k = -1; k <= 1; k += 2)
            p.poly({24 + k * 3.0f, 17.5f, 24 + k * 5.0f, 17.5f, 24 + k * 4.0f, 20}, flat(c(0xf0f0e0)));
    } else {
        p.ellipse(24, 21, 9, 4, flat(c(0x2a3a2a)));
        p.capsule(10, 4, 22, 20, 0.6f, flat(c(0x0c0a08)));
        p.capsule(30, 3, 36, 16, 0.6f, flat(c(0x0c0a08)));
        Rng r(116);
        for (int i = 0; i < 6; ++i)
            p.circle(r.range(8, 40), r.range(2, 22), r.range(1.5f, 3), soot(0.6f));
        p.capsule(22, 25, 22, 29, 1, flat(c(0x50c040)));
    }
}

Image art_spitter(int state)
{
    return make_sprite(size::SPITTER_W, size::SPITTER_H, [state](const Pen& p) { paint_spitter(p, state); });
}

void paint_spit(const Pen& p)
{
    p.taper(4, 7.5f, 4, 1.5f, 3.2f, 0.8f, sphere(c(0x50d030), 4, 7.5f, 4, 0.3f));
    p.circle(4, 7.8f, 3.2f, sphere(c(0x60e040), 3.6f, 7.2f, 3.6f, 0.9f));
}

Image art_spit()
{
    return make_sprite(size::SPIT_W, size::SPIT_H, paint_spit);
}

// ---- spinner and its zap -----------------------------------------------------------

void paint_spinner(const Pen& p)
{
    const int teeth = 12;
    std::vector<float> blade;
    for (int i = 0; i < teeth; ++i) {
        const float a0 = i * 2 * PI / teeth, a1 = a0 + 2 * PI / teeth * 0.72f;
        blade.push_back(16 + std::cos(a0) * 10.5f);
        blade.push_back(16 + std::sin(a0) * 10.5f);
        blade.push_back(16 + std::cos(a1) * 15.2f);
        blade.push_back(16 + std::sin(a1) * 15.2f);
    }
    p.poly(blade, bevel(c(0xc4ccd8), 3, 0.7f));
    p.circle(16, 16, 9.5f, bevel(c(0x8890a0), 2.5f, -0.5f));
    for (int i = 0; i < 4; ++i) {
        const float a = i * PI / 2 + PI / 4;
        p.circle(16 + std::cos(a) * 6.2f, 16 + std::sin(a) * 6.2f, 1.7f, flat(c(0x2a2e38)));
    }
    p.circle(16, 16, 4, sphere(c(0xe02a20), 16, 16, 4.5f, 0.9f));
    p.capsule(14, 16, 18, 16, 0.5f, flat(c(0x4a0a08)));
}

Image art_spinner()
{
    return make_sprite(size::SPINNER_W, size::SPINNER_H, paint_spinner);
}

Image art_zap(int frame)
{
    // Crackling arcs over the spinner: a white core in a cyan glow, the rest clear.
    const int w = size::SPINNER_W, h = size::SPINNER_H;
    Image core(w, h);
    Rng r(300u + frame * 7u);
    const Pen pen {&core, Xf {}};
    for (int bolt = 0; bolt < 4; ++bolt) {
        float a = bolt * PI / 2 + r.range(-0.5f, 0.5f) + frame * 0.7f;
        float x = 16 + std::cos(a) * 3, y = 16 + std::sin(a) * 3;
        for (int seg = 0; seg < 5; ++seg) {
            a += r.range(-0.7f, 0.7f);
            const float nx = x + std::cos(a) * 3, ny = y + std::sin(a) * 3;
            pen.capsule(x, y, nx, ny, 0.6f, flat(c(0xffffff)));
            if (seg == 2) {
                const float b = a + r.range(0.6f, 1.2f) * (r.uni() < 0.5f ? -1 : 1);
                pen.capsule(nx, ny, nx + std::cos(b) * 3.5f, ny + std::sin(b) * 3.5f, 0.45f, flat(c(0xe0ffff)));
            }
            x = nx;
            y = ny;
        }
    }
    // The glow stops where it thins out: a dying spinner's zap is blended at the
    // body's strength whatever its own alpha, so a faint wide halo would show
    // there as a solid blob.
    const float glow_cut = 0.25f;
    Image glow = blur(core, 2.5f);
    Image img(w, h);
    for (size_t i = 0; i < img.px.size(); ++i) {
        const float a = clamp01(glow.px[i].a * 2.2f);
        img.px[i] = with_alpha(c(0x40d0ff), a < glow_cut ? 0.0f : a);
    }
    composite(img, core, 0, 0);
    return img;
}

// ---- extra life ------------------------------------------------------------------

Image art_one_up()
{
    Image img(size::ONE_UP_W, size::ONE_UP_H);
    const Pen pen {&img, Xf {}};
    pen.rrect(1, 1, 39, 15, 6, bevel(c(0x2ab840), 3, 0.7f));
    TextStyle st;
    st.size_px = 11;
    st.fill = vgrad(c(0xffffff), c(0xd8ffd0), 0, 12);
    st.outline = c(0x0a3a10);
    st.outline_px = 1;
    draw_text_centred(img, 20, 1.5f, "1UP", st);
    harden(img);
    outline(img);
    return img;
}
