// Enemy drawing composed into the back buffer and read back pixel by pixel.
#include "test_enemy_fixture.h"
#include <cmath>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const int BG = 100;  // grey background, every channel

int bg()
{
    return makecol(BG, BG, BG);
}

// One channel of the game's 32-bit translucent blit at strength f (0..254).
int blend_channel(int d, int s, int f)
{
    if (f == 127 || f == 128)
        return (d + s) >> 1;
    int diff = (s - d) * f;
    return d + (diff >= 0 ? diff / 256 : -((-diff + 255) / 256));
}

int blend(int d, int s, int f)
{
    return makecol(
        blend_channel(getr(d), getr(s), f), blend_channel(getg(d), getg(s), f), blend_channel(getb(d), getb(s), f));
}

}  // namespace

class EnemyDrawTest : public EnemyTest {
protected:
    void SetUp() override
    {
        EnemyTest::SetUp();
        clear_to_color(buffer, bg());
    }
    int at(int x, int y) const { return getpixel(buffer, x, y) & 0xFFFFFF; }
};

TEST_F(EnemyDrawTest, FallingTurdIsDrawnAwayFromTheCentreByItsHeightOverItsShadow)
{
    const int turd = stand_in_color(SPR_TURD);
    ENEMY* e = add(ENEMY::ET_TURD, 480, 360);
    e->w = e->h = 100;  // five times the sprite at the start height
    e->draw();
    // Body: 100x100 centred on (580, 460), clipped by the buffer's edge.
    EXPECT_EQ(at(580, 460), turd);
    EXPECT_EQ(at(530, 410), turd);
    EXPECT_EQ(at(629, 479), turd);
    EXPECT_NE(at(529, 460), turd);
    EXPECT_NE(at(580, 409), turd);
    EXPECT_NE(at(630, 460), turd);
    // Shadow: a quarter-strength black ellipse of radii 25 round (480, 360).
    const int shade = at(480, 360);
    EXPECT_NEAR(getr(shade), BG * 3 / 4, 1);
    EXPECT_NEAR(getg(shade), BG * 3 / 4, 1);
    EXPECT_NEAR(getb(shade), BG * 3 / 4, 1);
    for (auto p : {std::pair<int, int> {505, 360}, {455, 360}, {480, 335}, {480, 385}})
        EXPECT_EQ(at(p.first, p.second), shade) << p.first << "," << p.second;
    for (auto p : {std::pair<int, int> {506, 360}, {454, 360}, {480, 334}, {480, 386}})
        EXPECT_EQ(at(p.first, p.second), bg()) << p.first << "," << p.second;

    // Half way down the shadow is 5 smaller and the body half as far out.
    clear_to_color(buffer, bg());
    e->drop = 50;
    e->w = e->h = 60;
    e->draw();
    EXPECT_EQ(at(500, 360), shade);
    EXPECT_EQ(at(501, 360), bg());
    EXPECT_EQ(at(530, 410), turd);  // centre (530, 410), corners 500..559
    EXPECT_EQ(at(500, 380), turd);
    EXPECT_NE(at(499, 380), turd);
    EXPECT_NE(at(560, 380), turd);

    // Landed: no shadow, the sprite's own size.
    clear_to_color(buffer, bg());
    e->drop = 0;
    e->w = e->h = 20;
    e->draw();
    EXPECT_EQ(at(480, 360), turd);
    EXPECT_EQ(at(470, 350), turd);
    EXPECT_EQ(at(469, 360), bg());
    EXPECT_EQ(at(480, 372), bg());
}

TEST_F(EnemyDrawTest, TurdReleasedAtTheScreenCentreIsDrawnOnItsShadow)
{
    const int turd = stand_in_color(SPR_TURD);
    ENEMY* e = add(ENEMY::ET_TURD, 320, 240);
    e->w = e->h = 100;
    e->draw();
    EXPECT_EQ(at(270, 190), turd);
    EXPECT_EQ(at(369, 289), turd);
    EXPECT_EQ(at(269, 240), bg());
    EXPECT_EQ(at(370, 240), bg());
}

