// Level scripts as schedules: the real level_proc stepped tick by tick with a
// scripted generator, enemies standing still (no object steps run here).
#include "datidx.h"
#include "enemy.h"
#include "game.h"
#include "levels.h"
#include "player.h"
#include "test_game_probe.h"
#include "test_level_rand.h"
#include "pacing.h"
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
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

struct Release {
    int tick;
    ENEMY::TYPE type;
    ENEMY* enemy;
};

class LevelScript : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(game_test_init()); }
    void TearDown() override
    {
        testing::internal::CaptureStdout();
        destroy_game_objects();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Create count = 0 (this is good)\n");
    }
    // A fresh attempt at `level` as run_game prepares it, the clock at 0.
    void start(int level)
    {
        scripted_rand::reset();
        player_lives = PLAYER_LIVES;
        sign_bmp = nullptr;
        sign_a = d_sign_a = 0;
        screen_msg_counter = 0;
        current_level = level;
        enemies_left = 0;
        create_game_objects();
        level_init();
        fpscounter = 0;
        releases.clear();
        sign_raised.clear();
    }
    // Runs the script's ticks up to `last`; `before` may act before each tick.
    void run_to(int last, std::function<void(int)> before = nullptr)
    {
        while (fpscounter < last) {
            const int t = ++fpscounter;
            if (before)
                before(t);
            const int quota = enemies_left;
            const size_t alive = enemies.size();
            BITMAP* sign = sign_bmp;
            const int opacity = sign_a;
            level_proc();
            ASSERT_GE(enemies_left, 0) << "tick " << t;
            ASSERT_LE(quota - enemies_left, 1) << "tick " << t;
            if (enemies_left < quota) {
                ASSERT_EQ(enemies.size(), alive + 1);
                releases.push_back({t, enemies.back()->get_type(), enemies.back()});
                EXPECT_EQ(objects.back(), enemies.back()) << "appended to both lists";
            } else {
                ASSERT_EQ(enemies.size(), alive) << "tick " << t;
            }
            if (sign_bmp != sign || sign_a != opacity)
                sign_raised.push_back(t);
        }
    }
    std::vector<int> release_ticks() const
    {
        std::vector<int> v;
        for (const Release& r : releases)
            v.push_back(r.tick);
        return v;
    }
    // Takes an enemy out of play as its death does, then deletes it as the loop would.
    static void remove_enemy(ENEMY* e)
    {
        e->dead();
        objects.remove(e);
        --create_count;
        delete e;
    }
    // Ends an attempt within a test, as the fixture's clean-up does.
    static void end_attempt()
    {
        testing::internal::CaptureStdout();
        destroy_game_objects();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Create count = 0 (this is good)\n");
    }
    static void remove_all_enemies()
    {
        while (!enemies.empty())
            remove_enemy(enemies.front());
    }
    std::vector<Release> releases;
    std::vector<int> sign_raised;
};

std::vector<int> shared_schedule(int count)
{
    std::vector<int> v = {200, 400};
    for (int t = 600; static_cast<int>(v.size()) < count; t += 300)
        v.push_back(t);
    return v;
}

TEST_F(LevelScript, Level1ReleasesTwentyOnTheRegularTicksAndClearsOnce)
{
    start(1);
    run_to(7000);
    const std::vector<int> expected = shared_schedule(20);
    EXPECT_EQ(expected.back(), 5700);
    EXPECT_EQ(release_ticks(), expected);
    for (const Release& r : releases)
        EXPECT_EQ(r.type, ENEMY::ET_TURD);
    EXPECT_EQ(enemies_left, 0);
    EXPECT_TRUE(sign_raised.empty()) << "enemies still alive";

    remove_all_enemies();
    run_to(7001);
    EXPECT_EQ(sign_raised, std::vector<int> {7001});
    EXPECT_EQ(sign_bmp, data_bitmap(BMP_SIGN_LEVEL_DONE));
    EXPECT_EQ(sign_a, 255);
    EXPECT_EQ(d_sign_a, -1);
    // While it fades the condition keeps holding, but the sign is not raised again.
    sign_a = 100;
    run_to(7100);
    EXPECT_EQ(sign_a, 100);
    EXPECT_EQ(sign_raised.size(), 1u);
}

