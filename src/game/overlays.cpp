// Overlays and interludes around play: message, sign, volume bar, briefing, game over.
#include "overlays.h"
#include "controls.h"
#include "datidx.h"
#include "fblend.h"
#include "game.h"
#include "levels.h"
#include "music.h"
#include "pacing.h"
#include "player.h"
#include "quit_request.h"
#include "registry.h"
#include "display.h"
#include "engine.h"
#include <cstring>

char screen_msg_buf[SCREEN_MSG_SIZE] = "";
int screen_msg_counter = 0;
int screen_msg_y = 0;

namespace {

const int INTERLUDE_FADE_STEP = 3;         // brightness change per tick of briefing and game over
const int GAME_OVER_SONG_BRIGHTNESS = 60;  // the song starts when the fade-in reaches this
const int BRIEF_TEXT_X = 25;
const int BRIEF_TITLE_Y = 25;
const int BRIEF_PROMPT_Y = 460;
const int SLIDER_FIRST_BAR = 14;  // index of the first bar character in the text

// A key or button pressed since the interlude began; one held over from play
// (the craft's keys are often still down) counts once released and pressed again.
bool dismiss_pressed()
{
    poll_joystick();
    const bool key_pressed = fresh_keypressed();
    const bool button_pressed = fresh_joybutton();
    return key_pressed || button_pressed;
}

// Darkens the whole buffer to `brightness` (255: unchanged).
void darken_buffer(int brightness)
{
    if (brightness < 255)
        fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 255 - brightness);
}

// One tick of an interlude's fade: a press turns the fade-in round for good and
// the brightness stays within 0..255. True once the fade-out has reached black.
bool interlude_fade_tick(int& brightness, int& step)
{
    if (dismiss_pressed())
        step = -INTERLUDE_FADE_STEP;
    brightness += step;
    if (brightness > 255)
        brightness = 255;
    if (brightness < 0) {
        brightness = 0;
        return true;
    }
    return false;
}

// Shows the composed interlude picture at its brightness.
void present_interlude(int brightness)
{
    darken_buffer(brightness);
    present(buffer);
}

}  // namespace

void screen_message(const char* text, int ticks)
{
    strncpy(screen_msg_buf, text, SCREEN_MSG_SIZE - 1);
    screen_msg_buf[SCREEN_MSG_SIZE - 1] = '\0';
    screen_msg_counter = ticks;
}

void show_sign(BITMAP* bmp, int step)
{
    sign_bmp = bmp;
    sign_a = 255;
    d_sign_a = step;
    if (bmp == data_bitmap(BMP_SIGN_LEVEL_DONE) && player && player->get_hp() == PLAYER_MAX_HP)
        player->one_up();
}

void show_slider(int volume)
{
    strcpy(screen_msg_buf, "Music Volume [==============]");
    const int n = static_cast<int>(volume / 255.0 * SLIDER_BARS + 0.5);
    for (int i = 0; i < n && i < SLIDER_BARS; ++i)
        screen_msg_buf[SLIDER_FIRST_BAR + i] = '+';
    screen_msg_counter = SLIDER_TICKS;
}

void level_brief(int level)
{
    int brightness = 0;
    int step = INTERLUDE_FADE_STEP;
    const char* text = level_brief_text(level);
    BITMAP* picture = data_bitmap(level_briefing_picture(level));
    const int fh = text_height(mainfont);

    fresh_input_begin();
    wait_joybuttons_released();
    pacing_reset();
    bool finished = false;
    while (!finished && !quit_requested()) {
        finished = interlude_fade_tick(brightness, step);
        ++fpscounter;

        if (pacing_frame_due()) {
            blit(picture, buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
            textprintf_ex(buffer, mainfont, BRIEF_TEXT_X, BRIEF_TITLE_Y, -1, -1, "--Level %d--", level);
            textout_ex(buffer, mainfont, text, BRIEF_TEXT_X, fh + 30, -1, -1);
            textout_centre_ex(buffer, mainfont, "Press any key or button...", SCREEN_WIDTH / 2, BRIEF_PROMPT_Y, -1, -1);
            present_interlude(brightness);
        }
        pacing_wait();
    }
}

void game_over()
{
    int brightness = 0;
    int step = INTERLUDE_FADE_STEP;
    fresh_input_begin();
    wait_joybuttons_released();
    pacing_reset();
    bool finished = false;
    while (!finished && !quit_requested()) {
        finished = interlude_fade_tick(brightness, step);
        // The cap at 255 and the floor at 0 never touch the song's cue at 60.
        if (brightness == GAME_OVER_SONG_BRIGHTNESS && step > 0) {
            songbox->play(SONG_GAME_OVER);
            songbox->set_volume(-1);
        }
        songbox->slide_volume(step);
        songbox->poll();
        ++fpscounter;

        if (pacing_frame_due()) {
            blit(data_bitmap(BMP_GAME_OVER), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
            present_interlude(brightness);
        }
        pacing_wait();
    }
    songbox->stop();
}

void reset_after_gameover()
{
    player_lives = PLAYER_LIVES;
}