TEST_F(EnemyDrawTest, ReleasedTurdsShadowShrinksFrom25To15AsItFalls)
{
    // Released low right, so the body is drawn off to the lower right and the
    // shadow's left half shows on its row.
    ENEMY* e = add(ENEMY::ET_TURD, 480, 360);
    std::vector<int> radii;
    for (;;) {
        tick();
        if (e->drop == 0)
            break;
        clear_to_color(buffer, bg());
        e->draw();
        int x = 400;
        while (at(x, 360) == bg() && x < 480)
            x++;
        int r = 480 - x;
        EXPECT_EQ(r, to_pixel((e->drop / 100) * 10 + 10) + 5) << "drop " << e->drop;
        radii.push_back(r);
    }
    ASSERT_EQ(radii.size(), 62u);
    EXPECT_EQ(radii.front(), 25);
    EXPECT_EQ(radii.back(), 15);
    for (size_t i = 1; i < radii.size(); i++)
        EXPECT_LE(radii[i], radii[i - 1]);

    clear_to_color(buffer, bg());
    e->draw();
    EXPECT_EQ(at(469, 360), bg());  // landed: the 20x20 body and no shadow
    EXPECT_EQ(at(480, 371), bg());
    EXPECT_EQ(at(470, 350), stand_in_color(SPR_TURD));
}

TEST_F(EnemyDrawTest, DyingCarIsDrawnRotatedAndTranslucentInsideItsSpritesBox)
{
    const int car = stand_in_color(SPR_WRECK);
    ENEMY* e = add(ENEMY::ET_CAR, 200, 200);
    e->frame = SPR_WRECK;
    e->spr = data_bitmap(SPR_WRECK);
    e->angle = 64;  // a quarter turn: 16 wide and 32 high about the centre (216, 208)
    e->draw();
    EXPECT_EQ(at(216, 195), car);  // opaque: sticks out above the sprite's box
    EXPECT_EQ(at(216, 220), car);
    EXPECT_EQ(at(203, 208), bg());

    clear_to_color(buffer, bg());
    e->alpha = 128;
    e->draw();
    const int half = blend(bg(), car, 128);
    EXPECT_EQ(at(216, 208), half);
    EXPECT_EQ(at(210, 201), half);
    EXPECT_EQ(at(222, 214), half);
    EXPECT_EQ(at(203, 208), bg());  // the corners the turn emptied
    EXPECT_EQ(at(228, 208), bg());
    EXPECT_EQ(at(216, 196), bg());  // what turned out of the box is cut off
    EXPECT_EQ(at(216, 219), bg());
}

TEST_F(EnemyDrawTest, FadingBallDrawsItsGroundMarkAtTheSameStrength)
{
    const int ball = stand_in_color(SPR_BALL);
    const int mark = stand_in_color(SPR_SHADOW_LOW);
    ENEMY* e = add(ENEMY::ET_BALL, 100, 100);
    e->y = 80;  // bobbed up off its ground line at 100
    e->alpha = 91;
    e->draw();
    EXPECT_EQ(at(105, 85), blend(bg(), ball, 91));
    EXPECT_EQ(at(105, 102), blend(bg(), mark, 91));
    EXPECT_EQ(at(105, 107), bg());

    clear_to_color(buffer, bg());
    e->alpha = 255;
    e->draw();
    EXPECT_EQ(at(105, 85), ball);
    EXPECT_EQ(at(119, 105), mark);
    EXPECT_EQ(at(120, 105), bg());
}

TEST_F(EnemyDrawTest, SpinnersZapIsAlphaBlendedOverItsBodyAndFadesWithItWhenDying)
{
    const int body = stand_in_color(SPR_SPINNER);
    ENEMY* e = add(ENEMY::ET_SPINNER, 300, 200);
    e->alpha = 255;
    e->overlay = data_bitmap(SPR_ZAP_1);  // opaque left half, clear third quarter, half-clear last
    e->draw();
    EXPECT_EQ(at(305, 210), makecol(250, 250, 0));
    EXPECT_EQ(at(312, 210), body);
    int mixed = at(317, 210);
    EXPECT_NE(mixed, body);
    EXPECT_NE(mixed, makecol(250, 250, 0));
    EXPECT_NEAR(getr(mixed), (250 + getr(body)) / 2, 2);
    EXPECT_NEAR(getb(mixed), getb(body) / 2, 2);

    // Killed with the zap on: body and zap both at the fading strength.
    clear_to_color(buffer, bg());
    e->alpha = 100;
    e->draw();
    int under = blend(bg(), body, 100);
    EXPECT_EQ(at(305, 210), blend(under, makecol(250, 250, 0), 100));
    EXPECT_EQ(at(325, 210), bg());
}

