// Finding the data directory and entering it.
#include "datadir.h"
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

// Set by the build: where the data is installed, relative to the installed
// executable's folder (or absolute when configured so).
#ifndef VORLIN_INSTALLED_DATA_DIR
#define VORLIN_INSTALLED_DATA_DIR ""
#endif

static const char* const FROM_VARIABLE = "named by VORLIN_DATA_DIR";
static const char* const FROM_INSTALLATION = "the installed data directory";
static const char* const FROM_WORKING_DIRECTORY = "the working directory";

// What enter_data_directory chose and tried, for the messages below.
static bool missing = false;
static int enter_error = 0;
static std::string chosen_dir;  // "" while the working directory is used
static std::string chosen_origin = FROM_WORKING_DIRECTORY;
static std::string installed_tried;  // an installed directory without the data

static bool holds_game_data(const std::string& dir)
{
    const std::string marker = dir + "/" + DATA_DIR_MARKER;
    struct stat st;
    return stat(marker.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(marker.c_str(), R_OK) == 0;
}

// Where an installed program's data would be: "" when that cannot be told.
static std::string installed_candidate(const std::string& exe_dir, const std::string& installed_dir)
{
    if (installed_dir.empty() || installed_dir[0] == '/')
        return installed_dir;
    return exe_dir.empty() ? "" : exe_dir + "/" + installed_dir;
}

std::string choose_data_directory(
    const char* override_dir, const std::string& exe_dir, const std::string& installed_dir)
{
    if (override_dir && *override_dir)
        return override_dir;
    const std::string candidate = installed_candidate(exe_dir, installed_dir);
    if (!candidate.empty() && holds_game_data(candidate))
        return candidate;
    return "";
}

std::string installed_data_directory()
{
    return VORLIN_INSTALLED_DATA_DIR;
}

std::string executable_directory()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "";
    path[n] = '\0';
    char* slash = strrchr(path, '/');
    if (!slash)
        return "";
    if (slash == path)
        return "/";
    *slash = '\0';
    return path;
}

void enter_data_directory()
{
    const char* override_dir = getenv(DATA_DIR_VARIABLE);
    const std::string exe_dir = executable_directory();
    const std::string dir = choose_data_directory(override_dir, exe_dir, installed_data_directory());
    chosen_dir = dir;
    installed_tried.clear();
    if (override_dir && *override_dir) {
        chosen_origin = FROM_VARIABLE;
    } else if (!dir.empty()) {
        chosen_origin = FROM_INSTALLATION;
    } else {
        chosen_origin = FROM_WORKING_DIRECTORY;
        installed_tried = installed_candidate(exe_dir, installed_data_directory());
    }
    missing = !dir.empty() && chdir(dir.c_str()) != 0;
    enter_error = missing ? errno : 0;
}

bool data_directory_missing()
{
    return missing;
}

std::string data_directory_in_use()
{
    std::string dir = chosen_dir;
    if (dir.empty()) {
        char here[PATH_MAX];
        dir = getcwd(here, sizeof here) ? here : ".";
    }
    return dir + " (" + chosen_origin + ")";
}

std::string data_not_found_report(int err)
{
    if (missing)
        return std::string(DATA_DIR_VARIABLE) + " names " + chosen_dir +
            ", which cannot be entered: " + strerror(enter_error);
    std::string where = data_directory_in_use();
    if (!installed_tried.empty())
        where += " nor in " + installed_tried + " (" + FROM_INSTALLATION + ")";
    std::string report = std::string(DATA_DIR_MARKER) + " was not found in " + where + ": " + strerror(err);
    if (chosen_origin != FROM_VARIABLE)
        report += "; " + std::string(DATA_DIR_VARIABLE) + " can name the folder that holds data/ and music/";
    return report;
}

std::string absolute_from_here(const std::string& path)
{
    if (path.empty() || path[0] == '/')
        return path;
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here))
        return path;
    return std::string(here) + "/" + path;
}
