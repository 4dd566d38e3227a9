// The settings file: its path, the defaults, untrusted values and what is kept.
#include "display.h"
#include "quit_request.h"
#include "settings.h"
#include "test_config_file.h"
#include "test_support.h"
#include <allegro.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstddef>
#include <dirent.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <functional>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const int DEFAULT_CONTROLS[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};

class Settings : public ConfigFileTest {
protected:
    void SetUp() override
    {
        ConfigFileTest::SetUp();
        for (int i = 0; i < NUM_CONTROLS; i++)
            joystick_controls[i] = DEFAULT_CONTROLS[i];
        title_song = 1;
    }
};

TEST(SettingsPath, ChoosesTheHomeOfThePlatform)
{
    EXPECT_EQ(
        settings_file_path("C:", "\\Users\\ann", "/home/ann", "/home/ann"), "C:\\Users\\ann\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path("C:", nullptr, "/home/ann", "/home/bob"), "/home/ann/vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path(nullptr, "\\Users\\ann", nullptr, nullptr), "c:\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path("C:", nullptr, nullptr, nullptr), "c:\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path(nullptr, nullptr, "", ""), "c:\\vorlin-settings.cfg");
    const std::string long_home(6000, 'h');
    EXPECT_EQ(settings_file_path(nullptr, nullptr, long_home.c_str(), nullptr), long_home + "/vorlin-settings.cfg");
    // HOME unset or empty: the home the password database gives.
    EXPECT_EQ(settings_file_path(nullptr, nullptr, nullptr, "/home/bob"), "/home/bob/vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path(nullptr, nullptr, "", "/home/bob"), "/home/bob/vorlin-settings.cfg");
}

TEST_F(Settings, EmptyFileGivesTheDefaults)
{
    write_file("");
    read_settings();
    EXPECT_EQ(title_song, 1);
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], DEFAULT_CONTROLS[i]) << "control " << i;
}

TEST_F(Settings, OneKeyChangesOnlyItsControl)
{
    write_file("[controls]\ncontrol4 = 5\n");
    read_settings();
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], i == CONTROL_PAUSE ? 5 : DEFAULT_CONTROLS[i]) << "control " << i;
}

TEST_F(Settings, UntrustedValuesFallBack)
{
    write_file("[misc]\ntitle_song = 7\n[controls]\ncontrol0 = -1\ncontrol1 = 99999999999999\n"
               "control2 = banana\ncontrol3 = 9\ncontrol5 = 8\ncontrol6 = " +
        std::string(5000, '7') + "\n");
    read_settings();
    EXPECT_EQ(title_song, 1);
    EXPECT_EQ(joystick_controls[0], DEFAULT_CONTROLS[0]);
    EXPECT_EQ(joystick_controls[1], DEFAULT_CONTROLS[1]);
    EXPECT_EQ(joystick_controls[2], DEFAULT_CONTROLS[2]) << "no number: the default";
    EXPECT_EQ(joystick_controls[3], DEFAULT_CONTROLS[3]);
    EXPECT_EQ(joystick_controls[5], 8);
    EXPECT_EQ(joystick_controls[6], DEFAULT_CONTROLS[6]);
}

TEST_F(Settings, NumbersAreReadInDecimalAroundSpacesAndComments)
{
    const struct {
        const char* value;
        int button;  // -1: the default
    } cases[] = {
        {"08", 8},
        {"007", 7},
        {" 5", 5},
        {"5   ", 5},
        {"5 # my gas", 5},
        {"5\t#x", 5},
        {"+4", 4},
        {"-0", 0},
        {"abc", -1},
        {"0x8", -1},
        {"1e3", -1},
        {"5x", -1},
        {"5#x", -1},
        {"# 5", -1},
        {"- 5", -1},
        {"", -1},
    };
    for (const auto& c : cases) {
        write_file(std::string("[controls]\ncontrol4 = ") + c.value + "\n");
        joystick_controls[CONTROL_PAUSE] = DEFAULT_CONTROLS[CONTROL_PAUSE];
        read_settings();
        EXPECT_EQ(joystick_controls[CONTROL_PAUSE], c.button < 0 ? DEFAULT_CONTROLS[CONTROL_PAUSE] : c.button)
            << "'" << c.value << "'";
    }
    write_file("[misc]\ntitle_song = 00 # the first song\n");
    read_settings();
    EXPECT_EQ(title_song, 0);
}

