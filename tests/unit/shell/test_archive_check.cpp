// The archives' check before loading, on copies of the built archives that the
// library loads (packed by its archiver, with more objects, with another kind
// where the game reads nothing) and on damaged ones it must not be handed.
#include "archive_check.h"
#include "datidx.h"
#include "test_support.h"
#include "engine.h"
#include "vorlin.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

Bytes read_bytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const Bytes& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

unsigned long be32(const Bytes& b, size_t at)
{
    return static_cast<unsigned long>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

void put_be32(Bytes& b, size_t at, unsigned long v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

// Where each object of an unpacked archive starts (its properties first), and
// the end of the last one.
std::vector<size_t> object_starts(const Bytes& b)
{
    std::vector<size_t> starts;
    size_t at = 12;
    const unsigned long count = be32(b, 8);
    for (unsigned long i = 0; i < count; ++i) {
        starts.push_back(at);
        while (be32(b, at) == static_cast<unsigned long>(DAT_PROPERTY))
            at += 12 + be32(b, at + 8);
        at += 12 + be32(b, at + 4);
    }
    starts.push_back(at);
    return starts;
}

class ArchiveCheck : public ::testing::Test {
protected:
    static std::string dir;
    static Bytes game;    // the built data/vorlin.dat
    static Bytes ending;  // the built data/ending.dat
    // Copies rewritten by the library's archiver, made once (packing takes seconds).
    static Bytes game_packed;       // packed whole (dat -c2); the archiver adds its info object
    static Bytes game_each_packed;  // each object packed on its own (dat -c1)
    static Bytes ending_packed;

    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/vorlin_archive_check_XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "";
        game = read_bytes("data/vorlin.dat");
        ending = read_bytes("data/ending.dat");
        if (dir.empty() || game.empty() || ending.empty())
            return;
        game_packed = read_bytes(variant("packed", game, "-c2"));
        game_each_packed = read_bytes(variant("each_packed", game, "-c1"));
        ending_packed = read_bytes(variant("ending_packed", ending, "-c2"));
    }
    static void TearDownTestSuite()
    {
        if (!dir.empty())
            std::system(("rm -rf '" + dir + "'").c_str());
    }
    void SetUp() override
    {
        headless_init(32);
        ASSERT_FALSE(dir.empty());
        ASSERT_GT(game.size(), 12u) << "build the gamedata target";
        ASSERT_GT(ending.size(), 12u);
        ASSERT_GT(game_packed.size(), 4u) << "the archiver (dat) could not pack a copy";
        ASSERT_GT(game_each_packed.size(), 12u);
        ASSERT_GT(ending_packed.size(), 4u);
    }

    // A copy written to a file, then run through the library's archiver with
    // `dat_args` (e.g. "-c2" packs it whole) when given; "" if that fails.
    static std::string variant(const std::string& name, const Bytes& bytes, const std::string& dat_args = "")
    {
        const std::string path = dir + "/" + name + ".dat";
        write_file(path, bytes);
        if (!dat_args.empty() && std::system(("dat " + dat_args + " '" + path + "' > /dev/null").c_str()) != 0)
            return "";
        return path;
    }

    static std::vector<int> game_kinds()
    {
        std::vector<int> k;
        for (int i = 0; i < NUM_DATA_OBJECTS; ++i)
            k.push_back(game_archive_kind(i));
        return k;
    }
};

std::string ArchiveCheck::dir;
Bytes ArchiveCheck::game;
Bytes ArchiveCheck::ending;
Bytes ArchiveCheck::game_packed;
Bytes ArchiveCheck::game_each_packed;
Bytes ArchiveCheck::ending_packed;

// Start-up's own loading (check, load, kinds) on copies of the game's archive
// that the library loads whole, run in a child: a refusal ends it through the
// fatal message with exit code 1.
TEST_F(ArchiveCheck, GameArchivesTheLibraryLoadsStartTheGame)
{
    // A 120th object: raw data, its type and sizes, then its bytes.
    Bytes appended = game;
    put_be32(appended, 8, NUM_DATA_OBJECTS + 1);
    const std::string extra = "a 120th object";
    Bytes head(12);
    put_be32(head, 0, DAT_DATA);
    put_be32(head, 4, extra.size());
    put_be32(head, 8, extra.size());
    appended.insert(appended.end(), head.begin(), head.end());
    appended.insert(appended.end(), extra.begin(), extra.end());

    // Object 35 (never read) replaced by a copy of bitmap 7.
    const std::vector<size_t> at = object_starts(game);
    Bytes other_kind(game.begin(), game.begin() + at[UNUSED_35]);
    other_kind.insert(other_kind.end(), game.begin() + at[SPR_SHADOW_LOW], game.begin() + at[SPR_SHADOW_LOW + 1]);
    other_kind.insert(other_kind.end(), game.begin() + at[UNUSED_35 + 1], game.end());

    Bytes trailing = game;
    trailing.insert(trailing.end(), {'j', 'u', 'n', 'k'});

    const struct {
        const char* name;
        const Bytes& bytes;
    } cases[] = {
        {"as_built", game},
        {"packed_whole", game_packed},
        {"each_object_packed", game_each_packed},
        {"object_appended", appended},
        {"other_kind_where_unused", other_kind},
        {"bytes_after_the_last_object", trailing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = variant(c.name, c.bytes);
        const std::string run_dir = dir + "/" + c.name;
        ASSERT_EQ(
            std::system(
                ("mkdir -p '" + run_dir + "/data' && cp '" + path + "' '" + run_dir + "/data/vorlin.dat'").c_str()),
            0);
        EXPECT_EXIT(
            {
                headless_init(32);
                setenv("PATH", "/nonexistent", 1);
                if (chdir(run_dir.c_str()) != 0)
                    std::exit(3);
                load_data();
                std::exit(data && data[SPR_CHASE_CAR].type == DAT_BITMAP ? 0 : 2);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

// Damaged copies are refused before the loader sees them: packed ones cut short,
// an object packed on its own whose stored size disagrees with what unpacking
// takes, too few objects.
TEST_F(ArchiveCheck, DamagedArchivesAreRefused)
{
    const std::vector<int> kinds = game_kinds();
    const Bytes& packed = game_packed;
    const Bytes& each_packed = game_each_packed;
    ASSERT_TRUE(datafile_bytes_valid(packed.data(), packed.size(), kinds.data(), NUM_DATA_OBJECTS));
    ASSERT_TRUE(datafile_bytes_valid(each_packed.data(), each_packed.size(), kinds.data(), NUM_DATA_OBJECTS));

    // The first object's stored (packed) size one byte short or long.
    const std::vector<size_t> at = object_starts(each_packed);
    size_t sizes = at[0];
    while (be32(each_packed, sizes) == static_cast<unsigned long>(DAT_PROPERTY))
        sizes += 12 + be32(each_packed, sizes + 8);
    sizes += 4;
    ASSERT_LT(static_cast<int>(be32(each_packed, sizes + 4)), 0) << "the first object is not packed";
    Bytes stored_short = each_packed, stored_long = each_packed;
    put_be32(stored_short, sizes, be32(each_packed, sizes) - 1);
    put_be32(stored_long, sizes, be32(each_packed, sizes) + 1);

    Bytes one_short = game;
    put_be32(one_short, 8, NUM_DATA_OBJECTS - 1);

    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"packed, cut in half", Bytes(packed.begin(), packed.begin() + packed.size() / 2)},
        {"packed, last byte missing", Bytes(packed.begin(), packed.end() - 1)},
        {"packed, cut after its magic", Bytes(packed.begin(), packed.begin() + 4)},
        {"each packed, cut in half", Bytes(each_packed.begin(), each_packed.begin() + each_packed.size() / 2)},
        {"each packed, last byte missing", Bytes(each_packed.begin(), each_packed.end() - 1)},
        {"packed object's stored size short", stored_short},
        {"packed object's stored size long", stored_long},
        {"118 objects", one_short},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(datafile_bytes_valid(c.bytes.data(), c.bytes.size(), kinds.data(), NUM_DATA_OBJECTS)) << c.name;
    }
}

// Packs `plain` as the library's LZSS stream of single bytes, except that the
// bytes at [at, at + 3) come as one copy of 3 bytes from ring position `from`.
Bytes packed_with_copy(const Bytes& plain, size_t at, int from)
{
    Bytes out = {'s', 'l', 'h', '!'};
    size_t flag_at = 0;
    int token = 0;
    for (size_t i = 0; i < plain.size(); ++token) {
        if (token % 8 == 0) {
            flag_at = out.size();
            out.push_back(0);
        }
        if (i == at) {
            out.push_back(static_cast<unsigned char>(from & 0xFF));
            out.push_back(static_cast<unsigned char>((from >> 4) & 0xF0));  // length 3
            i += 3;
        } else {
            out[flag_at] |= static_cast<unsigned char>(1 << (token % 8));
            out.push_back(plain[i++]);
        }
    }
    return out;
}

// The library's decoder leaves the last 18 positions of its ring unset until
// its first 18 bytes come out: a packed file that copies from them unpacks to
// whatever memory held, so it is refused even when that happens to be zeros.
TEST_F(ArchiveCheck, PackedCopiesFromTheDecodersUnsetRingAreRefused)
{
    const int kinds[NUM_ENDING_OBJECTS] = {DAT_BITMAP, DAT_BITMAP};
    const Bytes plain(ending.begin() + 4, ending.end());  // "ALL." onwards
    ASSERT_EQ(plain[4], 0);                               // the object count's top bytes
    ASSERT_EQ(plain[5], 0);
    ASSERT_EQ(plain[6], 0);
    const struct {
        const char* name;
        int from;
        bool accepted;
    } cases[] = {
        {"copy of the zeros the ring starts with", 0, true},
        {"copy from a position not yet written", 4095, false},
    };
    for (const auto& c : cases) {
        const Bytes packed = packed_with_copy(plain, 4, c.from);
        // New memory comes as zeros (glibc's perturbation byte 0xFF fills it
        // with 0xFF ^ 0xFF): the unset positions then hold the very zeros the
        // archive needs there, and only the check's rule refuses the copy.
        mallopt(M_PERTURB, 0xFF);
        EXPECT_EQ(datafile_bytes_valid(packed.data(), packed.size(), kinds, NUM_ENDING_OBJECTS), c.accepted) << c.name;
        mallopt(M_PERTURB, 0);
    }
}

// The ending's archive the same way: its two pictures at least, packed or not.
TEST_F(ArchiveCheck, EndingArchiveNeedsItsTwoPicturesWhateverElseItHolds)
{
    const int kinds[NUM_ENDING_OBJECTS] = {DAT_BITMAP, DAT_BITMAP};
    const std::vector<size_t> at = object_starts(ending);
    ASSERT_EQ(at.size(), 3u);
    Bytes three = ending;  // the second picture once more
    put_be32(three, 8, 3);
    three.insert(three.end(), ending.begin() + at[1], ending.begin() + at[2]);
    Bytes one(ending.begin(), ending.begin() + at[1]);
    put_be32(one, 8, 1);

    const struct {
        const char* name;
        const Bytes& bytes;
        bool accepted;
    } cases[] = {
        {"ending_as_built", ending, true},
        {"ending_packed", ending_packed, true},
        {"ending_three_pictures", three, true},
        {"ending_one_picture", one, false},
    };
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = variant(c.name, c.bytes);
        ASSERT_EQ(datafile_file_valid(path.c_str(), kinds, NUM_ENDING_OBJECTS), c.accepted);
        if (!c.accepted)
            continue;
        DATAFILE* d = load_datafile(path.c_str());
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(datafile_loaded_usable(d, kinds, NUM_ENDING_OBJECTS));
        unload_datafile(d);
    }
    const Bytes cut(ending_packed.begin(), ending_packed.begin() + ending_packed.size() / 2);
    EXPECT_FALSE(datafile_bytes_valid(cut.data(), cut.size(), kinds, NUM_ENDING_OBJECTS));
}

}  // namespace
