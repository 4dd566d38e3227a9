// Damaged settings files: values that do not fit an int may not wrap round
// into a valid button or song, and bytes the library's reader hangs on are
// repaired before it opens the file.
#include "settings.h"
#include "test_support.h"
#include <allegro.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

const int CONFIG_DEFAULTS[NUM_CONTROLS] = {3, 0, 1, 2, 8, 7, 6};

struct ValueCase {
    const char* text;
    int expected;  // -1: the compiled-in button
};

TEST(BadSettingsValues, NumbersBeyondAnIntFallBackInsteadOfWrapping)
{
    headless_init(32);
    const ValueCase cases[] = {
        {"4294967296", -1},   // 2^32: its low 32 bits are 0
        {"4294967299", -1},   // low 32 bits 3
        {"0x100000005", -1},  // low 32 bits 5
        {"-4294967294", -1},  // low 32 bits 2
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
        joystick_controls[i] = CONFIG_DEFAULTS[i];
    title_song = 0;
    read_settings();
    EXPECT_EQ(title_song, 1) << "2^32 is no song 0";
    for (int i = 0; i < NUM_CONTROLS; i++)
        EXPECT_EQ(joystick_controls[i], cases[i].expected < 0 ? CONFIG_DEFAULTS[i] : cases[i].expected)
            << "control" << i << " = " << cases[i].text;

    // The last case on its own.
    std::ofstream(path) << "[controls]\ncontrol4 = " << cases[NUM_CONTROLS].text << "\n";
    set_config_file(path);
    read_settings();
    EXPECT_EQ(joystick_controls[CONTROL_PAUSE], cases[NUM_CONTROLS].expected);
    set_config_file("/dev/null");
    std::remove(path);
}

}  // namespace

namespace {

TEST(BadSettingsBytes, OnlyWellFormedUtf8IsKept)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"[misc]\ntitle_song = 0\n", "[misc]\ntitle_song = 0\n"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"\xfd\xa9\x97\x9d\xb3\x80", "??????"},  // the bytes the library's reader hangs on
        {"a\xc0\xafz", "a??z"},                  // overlong
        {"\xed\xa0\x80", "???"},                 // surrogate
        {"\xf4\x90\x80\x80", "????"},            // beyond U+10FFFF
        {"\xe2\x82", "??"},                      // cut short at the end
        {"\xc3"
         "A",
            "?A"},  // lead byte without its continuation
        {std::string("x\0y", 3), std::string("x\0y", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(repaired_utf8(c.in), c.out) << c.in;
}

// The library drops the blanks at a line's end one at a time, in time that grows
// with the square of their number: 50000 spaces after a value held the game
// up for minutes. They never reach it; every other byte does.
TEST(BadSettingsBytes, BlanksAtLineEndsNeverReachTheLibrary)
{
    const std::string many(50000, ' ');
    const struct {
        std::string in, out;
    } cases[] = {
        {"[controls]\ncontrol0 = 7" + many + "\ncontrol1 = 2\n", "[controls]\ncontrol0 = 7\ncontrol1 = 2\n"},
        {"control0 = 7 \t\v\f \r\n", "control0 = 7\r\n"},
        {"control0 = 7\t ", "control0 = 7"},
        {many + "\n", "\n"},
        {"\t control0\t=  7 8\n", "\t control0\t=  7 8\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(settings_text(c.in), c.out) << c.in.substr(0, 40);
}

// Before the repair the library never returned from opening this file.
TEST(BadSettingsBytes, AFileTheLibraryHangsOnOpensAndKeepsItsValues)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    headless_init(32);
    // A fixed name: the death test's child runs this test again from its start.
    const char* path = "badinput-hang.cfg";
    const std::string text = "[controls]\ncontrol4 = 5\n\xfd\xa9\x97\x9d\xb3\x80\ncontrol5 = 2\n";
    std::ofstream(path, std::ios::binary) << text;
    const int HANG_LIMIT_S = 10;
    EXPECT_EXIT(
        {
            alarm(HANG_LIMIT_S);
            open_settings_file(path);
            read_settings();
            write_settings();
            save_settings_file();
            std::exit(joystick_controls[CONTROL_PAUSE] == 5 && joystick_controls[CONTROL_NEXT_HUD] == 2 ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    // The save changes only the game's own keys: the line the library could
    // not read stays as the player's bytes, and every value is kept.
    std::ifstream in(path, std::ios::binary);
    const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* line : {"control4 = 5\n\xfd\xa9\x97\x9d\xb3\x80\n", "control5 = 2\n", "control0 = 3\n"})
        EXPECT_NE(stored.find(line), std::string::npos) << line << "in\n" << stored;
    std::remove(path);
}

}  // namespace
