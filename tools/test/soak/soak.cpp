// Soak run of the whole game headless, checking play as well as memory: the
// eight levels played again and again by the real level loop (briefings,
// replays after a lost life, game over, the ending) while a pilot drives the
// craft with long random input (held keys, turns, straight runs and reversing
// into walls and corners, shooting, pausing). After every tick of every level
// the invariants of play are checked (see check_tick): the craft and the
// enemies that live in the arena stay in it, hit points and lives stay in
// range, the object lists agree with the registry's count, the level clock
// advances once per tick, and everything is drawn where the picture shows it.
// A failed invariant prints its name, the level, the attempt, the tick and the
// seed; the run is deterministic for a seed, so the same arguments replay it.
// At the end of every attempt the registry must report "Create count = 0" and
// leave nothing behind, and the heap in use must stay steady from the end of
// the first round (every level and screen seen once) to the end of the run.
// Meant for the sanitizer build (AddressSanitizer and LeakSanitizer check
// everything on the way and at exit).
// Usage: soak [TICKS=100000] [SEED=2026]   (run from the build directory)
// Exit code 0 when every check held.
#include "arena.h"
#include "cmdline.h"
#include "enemy.h"
#include "game.h"
#include "headless.h"
#include "menu.h"
#include "music.h"
#include "object.h"
#include "player.h"
#include "projectile.h"
#include "engine.h"
#include "vorlin.h"
#include "pacing.h"
#include <allegro.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <malloc.h>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (its header is not shipped with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

const int KEY_PRESS_TICK = 90;           // screens waiting for a key get one at this tick
const long HEAP_GROWTH_LIMIT = 1 << 20;  // bytes the heap may grow after the first round
const int REPORTS_PER_INVARIANT = 3;     // failure lines printed per invariant and attempt

// The stand-in for the player's aim: every so often a shot "hits" the
// killable enemy nearest the craft. While the level's quota is still being
// released it fires rarely unless many enemies are about, so enemies live long
// enough to roam and meet the walls; once the quota is spent (and the level
// has had some time) they are finished off quickly, so every level ends.
const int CROWD_SIZE = 4;
const int CROWD_SHOT_TICKS = 6;
const int ROAM_SHOT_TICKS = 45;
const int FINISH_AFTER_TICKS = 2500;
// The pilot backs away from what cannot be shot (spikes) when it comes this
// close, for this long: blind driving into level 7's cage of spikes would
// end every attempt there before its enemies are released.
const float SPIKE_CAUTION = 10.0f;
const int SPIKE_BACK_OFF_TICKS = 20;

// How far past a wall a box may be after a tick. The craft is put back inside
// on every side within its own tick, so only a float residue of the push-back
// is left; the enemies are held in by their own box in theirs. A rotated enemy
// is held by its unrotated box, so its turned sprite may also swing past the
// wall by its own overhang (allowed separately).
const float CRAFT_WALL_SLACK = 0.5f;
const float ENEMY_WALL_SLACK = 0.5f;
// Sparks and the extra-life marker drift off a burst for their whole life
// (51 ticks at under 2 pixels a tick) and may leave the picture doing so: the
// drawing clips them by design, but they never get further out than that.
const float DRIFT_REACH = 51 * 2.0f;
const float PIXEL_SLACK = 1.0f;  // rounding of a drawing position to whole pixels

const float PI_F = 3.14159265f;
const int PICTURE_W = 640;
const int PICTURE_H = 480;

// Heap bytes in use by the program.
long heap_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long>(mallinfo2().uordblks);
#endif
}

