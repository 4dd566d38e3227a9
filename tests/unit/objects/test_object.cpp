// Collision geometry: boxes in all three forms, the overlap tests and the walls.
#include "object.h"
#include "registry.h"
#include "test_support.h"
#include <gtest/gtest.h>

namespace {

// The smallest thing in play: geometry only.
class THING : public OBJECT {
public:
    THING(int sw, int sh, float px, float py, float a = 0)
    {
        spr = create_bitmap(sw, sh);
        set(px, py);
        angle = a;
    }
    ~THING() override { destroy_bitmap(spr); }
    void processing() override { }
    void draw() override { }
};

struct Box {
    float x1, y1, x2, y2;
};

Box bbox(const OBJECT& o)
{
    Box b {};
    o.get_bbox(b.x1, b.y1, b.x2, b.y2, nullptr, nullptr, true);
    return b;
}

class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override { headless_init(32); }
};

struct BoxCase {
    const char* what;
    int sw, sh;
    float x, y, angle, w, h;
    bool centered;
    Box expect;
    float tolerance;  // 0: exact
};

TEST_F(ObjectTest, BoundingBoxes)
{
    const BoxCase cases[] = {
        {"unrotated, top-left", 32, 16, 10, 20, 0, 0, 0, false, {10, 20, 42, 36}, 0},
        {"unrotated, own width", 32, 16, 10, 20, 0, 20, 0, false, {10, 20, 30, 36}, 0},
        {"unrotated, own height", 32, 16, 10, 20, 0, 0, 6, false, {10, 20, 42, 26}, 0},
        {"centred", 32, 16, 10, 20, 0, 0, 0, true, {-6, 12, 26, 28}, 0},
        {"centred, odd box halves are not truncated", 32, 16, 10, 20, 0, 5, 3, true, {7.5f, 18.5f, 12.5f, 21.5f}, 0},
        {"odd sprite, quarter turn: halves 16 and 8 swap round (16, 8)", 33, 17, 0, 0, 64, 0, 0, false, {8, -8, 24, 24},
            1e-4f},
        {"odd sprite, half turn: integer halves", 33, 17, 0, 0, 128, 0, 0, false, {0, 0, 32, 16}, 1e-4f},
        {"full turn still takes the rotated path", 33, 17, 0, 0, 256, 0, 0, false, {0, 0, 32, 16}, 1e-4f},
        {"rotated ignores w, h and centred", 33, 17, 0, 0, 256, 100, 50, true, {0, 0, 32, 16}, 1e-4f},
        {"eighth turn encloses the diagonal", 20, 20, 0, 0, 32, 0, 0, false,
            {10 - 14.142136f, 10 - 14.142136f, 10 + 14.142136f, 10 + 14.142136f}, 1e-4f},
        {"negative angle", 32, 16, 0, 0, -64, 0, 0, false, {8, -8, 24, 24}, 1e-4f},
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.what);
        THING t(c.sw, c.sh, c.x, c.y, c.angle);
        t.w = c.w;
        t.h = c.h;
        t.centered = c.centered;
        const Box b = bbox(t);
        if (c.tolerance == 0) {
            EXPECT_EQ(b.x1, c.expect.x1);
            EXPECT_EQ(b.y1, c.expect.y1);
            EXPECT_EQ(b.x2, c.expect.x2);
            EXPECT_EQ(b.y2, c.expect.y2);
        } else {
            EXPECT_NEAR(b.x1, c.expect.x1, c.tolerance);
            EXPECT_NEAR(b.y1, c.expect.y1, c.tolerance);
            EXPECT_NEAR(b.x2, c.expect.x2, c.tolerance);
            EXPECT_NEAR(b.y2, c.expect.y2, c.tolerance);
        }
    }
}

TEST_F(ObjectTest, RotatedCornersTurnClockwiseAndLeaveTheBoxAlone)
{
    THING t(32, 16, 0, 0, 64);
    float rx[4], ry[4];
    float x1 = -99, y1 = -99, x2 = -99, y2 = -99;
    t.get_bbox(x1, y1, x2, y2, rx, ry, false);
    // A quarter turn clockwise about (16, 8): the top-left corner goes to the top right.
    const float ex[4] = {24, 24, 8, 8};
    const float ey[4] = {-8, 24, 24, -8};
    for (int i = 0; i < 4; i++) {
        EXPECT_NEAR(rx[i], ex[i], 1e-4f) << "corner " << i;
        EXPECT_NEAR(ry[i], ey[i], 1e-4f) << "corner " << i;
    }
    EXPECT_EQ(x1, -99);
    EXPECT_EQ(y1, -99);
    EXPECT_EQ(x2, -99);
    EXPECT_EQ(y2, -99);

    // Unrotated, the corner form falls back to the box and leaves the arrays.
    THING u(32, 16, 10, 20);
    float ux[4] = {-1, -1, -1, -1}, uy[4] = {-1, -1, -1, -1};
    u.get_bbox(x1, y1, x2, y2, ux, uy, false);
    EXPECT_EQ(x1, 10);
    EXPECT_EQ(y2, 36);
    EXPECT_EQ(ux[0], -1);
    EXPECT_EQ(uy[3], -1);
}

