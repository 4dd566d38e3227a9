// Per-level set-up and scripts: walls, grip, quota and start enemies of each
// level, then the schedule that releases the quota and decides when it is cleared.
#include "levels.h"
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "music.h"
#include "object.h"
#include "player.h"
#include "registry.h"
#include "engine.h"
#include "pacing.h"
#include <cstdlib>
#include <iostream>

namespace {

const int LEVEL_1_SONG_START_MS = 6000;
const float FULL_TRACTION = 1.0f;
const int LEVEL_7_RING_SPIKES = 36;
const int ENTRY_MARGIN = 50;          // released enemies keep this far from the walls
const int CHANCE_START_TICK = 1500;   // chance releases only after this tick
const int NO_CAP = 1 << 30;           // no cap on the enemies alive
const int NO_SIZE = -1;               // the entry area ignores the sprite size
const int BOSS_ENTRY_CENTRE_X = 320;  // the boss enters centred on the top wall's middle

int W(int n)
{
    return data_bitmap(n)->w;
}
int H(int n)
{
    return data_bitmap(n)->h;
}

void add_enemy(ENEMY* e)
{
    objects.push_back(e);
    enemies.push_back(e);
}

// Creates every enemy first, then enters them in creation order.
void add_enemies(ENEMY* const* list, int count)
{
    for (int i = 0; i < count; ++i)
        add_enemy(list[i]);
}

int random_x(int width)
{
    return rand() % (wall_x2 - width - 2 * ENTRY_MARGIN) + wall_x1 + ENTRY_MARGIN;
}
int random_y(int height)
{
    return rand() % (wall_y2 - height - 2 * ENTRY_MARGIN) + wall_y1 + ENTRY_MARGIN;
}

// Start enemies (and the craft's place) of each level that has any.

void set_up_level_2()
{
    const int x = random_x(W(SPR_CAR));
    const int y = random_y(H(SPR_CAR));
    ENEMY* car = new ENEMY(ENEMY::ET_CAR, x, y);
    if (car->collide(player))
        car->set(CAR_FALLBACK_X, CAR_FALLBACK_Y);
    car->set_angle(rand() & 255);
    add_enemy(car);
}

void set_up_level_3()
{
    const int w = W(SPR_SPIKE_1), h = H(SPR_SPIKE_1);
    ENEMY* spikes[] = {
        new ENEMY(ENEMY::ET_SPIKE, 128 - w / 2, 96 - h / 2),
        new ENEMY(ENEMY::ET_SPIKE, 512 - w / 2, 96 - h / 2),
        new ENEMY(ENEMY::ET_SPIKE, 128 - w / 2, 384 - h / 2),
        new ENEMY(ENEMY::ET_SPIKE, 512 - w / 2, 384 - h / 2),
    };
    add_enemies(spikes, 4);
}

void set_up_level_4()
{
    const int w = W(SPR_SPITTER), h = H(SPR_SPITTER);
    ENEMY* spitters[] = {
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 58, wall_y1 - h / 2),
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 255, wall_y1 - h / 2),
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 480, wall_y1 - h / 2),
    };
    add_enemies(spitters, 3);
}

void set_up_level_6()
{
    ENEMY* cars[] = {
        new ENEMY(ENEMY::ET_CHASE_CAR, 256, 256),
        new ENEMY(ENEMY::ET_CAR, 512, 384),
        new ENEMY(ENEMY::ET_CAR, 96, 384),
    };
    for (ENEMY* car : cars) {
        car->set_angle(rand() & 255);
        add_enemy(car);
    }
}

void set_up_level_7()
{
    const int w = W(SPR_SPIKE_1), h = H(SPR_SPIKE_1);
    ENEMY* ring[LEVEL_7_RING_SPIKES];
    int n = 0;
    for (int i = 0; i < 10; ++i) {
        ring[n++] = new ENEMY(ENEMY::ET_SPIKE, 148 + 40 * i - w / 2, 96 - h / 2);
        ring[n++] = new ENEMY(ENEMY::ET_SPIKE, 148 + 40 * i - w / 2, 376 - h / 2);
    }
    for (int i = 0; i < 8; ++i) {
        ring[n++] = new ENEMY(ENEMY::ET_SPIKE, 108 - w / 2, 96 + 40 * i - h / 2);
        ring[n++] = new ENEMY(ENEMY::ET_SPIKE, 540 - w / 2, 96 + 40 * i - h / 2);
    }
    add_enemies(ring, n);
    const int sw = W(SPR_SPITTER), sh = H(SPR_SPITTER);
    add_enemy(new ENEMY(ENEMY::ET_SPITTER, sw / 2 + 255, wall_y1 - sh / 2));
}

