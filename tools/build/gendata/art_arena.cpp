// Arena backgrounds: seven floors, each framed by walls whose inner edges are
// exactly the arena's edges, so what stops the craft is what the player sees.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace {
const float PI = 3.14159265f;
const int LIP_PX = 5;              // bevelled inner edge of the walls
const int CAST_SHADOW_PX = 10;     // shadow the top and left walls throw on the floor
const float HUD_BAND_DIM = 0.6f;   // the top band under the HUD is kept darker
const float POOL_LEVEL = 0.45f;    // how far up a trough the farm's rain water stands (ridge units, 1 = crest)
const float POOL_WET_RIM = 0.25f;  // width of the darker wet mud round a pool, same units

RGBA c(uint32_t hex, float a = 1)
{
    return rgb(hex, a);
}

bool in_arena(int x, int y)
{
    return x >= size::ARENA_X1 && x <= size::ARENA_X2 && y >= size::ARENA_Y1 && y <= size::ARENA_Y2;
}

// ---- floors: one function per floor, colour of the floor at a pixel ----

RGBA floor_farm(int x, int y)
{
    // Ploughed mud: furrows across the field with ridges lit from above,
    // small puddles in the troughs and stubble of straw.
    const float n = fbm(x / 60.0f, y / 60.0f, 4, 11);
    const float wave = (y + 5 * std::sin(x / 80.0f) + 3 * (n - 0.5f) * 10) * 2 * PI / 16;
    const float ridge = std::sin(wave), slope = std::cos(wave);
    RGBA col = mix(c(0x281c14), c(0x4e3a28), 0.45f + 0.35f * ridge * (0.7f + 0.5f * n));
    col = scale_rgb(col, 1 - 0.18f * slope);
    col = scale_rgb(col, 1 + (hash01(x, y, 12) - 0.5f) * 0.2f + (fbm(x / 6.0f, y / 6.0f, 2, 15) - 0.5f) * 0.2f);
    // Rain water stands in the troughs of the waterlogged patches up to one
    // level, so each pool is a smooth lens along its furrow: dark wet mud
    // round it, a still surface that mirrors a dull sky, shade under the bank
    // above it (the light is at the top-left) and a glint on the far shore.
    const float region = smoothstep(0.56f, 0.72f, fbm(x / 110.0f + 3, y / 90.0f, 3, 13));
    const float depth = region * -ridge - POOL_LEVEL;
    if (depth > -POOL_WET_RIM) {
        col = scale_rgb(col, 1 - 0.35f * smoothstep(-POOL_WET_RIM, 0.0f, depth));
        const float water = smoothstep(0.0f, 0.05f, depth), deep = smoothstep(0.0f, 0.35f, depth);
        RGBA surface = mix(c(0x2a2216), c(0x3a444c), deep);
        surface = scale_rgb(surface, 1 + 0.18f * (fbm(x / 40.0f, y / 4.0f, 2, 16) - 0.5f));
        surface = scale_rgb(surface, 1 - 0.4f * smoothstep(0.1f, 0.9f, -slope) * (1 - deep));
        const float shore = (1 - smoothstep(0.0f, 0.12f, depth)) * smoothstep(0.2f, 0.9f, slope);
        surface = mix(surface, c(0x9a9a8c), 0.35f * shore);
        col = mix(col, surface, water);
    }
    return col;
}

RGBA floor_park(int x, int y)
{
    // Mown lawn in broad stripes, with a gravel path winding through it.
    const float n = fbm(x / 40.0f, y / 40.0f, 4, 21);
    const bool stripe = static_cast<int>((x + 20) / 56) % 2 == 0;
    RGBA col = mix(c(0x16321e), c(0x264a2a), 0.35f + 0.5f * n);
    col = scale_rgb(col, stripe ? 1.07f : 0.93f);
    col = scale_rgb(col, 1 + (hash01(x, y, 22) - 0.5f) * 0.16f);
    const float path_y = 300 + 70 * std::sin(x / 110.0f) + 20 * std::sin(x / 37.0f);
    const float path_x = 420 + 50 * std::sin(y / 80.0f);
    const float d = std::min(std::fabs(y - path_y), std::fabs(x - path_x));
    if (d < 17) {
        const float edge = smoothstep(13, 17, d);
        RGBA gravel = mix(c(0x76684c), c(0x988a68), hash01(x / 2, y / 2, 23));
        gravel = scale_rgb(gravel, 0.85f + 0.15f * fbm(x / 8.0f, y / 8.0f, 2, 24));
        col = mix(gravel, scale_rgb(col, 0.7f), edge);
    }
    return col;
}

