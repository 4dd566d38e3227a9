// The display's choices and its presentation, without a display: the window's multiple and the
// full-screen layout per desktop size, the picture and the zoom window on an enlarged screen,
// "-scale" on the command line and the settings key "scale".
#include "cmdline.h"
#include "display.h"
#include "settings.h"
#include "test_config_file.h"
#include "test_support.h"
#include "engine.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct WindowCase {
    int desk_w, desk_h, wanted, scale;
};

TEST(DisplayChoice, WindowMultiplePerDesktopAndWish)
{
    const WindowCase cases[] = {
        {1024, 768, 0, 1},
        {1920, 1080, 0, 2},
        {3840, 2160, 0, 4},
        {2560, 1440, 0, 2},
        {2560, 1600, 0, 3},
        {1280, 1024, 0, 1},
        {800, 600, 0, 1},
        {640, 480, 0, 1},
        {1920, 1080, 1, 1},
        {1920, 1080, 3, 2},  // 1920x1440 is taller than the desktop
        {3840, 2160, 2, 2},
        {3840, 2160, 4, 4},
        {1280, 960, 2, 2},  // fits exactly: the wish stands
        {0, 0, 0, 1},
        {0, 0, 3, 3},
        {-1, 768, 0, 1},  // desktop size unknown
        {1920, 1080, 9, 2},
        {1920, 1080, -4, 2},  // not a valid wish: automatic
        {20000, 20000, 0, MAX_SCALE},
    };
    for (const WindowCase& c : cases)
        EXPECT_EQ(window_scale(c.desk_w, c.desk_h, c.wanted), c.scale)
            << c.desk_w << "x" << c.desk_h << " wanting " << c.wanted;
}

TEST(DisplayChoice, FullScreenFillsTheDesktopCentredOnBlack)
{
    const struct {
        int desk_w, desk_h, wanted;
        DISPLAY_LAYOUT l;
    } cases[] = {
        {1920, 1080, 0, {1920, 1080, 320, 60, 1280, 960, 2}},
        {3840, 2160, 0, {3840, 2160, 640, 120, 2560, 1920, 4}},
        {1024, 768, 0, {1024, 768, 192, 144, 640, 480, 1}},
        {1920, 1080, 3, {1920, 1080, 320, 60, 1280, 960, 2}},    // 3x does not fit: the largest that does
        {3840, 2160, 2, {3840, 2160, 1280, 600, 1280, 960, 2}},  // a smaller wish is kept
        {640, 480, 0, {640, 480, 0, 0, 640, 480, 1}},
        // No whole multiple fits: the largest scale that keeps the 4:3 shape.
        {600, 400, 0, {600, 400, 33, 0, 533, 400, 0}},
        {320, 400, 0, {320, 400, 0, 80, 320, 240, 0}},
    };
    for (const auto& c : cases) {
        const DISPLAY_LAYOUT l = fullscreen_layout(c.desk_w, c.desk_h, c.wanted);
        const int got[] = {l.screen_w, l.screen_h, l.x, l.y, l.w, l.h, l.scale};
        const int want[] = {c.l.screen_w, c.l.screen_h, c.l.x, c.l.y, c.l.w, c.l.h, c.l.scale};
        EXPECT_EQ(std::vector<int>(got, got + 7), std::vector<int>(want, want + 7))
            << c.desk_w << "x" << c.desk_h << " wanting " << c.wanted;
    }
}

