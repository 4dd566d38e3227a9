// The ending's music branch with broken files beside the program: a missing,
// empty, truncated or damaged data/ending.dat skips the ending quietly; a
// missing or damaged data/endingtimes.txt still gives the whole ending. Never
// a crash, whatever the bytes.
#include "datidx.h"
#include "menu.h"
#include "music.h"
#include "test_menu_support.h"
#include "engine.h"
#include "pacing.h"
#include <allegro.h>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

typedef std::vector<char> Bytes;

Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& b)
{
    std::ofstream(path, std::ios::binary).write(b.data(), static_cast<std::streamsize>(b.size()));
}

Bytes text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes with_bytes(Bytes b, size_t at, const std::string& patch)
{
    for (size_t i = 0; i < patch.size() && at + i < b.size(); ++i)
        b[at + i] = patch[i];
    return b;
}

// Repeatable noise.
Bytes noise(size_t n, unsigned seed)
{
    Bytes b(n);
    for (char& c : b) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return b;
}

// Runs stupid_ending in a scratch folder holding the given ending files
// (a null pointer leaves the file out) with a fresh settings file; the
// result is the number of ticks the ending ran and whether it stored its mark.
class BrokenEndingFiles : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        good_archive = read_file("data/ending.dat");
        good_times = read_file("data/endingtimes.txt");
        ASSERT_GT(good_archive.size(), 100u);
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        char dir[] = "/tmp/vorlin-badending-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        scratch = dir;
        mkdir((scratch + "/data").c_str(), 0755);
        no_mp3 = false;  // the music branch, with the muted song box
    }
    void TearDown() override
    {
        no_mp3 = true;
        if (chdir(home) != 0)
            ADD_FAILURE() << "cannot return to " << home;
        std::remove((scratch + "/data/ending.dat").c_str());
        std::remove((scratch + "/data/endingtimes.txt").c_str());
        std::remove((scratch + "/settings.cfg").c_str());
        rmdir((scratch + "/data").c_str());
        rmdir(scratch.c_str());
        FrontendTest::TearDown();
    }

    struct Outcome {
        int ticks;
        bool marked;
    };
    // With `special` (a name in data/), that file is replaced by something
    // that is not a regular file: a FIFO nobody writes to ("fifo") or a link
    // to an endless device ("device").
    Outcome run_ending(
        const Bytes* archive, const Bytes* times, const char* special = nullptr, const std::string& kind = "")
    {
        const std::string a = scratch + "/data/ending.dat", t = scratch + "/data/endingtimes.txt";
        std::remove(a.c_str());
        std::remove(t.c_str());
        if (archive)
            write_file(a, *archive);
        if (times)
            write_file(t, *times);
        if (special) {
            const std::string path = scratch + "/data/" + special;
            std::remove(path.c_str());
            EXPECT_EQ(kind == "fifo" ? mkfifo(path.c_str(), 0644) : symlink("/dev/zero", path.c_str()), 0);
        }
        const std::string cfg = scratch + "/settings.cfg";
        std::remove(cfg.c_str());
        set_config_file(cfg.c_str());
        EXPECT_EQ(chdir(scratch.c_str()), 0);
        fpscounter = -1;
        {
            FramesUnseen unseen;
            stupid_ending();
        }
        EXPECT_EQ(chdir(home), 0);
        const Outcome o {fpscounter, get_config_int("misc", "wongame", 0) == 51234123};
        set_config_file("/dev/null");
        return o;
    }

    Bytes good_archive, good_times;
    std::string scratch;
    char home[4096];
};

