// The settings file: read once at start-up, written back safely at shutdown.
#include "settings.h"
#include "controls.h"
#include "display.h"
#include "regular_file.h"
#include <allegro.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <pwd.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

const int default_joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
int joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
const char* const control_labels[NUM_CONTROLS] = {"Gas", "Shoot", "Brake", "Reverse", "Pause", "Next Hud", "Prev. Hud"};
int title_song = 1;

static const int DEFAULT_TITLE_SONG = 1;
static const char* const FALLBACK_SETTINGS_PATH = "c:\\vorlin-settings.cfg";

std::string settings_file_path(const char* homedrive, const char* homepath, const char* home, const char* account_home)
{
    if (homedrive && homepath)
        return std::string(homedrive) + homepath + "\\" + SETTINGS_FILE_NAME;
    if (home && *home)
        return std::string(home) + "/" + SETTINGS_FILE_NAME;
    // Without HOME (a service, a cleared environment) the user still has a home.
    if (account_home && *account_home)
        return std::string(account_home) + "/" + SETTINGS_FILE_NAME;
    return FALLBACK_SETTINGS_PATH;
}

std::string this_users_settings_path()
{
    const passwd* account = getpwuid(getuid());
    return settings_file_path(
        getenv("HOMEDRIVE"), getenv("HOMEPATH"), getenv("HOME"), account ? account->pw_dir : nullptr);
}

// Length of the well-formed UTF-8 sequence at s[i], or 0 if there is none.
static size_t utf8_sequence(const std::string& s, size_t i)
{
    const unsigned char b = s[i];
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
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

// The library drops the blanks at the end of a line itself, but one at a time,
// finding the line's end anew for each: a value followed by tens of thousands
// of spaces kept the game from starting for minutes. They are dropped here
// first, at once; nothing the library reads changes.
static std::string without_trailing_blanks(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    size_t blanks_from = std::string::npos;  // blanks not yet written: written if more of the line follows
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\v' || c == '\f') {
            if (blanks_from == std::string::npos)
                blanks_from = i;
            continue;
        }
        if (blanks_from != std::string::npos && c != '\n' && c != '\r')
            out.append(text, blanks_from, i - blanks_from);
        blanks_from = std::string::npos;
        out += c;
    }
    return out;
}

bool read_whole_number(const std::string& text, long& value, NumberText how)
{
    size_t start = 0;
    if (how == NumberText::LEADING_DIGITS)
        start = std::min(text.find_first_not_of(" \t\n\v\f\r"), text.size());
    const size_t sign = start < text.size() && (text[start] == '-' || text[start] == '+') ? 1 : 0;
    const size_t end = std::min(text.find_first_not_of("0123456789", start + sign), text.size());
    if (end == start + sign) {
        value = 0;
        return how == NumberText::LEADING_DIGITS;
    }
    if (how == NumberText::WHOLE && (start != 0 || end != text.size()))
        return false;
    errno = 0;
    value = std::strtol(text.substr(start, end - start).c_str(), nullptr, 10);
    if (errno == ERANGE)
        value = value < 0 ? LONG_MIN : LONG_MAX;
    return true;
}

static const char* const CONTROL_KEYS[NUM_CONTROLS] = {
    "control0", "control1", "control2", "control3", "control4", "control5", "control6"};

std::vector<SettingRow> setting_rows()
{
    std::vector<SettingRow> rows = {
        {"misc", "title_song", &title_song, 0, 1, DEFAULT_TITLE_SONG, SettingRow::UNREADABLE_GIVES_FALLBACK},
        {"misc", "scale", &scale_setting, 0, MAX_SCALE, SCALE_AUTOMATIC, SettingRow::FALLBACK_NOT_WRITTEN},
        {"misc", "scalemode", &scale_mode_setting, 0, SCALE_MODE_COUNT - 1, SCALE_MODE_AUTOMATIC,
            SettingRow::FALLBACK_NOT_WRITTEN},
        {"misc", "window", &window_setting, 0, 1, 0, SettingRow::FALLBACK_NOT_WRITTEN},
        // Written by the ending when the game is won; only kept safe on save here.
        {"misc", "wongame", nullptr, 0, 0, 0, SettingRow::UNREADABLE_GIVES_FALLBACK},
    };
    for (int i = 0; i < NUM_CONTROLS; i++)
        rows.push_back({"controls", CONTROL_KEYS[i], &joystick_controls[i], 0, NUM_JOY_BUTTONS - 1,
            default_joystick_controls[i], SettingRow::UNREADABLE_KEEPS_VALUE});
    // The keyboard mapping, by key names; a file that never remapped stays without them.
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        rows.push_back({"controls", KEY_ACTIONS[a].setting, &key_map[a], NO_KEY, LAST_ACTION_KEY,
            KEY_ACTIONS[a].default_key, SettingRow::FALLBACK_NOT_WRITTEN, action_key_setting_name});
    return rows;
}

