// The settings file: read once at start-up, written back at shutdown.
#include "settings.h"
#include <allegro.h>
#include <cstdio>

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

void read_settings()
{
    title_song = get_config_int("misc", "title_song", DEFAULT_TITLE_SONG);
    if (title_song != 0 && title_song != 1)
        title_song = DEFAULT_TITLE_SONG;

    int defaults[NUM_CONTROLS];
    for (int i = 0; i < NUM_CONTROLS; i++)
        defaults[i] = joystick_controls[i];
    for (int i = 0; i < NUM_CONTROLS; i++) {
        int button = get_config_int("controls", control_key(i).c_str(), defaults[i]);
        joystick_controls[i] = (button >= 0 && button < NUM_JOY_BUTTONS) ? button
                                                                          : default_joystick_controls[i];
    }
}

void write_settings()
{
    set_config_int("misc", "title_song", title_song);
    for (int i = 0; i < NUM_CONTROLS; i++)
        set_config_int("controls", control_key(i).c_str(), joystick_controls[i]);
}
