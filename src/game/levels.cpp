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
#include "vorlin.h"
#include <cstdlib>

namespace {

const int LEVEL_1_SONG_START_MS = 6000;
const float FULL_TRACTION = 1.0f;
const float LEVEL_3_TRACTION = 0.15f;
const float LEVEL_5_TRACTION = 0.02f;
const int LEVEL_7_RING_SPIKES = 36;
const int ENTRY_MARGIN = 50;         // released enemies keep this far from the walls
const int LEVEL_DONE_SIGN_FADE = -1;
const int TAUNT_TICK = 800;
const int TAUNT_TICKS = 300;
const int BOSS_TICK = 200;
const int CHANCE_START_TICK = 1500;  // chance releases only after this tick
const int LEVEL_6_MAX_ALIVE = 8;     // level 6 releases only while at most this many enemies live

int W(int n) { return data_bitmap(n)->w; }
int H(int n) { return data_bitmap(n)->h; }

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

int random_x(int width) { return rand() % (wall_x2 - width - 2 * ENTRY_MARGIN) + wall_x1 + ENTRY_MARGIN; }
int random_y(int height) { return rand() % (wall_y2 - height - 2 * ENTRY_MARGIN) + wall_y1 + ENTRY_MARGIN; }

void set_up_level_2()
{
    const int x = random_x(W(SPR_CAR));
    const int y = random_y(H(SPR_CAR));
    enemies_left = 20;
    ENEMY* car = new ENEMY(ENEMY::ET_CAR, x, y);
    if (car->collide(player))
        car->set(CAR_FALLBACK_X, CAR_FALLBACK_Y);
    car->set_angle(rand() & 255);
    add_enemy(car);
}

void set_up_level_3()
{
    enemies_left = 30;
    player->set_traction(LEVEL_3_TRACTION);
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
    enemies_left = 8;
    const int w = W(SPR_SPITTER), h = H(SPR_SPITTER);
    ENEMY* spitters[] = {
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 58, wall_y1 - h / 2),
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 255, wall_y1 - h / 2),
        new ENEMY(ENEMY::ET_SPITTER, w / 2 + 480, wall_y1 - h / 2),
    };
    add_enemies(spitters, 3);
}

void set_up_level_5()
{
    enemies_left = 25;
    player->set_traction(LEVEL_5_TRACTION);
}

void set_up_level_6()
{
    enemies_left = 20;
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
    enemies_left = 25;
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
    enemies_left = 1;
    player->set(PLAYER_START_X, wall_y2 - H(SPR_PLAYER));
}

// One level's schedule: its release type, the size object of its entry area,
// its chance period and odds, and the number of enemies left standing when cleared.
struct Script {
    ENEMY::TYPE type;
    int size_object;     // -1: the entry area ignores the sprite size
    int chance_period_ticks;
    int chance_one_in;   // 2: an odd draw succeeds; n > 2: a draw with draw % n == 0 succeeds
    int clear_count;     // enemies still listed when the level is cleared
};

const Script SCRIPTS[] = {
    {ENEMY::ET_TURD, -1, 240, 2, 0},
    {ENEMY::ET_GUY, SPR_GUY_WALK_1, 240, 2, 0},
    {ENEMY::ET_BALL, SPR_BALL, 100, 2, 4},
    {ENEMY::ET_SPINNER, SPR_SPINNER, 100, 5, 0},
    {ENEMY::ET_FAST_BALL, SPR_FAST_BALL, 240, 2, 0},
    {ENEMY::ET_PERSON, SPR_GUY_WALK_1, 240, 2, 0},
    {ENEMY::ET_TURD, SPR_SPINNER, 150, 2, LEVEL_7_RING_SPIKES},   // type drawn per release
};

// Level 7 draws each release's type from these.
const ENEMY::TYPE LEVEL_7_TYPES[] = {
    ENEMY::ET_TURD, ENEMY::ET_BALL, ENEMY::ET_FAST_BALL,
    ENEMY::ET_STALKER, ENEMY::ET_SPINNER, ENEMY::ET_PERSON,
};

const int NUM_LEVEL_7_TYPES = sizeof LEVEL_7_TYPES / sizeof LEVEL_7_TYPES[0];

