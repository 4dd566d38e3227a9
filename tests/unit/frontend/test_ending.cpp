// The ending: reading the timing file (including broken ones), the pictures'
// switches on their ticks, the ESC+F skip, the "wongame" mark, a missing
// archive, and the notice shown without music.
#include "datidx.h"
#include "menu.h"
#include "test_menu_support.h"
#include "pacing.h"
#include <climits>
#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

FILE* file_with(const std::string& bytes)
{
    FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return f;
}

TEST(EndingCues, LinesAreReadRobustly)
{
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::pair<char, int>> cues;
    };
    const std::string long_line = "X " + std::string(300, '7') + "\n";
    const Case cases[] = {
        {"plain lines", "U 100\nX 200\n", {{'U', 100}, {'X', 200}}},
        {"last line without a line feed", "U 100\nX 200", {{'U', 100}, {'X', 200}}},
        {"no number", "U\nX \nU x\n", {{'U', 0}, {'X', 0}, {'U', 0}}},
        {"separator is any character", "U:42\nUU7\n", {{'U', 42}, {'U', 7}}},
        {"leading blanks and trailing text", "X   15 frames\n", {{'X', 15}}},
        {"negative tick never reachable", "U -5\n", {{'U', 0}}},
        {"number too large is clamped", "U 99999999999999999999\n", {{'U', INT_MAX}}},
        {"a too long line is one line", long_line + "U 300\n", {{'X', INT_MAX}, {'U', 300}}},
        {"empty lines", "\n\nU 3\n", {{'\n', 0}, {'\n', 0}, {'U', 3}}},
        {"zero bytes inside a long line", std::string("U 5\0zz", 6) + std::string(300, '\0') + "\nX 9\n",
            {{'U', 5}, {'X', 9}}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        FILE* f = file_with(c.file);
        char kind;
        int tick;
        for (auto& cue : c.cues) {
            ASSERT_TRUE(read_ending_cue(f, &kind, &tick)) << c.what;
            EXPECT_EQ(kind, cue.first) << c.what;
            EXPECT_EQ(tick, cue.second) << c.what;
        }
        EXPECT_FALSE(read_ending_cue(f, &kind, &tick)) << c.what << ": nothing more";
        std::fclose(f);
    }
}

TEST(EndingCues, BinaryGarbageIsReadToTheEndWithoutHarm)
{
    std::string junk;
    unsigned v = 12345;
    for (int i = 0; i < 20000; i++) {
        v = v * 1103515245u + 12345u;
        junk.push_back(static_cast<char>(v >> 16));
    }
    FILE* f = file_with(junk);
    char kind;
    int tick;
    int lines = 0;
    while (read_ending_cue(f, &kind, &tick)) {
        EXPECT_GE(tick, 0);
        lines++;
    }
    EXPECT_GT(lines, 0);
    std::fclose(f);
}

TEST(EndingCues, KindUSelectsTheFirstPicture)
{
    EXPECT_EQ(ending_picture_for('U'), BMP_ENDING_0);
    EXPECT_EQ(ending_picture_for('u'), BMP_ENDING_1);
    EXPECT_EQ(ending_picture_for('X'), BMP_ENDING_1);
    EXPECT_EQ(ending_picture_for('\0'), BMP_ENDING_1);
}

class EndingTest : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        pictures = load_datafile("data/ending.dat");
        ASSERT_NE(pictures, nullptr) << "build the gamedata target first";
        no_mp3 = false;
    }
    void TearDown() override
    {
        if (pictures)
            unload_datafile(pictures);
        no_mp3 = true;
        FrontendTest::TearDown();
    }
    // The picture shown after max_ticks ticks of the ending with this timing
    // file; the frames are drawn where nobody looks unless `frames_seen`.
    int shown_after(const std::string& times, int max_ticks)
    {
        FILE* f = file_with(times);
        std::optional<FramesUnseen> unseen;
        if (!frames_seen)
            unseen.emplace();
        const int shown = run_musical_ending(f, pictures, max_ticks);
        std::fclose(f);
        return shown;
    }
    DATAFILE* pictures = nullptr;
    bool frames_seen = false;
};

TEST_F(EndingTest, PicturesSwitchInTheTickOnTheirLine)
{
    const std::string spec_example = "U 100\nX 200\n";
    EXPECT_EQ(shown_after(spec_example, 99), BMP_ENDING_0);
    EXPECT_EQ(shown_after(spec_example, 199), BMP_ENDING_0);
    EXPECT_EQ(shown_after(spec_example, 200), BMP_ENDING_1);
    EXPECT_EQ(shown_after(spec_example, ENDING_MAX_TICKS), BMP_ENDING_1);
    EXPECT_EQ(fpscounter, ENDING_MAX_TICKS);

    const std::string reversed = "X 100\nU 200\n";
    EXPECT_EQ(shown_after(reversed, 99), BMP_ENDING_0);
    EXPECT_EQ(shown_after(reversed, 100), BMP_ENDING_1);
    EXPECT_EQ(shown_after(reversed, 199), BMP_ENDING_1);
    EXPECT_EQ(shown_after(reversed, 200), BMP_ENDING_0);

    // The frame shows the picture with "The End" over it at the bottom right.
    frames_seen = true;
    shown_after(reversed, 150);
    BITMAP* second = static_cast<BITMAP*>(pictures[BMP_ENDING_1].dat);
    EXPECT_EQ(getpixel(screen, 100, 100), getpixel(second, 100, 100));
    const int w = text_length(mainfont, "The End");
    int lettering = 0;
    for (int y = 450; y < 450 + text_height(mainfont); y++)
        for (int x = 630 - w; x < 630; x++)
            lettering += getpixel(screen, x, y) != getpixel(second, x, y);
    EXPECT_GT(lettering, 20);
}

