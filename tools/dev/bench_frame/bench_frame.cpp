// Frame and logic-tick benchmark of the level loop, headless: composes frames
// with draw_screen and runs logic ticks for a heavy scene (level 7's ring and
// spitter, ten more enemies of mixed types, a dying boss with its 500-spark
// burst, a sign, the HUD and a screen fade) and for a quiet one (level 1 with
// only the craft), at 32 and 16 bits. Prints medians in milliseconds of this
// thread's processor time, and where the time of a heavy frame goes.
// Usage: bench_frame [rounds]   (run from the build directory, beside data/)
#include "datidx.h"
#include "enemy.h"
#include "fblend.h"
#include "game.h"
#include "headless.h"
#include "levels.h"
#include "music.h"
#include "object.h"
#include "player.h"
#include "projectile.h"
#include "engine.h"
#include "pacing.h"
#include <allegro.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int DEFAULT_ROUNDS = 60;
const int TICKS_PER_ROUND = 30;      // the burst's sparks live 51 ticks: the scene stays heavy
const int SCENE_CLOCK_TICKS = 1000;  // level clock of the scene: past the start sign, before the taunt
const int SIGN_OPACITY = 200;        // a translucent sign, not the full-strength copy
const int FADE_BRIGHTNESS = 128;
const double FRAME_GOAL_MS = 1.0;  // heavy frame at 32 bits
const double TICK_GOAL_MS = 0.1;

double cpu_ms()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The library without a display at `depth`, the game's archive converted to
// it, memory bitmaps for buffer and screen, a muted song box.
bool start_at_depth(int depth)
{
    if (!headless_init(depth) || !headless_load_data())
        return false;
    if (!songbox) {
        songbox = new SONGBOX();
        songbox->set_mute(true);
    }
    return true;
}

// The level state run_game sets up, then the level's own set-up, with play
// already under way (zoom open, start sign past, craft active).
void start_level(int level)
{
    reset_level_state(level);
    game_started = true;
    show_fps = false;
    zoom_factor = 1.0f;
    create_game_objects();
    level_init();
    player->set_active(true);
    fpscounter = SCENE_CLOCK_TICKS;
}

void add_enemy(ENEMY* e)
{
    objects.push_back(e);
    enemies.push_back(e);
}

ENEMY* enemy_at(ENEMY::TYPE type, float x, float y, int angle = 0)
{
    ENEMY* e = new ENEMY(type, x, y);
    if (angle)
        e->set_angle(angle);
    add_enemy(e);
    return e;
}

void kill(ENEMY* e)
{
    while (e->hp > 0)
        e->hit();
}

void build_heavy_scene()
{
    start_level(7);
    enemy_at(ENEMY::ET_TURD, 180, 150);  // falling: shadow and scaled body
    enemy_at(ENEMY::ET_GUY, 250, 150);
    enemy_at(ENEMY::ET_CAR, 390, 150, 37);  // rotated
    enemy_at(ENEMY::ET_BALL, 460, 150);     // fading in, with its ground mark
    enemy_at(ENEMY::ET_FAST_BALL, 180, 320);
    enemy_at(ENEMY::ET_STALKER, 250, 320);
    enemy_at(ENEMY::ET_SPINNER, 390, 320);  // fading in: rotated and translucent
    enemy_at(ENEMY::ET_PERSON, 460, 320);
    enemy_at(ENEMY::ET_CHASE_CAR, 200, 240, 90);
    kill(enemy_at(ENEMY::ET_CAR, 440, 240, 170));  // a wreck fading: rotated and translucent

    ENEMY* boss = enemy_at(ENEMY::ET_BOSS, 280, 120);
    kill(boss);
    // The killing shot's burst, as a shot that hit the boss makes it.
    PROJ* shot =
        new PROJ(player, data_bitmap(SPR_PLAYER_SHOT), boss->x + boss->spr->w / 2, boss->y + boss->spr->h / 2, 0, 0);
    objects.push_back(shot);
    shot->explode(boss->get_color(), boss->get_num_sparks());

    show_sign(data_bitmap(BMP_SIGN_START), -1);
    sign_a = SIGN_OPACITY;
    screen_a = FADE_BRIGHTNESS;
}

void build_quiet_scene()
{
    start_level(1);
}

void end_scene()
{
    // The registry's leak report is not part of the figures.
    std::streambuf* out = std::cout.rdbuf(nullptr);
    destroy_game_objects();
    std::cout.rdbuf(out);
}

struct Figures {
    std::vector<double> frame_ms;
    std::vector<double> tick_ms;
    size_t objects_max = 0;
};