long resident_kib()
{
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The keys the pilot presses.
const int DRIVEN_KEYS[] = {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_SPACE, KEY_LCONTROL, KEY_ESC, KEY_ENTER, KEY_TAB,
    KEY_H, KEY_F, KEY_PGUP, KEY_PGDN};
void release_all_keys()
{
    for (int k : DRIVEN_KEYS)
        key[k] = 0;
}

// ---------------------------------------------------------------------------
// Where the run is, for the failure lines.
unsigned run_seed = 0;
long run_ticks = 0;
int attempt = 0;
int round_number = 1;
long failures = 0;
std::map<std::string, int> reported;  // failure lines printed this attempt, per invariant

void fail(const char* invariant, const std::string& detail)
{
    ++failures;
    int& n = reported[invariant];
    if (++n > REPORTS_PER_INVARIANT)
        return;
    std::printf("soak: INVARIANT FAILED [%s] level %d, tick %d, seed %u (attempt %d, round %d): %s%s\n", invariant,
        current_level, fpscounter, run_seed, attempt, round_number, detail.c_str(),
        n == REPORTS_PER_INVARIANT ? " (further failures of this invariant in this attempt not shown)" : "");
    std::fflush(stdout);
}

std::string describe(const char* what, float x1, float y1, float x2, float y2)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "%s (%.1f, %.1f)-(%.1f, %.1f)", what, x1, y1, x2, y2);
    return buf;
}

struct Box {
    float x1, y1, x2, y2;
};

// Inside `outer` grown by `slack` on every side (also false for NaN).
bool within(const Box& b, const Box& outer, float slack)
{
    return b.x1 >= outer.x1 - slack && b.y1 >= outer.y1 - slack && b.x2 <= outer.x2 + slack && b.y2 <= outer.y2 + slack;
}

// How far `b` reaches past `outer` on its worst side (0 inside, NaN stays NaN).
float overhang(const Box& b, const Box& outer)
{
    return std::max({0.0f, outer.x1 - b.x1, outer.y1 - b.y1, b.x2 - outer.x2, b.y2 - outer.y2});
}

Box arena()
{
    return {float(wall_x1), float(wall_y1), float(wall_x2), float(wall_y2)};
}
const Box PICTURE = {0, 0, PICTURE_W, PICTURE_H};

// The box the walls hold an object by: an unrotated object's sprite rectangle
// from its top-left corner, a rotated one's enclosing box (as the wall test measures).
Box wall_box(const OBJECT* o)
{
    if (o->angle == 0)
        return {o->x, o->y, o->x + o->spr->w, o->y + o->spr->h};
    Box b;
    o->get_bbox(b.x1, b.y1, b.x2, b.y2, nullptr, nullptr, true);
    return b;
}

Box collision_box(const OBJECT* o)
{
    Box b;
    o->get_bbox(b.x1, b.y1, b.x2, b.y2, nullptr, nullptr, true);
    return b;
}

// Where a sprite drawn with its top-left at pixel (px, py) lands: rotated
// sprites turn about their centre and cover their enclosing box.
Box sprite_footprint(BITMAP* spr, int px, int py, float angle)
{
    const float sw = spr->w, sh = spr->h;
    if (angle == 0)
        return {float(px), float(py), px + sw, py + sh};
    const float rad = angle_to_radians(angle);
    const float co = std::fabs(std::cos(rad)), si = std::fabs(std::sin(rad));
    const float cx = px + sw / 2, cy = py + sh / 2;
    const float hw = (sw * co + sh * si) / 2, hh = (sh * co + sw * si) / 2;
    return {cx - hw, cy - hh, cx + hw, cy + hh};
}

// ---------------------------------------------------------------------------
// The pilot: long random input, one move at a time.
enum Move {
    MOVE_STRAIGHT_GAS,      // Up without turning: at the start of an attempt the craft's angle is exactly 0
    MOVE_STRAIGHT_REVERSE,  // Down without turning
    MOVE_TURN,              // gas or reverse with an arrow held
    MOVE_SEEK,              // steer to a wall point or a corner, forwards or backwards, and keep pushing
    MOVE_BRAKE,
    MOVE_COAST,
    NUM_MOVES
};

class Pilot {
public:
    void reseed(unsigned seed) { rng.seed(seed); }

