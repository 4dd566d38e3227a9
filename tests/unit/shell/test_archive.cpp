// The built data archives: kind, size and alpha of every object, the ending's
// files, and checks that catch lazy art (flat sprites, gradient pictures,
// frames that do not animate, label spots covered by the joypad drawing).
#include "controls.h"
#include "datidx.h"
#include "facts.h"
#include "settings.h"
#include "test_support.h"
#include "engine.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int FULL_W = 640, FULL_H = 480;
const int WALKER_RISE_GROW = 16;
const int BOSS_RISE_GROW_W = 148, BOSS_RISE_GROW_H = 6;
const int SPIKE_MAX = 36;
const int MENU_ITEM_MAX_W = 128, MENU_ITEM_MAX_H = 60;
const int SIGN_MAX_W = 400, SIGN_MAX_H = 120;
const int ENDING_LAST_TICK = 5154;
const int HELP_MAX_LINE = 75;

// Lazy-art thresholds: a sprite shades with at least this many colours, a
// full-screen picture is an illustration with many more.
const int SPRITE_MIN_COLOURS = 6;
const int SMALL_ICON_MIN_COLOURS = 3;
const int PICTURE_MIN_COLOURS = 1000;

const std::set<int> SAMPLES = {SND_BUMP, SND_BALL_BURST, SND_ONE_UP, SND_PLAYER_DEATH, SND_ZAP, SND_ENGINE,
    SND_EXPLOSION, SND_RISE, SND_SPIT, SND_TURD_DIES, SND_PLAYER_SHOT};
const std::set<int> UNUSED = {UNUSED_35, UNUSED_92, UNUSED_98, UNUSED_100};
const std::set<int> RGBA_OBJECTS = {BMP_MENU_BACK, BMP_MENU_REMAP, BMP_MENU_CONTROLS, BMP_MENU_JOYSTICK,
    BMP_MENU_KEYBOARD, BMP_MENU_QUIT, BMP_MENU_START, BMP_LOGO, BMP_PAUSE_MARKER, BMP_ARROW_LEFT, BMP_ARROW_RIGHT,
    BMP_PAUSE_PANEL, SPR_ZAP_1, SPR_ZAP_1 + 1, SPR_ZAP_1 + 2};
// Every floor and every level's briefing as well.
std::set<int> full_screen_pictures()
{
    std::set<int> s = {BMP_JOYPAD, BMP_GAME_OVER, BMP_INTRO, BMP_TITLE_BACKGROUND};
    for (int i = 0; i < NUM_FLOORS; ++i)
        s.insert(BMP_BACKGROUND_1 + i);
    for (const LevelArt& a : LEVEL_ART) {
        s.insert(a.floor);
        s.insert(a.briefing);
    }
    return s;
}
const std::set<int> FULL_SCREEN = full_screen_pictures();
// Blitted or pattern-filled, never drawn as sprites: no see-through pixels needed.
const std::set<int> SOLID_PIECES = {BMP_HUD_HP_PIP, BMP_HUD_HEAT_PATTERN, BMP_HUD_HEAT_PATTERN_MAX};
// Opaque ground marks: dithered single-colour ellipses.
const std::set<int> GROUND_MARKS = {SPR_SHADOW_LOW, SPR_SHADOW_HIGH};
const std::set<int> SMALL_ICONS = {BMP_HUD_HEAT_ICON, BMP_HUD_HP_ICON, BMP_HUD_LIVES_ICON, BMP_HUD_HEAT_LABEL,
    BMP_HUD_HP_LABEL, SPR_PLAYER_SHOT, SPR_SPIT};

int expected_type(int i)
{
    if (SAMPLES.count(i))
        return DAT_SAMPLE;
    if (UNUSED.count(i) || i == TXT_KEYBOARD_HELP)
        return DAT_DATA;
    if (i == FNT_MAIN)
        return DAT_FONT;
    if (i == PAL_GAME)
        return DAT_PALETTE;
    return DAT_BITMAP;
}

BITMAP* bmp(int i)
{
    return static_cast<BITMAP*>(data[i].dat);
}

std::set<int> colours_of(BITMAP* b, bool skip_mask)
{
    std::set<int> out;
    const int mask = bitmap_mask_color(b);
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            const int c = getpixel(b, x, y);
            if (skip_mask && c == mask)
                continue;
            out.insert(c);
        }
    return out;
}

