// The game's screen: mode choice, presentation of the composed picture at a
// whole multiple, window identity and the focus-loss notice.
#include "display.h"
#include "display_x11.h"
#include "scale.h"
#include "engine.h"
#include <algorithm>
#include <atomic>
#include <cstring>
#include <iostream>
#include <string>

int scale_option = -1;
int scale_setting = SCALE_AUTOMATIC;
int scale_mode_option = -1;
int scale_mode_setting = SCALE_MODE_AUTOMATIC;

static const char* const SCALE_MODE_NAMES[SCALE_MODE_COUNT] = {"auto", "whole", "fill"};

static DISPLAY_LAYOUT layout = {SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 1};
// Where an enlarged picture is made before its copy to a screen whose lines
// cannot be written directly (neither memory nor the library's X screen).
static BITMAP* staging = nullptr;
static std::atomic<bool> focus_lost {false};
// Under a window manager the screen is of the desktop's size behind a window
// the manager may size: the picture is laid out in the part it shows.
static bool sized_by_window_manager = false;
static bool full_screen_asked = false;

int window_setting = 0;
// The window or full screen chosen in the game (1 or 0), over "-win" and the
// remembered choice; -1 until the player switches.
static int window_choice = -1;

static bool window_this_run()
{
    return window_choice >= 0 ? window_choice == 1 : windowed || window_setting == 1;
}

// The display's keys, seen on the library's keyboard thread and handed to the
// main thread, which acts on them when it next shows a frame.
static std::atomic<bool> switch_asked {false}, next_mode_asked {false};

static bool valid_scale(int k)
{
    return k >= 1 && k <= MAX_SCALE;
}

int window_scale(int desk_w, int desk_h, int wanted)
{
    if (desk_w <= 0 || desk_h <= 0)
        return valid_scale(wanted) ? wanted : 1;
    if (valid_scale(wanted) && SCREEN_WIDTH * wanted <= desk_w && SCREEN_HEIGHT * wanted <= desk_h)
        return wanted;
    const int k = std::min((desk_w - WINDOW_ROOM_W) / SCREEN_WIDTH, (desk_h - WINDOW_ROOM_H) / SCREEN_HEIGHT);
    return std::max(1, std::min(k, MAX_SCALE));
}

DISPLAY_LAYOUT window_layout(int k)
{
    return DISPLAY_LAYOUT {SCREEN_WIDTH * k, SCREEN_HEIGHT * k, 0, 0, SCREEN_WIDTH * k, SCREEN_HEIGHT * k, k};
}

DISPLAY_LAYOUT fullscreen_layout(int desk_w, int desk_h, int wanted)
{
    DISPLAY_LAYOUT l {desk_w, desk_h, 0, 0, 0, 0, 0};
    const int fits = std::min(std::min(desk_w / SCREEN_WIDTH, desk_h / SCREEN_HEIGHT), MAX_SCALE);
    if (fits >= 1) {
        l.scale = valid_scale(wanted) && wanted <= fits ? wanted : fits;
        l.w = SCREEN_WIDTH * l.scale;
        l.h = SCREEN_HEIGHT * l.scale;
    } else if (desk_w * SCREEN_HEIGHT <= desk_h * SCREEN_WIDTH) {
        // Narrower than 4:3: the width decides.
        l.w = desk_w;
        l.h = desk_w * SCREEN_HEIGHT / SCREEN_WIDTH;
    } else {
        l.h = desk_h;
        l.w = desk_h * SCREEN_WIDTH / SCREEN_HEIGHT;
    }
    l.x = (desk_w - l.w) / 2;
    l.y = (desk_h - l.h) / 2;
    return l;
}

const char* scale_mode_name(int mode)
{
    return SCALE_MODE_NAMES[mode >= 0 && mode < SCALE_MODE_COUNT ? mode : SCALE_MODE_AUTOMATIC];
}

int scale_mode_named(const char* word)
{
    for (int mode = 0; mode < SCALE_MODE_COUNT; mode++)
        if (strcmp(word, SCALE_MODE_NAMES[mode]) == 0)
            return mode;
    return -1;
}