    // A new attempt: about half of them begin with a long straight run, gas
    // or reverse, while the craft is still unrotated.
    void start_attempt()
    {
        pause_ticks = 0;
        in_pause = false;
        move_ticks = 0;
        back_off_ticks = 0;
        if (chance(2)) {
            move = chance(2) ? MOVE_STRAIGHT_GAS : MOVE_STRAIGHT_REVERSE;
            move_ticks = START_SIGN_TICK + range(300, 1200);
        }
    }

    // Once per level tick: the keys of the next tick.
    void drive(const PLAYER* craft)
    {
        release_all_keys();
        if (--move_ticks <= 0)
            next_move();
        if (craft && near_spike(craft) && back_off_ticks == 0)
            back_off_ticks = SPIKE_BACK_OFF_TICKS;
        if (back_off_ticks > 0) {
            // Away from the spike: reverse whichever way the craft is going.
            --back_off_ticks;
            key[craft && craft->speed > 0 ? KEY_DOWN : KEY_UP] = 1;
        } else {
            steer(craft);
        }
        trigger();
        extras();
    }

    // Once per pass of the pause menu: look around a little, then go on.
    void in_pause_menu()
    {
        release_all_keys();
        if (!in_pause) {
            in_pause = true;
            pause_ticks = range(2, 90);
            toggles = 0;
            return;
        }
        if (--pause_ticks > 0) {
            // The menu acts on a fresh press: presses only on even passes, with
            // a pass released in between. An even number of toggles leaves
            // "go on" selected.
            if (pause_ticks % 2 != 0)
                return;
            if (pause_ticks > 2 && chance(10)) {
                key[chance(2) ? KEY_UP : KEY_DOWN] = 1;
                ++toggles;
            } else if (pause_ticks == 2 && toggles % 2 == 1) {
                key[KEY_DOWN] = 1;
                ++toggles;
            }
            return;
        }
        key[KEY_ENTER] = 1;
        in_pause = false;
    }

private:
    std::mt19937 rng;
    Move move = MOVE_COAST;
    int move_ticks = 0;
    bool forwards = true;     // MOVE_TURN, MOVE_SEEK: gas (true) or reverse
    int turn_key = KEY_LEFT;  // MOVE_TURN
    float goal_x = 0, goal_y = 0;
    int fire_ticks = 0;  // ticks the trigger stays as it is
    bool firing = false;
    int pause_ticks = 0;
    bool in_pause = false;
    int toggles = 0;

    int back_off_ticks = 0;

    static bool near_spike(const PLAYER* craft)
    {
        Box c = collision_box(craft);
        for (const ENEMY* e : enemies) {
            if (!e->is_active() || !e->is_unkillable())
                continue;
            const Box b = collision_box(e);
            if (c.x1 - SPIKE_CAUTION <= b.x2 && b.x1 <= c.x2 + SPIKE_CAUTION && c.y1 - SPIKE_CAUTION <= b.y2 &&
                b.y1 <= c.y2 + SPIKE_CAUTION)
                return true;
        }
        return false;
    }

    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    bool chance(int one_in) { return range(1, one_in) == 1; }

    void next_move()
    {
        move = static_cast<Move>(range(0, NUM_MOVES - 1));
        forwards = chance(2);
        turn_key = chance(2) ? KEY_LEFT : KEY_RIGHT;
        switch (move) {
        case MOVE_STRAIGHT_GAS:
        case MOVE_STRAIGHT_REVERSE:
            move_ticks = range(30, 400);
            break;
        case MOVE_TURN:
            move_ticks = range(3, 60);
            break;
        case MOVE_SEEK: {
            // A corner or a point on a wall, a little past it, so the craft keeps pushing.
            const float xs[3] = {float(wall_x1 - 10), float(range(wall_x1, wall_x2)), float(wall_x2 + 10)};
            const float ys[3] = {float(wall_y1 - 10), float(range(wall_y1, wall_y2)), float(wall_y2 + 10)};
            int i = range(0, 2), j = range(0, 2);
            if (i == 1 && j == 1)
                j = chance(2) ? 0 : 2;
            goal_x = xs[i];
            goal_y = ys[j];
            move_ticks = range(120, 600);
            break;
        }
        case MOVE_BRAKE:
        case MOVE_COAST:
        default:
            move_ticks = range(5, 60);
            break;
        }
    }