bool has_mask_pixels(BITMAP* b)
{
    const int mask = bitmap_mask_color(b);
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x)
            if (getpixel(b, x, y) == mask)
                return true;
    return false;
}

bool same_pixels(BITMAP* a, BITMAP* b)
{
    if (a->w != b->w || a->h != b->h)
        return false;
    for (int y = 0; y < a->h; ++y)
        for (int x = 0; x < a->w; ++x)
            if (getpixel(a, x, y) != getpixel(b, x, y))
                return false;
    return true;
}

std::string read_file(const char* path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class Archive : public LoadedArchiveTest { };

TEST_F(Archive, HoldsExactlyTheTableOfObjectsInOrderAndKind)
{
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i) {
        ASSERT_NE(data[i].type, DAT_END) << "the archive ends before object " << i;
        EXPECT_EQ(data[i].type, expected_type(i)) << "object " << i;
    }
    // No bookkeeping object of the archiver is left as an extra entry.
    EXPECT_EQ(data[NUM_DATA_OBJECTS].type, DAT_END);
    for (int i : UNUSED)
        EXPECT_EQ(data[i].size, 1) << "placeholder " << i;
}

TEST_F(Archive, PicturesHaveTheSizesTheGameRelyOn)
{
    for (int i : FULL_SCREEN) {
        EXPECT_EQ(bmp(i)->w, FULL_W) << "object " << i;
        EXPECT_EQ(bmp(i)->h, FULL_H) << "object " << i;
    }
    EXPECT_GE(bmp(BMP_HUD_HP_PIP)->w, HUD_PIP_W);
    EXPECT_GE(bmp(BMP_HUD_HP_PIP)->h, HUD_PIP_H);
    // Rise frames are larger than the walking frames by what the game moves
    // a walker or the boss when the rise ends.
    const struct {
        int rise_first, rise_last, walk_1, walk_2, grow_w, grow_h;
    } walkers[] = {
        {SPR_GUY_1, SPR_GUY_1 + 5, SPR_GUY_WALK_1, SPR_GUY_WALK_2, WALKER_RISE_GROW, WALKER_RISE_GROW},
        {SPR_PERSON_1, SPR_PERSON_1 + 5, SPR_PERSON_WALK_1, SPR_PERSON_WALK_2, WALKER_RISE_GROW, WALKER_RISE_GROW},
        {SPR_BOSS_1, SPR_BOSS_1 + 6, SPR_BOSS_WALK_1, SPR_BOSS_WALK_2, BOSS_RISE_GROW_W, BOSS_RISE_GROW_H},
    };
    for (const auto& w : walkers) {
        EXPECT_EQ(bmp(w.walk_1)->w, bmp(w.walk_2)->w);
        EXPECT_EQ(bmp(w.walk_1)->h, bmp(w.walk_2)->h);
        for (int i = w.rise_first; i <= w.rise_last; ++i) {
            EXPECT_EQ(bmp(i)->w, bmp(w.walk_1)->w + w.grow_w) << "rise frame " << i;
            EXPECT_EQ(bmp(i)->h, bmp(w.walk_1)->h + w.grow_h) << "rise frame " << i;
        }
    }
    for (int i = SPR_SPIKE_1; i < SPR_SPIKE_1 + 4; ++i) {
        EXPECT_LE(bmp(i)->w, SPIKE_MAX);
        EXPECT_LE(bmp(i)->h, SPIKE_MAX);
        EXPECT_EQ(bmp(i)->w, bmp(SPR_SPIKE_1)->w);
    }
    for (int i : {BMP_MENU_BACK, BMP_MENU_REMAP, BMP_MENU_CONTROLS, BMP_MENU_JOYSTICK, BMP_MENU_KEYBOARD, BMP_MENU_QUIT,
             BMP_MENU_START}) {
        EXPECT_LE(bmp(i)->w, MENU_ITEM_MAX_W) << "menu item " << i;
        EXPECT_LE(bmp(i)->h, MENU_ITEM_MAX_H) << "menu item " << i;
    }
    for (int i : {BMP_SIGN_START, BMP_SIGN_LEVEL_DONE}) {
        EXPECT_LE(bmp(i)->w, SIGN_MAX_W);
        EXPECT_LE(bmp(i)->h, SIGN_MAX_H);
    }
    // A ball's ground mark is drawn at the ball's own x under its bottom edge.
    for (int mark : {SPR_SHADOW_LOW, SPR_SHADOW_HIGH}) {
        EXPECT_EQ(bmp(mark)->w, bmp(SPR_BALL)->w);
        EXPECT_GT(bmp(mark)->h, bmp(SPR_BALL)->h);
    }
    // The zaps lie over the spinner's own area.
    for (int i = SPR_ZAP_1; i < SPR_ZAP_1 + 3; ++i) {
        EXPECT_EQ(bmp(i)->w, bmp(SPR_SPINNER)->w);
        EXPECT_EQ(bmp(i)->h, bmp(SPR_SPINNER)->h);
    }
}

