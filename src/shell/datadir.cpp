// Finding the data directory and entering it.
#include "datadir.h"
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

static bool missing = false;

static bool holds_game_data(const std::string& dir)
{
    const std::string marker = dir + "/" + DATA_DIR_MARKER;
    struct stat st;
    return stat(marker.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(marker.c_str(), R_OK) == 0;
}

std::string choose_data_directory(const char* override_dir, const std::string& exe_dir,
                                  const std::string& installed_dir)
{
    if (override_dir && *override_dir)
        return override_dir;
    if (installed_dir.empty())
        return "";
    std::string candidate;
    if (installed_dir[0] == '/')
        candidate = installed_dir;
    else if (!exe_dir.empty())
        candidate = exe_dir + "/" + installed_dir;
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
    const std::string dir = choose_data_directory(getenv(DATA_DIR_VARIABLE), executable_directory(),
                                                  installed_data_directory());
    missing = !dir.empty() && chdir(dir.c_str()) != 0;
}

bool data_directory_missing()
{
    return missing;
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
