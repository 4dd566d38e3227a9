// Every picture of the game's archives, one small painter per object or
// family of frames. Sprite painters draw in the sprite's own pixel units
// through a Pen so that the full-screen illustrations can reuse them large.
#pragma once

#include "facts.h"
#include "gfx.h"
#include "text.h"

#include <functional>
#include <string>

// Sizes the game's placement rules are built around (width x height).
namespace size {
const int SCREEN_W = 640, SCREEN_H = 480;
const int ARENA_X1 = ARENA_WALLS.x1, ARENA_Y1 = ARENA_WALLS.y1, ARENA_X2 = ARENA_WALLS.x2, ARENA_Y2 = ARENA_WALLS.y2;
const int PLAYER_W = 24, PLAYER_H = 32;
const int SHOT_W = 4, SHOT_H = 12;
const int TURD_W = 20, TURD_H = 20;
const int WALKER_W = 24, WALKER_H = 24;
const int WALKER_RISE_GROW = 16;  // rise frames are this much wider and taller
const int BOSS_W = 96, BOSS_H = 96;
const int BOSS_RISE_GROW_W = 148, BOSS_RISE_GROW_H = 6;
const int CAR_W = 24, CAR_H = 40;
const int SPIKE_W = 32, SPIKE_H = 32;
const int BALL_W = 24, BALL_H = 24;
const int BURST_W = 28, BURST_H = 28;  // the game moves a burst 2 pixels left
const int SHADOW_W = BALL_W, SHADOW_H = BALL_H + 8;
const int STALKER_W = 24, STALKER_H = 24;
const int SPITTER_W = 48, SPITTER_H = 32;
const int SPIT_W = 8, SPIT_H = 12;
const int SPINNER_W = 32, SPINNER_H = 32;
const int ONE_UP_W = 40, ONE_UP_H = 16;
const int HUD_LABEL_H = 10;
const int HUD_ICON_W = 8, HUD_ICON_H = 10;
const int HUD_PATTERN = 8;
const int MENU_ITEM_W = 124, MENU_ITEM_H = 50;
const int ARROW_W = 20, ARROW_H = 32;
const int LOGO_W = 360, LOGO_H = 110;
const int PAUSE_PANEL_W = 300, PAUSE_PANEL_H = 220;
const int PAUSE_MARKER = 24;
}

// Colours that tie the set together.
namespace ink {
const uint32_t OUTLINE = 0x140c10;
const uint32_t CRAFT = 0x2bb8d8, CRAFT_TRIM = 0xf4a021, CRAFT_GLASS = 0x1a3a78;
const uint32_t GUN = 0x8a94a6;
const uint32_t FONT_TOP = 0xfff6c8, FONT_BOTTOM = 0xf0a020, FONT_EDGE = 0x1a0c04;
}

// Paints through a pen in a painter's own units; the callers decide the scale.
using Painter = std::function<void(const Pen&)>;

// Sprite helpers: paint at 1:1 into a w x h canvas, then harden and outline.
Image make_sprite(int w, int h, const Painter& paint, bool outlined = true);
// Puts a w x h painter into a picture centred on (cx, cy), scaled by s and
// turned by angle, with a dark rim of `rim` pixels and a soft drop shadow of
// opacity `shadow`; for illustrations.
void stamp(Image& pic, const Painter& paint, int w, int h, float cx, float cy, float s, float angle = 0, float rim = 2,
    float shadow = 0.45f);

// Arena (art_arena.cpp).
Image art_background(int floor);          // 0..NUM_FLOORS - 1
void paint_floor(Image& img, int floor);  // the floor texture alone, whole canvas

// Things in play (art_actors.cpp); painters for illustrations.
void paint_craft(const Pen& p, int damage);  // 0 healthy, 1 damaged, 2 wreck
void paint_car(const Pen& p, bool chase);
void paint_wreck(const Pen& p);
void paint_turd(const Pen& p);
void paint_walker(const Pen& p, bool person, int step);  // step 0/1 walking, 2 standing
void paint_boss(const Pen& p, int step);
void paint_spike(const Pen& p, int phase);
void paint_ball(const Pen& p, bool fast);
void paint_stalker(const Pen& p, float solid, int sway);
void paint_spitter(const Pen& p, int state);  // 0 shut, 1 open, 2 dead
void paint_spit(const Pen& p);
void paint_spinner(const Pen& p);

Image art_player(int damage);
Image art_player_shot();
Image art_turd();
Image art_car(bool chase);
Image art_wreck();
Image art_walker_rise(bool person, int frame);  // frame 0..5
Image art_walker_walk(bool person, int step);   // 0, 1
Image art_boss_rise(int frame);                 // 0..6
Image art_boss_walk(int step);
Image art_boss_dead();
Image art_spike(int phase);  // 0..3
Image art_ball(bool fast);
Image art_ball_burst(bool fast);
Image art_shadow(bool high);
Image art_stalker_form(int frame);  // 0..4
Image art_stalker_move(int step);
Image art_spitter(int state);
Image art_spit();
Image art_spinner();
Image art_zap(int frame);  // RGBA, 0..2
Image art_one_up();

// HUD, signs and menu pieces (art_ui.cpp).
Image art_sign(const std::string& words, int max_w, int max_h);
Image art_hud_label(const std::string& words);
Image art_hud_icon_heart();
Image art_hud_icon_flame();
Image art_hud_icon_lives();
Image art_hud_pip();
Image art_hud_pattern(bool max);
Image art_menu_item(const std::string& words);  // RGBA
Image art_arrow(bool right);                    // RGBA
Image art_logo();                               // RGBA
Image art_pause_panel();                        // RGBA
Image art_pause_marker();                       // RGBA

// Full-screen pictures (art_screens.cpp).
Image art_intro();
Image art_title_background();
Image art_game_over();
Image art_briefing(int level);  // 1..NUM_LEVELS
Image art_joypad();
Image art_ending(int variant);  // 0, 1