void set_up_level_8()
{
    player->set(PLAYER_START_X, wall_y2 - H(SPR_PLAYER));
}

// The types a level releases: one, or one drawn per release (after the place).
struct TypePool {
    int count;
    ENEMY::TYPE types[6];
};

// Regular release ticks: the ticks in `once`, then every multiple of `period`
// above `periodic_after`.
struct Schedule {
    int once[2];  // 0: unused
    int periodic_after;
    int period;  // 0: none
};

// Where a released enemy enters.
enum Entry {
    ENTRY_RANDOM,        // a random place clear of every object with a sprite
    ENTRY_RANDOM_LOOSE,  // sizes left out, clear of the enemies only (falling turds)
    ENTRY_TOP_WALL,      // centred on the top wall's middle, no draw, no test
};

// A message the script shows once, at a given tick.
struct Taunt {
    int tick;  // 0: none
    const char* text;
    int ticks;  // how long it shows
};
const Taunt NO_TAUNT = {0, nullptr, 0};

// Everything that makes a level: its set-up and the script that releases its
// quota and decides when it is cleared. Row N - 1 is level N.
struct Level {
    LevelArt art;            // walls, floor and briefing picture, as the data holds them
    const char* brief_text;  // the briefing's line
    Song song;
    // Set-up, before the level clock starts.
    float traction;     // the craft's grip
    int quota;          // enemies the script has to release
    void (*set_up)();   // start enemies and the craft's place; nullptr: none
    int song_start_ms;  // where the level's song starts
    // Script, once per tick.
    Schedule regular;         // ticks that release whenever the quota is not spent
    int chance_period_ticks;  // chance rolls after tick 1500 at its multiples; 0: none
    int chance_one_in;        // 2: an odd draw succeeds; n > 2: a draw with draw % n == 0
    TypePool pool;            // what a release makes
    TypePool chance_pool;     // what a release makes when this tick's chance roll succeeded
    int size_object;          // archive bitmap whose size bounds the entry area, or NO_SIZE
    Entry entry;
    int max_alive;           // releases only while at most this many enemies live
    bool held_by_chase_car;  // no roll and no release while a chase car is first in `enemies`
    Taunt taunt;
    int clear_count;  // enemies still listed when the level is cleared (the spikes)
};

constexpr TypePool only(ENEMY::TYPE t)
{
    return TypePool {1, {t}};
}
const TypePool LEVEL_7_POOL = {
    6, {ENEMY::ET_TURD, ENEMY::ET_BALL, ENEMY::ET_FAST_BALL, ENEMY::ET_STALKER, ENEMY::ET_SPINNER, ENEMY::ET_PERSON}};
const Taunt LEVEL_7_TAUNT = {800, "This level's EASY!!!  Right??  Well, fuck you!!", 300};
const Schedule EARLY_THEN_300 = {{200, 400}, 400, 300};

