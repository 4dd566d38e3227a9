// The song box: volume rules, muting, song changes, pausing, seeking and the
// fatal error for a song that cannot be opened, with real files in music/.
#include "music.h"

#include "almp3.h"
#include "test_almp3_media.h"

#include <allegro.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using media::Bytes;

namespace {

const int BLOCK_BYTES = 32768;
const int MAX_POLLS = 60000;
const int POLL_SLEEP_US = 1000;

// The songs put under the table's names; the others are left out or broken.
const int SONG_LONG = 2;  // 8 s, no Xing frame: long enough to seek 6 s in
const int SONG_A = 3;
const int SONG_B = 4;
const int SONG_SHORT = 5;  // shorter than one block
const int SONG_MISSING = 1;
const int SONG_EMPTY = 10;
const int SONG_TEXT = 11;

std::string work_dir;

// Number of open file descriptors of this process.
int open_files()
{
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d)
        return -1;
    while (readdir(d))
        ++n;
    closedir(d);
    return n;
}

class SongBox : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!media::have_encoders())
            return;
        const SONGBOX names;
        work_dir = media::scratch_dir() + "/game";
        mkdir(work_dir.c_str(), 0755);
        mkdir((work_dir + "/music").c_str(), 0755);
        const struct {
            int song;
            const char* file;
        } copies[] = {
            {SONG_LONG, "long_noxing.mp3"},
            {SONG_A, "cbr128.mp3"},
            {SONG_B, "vbr.mp3"},
            {SONG_SHORT, "short.mp3"},
        };
        for (const auto& c : copies)
            media::write_file(work_dir + "/music/" + names.songs[c.song], media::read_file(media::song(c.file)));
        media::write_file(work_dir + "/music/" + names.songs[SONG_EMPTY], Bytes());
        const std::string text = "these are not the frames you are looking for\n";
        Bytes not_mp3;
        for (int i = 0; i < 2000; ++i)
            not_mp3.insert(not_mp3.end(), text.begin(), text.end());
        media::write_file(work_dir + "/music/" + names.songs[SONG_TEXT], not_mp3);
        if (chdir(work_dir.c_str()) != 0)
            work_dir.clear();
    }

    void SetUp() override
    {
        if (!media::have_encoders())
            GTEST_SKIP() << "sox and lame are needed to make test songs";
        ASSERT_FALSE(work_dir.empty());
        ASSERT_TRUE(media::start_null_sound()) << "no Allegro sound through ALSA's null device (run under xvfb-run)";
    }

    static Bytes song_file(const SONGBOX& box, int song)
    {
        return media::read_file(std::string("music/") + box.songs[song]);
    }

    // Polls the way the game's loops do until the stream has stopped by
    // itself; returns the first non-zero stream result.
    static int poll_to_end(SONGBOX* box)
    {
        for (int i = 0; i < MAX_POLLS; ++i) {
            const int r = box->poll_mp3(box->mp3);
            if (r != ALMP3_POLL_OK)
                return r;
            usleep(POLL_SLEEP_US);
        }
        return 999;
    }

    // Polls until the stream has filled `n` audio buffers.
    static void play_buffers(SONGBOX* box, int n)
    {
        for (int i = 0; i < MAX_POLLS && n > 0; ++i) {
            AUDIOSTREAM* as = box->mp3->stream->audio_stream;
            const int before = as->bufnum;
            box->poll();
            n -= as->bufnum != before;
            usleep(POLL_SLEEP_US);
        }
        ASSERT_EQ(0, n);
    }
};

TEST_F(SongBox, StartsSilentWithTheSongTable)
{
    SONGBOX box;
    EXPECT_EQ(-1, box.current);
    EXPECT_FALSE(box.playing());
    EXPECT_EQ(192, box.get_volume());
    EXPECT_FALSE(box.mute);
    EXPECT_EQ(nullptr, box.mp3);
    EXPECT_STREQ("Shit anthem.mp3", box.songs[0]);
    EXPECT_STREQ("Headstrong - Still frame.mp3", box.songs[2]);
    EXPECT_STREQ("SOAD - War.mp3", box.songs[8]);
    EXPECT_STREQ("funnyending.mp3", box.songs[NUM_SONGS - 1]);
    EXPECT_EQ(12, NUM_SONGS);
}