    void steer(const PLAYER* craft)
    {
        switch (move) {
        case MOVE_STRAIGHT_GAS:
            key[KEY_UP] = 1;
            break;
        case MOVE_STRAIGHT_REVERSE:
            key[KEY_DOWN] = 1;
            break;
        case MOVE_TURN:
            key[forwards ? KEY_UP : KEY_DOWN] = 1;
            key[turn_key] = 1;
            break;
        case MOVE_SEEK:
            seek(craft);
            break;
        case MOVE_BRAKE:
            key[KEY_SPACE] = 1;
            break;
        case MOVE_COAST:
        case NUM_MOVES:
            break;
        }
    }

    // Points the nose (or, reversing, the tail) at the goal and drives on.
    void seek(const PLAYER* craft)
    {
        key[forwards ? KEY_UP : KEY_DOWN] = 1;
        if (!craft)
            return;
        const float cx = craft->x + craft->spr->w / 2, cy = craft->y + craft->spr->h / 2;
        float want = std::atan2(goal_x - cx, cy - goal_y);  // 0 up, clockwise
        if (!forwards)
            want += PI_F;
        const float have = angle_to_radians(craft->angle);
        const float err = std::remainder(want - have, 2 * PI_F);
        const float dead_band = 0.08f;
        if (std::fabs(err) < dead_band || craft->speed == 0)
            return;
        // Left lowers the angle going forwards and raises it reversing.
        const bool raise = err > 0;
        key[(raise == (craft->speed > 0)) ? KEY_RIGHT : KEY_LEFT] = 1;
    }

    // Taps the trigger at random, sometimes holding it down for a while.
    void trigger()
    {
        if (--fire_ticks <= 0) {
            firing = !firing;
            fire_ticks = firing ? (chance(6) ? range(20, 120) : range(1, 4)) : range(1, 40);
        }
        key[KEY_LCONTROL] = firing;
    }

    // Now and then: the pause menu, the HUD keys, the fps key, the volume.
    void extras()
    {
        if (chance(1500)) {
            // Only ESC, so that no arrow held into the menu moves its selection.
            release_all_keys();
            key[KEY_ESC] = 1;
            return;
        }
        if (chance(700))
            key[KEY_TAB] = 1;
        if (chance(900))
            key[KEY_H] = 1;
        if (chance(900))
            key[KEY_F] = 1;
        if (chance(400))
            key[chance(2) ? KEY_PGUP : KEY_PGDN] = 1;
    }
};

Pilot pilot;

// ---------------------------------------------------------------------------
// The invariants.

// Furthest past the walls after any tick: the craft, and the enemies beyond
// what their design allows.
float worst_craft_overhang = 0;
float worst_enemy_overhang = 0;

struct TickState {
    int last_clock = 0;  // level clock at the previous level tick of this attempt
    int draws = 0;       // level frames composed since the last level tick
    int lives_at_start = 0;
    std::map<const ENEMY*, int> first_hp;  // hit points each enemy was first seen with
};
TickState state;

