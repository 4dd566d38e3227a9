// Replay files: written and read back alike, every kind of bad file refused
// with its own words, the door's bits, and the replay options.
#include "cmdline.h"
#include "replay.h"
#include "replay_file.h"
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

namespace {

ReplayFile sample_file()
{
    ReplayFile f;
    f.game_version = "0.7";
    f.key_controls = 13;
    f.joy_buttons = 9;
    for (int i = 0; i < REPLAY_JOYSTICK_CONTROLS; i++)
        f.joystick[i] = static_cast<uint8_t>(i);
    for (uint32_t level : {3u, 8u}) {
        ReplayGame g;
        g.start_level = level;
        g.seed = 123456789u * level;
        g.carry.lives = 4;
        g.carry.edge_flags = 5;
        ReplayEvent run;
        run.input = 1ull << 40 | 7;
        run.ticks = 300;
        g.events.push_back(run);
        ReplayEvent end;
        end.kind = ReplayEvent::ATTEMPT;
        end.level = level;
        end.result = 3;
        end.checksum = 0xfedcba9876543210ull;
        g.events.push_back(end);
        f.games.push_back(g);
    }
    return f;
}

std::string decode_error(const std::vector<uint8_t>& bytes)
{
    ReplayFile f;
    std::string why;
    if (replay_decode(bytes.data(), bytes.size(), f, why))
        return "(read)";
    EXPECT_TRUE(f.games.empty()) << "a refused file leaves nothing half read";
    return why;
}

// The bytes with their closing CRC made right again after a change, so the
// change itself is what the reader meets.
std::vector<uint8_t> resealed(std::vector<uint8_t> b)
{
    const uint32_t crc = crc32_of(b.data(), b.size() - 4);
    for (int i = 0; i < 4; i++)
        b[b.size() - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    return b;
}

TEST(ReplayFile, ReadsBackWhatWasWritten)
{
    const ReplayFile f = sample_file();
    const std::vector<uint8_t> bytes = replay_encode(f);
    ReplayFile back;
    std::string why;
    ASSERT_TRUE(replay_decode(bytes.data(), bytes.size(), back, why)) << why;
    EXPECT_EQ(back.game_version, "0.7");
    ASSERT_EQ(back.games.size(), 2u);
    EXPECT_EQ(back.games[1].start_level, 8u);
    EXPECT_EQ(back.games[1].seed, f.games[1].seed);
    EXPECT_EQ(back.games[0].carry.edge_flags, 5u);
    ASSERT_EQ(back.games[0].events.size(), 2u);
    EXPECT_EQ(back.games[0].events[0].input, f.games[0].events[0].input);
    EXPECT_EQ(back.games[0].events[0].ticks, 300u);
    EXPECT_EQ(back.games[0].events[1].checksum, 0xfedcba9876543210ull);
    EXPECT_EQ(replay_encode(back), bytes);
}

struct BadFile {
    const char* name;
    std::function<std::vector<uint8_t>(std::vector<uint8_t>)> spoil;
    const char* says;
};

TEST(ReplayFile, EveryKindOfBadFileIsRefusedInWords)
{
    const std::vector<uint8_t> good = replay_encode(sample_file());
    size_t first_game = REPLAY_MAGIC_BYTES;  // where the first game's entry stands
    while (good[first_game] != 'G')
        ++first_game;
    const BadFile cases[] = {
        {"empty", [](std::vector<uint8_t>) { return std::vector<uint8_t>(); }, "is not a replay"},
        {"another file",
            [](std::vector<uint8_t> b) {
                b[0] = 'X';
                return b;
            },
            "is not a replay"},
        {"a later format",
            [](std::vector<uint8_t> b) {
                b[8] = 2;
                return b;
            },
            "replay format 2"},
        {"cut short",
            [](std::vector<uint8_t> b) {
                b.resize(b.size() - 9);
                return b;
            },
            "is truncated"},
        {"without its check sum",
            [](std::vector<uint8_t> b) {
                b.resize(b.size() - 2);
                return b;
            },
            "is truncated"},
        {"a byte changed",
            [&](std::vector<uint8_t> b) {
                b[b.size() - 8] ^= 0x10;
                return b;
            },
            "is damaged"},
        {"bytes after its end",
            [](std::vector<uint8_t> b) {
                b.push_back(0);
                return b;
            },
            "after its end"},
        {"an unknown entry",
            [&](std::vector<uint8_t> b) {
                b[first_game] = '?';
                return resealed(b);
            },
            "is damaged"},
        {"too large",
            [](std::vector<uint8_t> b) {
                b.resize(REPLAY_MAX_BYTES + 1);
                return b;
            },
            "too large"},
    };
    for (const BadFile& c : cases) {
        const std::string why = decode_error(c.spoil(good));
        EXPECT_NE(why.find(c.says), std::string::npos) << c.name << ": " << why;
    }
    // No game at all: what a recording quit on the title would be.
    ReplayFile none = sample_file();
    none.games.clear();
    EXPECT_NE(decode_error(replay_encode(none)).find("holds no game"), std::string::npos);
    // A level out of range, sealed as if whole.
    ReplayFile far = sample_file();
    far.games[0].start_level = 9;
    EXPECT_NE(decode_error(replay_encode(far)).find("the start level 9 is out of range"), std::string::npos);
}

TEST(ReplayFile, EveryShorterFileIsRefused)
{
    const std::vector<uint8_t> good = replay_encode(sample_file());
    for (size_t n = 0; n < good.size(); n++) {
        const std::string why = decode_error(std::vector<uint8_t>(good.begin(), good.begin() + n));
        EXPECT_FALSE(why.empty() || why == "(read)") << n << " bytes";
    }
}

TEST(ReplayFile, AFileOfAnotherBuildIsToldApart)
{
    const ReplayFile f = sample_file();
    std::string why;
    EXPECT_TRUE(replay_matches_build(f, "0.7", 13, 9, why)) << why;
    EXPECT_FALSE(replay_matches_build(f, "0.8", 13, 9, why));
    EXPECT_EQ(why, "was recorded by version 0.7 of the game; this is version 0.8");
    EXPECT_FALSE(replay_matches_build(f, "0.7", 14, 9, why));
    EXPECT_NE(why.find("other controls"), std::string::npos) << why;
}

TEST(ReplayDoor, EveryPartOfATickSurvivesItsBits)
{
    std::vector<DoorTick> ticks;
    ASSERT_EQ(NUM_KEY_CONTROLS + NUM_KEY_ACTIONS, door_key_count());
    for (int i = 0; i < door_key_count(); i++) {
        DoorTick t;
        t.c.*door_key(i) = true;
        ticks.push_back(t);
    }
    for (int b = 0; b < NUM_JOY_BUTTONS; b++) {
        DoorTick t;
        t.c.button[b] = true;
        ticks.push_back(t);
    }
    for (bool Controls::*s :
        {&Controls::stick_left, &Controls::stick_right, &Controls::stick_up, &Controls::stick_down}) {
        DoorTick t;
        t.c.*s = true;
        ticks.push_back(t);
    }
    for (bool DoorTick::*f : {&DoorTick::window_close, &DoorTick::focus_lost, &DoorTick::quit, &DoorTick::dismiss}) {
        DoorTick t;
        t.*f = true;
        ticks.push_back(t);
    }
    std::vector<uint64_t> seen;
    for (const DoorTick& t : ticks) {
        const uint64_t bits = door_bits(t);
        EXPECT_EQ(__builtin_popcountll(bits), 1);
        for (uint64_t s : seen)
            EXPECT_NE(s, bits) << "two parts share a bit";
        seen.push_back(bits);
        EXPECT_EQ(door_bits(door_tick_of(bits)), bits);
    }
}

TEST(ReplayOptions, RecordReplayAndTimedemoTakeTheirFile)
{
    const char* rec[] = {"vorlin", "-record", "a.vrp", "-win"};
    replay_options = ReplayOptions();
    parse_command_line(4, rec);
    EXPECT_EQ(replay_options.record, "a.vrp");
    EXPECT_TRUE(replay_options.replay.empty());
    const char* demo[] = {"vorlin", "-timedemo", "b.vrp"};
    replay_options = ReplayOptions();
    parse_command_line(3, demo);
    EXPECT_EQ(replay_options.replay, "b.vrp");
    EXPECT_TRUE(replay_options.timedemo);
    const char* last[] = {"vorlin", "-replay"};
    replay_options = ReplayOptions();
    parse_command_line(2, last);
    EXPECT_TRUE(replay_options.replay.empty()) << "an option standing last is ignored";
    replay_options = ReplayOptions();
}

}  // namespace
