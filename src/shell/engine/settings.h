// The settings file: the next title song and the joystick button of each control,
// kept in the library's configuration file in the user's home directory.
#pragma once
#include <string>
#include <vector>

const int NUM_CONTROLS = 7;
const int NUM_JOY_BUTTONS = 9;  // buttons 0..8 of joystick 0

// Control indices into joystick_controls and control_labels.
enum Control {
    CONTROL_GAS = 0,
    CONTROL_SHOOT = 1,
    CONTROL_BRAKE = 2,
    CONTROL_REVERSE = 3,
    CONTROL_PAUSE = 4,
    CONTROL_NEXT_HUD = 5,
    CONTROL_PREV_HUD = 6
};

extern int joystick_controls[NUM_CONTROLS];  // button of each control
extern const int default_joystick_controls[NUM_CONTROLS];
extern const char* const control_labels[NUM_CONTROLS];
extern int title_song;  // 0 or 1: song of the next title

const char* const SETTINGS_FILE_NAME = "vorlin-settings.cfg";

// Where the settings live: HOMEDRIVE+HOMEPATH when both are set (Windows),
// else $HOME (Unix), else the home folder the password database gives the
// user, else the fixed fallback. Arguments may be null; empty ones count as unset.
std::string settings_file_path(const char* homedrive, const char* homepath, const char* home, const char* account_home);
// settings_file_path for this process: its environment and its user's entry
// in the password database.
std::string this_users_settings_path();

// Makes `path` the settings file of this run and the library's configuration
// (kept in memory: nothing on disk changes until save_settings_file). Only a
// regular file of at most MAX_SETTINGS_BYTES is read (a link to one is
// followed); a missing file gives the defaults and is created by
// save_settings_file. Anything else at `path` (a folder, a FIFO, a device, a
// link to nothing, a file too large or unreadable) gives the defaults, one
// line on standard error, and is never written. The text is handed to the
// library as settings_text makes it.
void open_settings_file(const std::string& path);
// Stores this run's settings in the settings file. The file is read again
// first and only the game's own keys that this run changed (or that the file
// did not hold in a form the game reads) are set in it, as
// settings_with_values does: what the player or another copy of the game
// wrote meanwhile stays. The file is replaced the safe way (a temporary file
// in the same folder, written, synced, renamed over it); when its folder
// cannot be written to, or other hard links share it, it is written in place
// instead (space reserved first, the whole text written, synced; the old text
// put back if a write fails), and a folder that refused says so on standard
// error. A read-only file is not written, nor a text the game would refuse to
// read (over MAX_SETTINGS_BYTES). Leftover temporary files of an earlier save
// that was killed are removed. Any failure leaves the old file as it was,
// says why in one line on standard error and gives false. Nothing is written
// when nothing changed, or when open_settings_file found something it must
// not write.
bool save_settings_file();
// Larger files are not settings files: they are neither read nor written.
const long MAX_SETTINGS_BYTES = 1L << 20;
// The text handed to the library for the bytes of a settings file: without a
// leading UTF-8 byte-order mark, repaired as repaired_utf8 does, without the
// blanks at the ends of lines (which the library drops in time that grows with
// the square of their number), with a blank line before every section name
// that lacks one, and with spaces before any
// character of several bytes that would make the library's line reader write
// past its buffer (in lines of hundreds of bytes).
std::string settings_text(const std::string& bytes);
// `bytes` with every byte that is not part of a well-formed UTF-8 sequence
// (1 to 4 bytes, no overlong forms, no surrogates, at most U+10FFFF) replaced by '?'.
std::string repaired_utf8(const std::string& bytes);

// One value the game stores.
struct SettingValue {
    std::string section, key, value;
};
// The bytes of a settings file with each value set as the library will read
// it: the first line the library reads for the key gets the new value (a
// trailing "# comment" on it stays); a key its section lacks is added after
// the section's last key; a missing section is added at the end. Names match
// as the library matches them, whatever their case. Every other byte stays.
std::string settings_with_values(const std::string& bytes, const std::vector<SettingValue>& values);

// How much of the text a number must fill.
enum class NumberText {
    WHOLE,          // an optional sign and decimal digits, nothing else
    LEADING_DIGITS  // the classic reading of "-bpp" and the level warp: spaces,
                    // a sign and the digits that follow, the rest ignored; no
                    // digits read as 0
};
// The one reader of numbers the player types, in the settings file and on the
// command line. WHOLE: no spaces, no trailing letters, a leading zero does not
// make it octal; false for any other text. LEADING_DIGITS is always true. A
// number too large for a long reads as LONG_MAX (LONG_MIN when negative), out
// of every range the game accepts.
bool read_whole_number(const std::string& text, long& value, NumberText how = NumberText::WHOLE);

// One remembered value: its place in the file, the variable that holds it,
// the numbers it accepts and what replaces a value it cannot use.
struct SettingRow {
    enum Rule {
        UNREADABLE_GIVES_FALLBACK,  // an absent key or text that is no number gives `fallback`
        UNREADABLE_KEEPS_VALUE,     // an absent key or text that is no number keeps the variable's value
        FALLBACK_NOT_WRITTEN,  // as the first; a file without the key stays without it while the value is `fallback`
    };
    const char* section;
    const char* key;
    int* variable;  // null: a key the game writes elsewhere ("wongame", by the ending)
    int low, high;  // accepted values; a number outside them gives `fallback`
    int fallback;
    Rule rule;
    // Null: the value is a number. Else the value is written as name(value)
    // and read as such a name, whatever its case; any other text, numbers
    // included, and a value for which it gives null count as unreadable.
    const char* (*name)(int value) = nullptr;
};
// Every key the game stores, in the order the save checks them; everything
// else in the file is the player's. Reading, writing and the save's check
// all go over this table.
std::vector<SettingRow> setting_rows();

// Reads every row's value from the current configuration file. Numbers are
// read by read_whole_number with spaces and a trailing "# comment" around
// them. Values are not trusted: a control that is not a number 0..8 keeps its
// compiled-in button, a title song other than 0 or 1 becomes 1, a "scale"
// outside 0..MAX_SCALE becomes 0 (automatic); the scale goes to scale_setting
// (display.h). The keys of the keyboard mapping (key_map, controls.h) are
// read by name; a key no action may have, or one two actions share, gives
// the default (settle_key_map).
void read_settings();
// Stores every row's value into the configuration (written to disk by
// save_settings_file).
void write_settings();