TEST_F(Settings, WritingKeepsOtherKeysAndStoresEveryControl)
{
    write_file("[misc]\nwongame = 51234123\ntitle_song = 0\n");
    read_settings();
    EXPECT_EQ(title_song, 0);
    joystick_controls[CONTROL_SHOOT] = 4;
    write_settings();
    const std::string text = file_text();
    EXPECT_NE(text.find("wongame = 51234123"), std::string::npos) << text;
    EXPECT_NE(text.find("title_song = 0"), std::string::npos) << text;
    const int expected[NUM_CONTROLS] = {3, 4, 1, 2, 8, 7, 6};
    for (int i = 0; i < NUM_CONTROLS; i++) {
        const std::string line = "control" + std::to_string(i) + " = " + std::to_string(expected[i]);
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    }
}

// Every row of the settings table, read from a file that holds its key: the
// top of its range is taken, one past it and text that is no number are not.
TEST_F(Settings, EveryRowTakesItsRangeAndRefusesTheRest)
{
    for (const SettingRow& row : setting_rows()) {
        if (!row.variable)
            continue;
        const std::string where = std::string(row.section) + "/" + row.key;
        const int kept = *row.variable;
        const int unreadable = row.rule == SettingRow::UNREADABLE_KEEPS_VALUE ? kept : row.fallback;
        EXPECT_GE(row.fallback, row.low) << where;
        EXPECT_LE(row.fallback, row.high) << where;
        // Rows of names (the keyboard mapping) are given the names of their values.
        const auto text = [&row](int v) { return row.name && row.name(v) ? row.name(v) : std::to_string(v); };
        const struct {
            std::string value;
            int expected;
        } cases[] = {{text(row.high), row.high}, {text(row.low), row.low}, {std::to_string(row.high + 1), row.fallback},
            {std::to_string(row.low - 1), row.fallback}, {std::to_string(row.low) + "x", unreadable},
            {"x" + std::to_string(row.low), unreadable}, {" ", unreadable}, {"1 2", unreadable}};
        for (const auto& c : cases) {
            *row.variable = kept;
            write_file("[" + std::string(row.section) + "]\n" + row.key + " = " + c.value + "\n");
            read_settings();
            EXPECT_EQ(*row.variable, c.expected) << where << " = \"" << c.value << '"';
        }
        *row.variable = kept;
    }
}

// A scratch home folder for the settings file the game opens and saves.
class SettingsFile : public ::testing::Test {
protected:
    std::string dir;
    std::string path;
    void SetUp() override
    {
        headless_init(32);
        char tmpl[] = "/tmp/vorlin-home-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        path = dir + "/vorlin-settings.cfg";
        for (int i = 0; i < NUM_CONTROLS; i++)
            joystick_controls[i] = DEFAULT_CONTROLS[i];
        title_song = 1;
    }
    void TearDown() override
    {
        set_config_data("", 0);
        ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    }
    static std::string read_file(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    std::vector<std::string> folder() const
    {
        std::vector<std::string> names;
        DIR* d = opendir(dir.c_str());
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
        return names;
    }
    // What is at p: its kind, where it links to, its size and its bytes.
    static std::string describe(const std::string& p)
    {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0)
            return "nothing";
        std::string d = std::to_string(st.st_mode & S_IFMT) + " " + std::to_string(st.st_size);
        char target[4096];
        const ssize_t n = readlink(p.c_str(), target, sizeof target);
        if (n > 0)
            d += " -> " + std::string(target, n);
        if (S_ISREG(st.st_mode))
            d += " " + read_file(p);
        return d;
    }
    // Opens the settings file as start-up does; what it said on standard error.
    std::string open_and_read()
    {
        testing::internal::CaptureStderr();
        open_settings_file(path);
        read_settings();
        return testing::internal::GetCapturedStderr();
    }
    std::string save()
    {
        write_settings();
        testing::internal::CaptureStderr();
        saved = save_settings_file();
        return testing::internal::GetCapturedStderr();
    }
    bool saved = false;
};

