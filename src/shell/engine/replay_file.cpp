// Replay files written and read: varints, the games' events and the closing
// CRC-32, every reading bounded by the bytes there are.
#include "replay_file.h"
#include "facts.h"
#include <cstring>

namespace {

const uint8_t TAG_GAME = 'G';
const uint8_t TAG_RUN = 'R';
const uint8_t TAG_ATTEMPT = 'A';
const uint8_t TAG_GAME_END = 'E';
const uint8_t TAG_FILE_END = 'Z';
const int CRC_BYTES = 4;
const int CHECKSUM_BYTES = 8;
const int VARINT_MAX_BYTES = 10;
const uint32_t FIRST_RESULT = 1, LAST_RESULT = 4;  // GAME_OVER .. GAME_NEXTLVL
const uint32_t MAX_RUN_TICKS = 1u << 30;

void put_varint(std::vector<uint8_t>& out, uint64_t v)
{
    while (v >= 0x80) {
        out.push_back(static_cast<uint8_t>(v | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<uint8_t>(v));
}

void put_fixed(std::vector<uint8_t>& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; i++)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Reads the bytes in order; the first problem met stops it and is kept.
struct Reader {
    const uint8_t* p;
    const uint8_t* end;
    std::string why;

    bool fail(const std::string& w)
    {
        if (why.empty())
            why = w;
        return false;
    }
    bool truncated(const char* inside) { return fail(std::string("is truncated (it ends inside ") + inside + ")"); }
    bool byte(uint8_t& b, const char* what)
    {
        if (p >= end)
            return truncated(what);
        b = *p++;
        return true;
    }
    bool varint(uint64_t& v, const char* what)
    {
        v = 0;
        for (int i = 0; i < VARINT_MAX_BYTES; i++) {
            uint8_t b = 0;
            if (!byte(b, what))
                return false;
            // The tenth byte may carry only the top bit of 64.
            if (i == VARINT_MAX_BYTES - 1 && b > 1)
                return fail(std::string("is damaged (") + what + " is out of range)");
            v |= static_cast<uint64_t>(b & 0x7f) << (7 * i);
            // One way to write each number: a longer form is not the writer's.
            if (!(b & 0x80))
                return b != 0 || i == 0 || fail(std::string("is damaged (") + what + " is badly written)");
        }
        return fail(std::string("is damaged (") + what + " is out of range)");
    }
    bool number(uint32_t& v, uint64_t low, uint64_t high, const char* what)
    {
        uint64_t n = 0;
        if (!varint(n, what))
            return false;
        if (n < low || n > high)
            return fail(std::string("is damaged (") + what + " " + std::to_string(n) + " is out of range)");
        v = static_cast<uint32_t>(n);
        return true;
    }
    bool fixed(uint64_t& v, int bytes, const char* what)
    {
        v = 0;
        for (int i = 0; i < bytes; i++) {
            uint8_t b = 0;
            if (!byte(b, what))
                return false;
            v |= static_cast<uint64_t>(b) << (8 * i);
        }
        return true;
    }
};

bool read_game(Reader& r, ReplayGame& g)
{
    uint32_t debug = 0;
    if (!r.number(g.start_level, FIRST_LEVEL, NUM_LEVELS, "the start level") ||
        !r.number(g.seed, 0, UINT32_MAX, "the seed") || !r.number(g.carry.lives, 0, REPLAY_MAX_LIVES, "the lives") ||
        !r.number(g.carry.edge_flags, 0, UINT32_MAX, "the carried controls") ||
        !r.number(g.carry.collide_count, 0, UINT32_MAX, "the carried bump count") ||
        !r.number(debug, 0, 1, "the debug switch"))
        return false;
    g.debug = debug != 0;
    for (;;) {
        uint8_t tag = 0;
        if (!r.byte(tag, "a game"))
            return false;
        if (tag == TAG_GAME_END)
            return true;
        ReplayEvent e;
        if (tag == TAG_RUN) {
            e.kind = ReplayEvent::RUN;
            if (!r.varint(e.input, "a run of ticks") || !r.number(e.ticks, 1, MAX_RUN_TICKS, "a run's length"))
                return false;
        } else if (tag == TAG_ATTEMPT) {
            e.kind = ReplayEvent::ATTEMPT;
            if (!r.number(e.level, FIRST_LEVEL, NUM_LEVELS, "an attempt's level") ||
                !r.number(e.result, FIRST_RESULT, LAST_RESULT, "an attempt's result") ||
                !r.fixed(e.checksum, CHECKSUM_BYTES, "an attempt's check sum"))
                return false;
        } else {
            return r.fail("is damaged (an unknown entry inside a game)");
        }
        g.events.push_back(e);
    }
}

}  // namespace

uint32_t crc32_of(const uint8_t* bytes, size_t size)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        made = true;
    }
    uint32_t c = 0xffffffffu;
    for (size_t i = 0; i < size; i++)
        c = table[(c ^ bytes[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

std::vector<uint8_t> replay_encode(const ReplayFile& f)
{
    std::vector<uint8_t> out(REPLAY_MAGIC, REPLAY_MAGIC + REPLAY_MAGIC_BYTES);
    put_varint(out, REPLAY_FORMAT_VERSION);
    put_varint(out, f.game_version.size());
    out.insert(out.end(), f.game_version.begin(), f.game_version.end());
    put_varint(out, f.key_controls);
    put_varint(out, f.joy_buttons);
    for (uint8_t b : f.joystick)
        put_varint(out, b);
    for (const ReplayGame& g : f.games) {
        out.push_back(TAG_GAME);
        for (uint32_t v : {g.start_level, g.seed, g.carry.lives, g.carry.edge_flags, g.carry.collide_count})
            put_varint(out, v);
        put_varint(out, g.debug ? 1 : 0);
        for (const ReplayEvent& e : g.events) {
            if (e.kind == ReplayEvent::RUN) {
                out.push_back(TAG_RUN);
                put_varint(out, e.input);
                put_varint(out, e.ticks);
            } else {
                out.push_back(TAG_ATTEMPT);
                put_varint(out, e.level);
                put_varint(out, e.result);
                put_fixed(out, e.checksum, CHECKSUM_BYTES);
            }
        }
        out.push_back(TAG_GAME_END);
    }
    out.push_back(TAG_FILE_END);
    put_fixed(out, crc32_of(out.data(), out.size()), CRC_BYTES);
    return out;
}

bool replay_decode(const uint8_t* bytes, size_t size, ReplayFile& f, std::string& why)
{
    f = ReplayFile();
    if (size > REPLAY_MAX_BYTES) {
        why = "is too large to be a replay (over " + std::to_string(REPLAY_MAX_BYTES >> 20) + " MB)";
        return false;
    }
    if (size < REPLAY_MAGIC_BYTES || std::memcmp(bytes, REPLAY_MAGIC, REPLAY_MAGIC_BYTES) != 0) {
        why = "is not a replay of this game (it does not begin with " + std::string(REPLAY_MAGIC) + ")";
        return false;
    }
    Reader r {bytes + REPLAY_MAGIC_BYTES, bytes + size, ""};
    uint64_t format = 0;
    if (!r.varint(format, "the format version")) {
        why = r.why;
        return false;
    }
    if (format != REPLAY_FORMAT_VERSION) {
        why = "is in replay format " + std::to_string(format) + "; this game reads format " +
            std::to_string(REPLAY_FORMAT_VERSION);
        return false;
    }
    uint32_t version_chars = 0;
    bool ok = r.number(version_chars, 0, REPLAY_VERSION_MAX_CHARS, "the game version's length");
    if (ok && static_cast<size_t>(r.end - r.p) < version_chars)
        ok = r.truncated("the game version");
    if (ok) {
        f.game_version.assign(reinterpret_cast<const char*>(r.p), version_chars);
        r.p += version_chars;
    }
    ok = ok && r.number(f.key_controls, 0, 64, "the number of key controls") &&
        r.number(f.joy_buttons, 0, 64, "the number of joystick buttons");
    for (int i = 0; ok && i < REPLAY_JOYSTICK_CONTROLS; i++) {
        uint32_t b = 0;
        ok = r.number(b, 0, 255, "the joystick mapping");
        f.joystick[i] = static_cast<uint8_t>(b);
    }
    while (ok) {
        uint8_t tag = 0;
        if (!r.byte(tag, "the list of games")) {
            ok = false;
        } else if (tag == TAG_FILE_END) {
            break;
        } else if (tag != TAG_GAME) {
            ok = r.fail("is damaged (an unknown entry between games)");
        } else {
            f.games.emplace_back();
            ok = read_game(r, f.games.back());
        }
    }
    uint64_t crc = 0;
    const size_t covered = static_cast<size_t>(r.p - bytes);
    ok = ok && r.fixed(crc, CRC_BYTES, "its closing check sum");
    if (ok && r.p != r.end)
        ok = r.fail("has " + std::to_string(r.end - r.p) + " bytes of something else after its end");
    if (ok && crc != crc32_of(bytes, covered))
        ok = r.fail("is damaged (its bytes do not match its check sum)");
    if (ok && f.games.empty())
        ok = r.fail("holds no game (the recording ended on the title)");
    if (!ok) {
        why = r.why;
        f = ReplayFile();
    }
    return ok;
}

bool replay_matches_build(
    const ReplayFile& f, const std::string& version, uint32_t key_controls, uint32_t joy_buttons, std::string& why)
{
    if (f.game_version != version) {
        why = "was recorded by version " + f.game_version + " of the game; this is version " + version;
        return false;
    }
    if (f.key_controls != key_controls || f.joy_buttons != joy_buttons) {
        why = "was recorded by a build with other controls (" + std::to_string(f.key_controls) + " keys and " +
            std::to_string(f.joy_buttons) + " buttons; this one has " + std::to_string(key_controls) + " and " +
            std::to_string(joy_buttons) + ")";
        return false;
    }
    for (uint8_t b : f.joystick)
        if (b >= joy_buttons) {
            why = "is damaged (its joystick mapping names button " + std::to_string(b) + ")";
            return false;
        }
    return true;
}