RGBA floor_steel(int x, int y)
{
    // Diamond-plate deck panels with seams, rivets and a wet sheen.
    const int pw = 96, ph = 64;
    // Panels are laid from the middle of the arena, so no seam runs along a wall.
    const int lx = (x - size::ARENA_X1 + pw * 10 + pw / 2) % pw, ly = (y - size::ARENA_Y1 + ph * 10 + ph / 2) % ph;
    const float tread =
        (std::fabs(std::sin((x + y) * 0.55f)) > 0.93f) || (std::fabs(std::sin((x - y) * 0.55f)) > 0.93f) ? 1.0f : 0.0f;
    const float sheen = 0.5f + 0.5f * std::sin((x * 0.6f - y) / 70.0f);
    RGBA col = mix(c(0x3a4250), c(0x5e6878), 0.35f * sheen + 0.25f * fbm(x / 50.0f, y / 50.0f, 3, 31));
    col = scale_rgb(col, 1 + 0.14f * tread - 0.05f);
    if (lx == 0 || ly == 0)
        col = c(0x1c2028);
    else if (lx == 1 || ly == 1)
        col = scale_rgb(col, 1.25f);
    const bool rivet = (lx == 5 || lx == pw - 5) && (ly == 5 || ly == ph - 5);
    if (rivet)
        col = c(0x9aa4b4);
    col = scale_rgb(col, 1 + (hash01(x, y, 32) - 0.5f) * 0.08f);
    // Streaks of reflected light make the deck look slippery.
    const float streak = std::sin((x + y * 0.3f) / 23.0f) * std::sin(y / 51.0f);
    if (streak > 0.8f)
        col = mix(col, c(0xa8c0d8), (streak - 0.8f) * 0.9f);
    return col;
}

RGBA floor_tech(int x, int y)
{
    // Dark alien panels on a hex-ish grid with glowing circuit traces.
    const int cell = 48;
    const int ox = x - size::ARENA_X1 + cell * 20 + cell / 2, oy = y - size::ARENA_Y1 + cell * 20 + cell / 2;
    const int gx = ox / cell, gy = oy / cell, lx = ox % cell, ly = oy % cell;
    const float tone = hash01(gx, gy, 41);
    RGBA col = mix(c(0x141a2a), c(0x24304a), 0.4f + 0.4f * tone);
    const int bev = std::min(std::min(lx, ly), std::min(cell - 1 - lx, cell - 1 - ly));
    if (bev == 0)
        col = c(0x080a12);
    else if (bev < 3)
        col = scale_rgb(col, lx < 3 || ly < 3 ? 1.35f : 0.7f);
    // Fine scratches and grime keep the panels from looking flat.
    return scale_rgb(col, 0.92f + 0.16f * fbm(x / 5.0f, y / 5.0f, 2, 45));
}

RGBA floor_ice(int x, int y)
{
    // Frozen lake: deep blue ice with fine white cracks and frosty patches.
    float d1, d2;
    voronoi(x / 90.0f, y / 90.0f, 51, d1, d2);
    const float crack = 1 - smoothstep(0.0f, 0.018f, d2 - d1);
    const float frost = fbm(x / 45.0f, y / 45.0f, 5, 52);
    RGBA col = mix(c(0x10305a), c(0x285a8a), frost);
    col = mix(col, c(0x7aa4c8), smoothstep(0.62f, 0.85f, frost) * 0.35f);
    col = mix(col, c(0xa8cce8), crack * 0.4f * (0.4f + 0.6f * fbm(x / 20.0f, y / 20.0f, 2, 53)));
    const float glint = std::sin((x - y * 1.3f) / 19.0f);
    if (glint > 0.97f)
        col = mix(col, c(0xffffff), 0.1f);
    return col;
}