TEST_F(Archive, AlphaPicturesKeepTheirAlphaAndTheRestAreScreenDepth)
{
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i) {
        if (data[i].type != DAT_BITMAP)
            continue;
        BITMAP* b = bmp(i);
        if (!RGBA_OBJECTS.count(i)) {
            EXPECT_EQ(bitmap_color_depth(b), 32) << "object " << i << " should be converted to the screen depth";
            continue;
        }
        ASSERT_EQ(bitmap_color_depth(b), 32) << "object " << i;
        bool clear = false, solid = false, soft = false;
        int clear_not_mask = 0;  // the translucent blit skips only the mask colour
        for (int y = 0; y < b->h; ++y)
            for (int x = 0; x < b->w; ++x) {
                const int a = geta32(getpixel(b, x, y));
                clear_not_mask += a == 0 && getpixel(b, x, y) != MASK_COLOR_32;
                clear |= a == 0;
                solid |= a == 255;
                soft |= a > 0 && a < 255;
            }
        EXPECT_TRUE(clear) << "object " << i << " has no see-through pixels";
        EXPECT_EQ(clear_not_mask, 0) << "object " << i << ": see-through pixels not of the mask colour";
        EXPECT_TRUE(soft) << "object " << i << " has no soft edges";
        if (i < SPR_ZAP_1 || i > SPR_ZAP_1 + 2) {
            EXPECT_TRUE(solid) << "object " << i << " has no solid pixels";
        }
    }
}

TEST_F(Archive, SpritesAreShadedAndHaveSeeThroughPixels)
{
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i) {
        if (data[i].type != DAT_BITMAP || RGBA_OBJECTS.count(i) || FULL_SCREEN.count(i) || SOLID_PIECES.count(i))
            continue;
        BITMAP* b = bmp(i);
        EXPECT_TRUE(has_mask_pixels(b)) << "sprite " << i << " has no see-through pixels";
        if (GROUND_MARKS.count(i))
            continue;
        const size_t min_colours = SMALL_ICONS.count(i) ? SMALL_ICON_MIN_COLOURS : SPRITE_MIN_COLOURS;
        EXPECT_GE(colours_of(b, true).size(), min_colours) << "sprite " << i << " looks flat";
    }
    // The pip and the heat patterns are still shaded, not flat boxes.
    for (int i : SOLID_PIECES)
        EXPECT_GE(colours_of(bmp(i), false).size(), 2u) << "object " << i;
}

TEST_F(Archive, FullScreenPicturesAreIllustrations)
{
    for (int i : FULL_SCREEN)
        EXPECT_GE(colours_of(bmp(i), false).size(), static_cast<size_t>(PICTURE_MIN_COLOURS)) << "picture " << i;
    // Seven different floors.
    for (int a = 0; a < 7; ++a)
        for (int b = a + 1; b < 7; ++b)
            EXPECT_FALSE(same_pixels(bmp(a), bmp(b))) << a << " and " << b;
}

// Mean colour step between two neighbouring columns (vertical) or rows of a picture.
double step_between(BITMAP* b, bool columns, int a, int from, int to)
{
    double sum = 0;
    for (int t = from; t < to; ++t) {
        const int c1 = columns ? getpixel(b, a, t) : getpixel(b, t, a);
        const int c2 = columns ? getpixel(b, a + 1, t) : getpixel(b, t, a + 1);
        sum += abs(getr32(c1) - getr32(c2)) + abs(getg32(c1) - getg32(c2)) + abs(getb32(c1) - getb32(c2));
    }
    return sum / (to - from);
}

