// Command-line handling: each case starts from the compiled-in switches.
#include "cmdline.h"
#include "display.h"
#include "engine.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

struct CmdCase {
    std::vector<const char*> args;  // without the program name
    int depth;
    bool win;
    bool dbg;
    int start_level;
};

class CommandLine : public ::testing::TestWithParam<CmdCase> { };

TEST_P(CommandLine, SetsSwitchesAndStartLevel)
{
    const CmdCase& c = GetParam();
    color_depth = -1;
    windowed = debug = no_mp3 = false;
    std::vector<const char*> argv {"vorlin"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    int level = parse_command_line(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(color_depth, c.depth);
    EXPECT_EQ(windowed, c.win);
    EXPECT_EQ(debug, c.dbg);
    EXPECT_TRUE(no_mp3) << "music is always switched off";
    EXPECT_EQ(level, c.start_level);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine,
    ::testing::Values(CmdCase {{}, -1, false, false, 1}, CmdCase {{"-nomp3"}, -1, false, false, 1},
        CmdCase {{"-bpp", "32", "-win"}, 32, true, false, 1},
        CmdCase {{"-bpp", "-win"}, 0, true, false, 1},   // the value is not consumed
        CmdCase {{"-bpp"}, -1, false, false, 1},         // standing last
        CmdCase {{"-bpp", "16x"}, 16, false, false, 1},  // leading digits, the rest ignored
        CmdCase {{"-bpp", " 24"}, 24, false, false, 1}, CmdCase {{"-bpp", "x16"}, 0, false, false, 1},
        CmdCase {{"-bpp", "+16"}, 16, false, false, 1},
        CmdCase {{"-debug", "-WIN", "win", "--win"}, -1, false, true, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "5"}, -1, false, false, 5},
        CmdCase {{"-warpaheadtothelevelgivenok", "8", "-win"}, -1, true, false, 8},
        CmdCase {{"-warpaheadtothelevelgivenok"}, -1, false, false, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "0"}, -1, false, false, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "9"}, -1, false, false, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "-debug"}, -1, false, true, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "3", "-warpaheadtothelevelgivenok", "x"}, -1, false, false, 3},
        CmdCase {{"-warpaheadtothelevelgivenok", "5x"}, -1, false, false, 5},
        CmdCase {{"-warpaheadtothelevelgivenok", "9x"}, -1, false, false, 1},
        CmdCase {{"-warpaheadtothelevelgivenok", "99999999999999999999"}, -1, false, false, 1}));

// "-scale" decides this run's scale when it was given, and never changes the
// remembered one, which is what the settings file gets back at exit.
TEST(CommandLineOverrides, ScaleAppliesToThisRunOnly)
{
    const struct {
        std::vector<const char*> args;
        int remembered, this_run;
    } cases[] = {
        {{}, 3, 3}, {{"-scale", "2"}, 3, 2}, {{"-scale", "0"}, 3, 0}, {{"-scale", "nine"}, 3, 0}, {{"-scale"}, 3, 3}};
    for (const auto& c : cases) {
        scale_option = -1;
        std::vector<const char*> argv {"vorlin"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        parse_command_line(static_cast<int>(argv.size()), argv.data());
        scale_setting = c.remembered;  // as read_settings leaves it
        EXPECT_EQ(scale_of_this_run(), c.this_run) << c.args.size();
        EXPECT_EQ(scale_setting, c.remembered) << c.args.size();
    }
    scale_option = -1;
    scale_setting = SCALE_AUTOMATIC;
}

}  // namespace