RGBA floor_city(int x, int y)
{
    // Asphalt with lanes: dashed white lines, a double yellow centre line and
    // a zebra crossing.
    RGBA col = mix(c(0x2a2a2e), c(0x3e3e44), fbm(x / 30.0f, y / 30.0f, 4, 61));
    col = scale_rgb(col, 1 + (hash01(x, y, 62) - 0.5f) * 0.25f);
    const int cy = (size::ARENA_Y1 + size::ARENA_Y2) / 2;
    const bool yellow = std::abs(y - (cy - 4)) <= 1 || std::abs(y - (cy + 4)) <= 1;
    const int lane = 96;
    const bool dashed = (std::abs(y - (cy - lane)) <= 1 || std::abs(y - (cy + lane)) <= 1) && (x / 24) % 2 == 0;
    const bool zebra = x > 470 && x < 520 && (y / 14) % 2 == 0 && std::abs(y - cy) > 8;
    const float wear = fbm(x / 6.0f, y / 6.0f, 2, 63);
    if (yellow)
        col = mix(col, c(0xd8b020), 0.85f * (0.6f + 0.4f * wear));
    else if (dashed || zebra)
        col = mix(col, c(0xe8e8e0), 0.8f * (0.6f + 0.4f * wear));
    // Oil stains.
    if (fbm(x / 40.0f + 9, y / 40.0f, 3, 64) > 0.7f)
        col = scale_rgb(col, 0.75f);
    const float mx = x - 180.0f, my = y - 130.0f;
    const float man = std::sqrt(mx * mx + my * my);
    if (man < 14)
        col = man > 12.5f ? c(0x1a1a1c) : mix(c(0x3a3a3e), c(0x4a4a50), (static_cast<int>(mx + 20) / 3) % 2);
    return col;
}

RGBA floor_hell(int x, int y)
{
    // Cracked basalt with lava glowing deep in the seams.
    float d1, d2;
    voronoi(x / 72.0f, y / 72.0f, 71, d1, d2);
    const float seam = (d2 - d1) * 72.0f;  // in pixels, roughly
    const float rock = fbm(x / 25.0f, y / 25.0f, 4, 72);
    RGBA col = mix(c(0x150c0c), c(0x34201c), rock);
    col = scale_rgb(col, 0.75f + 0.35f * smoothstep(0.0f, 14.0f, seam));
    const float pulse = 0.6f + 0.4f * fbm(x / 40.0f, y / 40.0f, 2, 74);
    col = mix(col, c(0x901c04), (1 - smoothstep(1.5f, 6.0f, seam)) * 0.8f * pulse);
    col = mix(col, c(0xf06018), (1 - smoothstep(0.5f, 2.0f, seam)) * 0.85f * pulse);
    if (hash01(x, y, 73) > 0.999f)
        col = c(0xc05010);
    return col;
}

RGBA floor_px(int floor, int x, int y)
{
    using FloorPixel = RGBA (*)(int, int);
    const FloorPixel floors[] = {floor_farm, floor_park, floor_steel, floor_tech, floor_ice, floor_city, floor_hell};
    const int count = sizeof floors / sizeof floors[0];
    // Any floor outside the table is the last one.
    return floors[floor >= 0 && floor < count ? floor : count - 1](x, y);
}

// ---- walls: material of the frame around each floor ----

// The mortar between the ice wall's blocks, in the wall's own coordinates
// (see wall_px); the blocks are laid in courses offset by half a block.
bool ice_joint(int along, int across)
{
    const int block_w = 32, block_h = 16;
    if (across < 0 || along < 0)
        return false;
    const int course = across / block_h;
    return (along + (course % 2) * block_w / 2) % block_w == 0 || across % block_h == 0;
}

