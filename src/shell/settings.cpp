// The settings file: read once at start-up, written back safely at shutdown.
#include "settings.h"
#include "display.h"
#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

const int default_joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
int joystick_controls[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};
const char* const control_labels[NUM_CONTROLS] = {
    "Gas", "Shoot", "Brake", "Reverse", "Pause", "Next Hud", "Prev. Hud"};
int title_song = 1;

static const int DEFAULT_TITLE_SONG = 1;
static const char* const FALLBACK_SETTINGS_PATH = "c:\\vorlin-settings.cfg";

std::string settings_file_path(const char* homedrive, const char* homepath, const char* home,
                               const char* account_home)
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
    return settings_file_path(getenv("HOMEDRIVE"), getenv("HOMEPATH"), getenv("HOME"),
                              account ? account->pw_dir : nullptr);
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

namespace {

// The settings file of this run, as open_settings_file found it.
struct SettingsFile {
    std::string path;          // where the player's settings live
    std::string save_path;     // the file a save replaces: path, or the file a link at path names
    bool save_allowed = false; // false: what is at path must not be written
    bool exists = false;       // a regular file was read at start-up
    std::string on_disk;       // its bytes then
    int stage_fd = -1;         // the in-memory file that is the library's configuration file
};
SettingsFile settings_file;

enum class Found { MISSING, READ, UNUSABLE };

std::string error_text(int err) { return std::strerror(err); }

// Reads the settings file at `path` into `bytes`; for an unusable one `why`
// says what is wrong. Nothing but a regular file is ever opened (a FIFO would
// block, a device could have no end), and reading stops soon after the size
// limit even if the file grows meanwhile.
Found read_settings_bytes(const std::string& path, std::string& bytes, std::string& why)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        const int err = errno;
        if ((err == ENOENT || err == ENOTDIR) && lstat(path.c_str(), &st) != 0)
            return Found::MISSING;
        why = err == ENOENT ? "is a link to nothing" : "cannot be read (" + error_text(err) + ")";
        return Found::UNUSABLE;
    }
    const std::string too_large = "is larger than " + std::to_string(MAX_SETTINGS_BYTES >> 20) + " MB";
    if (!S_ISREG(st.st_mode)) {
        why = "is not a regular file";
        return Found::UNUSABLE;
    }
    if (st.st_size > MAX_SETTINGS_BYTES) {
        why = too_large;
        return Found::UNUSABLE;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot be read (" + error_text(errno) + ")";
        return Found::UNUSABLE;
    }
    Found found = Found::READ;
    // Replaced by something else since the look above?
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "is not a regular file";
        found = Found::UNUSABLE;
    }
    char chunk[65536];
    while (found == Found::READ) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            why = "cannot be read (" + error_text(errno) + ")";
            found = Found::UNUSABLE;
        } else if (n == 0) {
            break;
        } else {
            bytes.append(chunk, static_cast<size_t>(n));
            if (static_cast<long>(bytes.size()) > MAX_SETTINGS_BYTES) {
                why = too_large;
                found = Found::UNUSABLE;
            }
        }
    }
    close(fd);
    if (found != Found::READ)
        bytes.clear();
    return found;
}