TEST_F(LevelScript, ChanceSuccessAddsAReleaseAndACoincidingTickReleasesOnce)
{
    start(1);
    // The chance roll is the tick's first draw: make it odd at 1680 and 2400.
    run_to(6000, [](int t) {
        if (t == 1680 || t == 2400)
            scripted_rand::odd_draws = 1;
    });
    std::vector<int> expected = shared_schedule(19);
    expected.insert(expected.begin() + 6, 1680);  // between 1500 and 1800
    EXPECT_EQ(release_ticks(), expected);
    EXPECT_EQ(releases.back().tick, 5400);  // the quota runs out one regular tick early
}

TEST_F(LevelScript, ChanceRollsDrawOnlyOnTheirTicksEvenWithAnEmptyQuota)
{
    start(1);
    run_to(1500);
    const long draws_before = scripted_rand::draws;
    enemies_left = 0;
    run_to(1920);
    // 1680 and 1920 are the chance ticks above 1500: one draw each, nothing released.
    EXPECT_EQ(scripted_rand::draws - draws_before, 2);
}

TEST_F(LevelScript, Level1EntryIgnoresThePlayerButNotOtherEnemies)
{
    start(1);
    // First turd onto the player's box: it stays there.
    scripted_rand::queue = {320 - 92, 240 - 96};
    run_to(200);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].enemy->x, 320);
    EXPECT_EQ(releases[0].enemy->y, 240);
    // Second turd onto the first: placed again, clear of it, inside the entry area.
    scripted_rand::queue = {320 - 92, 240 - 96};
    run_to(400);
    ASSERT_EQ(releases.size(), 2u);
    ENEMY* second = releases[1].enemy;
    EXPECT_FALSE(second->collide(releases[0].enemy));
    EXPECT_GE(second->x, 92);
    EXPECT_LE(second->x, 587);
    EXPECT_GE(second->y, 96);
    EXPECT_LE(second->y, 427);
}

TEST_F(LevelScript, OverlappingEntryIsDrawnAgainWithoutTheSpriteSizeAndIsBounded)
{
    start(2);
    ENEMY* car = enemies.front();
    car->set(200, 300);
    // Release at 200 onto the car; the second place ignores the sprite size.
    scripted_rand::queue = {200 - 92, 300 - 96, 560 - 92, 100 - 96};
    run_to(200);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].type, ENEMY::ET_GUY);
    EXPECT_EQ(releases[0].enemy->x, 560);
    EXPECT_EQ(releases[0].enemy->y, 100);

    // Every place overlapping: after 1000 new places the enemy keeps the last one.
    car->set(92, 96);
    scripted_rand::queue.clear();
    for (int i = 0; i < 2 + 2 * MAX_PLACEMENT_DRAWS + 10; ++i)
        scripted_rand::queue.push_back(0);
    const long before = scripted_rand::draws;
    run_to(400);
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_EQ(scripted_rand::draws - before, 2 + 2 * MAX_PLACEMENT_DRAWS);
    EXPECT_EQ(releases[1].enemy->x, 92);
    EXPECT_EQ(releases[1].enemy->y, 96);
}

TEST_F(LevelScript, Level2EntryAreaLeavesRoomForTheSprite)
{
    start(2);
    enemies.front()->set(100, 100);
    const int w = W(SPR_GUY_WALK_1), h = H(SPR_GUY_WALK_1);
    // The largest draws give the far corner of the entry area.
    scripted_rand::queue = {596 - w - 100 - 1, 432 - h - 100 - 1};
    run_to(200);
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(releases[0].enemy->x, 587 - w);
    EXPECT_EQ(releases[0].enemy->y, 427 - h);
}