void check_craft(const PLAYER* craft)
{
    if (!craft) {
        fail("registry", "no player during play");
        return;
    }
    const Box b = wall_box(craft);
    const float out = overhang(b, arena());
    worst_craft_overhang = std::max(worst_craft_overhang, out);
    if (!(out <= CRAFT_WALL_SLACK)) {
        char motion[160];
        std::snprintf(motion, sizeof motion, ", angle %g, speed %g, velocity (%g, %g)%s", craft->angle, craft->speed,
            craft->vx, craft->vy, craft->crashed ? ", knocked back" : "");
        fail("craft inside the arena",
            describe("craft box", b.x1, b.y1, b.x2, b.y2) + describe(" arena", wall_x1, wall_y1, wall_x2, wall_y2) +
                motion);
    }
    if (craft->hp < 0 || craft->hp > PLAYER_MAX_HP)
        fail("hit points in range", "craft hp " + std::to_string(craft->hp));
    if ((craft->hp == 0) != (craft->death_count != -1))
        fail("hit points in range",
            "craft hp " + std::to_string(craft->hp) + " with death count " + std::to_string(craft->death_count));
    // A life is lost at most once an attempt, and one is won at most once (the cleared sign).
    if (craft->lives < 0 || craft->lives < state.lives_at_start - 1 || craft->lives > state.lives_at_start + 1)
        fail("lives in range",
            "lives " + std::to_string(craft->lives) + ", " + std::to_string(state.lives_at_start) +
                " at the start of the attempt");
    if (!(craft->gun_temp >= 0 && craft->gun_temp <= 1))
        fail("hit points in range", "gun temperature " + std::to_string(craft->gun_temp));
}

void check_enemy(const ENEMY* e)
{
    // Spitters sit on the top wall by design; every other enemy is held in the arena.
    if (!e->has_trait(ENEMY::TRAIT_ON_TOP_WALL)) {
        const Box b = collision_box(e);
        Box allowed = arena();
        float sx = 0, sy = 0;
        if (e->angle != 0) {
            // Held by its unrotated sprite: the turned sprite may swing past by its overhang.
            sx = std::max(0.0f, ((b.x2 - b.x1) - e->spr->w) / 2);
            sy = std::max(0.0f, ((b.y2 - b.y1) - e->spr->h) / 2);
        }
        if (e->centered) {
            // A centred enemy is held by its centre at the left and top walls.
            allowed.x1 -= (b.x2 - b.x1) / 2;
            allowed.y1 -= (b.y2 - b.y1) / 2;
        }
        const float out = std::max(
            {0.0f, allowed.x1 - sx - b.x1, allowed.y1 - sy - b.y1, b.x2 - allowed.x2 - sx, b.y2 - allowed.y2 - sy});
        worst_enemy_overhang = std::max(worst_enemy_overhang, out);
        if (!(out <= ENEMY_WALL_SLACK))
            fail("enemies inside the arena",
                "type " + std::to_string(e->get_type()) + " " + describe("box", b.x1, b.y1, b.x2, b.y2));
    }
    auto seen = state.first_hp.find(e);
    if (seen == state.first_hp.end())
        seen = state.first_hp.emplace(e, e->hp).first;
    if (e->hp < 0 || e->hp > seen->second)
        fail("hit points in range",
            "enemy type " + std::to_string(e->get_type()) + " hp " + std::to_string(e->hp) + ", born with " +
                std::to_string(seen->second));
    if (e->hp == 0 && e->is_active())
        fail("hit points in range", "a dead enemy (type " + std::to_string(e->get_type()) + ") is active");
}

// The lists agree with the registry: every constructed object is listed once,
// the craft first; the enemy list holds exactly the listed enemies, in order;
// after a tick every listed object is alive.
void check_registry()
{
    if (create_count != static_cast<int>(objects.size()))
        fail("object counts",
            "create count " + std::to_string(create_count) + ", " + std::to_string(objects.size()) + " objects listed");
    if (objects.empty() || objects.front() != player)
        fail("object counts", "the craft is not the first object");
    std::vector<const ENEMY*> listed;
    for (const OBJECT* o : objects) {
        if (!o->is_enabled())
            fail("object counts", "a disabled object outlived its tick");
        if (const ENEMY* e = dynamic_cast<const ENEMY*>(o))
            listed.push_back(e);
    }
    if (!std::equal(listed.begin(), listed.end(), enemies.begin(), enemies.end()))
        fail("object counts",
            std::to_string(listed.size()) + " enemies among the objects, " + std::to_string(enemies.size()) +
                " in the enemy list, or in another order");
    if (enemies_left < 0)
        fail("object counts", "quota left " + std::to_string(enemies_left));
}

