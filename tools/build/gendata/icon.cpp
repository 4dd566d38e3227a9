// The game's application icon: the player's craft on a hot badge, painted at
// each size the desktops ask for (so small sizes stay crisp rather than being
// shrunk from a big one), written as PNG files and as a C++ source that the
// game compiles in for its window.
#include "icon.h"

#include "art.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int ICON_SIZES[] = {16, 32, 48, 64, 128, 256};
// The window's own icon: the library hands one picture to the window manager
// (WM_HINTS); the sizes the EWMH icon list carries go beside it.
const int WINDOW_XPM_SIZE = 48;
const int WINDOW_LIST_SIZES[] = {16, 32, 48, 64};
// Colours at most in the window's own icon (see xpm_source).
const int XPM_COLOURS = 128;

RGBA c(uint32_t hex, float a = 1.0f)
{
    return rgb(hex, a);
}

// Badge: a rounded steel plate with an orange rim, lit from the top-left like
// every sprite, with a lava glow rising from its lower right.
void paint_badge(Image& img)
{
    const float n = static_cast<float>(img.w);
    const float m = n / 32.0f;  // margin
    const float rad = n * 0.2f;
    const Pen pen {&img, Xf {}};
    const float cx = n * 0.72f, cy = n * 0.86f, glow_r = n * 0.95f;
    pen.rrect(m, m, n - m, n - m, rad, [=](const Frag& f) {
        RGBA base = mix(c(0x2a3448), c(0x0c0e16), clamp01((f.x + f.y) / (2 * n)));
        const float d = std::hypot(f.x - cx, f.y - cy) / glow_r;
        base = mix(base, c(0xd8501a), 0.75f * (1 - smoothstep(0.0f, 1.0f, d)));
        return base;
    });
    // Rim: a bevelled orange band just inside the edge (not at 16 px, where it
    // would eat the craft's room).
    if (img.w >= 32) {
        const float band = std::max(1.2f, n / 24.0f);
        pen.fill(
            [=](float x, float y) {
                const float d = sd_rrect(x, y, m, m, n - m, n - m, rad);
                return std::fabs(d + band / 2) - band / 2;
            },
            0, 0, n, n, bevel(c(ink::CRAFT_TRIM), band, 0.6f));
    }
}

// A tracer leaving the gun: a glowing streak from (ax, ay) to (bx, by).
void tracer(Image& img, float ax, float ay, float bx, float by, float r)
{
    const Pen pen {&img, Xf {}};
    pen.capsule(ax, ay, bx, by, r * 2.2f, flat(c(0xff8020, 0.35f)));
    pen.capsule(ax, ay, bx, by, r, flat(c(0xfff0a0)));
}

uint32_t crc_of(const std::string& type, const std::string& data)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(type.data()), static_cast<uInt>(type.size()));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    return static_cast<uint32_t>(crc);
}

void put32(std::string& s, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        s.push_back(static_cast<char>((v >> shift) & 255));
}

void chunk(std::string& out, const std::string& type, const std::string& data)
{
    put32(out, static_cast<uint32_t>(data.size()));
    out += type;
    out += data;
    put32(out, crc_of(type, data));
}

