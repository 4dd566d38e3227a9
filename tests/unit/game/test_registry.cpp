// The registry: the player made per attempt, everything deleted at the end,
// the lives carried over and the live-object report.
#include "enemy.h"
#include "player.h"
#include "registry.h"
#include "levels.h"
#include "test_game_probe.h"
#include <gtest/gtest.h>

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game_test_init());
        player_lives = PLAYER_LIVES;
    }
};

TEST_F(Registry, CreatesThePlayerFirstAtTheCentreWithTheCarriedLives)
{
    player_lives = 2;
    const int before = create_count;
    create_game_objects();
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front(), player);
    EXPECT_TRUE(enemies.empty());
    EXPECT_EQ(player->x, 320);
    EXPECT_EQ(player->y, 240);
    EXPECT_TRUE(player->is_enabled());
    EXPECT_EQ(player->lives, 2);
    EXPECT_EQ(create_count, before + 1);
    testing::internal::CaptureStdout();
    destroy_game_objects();
    testing::internal::GetCapturedStdout();
}

TEST_F(Registry, DestroyDeletesEverythingWritesLivesBackAndReportsZero)
{
    create_game_objects();
    for (int i = 0; i < 3; ++i) {
        ENEMY* e = new ENEMY(ENEMY::ET_BALL, 100 + 50 * i, 100);
        objects.push_back(e);
        enemies.push_back(e);
    }
    player->shoot();  // a projectile in play as well
    EXPECT_GT(objects.size(), 4u);
    player->set_lives(1);

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    destroy_game_objects();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Create count = 0 (this is good)\n");
    EXPECT_EQ(err.find("WARNING"), std::string::npos);
    EXPECT_EQ(create_count, 0);
    EXPECT_TRUE(objects.empty());
    EXPECT_TRUE(enemies.empty());
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(player_lives, 1);
}

TEST_F(Registry, ALeakIsReportedOnStandardErrorAtEveryLaterAttempt)
{
    ENEMY* stray = new ENEMY(ENEMY::ET_BALL, 100, 100);  // never entered into objects
    for (int attempt = 0; attempt < 2; ++attempt) {
        create_game_objects();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        destroy_game_objects();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "WARNING!!!!  Create count = 1, Possible memory leak!!\n");
    }
    delete stray;
    --create_count;
}

}  // namespace
