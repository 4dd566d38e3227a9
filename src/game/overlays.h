// Overlays and interludes around play: the sliding message, the sign over the
// arena, the volume bar, the level briefing, the game-over screen.
#pragma once
#include "message.h"

struct BITMAP;

const int SCREEN_MSG_SIZE = 128;
extern char screen_msg_buf[SCREEN_MSG_SIZE];  // current message text, NUL-terminated
extern int screen_msg_counter;                // ticks the message still shows; 0 = none
extern int screen_msg_y;                      // y of the message's top edge

// The sign over the arena.
extern int sign_a;        // opacity of the sign over the arena; 0 = no sign
extern int d_sign_a;      // added to sign_a every tick while a sign shows
extern BITMAP* sign_bmp;  // the sign most recently raised (archive bitmap), null at level start

const int SCREEN_MSG_X = 5;
const int SLIDER_TICKS = 120;  // how long the volume bar stays up
const int SLIDER_BARS = 14;    // characters of the volume bar

// At the start of an attempt: no message (it will rise from below the
// screen), no sign.
void overlays_reset();
// One tick of the message: it rises into view, stays, sinks away as its
// ticks run out.
void message_tick();
// One tick of the sign's fade; true on the tick it has faded out.
bool sign_tick();
// The sign and the message over `bmp`, when they show.
void draw_sign(BITMAP* bmp);
void draw_message(BITMAP* bmp);
// "REPLAY" in the picture's top right corner while a recording plays back.
void draw_replay_marker(BITMAP* bmp);

// Makes bmp the sign at full opacity, changing by `step` per tick. Raising the
// level-cleared sign while the player has full health earns a life.
void show_sign(BITMAP* bmp, int step);
// Shows the volume bar for volume 0..255 as the message.
void show_slider(int volume);
// The level's briefing: fades in, waits for a key or joystick button pressed
// after it began (fresh_input_begin), fades out.
void level_brief(int level);
// The game-over screen with its song: fades in, waits for a key or button
// pressed after it began, fades out. Keys still held from play do not count.
void game_over();
// The lives back to PLAYER_LIVES after a lost game.
void reset_after_gameover();