uint8_t byte_of(float v)
{
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

struct Px8 {
    uint8_t r, g, b, a;
};
Px8 px8(const RGBA& p)
{
    return Px8 {byte_of(p.r), byte_of(p.g), byte_of(p.b), byte_of(p.a)};
}

bool write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

int channel(uint32_t rgb, int k)
{
    return static_cast<int>((rgb >> (16 - 8 * k)) & 255);
}

// The palette of at most `n` colours for `pixels` (0xRRGGBB, one entry per
// pixel, so that common colours weigh more) by median cut: the box of pixels
// with the widest range in one channel is split at its median there, keeping
// equal values together, until there are `n` boxes or none can be split; a
// box's colour is its pixels' mean. Maps every colour of `pixels` to its own.
std::map<uint32_t, uint32_t> median_cut(std::vector<uint32_t> pixels, int n)
{
    std::vector<std::pair<size_t, size_t>> boxes;  // [begin, end) in pixels
    if (!pixels.empty())
        boxes.emplace_back(0, pixels.size());
    auto widest = [&](const std::pair<size_t, size_t>& b, int& along) {
        int best = 0;
        for (int k = 0; k < 3; ++k) {
            int lo = 255, hi = 0;
            for (size_t i = b.first; i < b.second; ++i) {
                lo = std::min(lo, channel(pixels[i], k));
                hi = std::max(hi, channel(pixels[i], k));
            }
            if (hi - lo > best) {
                best = hi - lo;
                along = k;
            }
        }
        return best;
    };
    while (static_cast<int>(boxes.size()) < n) {
        size_t pick = boxes.size();
        int pick_range = 0, along = 0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            int k = 0;
            const int range = widest(boxes[b], k);
            if (range > pick_range) {
                pick = b;
                pick_range = range;
                along = k;
            }
        }
        if (pick == boxes.size())
            break;
        const auto [begin, end] = boxes[pick];
        std::sort(pixels.begin() + begin, pixels.begin() + end, [&](uint32_t a, uint32_t b) {
            return channel(a, along) != channel(b, along) ? channel(a, along) < channel(b, along) : a < b;
        });
        // The first change of value at or after the middle, else the last before it.
        size_t cut = begin + (end - begin) / 2;
        while (cut < end && channel(pixels[cut], along) == channel(pixels[cut - 1], along))
            ++cut;
        if (cut == end) {
            cut = begin + (end - begin) / 2;
            while (channel(pixels[cut], along) == channel(pixels[cut - 1], along))
                --cut;
        }
        boxes[pick] = {begin, cut};
        boxes.emplace_back(cut, end);
    }
    std::map<uint32_t, uint32_t> to;
    for (const auto& [begin, end] : boxes) {
        uint32_t mean = 0;
        for (int k = 0; k < 3; ++k) {
            long sum = 0;
            for (size_t i = begin; i < end; ++i)
                sum += channel(pixels[i], k);
            mean |= static_cast<uint32_t>((sum + static_cast<long>(end - begin) / 2) / static_cast<long>(end - begin))
                << (16 - 8 * k);
        }
        for (size_t i = begin; i < end; ++i)
            to[pixels[i]] = mean;
    }
    return to;
}

// XPM allows one colour per symbol and only a fully see-through "None";
// pixels under half covered become see-through, the rest are flattened on the
// badge's own darkest shade. The library asks the X server for the XPM's
// colours one at a time, a round trip each, whenever it opens a window: the
// painted icon's 1421 colours took 0.15-0.2 s of every start; XPM_COLOURS of
// them do not show at this size.
std::string xpm_source(const Image& img)
{
    static const char SYMBOLS[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$%&'()*+,-./:;<=>?@[]^_`{|}~";
    const int nsym = static_cast<int>(sizeof(SYMBOLS) - 1);
    std::vector<uint32_t> flat(img.px.size());
    std::vector<uint32_t> opaque;
    for (size_t i = 0; i < img.px.size(); ++i) {
        const RGBA& p = img.px[i];
        const Px8 q = px8(mix(c(0x0c0e16), with_alpha(p, 1), p.a));
        flat[i] = (uint32_t(q.r) << 16) | (uint32_t(q.g) << 8) | q.b;
        if (p.a >= 0.5f)
            opaque.push_back(flat[i]);
    }
    const std::map<uint32_t, uint32_t> palette = median_cut(opaque, XPM_COLOURS);
    std::map<uint32_t, int> colours;
    std::vector<int> index(img.px.size());
    for (size_t i = 0; i < img.px.size(); ++i) {
        if (img.px[i].a < 0.5f) {
            index[i] = -1;
            continue;
        }
        auto it = colours.emplace(palette.at(flat[i]), static_cast<int>(colours.size())).first;
        index[i] = it->second;
    }
    // Symbol 0 (a space) is "None"; the others use two characters each.
    auto sym = [&](int k) {
        if (k < 0)
            return std::string("  ");
        return std::string(1, SYMBOLS[k % nsym]) + SYMBOLS[k / nsym];
    };
    std::ostringstream o;
    o << "\"" << img.w << " " << img.h << " " << colours.size() + 1 << " 2\",\n";
    o << "\"   c None\",\n";
    std::vector<std::pair<int, uint32_t>> by_index;
    for (const auto& kv : colours)
        by_index.emplace_back(kv.second, kv.first);
    std::sort(by_index.begin(), by_index.end());
    char hex[16];
    for (const auto& e : by_index) {
        std::snprintf(hex, sizeof hex, "#%06X", e.second);
        o << "\"" << sym(e.first) << " c " << hex << "\",\n";
    }
    for (int y = 0; y < img.h; ++y) {
        o << "\"";
        for (int x = 0; x < img.w; ++x)
            o << sym(index[static_cast<size_t>(y) * img.w + x]);
        o << "\"" << (y + 1 < img.h ? ",\n" : "\n");
    }
    return o.str();
}

// EWMH icon list: width, height, then ARGB pixels, one list entry per size.
std::string argb_list_source()
{
    std::ostringstream o;
    int column = 0;
    for (int n : WINDOW_LIST_SIZES) {
        const Image img = art_icon(n);
        o << n << ", " << n << ",\n";
        for (const RGBA& p : img.px) {
            const Px8 q = px8(p);
            char buf[16];
            std::snprintf(
                buf, sizeof buf, "0x%08X,", (uint32_t(q.a) << 24) | (uint32_t(q.r) << 16) | (uint32_t(q.g) << 8) | q.b);
            o << buf << (++column % 8 == 0 ? "\n" : " ");
        }
        o << "\n";
        column = 0;
    }
    return o.str();
}

}

