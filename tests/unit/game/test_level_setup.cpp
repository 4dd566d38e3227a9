// Level set-up: walls, grip, quota, start enemies, positions and song start.
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "levels.h"
#include "player.h"
#include "test_game_probe.h"
#include "test_level_rand.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

int W(int n)
{
    return data_bitmap(n)->w;
}
int H(int n)
{
    return data_bitmap(n)->h;
}

class LevelSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        scripted_rand::reset();
        player_lives = PLAYER_LIVES;
        create_game_objects();
    }
    void TearDown() override
    {
        testing::internal::CaptureStdout();
        destroy_game_objects();
        const std::string report = testing::internal::GetCapturedStdout();
        EXPECT_EQ(report, "Create count = 0 (this is good)\n");
    }
    void init(int level, int quota_before = 0)
    {
        current_level = level;
        enemies_left = quota_before;
        wall_x1 = wall_y1 = wall_x2 = wall_y2 = 0;
        level_init();
    }
    std::vector<ENEMY*> list() const { return {enemies.begin(), enemies.end()}; }
};

TEST_F(LevelSetup, WallsGripQuotaAndStartEnemiesPerLevel)
{
    struct Row {
        int level;
        float traction;
        int quota;
        std::vector<ENEMY::TYPE> start;
    };
    using E = ENEMY;
    const std::vector<E::TYPE> ring_and_spitter = [] {
        std::vector<E::TYPE> v(36, E::ET_SPIKE);
        v.push_back(E::ET_SPITTER);
        return v;
    }();
    const Row rows[] = {
        {1, 1.0f, 20, {}},
        {2, 1.0f, 20, {E::ET_CAR}},
        {3, 0.15f, 30, {E::ET_SPIKE, E::ET_SPIKE, E::ET_SPIKE, E::ET_SPIKE}},
        {4, 1.0f, 8, {E::ET_SPITTER, E::ET_SPITTER, E::ET_SPITTER}},
        {5, 0.02f, 25, {}},
        {6, 1.0f, 20, {E::ET_CHASE_CAR, E::ET_CAR, E::ET_CAR}},
        {7, 1.0f, 25, ring_and_spitter},
        {8, 1.0f, 1, {}},
        {0, 1.0f, 5, {}},
        {9, 1.0f, 5, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.level);
        player->set_traction(0.5f);
        init(r.level, 5);
        EXPECT_EQ(wall_x1, 42);
        EXPECT_EQ(wall_y1, 46);
        EXPECT_EQ(wall_x2, 596);
        EXPECT_EQ(wall_y2, 432);
        EXPECT_EQ(player->traction, r.traction);
        EXPECT_EQ(enemies_left, r.quota);
        std::vector<E::TYPE> types;
        for (ENEMY* e : enemies)
            types.push_back(e->get_type());
        EXPECT_EQ(types, r.start);
        // objects: the player, then the same enemies in the same order.
        ASSERT_EQ(objects.size(), enemies.size() + 1);
        EXPECT_EQ(objects.front(), player);
        auto o = std::next(objects.begin());
        for (ENEMY* e : enemies)
            EXPECT_EQ(*o++, e);
        // Next level from a clean slate, keeping the player.
        for (ENEMY* e : enemies) {
            objects.remove(e);
            delete e;
            --create_count;
        }
        enemies.clear();
        player->set(320, 240);
    }
}

TEST_F(LevelSetup, Level2CarAtItsDrawnPlaceWithRandomHeading)
{
    const int x_draw = 10, y_draw = 20;
    scripted_rand::queue = {x_draw, y_draw, 300};
    init(2);
    ENEMY* car = enemies.front();
    EXPECT_EQ(car->x, 92 + x_draw);
    EXPECT_EQ(car->y, 96 + y_draw);
    EXPECT_EQ(car->angle, 300 & 255);
    EXPECT_EQ(scripted_rand::draws, 3);
}

TEST_F(LevelSetup, Level2CarOverlappingThePlayerFallsBackOnce)
{
    // Draws that put the car on the player's start (320, 240).
    scripted_rand::queue = {320 - 92, 240 - 96, 17};
    init(2);
    ENEMY* car = enemies.front();
    EXPECT_EQ(car->x, 512);
    EXPECT_EQ(car->y, 384);
    EXPECT_EQ(car->angle, 17);
    EXPECT_EQ(scripted_rand::draws, 3);  // no second placement
}

TEST_F(LevelSetup, Level3SpikesCentredNearTheCorners)
{
    init(3);
    const int w = W(SPR_SPIKE_1), h = H(SPR_SPIKE_1);
    const int centres[4][2] = {{128, 96}, {512, 96}, {128, 384}, {512, 384}};
    auto v = list();
    ASSERT_EQ(v.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i]->x, centres[i][0] - w / 2) << i;
        EXPECT_EQ(v[i]->y, centres[i][1] - h / 2) << i;
        EXPECT_EQ(v[i]->angle, 0);
    }
}

TEST_F(LevelSetup, Level4SpittersStraddleTheTopWall)
{
    init(4);
    const int w = W(SPR_SPITTER), h = H(SPR_SPITTER);
    auto v = list();
    ASSERT_EQ(v.size(), 3u);
    const int xs[] = {58, 255, 480};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i]->x, w / 2 + xs[i]);
        EXPECT_EQ(v[i]->y, 46 - h / 2);
    }
}

TEST_F(LevelSetup, Level6ChaseCarFirstWithDrawnHeadings)
{
    scripted_rand::queue = {1000 + 7, 1000 + 8, 1000 + 9};
    init(6);
    auto v = list();
    ASSERT_EQ(v.size(), 3u);
    const float pos[3][2] = {{256, 256}, {512, 384}, {96, 384}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i]->x, pos[i][0]);
        EXPECT_EQ(v[i]->y, pos[i][1]);
        EXPECT_EQ(v[i]->angle, (1007 + i) & 255);
    }
    EXPECT_EQ(v[0]->get_type(), ENEMY::ET_CHASE_CAR);
}

TEST_F(LevelSetup, Level7RingOf36AndItsSpitter)
{
    init(7);
    const int w = W(SPR_SPIKE_1), h = H(SPR_SPIKE_1);
    auto v = list();
    ASSERT_EQ(v.size(), 37u);
    std::vector<std::pair<int, int>> centres;
    for (int i = 0; i < 10; ++i) {
        centres.push_back({148 + 40 * i, 96});
        centres.push_back({148 + 40 * i, 376});
    }
    for (int i = 0; i < 8; ++i) {
        centres.push_back({108, 96 + 40 * i});
        centres.push_back({540, 96 + 40 * i});
    }
    for (int i = 0; i < 36; ++i) {
        EXPECT_EQ(v[i]->x + w / 2, centres[i].first) << i;
        EXPECT_EQ(v[i]->y + h / 2, centres[i].second) << i;
    }
    EXPECT_EQ(v[36]->get_type(), ENEMY::ET_SPITTER);
    EXPECT_EQ(v[36]->x, W(SPR_SPITTER) / 2 + 255);
    EXPECT_EQ(v[36]->y, 46 - H(SPR_SPITTER) / 2);
}

TEST_F(LevelSetup, Level8PlayerStandsOnTheBottomWall)
{
    init(8);
    EXPECT_EQ(player->x, 320);
    EXPECT_EQ(player->y, 432 - H(SPR_PLAYER));
    EXPECT_TRUE(enemies.empty());
}

}  // namespace