TEST_F(Archive, ArenaWallsStandExactlyOnTheArenaEdges)
{
    const double min_step = 24, min_ratio = 2.5;
    for (int level = 1; level <= NUM_LEVELS; ++level) {
        const int i = LEVEL_ART[level - 1].floor;
        const int x1 = LEVEL_ART[level - 1].walls.x1, y1 = LEVEL_ART[level - 1].walls.y1;
        const int x2 = LEVEL_ART[level - 1].walls.x2, y2 = LEVEL_ART[level - 1].walls.y2;
        BITMAP* b = bmp(i);
        const double inside =
            (step_between(b, true, 300, y1 + 20, y2 - 20) + step_between(b, false, 240, x1 + 20, x2 - 20)) / 2;
        const double edges[4] = {step_between(b, true, x1 - 1, y1 + 20, y2 - 20),
            step_between(b, true, x2, y1 + 20, y2 - 20), step_between(b, false, y1 - 1, x1 + 20, x2 - 20),
            step_between(b, false, y2, x1 + 20, x2 - 20)};
        for (int e = 0; e < 4; ++e) {
            EXPECT_GT(edges[e], min_step) << "level " << level << " floor " << i << " edge " << e;
            EXPECT_GT(edges[e], min_ratio * inside) << "level " << level << " floor " << i << " edge " << e;
        }
    }
}

TEST_F(Archive, AnimationFramesReallyChange)
{
    const std::vector<std::vector<int>> families = {
        {SPR_GUY_WALK_1, SPR_GUY_WALK_2},
        {SPR_PERSON_WALK_1, SPR_PERSON_WALK_2},
        {SPR_BOSS_WALK_1, SPR_BOSS_WALK_2},
        {SPR_STALKER_MOVE_1, SPR_STALKER_MOVE_2},
        {SPR_SPIKE_1, SPR_SPIKE_1 + 1, SPR_SPIKE_1 + 2, SPR_SPIKE_1 + 3},
        {SPR_ZAP_1, SPR_ZAP_1 + 1, SPR_ZAP_1 + 2},
        {SPR_GUY_1, SPR_GUY_1 + 1, SPR_GUY_1 + 2, SPR_GUY_1 + 3, SPR_GUY_1 + 4, SPR_GUY_1 + 5},
        {SPR_PERSON_1, SPR_PERSON_1 + 1, SPR_PERSON_1 + 2, SPR_PERSON_1 + 3, SPR_PERSON_1 + 4, SPR_PERSON_1 + 5},
        {SPR_BOSS_1, SPR_BOSS_1 + 1, SPR_BOSS_1 + 2, SPR_BOSS_1 + 3, SPR_BOSS_1 + 4, SPR_BOSS_1 + 5, SPR_BOSS_1 + 6},
        {SPR_STALKER_1, SPR_STALKER_1 + 1, SPR_STALKER_1 + 2, SPR_STALKER_1 + 3, SPR_STALKER_1 + 4},
        {SPR_SPITTER, SPR_SPITTER_OPEN, SPR_SPITTER_DEAD},
        {SPR_PLAYER, SPR_PLAYER_DAMAGED, SPR_PLAYER_WRECK},
    };
    for (const auto& f : families)
        for (size_t a = 0; a < f.size(); ++a)
            for (size_t b = a + 1; b < f.size(); ++b)
                EXPECT_FALSE(same_pixels(bmp(f[a]), bmp(f[b]))) << "frames " << f[a] << " and " << f[b] << " are equal";
    // The two walkers must not be the same figure.
    EXPECT_FALSE(same_pixels(bmp(SPR_GUY_WALK_1), bmp(SPR_PERSON_WALK_1)));
}

double luminance(int c)
{
    return 0.299 * getr32(c) + 0.587 * getg32(c) + 0.114 * getb32(c);
}

// Mean luminance of the arena's floor, walls left out.
double floor_luminance(BITMAP* b)
{
    const int x1 = ARENA_WALLS.x1, y1 = ARENA_WALLS.y1, x2 = ARENA_WALLS.x2, y2 = ARENA_WALLS.y2;
    double sum = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x)
            sum += luminance(getpixel(b, x, y));
    return sum / ((x2 - x1) * (y2 - y1));
}