// A spinner turns 4 units a tick for its whole life: past tick 8192 its angle
// leaves the library's fixed-point range, yet it is still drawn turning, as it
// would be at the same angle within the first turn; opaque and fading alike.
TEST_F(EnemyDrawTest, LongLivedSpinnerIsStillDrawnTurning)
{
    ENEMY* e = add(ENEMY::ET_SPINNER, 300, 200);
    run_to(8200);
    ASSERT_GT(e->angle, 32768.0f);
    const int sw = e->spr->w, sh = e->spr->h;
    BITMAP* before = create_bitmap(sw + 20, sh + 20);
    BITMAP* same_in_first_turn = create_bitmap(sw + 20, sh + 20);
    for (int alpha : {255, 128}) {
        SCOPED_TRACE(alpha);
        // Drawn at a fixed place, so only the rotation can change the picture.
        auto drawn = [&](BITMAP* into, float angle) {
            const float keep = e->angle;
            e->angle = angle;
            e->x = 300;
            e->y = 200;
            e->alpha = alpha;
            e->overlay = nullptr;
            clear_to_color(buffer, bg());
            e->draw();
            blit(buffer, into, 290, 190, 0, 0, into->w, into->h);
            e->angle = keep;
        };
        auto same = [](BITMAP* a, BITMAP* b) {
            for (int y = 0; y < a->h; ++y)
                for (int x = 0; x < a->w; ++x)
                    if (getpixel(a, x, y) != getpixel(b, x, y))
                        return false;
            return true;
        };
        const float angle = e->angle;
        drawn(before, angle);
        drawn(same_in_first_turn, angle - 256.0f * std::floor(angle / 256.0f));
        EXPECT_TRUE(same(before, same_in_first_turn)) << "angle " << angle;
        drawn(same_in_first_turn, angle + 4);
        EXPECT_FALSE(same(before, same_in_first_turn)) << "angle " << angle << " and 4 more";
    }
    destroy_bitmap(before);
    destroy_bitmap(same_in_first_turn);
}

TEST_F(EnemyDrawTest, DyingWalkerAndDyingTurdFadeTheirBodies)
{
    ENEMY* guy = add(ENEMY::ET_GUY, 50, 60);
    guy->alpha = 200;
    guy->draw();
    EXPECT_EQ(at(50, 60), blend(bg(), stand_in_color(SPR_GUY_1), 200));
    EXPECT_EQ(at(69, 79), blend(bg(), stand_in_color(SPR_GUY_1), 200));
    EXPECT_EQ(at(70, 79), bg());

    // A wobbling turd: its box and drawn size 24x18 about (300, 300).
    ENEMY* turd = add(ENEMY::ET_TURD, 300, 300);
    turd->drop = 0;
    turd->w = 24;
    turd->h = 18;
    turd->alpha = 60;
    turd->draw();
    const int faded = blend(bg(), stand_in_color(SPR_TURD), 60);
    EXPECT_EQ(at(288, 291), faded);
    EXPECT_EQ(at(311, 308), faded);
    EXPECT_EQ(at(287, 300), bg());
    EXPECT_EQ(at(312, 300), bg());
    EXPECT_EQ(at(300, 290), bg());
    EXPECT_EQ(at(300, 309), bg());
}

TEST_F(EnemyDrawTest, DrawingLeavesTheBlendingModeSolid)
{
    ENEMY* e = add(ENEMY::ET_TURD, 200, 200);
    e->w = e->h = 100;
    e->draw();
    putpixel(buffer, 5, 5, makecol(255, 255, 255));
    EXPECT_EQ(at(5, 5), makecol(255, 255, 255));
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(EnemyDrawTest, NoMemoryForTheTemporaryBodyEndsTheProgram)
{
    ENEMY* e = add(ENEMY::ET_TURD, 200, 200);
    e->alpha = 100;
    e->w = e->h = 8000;
    EXPECT_EXIT(
        {
            // 64 MB more address space than in use: the 256 MB body cannot be made.
            long pages = 0;
            if (FILE* f = fopen("/proc/self/statm", "r")) {
                if (fscanf(f, "%ld", &pages) != 1)
                    pages = 0;
                fclose(f);
            }
            rlimit lim;
            getrlimit(RLIMIT_AS, &lim);
            lim.rlim_cur = pages * sysconf(_SC_PAGESIZE) + 64L * 1024 * 1024;
            setrlimit(RLIMIT_AS, &lim);
            e->draw();
        },
        testing::ExitedWithCode(1), "Fatal error:  Out of memory!!!");
}
#endif
