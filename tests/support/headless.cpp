// The game's library started without a display, for tests and headless tools.
#include "headless.h"
#include "pacing.h"
#include "engine.h"
#include <cerrno>
#include <cstdlib>

namespace {
// Where red, green and blue sit in a pixel of one depth.
void set_shifts(int& r, int& g, int& b, int r_shift, int g_shift, int b_shift)
{
    r = r_shift;
    g = g_shift;
    b = b_shift;
}
}  // namespace

void set_x_pixel_layout()
{
    set_shifts(_rgb_r_shift_32, _rgb_g_shift_32, _rgb_b_shift_32, 16, 8, 0);
    _rgb_a_shift_32 = 24;
    set_shifts(_rgb_r_shift_24, _rgb_g_shift_24, _rgb_b_shift_24, 16, 8, 0);
    set_shifts(_rgb_r_shift_16, _rgb_g_shift_16, _rgb_b_shift_16, 11, 5, 0);
    set_shifts(_rgb_r_shift_15, _rgb_g_shift_15, _rgb_b_shift_15, 10, 5, 0);
}

bool headless_init(int depth)
{
    static bool installed = false;
    if (!installed) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            return false;
        installed = true;
    }
    set_x_pixel_layout();
    set_color_depth(depth);
    if (buffer)
        destroy_bitmap(buffer);
    buffer = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    clear_to_color(buffer, 0);
    // Without a display the screen is a memory bitmap of the same size.
    if (screen)
        destroy_bitmap(screen);
    screen = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    pacing_set_free_run(true);
    return true;
}

bool headless_load_data()
{
    if (data)
        unload_datafile(data);
    data = nullptr;
    std::string why;
    return load_game_archive("data/vorlin.dat", why) == ArchiveLoad::LOADED;
}

namespace {
int press_tick = 0;
int last_tick = -1;
bool pending = false;
int scripted_keypressed()
{
    if (fpscounter == 0 && last_tick != 0)
        pending = false;
    if (fpscounter == press_tick && last_tick != press_tick)
        pending = true;
    last_tick = fpscounter;
    return pending;
}
int scripted_readkey()
{
    pending = false;
    return 0;
}
}  // namespace

void headless_press_keys_at(int tick)
{
    press_tick = tick;
    last_tick = -1;
    pending = false;
    install_keyboard_hooks(scripted_keypressed, scripted_readkey);
}