// Mean luminance of a sprite's rim (opaque pixels next to a see-through one
// or the picture's edge) and of the opaque pixels inside it.
void rim_and_body(BITMAP* b, double& rim, double& body)
{
    const int mask = bitmap_mask_color(b);
    const auto clear = [&](int x, int y) {
        return x < 0 || y < 0 || x >= b->w || y >= b->h || getpixel(b, x, y) == mask;
    };
    double rim_sum = 0, body_sum = 0;
    int rim_n = 0, body_n = 0;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            if (clear(x, y))
                continue;
            const double l = luminance(getpixel(b, x, y));
            if (clear(x - 1, y) || clear(x + 1, y) || clear(x, y - 1) || clear(x, y + 1)) {
                rim_sum += l;
                ++rim_n;
            } else {
                body_sum += l;
                ++body_n;
            }
        }
    rim = rim_n ? rim_sum / rim_n : 0;
    body = body_n ? body_sum / body_n : 0;
}

TEST_F(Archive, WalkersStandOutOnTheFloorsTheyWalk)
{
    // The guys rise on the park lawn, the persons on the city street: the
    // floor must be darker than the figure and the figure's rim darker
    // still, or a green guy melts into green grass.
    const double rim_max_of_floor = 0.5;
    const struct {
        int sprite, floor;
    } cases[] = {{SPR_GUY_WALK_1, 1}, {SPR_GUY_WALK_2, 1}, {SPR_PERSON_WALK_1, 5}, {SPR_PERSON_WALK_2, 5}};
    for (const auto& c : cases) {
        double rim = 0, body = 0;
        rim_and_body(bmp(c.sprite), rim, body);
        const double ground = floor_luminance(bmp(c.floor));
        EXPECT_GT(body, ground) << "walker " << c.sprite << " is darker than floor " << c.floor;
        EXPECT_LT(rim, rim_max_of_floor * ground)
            << "walker " << c.sprite << "'s rim does not part it from floor " << c.floor;
    }
}

TEST_F(Archive, JoypadLabelSpotsAreFreeForText)
{
    // As wide as the widest label the page can show there.
    int label_w = text_length(mainfont, "(unused)");
    for (int c = 0; c < NUM_CONTROLS; ++c)
        label_w = std::max(label_w, text_length(mainfont, control_labels[c]));
    const int label_h = text_height(mainfont);
    // Calm means: hardly any pixel strays far from the area's average colour.
    const int stray = 60;
    const double max_share = 0.02;
    BITMAP* pad = bmp(BMP_JOYPAD);
    for (const auto& s : JOYPAD_LABEL_SPOTS) {
        long r = 0, g = 0, b = 0, n = 0;
        for (int y = s[1]; y < s[1] + label_h; ++y)
            for (int x = s[0]; x < s[0] + label_w && x < pad->w; ++x) {
                const int c = getpixel(pad, x, y);
                r += getr32(c);
                g += getg32(c);
                b += getb32(c);
                ++n;
            }
        int strays = 0;
        for (int y = s[1]; y < s[1] + label_h; ++y)
            for (int x = s[0]; x < s[0] + label_w && x < pad->w; ++x) {
                const int c = getpixel(pad, x, y);
                const long d = labs(getr32(c) - r / n) + labs(getg32(c) - g / n) + labs(getb32(c) - b / n);
                strays += d > stray;
            }
        EXPECT_LE(strays, max_share * n) << "label spot (" << s[0] << ", " << s[1] << ") is busy";
    }
}

TEST_F(Archive, FontIsAColourFontOfPrintableAscii)
{
    ASSERT_TRUE(is_color_font(mainfont));
    const int h = text_height(mainfont);
    EXPECT_GE(h, 12);
    EXPECT_LE(h, 24);
    for (int ch = '!'; ch <= '~'; ++ch) {
        const char s[2] = {static_cast<char>(ch), 0};
        EXPECT_GT(text_length(mainfont, s), 0) << "character " << ch;
    }
    // Drawn in its own colours through the palette: a fill and an outline.
    BITMAP* b = create_bitmap_ex(32, 200, 40);
    clear_to_color(b, makecol32(0, 0, 255));
    textout_ex(b, mainfont, "Level 8", 4, 4, -1, -1);
    const std::set<int> cols = colours_of(b, false);
    int bright = 0, dark = 0;
    for (int c : cols) {
        const int lum = getr32(c) + getg32(c) + getb32(c);
        bright += lum > 600;
        dark += lum < 120;
    }
    destroy_bitmap(b);
    EXPECT_GE(cols.size(), 6u);
    EXPECT_GT(bright, 0) << "no light fill";
    EXPECT_GT(dark, 0) << "no dark outline";
}