Image art_icon(int n)
{
    Image img(n, n);
    paint_badge(img);
    const float f = static_cast<float>(n);
    const auto craft = [](const Pen& p) { paint_craft(p, 0); };
    if (n < 32) {
        // Upright and as big as the badge allows: a tilted craft would blur.
        stamp(img, craft, size::PLAYER_W, size::PLAYER_H, f / 2, f / 2, (f - 2) / size::PLAYER_H, 0, 0, 0);
        return img;
    }
    // Turned towards the top-right and firing, as on the intro picture.
    const float angle = 0.55f, s = f * 0.68f / size::PLAYER_H;
    const float cx = f * 0.47f, cy = f * 0.56f;
    const float reach = (size::PLAYER_H / 2.0f - 1) * s;
    const float mx = cx + std::sin(angle) * reach, my = cy - std::cos(angle) * reach;
    tracer(img, mx, my, f * 0.9f, f * 0.1f, std::max(0.6f, f / 64.0f));
    stamp(img, craft, size::PLAYER_W, size::PLAYER_H, cx, cy, s, angle, std::max(1.0f, f / 48.0f), 0.45f);
    return img;
}

bool write_png(const std::string& path, const Image& img)
{
    std::string raw;
    raw.reserve(static_cast<size_t>(img.h) * (1 + 4 * img.w));
    for (int y = 0; y < img.h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < img.w; ++x) {
            const Px8 q = px8(img.at(x, y));
            raw.push_back(static_cast<char>(q.r));
            raw.push_back(static_cast<char>(q.g));
            raw.push_back(static_cast<char>(q.b));
            raw.push_back(static_cast<char>(q.a));
        }
    }
    uLongf packed_len = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packed_len, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &packed_len, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK)
        return false;
    packed.resize(packed_len);
    std::string ihdr;
    put32(ihdr, static_cast<uint32_t>(img.w));
    put32(ihdr, static_cast<uint32_t>(img.h));
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
    std::string out("\x89PNG\r\n\x1a\n", 8);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", "");
    return write_file(path, out);
}

bool write_icons(const std::string& dir)
{
    for (int n : ICON_SIZES) {
        const std::string path = dir + "/vorlin_" + std::to_string(n) + ".png";
        if (!write_png(path, art_icon(n))) {
            std::fprintf(stderr, "gendata: cannot write %s\n", path.c_str());
            return false;
        }
    }
    std::ostringstream src;
    src << "// Generated by gendata --icons: the game's window icon. Do not edit.\n"
        << "#include \"window_icon.h\"\n\n"
        << "static const char* const vorlin_icon_xpm_rows[] = {\n"
        << xpm_source(art_icon(WINDOW_XPM_SIZE)) << "};\n"
        << "const char* const* const vorlin_icon_xpm = vorlin_icon_xpm_rows;\n\n"
        << "static const unsigned long vorlin_icon_argb_list[] = {\n"
        << argb_list_source() << "};\n"
        << "const unsigned long* const vorlin_icon_argb = vorlin_icon_argb_list;\n"
        << "const int vorlin_icon_argb_len = sizeof(vorlin_icon_argb_list) / sizeof(vorlin_icon_argb_list[0]);\n";
    const std::string path = dir + "/vorlin_icon.cpp";
    if (!write_file(path + ".tmp", src.str()) || std::rename((path + ".tmp").c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "gendata: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}