// The screens players have, the maximised window of one and a resized one, in every mode.
TEST(DisplayChoice, ScalingModesPerScreen)
{
    const int A = SCALE_MODE_AUTOMATIC, W = SCALE_MODE_WHOLE, F = SCALE_MODE_FILL;
    const struct {
        int w, h, wanted, mode;
        DISPLAY_LAYOUT l;
    } cases[] = {
        // Whole would leave more than a third of the height empty: automatic fills.
        {1024, 768, 0, A, {1024, 768, 0, 0, 1024, 768, 2, true}},
        {1024, 768, 0, W, {1024, 768, 192, 144, 640, 480, 1}},
        {1024, 768, 0, F, {1024, 768, 0, 0, 1024, 768, 2, true}},
        {1366, 768, 0, A, {1366, 768, 171, 0, 1024, 768, 2, true}},
        {1366, 768, 0, W, {1366, 768, 363, 144, 640, 480, 1}},
        {1600, 900, 0, A, {1600, 900, 200, 0, 1200, 900, 2, true}},
        {1600, 900, 0, W, {1600, 900, 480, 210, 640, 480, 1}},
        // Whole leaves little: automatic keeps the exact blocks; fill is one choice away.
        {1920, 1080, 0, A, {1920, 1080, 320, 60, 1280, 960, 2}},
        {1920, 1080, 0, F, {1920, 1080, 240, 0, 1440, 1080, 3, true}},
        {3840, 2160, 0, A, {3840, 2160, 640, 120, 2560, 1920, 4}},
        {3840, 2160, 0, F, {3840, 2160, 480, 0, 2880, 2160, 5, true}},
        {1920, 1061, 0, A, {1920, 1061, 320, 50, 1280, 960, 2}},  // maximised under a title bar
        {1920, 1061, 0, F, {1920, 1061, 253, 0, 1414, 1061, 3, true}},
        {900, 700, 0, A, {900, 700, 130, 110, 640, 480, 1}},  // a window resized by hand
        {900, 700, 0, F, {900, 700, 0, 12, 900, 675, 2, true}},
        // A multiple asked for: automatic keeps it.
        {1366, 768, 1, A, {1366, 768, 363, 144, 640, 480, 1}},
        // Fill equal to a whole multiple, or no room at all: the whole layout.
        {1280, 960, 0, F, {1280, 960, 0, 0, 1280, 960, 2}},
        {640, 480, 0, F, {640, 480, 0, 0, 640, 480, 1}},
        {600, 400, 0, F, {600, 400, 33, 0, 533, 400, 0}},
    };
    for (const auto& c : cases) {
        const DISPLAY_LAYOUT l = shown_layout(c.w, c.h, c.wanted, c.mode);
        const int got[] = {l.screen_w, l.screen_h, l.x, l.y, l.w, l.h, l.scale, l.smooth};
        const int want[] = {c.l.screen_w, c.l.screen_h, c.l.x, c.l.y, c.l.w, c.l.h, c.l.scale, c.l.smooth};
        EXPECT_EQ(std::vector<int>(got, got + 8), std::vector<int>(want, want + 8))
            << c.w << "x" << c.h << " wanting " << c.wanted << " in mode " << scale_mode_name(c.mode);
    }
}

class Present : public ::testing::Test {
protected:
    BITMAP* picture = nullptr;
    void SetUp() override
    {
        headless_init(32);
        picture = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
        std::mt19937 rng(11);
        for (int y = 0; y < SCREEN_HEIGHT; y++)
            for (int x = 0; x < SCREEN_WIDTH; x++)
                putpixel(picture, x, y, static_cast<int>(rng() & 0xFFFFFF));
    }
    void TearDown() override
    {
        destroy_bitmap(picture);
        destroy_bitmap(screen);
        screen = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
        display_use_bitmap(0, 0, 1);
    }
    // A screen of w x h filled with `fill`, the picture landing at (x, y) at multiple k.
    void use_screen(int w, int h, int x, int y, int k, int fill)
    {
        destroy_bitmap(screen);
        screen = create_bitmap(w, h);
        clear_to_color(screen, fill);
        display_use_bitmap(x, y, k);
    }
    // First screen pixel that is not what the layout says, as text; "" when all are right.
    // Inside the shown part of the picture every pixel is its source pixel; elsewhere `fill`.
    std::string check(int x, int y, int k, int x1, int y1, int x2, int y2, int fill)
    {
        for (int sy = 0; sy < screen->h; sy++)
            for (int sx = 0; sx < screen->w; sx++) {
                const int px = (sx - x) / k, py = (sy - y) / k;
                const bool shown = sx >= x && sy >= y && px >= x1 && px <= x2 && py >= y1 && py <= y2 &&
                    sx < x + SCREEN_WIDTH * k && sy < y + SCREEN_HEIGHT * k;
                const int want = shown ? getpixel(picture, px, py) : fill;
                if (getpixel(screen, sx, sy) != want) {
                    std::ostringstream o;
                    o << "screen (" << sx << ", " << sy << ")";
                    return o.str();
                }
            }
        return "";
    }
};