TEST_F(Archive, KeyboardHelpIsZeroEndedLinesOfEveryKey)
{
    const char* t = static_cast<const char*>(data[TXT_KEYBOARD_HELP].dat);
    const long n = data[TXT_KEYBOARD_HELP].size;
    ASSERT_GE(n, 3);
    EXPECT_EQ(t[n - 1], '\0');
    EXPECT_EQ(t[n - 2], '\n') << "the last character before the zero is never shown";
    // As shown with the classic keys, which the game puts in for its tokens.
    int classic[NUM_KEY_ACTIONS];
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        classic[a] = KEY_ACTIONS[a].default_key;
    const std::string text = keyboard_help_text(std::string(t + 1, strlen(t + 1)), classic);
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        EXPECT_LE(line.size(), static_cast<size_t>(HELP_MAX_LINE)) << line;
    for (const char* key : {"Up ", "Down ", "Left ", "Right ", "Ctrl", "Space", "Tab", "H ", "F ", "PgUp", "PgDn",
             "ESC", "F11", "Alt+Enter", "F10"})
        EXPECT_NE(text.find(key), std::string::npos) << key;
}

TEST(EndingFiles, TwoFullScreenPicturesAndIncreasingTimes)
{
    headless_init(32);
    set_color_conversion(ARCHIVE_COLOR_CONVERSION);
    DATAFILE* ending = load_datafile("data/ending.dat");
    ASSERT_NE(ending, nullptr);
    for (int i = 0; i < NUM_ENDING_OBJECTS; ++i) {
        ASSERT_EQ(ending[i].type, DAT_BITMAP);
        BITMAP* b = static_cast<BITMAP*>(ending[i].dat);
        EXPECT_EQ(b->w, FULL_W);
        EXPECT_EQ(b->h, FULL_H);
        EXPECT_GE(colours_of(b, false).size(), static_cast<size_t>(PICTURE_MIN_COLOURS));
    }
    EXPECT_EQ(ending[NUM_ENDING_OBJECTS].type, DAT_END);
    EXPECT_FALSE(same_pixels(static_cast<BITMAP*>(ending[0].dat), static_cast<BITMAP*>(ending[1].dat)));
    unload_datafile(ending);

    std::istringstream lines(read_file("data/endingtimes.txt"));
    std::string line;
    int last = 0, ups = 0, others = 0;
    while (std::getline(lines, line)) {
        ASSERT_GE(line.size(), 3u) << line;
        ASSERT_LE(line.size(), 127u);
        const int tick = atoi(line.c_str() + 2);
        EXPECT_GT(tick, last) << "ticks must increase: " << line;
        EXPECT_LE(tick, ENDING_LAST_TICK);
        last = tick;
        (line[0] == 'U' ? ups : others) += 1;
    }
    EXPECT_GT(ups, 0);
    EXPECT_GT(others, 0);
}

TEST(ArchiveBuild, IsTheSameOnEveryBuild)
{
    // A second run of the generator must give the same bytes.
    const std::string a = read_file("data/vorlin.dat");
    ASSERT_FALSE(a.empty());
    const std::string out = std::string(VORLIN_BUILD_DIR) + "/test_archive_again";
    const std::string cmd = std::string(VORLIN_GENDATA_PROGRAM) + " " + out + " $(command -v dat) > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_TRUE(read_file((out + "/vorlin.dat").c_str()) == a) << "vorlin.dat differs between two runs";
    EXPECT_TRUE(read_file((out + "/ending.dat").c_str()) == read_file("data/ending.dat"));
    EXPECT_TRUE(read_file((out + "/endingtimes.txt").c_str()) == read_file("data/endingtimes.txt"));
}

}  // namespace