// Everything is drawn where the picture shows it. The craft, the enemies, and
// shots and spit are drawn wholly inside the picture (the arena lies inside
// it). A turd still falling is drawn from high above, off the picture, by
// design: its shadow, centred on its place, is what must show. Sparks and the
// extra-life marker may drift off the picture's edge while they fade (clipped
// by the drawing, by design), but no further than their life carries them.
void check_drawing()
{
    for (const OBJECT* o : objects) {
        if (!std::isfinite(o->x) || !std::isfinite(o->y) || !std::isfinite(o->angle)) {
            fail("drawn inside the picture", "an object at a position that is not a number");
            continue;
        }
        if (const PLAYER* craft = dynamic_cast<const PLAYER*>(o)) {
            const Box b = sprite_footprint(craft->spr, to_pixel(craft->x), to_pixel(craft->y), craft->angle);
            if (!within(b, PICTURE, PIXEL_SLACK))
                fail("drawn inside the picture", describe("craft drawn at", b.x1, b.y1, b.x2, b.y2));
        } else if (const ENEMY* e = dynamic_cast<const ENEMY*>(o)) {
            if (e->drop != 0) {
                if (!within({e->x, e->y, e->x, e->y}, PICTURE, 0))
                    fail("drawn inside the picture", describe("falling enemy's shadow at", e->x, e->y, e->x, e->y));
                continue;
            }
            const float bw = e->box_w(), bh = e->box_h();
            const int px = to_pixel(e->centered ? e->x - bw / 2 : e->x);
            const int py = to_pixel(e->centered ? e->y - bh / 2 : e->y);
            Box b;
            if (e->w != 0 || e->h != 0)
                b = {float(px), float(py), px + bw, py + bh};
            else if (e->alpha < ENEMY_OPAQUE)  // a fading body is drawn in its sprite's rectangle
                b = sprite_footprint(e->spr, px, py, 0);
            else
                b = sprite_footprint(e->spr, px, py, e->angle);
            if (!within(b, PICTURE, PIXEL_SLACK))
                fail("drawn inside the picture",
                    "enemy type " + std::to_string(e->get_type()) + describe(" drawn at", b.x1, b.y1, b.x2, b.y2));
            if (e->overlay) {
                const int oy = e->overlay_alpha ? py : to_pixel(e->base_y);
                const Box ob = sprite_footprint(e->overlay, px, oy, 0);
                if (!within(ob, PICTURE, PIXEL_SLACK))
                    fail("drawn inside the picture",
                        "enemy type " + std::to_string(e->get_type()) +
                            describe(" overlay drawn at", ob.x1, ob.y1, ob.x2, ob.y2));
            }
        } else if (const PROJ* p = dynamic_cast<const PROJ*>(o)) {
            const int px = to_pixel(p->x), py = to_pixel(p->y);
            if (p->spark || p->alpha != 0) {
                const Box b = p->spark ? Box {float(px), float(py), px + 1.0f, py + 1.0f}
                                       : sprite_footprint(p->spr, px, py, p->angle);
                if (!within(b, PICTURE, DRIFT_REACH))
                    fail("drawn inside the picture",
                        describe(p->spark ? "spark drawn at" : "marker drawn at", b.x1, b.y1, b.x2, b.y2));
                continue;
            }
            const Box b = sprite_footprint(p->spr, px, py, p->angle);
            if (!within(b, PICTURE, PIXEL_SLACK))
                fail("drawn inside the picture", describe("shot drawn at", b.x1, b.y1, b.x2, b.y2));
        }
    }
}

