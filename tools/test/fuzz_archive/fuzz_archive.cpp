// Fuzz target for the data archives: any bytes go through the structural
// check that start-up (data/vorlin.dat) and the ending (data/ending.dat) make
// before the library parses a file; whatever the check accepts is then loaded
// by the library, which must load it whole with every object of the table of
// its expected kind. The first input byte picks the table (even: the game's,
// odd: the ending's). Seeds come stored as they are, packed whole and packed
// object by object, some with objects beyond the table.
#include "archive_check.h"
#include "datidx.h"
#include "fuzz_driver.h"
#include "engine.h"
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

typedef std::vector<uint8_t> Bytes;

std::string scratch_file;

void start_library()
{
    if (!fuzz_start_library())
        return;
    set_color_depth(32);
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    scratch_file = std::string(dir) + "/fuzz_archive_" + std::to_string(getpid()) + ".dat";
}

void be(Bytes& b, uint32_t v, int n)
{
    for (int i = n - 1; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void id(Bytes& b, const char* four)
{
    b.insert(b.end(), four, four + 4);
}

// The contents of the smallest well-formed object of each kind (raw bytes for
// any other kind).
Bytes body_of(int kind, int variant)
{
    Bytes body;
    switch (kind) {
    case DAT_BITMAP: {
        static const int depths[] = {24, 16, -32, 8, 15, 32};
        const int bits = depths[variant % 6];
        const int px = bits == 8 ? 1 : bits == 15 || bits == 16 ? 2 : bits == -32 ? 4 : 3;
        be(body, static_cast<uint16_t>(bits), 2);
        be(body, 3, 2);
        be(body, 2, 2);
        for (int i = 0; i < 3 * 2 * px; ++i)
            body.push_back(static_cast<uint8_t>(i * 37 + variant));
        break;
    }
    case DAT_SAMPLE:
        be(body, variant % 2 ? 8 : static_cast<uint16_t>(-16), 2);
        be(body, 22050, 2);
        be(body, 4, 4);
        for (int i = 0; i < (variant % 2 ? 4 : 16); ++i)
            body.push_back(static_cast<uint8_t>(i));
        break;
    case DAT_FONT:
        be(body, 0, 2);     // new format
        be(body, 1, 2);     // one range
        body.push_back(0);  // colour glyphs
        be(body, 32, 4);
        be(body, 33, 4);
        for (int g = 0; g < 2; ++g) {
            be(body, 2, 2);
            be(body, 2, 2);
            for (int i = 0; i < 4; ++i)
                body.push_back(static_cast<uint8_t>(i + g));
        }
        break;
    case DAT_PALETTE:
        for (int i = 0; i < 256 * 4; ++i)
            body.push_back(static_cast<uint8_t>(i % 4 == 3 ? 0 : (i / 4) % 64));
        break;
    default:
        body.push_back('x');
        break;
    }
    return body;
}

// The smallest well-formed object of each kind, stored as it is.
Bytes object_of(int kind, bool with_name, int variant)
{
    const Bytes body = body_of(kind, variant);
    Bytes o;
    if (with_name) {
        id(o, "prop");
        id(o, "NAME");
        be(o, 4, 4);
        id(o, "obj0");
    }
    be(o, static_cast<uint32_t>(kind), 4);
    be(o, static_cast<uint32_t>(body.size()), 4);
    be(o, static_cast<uint32_t>(body.size()), 4);
    o.insert(o.end(), body.begin(), body.end());
    return o;
}

Bytes file_bytes(const std::string& path)
{
    Bytes b;
    FILE* f = std::fopen(path.c_str(), "rb");
    fuzz_check(f != nullptr, "file written by the library");
    int c;
    while ((c = std::fgetc(f)) != EOF)
        b.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
    return b;
}

// The same objects written through the library's packfile writer, packed as a
// whole and/or object by object, as its archiver does.
Bytes library_written(const std::vector<int>& kinds, bool pack_whole, bool pack_objects, uint8_t control)
{
    const std::string path = scratch_file + ".seed";
    PACKFILE* f = pack_fopen(path.c_str(), pack_whole ? F_WRITE_PACKED : F_WRITE_NOPACK);
    fuzz_check(f != nullptr, "seed file");
    pack_mputl(DAT_MAGIC, f);
    pack_mputl(static_cast<long>(kinds.size()), f);
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (i % 5 == 0) {
            pack_mputl(DAT_PROPERTY, f);
            pack_mputl(DAT_NAME, f);
            pack_mputl(4, f);
            pack_fwrite("obj0", 4, f);
        }
        pack_mputl(kinds[i], f);
        Bytes body = body_of(kinds[i], static_cast<int>(i));
        f = pack_fopen_chunk(f, pack_objects);
        fuzz_check(f != nullptr, "seed chunk");
        pack_fwrite(body.data(), static_cast<long>(body.size()), f);
        f = pack_fclose_chunk(f);
    }
    pack_fclose(f);
    Bytes b = file_bytes(path);
    std::remove(path.c_str());
    b.insert(b.begin(), control);
    return b;
}

Bytes archive_of(const std::vector<int>& kinds, uint8_t control)
{
    Bytes b;
    b.push_back(control);
    id(b, "slh.");
    id(b, "ALL.");
    be(b, static_cast<uint32_t>(kinds.size()), 4);
    for (size_t i = 0; i < kinds.size(); ++i) {
        const Bytes o = object_of(kinds[i], i % 5 == 0, static_cast<int>(i));
        b.insert(b.end(), o.begin(), o.end());
    }
    return b;
}

std::vector<int> game_kinds()
{
    std::vector<int> k;
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i)
        k.push_back(game_archive_kind(i));
    return k;
}