TEST_F(SongBox, VolumeRules)
{
    struct {
        int start;
        bool slide;
        int arg;
        int result;
    } cases[] = {
        {0, false, -1, 192},   // -1 is the default
        {0, false, 300, 300},  // stored as given
        {0, false, 0, 0},
        {192, true, 100, 255},  // slides stop at the ends
        {192, true, -300, 0},
        {192, true, -2, 190},
        {300, true, 0, 255},
        {-5, true, 1, 0},
    };
    for (bool with_song : {false, true}) {
        SONGBOX box;
        if (with_song) {
            box.play(SONG_A);
            ASSERT_NE(nullptr, box.mp3);
        }
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "from " << c.start << (c.slide ? " slide " : " set ") << c.arg);
            box.set_volume(c.start);
            if (c.slide)
                box.slide_volume(c.arg);
            else
                box.set_volume(c.arg);
            EXPECT_EQ(c.result, box.get_volume());
            // The playing voice follows, within what a voice can take.
            if (with_song) {
                const int voice = box.mp3->stream->audio_stream->voice;
                EXPECT_EQ(std::min(std::max(c.result, 0), 255), voice_get_volume(voice));
            }
        }
    }
}

TEST_F(SongBox, MutedPlaysNothingWhateverTheSong)
{
    SONGBOX box;
    box.set_mute(true);
    const int before = open_files();
    for (int song : {0, SONG_A, SONG_MISSING, SONG_EMPTY, SONG_TEXT, -1, NUM_SONGS, 1000}) {
        box.play(song);
        EXPECT_EQ(nullptr, box.mp3) << song;
        EXPECT_FALSE(box.playing()) << song;
    }
    box.poll();
    box.seek(6000);
    box.set_paused(true);
    box.set_paused(false);
    box.stop();
    box.slide_volume(10);
    EXPECT_EQ(202, box.get_volume());
    EXPECT_EQ(nullptr, box.mp3);
    EXPECT_EQ(before, open_files());
}

TEST_F(SongBox, SameSongAgainIsUndisturbedOrResumed)
{
    SONGBOX box;
    box.play(SONG_A);
    ASSERT_NE(nullptr, box.mp3);
    EXPECT_EQ(SONG_A, box.current);
    EXPECT_TRUE(box.playing());
    ASSERT_NE(nullptr, box.mp3->stream->audio_stream);
    play_buffers(&box, 3);
    SONGBOX::MP3FILE* open = box.mp3;
    AUDIOSTREAM* sound = open->stream->audio_stream;
    const int pos = open->stream->pos;
    const int read_pos = open->read_pos;

    box.play(SONG_A);
    EXPECT_EQ(open, box.mp3);
    EXPECT_EQ(sound, box.mp3->stream->audio_stream);
    EXPECT_EQ(pos, box.mp3->stream->pos);
    EXPECT_EQ(read_pos, box.mp3->read_pos);

    box.set_paused(true);
    EXPECT_EQ(nullptr, open->stream->audio_stream);
    EXPECT_TRUE(box.playing());
    box.poll();
    EXPECT_EQ(pos, open->stream->pos);
    box.play(SONG_A);
    EXPECT_EQ(open, box.mp3);
    EXPECT_NE(nullptr, open->stream->audio_stream);
    EXPECT_EQ(pos, open->stream->pos);
    play_buffers(&box, 1);
    EXPECT_NE(pos, open->stream->pos);
}

TEST_F(SongBox, AnotherSongClosesTheFirst)
{
    const int before = open_files();
    {
        SONGBOX box;
        box.play(SONG_A);
        ASSERT_NE(nullptr, box.mp3);
        const int with_one = open_files();
        EXPECT_EQ(before + 1, with_one);
        box.play(SONG_B);
        ASSERT_NE(nullptr, box.mp3);
        EXPECT_EQ(SONG_B, box.current);
        EXPECT_EQ(std::string("music/") + box.songs[SONG_B], box.mp3->path);
        EXPECT_EQ(with_one, open_files());
        EXPECT_EQ((int)song_file(box, SONG_B).size(), box.mp3->size);
        play_buffers(&box, 1);
    }
    EXPECT_EQ(before, open_files());
}

TEST_F(SongBox, StopKeepsTheFileOpen)
{
    SONGBOX box;
    box.play(SONG_A);
    ASSERT_NE(nullptr, box.mp3);
    play_buffers(&box, 2);
    const int files = open_files();
    box.stop();
    EXPECT_FALSE(box.playing());
    EXPECT_EQ(-1, box.current);
    ASSERT_NE(nullptr, box.mp3);
    EXPECT_EQ(nullptr, box.mp3->stream->audio_stream);
    EXPECT_EQ(files, open_files());
    const int pos = box.mp3->stream->pos;
    box.poll();
    EXPECT_EQ(pos, box.mp3->stream->pos);
    // Unpausing a stopped song starts its stream again where it stood, and it
    // is fed from then on.
    box.set_paused(false);
    ASSERT_NE(nullptr, box.mp3->stream->audio_stream);
    EXPECT_FALSE(box.playing());
    play_buffers(&box, 1);
    EXPECT_NE(pos, box.mp3->stream->pos);
    // Playing the song again after stop() opens it afresh.
    box.play(SONG_A);
    ASSERT_NE(nullptr, box.mp3);
    EXPECT_EQ(SONG_A, box.current);
    EXPECT_EQ(BLOCK_BYTES, box.mp3->read_pos);
    EXPECT_EQ(files, open_files());
}

