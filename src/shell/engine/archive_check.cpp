// Walks a datafile's structure with every size checked against the bytes at
// hand, so that the library's loader only ever sees a consistent file.
#include "archive_check.h"
#include "datidx.h"
#include <allegro.h>
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

namespace {

const int PALETTE_ENTRIES = 256;
const int PALETTE_ENTRY_BYTES = 4;  // r, g, b and a padding byte
const int NEW_FORMAT_FONT = 0;      // older font formats are not written any more
const long MAX_GLYPHS_PER_RANGE = 0x10000;
const int UNPACK_BLOCK = 1 << 14;
// The library's LZSS format: a ring of 4096 bytes, matches of 3 to 18 bytes.
const int LZSS_RING = 4096;
const long LZSS_LOOKAHEAD = 18;
const int LZSS_MIN_MATCH = 3;

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

// What loading the objects walked so far takes.
struct LoadCost {
    size_t total = 0;
    size_t largest = 0;
    void add(size_t bytes)
    {
        total += bytes;
        largest = std::max(largest, bytes);
    }
};
const size_t MAX_PIXEL_BYTES = 4;

bool side_ok(long v)
{
    return v >= 1 && v <= MAX_ARCHIVE_SIDE;
}

long bitmap_pixel_bytes(int bits)
{
    switch (bits) {
    case 8:
        return 1;
    case 15:
    case 16:
        return 2;
    case 24:
    case 32:
        return 3;  // 32-bit pictures without alpha are stored as r, g, b
    case -32:
        return 4;
    default:
        return 0;
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

// Kinds the loader builds structures from that this check does not walk.
bool unchecked_structure(long type)
{
    return type == DAT_FILE || type == DAT_MIDI || type == DAT_RLE_SPRITE || type == DAT_C_SPRITE ||
        type == DAT_XC_SPRITE || type == DAT_END;
}

bool contents_ok(long kind, Reader& r, size_t end)
{
    switch (kind) {
    case DAT_BITMAP:
        return bitmap_ok(r, end);
    case DAT_SAMPLE:
        return sample_ok(r, end);
    case DAT_FONT:
        return font_ok(r, end);
    case DAT_PALETTE:
        return r.skip(PALETTE_ENTRIES * PALETTE_ENTRY_BYTES) && r.at == end;
    default:
        return !unchecked_structure(kind) && r.skip(end - r.at);  // raw bytes, loaded as they are
    }
}

// Bytes in memory as a packfile, so the library's own decoder unpacks them.
struct MemoryIn {
    const unsigned char* bytes;
    size_t size;
    size_t at;
};

MemoryIn& in_of(void* userdata)
{
    return *static_cast<MemoryIn*>(userdata);
}
int memory_fclose(void*)
{
    return 0;
}
int memory_getc(void* u)
{
    return in_of(u).at < in_of(u).size ? in_of(u).bytes[in_of(u).at++] : EOF;
}
int memory_ungetc(int c, void* u)
{
    if (in_of(u).at == 0)
        return EOF;
    --in_of(u).at;
    return c;
}
long memory_fread(void* p, long n, void* u)
{
    MemoryIn& in = in_of(u);
    const size_t take = std::min(static_cast<size_t>(std::max(n, 0L)), in.size - in.at);
    std::copy(in.bytes + in.at, in.bytes + in.at + take, static_cast<unsigned char*>(p));
    in.at += take;
    return static_cast<long>(take);
}
int memory_putc(int, void*)
{
    return EOF;
}
long memory_fwrite(const void*, long, void*)
{
    return 0;
}
int memory_fseek(void* u, int offset)
{
    MemoryIn& in = in_of(u);
    if (offset < 0 || static_cast<size_t>(offset) > in.size - in.at)
        return -1;
    in.at += static_cast<size_t>(offset);
    return 0;
}
int memory_feof(void* u)
{
    return in_of(u).at >= in_of(u).size;
}
int memory_ferror(void*)
{
    return 0;
}

const PACKFILE_VTABLE MEMORY_IN_VTABLE = {memory_fclose, memory_getc, memory_ungetc, memory_fread, memory_putc,
    memory_fwrite, memory_fseek, memory_feof, memory_ferror};

// The library's decoder starts with a ring of LZSS_RING bytes whose last
// LZSS_LOOKAHEAD positions are not set until its first output bytes land
// there. A packed stream that copies from them before that unpacks to whatever
// memory held (differently from one run to the next, so the loader could see
// other sizes than this check): such a stream is refused. Only the first
// LZSS_LOOKAHEAD output bytes (or `want`, if fewer) can do it.
bool lzss_start_defined(const unsigned char* packed, size_t size, long want)
{
    const long upto = want >= 0 ? std::min(want, LZSS_LOOKAHEAD) : LZSS_LOOKAHEAD;
    const int first = LZSS_RING - LZSS_LOOKAHEAD;  // where the first output byte goes
    size_t at = 0;
    long out = 0;
    while (out < upto && at < size) {
        const int flags = packed[at++];
        for (int bit = 0; bit < 8 && out < upto; ++bit) {
            if (flags & (1 << bit)) {  // one byte as it is
                if (at >= size)
                    return true;
                ++at;
                ++out;
                continue;
            }
            if (at + 1 >= size)  // the decoder stops at the end of its input
                return true;
            const int from = packed[at] | (packed[at + 1] & 0xF0) << 4;
            const int length = (packed[at + 1] & 0x0F) + LZSS_MIN_MATCH;
            at += 2;
            for (int c = 0; c < length && out < upto; ++c, ++out) {
                const int pos = (from + c) & (LZSS_RING - 1);
                if (pos >= first && pos - first >= out)
                    return false;
            }
        }
    }
    return true;
}

// Unpacks LZSS-packed bytes with the library's decoder into `out`. With `want`
// >= 0 it stops after that many bytes, which must all come from `packed`;
// otherwise it runs to the end of `packed`. `used` tells how many packed bytes
// were taken, which is where the library's reader would stand. False when the
// output would pass MAX_ARCHIVE_BYTES.
bool unpack(const unsigned char* packed, size_t size, long want, std::vector<unsigned char>& out, size_t& used)
{
    used = 0;
    if (want > static_cast<long>(MAX_ARCHIVE_BYTES) || !lzss_start_defined(packed, size, want))
        return false;
    MemoryIn in {packed, size, 0};
    PACKFILE* f = pack_fopen_vtable(&MEMORY_IN_VTABLE, &in);
    LZSS_UNPACK_DATA* lz = create_lzss_unpack_data();
    bool ok = f && lz;
    std::vector<unsigned char> block(UNPACK_BLOCK);
    while (ok) {
        int ask = UNPACK_BLOCK;
        if (want >= 0) {
            const size_t left = static_cast<size_t>(want) - out.size();
            if (left == 0)
                break;
            ask = static_cast<int>(std::min(left, static_cast<size_t>(UNPACK_BLOCK)));
        }
        const int got = lzss_read(f, lz, ask, block.data());
        if (got <= 0)
            break;
        if (out.size() + static_cast<size_t>(got) > MAX_ARCHIVE_BYTES)
            ok = false;
        else
            out.insert(out.end(), block.begin(), block.begin() + got);
    }
    used = in.at;
    if (lz)
        free_lzss_unpack_data(lz);
    if (f)
        pack_fclose(f);
    return ok && (want < 0 || out.size() == static_cast<size_t>(want));
}

// Memory the library's loader takes for an object: a bitmap at up to four
// bytes a pixel with its line pointers, anything else about its own size.
size_t loaded_bytes(long type, const unsigned char* contents, size_t size)
{
    if (type != DAT_BITMAP || size < 6)
        return size;
    Reader head {contents, size, 0, false};
    head.s16();
    const size_t w = static_cast<size_t>(head.s16()), h = static_cast<size_t>(head.s16());
    return w * h * MAX_PIXEL_BYTES + h * sizeof(void*);
}

bool object_ok(Reader& r, int kind, LoadCost& cost)
{
    long type;
    for (;;) {
        type = r.s32();
        if (r.failed)
            return false;
        if (type != DAT_PROPERTY)
            break;
        r.s32();  // the property's own id
        const long len = r.s32();
        if (r.failed || len < 0 || !r.skip(static_cast<size_t>(len)))
            return false;
    }
    const long stored = r.s32(), unpacked = r.s32();
    if (r.failed || stored < 0 || !r.has(static_cast<size_t>(stored)))
        return false;
    if (kind == ARCHIVE_ANY_KIND ? unchecked_structure(type) : type != kind)
        return false;
    const size_t end = r.at + static_cast<size_t>(stored);
    if (unpacked >= 0) {
        // Stored as it is: the loader reads `unpacked` bytes in place.
        Reader body {r.bytes, end, r.at, false};
        if (stored != unpacked || !contents_ok(type, body, end) || body.at != end)
            return false;
        cost.add(loaded_bytes(type, r.bytes + r.at, static_cast<size_t>(stored)));
    } else {
        // Packed on its own: the loader unpacks from here until it has
        // -unpacked bytes, and must then stand at the end of the stored bytes.
        std::vector<unsigned char> contents;
        size_t used = 0;
        if (!unpack(r.bytes + r.at, static_cast<size_t>(stored), -unpacked, contents, used) ||
            used != static_cast<size_t>(stored))
            return false;
        Reader body {contents.data(), contents.size(), 0, false};
        if (!contents_ok(type, body, contents.size()) || body.at != contents.size())
            return false;
        cost.add(loaded_bytes(type, contents.data(), contents.size()));
    }
    r.at = end;
    return true;
}

}  // namespace

int game_archive_kind(int index)
{
    switch (index) {
    case SND_BUMP:
    case SND_BALL_BURST:
    case SND_ONE_UP:
    case SND_PLAYER_DEATH:
    case SND_ZAP:
    case SND_ENGINE:
    case SND_EXPLOSION:
    case SND_RISE:
    case SND_SPIT:
    case SND_TURD_DIES:
    case SND_PLAYER_SHOT:
        return DAT_SAMPLE;
    case FNT_MAIN:
        return DAT_FONT;
    case PAL_GAME:
        return DAT_PALETTE;
    case TXT_KEYBOARD_HELP:
        return DAT_DATA;
    case UNUSED_35:
    case UNUSED_92:
    case UNUSED_98:
    case UNUSED_100:
        return ARCHIVE_ANY_KIND;
    default:
        return DAT_BITMAP;
    }
}

namespace {

enum class Verdict { VALID, DAMAGED, NO_MEMORY };

Verdict check_bytes(const unsigned char* bytes, size_t size, const int* kinds, int count, LoadCost& cost)
{
    Reader file {bytes, size, 0, false};
    const long magic = file.s32();
    if (file.failed)
        return Verdict::DAMAGED;
    Reader r {bytes + file.at, size - file.at, 0, false};
    std::vector<unsigned char> unpacked;
    if (magic == static_cast<long>(static_cast<int>(F_PACK_MAGIC))) {
        // Packed as a whole: the loader reads what the library's decoder makes
        // of the rest. Its start is tried first, so that a file that only
        // claims to be packed is not unpacked whole.
        size_t used = 0;
        std::vector<unsigned char> start;
        if (!unpack(r.bytes, r.size, 4, start, used) ||
            Reader {start.data(), start.size(), 0, false}.s32() != DAT_MAGIC ||
            !unpack(r.bytes, r.size, -1, unpacked, used))
            return Verdict::DAMAGED;
        r = Reader {unpacked.data(), unpacked.size(), 0, false};
    } else if (magic != static_cast<long>(static_cast<int>(F_NOPACK_MAGIC))) {
        return Verdict::DAMAGED;
    }
    if (r.s32() != DAT_MAGIC)
        return Verdict::DAMAGED;
    const long total = r.s32();
    if (r.failed || total < count)
        return Verdict::DAMAGED;
    // The loader reads the objects it is told of and nothing after them.
    for (long i = 0; i < total; ++i)
        if (!object_ok(r, i < count ? kinds[i] : ARCHIVE_ANY_KIND, cost))
            return Verdict::DAMAGED;
    return Verdict::VALID;
}

// The check never throws: unpacking a large archive may need more memory
// than there is, which the caller reports as such.
Verdict check_bytes_in_memory(const unsigned char* bytes, size_t size, const int* kinds, int count, LoadCost& cost)
{
    try {
        return check_bytes(bytes, size, kinds, count, cost);
    } catch (const std::bad_alloc&) {
        return Verdict::NO_MEMORY;
    }
}

}  // namespace

bool datafile_bytes_valid(const unsigned char* bytes, size_t size, const int* kinds, int count)
{
    LoadCost cost;
    return check_bytes_in_memory(bytes, size, kinds, count, cost) == Verdict::VALID;
}

ArchiveFileCheck check_datafile_file(const char* path, const int* kinds, int count)
{
    ArchiveFileCheck result;
    FileBytes bytes;
    result.found = read_regular_file(path, static_cast<long>(MAX_ARCHIVE_BYTES), bytes, result.err);
    if (result.found != FileCheck::READ)
        return result;
    LoadCost cost;
    const Verdict verdict = check_bytes_in_memory(bytes.data.get(), bytes.size, kinds, count, cost);
    if (verdict == Verdict::NO_MEMORY)
        result.found = FileCheck::NO_MEMORY;
    result.valid = verdict == Verdict::VALID;
    // One object is held twice while it is converted to the screen's depth.
    result.load_bytes = cost.total + cost.largest;
    return result;
}

bool datafile_file_valid(const char* path, const int* kinds, int count)
{
    return check_datafile_file(path, kinds, count).valid;
}

bool datafile_loaded_usable(const DATAFILE* d, const int* kinds, int count)
{
    // Stops at the end marker: a short archive is never read past its end.
    for (int i = 0; i < count; i++)
        if (d[i].type == DAT_END || (kinds[i] != ARCHIVE_ANY_KIND && d[i].type != kinds[i]) || !d[i].dat)
            return false;
    return true;
}
