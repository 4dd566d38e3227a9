// Engine start-up and shutdown, data loading, the timer callback, the window
// close hook and the fatal-error exit.
#include "vorlin.h"
#include "archive_check.h"
#include "datidx.h"
#include "display.h"
#include "music.h"
#include "pacing.h"
#include "settings.h"
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>

int color_depth = -1;
bool windowed = false;
bool debug = false;
bool no_mp3 = false;

BITMAP* buffer = nullptr;
DATAFILE* data = nullptr;
FONT* mainfont = nullptr;
std::atomic<int> fps{0};
int fpscounter = 0;
int a_fps = 0;
int disp_fps = TICKS_PER_SECOND;
int snd_drv = 0;
SONGBOX* songbox = nullptr;

static const double VERSION = 0.7;
static const char* const WINDOW_TITLE = "El Vorlin";
static const char* const DATA_ARCHIVE = "data/vorlin.dat";
static const int MIN_COLOR_DEPTH = 16;

// Bitmaps loaded from the archive are converted to the screen's depth, except
// 8-bit pictures and 32-bit pictures with alpha, which keep theirs.
const int ARCHIVE_COLOR_CONVERSION = COLORCONV_15_TO_16 | COLORCONV_16_TO_15 |
    COLORCONV_15_TO_24 | COLORCONV_15_TO_32 | COLORCONV_16_TO_24 | COLORCONV_16_TO_32 |
    COLORCONV_24_TO_15 | COLORCONV_24_TO_16 | COLORCONV_32_TO_15 | COLORCONV_32_TO_16 |
    COLORCONV_24_TO_32 | COLORCONV_32_TO_24;

static std::atomic<bool> close_requested{false};

static void print_banner()
{
    std::cout << "//************" << std::endl;
    std::cout << "             El Vorlin (v" << VERSION << ")" << std::endl;
    std::cout << "                           ***************//" << std::endl;
    std::cout << "Initializing......" << std::endl;
}

static void install_sound_or_warn()
{
    snd_drv = DIGI_AUTODETECT;
    std::cout << "Sound....... " << std::endl;
    if (install_sound(snd_drv, MIDI_NONE, nullptr) != 0) {
        std::cerr << "Sound init error:  " << allegro_error << std::endl;
        return;
    }
    // Without a sound card the library quietly picks its silent driver; the
    // player still deserves to know why the game makes no sound.
    if (digi_driver && digi_driver->id == DIGI_NONE)
        std::cerr << "Sound init error:  " << allegro_error << std::endl;
}

static void install_joystick_or_warn()
{
    std::cout << "Joysticks..... " << std::endl;
    if (install_joystick(JOY_TYPE_AUTODETECT) != 0 || num_joysticks == 0)
        std::cerr << "No joysticks detected!!" << std::endl;
}

static void open_screen()
{
    std::cout << "Graphics..... " << std::endl;
    if (color_depth == -1) {
        int desktop = desktop_color_depth();
        color_depth = desktop > MIN_COLOR_DEPTH ? desktop : MIN_COLOR_DEPTH;
    }
    set_color_depth(color_depth);
    open_display();
    set_window_title(WINDOW_TITLE);
    set_close_button_callback(window_close);
}

void init_engine()
{
    const std::string settings_path =
        settings_file_path(getenv("HOMEDRIVE"), getenv("HOMEPATH"), getenv("HOME"));
    print_banner();
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        std::cerr << "Fatal error:  Cannot start the Allegro library: " << allegro_error << std::endl;
        exit(1);
    }
    install_keyboard();
    open_settings_file(settings_path);
    read_settings();
    install_sound_or_warn();
    songbox = new SONGBOX;
    if (no_mp3)
        songbox->set_mute(true);
    install_joystick_or_warn();
    open_screen();
    std::cout << "Loading data... " << std::endl;
    load_data();
    std::cout << "Installing timers..." << std::endl;
    install_timer();
    pacing_install_timer(TICKS_PER_SECOND);
    srand(time(nullptr));
    std::cout << "Done!" << std::endl << std::endl;
}

static const char* const ARCHIVE_ERROR = "Cannot load data archive:  data/vorlin.dat!!!";

static bool game_archive_sound()
{
    int kinds[NUM_DATA_OBJECTS];
    for (int i = 0; i < NUM_DATA_OBJECTS; i++)
        kinds[i] = game_archive_kind(i);
    return datafile_file_sound(DATA_ARCHIVE, kinds, NUM_DATA_OBJECTS);
}

static bool game_archive_loaded(const DATAFILE* d)
{
    // Stops at the end marker: a short archive is never read past its end.
    for (int i = 0; i < NUM_DATA_OBJECTS; i++)
        if (d[i].type == DAT_END || d[i].type != game_archive_kind(i) || !d[i].dat)
            return false;
    return d[NUM_DATA_OBJECTS].type == DAT_END;
}

void load_data()
{
    static const char* const LOADING = "Loading...";
    // The note is drawn in the back buffer so that it shows at the screen's scale.
    buffer = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    if (!buffer)
        quit_error("Out of memory!!!\n\n");
    clear_to_color(buffer, 0);
    textout_right_ex(buffer, font, LOADING, SCREEN_WIDTH, 470, makecol(255, 0, 0), -1);
    present(buffer);
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    // The library's loader crashes on a truncated or damaged file, so the file
    // is checked first; a loaded archive must then hold what the index names.
    if (!game_archive_sound())
        quit_error(ARCHIVE_ERROR);
    data = load_datafile(DATA_ARCHIVE);
    if (!data || !game_archive_loaded(data)) {
        if (data)
            unload_datafile(data);
        data = nullptr;
        quit_error(ARCHIVE_ERROR);
    }
    mainfont = static_cast<FONT*>(data[FNT_MAIN].dat);
    rectfill(buffer, SCREEN_WIDTH - text_length(font, LOADING), 470, SCREEN_WIDTH - 1, 479, 0);
    present(buffer);
    select_palette(static_cast<RGB*>(data[PAL_GAME].dat));
}

void shutdown_engine()
{
    std::cerr << "Shutting down...." << std::endl;
    do {
        poll_joystick();
    } while (any_joybutton());
    write_settings();
    delete songbox;
    songbox = nullptr;
    destroy_bitmap(buffer);
    buffer = nullptr;
    unload_datafile(data);
    data = nullptr;
    std::cerr << "Goodbye!" << std::endl;
    allegro_exit();
}

void quit_error(const char* msg)
{
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    // On X the message box is a separate window that never reaches a terminal,
    // so the reason is also written where a player starting from one sees it.
    fprintf(stderr, "Fatal error:  %s\n", msg);
    fflush(stderr);
    allegro_message("Fatal error:  %s\n", msg);
    allegro_exit();
    exit(1);
}

void fps_proc()
{
    fps++;
}
END_OF_FUNCTION(fps_proc)

void window_close()
{
    close_requested = true;
}
END_OF_FUNCTION(window_close)

bool take_window_close_request()
{
    return close_requested.exchange(false);
}

bool any_joybutton()
{
    if (num_joysticks < 1)
        return false;
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        if (joy[0].button[b].b)
            return true;
    return false;
}