TEST_F(SettingsFile, AnythingButARegularFileGivesTheDefaultsAndIsLeftAlone)
{
    const std::string big = "[controls]\ncontrol4 = 5\n" + std::string(MAX_SETTINGS_BYTES, '#') + "\n";
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { mkdir(p.c_str(), 0755); }},
        {"a FIFO", [](const std::string& p) { mkfifo(p.c_str(), 0644); }},
        {"a link to a device", [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); }},
        {"a link to nothing",
            [this](const std::string& p) { ASSERT_EQ(symlink((dir + "/gone").c_str(), p.c_str()), 0); }},
        {"a file over the size limit", [&big](const std::string& p) { std::ofstream(p) << big; }},
    };
    for (const Case& c : cases) {
        c.make(path);
        const std::string before = describe(path);
        const std::string said = open_and_read();
        EXPECT_EQ(joystick_controls[CONTROL_PAUSE], DEFAULT_CONTROLS[CONTROL_PAUSE]) << c.what;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.what << ": " << said;
        EXPECT_EQ(said.rfind("Settings file " + path + " ", 0), 0u) << c.what << ": " << said;
        title_song = 0;
        EXPECT_EQ(save(), "") << c.what;
        EXPECT_TRUE(saved) << c.what;
        EXPECT_EQ(describe(path), before) << c.what;
        EXPECT_EQ(describe(dir + "/gone"), "nothing") << c.what;
        ASSERT_EQ(std::system(("rm -rf '" + path + "'").c_str()), 0);
    }
}

