// The window's own icon as the game compiles it in: the picture the library
// hands to the window manager keeps few colours (the library asks the X server
// for each in turn when it opens a window) and still shows the painted icon of
// the same size from the EWMH list.
#include "window_icon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

struct Argb {
    int w = 0, h = 0;
    const unsigned long* px = nullptr;
};

Argb listed_icon(int size)
{
    for (int at = 0; at + 2 <= vorlin_icon_argb_len;) {
        Argb icon {static_cast<int>(vorlin_icon_argb[at]), static_cast<int>(vorlin_icon_argb[at + 1]),
            vorlin_icon_argb + at + 2};
        if (icon.w == size && icon.h == size)
            return icon;
        at += 2 + icon.w * icon.h;
    }
    return Argb {};
}

TEST(WindowIcon, FewColoursShowingThePaintedIcon)
{
    int w = 0, h = 0, colours = 0, chars = 0;
    ASSERT_EQ(std::sscanf(vorlin_icon_xpm[0], "%d %d %d %d", &w, &h, &colours, &chars), 4);
    ASSERT_EQ(chars, 2);
    EXPECT_LE(colours, 1 + 128) << "at most 128 colours and the see-through one";
    EXPECT_GE(colours, 1 + 16) << "a picture, not a silhouette";

    std::map<std::string, long> rgb;  // -1: see-through
    for (int i = 1; i <= colours; ++i) {
        const std::string row = vorlin_icon_xpm[i];
        const std::string value = row.substr(row.rfind(' ') + 1);
        rgb[row.substr(0, 2)] = value == "None" ? -1 : std::strtol(value.c_str() + 1, nullptr, 16);
    }
    const Argb painted = listed_icon(w);
    ASSERT_TRUE(painted.px) << "the EWMH list has no " << w << " pixel icon";
    ASSERT_EQ(painted.h, h);

    // Opaque enough pixels, flattened on the badge's darkest shade, against
    // the XPM's; the edge where coverage is about half may go either way.
    const int background[3] = {0x0c, 0x0e, 0x16};
    long error = 0, opaque = 0;
    for (int y = 0; y < h; ++y) {
        const std::string row = vorlin_icon_xpm[1 + colours + y];
        ASSERT_EQ(static_cast<int>(row.size()), 2 * w);
        for (int x = 0; x < w; ++x) {
            const unsigned long p = painted.px[y * w + x];
            const int a = static_cast<int>(p >> 24 & 255);
            const auto it = rgb.find(row.substr(2 * x, 2));
            ASSERT_NE(it, rgb.end()) << "pixel " << x << "," << y;
            if (a > 120 && a < 136)
                continue;
            ASSERT_EQ(it->second < 0, a < 128) << "pixel " << x << "," << y << " alpha " << a;
            if (a < 128)
                continue;
            ++opaque;
            for (int k = 0; k < 3; ++k) {
                const int painted_k = static_cast<int>(p >> (16 - 8 * k) & 255);
                const int flat = (painted_k * a + background[k] * (255 - a) + 127) / 255;
                error += std::abs(flat - static_cast<int>(it->second >> (16 - 8 * k) & 255));
            }
        }
    }
    ASSERT_GT(opaque, w * h / 2);
    EXPECT_LE(static_cast<double>(error) / (3.0 * opaque), 6.0) << "mean difference per channel, of 255";
}

}  // namespace