TEST_F(EndingTest, LateOrBrokenLinesStopTheSwitchesButNotTheEnding)
{
    // A line whose tick has passed is never matched; later lines are not read.
    EXPECT_EQ(shown_after("X 100\nU 50\nU 300\n", 400), BMP_ENDING_1);
    // No number: tick 0 is never reached.
    EXPECT_EQ(shown_after("X\nU 300\n", 400), BMP_ENDING_0);
    // No timing file at all.
    {
        FramesUnseen unseen;
        EXPECT_EQ(run_musical_ending(nullptr, pictures, 300), BMP_ENDING_0);
    }
    EXPECT_EQ(fpscounter, 300);
}

TEST_F(EndingTest, OnlyEscAndFTogetherSkip)
{
    key[KEY_ESC] = 1;
    shown_after("X 10\n", 500);
    EXPECT_EQ(fpscounter, 500) << "ESC alone";
    key[KEY_ESC] = 0;
    key[KEY_F] = 1;
    shown_after("X 10\n", 500);
    EXPECT_EQ(fpscounter, 500) << "F alone";
    key[KEY_ESC] = 1;
    shown_after("X 10\n", 500);
    EXPECT_EQ(fpscounter, 1) << "both: the ending stops after this tick";
}

TEST_F(EndingTest, WonGameMarkAndMissingArchive)
{
    char dir[] = "/tmp/vorlin-ending-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string cfg = std::string(dir) + "/settings.cfg";
    set_config_file(cfg.c_str());

    // Without data/ending.dat the ending is skipped, and the mark not written.
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    fpscounter = 0;
    stupid_ending();
    EXPECT_EQ(fpscounter, 0);
    EXPECT_EQ(get_config_int("misc", "wongame", -1), -1);
    ASSERT_EQ(chdir(here), 0);

    // With it, the whole ending runs on the shipped timing file.
    {
        FramesUnseen unseen;
        stupid_ending();
    }
    EXPECT_EQ(fpscounter, ENDING_MAX_TICKS);
    EXPECT_EQ(get_config_int("misc", "wongame", -1), 51234123);
    std::remove(cfg.c_str());
    rmdir(dir);
}

TEST_F(EndingTest, GarbageTimingFileRunsTheWholeEnding)
{
    std::string junk;
    for (int i = 0; i < 5000; i++)
        junk.push_back(static_cast<char>((i * 7919) & 0xff));
    shown_after(junk, ENDING_MAX_TICKS);
    EXPECT_EQ(fpscounter, ENDING_MAX_TICKS);
}

TEST_F(EndingTest, WithoutMusicANoticeIsShown)
{
    no_mp3 = true;
    clear_to_color(screen, makecol(9, 9, 9));
    // Headless, readkey has no keyboard to wait for and returns at once.
    stupid_ending();
    const int h = text_height(mainfont);
    int lit_first = 0, lit_second = 0, other = 0;
    for (int y = 0; y < SCREEN_HEIGHT; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++) {
            const bool lit = getpixel(screen, x, y) != 0;
            if (y >= 240 && y < 240 + h)
                lit_first += lit;
            else if (y >= 240 + h && y < 240 + 3 * h)
                lit_second += lit;
            else
                other += lit;
        }
    EXPECT_GT(lit_first, 50);
    EXPECT_GT(lit_second, 50);
    EXPECT_EQ(other, 0) << "the rest of the screen is cleared to black";
}

// With a keyboard the notice waits for a key pressed on it: Up held from the
// last level and repeating does not end it, nor does its release; a new press
// does. The keyboard's clock is the number of times the notice looks at it.
TEST_F(EndingTest, TheNoticeWaitsForAKeyPressedOnIt)
{
    static int looks;
    XKeys::install();
    install_keyboard_hooks(
        [] {
            ++looks;
            if (looks == 200)
                XKeys::release(KEY_UP);
            else if (looks == 300)
                XKeys::press(KEY_SPACE);
            else if (looks % 10 == 0 && key[KEY_UP])
                XKeys::repeat(KEY_UP);
            return XKeys::waiting();
        },
        XKeys::take);
    XKeys::press(KEY_UP);  // after the hooks: installing them clears key[]
    looks = 0;
    static KEYBOARD_DRIVER keyboard = {};
    keyboard_driver = &keyboard;
    no_mp3 = true;
    stupid_ending();
    keyboard_driver = nullptr;
    EXPECT_GE(looks, 300) << "ended before the new press";
    EXPECT_LT(looks, 310);
}

}  // namespace