const Level LEVELS[] = {
    //     art           briefing line                   song
    //     traction       quota  set-up          song start
    //     regular ticks            chance  in  pool / on a successful chance roll                 size object entry
    //     cap     guard  taunt          clear
    /* 1 */ {LEVEL_ART[0], "Dodge the falling turds!!!", SONG_LEVEL_1, FULL_TRACTION, 20, nullptr,
        LEVEL_1_SONG_START_MS, EARLY_THEN_300, 240, 2, only(ENEMY::ET_TURD), only(ENEMY::ET_TURD), NO_SIZE,
        ENTRY_RANDOM_LOOSE, NO_CAP, false, NO_TAUNT, 0},
    /* 2 */
    {LEVEL_ART[1], "Gay guys from below!!", SONG_LEVEL_2, FULL_TRACTION, 20, set_up_level_2, 0, EARLY_THEN_300, 240, 2,
        only(ENEMY::ET_GUY), only(ENEMY::ET_GUY), SPR_GUY_WALK_1, ENTRY_RANDOM, NO_CAP, false, NO_TAUNT, 0},
    /* 3 */
    {LEVEL_ART[2], "Spikes and Balls!!!", SONG_LEVEL_3, 0.15f, 30, set_up_level_3, 0, {{0, 0}, 100, 250}, 100, 2,
        only(ENEMY::ET_BALL), only(ENEMY::ET_BALL), SPR_BALL, ENTRY_RANDOM, NO_CAP, false, NO_TAUNT, 4},
    /* 4 */
    {LEVEL_ART[3], "Peoo!! Glclclch!", SONG_LEVEL_4, FULL_TRACTION, 8, set_up_level_4, 0, {{200, 0}, 400, 800}, 100, 5,
        only(ENEMY::ET_SPINNER), only(ENEMY::ET_SPINNER), SPR_SPINNER, ENTRY_RANDOM, NO_CAP, false, NO_TAUNT, 0},
    /* 5 */
    {LEVEL_ART[4], "Brakes don't work well on ice", SONG_LEVEL_5, 0.02f, 25, nullptr, 0, EARLY_THEN_300, 240, 2,
        only(ENEMY::ET_FAST_BALL), only(ENEMY::ET_STALKER), SPR_FAST_BALL, ENTRY_RANDOM, NO_CAP, false, NO_TAUNT, 0},
    /* 6 */
    {LEVEL_ART[5], "People get killed!!", SONG_LEVEL_6, FULL_TRACTION, 20, set_up_level_6, 0, {{0, 0}, 400, 400}, 240,
        2, only(ENEMY::ET_PERSON), only(ENEMY::ET_PERSON), SPR_GUY_WALK_1, ENTRY_RANDOM, 8, true, NO_TAUNT, 0},
    /* 7 */
    {LEVEL_ART[6], "Hell!", SONG_LEVEL_7, FULL_TRACTION, 25, set_up_level_7, 0, {{0, 0}, 900, 350}, 150, 2,
        LEVEL_7_POOL, LEVEL_7_POOL, SPR_SPINNER, ENTRY_RANDOM, NO_CAP, false, LEVEL_7_TAUNT, LEVEL_7_RING_SPIKES},
    /* 8 */
    {LEVEL_ART[7], "He's pissed", SONG_LEVEL_8, FULL_TRACTION, 1, set_up_level_8, 0, {{200, 0}, 0, 0}, 0, 0,
        only(ENEMY::ET_BOSS), only(ENEMY::ET_BOSS), SPR_BOSS_1, ENTRY_TOP_WALL, NO_CAP, false, NO_TAUNT, 0},
};
static_assert(sizeof LEVELS / sizeof LEVELS[0] == NUM_LEVELS, "LEVELS needs one row per level of LEVEL_ART");

// The row of `level`, or nullptr outside 1..NUM_LEVELS.
const Level* level_row(int level)
{
    return level >= 1 && level <= NUM_LEVELS ? &LEVELS[level - 1] : nullptr;
}

bool regular_release_tick(const Schedule& s, int t)
{
    for (int once : s.once)
        if (once != 0 && t == once)
            return true;
    return s.period != 0 && t > s.periodic_after && t % s.period == 0;
}

bool chance_roll(const Level& l, int t)
{
    if (l.chance_period_ticks == 0 || t <= CHANCE_START_TICK || t % l.chance_period_ticks != 0)
        return false;
    const int draw = rand();
    return l.chance_one_in == 2 ? (draw & 1) != 0 : draw % l.chance_one_in == 0;
}

// True when e overlaps anything it is tested against on entry.
bool entry_overlaps(const ENEMY* e, bool against_enemies_only)
{
    if (against_enemies_only) {
        for (const ENEMY* other : enemies)
            if (e->collide(other))
                return true;
        return false;
    }
    for (const OBJECT* o : objects)
        if (!o->no_spr() && e->collide(o))
            return true;
    return false;
}

