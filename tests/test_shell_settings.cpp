// The settings file: its path, the defaults, untrusted values and what is kept.
#include "quit_request.h"
#include "settings.h"
#include "test_support.h"
#include <allegro.h>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <functional>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int DEFAULTS[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};

class Settings : public ::testing::Test {
protected:
    std::string path;
    void SetUp() override
    {
        headless_init(32);
        char tmpl[] = "/tmp/vorlin-settings-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        path = tmpl;
        for (int i = 0; i < NUM_CONTROLS; i++)
            joystick_controls[i] = DEFAULTS[i];
        title_song = 1;
    }
    void TearDown() override
    {
        set_config_file("/dev/null");
        remove(path.c_str());
    }
    void write_file(const std::string& text)
    {
        std::ofstream(path) << text;
        set_config_file(path.c_str());
    }
    std::string file_text()
    {
        flush_config_file();
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
};

TEST(SettingsPath, ChoosesTheHomeOfThePlatform)
{
    EXPECT_EQ(settings_file_path("C:", "\\Users\\ann", "/home/ann", "/home/ann"), "C:\\Users\\ann\\vorlin-settings.cfg");
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
        EXPECT_EQ(joystick_controls[i], DEFAULTS[i]) << "control " << i;
}

TEST_F(Settings, OneKeyChangesOnlyItsControl)
{
    write_file("[controls]\ncontrol4 = 5\n");
    read_settings();
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], i == CONTROL_PAUSE ? 5 : DEFAULTS[i]) << "control " << i;
}

TEST_F(Settings, UntrustedValuesFallBack)
{
    write_file("[misc]\ntitle_song = 7\n[controls]\ncontrol0 = -1\ncontrol1 = 99999999999999\n"
               "control2 = banana\ncontrol3 = 9\ncontrol5 = 8\ncontrol6 = " + std::string(5000, '7') + "\n");
    read_settings();
    EXPECT_EQ(title_song, 1);
    EXPECT_EQ(joystick_controls[0], DEFAULTS[0]);
    EXPECT_EQ(joystick_controls[1], DEFAULTS[1]);
    EXPECT_EQ(joystick_controls[2], 0) << "no digits read as 0, a valid button";
    EXPECT_EQ(joystick_controls[3], DEFAULTS[3]);
    EXPECT_EQ(joystick_controls[5], 8);
    EXPECT_EQ(joystick_controls[6], DEFAULTS[6]);
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
            joystick_controls[i] = DEFAULTS[i];
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
        {"a link to nothing", [this](const std::string& p) { ASSERT_EQ(symlink((dir + "/gone").c_str(), p.c_str()), 0); }},
        {"a file over the size limit", [&big](const std::string& p) { std::ofstream(p) << big; }},
    };
    for (const Case& c : cases) {
        c.make(path);
        const std::string before = describe(path);
        const std::string said = open_and_read();
        EXPECT_EQ(joystick_controls[CONTROL_PAUSE], DEFAULTS[CONTROL_PAUSE]) << c.what;
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
    for (const char* line : {"# my settings\n", "mine = 1\n", "title_song = 0\n", "control0 = 6\n",
                             "control4 = 5\n", "control6 = 6\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link stays a link";
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the file keeps its permissions";
    EXPECT_EQ(folder().size(), 2u) << "no temporary file is left";

    // The next run reads back what was saved.
    joystick_controls[CONTROL_GAS] = DEFAULTS[CONTROL_GAS];
    open_and_read();
    EXPECT_EQ(joystick_controls[CONTROL_GAS], 6);
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
        EXPECT_EQ(joystick_controls[CONTROL_GAS], run == 0 ? DEFAULTS[CONTROL_GAS] : 6) << "run " << run;
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
    ignore_write_signals();   // as the game: a write past the limit fails, it does not kill
    const std::string original = "[misc]\ntitle_song = 1\n" + std::string(3000, '#') + "\n";
    std::ofstream(path) << original;
    open_and_read();
    struct rlimit old_limit, limit;
    getrlimit(RLIMIT_FSIZE, &old_limit);
    limit = old_limit;
    limit.rlim_cur = original.size() + 20;   // the saved text does not fit
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string said = save();
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_FALSE(saved);
    EXPECT_EQ(read_file(path), original);
    EXPECT_EQ(folder().size(), 1u) << "no temporary file is left";
    EXPECT_EQ(said.rfind("Settings could not be saved to " + path + ": ", 0), 0u) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;

    // A home folder that is gone by the time of the save.
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    const std::string gone = save();
    EXPECT_FALSE(saved);
    EXPECT_EQ(gone.rfind("Settings could not be saved to " + path + ": ", 0), 0u) << gone;
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
}

}  // namespace