TEST_F(LevelScript, Level3ClearsOnlyWithTheQuotaSpentAndOnlySpikesLeft)
{
    start(3);
    run_to(7500);
    std::vector<int> expected;
    for (int t = 250; t <= 7500; t += 250)
        expected.push_back(t);
    EXPECT_EQ(release_ticks(), expected);
    EXPECT_TRUE(sign_raised.empty());
    // Four balls gone, four left besides the spikes: not yet.
    for (int i = 0; i < 26; ++i)
        remove_enemy(enemies.back());
    ASSERT_EQ(enemies.size(), 8u);
    run_to(7510);
    EXPECT_TRUE(sign_raised.empty());
    for (int i = 0; i < 4; ++i)
        remove_enemy(enemies.back());
    run_to(7511);
    EXPECT_EQ(sign_raised, std::vector<int> {7511});
}

TEST_F(LevelScript, Level3FourEnemiesWithQuotaLeftDoNotClear)
{
    start(3);
    run_to(249);
    EXPECT_EQ(enemies.size(), 4u);
    EXPECT_TRUE(sign_raised.empty());
}

TEST_F(LevelScript, Level4FirstTwoAt200And800)
{
    start(4);
    run_to(1500);
    EXPECT_EQ(release_ticks(), (std::vector<int> {200, 800}));
    for (const Release& r : releases)
        EXPECT_EQ(r.type, ENEMY::ET_SPINNER);
}

TEST_F(LevelScript, Level4ChanceIsOneInFive)
{
    start(4);
    run_to(1599);
    // 1600 is regular anyway; 1700 releases only on a draw divisible by 5.
    scripted_rand::queue = {7};
    run_to(1600);
    scripted_rand::queue = {6};
    run_to(1700);
    EXPECT_EQ(releases.back().tick, 1600);
    scripted_rand::queue = {10};
    run_to(1800);
    EXPECT_EQ(releases.back().tick, 1800);
}

TEST_F(LevelScript, Level5StalkerOnlyOnASuccessfulChanceRoll)
{
    start(5);
    run_to(3000, [](int t) {
        if (t == 1680 || t == 2400)
            scripted_rand::odd_draws = 1;
    });
    for (const Release& r : releases) {
        const bool chance = r.tick == 1680 || r.tick == 2400;
        EXPECT_EQ(r.type, chance ? ENEMY::ET_STALKER : ENEMY::ET_FAST_BALL) << r.tick;
    }
    EXPECT_EQ(release_ticks(), (std::vector<int> {200, 400, 600, 900, 1200, 1500, 1680, 1800, 2100, 2400, 2700, 3000}));
}

TEST_F(LevelScript, Level6HoldsBackForTheChaseCarAndCapsAtNine)
{
    start(6);
    ASSERT_EQ(enemies.front()->get_type(), ENEMY::ET_CHASE_CAR);
    const long draws_before = scripted_rand::draws;
    run_to(2000);
    EXPECT_TRUE(releases.empty());
    EXPECT_EQ(scripted_rand::draws, draws_before) << "no chance roll while guarded";
    EXPECT_EQ(enemies_left, 20);

    remove_enemy(enemies.front());
    run_to(5600);
    // Two cars plus seven people make nine: 5200 and 5600 pass without a release.
    EXPECT_EQ(release_ticks(), (std::vector<int> {2400, 2800, 3200, 3600, 4000, 4400, 4800}));
    EXPECT_EQ(releases.size(), 7u);
    EXPECT_EQ(enemies.size(), 9u);
    EXPECT_EQ(enemies_left, 13);
    for (const Release& r : releases)
        EXPECT_EQ(r.type, ENEMY::ET_PERSON);
}

TEST_F(LevelScript, Level6EmptyListLetsReleasesGoOn)
{
    start(6);
    remove_all_enemies();
    run_to(800);
    EXPECT_EQ(release_ticks(), std::vector<int> {800});
}