// Everything that must hold after a tick of play.
void check_tick()
{
    check_registry();
    check_craft(player);
    for (const ENEMY* e : enemies)
        check_enemy(e);
    for (auto it = state.first_hp.begin(); it != state.first_hp.end();)
        it = std::find(enemies.begin(), enemies.end(), it->first) == enemies.end() ? state.first_hp.erase(it)
                                                                                   : std::next(it);
    check_drawing();
}

// Rides along in `objects`, just behind the craft: each level tick it checks
// the clock, plays the pilot and the stand-in aim; each composed frame of the
// level (one per tick: the headless pacing draws every pass) it checks the
// invariants; inside the pause menu's own frames it plays the menu.
class DRIVER : public OBJECT {
public:
    DRIVER() { set(0, 0); }
    void processing() override
    {
        if (fpscounter != state.last_clock + 1)
            fail("level clock",
                "tick " + std::to_string(fpscounter) + " follows tick " + std::to_string(state.last_clock));
        if (state.last_clock > 0 && state.draws != 1)
            fail("level clock", std::to_string(state.draws) + " frames composed in the last tick");
        state.last_clock = fpscounter;
        state.draws = 0;
        pilot.drive(player);
        aim();
    }
    void draw() override
    {
        if (fpscounter != state.last_clock) {
            // A frame of the pause menu: its clock runs on from the level's.
            pilot.in_pause_menu();
            return;
        }
        // The craft is first in `objects` during play (its shots know it by
        // that), so the driver takes its place behind it at the first frame.
        if (objects.front() == this) {
            auto self = std::find(objects.begin(), objects.end(), static_cast<OBJECT*>(this));
            objects.splice(std::next(objects.begin(), 2), objects, self);
        }
        ++state.draws;
        check_tick();
    }

private:
    void aim()
    {
        const bool finishing = enemies_left == 0 && fpscounter > FINISH_AFTER_TICKS;
        const bool crowded = static_cast<int>(enemies.size()) > CROWD_SIZE;
        if (fpscounter % (finishing || crowded ? CROWD_SHOT_TICKS : ROAM_SHOT_TICKS) != 0)
            return;
        ENEMY* nearest = nullptr;
        float best = 0;
        for (ENEMY* e : enemies) {
            if (!e->is_active() || e->is_unkillable() || e->hp <= 0)
                continue;
            const float d = std::hypot(e->x - player->x, e->y - player->y);
            if (!nearest || d < best) {
                nearest = e;
                best = d;
            }
        }
        if (nearest)
            nearest->hit();
    }
};

bool start()
{
    if (!headless_init(32) || !headless_load_data())
        return false;
    songbox = new SONGBOX;
    songbox->set_mute(true);
    no_mp3 = true;
    debug = false;
    // The screens before and after play wait for keypressed(): a key arrives
    // when the screen's own clock reaches KEY_PRESS_TICK.
    headless_press_keys_at(KEY_PRESS_TICK);
    for (int k = 0; k < KEY_MAX; ++k)
        key[k] = 0;
    num_joysticks = 0;
    reset_input_edges();
    return true;
}

void stop()
{
    release_engine_resources();
    destroy_bitmap(screen);
    screen = nullptr;
}

