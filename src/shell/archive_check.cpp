// Walks a datafile's structure with every size checked against the bytes at
// hand, so that the library's loader only ever sees a consistent file.
#include "archive_check.h"
#include "datidx.h"
#include <allegro.h>
#include <cstdio>
#include <vector>

namespace {

const int PALETTE_ENTRIES = 256;
const int PALETTE_ENTRY_BYTES = 4;       // r, g, b and a padding byte
const int NEW_FORMAT_FONT = 0;           // older font formats are not written any more
const long MAX_GLYPHS_PER_RANGE = 0x10000;

// A bounded big-endian reader: any read past the end marks it failed and
// yields 0, so a walk over a damaged file simply fails its checks.
struct Reader {
    const unsigned char* bytes;
    size_t size;
    size_t at;
    bool failed;

    bool has(size_t n) const { return !failed && n <= size - at; }
    unsigned long u(int n)
    {
        if (!has(static_cast<size_t>(n))) {
            failed = true;
            return 0;
        }
        unsigned long v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | bytes[at++];
        return v;
    }
    int u8() { return static_cast<int>(u(1)); }
    int s16() { return static_cast<short>(u(2)); }
    long s32() { return static_cast<int>(u(4)); }
    bool skip(size_t n)
    {
        if (!has(n)) {
            failed = true;
            return false;
        }
        at += n;
        return true;
    }
};

bool side_ok(long v) { return v >= 1 && v <= MAX_ARCHIVE_SIDE; }

long bitmap_pixel_bytes(int bits)
{
    switch (bits) {
    case 8: return 1;
    case 15: case 16: return 2;
    case 24: case 32: return 3;   // 32-bit pictures without alpha are stored as r, g, b
    case -32: return 4;
    default: return 0;
    }
}

bool bitmap_ok(Reader& r, size_t end)
{
    const int bits = r.s16();
    const long w = r.s16(), h = r.s16();
    const long px = bitmap_pixel_bytes(bits);
    if (r.failed || px == 0 || !side_ok(w) || !side_ok(h))
        return false;
    return r.skip(static_cast<size_t>(w * h * px)) && r.at == end;
}

bool sample_ok(Reader& r, size_t end)
{
    int bits = r.s16();
    const int channels = bits < 0 ? 2 : 1;
    if (bits < 0)
        bits = -bits;
    const long freq = r.u(2);
    const long length = r.s32();
    if (r.failed || (bits != 8 && bits != 16) || freq <= 0 || length < 0)
        return false;
    const size_t body = static_cast<size_t>(length) * channels * (bits / 8);
    return r.skip(body) && r.at == end;
}

bool font_ok(Reader& r, size_t end)
{
    if (r.s16() != NEW_FORMAT_FONT)
        return false;
    const int ranges = r.s16();
    if (r.failed || ranges < 1)
        return false;
    for (int i = 0; i < ranges; ++i) {
        const int mono = r.u8();
        const long begin = r.s32(), last = r.s32();
        if (r.failed || begin < 0 || last < begin || last - begin >= MAX_GLYPHS_PER_RANGE)
            return false;
        for (long c = begin; c <= last; ++c) {
            const long w = r.s16(), h = r.s16();
            if (r.failed || !side_ok(w) || !side_ok(h))
                return false;
            const long row = mono ? (w + 7) / 8 : w;
            if (!r.skip(static_cast<size_t>(row * h)))
                return false;
        }
    }
    return r.at == end;
}

bool contents_ok(int kind, Reader& r, size_t end)
{
    switch (kind) {
    case DAT_BITMAP: return bitmap_ok(r, end);
    case DAT_SAMPLE: return sample_ok(r, end);
    case DAT_FONT: return font_ok(r, end);
    case DAT_PALETTE: return r.skip(PALETTE_ENTRIES * PALETTE_ENTRY_BYTES) && r.at == end;
    case DAT_DATA: return r.skip(end - r.at);
    default: return false;
    }
}

bool object_ok(Reader& r, int kind)
{
    long type;
    for (;;) {
        type = r.s32();
        if (r.failed)
            return false;
        if (type != DAT_PROPERTY)
            break;
        r.s32();                       // the property's own id
        const long len = r.s32();
        if (r.failed || len < 0 || !r.skip(static_cast<size_t>(len)))
            return false;
    }
    const long stored = r.s32(), unpacked = r.s32();
    // Compressed objects are not written by the game's generator; their
    // contents could not be checked here.
    if (r.failed || type != kind || stored < 0 || stored != unpacked || !r.has(static_cast<size_t>(stored)))
        return false;
    const size_t end = r.at + static_cast<size_t>(stored);
    Reader body{r.bytes, end, r.at, false};
    if (!contents_ok(kind, body, end) || body.at != end)
        return false;
    r.at = end;
    return true;
}

} // namespace

int game_archive_kind(int index)
{
    switch (index) {
    case SND_BUMP: case SND_BALL_BURST: case SND_ONE_UP: case SND_PLAYER_DEATH: case SND_ZAP:
    case SND_ENGINE: case SND_EXPLOSION: case SND_RISE: case SND_SPIT: case SND_TURD_DIES:
    case SND_PLAYER_SHOT:
        return DAT_SAMPLE;
    case FNT_MAIN:
        return DAT_FONT;
    case PAL_GAME:
        return DAT_PALETTE;
    case TXT_KEYBOARD_HELP: case UNUSED_35: case UNUSED_92: case UNUSED_98: case UNUSED_100:
        return DAT_DATA;
    default:
        return DAT_BITMAP;
    }
}

bool datafile_bytes_valid(const unsigned char* bytes, size_t size, const int* kinds, int count)
{
    Reader r{bytes, size, 0, false};
    if (r.s32() != static_cast<long>(static_cast<int>(F_NOPACK_MAGIC)) || r.s32() != DAT_MAGIC)
        return false;
    if (r.s32() != count || r.failed)
        return false;
    for (int i = 0; i < count; ++i)
        if (!object_ok(r, kinds[i]))
            return false;
    return r.at == size;
}

bool datafile_file_valid(const char* path, const int* kinds, int count)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    const bool read_error = std::ferror(f) != 0;
    std::fclose(f);
    return !read_error && datafile_bytes_valid(bytes.data(), bytes.size(), kinds, count);
}