int scale_mode_of_this_run()
{
    return scale_mode_option >= 0 ? scale_mode_option : scale_mode_setting;
}

DISPLAY_LAYOUT shown_layout(int w, int h, int wanted, int mode)
{
    const DISPLAY_LAYOUT whole = fullscreen_layout(w, h, wanted);
    const int EMPTY_SHARE_FOR_FILL = 3;  // a third of the height
    if (mode == SCALE_MODE_WHOLE || whole.scale == 0 ||
        (mode == SCALE_MODE_AUTOMATIC && (valid_scale(wanted) || (h - whole.h) * EMPTY_SHARE_FOR_FILL <= h)))
        return whole;
    DISPLAY_LAYOUT l {w, h, 0, 0, w, h, 0};
    if (w * SCREEN_HEIGHT <= h * SCREEN_WIDTH)
        l.h = w * SCREEN_HEIGHT / SCREEN_WIDTH;
    else
        l.w = h * SCREEN_WIDTH / SCREEN_HEIGHT;
    l.scale = fill_multiple(SCREEN_WIDTH, SCREEN_HEIGHT, l.w, l.h);
    if (l.scale == 0 || l.w == whole.w)
        return whole;
    l.smooth = true;
    l.x = (w - l.w) / 2;
    l.y = (h - l.h) / 2;
    return l;
}

void display_switched_out()
{
    focus_lost = true;
}
END_OF_FUNCTION(display_switched_out)

bool take_focus_lost()
{
    return focus_lost.exchange(false);
}

static bool try_mode(int driver, const DISPLAY_LAYOUT& l)
{
    if (set_gfx_mode(driver, l.screen_w, l.screen_h, 0, 0) != 0)
        return false;
    layout = l;
    return true;
}

int scale_of_this_run()
{
    return scale_option >= 0 ? scale_option : scale_setting;
}

// A screen whose lines cannot be written directly (neither memory nor the
// library's X screen) gets the enlarged picture through a bitmap of its size.
static void make_staging()
{
    if (staging)
        destroy_bitmap(staging);
    staging = nullptr;
    if (layout.scale > 1 && !layout.smooth && !is_memory_bitmap(screen) && !x11_screen())
        staging = create_bitmap(layout.w, layout.h);
}

// Under a window manager: a window of the desktop's size (the library's
// screen cannot grow once open) that the manager shows full screen, or at
// the window's multiple and free to be resized and maximised.
static bool open_sized_by_window_manager(int desk_w, int desk_h, int wanted)
{
    if (!x11_window_manager_offers_full_screen())
        return false;
    const bool in_window = window_this_run();
    x11_ask_full_screen(!in_window);
    if (!try_mode(GFX_AUTODETECT_WINDOWED, shown_layout(desk_w, desk_h, wanted, scale_mode_of_this_run())))
        return false;
    sized_by_window_manager = true;
    full_screen_asked = !in_window;
    if (in_window) {
        const int k = window_scale(desk_w, desk_h, wanted);
        layout = window_layout(k);
        x11_let_window_resize(layout.w, layout.h, SCREEN_WIDTH, SCREEN_HEIGHT, desk_w, desk_h);
    } else {
        x11_let_window_resize(desk_w, desk_h, SCREEN_WIDTH, SCREEN_HEIGHT, desk_w, desk_h);
        x11_ask_full_screen(true);
    }
    return true;
}