TEST_F(BrokenEndingFiles, AnArchiveThatCannotBeUsedSkipsTheEnding)
{
    const size_t n = good_archive.size();
    const Bytes empty;
    struct Case {
        const char* what;
        const Bytes* archive;
        Bytes bytes;
    };
    // Offsets in the first picture's object: its type id follows the header
    // and the name property, then the two sizes, depth, width and height.
    const size_t first_object = 12 + 12 + 16;
    Case cases[] = {
        {"missing", nullptr, {}},
        {"empty", &empty, {}},
        {"text", nullptr, text("this is no archive\n")},
        {"cut in its header", nullptr, Bytes(good_archive.begin(), good_archive.begin() + 10)},
        {"cut in the first picture", nullptr, Bytes(good_archive.begin(), good_archive.begin() + 200)},
        {"cut in half", nullptr, Bytes(good_archive.begin(), good_archive.begin() + n / 2)},
        {"last byte missing", nullptr, Bytes(good_archive.begin(), good_archive.end() - 1)},
        {"no objects", nullptr, text(std::string("slh.ALL.\0\0\0\0", 12))},
        {"one object only", nullptr, with_bytes(good_archive, 8, std::string("\0\0\0\1", 4))},
        {"object count huge", nullptr, with_bytes(good_archive, 8, "\x7f\xff\xff\xff")},
        {"picture size huge", nullptr, with_bytes(good_archive, first_object + 4, "\x7f\xff\xff\xff\x7f\xff\xff\xff")},
        {"picture width huge", nullptr, with_bytes(good_archive, first_object + 14, "\x7f\xff")},
        {"random header", nullptr,
            [&] {
                Bytes b = noise(4096, 7);
                b.insert(b.end(), good_archive.begin() + 4096, good_archive.end());
                return b;
            }()},
    };
    // The file names as stored: the first object must really start there.
    ASSERT_EQ(std::string(&good_archive[first_object], 4), "BMP ");
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes* archive = c.archive ? c.archive : c.bytes.empty() ? nullptr : &c.bytes;
        const Outcome o = run_ending(archive, &good_times);
        EXPECT_EQ(o.ticks, -1) << "the ending ran";
        EXPECT_FALSE(o.marked);
    }
}

TEST_F(BrokenEndingFiles, ABrokenTimingFileStillGivesTheWholeEnding)
{
    const std::string long_line = "U " + std::string(100000, '9');
    const struct {
        const char* what;
        bool present;
        Bytes bytes;
    } cases[] = {
        {"missing", false, {}},
        {"empty", true, {}},
        {"lines far too long", true, text(long_line + "\nD " + std::string(5000, ' ') + "300\n" + long_line)},
        {"no numbers", true, text("U\nD\nUx\n\n\n")},
        {"ticks out of order", true, text("U 3000\nD 200\nU 100\nD 5000\n")},
        {"ticks beyond the ending and negative", true, text("U -2147483648\nD 99999999999999999999\nU 0\n")},
        {"binary garbage", true, noise(300000, 99)},
        {"zero bytes", true, Bytes(70000, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome o = run_ending(&good_archive, c.present ? &c.bytes : nullptr);
        EXPECT_EQ(o.ticks, ENDING_MAX_TICKS);
        EXPECT_TRUE(o.marked);
    }
}

// A FIFO or an endless device in place of a file is refused at once, never
// waited on or read to its end: without its archive the ending is skipped,
// without its timing it is whole. A hang ends the test by the alarm.
TEST_F(BrokenEndingFiles, WhatIsNotARegularFileIsNeverRead)
{
    const unsigned HANG_LIMIT_S = 120;
    for (const char* kind : {"fifo", "device"}) {
        SCOPED_TRACE(kind);
        alarm(HANG_LIMIT_S);
        const Outcome skipped = run_ending(&good_archive, &good_times, "ending.dat", kind);
        EXPECT_EQ(skipped.ticks, -1) << "the ending ran";
        EXPECT_FALSE(skipped.marked);
        const Outcome whole = run_ending(&good_archive, &good_times, "endingtimes.txt", kind);
        EXPECT_EQ(whole.ticks, ENDING_MAX_TICKS);
        EXPECT_TRUE(whole.marked);
        alarm(0);
    }
}

}  // namespace
