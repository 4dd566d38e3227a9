// The settings file: its path, the defaults, untrusted values and what is kept.
#include "settings.h"
#include "test_support.h"
#include <allegro.h>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

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
    EXPECT_EQ(settings_file_path("C:", "\\Users\\ann", "/home/ann"), "C:\\Users\\ann\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path("C:", nullptr, "/home/ann"), "/home/ann/vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path(nullptr, "\\Users\\ann", nullptr), "c:\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path("C:", nullptr, nullptr), "c:\\vorlin-settings.cfg");
    EXPECT_EQ(settings_file_path(nullptr, nullptr, ""), "c:\\vorlin-settings.cfg");
    const std::string long_home(6000, 'h');
    EXPECT_EQ(settings_file_path(nullptr, nullptr, long_home.c_str()), long_home + "/vorlin-settings.cfg");
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

}  // namespace