const char* result_name(int result)
{
    switch (result) {
    case GAME_OVER:
        return "game over";
    case GAME_QUIT:
        return "quit";
    case GAME_DEAD:
        return "life lost";
    case GAME_NEXTLVL:
        return "cleared";
    default:
        return "?";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const long target_ticks = argc > 1 ? std::atol(argv[1]) : 100000;
    run_seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 2026u;
    srand(run_seed);
    pilot.reseed(run_seed);
    if (!start()) {
        std::fprintf(stderr, "soak: cannot start (run from the build directory, beside data/)\n");
        return 1;
    }
    std::printf("soak: %ld ticks, seed %u (the same arguments replay this run)\n", target_ticks, run_seed);
    int bad_reports = 0, wins = 0, losses = 0, rounds_done = 0;
    long level_ticks[NUM_LEVELS + 1] = {};
    int level_attempts[NUM_LEVELS + 1] = {};
    std::vector<long> heap_after;
    player_lives = PLAYER_LIVES;
    int level = 1;
    while (run_ticks < target_ticks) {
        ++attempt;
        reported.clear();
        state = TickState();
        state.lives_at_start = player_lives;
        pilot.start_attempt();
        release_all_keys();
        objects.push_back(new DRIVER());
        std::ostringstream report;
        std::streambuf* out = std::cout.rdbuf(report.rdbuf());
        const int result = run_game(level);
        std::cout.rdbuf(out);
        release_all_keys();
        run_ticks += fpscounter;
        level_ticks[level] += fpscounter;
        ++level_attempts[level];
        const bool good = report.str().find("Create count = 0 (this is good)\n") != std::string::npos &&
            create_count == 0 && objects.empty() && enemies.empty() && player == nullptr;
        if (!good) {
            ++bad_reports;
            std::printf("soak: attempt %d (level %d): create count %d, %zu objects left, report \"%s\"\n", attempt,
                level, create_count, objects.size(), report.str().c_str());
        }
        std::printf("soak: attempt %d, level %d: %s after %d ticks, %d lives\n", attempt, level, result_name(result),
            fpscounter, player_lives);
        // Every round plays each level: after a game over the round goes on
        // with the next level (with the lives given back), where the game
        // itself would start again from the first.
        bool round_over = false;
        if (result == GAME_NEXTLVL) {
            ++level;
        } else if (result == GAME_OVER) {
            game_over();
            reset_after_gameover();
            ++losses;
            ++level;
        } else if (result == GAME_QUIT) {
            std::printf("soak: attempt %d ended with GAME_QUIT\n", attempt);
            ++bad_reports;
            ++level;
        }
        if (level > NUM_LEVELS) {
            if (result == GAME_NEXTLVL) {
                stupid_ending();
                ++wins;
            }
            round_over = true;
        }
        if (round_over) {
            ++rounds_done;
            level = 1;
            heap_after.push_back(heap_in_use());
            std::printf("soak: round %d done (%s): %ld ticks, %d attempts, heap %ld bytes, resident %ld KiB\n",
                rounds_done, result == GAME_NEXTLVL ? "won" : "ended by a game over", run_ticks, attempt,
                heap_after.back(), resident_kib());
            std::fflush(stdout);
            ++round_number;
        }
    }
    // The heap after the last attempt, whether or not it ended a round.
    if (!heap_after.empty())
        heap_after.push_back(heap_in_use());
    for (int l = 1; l <= NUM_LEVELS; ++l)
        std::printf("soak: level %d played: %d attempts, %ld ticks\n", l, level_attempts[l], level_ticks[l]);
    std::printf("soak: furthest past a wall after a tick: the craft %.3f px (%.1f allowed), an enemy %.3f px "
                "beyond its design (%.1f allowed)\n",
        worst_craft_overhang, CRAFT_WALL_SLACK, worst_enemy_overhang, ENEMY_WALL_SLACK);
    const long growth = heap_after.size() >= 2 ? heap_after.back() - heap_after.front() : 0;
    std::printf("soak: %ld level ticks, %d attempts, %d rounds (%d won, %d game overs), %d bad reports, "
                "%ld invariant failures, heap growth %ld bytes from the end of the first round to the end of the run\n",
        run_ticks, attempt, rounds_done, wins, losses, bad_reports, failures, growth);
    stop();
    const bool steady = growth <= HEAP_GROWTH_LIMIT;
    if (!steady)
        std::printf("soak: the heap grew by more than %ld bytes\n", HEAP_GROWTH_LIMIT);
    return bad_reports == 0 && failures == 0 && steady ? 0 : 1;
}
