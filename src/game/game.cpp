// The level loop: one attempt at a level, ticked at a fixed rate, with its
// fades, opening zoom, start sign, fps display, volume keys and pause entry.
#include "game.h"
#include "controls.h"
#include "datidx.h"
#include "enemy.h"
#include "fblend.h"
#include "levels.h"
#include "menu.h"
#include "music.h"
#include "object.h"
#include "pacing.h"
#include "player.h"
#include "quit_request.h"
#include "replay.h"
#include "display.h"
#include "engine.h"
#include <algorithm>
#include <vector>

int current_level = 0;
int game_go = -1;
int pending_game_go = -1;
int screen_a = 255;
int d_screen_a = 0;
float zoom_factor = 0;
bool game_started = false;
bool show_fps = false;
int enemies_left = 0;
int wall_x1 = ARENA_WALLS.x1, wall_y1 = ARENA_WALLS.y1, wall_x2 = ARENA_WALLS.x2, wall_y2 = ARENA_WALLS.y2;

namespace {

const int VOLUME_KEY_STEP = 2;  // volume change per tick while PGUP/PGDN is held

// Edge-trigger memory of input(); menu_down survives from one level to the next.
bool f_down = false;
bool menu_down = false;

void process_objects()
{
    std::vector<OBJECT*> disabled;
    // std::list: objects appended by a processing() call are reached by this walk.
    for (OBJECT* o : objects) {
        o->processing();
        if (!o->is_enabled())
            disabled.push_back(o);
    }
    for (OBJECT* o : disabled) {
        objects.remove(o);
        --create_count;
        delete o;
    }
}

}  // namespace

void end_attempt(int result, int fade_step)
{
    pending_game_go = result;
    d_screen_a = fade_step;
}

bool level_cleared()
{
    // The cleared sign stays the current sign to the end of the attempt.
    return sign_bmp != nullptr && sign_bmp == data_bitmap(BMP_SIGN_LEVEL_DONE);
}

void clear_level()
{
    if (!level_cleared())
        show_sign(data_bitmap(BMP_SIGN_LEVEL_DONE), LEVEL_DONE_SIGN_FADE);
}

void reset_input_edges()
{
    f_down = false;
    menu_down = false;
}

void input()
{
    // Everything from outside reaches the level through the door (recorded,
    // or replayed from a recording).
    DoorTick live;
    live.c = read_controls();
    live.window_close = take_window_close_request();
    live.quit = quit_requested();
    live.focus_lost = take_focus_lost();
    const DoorTick outside = door_pass(live);
    Controls c = outside.c;
    if (outside.window_close)
        screen_message("Use ESC key instead!!!", 120);

    if (c.esc && debug)
        game_go = GAME_QUIT;
    // A quit from outside ends the attempt as quitting from the pause menu does.
    if (outside.quit)
        game_go = GAME_QUIT;

    // The window losing the focus opens the menu as a fresh press would.
    const bool focus_lost = outside.focus_lost;
    if (c.esc || c.pause || c.joy_button(player->get_joy_pause_button()) || focus_lost) {
        if (!menu_down || focus_lost) {
            if (!do_pausemenu(draw_screen))
                game_go = GAME_QUIT;
            // The rest of the tick takes the controls as they stand now; focus
            // moves while the player was in the menu ask for no second one.
            DoorTick after;
            after.c = sample_controls();
            take_focus_lost();
            c = door_pass(after).c;
        }
        menu_down = true;
    } else {
        menu_down = false;
    }

    if (c.pgup) {
        songbox->slide_volume(VOLUME_KEY_STEP);
        show_slider(songbox->get_volume());
    } else if (c.pgdn) {
        songbox->slide_volume(-VOLUME_KEY_STEP);
        show_slider(songbox->get_volume());
    }

    if (c.f && !f_down)
        show_fps = !show_fps;
    f_down = c.f;

    if (game_started)
        player->input(c);
}

void processing()
{
    pacing_tick();
    pacing_update_fps_figure();
    songbox->poll();

    if (fpscounter > ZOOM_START_TICK && zoom_factor < 1.0f) {
        zoom_factor = static_cast<float>(zoom_factor + ZOOM_STEP);
        if (zoom_factor >= 1.0f) {
            zoom_factor = 1.0f;
            player->set_active(true);
        }
    }

    if (fpscounter > START_SIGN_TICK && !game_started) {
        game_started = true;
        show_sign(data_bitmap(BMP_SIGN_START), START_SIGN_FADE);
    }

    if (sign_tick() && level_cleared())
        end_attempt(GAME_NEXTLVL, LEVEL_DONE_SCREEN_FADE);

    screen_a = std::max(0, std::min(255, screen_a + d_screen_a));
    if (screen_a == 0)
        game_go = pending_game_go;
    if (screen_a != 255)
        songbox->slide_volume(-1);

    message_tick();
    level_proc();
    process_objects();
}

