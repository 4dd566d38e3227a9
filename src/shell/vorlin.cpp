// Engine start-up and shutdown: the library, the screen, the data archive and
// the timer brought up in order, and closed in order at the end.
#include "vorlin.h"
#include "engine.h"
#include "controls.h"
#include "cmdline.h"
#include "datadir.h"
#include "display.h"
#include "music.h"
#include "pacing.h"
#include "quit_request.h"
#include "settings.h"
#include "sound.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>
#ifdef ALLEGRO_WITH_XWINDOWS
#include <X11/Xlib.h>
#endif

static const char* const WINDOW_TITLE = "El Vorlin";
static const char* const DATA_ARCHIVE = "data/vorlin.dat";
static const int MIN_COLOR_DEPTH = 16;
static const int PALETTE_COLOR_DEPTH = 8;

static void print_banner()
{
    std::cout << "//************" << std::endl;
    std::cout << "             El Vorlin (v" << GAME_VERSION_TEXT << ")" << std::endl;
    std::cout << "                           ***************//" << std::endl;
    std::cout << "Initializing......" << std::endl;
}

static void install_sound_or_warn()
{
    const int digital_driver = DIGI_AUTODETECT;
    std::cout << "Sound....... " << std::endl;
    if (!sound_install(digital_driver)) {
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

#ifdef ALLEGRO_WITH_XWINDOWS
// The window killed or destroyed from outside: the X server drops the game's
// connection, or refuses the next drawing into a window that is gone. The X
// library's own handlers of both call exit() on whichever thread noticed,
// often the library's input thread while the main thread draws, which then
// runs the exit handlers under the main thread's feet and ends in an abort.
// Here the program ends at once instead, as a fatal error: nothing can be
// shown any more, and this run's settings are not stored.
[[noreturn]] static void end_without_display(const char* message, size_t length)
{
    if (write(STDERR_FILENO, message, length) < 0) {
        // Nowhere left to say it.
    }
    _exit(1);
}

static int display_lost(Display*)
{
    static const char MESSAGE[] = "Fatal error:  Lost the connection to the display\n";
    end_without_display(MESSAGE, sizeof MESSAGE - 1);
}

static int display_refused(Display*, XErrorEvent* e)
{
    char message[160];
    const int length = snprintf(message, sizeof message,
        "Fatal error:  The display refused a request (X error %d, request %d.%d): "
        "the game's window is gone\n",
        e->error_code, e->request_code, e->minor_code);
    end_without_display(message, length > 0 && length < static_cast<int>(sizeof message) ? length : 0);
}
#endif

static void open_screen()
{
    std::cout << "Graphics..... " << std::endl;
    if (color_depth == -1) {
        int desktop = desktop_color_depth();
        color_depth = desktop > MIN_COLOR_DEPTH ? desktop : MIN_COLOR_DEPTH;
    }
    // The library opens 8-bit (palette) screens, but the game's drawing has no
    // 8-bit path: the title's translucent logo alone would call the library's
    // missing 8-bit blender. Every other depth the library cannot open is left
    // to it, so that the player reads its own reason.
    if (color_depth == PALETTE_COLOR_DEPTH) {
        char msg[128];
        snprintf(
            msg, sizeof msg, "Colour depth %d is not supported: the game runs at 15, 16, 24 or 32 bits", color_depth);
        quit_error(msg);
    }
    set_color_depth(color_depth);
    // Named before the window is shown: the desktop never sees another title.
    set_window_title(WINDOW_TITLE);
    open_display();
#ifdef ALLEGRO_WITH_XWINDOWS
    // After the mode is set: the library may probe the server for what it offers.
    XSetErrorHandler(display_refused);
#endif
    set_close_button_callback(window_close);
}

// A standard stream closed by whoever started the game (`vorlin >&-`) is
// reopened on /dev/null: otherwise the next file or connection the game opens
// takes its number and the log lines are written into it.
static void keep_standard_streams_open()
{
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null_fd = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null_fd >= 0 && null_fd != fd) {
            dup2(null_fd, fd);
            close(null_fd);
        }
    }
}

void init_engine()
{
    keep_standard_streams_open();
    ignore_write_signals();
    // From here to the end of start-up a quit signal ends the program at once;
    // the library's threads start with the quit signals blocked, so only the
    // main thread ever handles one later.
    quit_signals_startup_begin();
#ifdef ALLEGRO_WITH_XWINDOWS
    XSetIOErrorHandler(display_lost);
#endif
    // Anchored to the folder the game was started in before the data
    // directory becomes the working directory.
    const std::string settings_path = absolute_from_here(this_users_settings_path());
    enter_data_directory();
    print_banner();
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        // The library gives no reason when no system driver starts, which on a
        // desktop means the X display could not be opened.
        std::string reason = allegro_error;
        if (reason.empty()) {
            const char* display = getenv("DISPLAY");
            reason = display && *display ? std::string("no display could be opened at DISPLAY=") + display
                                         : std::string("no display could be opened (DISPLAY is not set)");
        }
        std::cerr << "Fatal error:  Cannot start the Allegro library: " << reason << std::endl;
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
    // Without its thread no screen loop would ever move on: the thread's
    // stack is what a system short of memory refuses.
    if (install_timer() != 0) {
        std::cerr << "The timer could not be started: the system refused its thread" << std::endl;
        quit_error("Out of memory!!!\n\n");
    }
    pacing_install_timer(TICKS_PER_SECOND);
    srand(time(nullptr));
    quit_signals_startup_end();
    std::cout << "Done!" << std::endl << std::endl;
}

static const char* const ARCHIVE_ERROR = "Cannot load data archive:  data/vorlin.dat!!!";

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
    // The fatal message stays as it always was; the line before it says what
    // went wrong, and where the game looked.
    std::string why;
    const ArchiveLoad loaded = data_directory_missing() ? ArchiveLoad::MISSING : load_game_archive(DATA_ARCHIVE, why);
    if (loaded == ArchiveLoad::MISSING)
        std::cerr << data_not_found_report(ENOENT) << std::endl;
    else if (loaded != ArchiveLoad::LOADED)
        std::cerr << DATA_ARCHIVE << " in " << data_directory_in_use() << " " << why << std::endl;
    if (loaded == ArchiveLoad::NO_MEMORY)
        quit_error("Out of memory!!!\n\n");
    if (loaded != ArchiveLoad::LOADED)
        quit_error(ARCHIVE_ERROR);
    rectfill(buffer, SCREEN_WIDTH - text_length(font, LOADING), 470, SCREEN_WIDTH - 1, 479, 0);
    present(buffer);
}

void shutdown_engine()
{
    std::cerr << "Shutting down...." << std::endl;
    // For the developer: the clock of the screen left last (the level's, when
    // the game is quit from play) shows whether play kept real time.
    if (debug)
        std::cerr << "Last screen's clock: " << fpscounter << " ticks" << std::endl;
    wait_joybuttons_released();
    write_settings();
    save_settings_file();
    // Whatever still sounds (the engine of the attempt just ended) fades out
    // before the output closes: a cut mid-waveform clicks.
    sound_fade_out_all();
    release_engine_resources();
    std::cerr << "Goodbye!" << std::endl;
    allegro_exit();
}

void release_engine_resources()
{
    delete songbox;
    songbox = nullptr;
    destroy_bitmap(buffer);
    buffer = nullptr;
    unload_datafile(data);
    data = nullptr;
}