TEST_F(SettingsFile, SavingReplacesTheFileWholeAndKeepsWhatThePlayerWrote)
{
    const std::string original = "# my settings\n[misc]\ntitle_song = 0\nmine = 1\n\n[controls]\ncontrol4 = 5\n";
    std::ofstream(path) << original;
    chmod(path.c_str(), 0640);
    // The player keeps the file elsewhere and links to it.
    const std::string real = dir + "/kept.cfg";
    ASSERT_EQ(rename(path.c_str(), real.c_str()), 0);
    ASSERT_EQ(symlink("kept.cfg", path.c_str()), 0);

    EXPECT_EQ(open_and_read(), "");
    EXPECT_EQ(joystick_controls[CONTROL_PAUSE], 5);
    EXPECT_EQ(read_file(real), original) << "nothing changes on disk before the save";
    joystick_controls[CONTROL_GAS] = 6;
    EXPECT_EQ(save(), "");
    EXPECT_TRUE(saved);

    const std::string text = read_file(real);
    for (const char* line :
        {"# my settings\n", "mine = 1\n", "title_song = 0\n", "control0 = 6\n", "control4 = 5\n", "control6 = 6\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file keeps its permissions";
    EXPECT_EQ(folder().size(), 2u) << "no temporary file is left";

    // The next run reads back what was saved.
    joystick_controls[CONTROL_GAS] = DEFAULT_CONTROLS[CONTROL_GAS];
    open_and_read();
    EXPECT_EQ(joystick_controls[CONTROL_GAS], 6);
}

// The scale is a row of the table like the others: a change of it is saved,
// and the save's check covers it.
TEST_F(SettingsFile, AChangedScaleIsSavedAndReadBack)
{
    std::ofstream(path) << "[misc]\ntitle_song = 0\nscale = 2\n";
    EXPECT_EQ(open_and_read(), "");
    EXPECT_EQ(scale_setting, 2);
    scale_setting = 4;
    EXPECT_EQ(save(), "");
    EXPECT_TRUE(saved);
    EXPECT_NE(read_file(path).find("scale = 4\n"), std::string::npos) << read_file(path);
    scale_setting = SCALE_AUTOMATIC;
    open_and_read();
    EXPECT_EQ(scale_setting, 4);
    scale_setting = SCALE_AUTOMATIC;
}

TEST_F(SettingsFile, AByteOrderMarkIsReadThrough)
{
    std::ofstream(path) << "\xEF\xBB\xBF[controls]\ncontrol4 = 5\n[misc]\ntitle_song = 0\n";
    open_and_read();
    EXPECT_EQ(joystick_controls[CONTROL_PAUSE], 5);
    EXPECT_EQ(title_song, 0);
    save();
    const std::string text = read_file(path);
    EXPECT_EQ(text.find("[controls]"), text.rfind("[controls]")) << "one controls section\n" << text;
    EXPECT_EQ(text.find("control4 = 5"), text.rfind("control4 = ")) << text;
}

TEST_F(SettingsFile, NewKeysStayInTheirSectionRunAfterRun)
{
    // Another section right after the controls, with no blank line between.
    std::ofstream(path) << "[controls]\ncontrol4 = 5\n[other]\nx = y\n# note\n[misc]\ntitle_song = 0\n";
    size_t size = 0;
    for (int run = 0; run < 3; run++) {
        open_and_read();
        EXPECT_EQ(joystick_controls[CONTROL_GAS], run == 0 ? DEFAULT_CONTROLS[CONTROL_GAS] : 6) << "run " << run;
        EXPECT_EQ(joystick_controls[CONTROL_PAUSE], 5) << "run " << run;
        joystick_controls[CONTROL_GAS] = 6;
        save();
        const std::string text = read_file(path);
        EXPECT_EQ(text.find("control0 = "), text.rfind("control0 = ")) << "run " << run << "\n" << text;
        EXPECT_LT(text.find("control0 = "), text.find("[other]")) << "run " << run << "\n" << text;
        EXPECT_NE(text.find("x = y\n# note\n"), std::string::npos) << text;
        if (run > 0) {
            EXPECT_EQ(text.size(), size) << "the file does not grow from run to run";
        }
        size = text.size();
    }
}

TEST_F(SettingsFile, AFailedSaveLeavesTheOldFileAndSaysSoOnce)
{
    ignore_write_signals();  // as the game: a write past the limit fails, it does not kill
    const std::string original = "[misc]\ntitle_song = 1\n" + std::string(3000, '#') + "\n";
    std::ofstream(path) << original;
    open_and_read();
    struct rlimit old_limit, limit;
    getrlimit(RLIMIT_FSIZE, &old_limit);
    limit = old_limit;
    limit.rlim_cur = original.size() + 20;  // the saved text does not fit
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string said = save();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_FALSE(saved);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(folder().size(), 1u) << "no temporary file is left";
    EXPECT_EQ(said.rfind("Settings could not be saved to " + path + ": ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    // Files limited from the start (as by ulimit -f), to less than the file
    // (but room for what standard error's capture takes): the message gives
    // the system's reason.
    limit.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &limit);
    open_and_read();
    const std::string no_room = save();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_FALSE(saved);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(no_room, "Settings could not be saved to " + path + ": " + strerror(EFBIG) + "\n");

    // A home folder that is gone by the time of the save.
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    const std::string gone = save();
    EXPECT_FALSE(saved);
    EXPECT_EQ(gone.rfind("Settings could not be saved to " + path + ": ", 0), 0u) << gone;
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
}

TEST_F(SettingsFile, ASaveChangesOnlyWhatThisRunChangedAndKeepsCommentsOnValueLines)
{
    std::ofstream(path) << "[misc]\ntitle_song = 1\n\n[controls]\ncontrol0 = 5 # my gas\ncontrol4 = 8\n";
    open_and_read();
    EXPECT_EQ(joystick_controls[CONTROL_GAS], 5);
    // While the game runs, the player adds a key and a second copy of the
    // game saves its own pause button.
    std::ofstream(path) << "[misc]\ntitle_song = 1\nmine = 2\n\n[controls]\ncontrol0 = 5 # my gas\ncontrol4 = 6\n";
    joystick_controls[CONTROL_GAS] = 7;
    title_song = 0;
    EXPECT_EQ(save(), "");
    EXPECT_TRUE(saved);
    const std::string text = read_file(path);
    for (const char* line : {"title_song = 0\n", "mine = 2\n", "control0 = 7 # my gas\n", "control4 = 6\n",
             "control1 = 0\n", "control6 = 6\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
    EXPECT_LT(text.find("control6 = "), text.size()) << text;
    EXPECT_LT(text.find("mine = 2"), text.find("[controls]")) << text;
}

TEST_F(SettingsFile, NewValuesGoWhereTheLibraryReadsThem)
{
    const std::vector<SettingValue> values = {{"controls", "control0", "7"}, {"misc", "title_song", "0"}};
    const struct {
        const char* file;
        const char* saved;
    } cases[] = {
        {"", "[controls]\ncontrol0 = 7\n\n[misc]\ntitle_song = 0\n"},
        {"# mine", "# mine\n\n[controls]\ncontrol0 = 7\n\n[misc]\ntitle_song = 0\n"},
        {"[CONTROLS]\r\nControl0=3\r\n[Misc]\r\n", "[CONTROLS]\r\nControl0=7\r\n[Misc]\r\ntitle_song = 0\r\n"},
        {"[controls]\ncontrol0\n# end\n[misc]\ntitle_song = # none\n",
            "[controls]\ncontrol0 = 7\n# end\n[misc]\ntitle_song = 0 # none\n"},
        {"[misc]\nx = 1\n# about controls\n[controls]\nc = 1\n[other]\ncontrol0 = 1\n[controls]\n",
            "[misc]\nx = 1\ntitle_song = 0\n# about controls\n[controls]\nc = 1\ncontrol0 = 7\n[other]\ncontrol0 = "
            "1\n[controls]\n"},
        {"[controls]\ncontrol0 = 1\n[controls]\ncontrol0 = 2\n[misc]\ntitle_song = 1",
            "[controls]\ncontrol0 = 7\n[controls]\ncontrol0 = 2\n[misc]\ntitle_song = 0"},
        {"control0 = 1\n[controls]", "control0 = 1\n[controls]\ncontrol0 = 7\n\n[misc]\ntitle_song = 0\n"},
    };
    for (const auto& c : cases) {
        const std::string out = settings_with_values(c.file, values);
        EXPECT_EQ(out, c.saved) << "from:\n" << c.file;
        const std::string text = settings_text(out);
        set_config_data(text.data(), static_cast<int>(text.size()));
        EXPECT_STREQ(get_config_string("controls", "control0", ""), "7") << out;
        EXPECT_EQ(get_config_int("misc", "title_song", -1), 0) << out;
    }
}

TEST_F(SettingsFile, AReadOnlyFileIsNotSavedAndSaysSoOnce)
{
    const std::string original = "[misc]\ntitle_song = 1\n";
    const std::string real = dir + "/kept.cfg";
    for (bool through_link : {false, true}) {
        SCOPED_TRACE(through_link ? "through a link" : "directly");
        std::ofstream(through_link ? real : path) << original;
        if (through_link) {
            ASSERT_EQ(symlink("kept.cfg", path.c_str()), 0);
        }
        chmod((through_link ? real : path).c_str(), 0444);
        open_and_read();
        title_song = 0;
        const std::string said = save();
        EXPECT_FALSE(saved);
        EXPECT_EQ(read_file(path), original);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find(" is read-only"), std::string::npos) << said;
        EXPECT_EQ(describe(path).find(std::to_string(S_IFLNK)) == 0, through_link);
        ASSERT_EQ(std::system(("rm -f '" + path + "' '" + real + "'").c_str()), 0);
    }
}

TEST_F(SettingsFile, AHardLinkedFileStaysLinked)
{
    std::ofstream(path) << "[misc]\ntitle_song = 1\n";
    const std::string other = dir + "/other-name.cfg";
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    open_and_read();
    joystick_controls[CONTROL_BRAKE] = 4;
    EXPECT_EQ(save(), "");
    EXPECT_TRUE(saved);
    struct stat a, b;
    ASSERT_EQ(stat(path.c_str(), &a), 0);
    ASSERT_EQ(stat(other.c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino) << "the two names are still one file";
    EXPECT_EQ(a.st_nlink, 2u);
    EXPECT_NE(read_file(other).find("control2 = 4\n"), std::string::npos) << read_file(other);
    EXPECT_EQ(folder().size(), 2u) << "no temporary file is left";
}

TEST_F(SettingsFile, NoSaveMakesAFileTheGameWouldRefuse)
{
    // Just under the limit: the keys a save adds would take it over.
    std::string original = "[misc]\ntitle_song = 1\n";
    original += std::string(MAX_SETTINGS_BYTES - original.size() - 40, '#') + "\n";
    std::ofstream(path) << original;
    open_and_read();
    const std::string said = save();
    EXPECT_FALSE(saved);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("larger than 1 MB"), std::string::npos) << said;
}

TEST_F(SettingsFile, LeftoversOfAKilledSaveAreRemoved)
{
    std::ofstream(path) << "[misc]\ntitle_song = 1\n";
    struct Leftover {
        const char* name;
        bool old;
        bool removed;
    };
    const Leftover files[] = {
        {".vorlin-settings.cfg.Ab12Cd", true, true},    // what a killed save leaves
        {".vorlin-settings.cfg.Zz99Zz", false, false},  // perhaps another copy's save under way
        {".vorlin-settings.cfg.mine", true, false},     // not a name a save makes
        {"vorlin-settings.cfg.Ab12Cd", true, false},
    };
    for (const Leftover& f : files) {
        std::ofstream(dir + "/" + f.name) << "half a file";
        if (f.old) {
            const timeval long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
            ASSERT_EQ(utimes((dir + "/" + f.name).c_str(), long_ago), 0);
        }
    }
    open_and_read();
    title_song = 0;
    EXPECT_EQ(save(), "");
    for (const Leftover& f : files)
        EXPECT_EQ(access((dir + "/" + f.name).c_str(), F_OK) != 0, f.removed) << f.name;
}

// Runs `body` in a child process as an ordinary user (the superuser passes
// every permission check); what it writes on standard error comes back, and
// its exit code. With `hide_proc` (for the superuser only) the child sees an
// empty /proc, as in a sandbox that hides it.
std::pair<int, std::string> as_ordinary_user(const std::function<int()>& body, bool hide_proc = false)
{
    int out[2];
    if (pipe(out) != 0)
        return {-1, "no pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        close(out[0]);
        dup2(out[1], STDERR_FILENO);
        if (hide_proc && geteuid() == 0 &&
            (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("vorlin-test", "/proc", "tmpfs", 0, nullptr) != 0))
            _exit(96);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(98);
        _exit(body());
    }
    close(out[1]);
    std::string said;
    char buf[512];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        said.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, said};
}

TEST_F(SettingsFile, AFolderThatCannotBeWrittenFallsBackToACarefulWriteInPlace)
{
    const std::string original = "# mine\n[misc]\ntitle_song = 1\n";
    std::ofstream(path) << original;
    // The player may write the file but not the folder.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
    chmod(path.c_str(), 0644);
    chmod(dir.c_str(), 0555);
    const auto [code, said] = as_ordinary_user([this] {
        open_settings_file(path);
        read_settings();
        joystick_controls[CONTROL_SHOOT] = 5;
        write_settings();
        return save_settings_file() ? 0 : 1;
    });
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(code, 0) << said;
    const std::string text = read_file(path);
    EXPECT_EQ(text.rfind(original, 0), 0u) << text;
    EXPECT_NE(text.find("control1 = 5\n"), std::string::npos) << text;
    EXPECT_EQ(said.rfind("Settings saved in place to " + path + ": its folder cannot be written to (", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(folder().size(), 1u);

    // Nothing there yet: nothing can be made.
    ASSERT_EQ(remove(path.c_str()), 0);
    chmod(dir.c_str(), 0555);
    const auto [code2, said2] = as_ordinary_user([this] {
        open_settings_file(path);
        write_settings();
        return save_settings_file() ? 0 : 1;
    });
    chmod(dir.c_str(), 0700);
    EXPECT_EQ(code2, 1);
    EXPECT_EQ(said2.rfind("Settings could not be saved to " + path + ": Permission denied\n", 0), 0u) << said2;
    EXPECT_TRUE(folder().empty());
}

// Refuses one system call with ENOSYS from here on, as a sandbox does.
bool refuse_system_call(int number)
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(number), 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program = {static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

TEST_F(SettingsFile, SavesWithoutProcAndWithoutMemoryFiles)
{
    std::ofstream(path) << "[misc]\ntitle_song = 1\n";
    if (geteuid() == 0) {
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
    const auto [code, said] = as_ordinary_user(
        [this] {
            if (!refuse_system_call(__NR_memfd_create))
                return 97;
            open_settings_file(path);
            read_settings();
            joystick_controls[CONTROL_REVERSE] = 6;
            write_settings();
            return save_settings_file() ? 0 : 1;
        },
        true);
    EXPECT_EQ(code, 0) << said;
    EXPECT_EQ(said, "");
    EXPECT_NE(read_file(path).find("control3 = 6\n"), std::string::npos) << read_file(path);
}

}  // namespace