// (x, y) in the wall; along is the coordinate running along the wall, across
// the distance from the arena's inner edge.
RGBA wall_px(int floor, int x, int y, int along, int across, bool horizontal)
{
    switch (floor) {
    case 0: {  // wooden fence: planks and posts
        const int post = along % 64;
        const bool is_post = post < 8;
        const float grain = fbm(horizontal ? x / 30.0f : x / 3.0f, horizontal ? y / 3.0f : y / 30.0f, 3, 81);
        RGBA wood = mix(c(0x4a3018), c(0x7a5430), grain);
        if (!is_post && across % 12 == 0)
            wood = c(0x2a1a0c);
        if (is_post)
            wood = scale_rgb(mix(c(0x5a3a1c), c(0x805a34), grain), post < 2 ? 1.3f : post > 5 ? 0.75f : 1.0f);
        return wood;
    }
    case 1: {  // hedge
        const float leaves = fbm(x / 7.0f, y / 7.0f, 4, 82);
        RGBA g = mix(c(0x123a16), c(0x3a7a2a), leaves);
        if (hash01(x / 2, y / 2, 83) > 0.93f)
            g = mix(g, c(0x6aa848), 0.6f);
        return g;
    }
    case 2: {  // steel bulkhead with a hazard stripe along the inner edge
        if (across >= 6 && across < 16)
            return ((x + y) / 10) % 2 ? c(0xe0b020) : c(0x1a1a1a);
        const int seg = along % 80;
        RGBA s = mix(c(0x2a303a), c(0x404858), fbm(x / 40.0f, y / 40.0f, 2, 84));
        if (seg == 0)
            s = c(0x101418);
        if ((seg == 6 || seg == 74) && across % 10 == 5)
            s = c(0x8a94a4);
        return s;
    }
    case 3: {  // alien bulkhead with a glowing conduit
        RGBA s = mix(c(0x1a1228), c(0x2a1e40), fbm(x / 30.0f, y / 30.0f, 3, 85));
        if (across >= 7 && across <= 9)
            s = mix(c(0x40ffe0), c(0x10a090), std::fabs(std::sin(along / 9.0f)));
        if (across > 9 && along % 40 < 3)
            s = c(0x100a18);
        return s;
    }
    case 4: {  // ice blocks, each bevelled: lit where it faces the top-left, shaded on the far side
        if (ice_joint(along, across))
            return c(0x1c3048);
        // How along and across change for one screen pixel right and down.
        const int along_dx = horizontal ? 1 : 0, along_dy = horizontal ? 0 : 1;
        const int across_dx = horizontal ? 0 : (x < size::ARENA_X1 ? -1 : 1);
        const int across_dy = horizontal ? (y < size::ARENA_Y1 ? -1 : 1) : 0;
        const bool lit =
            ice_joint(along - along_dx, across - across_dx) || ice_joint(along - along_dy, across - across_dy);
        const bool shaded =
            ice_joint(along + along_dx, across + across_dx) || ice_joint(along + along_dy, across + across_dy);
        RGBA s = mix(c(0x3a5878), c(0x6a8cac), fbm(x / 20.0f, y / 20.0f, 3, 86));
        if (lit)
            s = mix(s, c(0xc0dcf0), 0.45f);
        else if (shaded)
            s = scale_rgb(s, 0.7f);
        return s;
    }
    case 5: {  // kerb and pavement, then rooftops
        if (across < 6)
            return mix(c(0x8a8a86), c(0xb0b0aa), hash01(x, y, 87) * 0.4f);
        if (across < 22) {
            RGBA p = mix(c(0x5a5a5a), c(0x6e6e6a), fbm(x / 10.0f, y / 10.0f, 2, 88));
            if ((along % 30) == 0 || across == 21)
                p = c(0x3a3a3a);
            return p;
        }
        return mix(c(0x3a2420), c(0x5a3630), fbm(x / 12.0f, y / 5.0f, 2, 89));
    }
    default: {  // a rampart of domed volcanic boulders, lava glowing deep between them
        float d1, d2;
        voronoi(x / 22.0f, y / 22.0f, 90, d1, d2);
        RGBA s = mix(c(0x1e1212), c(0x4a2c26), fbm(x / 12.0f, y / 12.0f, 3, 91));
        s = scale_rgb(s, 1.35f - 1.1f * d1);
        const float seam = 1 - smoothstep(0.02f, 0.12f, d2 - d1);
        s = mix(s, c(0x0c0404), seam);
        return mix(s, c(0xd03a0c), seam * seam * 0.6f);
    }
    }
}