TEST_F(ObjectTest, BoxOverlapIsInclusive)
{
    struct {
        const char* what;
        Box a, b;
        bool hit;
    } cases[] = {
        {"shared vertical edge", {0, 0, 10, 10}, {10, 0, 20, 10}, true},
        {"half a pixel apart", {0, 0, 10, 10}, {10.5f, 0, 20.5f, 10}, false},
        {"shared horizontal edge", {0, 0, 10, 10}, {0, 10, 10, 20}, true},
        {"corners touch", {0, 0, 10, 10}, {10, 10, 20, 20}, true},
        {"apart vertically only", {0, 0, 10, 10}, {0, 11, 10, 20}, false},
        {"one inside the other", {0, 0, 100, 100}, {40, 40, 50, 50}, true},
        {"b left of a", {20, 0, 30, 10}, {0, 0, 19, 10}, false},
        {"b above a", {0, 20, 10, 30}, {0, 0, 10, 19.9f}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(collide(c.a.x1, c.a.y1, c.a.x2, c.a.y2, c.b.x1, c.b.y1, c.b.x2, c.b.y2), c.hit);
        EXPECT_EQ(collide(c.b.x1, c.b.y1, c.b.x2, c.b.y2, c.a.x1, c.a.y1, c.a.x2, c.a.y2), c.hit);
    }
}

TEST_F(ObjectTest, ObjectsCollideByTheirEnclosingBoxes)
{
    THING a(10, 10, 0, 0);
    THING b(10, 10, 10, 0);
    EXPECT_TRUE(a.collide(&b));
    EXPECT_TRUE(b.collide(&a));
    b.x = 10.5f;
    EXPECT_FALSE(a.collide(&b));

    // Turned a quarter, the 32x16 sprite stands upright from y -8 to 24.
    THING bar(32, 16, 0, 0, 64);
    THING dot(10, 10, 0, 20);
    EXPECT_TRUE(bar.collide(&dot));
    bar.angle = 0;  // unrotated it ends at y 16
    EXPECT_FALSE(bar.collide(&dot));

    // An eighth turn makes a diamond; a dot in the enclosing square's corner,
    // clear of the diamond itself, still collides.
    THING diamond(20, 20, 0, 0, 32);
    THING corner(3, 3, 21, 21);
    EXPECT_TRUE(diamond.collide(&corner));
    EXPECT_TRUE(corner.collide(&diamond));

    // Centred boxes with their own size.
    THING c(32, 32, 100, 100);
    c.centered = true;
    c.w = c.h = 10;  // box (95, 95)-(105, 105)
    THING d(10, 10, 105, 105);
    EXPECT_TRUE(c.collide(&d));
    d.x = 105.25f;
    EXPECT_FALSE(c.collide(&d));
}

TEST_F(ObjectTest, UnrotatedWallTestUsesTheSpriteAndPushesBackLikeARotatedOne)
{
    // An unrotated object outside is put back at the wall it crossed, as a
    // rotated one is: left alone, a craft that turns round at a wall would
    // turn round again every tick it stayed outside and creep out for ever.
    struct {
        const char* what;
        float x, y;
        bool centered;
        bool out;
        float x_after, y_after;
    } cases[] = {
        {"touching bottom-right corner", 608, 448, false, false, 608, 448},
        {"half a pixel past the right wall", 608.5f, 448, false, true, 608, 448},
        {"past the bottom wall", 608, 448.25f, false, true, 608, 448},
        {"past the left wall", -0.5f, 10, false, true, 0, 10},
        {"past the top wall", 10, -0.5f, false, true, 10, 0},
        {"inside", 100, 100, false, false, 100, 100},
        // (x, y) is still the sprite's corner for this test, centred or not.
        {"centred, near the left wall", 2, 240, true, false, 2, 240},
        {"centred, near the right wall", 620, 240, true, true, 608, 240},
        // Out on two sides: one side per call, left before top.
        {"past the top-left corner", -5, -3, false, true, 0, -3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        THING t(32, 32, c.x, c.y);
        t.centered = c.centered;
        EXPECT_EQ(t.wall_collide(0, 0, 640, 480), c.out);
        EXPECT_EQ(t.x, c.x_after);
        EXPECT_EQ(t.y, c.y_after);
    }
    THING corner(32, 32, -5, -3);
    EXPECT_TRUE(corner.wall_collide(0, 0, 640, 480));
    EXPECT_TRUE(corner.wall_collide(0, 0, 640, 480));
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    EXPECT_FALSE(corner.wall_collide(0, 0, 640, 480));
}

TEST_F(ObjectTest, RotatedWallTestPushesBackOneSidePerCall)
{
    // A 32x32 sprite turned by three quarters encloses its own square. (Other
    // angles leave float residues of a millionth of a pixel that can take a
    // second call of their own before the next side is looked at.)
    THING t(32, 32, -5, -3, 192);
    ASSERT_TRUE(t.wall_collide(0, 0, 640, 480));
    EXPECT_NEAR(t.x, 0, 1e-4f);
    EXPECT_EQ(t.y, -3);
    ASSERT_TRUE(t.wall_collide(0, 0, 640, 480));
    EXPECT_NEAR(t.x, 0, 1e-4f);
    EXPECT_NEAR(t.y, 0, 1e-4f);
    EXPECT_FALSE(t.wall_collide(0, 0, 640, 480));

    // Right and bottom, in that order.
    THING u(32, 32, 612, 452, 192);
    ASSERT_TRUE(u.wall_collide(0, 0, 640, 480));
    EXPECT_NEAR(u.x, 608, 1e-3f);
    EXPECT_EQ(u.y, 452);
    ASSERT_TRUE(u.wall_collide(0, 0, 640, 480));
    EXPECT_NEAR(u.y, 448, 1e-3f);

    // Inside: no change.
    THING v(32, 32, 300, 200, 64);
    EXPECT_FALSE(v.wall_collide(0, 0, 640, 480));
    EXPECT_EQ(v.x, 300);
    EXPECT_EQ(v.y, 200);

    // The push-back follows the enclosing box, not the sprite: a quarter-turned
    // 33x17 sprite at x 0 reaches left to x 8 only, so it is inside.
    THING w(33, 17, 0, 10, 64);
    EXPECT_FALSE(w.wall_collide(0, 0, 640, 480));
    w.x = -9;
    ASSERT_TRUE(w.wall_collide(0, 0, 640, 480));
    EXPECT_NEAR(w.x, -8, 1e-4f);
}

TEST_F(ObjectTest, LifeFlagsAndTheCreateCount)
{
    const int before = create_count;
    {
        THING t(4, 4, 1, 2);
        EXPECT_EQ(create_count, before + 1);
        EXPECT_TRUE(t.is_enabled());
        EXPECT_FALSE(t.is_active());
        t.set_active(true);
        EXPECT_TRUE(t.is_active());
        t.set_angle(64);
        EXPECT_EQ(t.angle, 64.0f);
        EXPECT_FALSE(t.no_spr());
    }
    // The registry, not the destructor, lowers the count.
    EXPECT_EQ(create_count, before + 1);
}

// Angle units to radians as the game defines it: the quotient by 256/360 held
// as a float, then the quotient by 180/pi held as a float, each taken with the
// exact (double) constants. Every quarter unit over four turns either way.
TEST_F(ObjectTest, AngleToRadiansHoldsEachExactQuotientAsAFloat)
{
    int differ = 0;
    for (int q = -4096; q <= 4096; ++q) {
        const float a = q / 4.0f;
        const float deg = a / 0.7111111111111111;
        const float rad = deg / 57.29577951308232;
        if (angle_to_radians(a) != rad && ++differ <= 5)
            ADD_FAILURE() << "angle " << a << ": " << angle_to_radians(a) << " instead of " << rad;
    }
    EXPECT_EQ(differ, 0);
}

// The collision preconditions stop the program with their assertion text in
// every build type, the players' builds included.
TEST_F(ObjectTest, CollisionPreconditionsAreAssertions)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    THING bare(4, 4, 0, 0);
    destroy_bitmap(bare.spr);
    bare.spr = nullptr;
    THING other(4, 4, 0, 0);
    float x1, y1, x2, y2;
    EXPECT_DEATH(bare.get_bbox(x1, y1, x2, y2, nullptr, nullptr, true), "Assertion .spr. failed");
    EXPECT_DEATH(bare.wall_collide(0, 0, 640, 480), "Assertion .spr. failed");
    EXPECT_DEATH(other.collide(&bare), "spr && obj->spr");
    other.angle = 10;
    EXPECT_DEATH(other.get_bbox(x1, y1, x2, y2, nullptr, nullptr, false), "rot_x && rot_y");
    bare.spr = create_bitmap(1, 1);
}

}  // namespace
