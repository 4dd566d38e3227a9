// The title screen: the picture revealed in bands, the logo sliding in, and a
// one-item carousel of menu pictures (start, controls, quit and their pages).
#include "menu.h"
#include "controls.h"
#include "datidx.h"
#include "facts.h"
#include "fblend.h"
#include "music.h"
#include "pacing.h"
#include "quit_request.h"
#include "settings.h"
#include "display.h"
#include "engine.h"
#include <algorithm>
#include <cstdlib>
#include <string>

int root_menu_choices[MENU_TABLE_SIZE] = {BMP_MENU_START, BMP_MENU_CONTROLS, BMP_MENU_QUIT};
int joystick_menu_choices[MENU_TABLE_SIZE] = {BMP_MENU_REMAP, BMP_MENU_KEYBOARD, BMP_MENU_BACK};
int keyboard_menu_choices[MENU_TABLE_SIZE] = {BMP_MENU_REMAP, BMP_MENU_JOYSTICK, BMP_MENU_BACK};

static_assert(NUM_JOYPAD_LABELS == NUM_JOY_BUTTONS, "the joystick page labels every button");

int title_go = -1;
int pending_title_go = MENU_QUIT;
int logo_x = 0;
bool menu_ready = false;
int current_menu = TITLE_MENU_ROOT;
int* menu_choices = root_menu_choices;
int num_menu_choices = 3;
int menu_choice = 0;
int next_choice = 0;
int scroll_x = 0;
int scroll_dx = 0;
int title_a = 255;
int title_da = 0;

// Items of the menus, by position in their tables.
enum { ROOT_START = 0, ROOT_CONTROLS = 1, ROOT_QUIT = 2 };
enum { JOY_REMAP = 0, JOY_KEYBOARD = 1, JOY_BACK = 2 };
enum { KEYS_REMAP = 0, KEYS_JOYSTICK = 1, KEYS_BACK = 2 };

static const int ROOT_ITEMS = 3;
static const int JOYSTICK_ITEMS = 3;
static const int KEYBOARD_ITEMS = 3;

static const int REVEAL_TICKS = 90;  // the picture unrolls during ticks 0..89
static const int REVEAL_BANDS = 10;
static const int REVEAL_BAND_HEIGHT = 48;
static const int LOGO_STEP = 15;  // pixels per tick while sliding in
static const int LOGO_REST_X = 6;
static const int LOGO_Y = 6;
static const int SCROLL_SPEED = 6;
static const int SCROLL_DISTANCE = 100;  // one item; exceeded after 17 ticks
static const int FADE_OUT_STEP = -4;     // 64 ticks from 255 to 0
static const int FULL_BRIGHTNESS = 255;

static const int CAROUSEL_X = 324;
static const int CAROUSEL_Y = 440;
static const int ARROW_LEFT_X = 244;
static const int ARROW_RIGHT_X = 404;
static const int CAROUSEL_CLIP_X1 = 255;
static const int CAROUSEL_CLIP_Y1 = 415;
static const int CAROUSEL_CLIP_X2 = 385;
static const int HELP_X = 10;
static const int HELP_Y = 10;
static const int HELP_LINE_HEIGHT = 10;
static const int HELP_LINE_MAX = 256;  // longer help lines are cut
static const int FPS_TEXT_Y = 472;

// The key (or button) was down on the last tick: a held key acts once.
static bool left_down = false;
static bool right_down = false;
static bool ent_down = false;

static void set_menu(int menu)
{
    current_menu = menu;
    switch (menu) {
    case TITLE_MENU_JOYSTICK:
        menu_choices = joystick_menu_choices;
        num_menu_choices = JOYSTICK_ITEMS;
        break;
    case TITLE_MENU_KEYBOARD:
        menu_choices = keyboard_menu_choices;
        num_menu_choices = KEYBOARD_ITEMS;
        break;
    default:
        menu_choices = root_menu_choices;
        num_menu_choices = ROOT_ITEMS;
        break;
    }
    menu_choice = 0;
}

static void fade_out_to(int result)
{
    title_da = FADE_OUT_STEP;
    pending_title_go = result;
}

