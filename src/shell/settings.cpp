// The settings file: read once at start-up, written back at shutdown.
#include "settings.h"
#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

const int default_joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
int joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
const char* const control_labels[NUM_CONTROLS] = {
    "Gas", "Shoot", "Brake", "Reverse", "Pause", "Next Hud", "Prev. Hud"};
int title_song = 1;

static const int DEFAULT_TITLE_SONG = 1;
static const char* const FALLBACK_SETTINGS_PATH = "c:\\vorlin-settings.cfg";

std::string settings_file_path(const char* homedrive, const char* homepath, const char* home)
{
    if (homedrive && homepath)
        return std::string(homedrive) + homepath + "\\" + SETTINGS_FILE_NAME;
    if (home && *home)
        return std::string(home) + "/" + SETTINGS_FILE_NAME;
    return FALLBACK_SETTINGS_PATH;
}

static std::string control_key(int i)
{
    char key[32];
    snprintf(key, sizeof key, "control%d", i);
    return key;
}

// The library's get_config_int keeps only the low 32 bits of the number
// (4294967296 reads as 0), so values are read here as long as the text says,
// with one that overflows a long read as LONG_MAX: out of range either way.
static long config_long(const char* section, const char* key, long def)
{
    const char* text = get_config_string(section, key, nullptr);
    if (!text || !*text)
        return def;
    errno = 0;
    const long v = std::strtol(text, nullptr, 0);
    return errno == ERANGE ? LONG_MAX : v;
}

void read_settings()
{
    const long song = config_long("misc", "title_song", DEFAULT_TITLE_SONG);
    title_song = static_cast<int>(song);
    if (song != 0 && song != 1)
        title_song = DEFAULT_TITLE_SONG;

    int defaults[NUM_CONTROLS];
    for (int i = 0; i < NUM_CONTROLS; i++)
        defaults[i] = joystick_controls[i];
    for (int i = 0; i < NUM_CONTROLS; i++) {
        const long button = config_long("controls", control_key(i).c_str(), defaults[i]);
        joystick_controls[i] = (button >= 0 && button < NUM_JOY_BUTTONS) ? static_cast<int>(button)
                                                                          : default_joystick_controls[i];
    }
}

void write_settings()
{
    set_config_int("misc", "title_song", title_song);
    for (int i = 0; i < NUM_CONTROLS; i++)
        set_config_int("controls", control_key(i).c_str(), joystick_controls[i]);
}
