// Settings values that do not fit an int: none of them may wrap round into a
// valid button or song.
#include "settings.h"
#include "test_support.h"
#include <allegro.h>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

const int DEFAULTS[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};

struct Case {
    const char* text;
    int expected;   // -1: the compiled-in button
};

TEST(BadSettingsValues, NumbersBeyondAnIntFallBackInsteadOfWrapping)
{
    headless_init(32);
    const Case cases[] = {
        {"4294967296", -1},            // 2^32: its low 32 bits are 0
        {"4294967299", -1},            // low 32 bits 3
        {"0x100000005", -1},           // low 32 bits 5
        {"-4294967294", -1},           // low 32 bits 2
        {"99999999999999999999999", -1},
        {"", -1},
        {"7", 7},
        {"0x8", 8},
    };
    char path[] = "/tmp/vorlin-badcfg-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream out(path);
        out << "[misc]\ntitle_song = 4294967296\n[controls]\n";
        for (int i = 0; i < NUM_CONTROLS; i++)
            out << "control" << i << " = " << cases[i].text << "\n";
    }
    set_config_file(path);
    for (int i = 0; i < NUM_CONTROLS; i++)
        joystick_controls[i] = DEFAULTS[i];
    title_song = 0;
    read_settings();
    EXPECT_EQ(title_song, 1) << "2^32 is no song 0";
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], cases[i].expected < 0 ? DEFAULTS[i] : cases[i].expected)
            << "control" << i << " = " << cases[i].text;

    // The last case on its own.
    std::ofstream(path) << "[controls]\ncontrol4 = " << cases[NUM_CONTROLS].text << "\n";
    set_config_file(path);
    read_settings();
    EXPECT_EQ(joystick_controls[CONTROL_PAUSE], cases[NUM_CONTROLS].expected);
    set_config_file("/dev/null");
    std::remove(path);
}

} // namespace
