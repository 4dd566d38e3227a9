// Headless set-up shared by the tests.
#include "test_support.h"
#include "datidx.h"
#include "pacing.h"
#include "vorlin.h"
#include <cerrno>
#include <cstdlib>

void set_x_pixel_layout()
{
    _rgb_r_shift_32 = 16; _rgb_g_shift_32 = 8; _rgb_b_shift_32 = 0; _rgb_a_shift_32 = 24;
    _rgb_r_shift_24 = 16; _rgb_g_shift_24 = 8; _rgb_b_shift_24 = 0;
    _rgb_r_shift_16 = 11; _rgb_g_shift_16 = 5; _rgb_b_shift_16 = 0;
    _rgb_r_shift_15 = 10; _rgb_g_shift_15 = 5; _rgb_b_shift_15 = 0;
}

void headless_init(int depth)
{
    static bool installed = false;
    if (!installed) {
        install_allegro(SYSTEM_NONE, &errno, atexit);
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
}

bool headless_load_data()
{
    if (data)
        unload_datafile(data);
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    data = load_datafile("data/vorlin.dat");
    if (!data)
        return false;
    mainfont = static_cast<FONT*>(data[FNT_MAIN].dat);
    select_palette(static_cast<RGB*>(data[PAL_GAME].dat));
    return true;
}