TEST_F(LevelScript, Level7TauntAt800FirstReleaseAt1050AndClearsWithTheRing)
{
    start(7);
    run_to(799);
    EXPECT_EQ(screen_msg_counter, 0);
    run_to(800);
    EXPECT_STREQ(screen_msg_buf, "This level's EASY!!!  Right??  Well, fuck you!!");
    EXPECT_EQ(screen_msg_counter, 300);
    // Inside the ring, away from the player: x 200, y 300, then the type draw 3.
    scripted_rand::queue = {200 - 92, 300 - 96, 3};
    run_to(1050);
    ASSERT_EQ(release_ticks(), std::vector<int> {1050});
    EXPECT_EQ(releases[0].type, ENEMY::ET_STALKER);
    EXPECT_EQ(releases[0].enemy->x, 200);
    EXPECT_EQ(releases[0].enemy->y, 300);

    enemies_left = 0;
    remove_enemy(releases[0].enemy);
    run_to(1060);
    EXPECT_TRUE(sign_raised.empty()) << "the spitter is still alive";
    remove_enemy(enemies.back());
    ASSERT_EQ(enemies.size(), 36u);
    run_to(1061);
    EXPECT_EQ(sign_raised, std::vector<int> {1061});
}

TEST_F(LevelScript, Level8BossAt200OnTheTopWall)
{
    start(8);
    run_to(1000);
    ASSERT_EQ(release_ticks(), std::vector<int> {200});
    ENEMY* boss = releases[0].enemy;
    EXPECT_EQ(boss->get_type(), ENEMY::ET_BOSS);
    EXPECT_EQ(boss->x, 320 - W(SPR_BOSS_1) / 2);
    EXPECT_EQ(boss->y, 46);
    EXPECT_TRUE(sign_raised.empty());
    remove_enemy(boss);
    run_to(1001);
    EXPECT_EQ(sign_raised, std::vector<int> {1001});
}

TEST_F(LevelScript, ClearingAtFullHealthEarnsALife)
{
    start(8);
    player->set_lives(2);
    enemies_left = 0;
    run_to(1);
    int lives = 0;
    player->update_lives(lives);
    EXPECT_EQ(lives, 3);
}

TEST_F(LevelScript, LevelsOutsideOneToEightDoNothing)
{
    start(0);
    enemies_left = 3;
    run_to(3000);
    EXPECT_TRUE(releases.empty());
    EXPECT_TRUE(sign_raised.empty());
    EXPECT_EQ(scripted_rand::draws, 0);
}

TEST_F(LevelScript, EachLevelRollsItsChanceOnMultiplesOfItsPeriodPast1500)
{
    const struct {
        int level;
        int period;
    } periods[] = {
        {1, 240},
        {2, 240},
        {3, 100},
        {4, 100},
        {5, 240},
        {6, 240},
        {7, 150},
        {8, 0},
    };
    for (const auto& p : periods) {
        SCOPED_TRACE("level " + std::to_string(p.level));
        start(p.level);
        if (p.level == 6)
            remove_enemy(enemies.front());  // the chase car holds the rolls back
        enemies_left = 0;                   // nothing released: every draw is a roll
        // Seen before each tick's script: a draw made by the previous tick's.
        std::vector<int> rolls;
        long draws = scripted_rand::draws;
        run_to(3000, [&](int t) {
            if (scripted_rand::draws != draws)
                rolls.push_back(t - 1);
            draws = scripted_rand::draws;
        });
        std::vector<int> expected;
        for (int t = 1501; p.period && t <= 2999; t++)
            if (t % p.period == 0)
                expected.push_back(t);
        EXPECT_EQ(rolls, expected);
        end_attempt();
    }
}

TEST_F(LevelScript, Level7DrawsItsTypeFromSixInOrder)
{
    const ENEMY::TYPE order[] = {
        ENEMY::ET_TURD, ENEMY::ET_BALL, ENEMY::ET_FAST_BALL, ENEMY::ET_STALKER, ENEMY::ET_SPINNER, ENEMY::ET_PERSON};
    for (int draw = 0; draw < 8; draw++) {
        SCOPED_TRACE("type draw " + std::to_string(draw));
        start(7);
        scripted_rand::queue = {200 - 92, 300 - 96, draw};  // inside the ring, then the type
        run_to(1050);
        ASSERT_EQ(release_ticks(), std::vector<int> {1050});
        EXPECT_EQ(releases[0].type, order[draw % 6]);
        end_attempt();
    }
}

}  // namespace