void open_display()
{
    int desk_w = 0, desk_h = 0;
    if (get_desktop_resolution(&desk_w, &desk_h) != 0)
        desk_w = desk_h = 0;
    const int wanted = scale_of_this_run();
    x11_set_window_identity();
    sized_by_window_manager = full_screen_asked = false;

    bool open = false;
    std::string full_screen_refused;
    const bool desk_known = desk_w > 0 && desk_h > 0;
    const bool in_window = window_this_run();
    if (desk_known && (in_window || wanted != 1))
        open = open_sized_by_window_manager(desk_w, desk_h, wanted);
    if (!open && !in_window) {
        if (wanted == 1 || !desk_known)
            open = try_mode(GFX_AUTODETECT, window_layout(1));
        else
            open = try_mode(GFX_AUTODETECT_FULLSCREEN, shown_layout(desk_w, desk_h, wanted, scale_mode_of_this_run()));
        if (!open)
            full_screen_refused = allegro_error;
    }
    if (!open) {
        const int k = window_scale(desk_w, desk_h, wanted);
        open = try_mode(GFX_AUTODETECT_WINDOWED, window_layout(k));
        if (!open && k > 1)
            open = try_mode(GFX_AUTODETECT_WINDOWED, window_layout(1));
    }
    // A window refused too (a colour depth the library does not offer, for
    // one) ends the game with the library's reason, the last refusal's.
    if (!open)
        quit_error(allegro_error);
    if (!full_screen_refused.empty())
        std::cerr << "Full screen not available (" << full_screen_refused << "): playing in a window" << std::endl;

    clear_to_color(screen, 0);
    make_staging();
    x11_set_window_identity();
    LOCK_FUNCTION(display_switched_out);
    remove_display_switch_callback(display_switched_out);
    set_display_switch_callback(SWITCH_OUT, display_switched_out);
    LOCK_FUNCTION(display_key_seen);
    LOCK_FUNCTION(display_key_buffered);
    keyboard_lowlevel_callback = display_key_seen;
    keyboard_callback = display_key_buffered;
}

// Frames between two questions to the server about the window's size.
static const int SHOWN_SIZE_ASK_FRAMES = 30;

// Lays the picture out again, on black, when the window manager has given the
// window another size, or when `always`.
static void fit_to_shown_size(bool always)
{
    static int frames_since_asked = 0;
    if (sized_by_window_manager && (always || ++frames_since_asked >= SHOWN_SIZE_ASK_FRAMES)) {
        frames_since_asked = 0;
        x11_ask_shown_size();
    }
    int w = layout.screen_w, h = layout.screen_h;
    if (sized_by_window_manager && x11_shown_size(&w, &h)) {
        w = std::min(w, screen->w);
        h = std::min(h, screen->h);
    }
    if (!always && w == layout.screen_w && h == layout.screen_h)
        return;
    // A window at its exact multiple has nothing around the picture to fill.
    if (!sized_by_window_manager && layout.screen_w == layout.w && layout.screen_h == layout.h)
        return;
    layout = shown_layout(w, h, full_screen_asked || !sized_by_window_manager ? scale_of_this_run() : SCALE_AUTOMATIC,
        scale_mode_of_this_run());
    make_staging();
    rectfill(screen, 0, 0, w - 1, h - 1, 0);
}

void display_next_scale_mode()
{
    scale_mode_setting = (scale_mode_of_this_run() + 1) % SCALE_MODE_COUNT;
    scale_mode_option = -1;
    if (screen)
        fit_to_shown_size(true);
}

// The display's own keys are taken from the key array, so that screens
// reading it never see them; Enter is the display's only with Alt held.
static bool display_key(int scancode)
{
    return scancode == KEY_F11 || scancode == DISPLAY_SCALE_MODE_KEY ||
        (scancode == KEY_ENTER && (key[KEY_ALT] || key[KEY_ALTGR]));
}

void display_key_seen(int scancode)
{
    if (!display_key(scancode))
        return;
    key[scancode] = 0;
    if (scancode == DISPLAY_SCALE_MODE_KEY)
        next_mode_asked = true;
    else
        switch_asked = true;
}
END_OF_FUNCTION(display_key_seen)

// And from the key buffer, which the key array's callback has seen first.
int display_key_buffered(int k)
{
    return display_key(k >> 8) ? 0 : k;
}
END_OF_FUNCTION(display_key_buffered)

void display_switch_window_and_full_screen()
{
    window_choice = window_this_run() ? 0 : 1;
    window_setting = window_choice;
    if (sized_by_window_manager) {
        // The window manager's full screen, asked for or left: the same screen.
        full_screen_asked = window_choice == 0;
        x11_ask_full_screen(full_screen_asked);
        if (!full_screen_asked) {
            int desk_w = 0, desk_h = 0;
            get_desktop_resolution(&desk_w, &desk_h);
            const int k = window_scale(desk_w, desk_h, scale_of_this_run());
            x11_let_window_resize(SCREEN_WIDTH * k, SCREEN_HEIGHT * k, SCREEN_WIDTH, SCREEN_HEIGHT, desk_w, desk_h);
        }
        return;
    }
    open_display();
}