static void choose(int item)
{
    switch (current_menu) {
    case TITLE_MENU_ROOT:
        if (item == ROOT_START)
            fade_out_to(MENU_START);
        else if (item == ROOT_CONTROLS)
            set_menu(TITLE_MENU_JOYSTICK);
        else if (item == ROOT_QUIT)
            fade_out_to(MENU_QUIT);
        break;
    case TITLE_MENU_JOYSTICK:
        if (item == JOY_REMAP)
            change_controls();
        else if (item == JOY_KEYBOARD)
            set_menu(TITLE_MENU_KEYBOARD);
        else if (item == JOY_BACK)
            set_menu(TITLE_MENU_ROOT);
        break;
    case TITLE_MENU_KEYBOARD:
        if (item == KEYS_REMAP)
            change_keys();
        else if (item == KEYS_JOYSTICK)
            set_menu(TITLE_MENU_JOYSTICK);
        else if (item == KEYS_BACK)
            set_menu(TITLE_MENU_ROOT);
        break;
    }
}

void title_begin()
{
    // A key or stick held from the intro must not quit or move the carousel.
    fresh_input_begin();
    title_go = -1;
    logo_x = -data_bitmap(BMP_LOGO)->w;
    menu_ready = false;
    set_menu(TITLE_MENU_ROOT);
    scroll_x = 0;
    scroll_dx = 0;
    title_a = FULL_BRIGHTNESS;
    title_da = 0;
    songbox->play(title_song == 0 ? SONG_TITLE_1 : SONG_TITLE_2);
    songbox->set_volume(-1);
    // Titles alternate between the two songs; the saved value is the next one.
    title_song = title_song == 0 ? 1 : 0;
    pacing_reset();
}

void title_input()
{
    Controls c = fresh_controls(read_controls());
    // The close button does nothing here; a click must not surface in the next level.
    take_window_close_request();
    if (quit_requested()) {
        title_go = pending_title_go = MENU_QUIT;
        return;
    }

    if (current_menu == TITLE_MENU_ROOT && c.esc) {
        if (!menu_ready) {
            title_go = MENU_QUIT;
        } else {
            // Not edge-triggered: a held ESC keeps scrolling to the quit item.
            next_choice = ROOT_QUIT;
            scroll_dx = SCROLL_SPEED;
        }
    }
    if (!menu_ready)
        return;

    const bool enter = c.enter || c.any_button();
    if (enter && !ent_down) {
        choose(scroll_dx != 0 ? next_choice : menu_choice);
        c = fresh_controls(sample_controls());  // the remapping may have run in between
    }
    ent_down = enter;

    const bool left = c.left || c.stick_left;
    if (left && !left_down) {
        next_choice = menu_choice == 0 ? num_menu_choices - 1 : menu_choice - 1;
        scroll_dx = SCROLL_SPEED;
    }
    left_down = left;

    const bool right = c.right || c.stick_right;
    if (right && !right_down) {
        next_choice = menu_choice + 1 >= num_menu_choices ? 0 : menu_choice + 1;
        scroll_dx = -SCROLL_SPEED;
    }
    right_down = right;
}

void title_processing()
{
    pacing_tick();
    pacing_update_fps_figure();
    songbox->poll();

    if (fpscounter >= REVEAL_TICKS && logo_x < LOGO_REST_X) {
        logo_x += LOGO_STEP;
        if (logo_x >= LOGO_REST_X)
            logo_x = LOGO_REST_X;
    }
    if (logo_x >= LOGO_REST_X)
        menu_ready = true;

    if (scroll_dx != 0) {
        scroll_x += scroll_dx;
        if (std::abs(scroll_x) > SCROLL_DISTANCE) {
            scroll_x = 0;
            scroll_dx = 0;
            menu_choice = next_choice;
        }
    }

    title_a += title_da;
    if (title_a <= 0) {
        title_a = 0;
        title_go = pending_title_go;
    }
    if (title_da != 0)
        songbox->slide_volume(title_da);
}

const char* joystick_button_label(int b)
{
    for (int c = NUM_CONTROLS - 1; c >= 0; c--)
        if (joystick_controls[c] == b)
            return control_labels[c];
    return "(unused)";
}

static void draw_centred(int index, int x, int y)
{
    BITMAP* bmp = data_bitmap(index);
    draw_trans_sprite(buffer, bmp, x - bmp->w / 2, y - bmp->h / 2);
}

