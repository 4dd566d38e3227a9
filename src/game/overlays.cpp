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
#include "replay.h"
#include "registry.h"
#include "display.h"
#include "engine.h"
#include <algorithm>
#include <cstring>

char screen_msg_buf[SCREEN_MSG_SIZE] = "";
int screen_msg_counter = 0;
int screen_msg_y = 0;
int sign_a = 0;
int d_sign_a = 0;
BITMAP* sign_bmp = nullptr;

namespace {

const int INTERLUDE_FADE_STEP = 3;         // brightness change per tick of briefing and game over
const int GAME_OVER_SONG_BRIGHTNESS = 60;  // the song starts when the fade-in reaches this
const int BRIEF_TEXT_X = 25;
const int BRIEF_TITLE_Y = 25;
const int BRIEF_PROMPT_Y = 460;
const int SLIDER_FIRST_BAR = 14;  // index of the first bar character in the text
const int MSG_RISE_STEP = 4;      // message rise per tick
const int MSG_BOTTOM_GAP = 5;     // gap between the risen message and the screen's lower edge
const int SIGN_CENTRE_X = 320;
const int SIGN_CENTRE_Y = 200;
const int REPLAY_MARKER_MARGIN = 5;  // from the picture's top right corner

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
bool interlude_fade_tick(int& brightness, int& step, bool dismissed)
{
    if (dismissed)
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
    draw_replay_marker(buffer);
    present(buffer);
}

// An interlude: from black, fades in the picture `compose` draws into the
// buffer, waits for a fresh press, fades out to black. `after_fade(brightness,
// step)` runs each tick once the brightness has moved.
template <class AfterFade, class Compose> void run_interlude(AfterFade after_fade, Compose compose)
{
    int brightness = 0;
    int step = INTERLUDE_FADE_STEP;
    fresh_input_begin();
    wait_joybuttons_released();
    pacing_reset();
    bool finished = false;
    while (!finished) {
        DoorTick live;
        live.quit = quit_requested();
        live.dismiss = !live.quit && dismiss_pressed();
        const DoorTick outside = door_pass(live);
        if (outside.quit)
            break;
        finished = interlude_fade_tick(brightness, step, outside.dismiss);
        after_fade(brightness, step);
        pacing_tick();

        if (pacing_frame_due()) {
            compose();
            present_interlude(brightness);
        }
        pacing_wait();
    }
}

}  // namespace

void overlays_reset()
{
    screen_msg_counter = 0;
    screen_msg_y = SCREEN_HEIGHT + text_height(mainfont);
    d_sign_a = 0;
    sign_a = 0;
    sign_bmp = nullptr;
}

void message_tick()
{
    if (screen_msg_counter == 0)
        return;
    const int h = text_height(mainfont);
    if (screen_msg_counter < h + 5) {
        if (screen_msg_y < SCREEN_HEIGHT + h)
            screen_msg_y = std::min(screen_msg_y + 1, SCREEN_HEIGHT + h);
    } else if (screen_msg_y > SCREEN_HEIGHT - MSG_BOTTOM_GAP - h) {
        screen_msg_y = std::max(screen_msg_y - MSG_RISE_STEP, SCREEN_HEIGHT - MSG_BOTTOM_GAP - h);
    }
    --screen_msg_counter;
}

void draw_replay_marker(BITMAP* bmp)
{
    if (replay_playing())
        textout_right_ex(bmp, mainfont, "REPLAY", SCREEN_WIDTH - REPLAY_MARKER_MARGIN, REPLAY_MARKER_MARGIN, -1, -1);
}

void draw_message(BITMAP* bmp)
{
    if (screen_msg_counter != 0)
        textout_ex(bmp, mainfont, screen_msg_buf, SCREEN_MSG_X, screen_msg_y, -1, -1);
}

bool sign_tick()
{
    if (sign_a == 0)
        return false;
    sign_a += d_sign_a;
    if (sign_a > 0)
        return false;
    sign_a = 0;
    return true;
}

void draw_sign(BITMAP* bmp)
{
    if (sign_a != 0)
        fblend_trans(sign_bmp, bmp, SIGN_CENTRE_X - sign_bmp->w / 2, SIGN_CENTRE_Y - sign_bmp->h / 2, sign_a);
}

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
    const char* text = level_brief_text(level);
    BITMAP* picture = data_bitmap(level_briefing_picture(level));
    const int fh = text_height(mainfont);
    run_interlude([](int, int) {},
        [&] {
            blit(picture, buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
            textprintf_ex(buffer, mainfont, BRIEF_TEXT_X, BRIEF_TITLE_Y, -1, -1, "--Level %d--", level);
            textout_ex(buffer, mainfont, text, BRIEF_TEXT_X, fh + 30, -1, -1);
            textout_centre_ex(buffer, mainfont, "Press any key or button...", SCREEN_WIDTH / 2, BRIEF_PROMPT_Y, -1, -1);
        });
}

void game_over()
{
    run_interlude(
        [](int brightness, int step) {
            // The cap at 255 and the floor at 0 never touch the song's cue at 60.
            if (brightness == GAME_OVER_SONG_BRIGHTNESS && step > 0) {
                songbox->play(SONG_GAME_OVER);
                songbox->set_volume(-1);
            }
            songbox->slide_volume(step);
            songbox->poll();
        },
        [] { blit(data_bitmap(BMP_GAME_OVER), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT); });
    songbox->stop();
}

void reset_after_gameover()
{
    player_lives = PLAYER_LIVES;
}