void paint_walls(Image& img, int floor)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) {
            if (in_arena(x, y))
                continue;
            // Which wall owns the pixel: the nearest inner edge.
            const int dl = size::ARENA_X1 - x, dr = x - size::ARENA_X2, dt = size::ARENA_Y1 - y,
                      db = y - size::ARENA_Y2;
            const int across = std::max(std::max(dl, dr), std::max(dt, db)) - 1;
            const bool horizontal = std::max(dt, db) >= std::max(dl, dr);
            const int along = horizontal ? x : y;
            RGBA col = wall_px(floor, x, y, along, across, horizontal);
            // The inner lip: lit where it faces the top-left light, shaded where it faces away.
            if (across == 0) {
                // The wall's inner rim catches the light: a crisp bright line
                // against the floor, which lies in the wall's shadow or below it.
                col = mix(scale_rgb(col, 1.3f), c(0xfff4e0), 0.4f);
            } else if (across < LIP_PX) {
                const float k = 1 - static_cast<float>(across) / LIP_PX;
                const bool lit = (horizontal && db > 0) || (!horizontal && dr > 0);
                col = scale_rgb(col, lit ? 1 + 0.45f * k : 1 - 0.45f * k);
            }
            if (y < size::ARENA_Y1)
                col = scale_rgb(col, HUD_BAND_DIM + (1 - HUD_BAND_DIM) * y / size::ARENA_Y1);
            img.at(x, y) = col;
        }
    // Shadow thrown by the top and left walls onto the floor.
    for (int y = size::ARENA_Y1; y <= size::ARENA_Y2; ++y)
        for (int x = size::ARENA_X1; x <= size::ARENA_X2; ++x) {
            const int d = std::min(x - size::ARENA_X1, y - size::ARENA_Y1);
            if (d >= CAST_SHADOW_PX)
                continue;
            const float k = 1 - static_cast<float>(d) / CAST_SHADOW_PX;
            img.at(x, y) = scale_rgb(img.at(x, y), 1 - 0.45f * k * k);
        }
}
// ---- small things lying on the floors, painted over the texture ----

void weed(const Pen& p, float x, float y, Rng& r)
{
    const RGBA g = mix(c(0x3a5a18), c(0x6a8a30), r.uni());
    for (int k = -1; k <= 1; ++k)
        p.taper(x, y, x + k * r.range(1.5f, 3.0f), y - r.range(3.0f, 5.5f), 0.8f, 0.2f, flat(g));
}

void pebble(const Pen& p, float x, float y, float rad, RGBA col)
{
    p.ellipse(x + 0.6f, y + 0.8f, rad, rad * 0.75f, flat(c(0x000000, 0.35f)));
    p.ellipse(x, y, rad, rad * 0.75f, bevel(col, rad * 0.8f, 0.6f));
}

void flower(const Pen& p, float x, float y, RGBA petal)
{
    for (int k = 0; k < 4; ++k) {
        const float a = k * PI / 2 + 0.4f;
        p.circle(x + std::cos(a) * 1.3f, y + std::sin(a) * 1.3f, 1.0f, flat(petal));
    }
    p.circle(x, y, 0.8f, flat(c(0xf0c020)));
}

