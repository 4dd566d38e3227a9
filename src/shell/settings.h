// The settings file: the next title song and the joystick button of each control,
// kept in the library's configuration file in the user's home directory.
#pragma once
#include <string>

const int NUM_CONTROLS = 7;
const int NUM_JOY_BUTTONS = 9;   // buttons 0..8 of joystick 0

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

extern int joystick_controls[NUM_CONTROLS];          // button of each control
extern const int default_joystick_controls[NUM_CONTROLS];
extern const char* const control_labels[NUM_CONTROLS];
extern int title_song;                               // 0 or 1: song of the next title

const char* const SETTINGS_FILE_NAME = "vorlin-settings.cfg";

// Where the settings live: HOMEDRIVE+HOMEPATH when both are set (Windows),
// else $HOME (Unix), else the fixed fallback. Arguments may be null.
std::string settings_file_path(const char* homedrive, const char* homepath, const char* home);

// Makes `path` the library's configuration file. The library's reader never
// returns on some bytes that are not UTF-8 (a 0xFD lead byte), so a file
// holding such bytes is first rewritten with each of them replaced by '?';
// if it cannot be rewritten, the repaired text is used for this run only.
void open_settings_file(const std::string& path);
// `bytes` with every byte that is not part of a well-formed UTF-8 sequence
// (1 to 4 bytes, no overlong forms, no surrogates, at most U+10FFFF) replaced by '?'.
std::string repaired_utf8(const std::string& bytes);

// Reads the values from the current configuration file. Values are not trusted:
// a control outside 0..8 keeps its compiled-in button, a title song other than
// 0 or 1 becomes 1, a "scale" outside 0..MAX_SCALE becomes 0 (automatic); the
// scale goes to scale_setting (display.h).
void read_settings();
// Stores the values into the configuration file (written to disk at exit).
void write_settings();