// The help text starts at its second byte and ends before the character that
// precedes its terminating zero; it never reads past the archive object. The
// keys it names are the mapping's as it stands.
static void draw_keyboard_help()
{
    const char* text = static_cast<const char*>(data[TXT_KEYBOARD_HELP].dat);
    const long size = data[TXT_KEYBOARD_HELP].size;
    long end = 1;
    while (end < size && text[end] != '\0')
        end++;
    end -= 1;  // the last character is not shown
    const std::string shown = keyboard_help_text(end > 1 ? std::string(text + 1, end - 1) : std::string(), key_map);
    const int red = makecol(255, 0, 0);
    int row = 0;
    for (size_t start = 0; start < shown.size();) {
        size_t stop = std::min(shown.find('\n', start), shown.size());
        const std::string line = shown.substr(start, std::min<size_t>(stop - start, HELP_LINE_MAX - 1));
        textout_ex(buffer, font, line.c_str(), HELP_X, HELP_Y + HELP_LINE_HEIGHT * row, red, -1);
        row++;
        start = stop + 1;
    }
}

static void draw_carousel()
{
    draw_centred(BMP_ARROW_LEFT, ARROW_LEFT_X, CAROUSEL_Y);
    set_clip_rect(buffer, CAROUSEL_CLIP_X1, CAROUSEL_CLIP_Y1, CAROUSEL_CLIP_X2, SCREEN_HEIGHT - 1);
    draw_centred(menu_choices[menu_choice], CAROUSEL_X + scroll_x, CAROUSEL_Y);
    if (scroll_dx < 0)
        draw_centred(menu_choices[next_choice], CAROUSEL_X + SCROLL_DISTANCE + scroll_x, CAROUSEL_Y);
    else if (scroll_dx > 0)
        draw_centred(menu_choices[next_choice], CAROUSEL_X - SCROLL_DISTANCE + scroll_x, CAROUSEL_Y);
    set_clip_rect(buffer, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1);
    draw_centred(BMP_ARROW_RIGHT, ARROW_RIGHT_X, CAROUSEL_Y);
}

void title_draw_screen()
{
    pacing_frame_drawn();
    clear_to_color(buffer, 0);

    if (fpscounter < REVEAL_TICKS) {
        BITMAP* bg = data_bitmap(BMP_TITLE_BACKGROUND);
        const int rows = fpscounter * REVEAL_BAND_HEIGHT / REVEAL_TICKS;
        for (int i = 0; i < REVEAL_BANDS; i++)
            blit(bg, buffer, 0, REVEAL_BAND_HEIGHT * i, 0, REVEAL_BAND_HEIGHT * i, bg->w, rows);
    } else {
        if (current_menu == TITLE_MENU_ROOT)
            blit(data_bitmap(BMP_TITLE_BACKGROUND), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        else if (current_menu == TITLE_MENU_JOYSTICK)
            blit(data_bitmap(BMP_JOYPAD), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        set_alpha_blender();
        if (current_menu == TITLE_MENU_ROOT)
            draw_trans_sprite(buffer, data_bitmap(BMP_LOGO), logo_x, LOGO_Y);
        if (current_menu == TITLE_MENU_JOYSTICK)
            for (int b = 0; b < NUM_JOY_BUTTONS; b++)
                textout_ex(buffer, mainfont, joystick_button_label(b), JOYPAD_LABEL_SPOTS[b][0],
                    JOYPAD_LABEL_SPOTS[b][1], -1, -1);
        if (current_menu == TITLE_MENU_KEYBOARD)
            draw_keyboard_help();
        if (menu_ready)
            draw_carousel();
    }

    if (title_a < FULL_BRIGHTNESS)
        fblend_rect_trans(buffer, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, FULL_BRIGHTNESS - title_a);
    if (debug)
        textprintf_right_ex(buffer, font, SCREEN_WIDTH, FPS_TEXT_Y, makecol(255, 255, 255), -1, "Fps: %d", disp_fps);
    present(buffer);
}

int title_screen()
{
    // Not even begun: a title never shown must not use up the next title song.
    if (quit_requested())
        return MENU_QUIT;
    title_begin();
    while (title_go == -1) {
        title_input();
        title_processing();
        if (pacing_frame_due())
            title_draw_screen();
        pacing_wait();
    }
    songbox->stop();
    return title_go;
}