void decorate(Image& img, int floor)
{
    const Pen p {&img, Xf {}};
    Rng r(500u + floor);
    const float x0 = size::ARENA_X1 + 8, x1 = size::ARENA_X2 - 8, y0 = size::ARENA_Y1 + 8, y1 = size::ARENA_Y2 - 8;
    switch (floor) {
    case 0:
        for (int i = 0; i < 70; ++i)
            weed(p, r.range(x0, x1), r.range(y0, y1), r);
        for (int i = 0; i < 40; ++i)
            pebble(p, r.range(x0, x1), r.range(y0, y1), r.range(1.0f, 2.2f), mix(c(0x6a6052), c(0x948a7a), r.uni()));
        break;
    case 1:
        for (int i = 0; i < 60; ++i) {
            const float x = r.range(x0, x1), y = r.range(y0, y1);
            const RGBA petal = r.uni() < 0.5f ? c(0xf4f4f0) : r.uni() < 0.5f ? c(0xf0d040) : c(0x98b8f0);
            // Flowers grow in the grass, not on the gravel; none is purple like a guy's shirt.
            const RGBA under = img.at(static_cast<int>(x), static_cast<int>(y));
            if (under.g > under.r * 1.2f)
                flower(p, x, y, petal);
        }
        break;
    case 3: {
        // Glowing circuits wander over the panels, turning at right angles,
        // from node to node.
        Image wires(img.w, img.h);
        const Pen w {&wires, Xf {}};
        const float grid = 12;
        for (int i = 0; i < 26; ++i) {
            float x = std::round(r.range(x0, x1) / grid) * grid, y = std::round(r.range(y0, y1) / grid) * grid;
            int dir = r.irange(0, 3);
            w.circle(x, y, 2.2f, flat(c(0x60ffe0)));
            const int segs = r.irange(2, 5);
            for (int k = 0; k < segs; ++k) {
                const float len = grid * r.irange(1, 4);
                const float nx = std::clamp(x + (dir == 0 ? len : dir == 2 ? -len : 0), x0, x1);
                const float ny = std::clamp(y + (dir == 1 ? len : dir == 3 ? -len : 0), y0, y1);
                w.capsule(x, y, nx, ny, 0.8f, flat(c(0x30d0b0)));
                x = nx;
                y = ny;
                dir = (dir + (r.uni() < 0.5f ? 1 : 3)) % 4;
            }
            w.circle(x, y, 2.6f, flat(c(0x30d0b0)));
            w.circle(x, y, 1.2f, flat(c(0x0c1020)));
        }
        Image glow = blur(wires, 3);
        // Kept dim: the spitters' green globs must outshine them.
        for (RGBA& g : glow.px)
            g.a *= 0.5f;
        composite(img, glow, 0, 0);
        composite(img, wires, 0, 0, 0.6f);
        // Round vents on a few panels.
        for (int i = 0; i < 7; ++i) {
            const float x = r.range(x0 + 20, x1 - 20), y = r.range(y0 + 20, y1 - 20);
            p.circle(x, y, 9, bevel(c(0x1a2236), 3, -0.6f));
            for (int k = -2; k <= 2; ++k)
                p.capsule(x - 6, y + k * 2.5f, x + 6, y + k * 2.5f, 0.6f, flat(c(0x05060c)));
        }
        break;
    }
    case 5:
        for (int i = 0; i < 25; ++i) {
            const float x = r.range(x0, x1), y = r.range(y0, y1), len = r.range(6, 18), a = r.range(0, PI);
            p.capsule(x, y, x + std::cos(a) * len, y + std::sin(a) * len, 0.5f, flat(c(0x141416, 0.6f)));
        }
        break;
    case 6:
        for (int i = 0; i < 30; ++i)
            pebble(p, r.range(x0, x1), r.range(y0, y1), r.range(1.2f, 2.8f), mix(c(0x2a1a18), c(0x4a2e28), r.uni()));
        break;
    default:
        break;
    }
}
}  // namespace

void paint_floor(Image& img, int floor)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            img.at(x, y) = floor_px(floor, x, y);
    decorate(img, floor);
}

Image art_background(int floor)
{
    Image img(size::SCREEN_W, size::SCREEN_H);
    paint_floor(img, floor);
    paint_walls(img, floor);
    return img;
}