namespace {

// Stands for a key the configuration does not hold.
const char* const ABSENT = "\n(absent)";

// The settings file of this run, as open_settings_file found it.
struct SettingsFile {
    std::string path;                // where the player's settings live
    bool save_allowed = false;       // false: what is at path must not be written
    std::vector<std::string> start;  // each game key's value when the file was read (bare_value)
};
SettingsFile settings_file;

std::string error_text(int err)
{
    return std::strerror(err);
}

// A value as the game reads it: without a trailing "# comment" and without
// the spaces around it.
std::string bare_value(const char* raw)
{
    if (!raw)
        return ABSENT;
    std::string v = raw;
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i] == '#' && (i == 0 || v[i - 1] == ' ' || v[i - 1] == '\t')) {
            v.erase(i);
            break;
        }
    const size_t first = v.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return v.substr(first, v.find_last_not_of(" \t") - first + 1);
}

// Each game key's value in the library's current configuration.
std::vector<std::string> configured_values()
{
    std::vector<std::string> values;
    for (const SettingRow& row : setting_rows())
        values.push_back(bare_value(get_config_string(row.section, row.key, nullptr)));
    return values;
}

// Each game key's value as the library reads the settings file `bytes`.
std::vector<std::string> values_in(const std::string& bytes)
{
    push_config_state();
    const std::string text = settings_text(bytes);
    set_config_data(text.data(), static_cast<int>(text.size()));
    std::vector<std::string> values = configured_values();
    pop_config_state();
    return values;
}

bool pwrite_all(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Folder and name of a path.
std::string folder_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}
std::string name_of(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Temporary files of a save are "." + name + "." + six letters or digits.
const size_t TEMP_SUFFIX_LENGTH = 6;
std::string temp_template(const std::string& target)
{
    return folder_of(target) + "/." + name_of(target) + "." + std::string(TEMP_SUFFIX_LENGTH, 'X');
}

// A save killed midway leaves its temporary file behind. Such files are
// removed by the next save: only regular files of this user, named as a
// save names them, untouched for a while and not locked by a save under way.
const int LEFTOVER_AGE_SECONDS = 10;
void remove_leftover_temp_files(const std::string& target)
{
    const std::string folder = folder_of(target);
    const std::string prefix = "." + name_of(target) + ".";
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const time_t now = time(nullptr);
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + TEMP_SUFFIX_LENGTH || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        bool alnum = true;
        for (size_t i = prefix.size(); i < name.size(); ++i)
            alnum = alnum && isalnum(static_cast<unsigned char>(name[i]));
        const std::string path = folder + "/" + name;
        struct stat st;
        if (!alnum || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            now - st.st_mtime < LEFTOVER_AGE_SECONDS)
            continue;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

// Replaces `target` by a file holding `bytes` without ever leaving it half
// written: a temporary file beside it is written, synced and renamed over it.
// `folder_refused` tells that the temporary file could not be made because
// the folder cannot be written to.
bool replace_file(const std::string& target, const std::string& bytes, std::string& why, bool& folder_refused)
{
    folder_refused = false;
    std::string temp = temp_template(target);
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        folder_refused = errno == EACCES || errno == EPERM;
        why = error_text(errno);
        return false;
    }
    // Held while the file is written: a leftover is only what a killed save left.
    flock(fd, LOCK_EX | LOCK_NB);
    // The new file takes the old one's permissions and owner.
    struct stat old;
    if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 07777);
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only the superuser may give a file away; the player's own file needs no change.
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    bool ok = pwrite_all(fd, bytes) && fsync(fd) == 0;
    int err = errno;
    // Closed before the rename: the file appears under its name complete and
    // closed, in one step, for whoever watches the folder.
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok)
        unlink(temp.c_str());
    if (!ok) {
        why = error_text(err);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dir_fd = open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return true;
}