const std::vector<int> ENDING_KINDS = {DAT_BITMAP, DAT_BITMAP};

}  // namespace

std::vector<std::vector<uint8_t>> fuzz_builtin_seeds()
{
    start_library();
    const std::vector<int> game = game_kinds();
    std::vector<int> game_and_more = game;  // objects beyond the table: any kind the check walks
    game_and_more.push_back(DAT_DATA);
    game_and_more.push_back(DAT_BITMAP);
    const std::vector<Bytes> seeds = {
        archive_of(game, 0),
        archive_of(ENDING_KINDS, 1),
        library_written(game, true, false, 2),
        library_written(game, false, true, 4),
        library_written(game_and_more, true, true, 6),
        library_written(ENDING_KINDS, true, false, 3),
    };
    // The seeds must pass the check, or the loading half would never run.
    for (const Bytes& seed : seeds) {
        const std::vector<int>& kinds = seed[0] % 2 ? ENDING_KINDS : game;
        fuzz_check(datafile_bytes_valid(seed.data() + 1, seed.size() - 1, kinds.data(), static_cast<int>(kinds.size())),
            "every seed is a well-formed archive");
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    if (size < 1)
        return 0;
    start_library();
    static const std::vector<int> game = game_kinds();
    const std::vector<int>& kinds = input[0] % 2 ? ENDING_KINDS : game;
    const int count = static_cast<int>(kinds.size());
    const uint8_t* bytes = input + 1;
    const size_t n = size - 1;
    // The exact bytes in a buffer of their own, so a read past them is caught.
    const Bytes copy(bytes, bytes + n);
    if (!datafile_bytes_valid(copy.data(), copy.size(), kinds.data(), count))
        return 0;

    FILE* f = std::fopen(scratch_file.c_str(), "wb");
    fuzz_check(f != nullptr, "scratch file");
    fuzz_check(std::fwrite(copy.data(), 1, copy.size(), f) == copy.size(), "scratch file written");
    std::fclose(f);
    fuzz_check(
        datafile_file_valid(scratch_file.c_str(), kinds.data(), count), "the file check agrees with the bytes check");
    DATAFILE* d = load_datafile(scratch_file.c_str());
    fuzz_check(d != nullptr, "an archive the check accepts loads whole");
    fuzz_check(datafile_loaded_usable(d, kinds.data(), count), "every object of the table loaded and of its kind");
    unload_datafile(d);
    std::remove(scratch_file.c_str());
    return 0;
}