bool write_all(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string stage_name(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Hands `text` to the library as its configuration file, kept in memory: the
// library rewrites its file in place whenever it flushes, which on a full disk
// would cut the player's file short. False if no such file can be made (the
// library then gets the text alone, and nothing can be saved).
bool stage_config(const std::string& text)
{
    const int fd = memfd_create("vorlin-settings", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string name = stage_name(fd);
    if (!write_all(fd, text) || access(name.c_str(), R_OK | W_OK) != 0) {
        close(fd);
        return false;
    }
    settings_file.stage_fd = fd;
    set_config_file(name.c_str());
    return true;
}

// The library's configuration as it would write it, after checking that it
// was written whole: it reports no write errors of its own.
bool staged_text(std::string& text, std::string& why)
{
    why = "the settings could not be composed";
    if (settings_file.stage_fd < 0)
        return false;
    // The keys the game stores, as the library holds them now.
    struct Entry { const char* section; std::string key; std::string value; };
    std::vector<Entry> entries = {{"misc", "title_song", ""}, {"misc", "wongame", ""}};
    for (int i = 0; i < NUM_CONTROLS; i++)
        entries.push_back({"controls", "control" + std::to_string(i), ""});
    for (Entry& e : entries) {
        const char* v = get_config_string(e.section, e.key.c_str(), nullptr);
        e.value = v ? v : "\n(none)";
    }
    flush_config_file();
    const int fd = settings_file.stage_fd;
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    text.assign(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = pread(fd, &text[done], text.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    struct rlimit limit;
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(text.size()) >= limit.rlim_cur) {
        why = error_text(EFBIG);
        return false;
    }
    // Read back, the text must give every stored key as it was held.
    push_config_state();
    set_config_data(text.data(), static_cast<int>(text.size()));
    bool whole = true;
    for (const Entry& e : entries) {
        const char* v = get_config_string(e.section, e.key.c_str(), nullptr);
        whole = whole && (v ? v : "\n(none)") == e.value;
    }
    pop_config_state();
    return whole;
}

// Replaces `target` by a file holding `bytes` without ever leaving it half
// written: a temporary file beside it is written, synced and renamed over it.
bool write_file_safely(const std::string& target, const std::string& bytes, std::string& why)
{
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";
    const int fd = mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0) {
        why = error_text(errno);
        return false;
    }
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
    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    int err = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        why = error_text(err);
        unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int dir_fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return true;
}

} // namespace

std::string settings_text(const std::string& bytes)
{
    // Editors that save UTF-8 with a byte-order mark put it before the first
    // section's name, where the library would take it for part of the name.
    static const std::string BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    const size_t start = bytes.compare(0, BYTE_ORDER_MARK.size(), BYTE_ORDER_MARK) == 0 ? BYTE_ORDER_MARK.size() : 0;
    const std::string text = repaired_utf8(bytes.substr(start));

    // The library adds a key its section lacks after the section's last line
    // that is followed by a blank line or the end of the file: past any later
    // section not set off by a blank line, where the next run does not find
    // it (and adds it once more). A blank line before every section name
    // keeps new keys in their own section.
    std::string sections;
    sections.reserve(text.size() + 64);
    bool previous_blank = true;   // nothing to set off before the first line
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
    size_t column = 0;   // bytes of the line so far, as the reader counts them
    size_t buffer = READER_FIRST_BUFFER;
    for (size_t pos = 0; pos < sections.size();) {
        const unsigned char lead = sections[pos];
        if (lead == '\n' || lead == '\r') {   // both end a line for the reader
            out += static_cast<char>(lead);
            column = 0;
            buffer = READER_FIRST_BUFFER;
            ++pos;
            continue;
        }
        const size_t width = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;   // well-formed here
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
    if (settings_file.stage_fd >= 0) {
        // The library lets go of the old file before its number can be reused.
        set_config_data("", 0);
        close(settings_file.stage_fd);
    }
    settings_file = SettingsFile();
    settings_file.path = path;
    settings_file.save_path = path;

    std::string bytes, why;
    const Found found = read_settings_bytes(path, bytes, why);
    if (found == Found::UNUSABLE) {
        std::cerr << "Settings file " << path << " " << why
                  << ": the defaults are used and the file is left alone" << std::endl;
        set_config_data("", 0);
        return;
    }
    settings_file.save_allowed = true;
    if (found == Found::READ) {
        settings_file.exists = true;
        settings_file.on_disk = bytes;
        // A link is kept: the file it names is the one replaced.
        char* real = realpath(path.c_str(), nullptr);
        if (real) {
            settings_file.save_path = real;
            free(real);
        }
    }
    const std::string text = settings_text(bytes);
    if (!stage_config(text))
        set_config_data(text.data(), static_cast<int>(text.size()));
}

bool save_settings_file()
{
    if (!settings_file.save_allowed)
        return true;
    std::string text, why;
    if (staged_text(text, why)) {
        if (settings_file.exists && text == settings_file.on_disk)
            return true;
        if (write_file_safely(settings_file.save_path, text, why)) {
            settings_file.exists = true;
            settings_file.on_disk = text;
            return true;
        }
    }
    std::cerr << "Settings could not be saved to " << settings_file.save_path << ": " << why << std::endl;
    return false;
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