// Acts on the display's keys pressed since the last frame.
static void follow_display_keys()
{
    if (switch_asked.exchange(false)) {
        display_switch_window_and_full_screen();
        // The focus moves with the switch; that is not the player leaving.
        focus_lost = false;
    }
    if (next_mode_asked.exchange(false))
        display_next_scale_mode();
}

void display_use_bitmap(int x, int y, int k)
{
    layout = DISPLAY_LAYOUT {screen->w, screen->h, x, y, SCREEN_WIDTH * k, SCREEN_HEIGHT * k, k};
}

void present(BITMAP* picture)
{
    present_window(picture, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1);
}

void present_window(BITMAP* picture, int x1, int y1, int x2, int y2)
{
    x11_answer_ping();
    if (x11_screen())
        follow_display_keys();
    fit_to_shown_size(false);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, SCREEN_WIDTH - 1);
    y2 = std::min(y2, SCREEN_HEIGHT - 1);
    if (x2 < x1 || y2 < y1)
        return;
    const int k = layout.scale;
    const bool x11 = x11_screen();
    if (layout.smooth && (x11 || is_memory_bitmap(screen))) {
        // The result pixels that the area's pixels reach.
        const int ox1 = x1 * layout.w / SCREEN_WIDTH, oy1 = y1 * layout.h / SCREEN_HEIGHT;
        const int ox2 = ((x2 + 1) * layout.w + SCREEN_WIDTH - 1) / SCREEN_WIDTH - 1;
        const int oy2 = ((y2 + 1) * layout.h + SCREEN_HEIGHT - 1) / SCREEN_HEIGHT - 1;
        if (fill_blit(picture, screen, layout.x, layout.y, layout.w, layout.h, ox1, oy1, ox2, oy2)) {
            if (x11)
                x11_update_area(layout.x + ox1, layout.y + oy1, std::min(ox2, layout.w - 1) - ox1 + 1,
                    std::min(oy2, layout.h - 1) - oy1 + 1);
            return;
        }
    }
    if (k == 0 || layout.smooth || (k == 1 && !x11)) {
        // The library's copy through a clipping window: its blit at 1x, its
        // stretch on a screen smaller than the picture.
        const bool whole = x1 == 0 && y1 == 0 && x2 == SCREEN_WIDTH - 1 && y2 == SCREEN_HEIGHT - 1;
        if (!whole) {
            const int sx1 = layout.x + x1 * layout.w / SCREEN_WIDTH, sy1 = layout.y + y1 * layout.h / SCREEN_HEIGHT;
            const int sx2 = layout.x + ((x2 + 1) * layout.w) / SCREEN_WIDTH - 1;
            const int sy2 = layout.y + ((y2 + 1) * layout.h) / SCREEN_HEIGHT - 1;
            set_clip_rect(screen, sx1, sy1, sx2, sy2);
        }
        if (layout.w == SCREEN_WIDTH && layout.h == SCREEN_HEIGHT)
            blit(picture, screen, 0, 0, layout.x, layout.y, SCREEN_WIDTH, SCREEN_HEIGHT);
        else
            stretch_blit(picture, screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, layout.x, layout.y, layout.w, layout.h);
        if (!whole)
            set_clip_rect(screen, 0, 0, screen->w - 1, screen->h - 1);
        return;
    }
    const int w = x2 - x1 + 1, h = y2 - y1 + 1;
    const int dx = layout.x + x1 * k, dy = layout.y + y1 * k;
    if (staging) {
        scale_blit(picture, staging, x1, y1, x1 * k, y1 * k, w, h, k);
        blit(staging, screen, x1 * k, y1 * k, dx, dy, w * k, h * k);
        return;
    }
    // The screen's lines are plain memory: the picture (at 1x too) is written
    // straight into them and the X server is told once.
    scale_blit(picture, screen, x1, y1, dx, dy, w, h, k, x11);
    if (x11)
        x11_update_area(dx, dy, w * k, h * k);
}