bool regular_release_tick(int level, int t)
{
    switch (level) {
    case 1:
    case 2:
    case 5:
        return t == 200 || t == 400 || (t > 400 && t % 300 == 0);
    case 3:
        return t > 100 && t % 250 == 0;
    case 4:
        return t == 200 || (t > 400 && t % 800 == 0);
    case 6:
        return t > 400 && t % 400 == 0;
    case 7:
        return t > 900 && t % 350 == 0;
    default:
        return false;
    }
}

bool chance_roll(const Script& s, int t)
{
    if (t <= CHANCE_START_TICK || t % s.chance_period_ticks != 0)
        return false;
    const int draw = rand();
    return s.chance_one_in == 2 ? (draw & 1) != 0 : draw % s.chance_one_in == 0;
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

void release(const Script& s, ENEMY::TYPE type)
{
    const bool level_1 = current_level == 1;
    const int w = level_1 ? 0 : W(s.size_object);
    const int h = level_1 ? 0 : H(s.size_object);
    const int x = random_x(w);
    const int y = random_y(h);
    if (current_level == 7)
        type = LEVEL_7_TYPES[rand() % NUM_LEVEL_7_TYPES];
    ENEMY* e = new ENEMY(type, x, y);
    // Bounded so that a crowded arena cannot hang the level: at the bound the
    // enemy keeps its last place.
    for (int draws = 0; draws < MAX_PLACEMENT_DRAWS && entry_overlaps(e, level_1); ++draws) {
        const int nx = random_x(0);
        const int ny = random_y(0);
        e->set(nx, ny);
    }
    add_enemy(e);
    --enemies_left;
}

void level_clear_test(int clear_count)
{
    BITMAP* done = data_bitmap(BMP_SIGN_LEVEL_DONE);
    if (enemies_left == 0 && static_cast<int>(enemies.size()) == clear_count && sign_bmp != done)
        show_sign(done, LEVEL_DONE_SIGN_FADE);
}

void level_8_proc(int t)
{
    if (t == BOSS_TICK && enemies_left != 0) {
        add_enemy(new ENEMY(ENEMY::ET_BOSS, 320 - W(SPR_BOSS_1) / 2, wall_y1));
        --enemies_left;
    }
    level_clear_test(0);
}

// Level 6 holds its people back while the chase car, entered first, lives. An
// empty list lets releases go on, or a level whose chase car died last could never end.
bool chase_car_guards()
{
    return !enemies.empty() && enemies.front()->get_type() == ENEMY::ET_CHASE_CAR;
}

} // namespace

void start_game_music()
{
    songbox->play(current_level + 1);
    if (current_level == 1)
        songbox->seek(LEVEL_1_SONG_START_MS);
}

void level_init()
{
    player->set_traction(FULL_TRACTION);
    wall_x1 = WALL_X1;
    wall_y1 = WALL_Y1;
    wall_x2 = WALL_X2;
    wall_y2 = WALL_Y2;
    switch (current_level) {
    case 1: enemies_left = 20; break;
    case 2: set_up_level_2(); break;
    case 3: set_up_level_3(); break;
    case 4: set_up_level_4(); break;
    case 5: set_up_level_5(); break;
    case 6: set_up_level_6(); break;
    case 7: set_up_level_7(); break;
    case 8: set_up_level_8(); break;
    default: break;
    }
}

void level_proc()
{
    const int t = fpscounter;
    if (current_level == 8) {
        level_8_proc(t);
        return;
    }
    if (current_level < 1 || current_level > 7)
        return;
    const Script& s = SCRIPTS[current_level - 1];
    const bool guarded = current_level == 6 && chase_car_guards();

    const bool chance = !guarded && chance_roll(s, t);
    if (current_level == 7 && t == TAUNT_TICK)
        screen_message("This level's EASY!!!  Right??  Well, fuck you!!", TAUNT_TICKS);

    bool may_release = !guarded && enemies_left != 0 && (chance || regular_release_tick(current_level, t));
    if (current_level == 6 && static_cast<int>(enemies.size()) > LEVEL_6_MAX_ALIVE)
        may_release = false;
    if (may_release) {
        const ENEMY::TYPE type = current_level == 5 && chance ? ENEMY::ET_STALKER : s.type;
        release(s, type);
    }
    level_clear_test(s.clear_count);
}