TEST_F(Present, WholePictureAtEachMultipleAndPlace)
{
    const int fill = 0x123456;
    const struct {
        int w, h, x, y, k;
    } cases[] = {{640, 480, 0, 0, 1}, {1024, 768, 192, 144, 1}, {1280, 960, 0, 0, 2}, {1920, 1080, 320, 60, 2},
        {1920, 1440, 0, 0, 3}};
    for (const auto& c : cases) {
        use_screen(c.w, c.h, c.x, c.y, c.k, fill);
        present(picture);
        EXPECT_EQ(check(c.x, c.y, c.k, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, fill), "")
            << c.w << "x" << c.h << " at " << c.k;
    }
}

// The opening zoom shows a centred window of the picture: only that part reaches the screen,
// enlarged in place, and the rest of the screen stays as it was.
TEST_F(Present, ZoomWindowShowsOnlyItsPart)
{
    const int fill = 0x00FF00;
    for (int k : {1, 2, 3}) {
        use_screen(SCREEN_WIDTH * k + 40, SCREEN_HEIGHT * k, 40, 0, k, fill);
        present_window(picture, 224, 168, 416, 312);
        EXPECT_EQ(check(40, 0, k, 224, 168, 416, 312, fill), "") << "at " << k;
    }
    // A window reaching past the picture's edges is cut at them.
    use_screen(SCREEN_WIDTH * 2, SCREEN_HEIGHT * 2, 0, 0, 2, fill);
    present_window(picture, -5, -5, 9, 700);
    EXPECT_EQ(check(0, 0, 2, 0, 0, 9, SCREEN_HEIGHT - 1, fill), "");
}

struct ScaleArg {
    std::vector<const char*> args;
    int scale;
};

// The command line of a start with `args` after the program's name.
void parse_words(const std::vector<const char*>& args)
{
    std::vector<const char*> argv {"vorlin"};
    argv.insert(argv.end(), args.begin(), args.end());
    parse_command_line(static_cast<int>(argv.size()), argv.data());
}

std::string words_of(const std::vector<const char*>& args)
{
    std::string shown;
    for (const char* a : args)
        shown += std::string(a) + " ";
    return shown;
}

TEST(ScaleOption, CommandLineValues)
{
    const ScaleArg cases[] = {
        {{}, -1},
        {{"-scale", "2"}, 2},
        {{"-scale", "0"}, 0},
        {{"-scale", "8"}, 8},
        {{"-win", "-scale", "1"}, 1},
        {{"-scale", "9"}, 0},
        {{"-scale", "-1"}, 0},
        {{"-scale", "2x"}, 0},
        {{"-scale", "two"}, 0},
        {{"-scale", ""}, 0},
        {{"-scale"}, -1},
        {{"-scale", "99999999999999999999"}, 0},
        {{"-scale", "3", "-scale", "2"}, 2},
    };
    for (const ScaleArg& c : cases) {
        scale_option = -1;
        parse_words(c.args);
        EXPECT_EQ(scale_option, c.scale) << words_of(c.args);
    }
    scale_option = -1;
}

// The display's remembered choices and run-only options, as a fresh start
// has them, before and after each case.
class DisplaySetting : public ConfigFileTest {
protected:
    static void reset()
    {
        scale_setting = SCALE_AUTOMATIC;
        scale_mode_setting = SCALE_MODE_AUTOMATIC;
        scale_option = -1;
        scale_mode_option = -1;
    }
    void SetUp() override
    {
        ConfigFileTest::SetUp();
        reset();
    }
    void TearDown() override
    {
        ConfigFileTest::TearDown();
        reset();
    }
};