// Writes `bytes` over the file `target` that now holds `old`, for when it
// cannot be replaced (its folder cannot be written to, or other names link to
// it): the space is reserved first, so that a full disk fails before anything
// changes; a write that fails after all puts the old bytes back; the whole is
// synced before it counts as saved.
bool write_in_place(const std::string& target, const std::string& bytes, const std::string& old, std::string& why)
{
    const int fd = open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = fd < 0 ? error_text(errno) : "it is no longer a regular file";
        if (fd >= 0)
            close(fd);
        return false;
    }
    bool ok = true;
    int err = 0;
    if (bytes.size() > old.size() &&
        fallocate(fd, 0, static_cast<off_t>(old.size()), static_cast<off_t>(bytes.size() - old.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS) {
        ok = false;
        err = errno;
        if (ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
            // The reserved space stays; the text is what it was.
        }
    }
    if (ok && !pwrite_all(fd, bytes)) {
        ok = false;
        err = errno;
        if (!pwrite_all(fd, old) || ftruncate(fd, static_cast<off_t>(old.size())) != 0) {
            // The old bytes could not all be put back either; it is said below.
        }
    }
    if (ok && bytes.size() < old.size() && ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        ok = false;
        err = errno;
    }
    if (fsync(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    close(fd);
    if (!ok)
        why = error_text(err);
    return ok;
}

// One line of a settings file as the library reads it.
struct Line {
    size_t begin, end;  // the line's bytes, without its line break
    size_t next;        // where the next line begins
    enum Kind { OTHER, SECTION, KEY } kind;
    std::string name;               // the section's or the key's name
    size_t name_end;                // where a key's name ends
    size_t value_begin, value_end;  // a key's value, without a trailing comment
};

bool same_name(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower(static_cast<unsigned char>(a[i])) != tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool blank_char(char c)
{
    return c == ' ' || c == '\t';
}

// The file's lines, split where the library splits them (a line feed, a
// carriage return, or both together), skipping a leading byte-order mark.
std::vector<Line> settings_lines(const std::string& text)
{
    static const std::string BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    std::vector<Line> lines;
    size_t pos = text.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0 ? BYTE_ORDER_MARK.size() : 0;
    while (pos < text.size()) {
        Line l {pos, text.find_first_of("\r\n", pos), 0, Line::OTHER, "", 0, 0, 0};
        if (l.end == std::string::npos)
            l.end = l.next = text.size();
        else
            l.next = l.end + (text.compare(l.end, 2, "\r\n") == 0 ? 2 : 1);
        size_t at = l.begin;
        while (at < l.end && blank_char(text[at]))
            ++at;
        if (at < l.end && text[at] == '[') {
            l.kind = Line::SECTION;
            const size_t close = text.find(']', at);
            // A name with a bracket in it never matches one of the game's.
            if (close < l.end && text.find(']', close + 1) >= l.end)
                l.name = text.substr(at + 1, close - at - 1);
            else
                l.name = "\n";
        } else if (at < l.end && text[at] != '#' && text[at] != ';') {
            l.kind = Line::KEY;
            const size_t name_end = std::min(text.find_first_of(" \t=", at), l.end);
            l.name = text.substr(at, name_end - at);
            l.name_end = at = name_end;
            while (at < l.end && blank_char(text[at]))
                ++at;
            if (at < l.end && text[at] == '=')
                ++at;
            while (at < l.end && blank_char(text[at]))
                ++at;
            l.value_begin = at;
            size_t end = at;
            while (end < l.end && !(text[end] == '#' && (end == at || blank_char(text[end - 1]))))
                ++end;
            while (end > at && blank_char(text[end - 1]))
                --end;
            l.value_end = end;
        }
        lines.push_back(l);
        pos = l.next;
    }
    return lines;
}

// `text` with one key set (see settings_with_values).
std::string with_value(const std::string& text, const SettingValue& v)
{
    const std::vector<Line> lines = settings_lines(text);
    bool in_section = false;                // keys before the first section name belong to none
    int sections_seen = 0;                  // of the key's name: the library reads them as one
    const Line* last_of_section = nullptr;  // where a missing key goes: the end of the first
    for (const Line& l : lines) {
        if (l.kind == Line::SECTION) {
            in_section = same_name(l.name, v.section);
            if (in_section && ++sections_seen == 1)
                last_of_section = &l;
            continue;
        }
        if (l.kind != Line::KEY || !in_section)
            continue;
        if (same_name(l.name, v.key)) {
            // The first such line is the one read; a comment after it stays.
            if (l.value_begin == l.value_end) {  // no value: the separator may be missing too
                std::string out = text.substr(0, l.name_end) + " = " + v.value;
                if (l.value_end < l.end)
                    out += ' ';
                return out + text.substr(l.value_end);
            }
            return text.substr(0, l.value_begin) + v.value + text.substr(l.value_end);
        }
        if (sections_seen == 1)
            last_of_section = &l;
    }
    const std::string line = v.key + " = " + v.value;
    if (last_of_section) {
        const Line& l = *last_of_section;
        const std::string line_break = l.next > l.end ? text.substr(l.end, l.next - l.end) : "\n";
        const std::string before = text.substr(0, l.next) + (l.next == l.end ? line_break : "");
        return before + line + line_break + text.substr(l.next);
    }
    std::string out = text;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r')
        out += '\n';
    if (!lines.empty())
        out += '\n';
    return out + "[" + v.section + "]\n" + line + "\n";
}

}  // namespace

std::string settings_with_values(const std::string& bytes, const std::vector<SettingValue>& values)
{
    std::string text = bytes;
    for (const SettingValue& v : values)
        text = with_value(text, v);
    return text;
}

std::string settings_text(const std::string& bytes)
{
    // Editors that save UTF-8 with a byte-order mark put it before the first
    // section's name, where the library would take it for part of the name.
    static const std::string BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    const size_t start = bytes.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0 ? BYTE_ORDER_MARK.size() : 0;
    const std::string text = without_trailing_blanks(repaired_utf8(bytes.substr(start)));

    // The library adds a key its section lacks after the section's last line
    // that is followed by a blank line or the end of the file: past any later
    // section not set off by a blank line, where the next run does not find
    // it (and adds it once more). A blank line before every section name
    // keeps new keys in their own section.
    std::string sections;
    sections.reserve(text.size() + 64);
    bool previous_blank = true;  // nothing to set off before the first line
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        end = end == std::string::npos ? text.size() : end + 1;
        const size_t first = text.find_first_not_of(" \t\r\n", pos);
        const bool blank = first == std::string::npos || first >= end;
        if (!blank && text[first] == '[' && !previous_blank)
            sections += '\n';
        sections.append(text, pos, end - pos);
        previous_blank = blank;
        pos = end;
    }

    // The library's line reader keeps a line in a buffer of 256 bytes, then
    // 512, 1024 and so on, enlarged only before a character that starts on
    // its last byte: a character of several bytes that reaches the end from
    // further back is written past it (and a line ending there gets its
    // terminating zero past it), corrupting the heap. Such a character is
    // moved to the last byte with spaces before it. Only lines of hundreds of
    // bytes with such characters are touched, never a setting the game reads.
    static const size_t READER_FIRST_BUFFER = 256;
    std::string out;
    out.reserve(sections.size() + 16);
    size_t column = 0;  // bytes of the line so far, as the reader counts them
    size_t buffer = READER_FIRST_BUFFER;
    for (size_t pos = 0; pos < sections.size();) {
        const unsigned char lead = sections[pos];
        if (lead == '\n' || lead == '\r') {  // both end a line for the reader
            out += static_cast<char>(lead);
            column = 0;
            buffer = READER_FIRST_BUFFER;
            ++pos;
            continue;
        }
        const size_t width = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;  // well-formed here
        while (column >= buffer - 1)
            buffer *= 2;
        if (width > 1 && column + width >= buffer) {
            out.append(buffer - 1 - column, ' ');
            column = buffer - 1;
            buffer *= 2;
        }
        out.append(sections, pos, width);
        column += width;
        pos += width;
    }
    return out;
}

void open_settings_file(const std::string& path)
{
    settings_file = SettingsFile();
    settings_file.path = path;

    FileBytes bytes;
    int err = 0;
    const FileCheck found = read_regular_file(path.c_str(), MAX_SETTINGS_BYTES, bytes, err);
    if (found != FileCheck::READ && found != FileCheck::MISSING) {
        std::cerr << "Settings file " << path << " " << file_check_text(found, err, MAX_SETTINGS_BYTES)
                  << ": the defaults are used and the file is left alone" << std::endl;
        set_config_data("", 0);
        return;
    }
    settings_file.save_allowed = true;
    // The library keeps the text in memory: nothing is written to disk behind
    // the game's back, and the save below decides what reaches the file.
    const std::string text = settings_text(std::string(reinterpret_cast<const char*>(bytes.data.get()), bytes.size));
    set_config_data(text.data(), static_cast<int>(text.size()));
    settings_file.start = configured_values();
}

bool save_settings_file()
{
    if (!settings_file.save_allowed)
        return true;
    const std::string& path = settings_file.path;
    std::string why;
    const char* const NOT_SAVED = ": this run's settings are not saved";

    // The file as it is now: the player may have edited it while the game
    // ran, or another copy of the game saved its own choices.
    FileBytes bytes;
    int err = 0;
    const FileCheck found = read_regular_file(path.c_str(), MAX_SETTINGS_BYTES, bytes, err);
    if (found != FileCheck::READ && found != FileCheck::MISSING) {
        std::cerr << "Settings file " << path << " " << file_check_text(found, err, MAX_SETTINGS_BYTES) << NOT_SAVED
                  << std::endl;
        return false;
    }
    const bool exists = found == FileCheck::READ;
    const std::string current(reinterpret_cast<const char*>(bytes.data.get()), bytes.size);
    // A link is kept: the file it names is the one written.
    std::string target = path;
    if (exists) {
        if (char* real = realpath(path.c_str(), nullptr)) {
            target = real;
            free(real);
        }
    }
    remove_leftover_temp_files(target);

    // Only what this run changed is stored, and what the file did not hold
    // in a form the game reads; the rest of the file stays as it is now.
    const std::vector<SettingRow> keys = setting_rows();
    const std::vector<std::string> now = configured_values();
    std::vector<SettingValue> changes;
    std::vector<std::string> expected = values_in(current);
    for (size_t i = 0; i < keys.size(); i++) {
        if (now[i] == ABSENT || now[i] == settings_file.start[i])
            continue;
        changes.push_back({keys[i].section, keys[i].key, now[i]});
        expected[i] = now[i];
    }
    const std::string text = settings_with_values(current, changes);
    if (exists && text == current)
        return true;
    if (static_cast<long>(text.size()) > MAX_SETTINGS_BYTES)
        why =
            "it would be larger than " + std::to_string(MAX_SETTINGS_BYTES >> 20) + " MB, which the game does not read";
    else if (values_in(text) != expected)
        why = "the settings could not be composed";
    if (!why.empty()) {
        std::cerr << "Settings could not be saved to " << target << ": " << why << std::endl;
        return false;
    }

    struct stat st;
    const bool have_stat = exists && stat(target.c_str(), &st) == 0;
    // A file the player made read-only is not replaced behind their back.
    if (have_stat && ((st.st_mode & 0222) == 0 || (access(target.c_str(), W_OK) != 0 && errno == EACCES))) {
        std::cerr << "Settings file " << target << " is read-only" << NOT_SAVED << std::endl;
        return false;
    }
    bool saved;
    if (have_stat && st.st_nlink > 1) {
        // Replacing it would part it from its other names.
        saved = write_in_place(target, text, current, why);
    } else {
        bool folder_refused = false;
        saved = replace_file(target, text, why, folder_refused);
        if (!saved && folder_refused && exists) {
            const std::string folder_why = why;
            saved = write_in_place(target, text, current, why);
            if (saved)
                std::cerr << "Settings saved in place to " << target << ": its folder cannot be written to ("
                          << folder_why << ")" << std::endl;
        }
    }
    if (!saved)
        std::cerr << "Settings could not be saved to " << target << ": " << why << std::endl;
    return saved;
}

// The value `row` takes from the configuration's text `raw` (null: absent).
static int setting_value(const SettingRow& row, int current, const char* raw)
{
    const std::string v = bare_value(raw);
    long n = 0;
    bool named = false;
    for (int i = row.low; row.name && v != ABSENT && i <= row.high && !named; i++)
        if (row.name(i) && strcasecmp(row.name(i), v.c_str()) == 0)
            n = i, named = true;
    // (The library's own reading would keep only the low 32 bits.)
    if (!named && (v == ABSENT || row.name || !read_whole_number(v, n))) {
        if (row.rule != SettingRow::UNREADABLE_KEEPS_VALUE)
            return row.fallback;
        n = current;
    }
    if (n < row.low || n > row.high || (row.name && !row.name(static_cast<int>(n))))
        return row.fallback;
    return static_cast<int>(n);
}

void read_settings()
{
    for (const SettingRow& row : setting_rows())
        if (row.variable)
            *row.variable = setting_value(row, *row.variable, get_config_string(row.section, row.key, nullptr));
    settle_key_map(key_map);
}

void write_settings()
{
    for (const SettingRow& row : setting_rows()) {
        if (!row.variable)
            continue;
        // Files that never chose such a value stay without the key.
        if (row.rule == SettingRow::FALLBACK_NOT_WRITTEN && *row.variable == row.fallback &&
            !get_config_string(row.section, row.key, nullptr))
            continue;
        if (row.name)
            set_config_string(row.section, row.key, row.name(*row.variable));
        else
            set_config_int(row.section, row.key, *row.variable);
    }
}
