// The song box unmuted with broken music beside the program: without a music/
// folder every caller's song ends the program with the music message; a
// damaged song plays until its data gives out, stops its sound and leaves the
// song box working for the next song. Sound runs through ALSA's null device.
#include "music.h"

#include "almp3.h"
#include "test_almp3_media.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>

using media::Bytes;

namespace {

const int POLL_SLEEP_US = 500;
const int MAX_POLLS = 40000;
const int LEVEL_1_START_MS = 6000;  // where the first level's song starts

class BrokenMusic : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(media::start_null_sound()) << "no Allegro sound through ALSA's null device (run under xvfb-run)";
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        game_dir = media::scratch_dir() + "/game";
        mkdir(game_dir.c_str(), 0755);
        ASSERT_EQ(chdir(game_dir.c_str()), 0);
    }
    void TearDown() override
    {
        if (chdir(home) != 0)
            ADD_FAILURE() << "cannot return to " << home;
    }
    char home[4096];
    std::string game_dir;
};

TEST_F(BrokenMusic, WithoutTheMusicFolderEverySongEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct stat st;
    ASSERT_NE(stat("music", &st), 0) << "the scratch folder has no music/";
    // Titles, first and last level, game over, ending.
    for (int song : {SONG_TITLE_1, SONG_TITLE_2, SONG_LEVEL_1, SONG_LEVEL_8, SONG_GAME_OVER, SONG_ENDING}) {
        SCOPED_TRACE(song);
        EXPECT_EXIT(
            {
                setenv("PATH", "/nonexistent", 1);  // no message box to click
                SONGBOX box;
                box.play(song);
            },
            ::testing::ExitedWithCode(1), "Error opening music files!!!");
    }
}

// Repeatable noise.
void scramble(Bytes& b, size_t from, size_t to, unsigned seed)
{
    for (size_t i = from; i < to && i < b.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = static_cast<unsigned char>(seed >> 16);
    }
}

TEST_F(BrokenMusic, ADamagedSongStopsItsSoundAndTheBoxPlaysOn)
{
    if (!media::have_encoders())
        GTEST_SKIP() << "sox and lame are needed to make test songs";
    const std::string good_path = media::song("long_noxing.mp3");
    ASSERT_FALSE(good_path.empty());
    const Bytes good = media::read_file(good_path);
    const size_t n = good.size();
    ASSERT_GT(n, 100000u);

    struct Case {
        const char* what;
        Bytes bytes;
    };
    std::vector<Case> cases;
    Case c {"middle third noise", good};
    scramble(c.bytes, n / 3, 2 * n / 3, 1);
    cases.push_back(c);
    c = {"cut in a frame at 60 %", Bytes(good.begin(), good.begin() + n * 3 / 5 + 123)};
    cases.push_back(c);
    c = {"every 997th byte flipped", good};
    for (size_t i = 500; i < n; i += 997)
        c.bytes[i] ^= 0xff;
    cases.push_back(c);
    c = {"first frames, then zeros", good};
    std::fill(c.bytes.begin() + 4096, c.bytes.end(), 0);
    cases.push_back(c);
    c = {"first frames, then noise", good};
    scramble(c.bytes, 4096, n, 2);
    cases.push_back(c);
    c = {"frames with their headers noise", good};
    for (size_t i = 40000; i + 4 < n; i += 417)
        scramble(c.bytes, i, i + 4, static_cast<unsigned>(i));
    cases.push_back(c);

    mkdir("music", 0755);
    SONGBOX names;
    media::write_file(std::string("music/") + names.songs[SONG_LEVEL_2], good);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        media::write_file(std::string("music/") + names.songs[SONG_LEVEL_1], k.bytes);
        SONGBOX box;
        // As level 1 starts its song.
        box.play(SONG_LEVEL_1);
        ASSERT_NE(box.mp3, nullptr);
        box.seek(LEVEL_1_START_MS);
        int polls = 0;
        int result = ALMP3_POLL_OK;
        for (; polls < MAX_POLLS && result == ALMP3_POLL_OK; ++polls) {
            result = box.poll_mp3(box.mp3);
            usleep(POLL_SLEEP_US);
        }
        EXPECT_LT(polls, MAX_POLLS) << "the damaged song never ended";
        EXPECT_GE(result, ALMP3_POLL_STARVED);
        EXPECT_LE(result, ALMP3_POLL_FINISHED);
        EXPECT_EQ(box.mp3->stream->audio_stream, nullptr) << "its sound stopped";
        // The game goes on polling every tick after the music stopped.
        for (int i = 0; i < 100; ++i)
            box.poll();

        // The next song plays: its audio buffers are filled.
        box.play(SONG_LEVEL_2);
        ASSERT_NE(box.mp3, nullptr);
        AUDIOSTREAM* as = box.mp3->stream->audio_stream;
        ASSERT_NE(as, nullptr);
        int filled = 0;
        for (int i = 0; i < MAX_POLLS && filled < 3; ++i) {
            const int before = as->bufnum;
            box.poll();
            filled += as->bufnum != before;
            usleep(POLL_SLEEP_US);
        }
        EXPECT_EQ(filled, 3);
        box.stop();
    }
}

}  // namespace