ENEMY* place_at_random(const Level& l, const TypePool& pool)
{
    const int w = l.size_object == NO_SIZE ? 0 : W(l.size_object);
    const int h = l.size_object == NO_SIZE ? 0 : H(l.size_object);
    const int x = random_x(w);
    const int y = random_y(h);
    const ENEMY::TYPE type = pool.count > 1 ? pool.types[rand() % pool.count] : pool.types[0];
    ENEMY* e = new ENEMY(type, x, y);
    // Bounded so that a crowded arena cannot hang the level: at the bound the
    // enemy keeps its last place.
    const bool enemies_only = l.entry == ENTRY_RANDOM_LOOSE;
    for (int draws = 0; draws < MAX_PLACEMENT_DRAWS && entry_overlaps(e, enemies_only); ++draws) {
        const int nx = random_x(0);
        const int ny = random_y(0);
        e->set(nx, ny);
    }
    return e;
}

void release(const Level& l, const TypePool& pool)
{
    if (l.entry == ENTRY_TOP_WALL)
        add_enemy(new ENEMY(pool.types[0], BOSS_ENTRY_CENTRE_X - W(l.size_object) / 2, wall_y1));
    else
        add_enemy(place_at_random(l, pool));
    --enemies_left;
}

void level_clear_test(int clear_count)
{
    if (enemies_left == 0 && static_cast<int>(enemies.size()) == clear_count)
        clear_level();
}

// Level 6 holds its people back while the chase car, entered first, lives. An
// empty list lets releases go on, or a level whose chase car died last could never end.
bool chase_car_guards()
{
    return !enemies.empty() && enemies.front()->get_type() == ENEMY::ET_CHASE_CAR;
}

}  // namespace

void start_game_music()
{
    const Level* l = level_row(current_level);
    if (!l)
        return;
    songbox->play(l->song);
    if (l->song_start_ms != 0)
        songbox->seek(l->song_start_ms);
}

ArenaWalls level_walls(int level)
{
    const Level* l = level_row(level);
    return l ? l->art.walls : ARENA_WALLS;
}

int level_background(int level)
{
    const Level* l = level_row(level);
    return (l ? l : &LEVELS[0])->art.floor;
}

int level_briefing_picture(int level)
{
    const Level* l = level_row(level);
    return (l ? l : &LEVELS[0])->art.briefing;
}

const char* level_brief_text(int level)
{
    const Level* l = level_row(level);
    return l ? l->brief_text : "(none)";
}

void level_init()
{
    const Level* l = level_row(current_level);
    const ArenaWalls walls = level_walls(current_level);
    player->set_traction(l ? l->traction : FULL_TRACTION);
    wall_x1 = walls.x1;
    wall_y1 = walls.y1;
    wall_x2 = walls.x2;
    wall_y2 = walls.y2;
    if (!l)
        return;
    enemies_left = l->quota;
    if (l->set_up)
        l->set_up();
}

void level_proc()
{
    const Level* l = level_row(current_level);
    if (!l)
        return;
    const int t = fpscounter;
    const bool guarded = l->held_by_chase_car && chase_car_guards();

    const bool chance = !guarded && chance_roll(*l, t);
    if (l->taunt.tick != 0 && t == l->taunt.tick)
        screen_message(l->taunt.text, l->taunt.ticks);

    const bool below_cap = static_cast<int>(enemies.size()) <= l->max_alive;
    if (!guarded && enemies_left != 0 && (chance || regular_release_tick(l->regular, t)) && below_cap)
        release(*l, chance ? l->chance_pool : l->pool);
    level_clear_test(l->clear_count);
}

void create_game_objects()
{
    player = new PLAYER();
    player->set(PLAYER_START_X, PLAYER_START_Y);
    player->set_lives(player_lives);
    player->set_engine_sound(true);
    objects.push_back(player);
}

void destroy_game_objects()
{
    if (player)
        player->update_lives(player_lives);
    for (OBJECT* o : objects) {
        --create_count;
        delete o;
    }
    if (create_count == 0)
        std::cout << "Create count = " << create_count << " (this is good)\n";
    else
        std::cerr << "WARNING!!!!  Create count = " << create_count << ", Possible memory leak!!\n";
    objects.clear();
    enemies.clear();
    player = nullptr;
}