void draw_screen(bool compose_only)
{
    pacing_frame_drawn();
    blit(data_bitmap(level_background(current_level)), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);

    for (OBJECT* o : objects)
        o->draw();

    draw_sign(buffer);

    player->draw_hud();

    if (screen_a < 255)
        fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 255 - screen_a);

    if (show_fps)
        textprintf_right_ex(
            buffer, mainfont, SCREEN_WIDTH, SCREEN_HEIGHT - text_height(mainfont), -1, -1, "Fps: %d", disp_fps);
    draw_message(buffer);
    draw_replay_marker(buffer);

    if (compose_only || zoom_factor == 0)
        return;
    if (zoom_factor == 1.0f) {
        present(buffer);
        return;
    }
    const int a = static_cast<int>(zoom_factor * (SCREEN_WIDTH / 2));
    const int b = static_cast<int>(zoom_factor * (SCREEN_HEIGHT / 2));
    present_window(buffer, SCREEN_WIDTH / 2 - a, SCREEN_HEIGHT / 2 - b, SCREEN_WIDTH / 2 + a, SCREEN_HEIGHT / 2 + b);
}

void reset_level_state(int level)
{
    game_go = -1;
    pending_game_go = -1;
    game_started = false;
    screen_a = 255;
    d_screen_a = 0;
    overlays_reset();
    show_fps = debug;
    zoom_factor = 0;
    current_level = level;
    enemies_left = 0;
}

int run_game(int level)
{
    if (!debug)
        level_brief(level);

    // The close button shows its message only during play: a click on the
    // briefing or any screen before it is dropped with the old message.
    take_window_close_request();
    reset_level_state(level);

    songbox->set_volume(-1);
    create_game_objects();
    start_game_music();
    level_init();

    // Focus moves on the screens before play are no reason to pause it.
    take_focus_lost();
    pacing_reset();
    while (game_go == -1) {
        input();
        processing();
        if (pacing_frame_due())
            draw_screen(false);
        pacing_wait();
    }

    const uint64_t state = attempt_checksum();
    songbox->stop();
    destroy_game_objects();
    if (game_go == GAME_DEAD && player_lives == 0)
        game_go = GAME_OVER;
    replay_attempt_end(level, game_go, state);
    return game_go;
}

uint64_t attempt_checksum()
{
    StateHash s;
    for (int v : {current_level, game_go, pending_game_go, fpscounter, screen_a, d_screen_a, sign_a, d_sign_a,
             enemies_left, screen_msg_counter, screen_msg_y, create_count, player_lives})
        s.add(v);
    s.add(zoom_factor);
    s.add(game_started);
    s.add(show_fps);
    s.add(objects.size());
    s.add(enemies.size());
    for (const OBJECT* o : objects) {
        for (float v : {o->x, o->y, o->angle, o->w, o->h})
            s.add(v);
        s.add(o->active);
        s.add(o->enabled);
    }
    for (const ENEMY* e : enemies) {
        for (int v : {static_cast<int>(e->type), e->hp, e->frame})
            s.add(v);
        for (float v : {e->speed, e->dx, e->dy, e->timer1, e->timer2})
            s.add(v);
    }
    if (player) {
        for (int v : {player->lives, player->hp, player->hud_type, player->hud_y, player->stun, player->death_count,
                 player->gun_cooldown})
            s.add(v);
        for (float v : {player->speed, player->vx, player->vy, player->heading, player->gun_temp})
            s.add(v);
        s.add(player->hud_autohide);
    }
    hash_random_state(s);
    return s.h;
}

namespace {
// The edge memory a game carries over, as bits of ReplayCarry::edge_flags.
enum CarriedEdge {
    CARRY_F_DOWN,
    CARRY_MENU_DOWN,
    CARRY_GUN_WARNING,
    CARRY_AUTOHIDE_DOWN,
    CARRY_TOGGLE_DOWN,
    CARRY_SHOOT_DOWN,
    CARRY_BLINK
};
bool* carried_flag(int bit)
{
    static bool* const flags[] = {&f_down, &menu_down, &PLAYER::gun_temp_warning, &PLAYER::autohide_down,
        &PLAYER::toggle_down, &PLAYER::shoot_down, &PLAYER::skip};
    return flags[bit];
}
const int NUM_CARRIED_EDGES = CARRY_BLINK + 1;
}  // namespace

ReplayCarry game_carry()
{
    ReplayCarry c;
    c.lives = static_cast<uint32_t>(player_lives);
    for (int b = 0; b < NUM_CARRIED_EDGES; b++)
        if (*carried_flag(b))
            c.edge_flags |= 1u << b;
    c.collide_count = static_cast<uint32_t>(PLAYER::collide_count);
    return c;
}

void set_game_carry(const ReplayCarry& c)
{
    player_lives = static_cast<int>(c.lives);
    for (int b = 0; b < NUM_CARRIED_EDGES; b++)
        *carried_flag(b) = (c.edge_flags >> b & 1) != 0;
    PLAYER::collide_count = static_cast<int>(c.collide_count);
}
