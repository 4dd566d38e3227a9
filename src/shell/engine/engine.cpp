// The engine's shared resources and switches, the loading of the data archive
// and the fatal-error exit.
#include "engine.h"
#include "archive_check.h"
#include "datidx.h"
#include "quit_request.h"
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int color_depth = -1;
bool windowed = false;
bool debug = false;
bool no_mp3 = false;

BITMAP* buffer = nullptr;
DATAFILE* data = nullptr;
FONT* mainfont = nullptr;

// Bitmaps loaded from the archive are converted to the screen's depth, except
// 8-bit pictures and 32-bit pictures with alpha, which keep theirs.
const int ARCHIVE_COLOR_CONVERSION = COLORCONV_15_TO_16 | COLORCONV_16_TO_15 | COLORCONV_15_TO_24 | COLORCONV_15_TO_32 |
    COLORCONV_16_TO_24 | COLORCONV_16_TO_32 | COLORCONV_24_TO_15 | COLORCONV_24_TO_16 | COLORCONV_32_TO_15 |
    COLORCONV_32_TO_16 | COLORCONV_24_TO_32 | COLORCONV_32_TO_24;

static const int* game_archive_kinds()
{
    static int kinds[NUM_DATA_OBJECTS];
    for (int i = 0; i < NUM_DATA_OBJECTS; i++)
        kinds[i] = game_archive_kind(i);
    return kinds;
}

static bool game_archive_loaded(const DATAFILE* d)
{
    return datafile_loaded_usable(d, game_archive_kinds(), NUM_DATA_OBJECTS);
}

ArchiveLoad load_game_archive(const char* path, std::string& why)
{
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    data = nullptr;
    // The library's loader crashes on a truncated or damaged file, so the file
    // is checked first; a loaded archive must then hold what the index names.
    const ArchiveFileCheck check = check_datafile_file(path, game_archive_kinds(), NUM_DATA_OBJECTS);
    why = file_check_text(check.found, check.err, static_cast<long>(MAX_ARCHIVE_BYTES));
    if (check.found == FileCheck::NO_MEMORY)
        return ArchiveLoad::NO_MEMORY;
    if (check.found != FileCheck::READ)
        return check.found == FileCheck::MISSING ? ArchiveLoad::MISSING : ArchiveLoad::NOT_READ;
    why = "is damaged or is not the game's archive";
    if (!check.valid)
        return ArchiveLoad::DAMAGED;
    // The library's loader frees twice what it had loaded when memory runs
    // out halfway, which ends the program: the memory it will take is
    // reserved once first, to find out whether there is that much.
    void* room = malloc(check.load_bytes);
    if (!room) {
        why = "could not be held in memory";
        return ArchiveLoad::NO_MEMORY;
    }
    free(room);
    errno = 0;
    data = load_datafile(path);
    if (!data) {
        // The file was whole a moment ago: the library ran out of something.
        const int err = errno;
        why = err ? "could not be loaded (" + std::string(strerror(err)) + ")" : "could not be loaded";
        return err == ENOMEM ? ArchiveLoad::NO_MEMORY : ArchiveLoad::NOT_READ;
    }
    if (!game_archive_loaded(data)) {
        unload_datafile(data);
        data = nullptr;
        return ArchiveLoad::DAMAGED;
    }
    mainfont = static_cast<FONT*>(data[FNT_MAIN].dat);
    select_palette(static_cast<RGB*>(data[PAL_GAME].dat));
    return ArchiveLoad::LOADED;
}

void quit_error(const char* msg)
{
    // Nothing of this run is stored after a fatal error: a quit signal from
    // here on ends the game at once, and the message box with it.
    quit_signals_end_at_once();
    set_gfx_mode(GFX_TEXT, 0, 0, 0, 0);
    // On X the message box is a separate window that never reaches a terminal,
    // so the reason is also written where a player starting from one sees it.
    fprintf(stderr, "Fatal error:  %s\n", msg);
    fflush(stderr);
    allegro_message("Fatal error:  %s\n", msg);
    allegro_exit();
    exit(1);
}
