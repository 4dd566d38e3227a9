// The ending after the last level: two pictures alternating in time with the
// ending song, or, without music, a notice that the ending is skipped.
#include "menu.h"
#include "archive_check.h"
#include "controls.h"
#include "datidx.h"
#include "music.h"
#include "pacing.h"
#include "quit_request.h"
#include "display.h"
#include "regular_file.h"
#include "engine.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static const char* const ENDING_ARCHIVE = "data/ending.dat";
static const char* const ENDING_TIMES = "data/endingtimes.txt";
// Far more than the lines the ending can read in its 5155 ticks.
static const long MAX_ENDING_TIMES_BYTES = 1L << 20;
static const int WONGAME_MARK = 51234123;
static const int THE_END_X = 630;
static const int THE_END_Y = 450;
static const int NOTICE_Y = 240;
static const int NOTICE_LINE_GAP = 4;

bool read_ending_cue(FILE* f, char* kind, int* tick)
{
    // Read by hand rather than with fgets: a line of any length, with any
    // bytes in it (zeros included), is one line, and only its start is kept.
    char line[ENDING_LINE_MAX];
    int len = 0;
    int c = std::fgetc(f);
    if (c == EOF)
        return false;
    while (c != EOF && c != '\n') {
        if (len < ENDING_LINE_MAX - 1)
            line[len++] = static_cast<char>(c);
        c = std::fgetc(f);
    }
    line[len] = '\0';

    *kind = len > 0 ? line[0] : '\n';
    long value = 0;
    if (len > 2) {
        // atoi's reading, without its undefined overflow.
        value = std::strtol(line + 2, nullptr, 10);
        if (value > INT_MAX)
            value = INT_MAX;
    }
    // A tick of 0 or below can never be reached: it never switches.
    *tick = value < 0 ? 0 : static_cast<int>(value);
    return true;
}

int ending_picture_for(char kind)
{
    return kind == 'U' ? BMP_ENDING_0 : BMP_ENDING_1;
}

int run_musical_ending(FILE* times, DATAFILE* pictures, int max_ticks)
{
    wait_joybuttons_released();
    clear_keybuf();
    songbox->play(SONG_ENDING);
    pacing_reset();
    set_config_int("misc", "wongame", WONGAME_MARK);

    bool running = true;
    bool need_line = true;
    char kind = 0;
    int switch_tick = -1;  // counter value at which the cue's picture takes over; -1: none
    int shown = BMP_ENDING_0;

    while (running && fpscounter < max_ticks && !quit_requested()) {
        const Controls c = sample_controls();
        if (c.esc && c.f)
            running = false;
        if (need_line) {
            int tick = 0;
            if (times && read_ending_cue(times, &kind, &tick))
                switch_tick = tick - 1;
            need_line = false;
        }
        if (fpscounter == switch_tick) {
            shown = ending_picture_for(kind);
            switch_tick = -1;
            need_line = true;
        }
        songbox->poll();
        pacing_tick();
        if (pacing_frame_due()) {
            blit(static_cast<BITMAP*>(pictures[shown].dat), buffer, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
            textout_right_ex(buffer, mainfont, "The End", THE_END_X, THE_END_Y, -1, -1);
            present(buffer);
        }
        pacing_wait();
    }
    songbox->stop();
    return shown;
}

// The ending archive must hold its two pictures before anything draws them.
static const int ENDING_KINDS[NUM_ENDING_OBJECTS] = {DAT_BITMAP, DAT_BITMAP};

static bool ending_archive_usable(const DATAFILE* d)
{
    return datafile_loaded_usable(d, ENDING_KINDS, NUM_ENDING_OBJECTS);
}

static void show_skip_notice()
{
    clear_to_color(buffer, 0);
    const int cx = SCREEN_WIDTH / 2;
    textout_centre_ex(buffer, mainfont, "Sorry!! Ending will be skipped!", cx, NOTICE_Y, -1, -1);
    textout_centre_ex(buffer, mainfont, "(it wouldn't make sense without mp3's)", cx,
        NOTICE_Y + text_height(mainfont) + NOTICE_LINE_GAP, -1, -1);
    present(buffer);
    // Waits for a key pressed on this screen (not at all without a keyboard;
    // joystick buttons do not count), giving way to a quit request. A key
    // still held from the last level counts once released and pressed again.
    fresh_input_begin();
    static const int KEY_POLL_MS = 10;
    while (keyboard_driver && !fresh_keypressed() && !quit_requested())
        rest(KEY_POLL_MS);
    clear_keybuf();
}

void stupid_ending()
{
    if (no_mp3) {
        show_skip_notice();
        return;
    }
    // Only regular files are read (a FIFO would hang the game, a device never
    // end); a timing file refused so counts as missing.
    FileCheck found;
    int err = 0;
    const int times_fd = open_regular_file(ENDING_TIMES, MAX_ENDING_TIMES_BYTES, found, err);
    FILE* times = times_fd >= 0 ? fdopen(times_fd, "r") : nullptr;
    if (times_fd >= 0 && !times)
        close(times_fd);
    // The library's loader crashes on a truncated or damaged archive: only a
    // regular file that holds its two pictures whole is handed to it.
    DATAFILE* pictures =
        datafile_file_valid(ENDING_ARCHIVE, ENDING_KINDS, NUM_ENDING_OBJECTS) ? load_datafile(ENDING_ARCHIVE) : nullptr;
    if (pictures && !ending_archive_usable(pictures)) {
        unload_datafile(pictures);
        pictures = nullptr;
    }
    if (!pictures) {
        if (times)
            std::fclose(times);
        return;
    }
    run_musical_ending(times, pictures, ENDING_MAX_TICKS);
    unload_datafile(pictures);
    if (times)
        std::fclose(times);
}
