// The heads-up display: panel styles, slide-out, health pips, the temperature
// bar with its two patterns and the lives count.
#include "controls.h"
#include "game.h"
#include "player.h"
#include "registry.h"
#include "test_scene.h"
#include "test_support.h"
#include "engine.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

struct Rect {
    int x1, y1, x2, y2;
    bool empty;
};

// Bounding box of the pixels where two bitmaps differ.
Rect diff_box(BITMAP* a, BITMAP* b)
{
    Rect r {640, 480, -1, -1, true};
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y)) {
                r.empty = false;
                if (x < r.x1)
                    r.x1 = x;
                if (y < r.y1)
                    r.y1 = y;
                if (x > r.x2)
                    r.x2 = x;
                if (y > r.y2)
                    r.y2 = y;
            }
    return r;
}

class HudTest : public ::testing::Test {
protected:
    PLAYER* p = nullptr;
    BITMAP* ref = nullptr;
    int background = 0;

    void SetUp() override
    {
        headless_init(32);
        ASSERT_TRUE(data || headless_load_data());
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        std::memset(&joy[0], 0, sizeof(joy[0]));
        PLAYER::autohide_down = PLAYER::toggle_down = PLAYER::shoot_down = false;
        walls_at_screen_edges();
        p = place_player(320, 240);
        background = makecol(100, 100, 100);
        ref = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    }

    void TearDown() override
    {
        destroy_bitmap(ref);
        clear_scene();
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        std::memset(&joy[0], 0, sizeof(joy[0]));
    }

    // Draws the HUD on a plain background into buffer.
    void draw()
    {
        clear_to_color(buffer, background);
        p->draw_hud();
    }
    // The current picture becomes the reference for diff_box.
    void keep() { blit(buffer, ref, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT); }
};

TEST_F(HudTest, StyleWrapsBothWaysFromKeyAndButtons)
{
    p->joy_buttons[CONTROL_NEXT_HUD] = 5;
    p->joy_buttons[CONTROL_PREV_HUD] = 6;
    auto tap = [&](bool tab, int button) {
        Controls in;
        in.hud_panel = tab;
        if (button >= 0)
            in.button[button] = true;
        p->input(in);
        p->input(in);  // held: no second step
        p->input(Controls());
    };
    EXPECT_EQ(p->hud_type, 0);
    tap(true, -1);
    EXPECT_EQ(p->hud_type, 1);
    tap(false, 5);
    EXPECT_EQ(p->hud_type, 2);
    tap(true, -1);
    tap(true, -1);
    EXPECT_EQ(p->hud_type, 4);
    tap(true, -1);
    EXPECT_EQ(p->hud_type, 0);
    tap(false, 6);
    EXPECT_EQ(p->hud_type, 4);
    tap(false, 6);
    EXPECT_EQ(p->hud_type, 3);
    // Next and previous together: previous wins.
    tap(true, 6);
    EXPECT_EQ(p->hud_type, 2);
}

TEST_F(HudTest, SlidesOutIn17TicksAndBackIn17)
{
    Controls in;
    in.hide_hud = true;
    p->input(in);
    p->input(in);  // held: one toggle
    p->input(Controls());
    EXPECT_TRUE(p->hud_autohide);
    for (int i = 0; i < 16; i++)
        p->processing();
    EXPECT_EQ(p->hud_y, -59);
    p->processing();
    EXPECT_EQ(p->hud_y, -63);
    p->processing();
    EXPECT_EQ(p->hud_y, -63);

    p->toggle_hud_autohide();
    for (int i = 0; i < 16; i++)
        p->processing();
    EXPECT_EQ(p->hud_y, 1);
    p->processing();
    EXPECT_EQ(p->hud_y, 5);
    p->processing();
    EXPECT_EQ(p->hud_y, 5);

    // Switched in mid-slide it turns back from where it is.
    p->toggle_hud_autohide();
    for (int i = 0; i < 5; i++)
        p->processing();
    EXPECT_EQ(p->hud_y, -15);
    p->toggle_hud_autohide();
    for (int i = 0; i < 5; i++)
        p->processing();
    EXPECT_EQ(p->hud_y, 5);
}

TEST_F(HudTest, HiddenStripLeavesTheScreenAlone)
{
    p->hud_type = 2;
    p->gun_temp_shown = 1.0f;
    p->hud_y = -63;
    clear_to_color(buffer, background);
    keep();
    p->draw_hud();
    EXPECT_TRUE(diff_box(buffer, ref).empty);
}

TEST_F(HudTest, PipsOnePerHealthPoint)
{
    p->hp = 0;
    draw();
    keep();
    struct {
        int hp;
        int x2;
    } cases[] = {{1, 69}, {2, 86}, {3, 103}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hp);
        p->hp = c.hp;
        draw();
        const Rect r = diff_box(buffer, ref);
        ASSERT_FALSE(r.empty);
        EXPECT_EQ(r.x1, 54);
        EXPECT_EQ(r.x2, c.x2);
        EXPECT_EQ(r.y1, 5 + 14);
        EXPECT_EQ(r.y2, 5 + 18);
    }
}

