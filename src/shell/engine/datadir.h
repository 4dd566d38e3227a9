// The game's data directory: the folder holding data/ (the archives and the
// ending's timing file) and music/. Start-up makes it the working directory,
// so every file is still opened by its relative name ("data/vorlin.dat",
// "music/...") and a game run from its build directory works exactly as before.
#pragma once
#include <string>

// Environment variable naming the data directory. When set and not empty it is
// the only place looked at.
const char* const DATA_DIR_VARIABLE = "VORLIN_DATA_DIR";
// The file whose presence marks a directory as the game's data directory.
const char* const DATA_DIR_MARKER = "data/vorlin.dat";

// The directory to enter, "" meaning "stay in the working directory":
// - `override_dir` (the environment variable's value; null or "" when unset),
//   whatever it holds;
// - else `installed_dir` when it holds DATA_DIR_MARKER; a relative
//   `installed_dir` is taken from `exe_dir`, the folder of the running
//   executable ("" when unknown: then only an absolute one is tried);
// - else "".
std::string choose_data_directory(
    const char* override_dir, const std::string& exe_dir, const std::string& installed_dir);

// The installed data directory this program was configured with: relative to
// the folder the executable is installed in, or absolute ("" when none).
std::string installed_data_directory();

// Folder of the running executable, from /proc/self/exe; "" when unknown.
std::string executable_directory();

// Chooses the data directory for this run from the environment and the
// executable's place, and makes it the working directory. Call once at
// start-up, before any game file is opened.
void enter_data_directory();

// True when the chosen directory could not be entered (an override naming a
// folder that does not exist): the game's archive then counts as missing.
bool data_directory_missing();

// The data directory in use and where it came from, for messages:
// "/usr/share/games/vorlin (the installed data directory)", "/home/p (the
// working directory)", "/x (named by VORLIN_DATA_DIR)".
std::string data_directory_in_use();
// One line for a player whose game data cannot be found: the folders searched
// and where each came from, the system's error `err` (or why the named
// directory could not be entered), and the variable that names another.
std::string data_not_found_report(int err);

// `path` made absolute against the current working directory (unchanged when
// already absolute or when the working directory cannot be read).
std::string absolute_from_here(const std::string& path);