// A song shorter than one block is one last block: it plays to its end and
// the song box asks nothing more of the file; the song number stays.
TEST_F(SongBox, ShortSongPlaysToItsEnd)
{
    SONGBOX box;
    box.play(SONG_SHORT);
    ASSERT_NE(nullptr, box.mp3);
    const int size = (int)song_file(box, SONG_SHORT).size();
    ASSERT_LT(size, BLOCK_BYTES);
    EXPECT_EQ(size, box.mp3->stream->last_block_size);
    EXPECT_EQ(ALMP3_POLL_FINISHED, poll_to_end(&box));
    EXPECT_EQ(size, box.mp3->read_pos);
    EXPECT_TRUE(box.playing());
    EXPECT_EQ(SONG_SHORT, box.current);
    box.poll();
    EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, box.poll_mp3(box.mp3));
}

// The long song playing, its file's bytes and its frame size at hand.
class SongBoxSeek : public SongBox {
protected:
    SONGBOX box;
    Bytes file;
    int fb = 0;

    void SetUp() override
    {
        SongBox::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        box.play(SONG_LONG);
        ASSERT_NE(nullptr, box.mp3);
        file = song_file(box, SONG_LONG);
        fb = box.mp3->stream->frame_bytes;
    }

    // After a seek the reader stands at `offset`, and the next poll brings
    // the block that starts there into the stream's window.
    void expect_next_block_from(int offset)
    {
        ASSERT_EQ(offset, box.mp3->read_pos);
        box.poll();
        ALMP3_MP3STREAM* s = box.mp3->stream;
        ASSERT_TRUE(s->has_newer);
        EXPECT_EQ(0, memcmp(s->window + BLOCK_BYTES, file.data() + offset, BLOCK_BYTES));
    }
};

// Level 1's song starts 6 s in: the reader moves to frame 230 counted from the
// file's start; the first block plays, then the stream picks up the frames
// from there and plays on to the end.
TEST_F(SongBoxSeek, SeekMovesTheReaderToTheFrame)
{
    EXPECT_EQ(BLOCK_BYTES, box.mp3->read_pos);
    box.seek(6000);
    const int offset = 230 * fb;
    expect_next_block_from(offset);
    EXPECT_EQ(offset + BLOCK_BYTES, box.mp3->read_pos);

    // Refused seeks leave the reader alone.
    for (int ms : {-1, -6000, 60000}) {
        box.seek(ms);
        EXPECT_EQ(offset + BLOCK_BYTES, box.mp3->read_pos) << ms;
    }
    EXPECT_EQ(ALMP3_POLL_FINISHED, poll_to_end(&box));
}

TEST_F(SongBoxSeek, SeekBackReadsFromTheEarlierPlace)
{
    box.seek(6000);
    box.seek(1000);  // behind the reader now
    expect_next_block_from(1000 / 26 * fb);
}

class SongBoxFatal : public SongBox { };

// A song that cannot be opened ends the program with the game's message.
TEST_F(SongBoxFatal, UnopenableSongEndsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (int song : {SONG_MISSING, SONG_EMPTY, SONG_TEXT}) {
        SCOPED_TRACE(song);
        EXPECT_EXIT(
            {
                // The message box would wait for a click: leave its program out.
                setenv("PATH", "/nonexistent", 1);
                SONGBOX box;
                box.play(song);
            },
            ::testing::ExitedWithCode(1), "Error opening music files!!!");
    }
}

// Assertions are compiled into every build type.
TEST_F(SongBoxFatal, SongNumberOutOfRangeIsAProgrammingError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            // Without the assertion the bad number reaches the fatal message box.
            setenv("PATH", "/nonexistent", 1);
            SONGBOX box;
            box.play(NUM_SONGS);
        },
        "song >= 0 && song < NUM_SONGS");
    EXPECT_DEATH(
        {
            setenv("PATH", "/nonexistent", 1);
            SONGBOX box;
            box.play(-1);
        },
        "song >= 0 && song < NUM_SONGS");
}

}  // namespace