TEST_F(HudTest, TemperatureBarWidthAndPattern)
{
    p->hp = 0;
    p->gun_temp_shown = 0;
    draw();
    keep();
    BITMAP* normal = data_bitmap(BMP_HUD_HEAT_PATTERN);
    BITMAP* hot = data_bitmap(BMP_HUD_HEAT_PATTERN_MAX);
    const int ph = data_bitmap(BMP_HUD_HP_PIP)->h;
    struct {
        float t;
        int x2;
        BITMAP* pattern;
    } cases[] = {
        {0.01f, 181, normal},
        {0.5f, 206, normal},
        {0.999f, 230, normal},
        {1.0f, 230, hot},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        p->gun_temp_shown = c.t;
        draw();
        // Outside the bar nothing changes; inside, the pattern shows anchored at (0, 0).
        int off = 0, wrong = 0;
        for (int y = 0; y < 60; y++)
            for (int x = 0; x < 640; x++) {
                const bool in_bar = x >= 181 && x <= c.x2 && y >= 5 + 14 && y <= 5 + 13 + ph;
                const int got = getpixel(buffer, x, y);
                if (!in_bar && got != getpixel(ref, x, y))
                    off++;
                if (in_bar && got != getpixel(c.pattern, x % c.pattern->w, y % c.pattern->h))
                    wrong++;
            }
        EXPECT_EQ(off, 0);
        EXPECT_EQ(wrong, 0);
        EXPECT_FALSE(diff_box(buffer, ref).empty);
    }
    EXPECT_EQ(getpixel(buffer, 0, 0), background);  // solid mode restored
    rectfill(buffer, 0, 0, 3, 3, makecol(9, 9, 9));
    EXPECT_EQ(getpixel(buffer, 1, 1), makecol(9, 9, 9));
}

TEST_F(HudTest, LivesCountBesideItsIcon)
{
    p->lives = 3;
    draw();
    keep();
    p->lives = 8;
    draw();
    const Rect r = diff_box(buffer, ref);
    ASSERT_FALSE(r.empty);
    // Only the digit changes; it sits after "x " at (275, hud_y + 5).
    EXPECT_GE(r.x1, 275 + text_length(mainfont, "x "));
    EXPECT_LT(r.x2, 275 + text_length(mainfont, "x 8"));
    EXPECT_GE(r.y1, 5 + 5);
    EXPECT_LT(r.y2, 5 + 5 + text_height(mainfont));
    // The text moves with the strip.
    p->hud_y = 25;
    draw();
    keep();
    p->lives = 3;
    draw();
    const Rect s = diff_box(buffer, ref);
    ASSERT_FALSE(s.empty);
    EXPECT_EQ(s.y1, r.y1 + 20);
}

// Channel value of `fact`-strength fill of s over d at 32 bits.
int over(int d, int s, int fact)
{
    return d * (256 - (fact + 1)) / 256 + s * (fact + 1) / 256;
}

TEST_F(HudTest, PanelStyles)
{
    p->hp = 0;
    struct {
        int type;
        int outline[3];
        int inside[3];
        int tolerance;
    } cases[] = {
        {1, {50, 50, 50}, {over(100, 0, 32), over(100, 0, 32), over(100, 0, 32)}, 1},
        {2, {255, 0, 0}, {over(100, 255, 64), over(100, 0, 64), over(100, 0, 64)}, 0},
        {3, {0, 0, 255}, {over(100, 0, 64), over(100, 0, 64), over(100, 255, 64)}, 0},
        {4, {0, 255, 0}, {over(100, 0, 64), over(100, 255, 64), over(100, 0, 64)}, 0},
    };
    // Corners and edges of the outline, a spot of the inside clear of every picture.
    const int outline_spots[][2] = {{3, 5}, {300, 5}, {3, 41}, {300, 41}, {150, 5}, {150, 41}};
    const int inside_spots[][2] = {{4, 6}, {299, 40}, {110, 38}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        p->hud_type = c.type;
        draw();
        for (const auto& s : outline_spots) {
            const int px = getpixel(buffer, s[0], s[1]);
            EXPECT_NEAR(getr(px), c.outline[0], c.tolerance) << s[0] << "," << s[1];
            EXPECT_NEAR(getg(px), c.outline[1], c.tolerance);
            EXPECT_NEAR(getb(px), c.outline[2], c.tolerance);
        }
        for (const auto& s : inside_spots) {
            const int px = getpixel(buffer, s[0], s[1]);
            EXPECT_EQ(getr(px), c.inside[0]) << s[0] << "," << s[1];
            EXPECT_EQ(getg(px), c.inside[1]);
            EXPECT_EQ(getb(px), c.inside[2]);
        }
        // Nothing outside the panel.
        EXPECT_EQ(getpixel(buffer, 2, 20), background);
        EXPECT_EQ(getpixel(buffer, 301, 20), background);
        EXPECT_EQ(getpixel(buffer, 150, 42), background);
        EXPECT_EQ(getpixel(buffer, 150, 4), background);
    }
    // Style 0: no panel, the pictures still show.
    p->hud_type = 0;
    draw();
    EXPECT_EQ(getpixel(buffer, 3, 5), background);
    EXPECT_EQ(getpixel(buffer, 110, 38), background);
    clear_to_color(ref, background);
    EXPECT_FALSE(diff_box(buffer, ref).empty);
    // The translucent outline of style 1 leaves the drawing mode solid.
    p->hud_type = 1;
    draw();
    rectfill(buffer, 500, 400, 510, 410, makecol(0, 0, 0));
    EXPECT_EQ(getpixel(buffer, 505, 405), makecol(0, 0, 0));
}

}  // namespace
