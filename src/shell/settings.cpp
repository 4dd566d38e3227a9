// The settings file: read once at start-up, written back at shutdown.
#include "settings.h"
#include "display.h"
#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

// Length of the well-formed UTF-8 sequence at s[i], or 0 if there is none.
static size_t utf8_sequence(const std::string& s, size_t i)
{
    const unsigned char b = s[i];
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;   // range of the second byte
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        len = 2;
    else if (b >= 0xE0 && b <= 0xEF)
        len = 3, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    else if (b >= 0xF0 && b <= 0xF4)
        len = 4, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    if (i + len > s.size())
        return 0;
    for (size_t k = 1; k < len; ++k) {
        const unsigned char c = s[i + k];
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF))
            return 0;
    }
    return len;
}

std::string repaired_utf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = utf8_sequence(bytes, i);
        if (len == 0) {
            out += '?';
            ++i;
        } else {
            out.append(bytes, i, len);
            i += len;
        }
    }
    return out;
}

void open_settings_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (in) {
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        in.close();
        const std::string repaired = repaired_utf8(bytes);
        if (repaired != bytes) {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(repaired.data(), static_cast<std::streamsize>(repaired.size()));
            out.close();
            if (!out) {
                set_config_data(repaired.data(), static_cast<int>(repaired.size()));
                return;
            }
        }
    }
    set_config_file(path.c_str());
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

    const long scale = config_long("misc", "scale", SCALE_AUTOMATIC);
    scale_setting = (scale >= 0 && scale <= MAX_SCALE) ? static_cast<int>(scale) : SCALE_AUTOMATIC;

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
    // Files that never chose a scale stay without the key.
    if (scale_setting != SCALE_AUTOMATIC || get_config_string("misc", "scale", nullptr))
        set_config_int("misc", "scale", scale_setting);
    for (int i = 0; i < NUM_CONTROLS; i++)
        set_config_int("controls", control_key(i).c_str(), joystick_controls[i]);
}