// Each remembered display choice read from the file; what does not parse, is
// out of range or stands in another section reads as its default.
TEST_F(DisplaySetting, ReadValuesAndBadOnesFallBackToTheDefault)
{
    const struct {
        const char* text;
        int* setting;
        int value;
    } cases[] = {
        {"", &scale_setting, 0},
        {"[misc]\nscale = 2\n", &scale_setting, 2},
        {"[misc]\nscale = 8\n", &scale_setting, 8},
        {"[misc]\nscale = 0\n", &scale_setting, 0},
        {"[misc]\nscale = 9\n", &scale_setting, 0},
        {"[misc]\nscale = -3\n", &scale_setting, 0},
        {"[misc]\nscale = 99999999999999999\n", &scale_setting, 0},
        {"[misc]\nscale = wide\n", &scale_setting, 0},
        {"[controls]\nscale = 3\n", &scale_setting, 0},
        {"", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"[misc]\nscalemode = 1\n", &scale_mode_setting, SCALE_MODE_WHOLE},
        {"[misc]\nscalemode = 2\n", &scale_mode_setting, SCALE_MODE_FILL},
        {"[misc]\nscalemode = 3\n", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"[misc]\nscalemode = -1\n", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"[misc]\nscalemode = fill\n", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"[misc]\nscalemode = 99999999999999999999\n", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"[misc]\nscalemode = \001\377\n", &scale_mode_setting, SCALE_MODE_AUTOMATIC},
        {"", &window_setting, 0},
        {"[misc]\nwindow = 1\n", &window_setting, 1},
        {"[misc]\nwindow = 0\n", &window_setting, 0},
        {"[misc]\nwindow = 2\n", &window_setting, 0},
        {"[misc]\nwindow = yes\n", &window_setting, 0},
        {"[misc]\nwindow = \377\n", &window_setting, 0},
    };
    for (const auto& c : cases) {
        *c.setting = c.value == 1 ? 2 : 1;
        write_file(c.text);
        read_settings();
        EXPECT_EQ(*c.setting, c.value) << c.text;
    }
    window_setting = 0;
}

TEST_F(DisplaySetting, RoundTripAndAFileThatNeverChoseStaysWithoutTheKey)
{
    write_file("[misc]\ntitle_song = 0\n");
    read_settings();
    write_settings();
    EXPECT_EQ(file_text().find("scale"), std::string::npos) << file_text();

    scale_setting = 3;
    write_settings();
    EXPECT_NE(file_text().find("scale = 3"), std::string::npos) << file_text();
    scale_setting = 0;
    read_settings();
    EXPECT_EQ(scale_setting, 3);

    // Back to automatic: the key stays, holding 0.
    scale_setting = SCALE_AUTOMATIC;
    write_settings();
    EXPECT_NE(file_text().find("scale = 0"), std::string::npos) << file_text();
}

TEST(ScaleModeOption, CommandLineValues)
{
    const struct {
        std::vector<const char*> args;
        int mode;
    } cases[] = {
        {{}, -1},
        {{"-scalemode", "whole"}, SCALE_MODE_WHOLE},
        {{"-scalemode", "fill"}, SCALE_MODE_FILL},
        {{"-scalemode", "auto"}, SCALE_MODE_AUTOMATIC},
        {{"-scalemode", "Fill"}, -1},
        {{"-scalemode", "2"}, -1},
        {{"-scalemode", ""}, -1},
        {{"-scalemode"}, -1},
        {{"-scalemode", "fill", "-scale", "2"}, SCALE_MODE_FILL},
    };
    for (const auto& c : cases) {
        scale_mode_option = -1;
        parse_words(c.args);
        EXPECT_EQ(scale_mode_option, c.mode) << words_of(c.args);
    }
    scale_mode_option = -1;
    scale_option = -1;
}

TEST_F(DisplaySetting, TheGameChoiceOfModeIsRememberedAndTheOptionIsNot)
{
    // A file that never chose keeps no key; "-scalemode" is not written back.
    write_file("[misc]\ntitle_song = 0\n");
    read_settings();
    scale_mode_option = SCALE_MODE_FILL;
    write_settings();
    EXPECT_EQ(file_text().find("scalemode"), std::string::npos) << file_text();
    EXPECT_EQ(file_text().find("window"), std::string::npos) << file_text();
    EXPECT_EQ(scale_mode_of_this_run(), SCALE_MODE_FILL);

    // The key in the game: the next mode after this run's, over the option, and remembered.
    display_next_scale_mode();
    EXPECT_EQ(scale_mode_option, -1);
    EXPECT_EQ(scale_mode_of_this_run(), SCALE_MODE_AUTOMATIC);
    display_next_scale_mode();
    EXPECT_EQ(scale_mode_of_this_run(), SCALE_MODE_WHOLE);
    write_settings();
    scale_mode_setting = 0;
    read_settings();
    EXPECT_EQ(scale_mode_setting, SCALE_MODE_WHOLE) << file_text();
}

}  // namespace