Figures measure(void (*build)(), int rounds)
{
    Figures f;
    for (int r = 0; r < rounds; ++r) {
        srand(1000 + r);
        build();
        for (int t = 0; t < TICKS_PER_ROUND; ++t) {
            f.objects_max = std::max(f.objects_max, objects.size());
            double t0 = cpu_ms();
            draw_screen(true);
            f.frame_ms.push_back(cpu_ms() - t0);
            t0 = cpu_ms();
            processing();
            f.tick_ms.push_back(cpu_ms() - t0);
        }
        end_scene();
    }
    return f;
}

// What an object's drawing is, for the breakdown.
std::string part_of(OBJECT* o)
{
    if (o == player)
        return "craft";
    if (PROJ* p = dynamic_cast<PROJ*>(o))
        return p->spark ? "sparks" : "shots";
    ENEMY* e = dynamic_cast<ENEMY*>(o);
    if (!e)
        return "other";
    static const char* const NAMES[ENEMY::NUM_TYPES] = {"turd", "guy", "car", "spike", "ball", "fast_ball", "stalker",
        "spitter", "spinner", "person", "chase_car", "boss"};
    std::string name = NAMES[e->type];
    const bool turned = e->angle != 0 || e->w != 0 || e->h != 0;
    if (e->alpha < 255)
        name += turned ? "(translucent, through a temporary)" : "(translucent)";
    return name;
}

// Where the time of a heavy frame goes, a few ticks into the scene (so the
// wreck and the spinner are turned and translucent): the frame's steps one by
// one, the objects grouped by kind and each group drawn in one timed run, so
// that the clock is not read around every single spark.
void breakdown(int rounds)
{
    const int SETTLE_TICKS = 5;
    std::map<std::string, std::vector<double>> parts;
    for (int r = 0; r < rounds; ++r) {
        srand(1000 + r);
        build_heavy_scene();
        for (int t = 0; t < SETTLE_TICKS; ++t)
            processing();
        std::map<std::string, std::vector<OBJECT*>> groups;
        for (OBJECT* o : objects)
            groups[part_of(o)].push_back(o);
        std::map<std::string, double> sums;
        double t0 = cpu_ms();
        draw_screen(true);
        sums["(whole frame)"] = cpu_ms() - t0;
        t0 = cpu_ms();
        blit(data_bitmap(BMP_BACKGROUND_7), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        sums["background"] = cpu_ms() - t0;
        for (auto& g : groups) {
            t0 = cpu_ms();
            for (OBJECT* o : g.second)
                o->draw();
            sums[g.first + " x" + std::to_string(g.second.size())] = cpu_ms() - t0;
        }
        t0 = cpu_ms();
        fblend_trans(sign_bmp, buffer, 320 - sign_bmp->w / 2, 200 - sign_bmp->h / 2, sign_a);
        sums["sign"] = cpu_ms() - t0;
        t0 = cpu_ms();
        player->draw_hud();
        sums["hud"] = cpu_ms() - t0;
        t0 = cpu_ms();
        fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 255 - screen_a);
        sums["screen fade"] = cpu_ms() - t0;
        for (auto& s : sums)
            parts[s.first].push_back(s.second);
        end_scene();
    }
    for (auto& p : parts)
        std::printf("  %-50s %8.4f ms\n", p.first.c_str(), median(p.second));
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : DEFAULT_ROUNDS;
    for (int depth : {32, 16}) {
        if (!start_at_depth(depth)) {
            std::fprintf(stderr, "bench_frame: cannot load data/vorlin.dat (run from the build directory)\n");
            return 1;
        }
        const Figures heavy = measure(build_heavy_scene, rounds);
        const Figures quiet = measure(build_quiet_scene, rounds);
        std::printf("%d bits, median of %zu frames and ticks each:\n", depth, heavy.frame_ms.size());
        std::printf("  heavy scene (up to %zu objects): frame %.4f ms  tick %.4f ms\n", heavy.objects_max,
            median(heavy.frame_ms), median(heavy.tick_ms));
        std::printf("  quiet scene (%zu objects):         frame %.4f ms  tick %.4f ms\n", quiet.objects_max,
            median(quiet.frame_ms), median(quiet.tick_ms));
        if (depth == 32)
            std::printf("  goals: heavy frame <= %.1f ms (%s), tick <= %.1f ms (%s)\n", FRAME_GOAL_MS,
                median(heavy.frame_ms) <= FRAME_GOAL_MS ? "met" : "MISSED", TICK_GOAL_MS,
                median(heavy.tick_ms) <= TICK_GOAL_MS ? "met" : "MISSED");
        std::printf(" where a heavy frame's time goes (median per frame):\n");
        breakdown(rounds);
    }
    return 0;
}
