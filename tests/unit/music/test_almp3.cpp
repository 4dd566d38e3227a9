// The MP3 stream: first-frame figures, seeking, the block protocol, and real
// playback through Allegro's mixer checked sample by sample against libmpg123.
#include "almp3.h"
#include "test_almp3_media.h"

#include <allegro.h>
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using media::Bytes;

namespace {

const int BLOCK_BYTES = 32768;
const int BUFFER_BYTES = 65536;  // 14 frames of 44.1 kHz stereo layer III
const int FRAME_BUFFER_BYTES = 4608;
// Upper bound on polls of one playthrough (1 ms apart), far beyond the few
// seconds the test songs last even at the null device's pace.
const int MAX_POLLS = 60000;
const int POLL_SLEEP_US = 1000;

#define NEED_ENCODERS()                                                                                                \
    do {                                                                                                               \
        if (!media::have_encoders())                                                                                   \
            GTEST_SKIP() << "sox and lame are needed to make test songs";                                              \
    } while (0)

#define NEED_SOUND()                                                                                                   \
    ASSERT_TRUE(media::start_null_sound()) << "no Allegro sound through ALSA's null device (run under xvfb-run)"

Bytes load_song(const std::string& name)
{
    const std::string path = media::song(name);
    return path.empty() ? Bytes() : media::read_file(path);
}

// One playthrough: every captured audio buffer and how polling ended.
struct Playthrough {
    std::vector<int16_t> pcm;
    int end_code = 0;        // the first poll result other than 0
    int polls_after_end[3];  // the results of the next three polls
    int blocks_fed = 0;
};

struct Feed {
    const Bytes* file;
    int block;
    size_t next = 0;  // file offset of the next block to hand over
};

ALMP3_MP3STREAM* create_from(Feed* f)
{
    const int first = (int)std::min<size_t>(f->block, f->file->size());
    f->next = first;
    return almp3_create_mp3stream(const_cast<unsigned char*>(f->file->data()), first, first < f->block ? 1 : 0);
}

// Hands over the next block if the stream wants one, the way the song box
// reads its file: a full block, or the last one with what is left.
bool feed(ALMP3_MP3STREAM* s, Feed* f)
{
    void* b = almp3_get_mp3stream_buffer(s);
    if (!b)
        return false;
    const size_t left = f->file->size() - f->next;
    const int n = (int)std::min<size_t>(f->block, left);
    memcpy(b, f->file->data() + f->next, (size_t)n);
    f->next += n;
    almp3_free_mp3stream_buffer(s, n == f->block ? -1 : n);
    return true;
}

// Feeds and polls until polling reports something other than 0.
void run_until_end(ALMP3_MP3STREAM* s, Feed* f, Playthrough* run, bool feeding = true)
{
    for (int i = 0; i < MAX_POLLS; ++i) {
        if (feeding && feed(s, f))
            ++run->blocks_fed;
        const int r = media::poll_and_capture(s, &run->pcm);
        if (r != ALMP3_POLL_OK) {
            run->end_code = r;
            for (int& later : run->polls_after_end)
                later = almp3_poll_mp3stream(s);
            return;
        }
        usleep(POLL_SLEEP_US);
    }
    run->end_code = 999;  // never ended
}

Playthrough play_file(const Bytes& file, int block, int buffer_bytes)
{
    Playthrough run;
    Feed f {&file, block};
    ALMP3_MP3STREAM* s = create_from(&f);
    if (!s) {
        ADD_FAILURE() << "stream not created";
        return run;
    }
    EXPECT_EQ(0, almp3_play_mp3stream(s, buffer_bytes, 255, 128));
    run_until_end(s, &f, &run);
    almp3_destroy_mp3stream(s);
    return run;
}

// The captured sound starts with the reference (sample for sample, or within
// `tolerance`) and is silent after it.
::testing::AssertionResult same_sound(
    const std::vector<int16_t>& ref, const std::vector<int16_t>& got, size_t samples_per_frame, int tolerance = 0)
{
    if (got.size() < ref.size())
        return ::testing::AssertionFailure() << "only " << got.size() << " samples of " << ref.size();
    for (size_t i = 0; i < ref.size(); ++i)
        if (abs(got[i] - ref[i]) > tolerance)
            return ::testing::AssertionFailure() << "sample " << i << " (frame " << i / samples_per_frame << ") is "
                                                 << got[i] << ", expected " << ref[i];
    for (size_t i = ref.size(); i < got.size(); ++i)
        if (got[i] != 0)
            return ::testing::AssertionFailure() << "sound after the end at sample " << i;
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------
// What create reads from the first frame.

struct FirstFrameCase {
    const char* song;
    int layer, freq, stereo, out_bytes, bitrate_kbps;
    int min_frame_bytes, max_frame_bytes;
    bool xing;
};

TEST(Almp3Create, ReadsTheFirstFrame)
{
    NEED_ENCODERS();
    const FirstFrameCase cases[] = {
        {"cbr128.mp3", 3, 44100, 1, 4608, 128, 417, 418, false},  // LAME's CBR tag says "Info", not "Xing"
        {"cbr128_noxing.mp3", 3, 44100, 1, 4608, 128, 417, 418, false},
        {"vbr.mp3", 3, 44100, 1, 4608, 0, 0, 0, true},
        {"mono.mp3", 3, 44100, 0, 2304, 64, 208, 209, false},
        {"lsf22k.mp3", 3, 22050, 1, 2304, 64, 208, 209, false},  // MPEG-2: 576 samples a frame
        {"layer2.mp2", 2, 44100, 1, 4608, 192, 626, 627, false},
    };
    for (const FirstFrameCase& c : cases) {
        SCOPED_TRACE(c.song);
        if (media::is_layer2(c.song) && !media::have_tool("twolame"))
            continue;
        Bytes file = load_song(c.song);
        ASSERT_FALSE(file.empty());
        ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
        ASSERT_NE(nullptr, s);
        EXPECT_EQ(c.layer, s->layer);
        EXPECT_EQ(c.freq, s->freq);
        EXPECT_EQ(c.stereo, s->stereo);
        EXPECT_EQ(c.out_bytes, s->out_bytes_per_frame);
        EXPECT_EQ(0, s->pos);
        EXPECT_EQ(BLOCK_BYTES, s->block_size);
        if (c.bitrate_kbps) {
            EXPECT_EQ(c.bitrate_kbps, s->bitrate_kbps);
            EXPECT_GE(s->frame_bytes, c.min_frame_bytes);
            EXPECT_LE(s->frame_bytes, c.max_frame_bytes);
        }
        const media::Reference ref = media::reference_decode(file);
        if (c.xing) {
            ASSERT_NE(nullptr, s->xing);
            const int want = ALMP3_XING_FRAMES | ALMP3_XING_BYTES | ALMP3_XING_TOC;
            EXPECT_EQ(want, s->xing->flags & want);
            EXPECT_EQ((int)file.size(), s->xing->bytes);
            // LAME counts the audio frames, not the tag frame itself.
            EXPECT_EQ(ref.frames - 1, s->total_frames);
        } else {
            EXPECT_EQ(nullptr, s->xing);
            EXPECT_EQ(-1, s->total_frames);
        }
        EXPECT_TRUE(s->wants_data);
        almp3_destroy_mp3stream(s);
    }
}

TEST(Almp3Create, SkipsLeadingTagToTheFirstFrame)
{
    NEED_ENCODERS();
    Bytes file = load_song("id3v2.mp3");
    ASSERT_GT(file.size(), 10u);
    ASSERT_EQ(0, memcmp(file.data(), "ID3", 3));
    const int tag_bytes = 10 + (file[6] << 21 | file[7] << 14 | file[8] << 7 | file[9]);
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(tag_bytes, s->pos);
    almp3_destroy_mp3stream(s);
}

TEST(Almp3Create, RefusesDataWithoutUsableFrames)
{
    std::vector<unsigned char> zeros(BLOCK_BYTES, 0);
    EXPECT_EQ(nullptr, almp3_create_mp3stream(zeros.data(), (int)zeros.size(), 0));
    EXPECT_EQ(nullptr, almp3_create_mp3stream(zeros.data(), 0, 1));
    EXPECT_EQ(nullptr, almp3_create_mp3stream(nullptr, 100, 1));

    // Layer I frames (MPEG-1, 128 kbit/s, 44.1 kHz: 416 bytes) one after another.
    std::vector<unsigned char> layer1(BLOCK_BYTES, 0);
    for (size_t o = 0; o + 416 <= layer1.size(); o += 416) {
        layer1[o] = 0xFF;
        layer1[o + 1] = 0xFF;
        layer1[o + 2] = 0x40;
        layer1[o + 3] = 0x00;
    }
    EXPECT_EQ(nullptr, almp3_create_mp3stream(layer1.data(), (int)layer1.size(), 0));

    // Real frames beyond the first 28672 bytes are not looked for.
    NEED_ENCODERS();
    Bytes file = load_song("cbr128_noxing.mp3");
    ASSERT_FALSE(file.empty());
    std::vector<unsigned char> late(28672, 0);
    late.insert(late.end(), file.begin(), file.end());
    EXPECT_EQ(nullptr, almp3_create_mp3stream(late.data(), (int)late.size(), 1));
    std::vector<unsigned char> early(28000, 0);
    early.insert(early.end(), file.begin(), file.end());
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(early.data(), (int)early.size(), 1);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(28000, s->pos);
    almp3_destroy_mp3stream(s);

    // A block that ends inside the only frame holds nothing decodable.
    EXPECT_EQ(nullptr, almp3_create_mp3stream(file.data(), 300, 1));
}

// A very small frame (MPEG-2.5 layer III, 8 kbit/s, 8 kHz mono: 72 bytes)
// whose Xing header runs past the end of the block: only the fields that lie
// wholly inside are taken (AddressSanitizer guards the reading).
TEST(Almp3Create, XingHeaderCutOffByTheBlockEnd)
{
    const int frame = 72;
    std::vector<unsigned char> block(frame, 0);
    block[0] = 0xFF;
    block[1] = 0xE3;
    block[2] = 0x18;
    block[3] = 0xC0;
    memcpy(&block[13], "Xing", 4);
    block[20] = 0x0F;  // frames, bytes, table, quality
    block[24] = 200;   // 200 frames
    block[27] = 0x01;
    block[28] = 0x00;  // 256 bytes
    // The table would need 100 bytes from offset 29: it does not fit in 72.
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(block.data(), frame, 1);
    ASSERT_NE(nullptr, s) << "libmpg123 did not take the hand-made frame";
    EXPECT_EQ(8000, s->freq);
    EXPECT_EQ(0, s->stereo);
    EXPECT_EQ(frame, s->frame_bytes);
    EXPECT_EQ(576 * 2, s->out_bytes_per_frame);
    ASSERT_NE(nullptr, s->xing);
    EXPECT_EQ(ALMP3_XING_FRAMES | ALMP3_XING_BYTES, s->xing->flags);
    EXPECT_EQ(200, s->xing->frames);
    EXPECT_EQ(256, s->xing->bytes);
    EXPECT_EQ(200, s->total_frames);
    almp3_destroy_mp3stream(s);
}

// ---------------------------------------------------------------------------
// Seeking.

TEST(Almp3Seek, ByFrameTimesFrameBytesWithoutTable)
{
    NEED_ENCODERS();
    Bytes file = load_song("long_noxing.mp3");
    ASSERT_FALSE(file.empty());
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    const int size = (int)file.size();
    const int fb = s->frame_bytes;
    ASSERT_GT(size / fb, 230);
    const int total = size / fb;
    struct {
        int ms;
        int offset;
    } cases[] = {
        {6000, 230 * fb},  // 26 ms a frame
        {0, 0},
        {25, 0},
        {26, fb},
        {(total - 1) * 26, (total - 1) * fb},
        {total * 26, -1},  // past the end
        {100000, -1},
        {-1, -1},  // before the start, however little
        {-25, -1},
        {-6000, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.offset, almp3_seek_abs_msecs_mp3stream(s, c.ms, size)) << c.ms << " ms";
    // Seeking leaves the window alone.
    EXPECT_EQ(0, s->pos);
    EXPECT_TRUE(s->wants_data);
    almp3_destroy_mp3stream(s);
}

// File offsets of every frame, as libmpg123 finds them.
std::vector<off_t> frame_offsets(const std::string& path)
{
    std::vector<off_t> out;
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0);
    mpg123_param(mh, MPG123_INDEX_SIZE, 1 << 20, 0);
    if (mpg123_open(mh, path.c_str()) == MPG123_OK && mpg123_scan(mh) == MPG123_OK) {
        off_t* offsets;
        off_t step;
        size_t fill;
        if (mpg123_index(mh, &offsets, &step, &fill) == MPG123_OK && step == 1)
            out.assign(offsets, offsets + fill);
    }
    mpg123_delete(mh);
    return out;
}

TEST(Almp3Seek, XingTableFindsTheFrame)
{
    NEED_ENCODERS();
    const std::string path = media::song("vbr_uneven.mp3");
    ASSERT_FALSE(path.empty());
    Bytes file = media::read_file(path);
    const std::vector<off_t> offsets = frame_offsets(path);
    ASSERT_GT(offsets.size(), 100u);
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    ASSERT_NE(nullptr, s->xing);
    ASSERT_EQ((int)offsets.size() - 1, s->total_frames);
    const int size = (int)file.size();
    // The table has 1 % steps of the song and 1/256 steps of the file: the
    // answer lies within 2 % of the file from the frame's real place
    // (offsets[0] is the tag frame). The song's first half is silence in
    // short frames and its second half noise in long ones, so neither frame
    // times frame bytes nor reading the table the other way round (as frame
    // shares of file percentages) comes near.
    const int tolerance = size / 50;
    for (int ms = 0; ms < 26 * s->total_frames; ms += 130) {
        const int frame = ms / 26;
        const int got = almp3_seek_abs_msecs_mp3stream(s, ms, size);
        const long real = (long)offsets[frame + 1];
        EXPECT_NEAR(real, got, tolerance) << ms << " ms, frame " << frame;
    }
    const int half = s->total_frames / 2;
    ASSERT_GT(labs((long)offsets[half + 1] - (long)half * s->frame_bytes), 3L * tolerance)
        << "the song does not tell the table from the plain estimate";
    EXPECT_EQ(-1, almp3_seek_abs_msecs_mp3stream(s, 26 * s->total_frames, size));
    EXPECT_EQ(-1, almp3_seek_abs_msecs_mp3stream(s, -10, size));
    almp3_destroy_mp3stream(s);
}

// The table is only ever interpolated, never divided by: equal neighbours
// (a quiet stretch) give a flat stretch of places; entries that fall come from
// a broken table and give the plain frame-size estimate; nothing leads outside
// the data.
TEST(Almp3Seek, TableLookupWithFlatAndBrokenEntries)
{
    NEED_ENCODERS();
    Bytes file = load_song("vbr.mp3");
    ASSERT_FALSE(file.empty());
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    ASSERT_NE(nullptr, s->xing);
    const long size = 1000000;  // room for every plain estimate
    const int fb = s->frame_bytes;
    s->xing->frames = 1000;  // 10 frames a percent
    auto seek_frame = [&](int frame) { return almp3_seek_abs_msecs_mp3stream(s, frame * 26, (int)size); };

    for (int i = 0; i < 100; ++i)
        s->xing->toc[i] = (unsigned char)(i * 2);
    EXPECT_EQ(100 * size / 256, seek_frame(500));
    EXPECT_EQ(101 * size / 256, seek_frame(505));  // halfway between entries 50 and 51
    EXPECT_EQ(198 * size / 256, seek_frame(990));
    EXPECT_EQ(227 * size / 256, seek_frame(995));  // halfway from the last entry (198) to the end (256)

    // Flat from entry 40 to 41: the same place for frames 400 to 409.
    s->xing->toc[41] = s->xing->toc[40];
    for (int frame = 400; frame < 410; ++frame)
        EXPECT_EQ(80 * size / 256, seek_frame(frame)) << frame;
    // Entry 61 below entry 60: frames 600 to 609 fall back, 610 does not.
    s->xing->toc[61] = 100;
    EXPECT_EQ(600 * fb, seek_frame(600));
    EXPECT_EQ(609 * fb, seek_frame(609));
    EXPECT_EQ(100 * size / 256, seek_frame(610));

    // A table running backwards everywhere.
    for (int i = 0; i < 100; ++i)
        s->xing->toc[i] = (unsigned char)(255 - 2 * i);
    for (int frame = 0; frame < 1000; frame += 7) {
        const int got = seek_frame(frame);
        EXPECT_GE(got, 0);
        EXPECT_LE(got, size);
    }
    almp3_destroy_mp3stream(s);
}

// ---------------------------------------------------------------------------
// Playing through Allegro's mixer.

TEST(Almp3Play, BufferMustHoldAFrame)
{
    NEED_ENCODERS();
    NEED_SOUND();
    Bytes file = load_song("cbr128.mp3");
    ASSERT_FALSE(file.empty());
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, almp3_poll_mp3stream(s));
    EXPECT_EQ(-1, almp3_play_mp3stream(s, 4000, 255, 128));
    EXPECT_EQ(nullptr, s->audio_stream);
    EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, almp3_poll_mp3stream(s));

    EXPECT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    ASSERT_NE(nullptr, s->audio_stream);
    EXPECT_EQ(14, s->frames_per_buffer);
    EXPECT_EQ(16128, s->audio_stream->len);
    AUDIOSTREAM* first = s->audio_stream;
    EXPECT_EQ(0, almp3_play_mp3stream(s, FRAME_BUFFER_BYTES, 255, 128));  // already playing: untouched
    EXPECT_EQ(first, s->audio_stream);
    EXPECT_EQ(14, s->frames_per_buffer);
    almp3_destroy_mp3stream(s);
}

TEST(Almp3Play, VolumePanAndSpeedReachTheVoice)
{
    NEED_ENCODERS();
    NEED_SOUND();
    Bytes file = load_song("cbr128.mp3");
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(file.data(), BLOCK_BYTES, 0);
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(0, almp3_play_ex_mp3stream(s, BUFFER_BYTES, 200, 40, 2000));
    const int voice = s->audio_stream->voice;
    EXPECT_EQ(88200, voice_get_frequency(voice));
    EXPECT_EQ(200, voice_get_volume(voice));
    EXPECT_EQ(40, voice_get_pan(voice));
    almp3_adjust_mp3stream(s, 100, 128, 1000);
    EXPECT_EQ(44100, voice_get_frequency(voice));
    EXPECT_EQ(100, voice_get_volume(voice));
    EXPECT_EQ(128, voice_get_pan(voice));
    almp3_adjust_mp3stream(s, 300, 999, 1000);  // held at the top
    EXPECT_EQ(255, voice_get_volume(voice));
    EXPECT_EQ(255, voice_get_pan(voice));
    almp3_stop_mp3stream(s);
    almp3_adjust_mp3stream(s, 10, 10, 10);  // not playing: nothing to change
    EXPECT_EQ(nullptr, s->audio_stream);
    almp3_destroy_mp3stream(s);
}

struct DecodeCase {
    const char* song;
    int block;
    int buffer;
};

class Almp3Decode : public ::testing::TestWithParam<DecodeCase> { };

// Whatever the block size, every frame comes out once, in order, exactly as
// libmpg123 decodes the whole file, followed by silence.
TEST_P(Almp3Decode, MatchesLibmpg123AcrossBlocks)
{
    const DecodeCase c = GetParam();
    NEED_ENCODERS();
    if (media::is_layer2(c.song) && !media::have_tool("twolame"))
        GTEST_SKIP() << "twolame is needed for layer II";
    NEED_SOUND();
    Bytes file = load_song(c.song);
    ASSERT_FALSE(file.empty());
    const media::Reference ref = media::reference_decode(file);
    ASSERT_GT(ref.frames, 10);
    const Playthrough run = play_file(file, c.block, c.buffer);
    EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
    for (int later : run.polls_after_end)
        EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, later);
    const size_t samples_per_frame = ref.pcm.size() / ref.frames;
    EXPECT_TRUE(same_sound(ref.pcm, run.pcm, samples_per_frame));
    // The buffers that held sound, then one silent buffer; at the second
    // silent one the sound stops.
    const int frames_per_buffer = c.buffer / (int)(samples_per_frame * 2);
    const int sound_buffers = (ref.frames + frames_per_buffer - 1) / frames_per_buffer;
    EXPECT_EQ((size_t)(sound_buffers + 1) * frames_per_buffer * samples_per_frame, run.pcm.size());
}

INSTANTIATE_TEST_SUITE_P(Songs, Almp3Decode,
    ::testing::Values(DecodeCase {"cbr128.mp3", 32768, 65536}, DecodeCase {"cbr128_noxing.mp3", 32768, 65536},
        DecodeCase {"cbr128.mp3", 1009, 4608}, DecodeCase {"vbr.mp3", 32768, 65536},
        DecodeCase {"vbr.mp3", 16001, 65536}, DecodeCase {"mono.mp3", 32768, 65536},
        DecodeCase {"lsf22k.mp3", 4000, 4608}, DecodeCase {"layer2.mp2", 32768, 65536},
        DecodeCase {"id3v1.mp3", 32768, 65536}, DecodeCase {"id3v2.mp3", 32768, 65536},
        DecodeCase {"short.mp3", 32768, 65536}),
    [](const ::testing::TestParamInfo<DecodeCase>& param_info) {
        std::string n = param_info.param.song;
        n = n.substr(0, n.find('.'));
        return n + "_block" + std::to_string(param_info.param.block);
    });

// A song shorter than one block arrives as a single last block: no further
// block is ever asked for, it plays to its end, then 1 once and -1 after.
TEST(Almp3Play, SingleLastBlockPlaysToItsEnd)
{
    NEED_ENCODERS();
    NEED_SOUND();
    Bytes file = load_song("short.mp3");
    ASSERT_FALSE(file.empty());
    ASSERT_LT(file.size(), (size_t)BLOCK_BYTES);
    Feed f {&file, BLOCK_BYTES};
    ALMP3_MP3STREAM* s = create_from(&f);
    ASSERT_NE(nullptr, s);
    EXPECT_FALSE(s->wants_data);
    EXPECT_EQ((int)file.size(), s->last_block_size);
    ASSERT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    Playthrough run;
    run_until_end(s, &f, &run);
    EXPECT_EQ(0, run.blocks_fed);
    EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
    for (int later : run.polls_after_end)
        EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, later);
    EXPECT_EQ(nullptr, almp3_get_mp3stream_buffer(s));
    almp3_destroy_mp3stream(s);
}

// The block protocol: a second block is wanted at once, the next only after
// the older one is used up, and none after the last.
TEST(Almp3Play, AsksForBlocksAsTheWindowMoves)
{
    NEED_ENCODERS();
    NEED_SOUND();
    Bytes file = load_song("vbr.mp3");
    ASSERT_GT(file.size(), 2u * 6000);
    Feed f {&file, 6000};
    ALMP3_MP3STREAM* s = create_from(&f);
    ASSERT_NE(nullptr, s);
    unsigned char* offered = static_cast<unsigned char*>(almp3_get_mp3stream_buffer(s));
    ASSERT_NE(nullptr, offered);
    EXPECT_EQ(offered, almp3_get_mp3stream_buffer(s));  // the same block until handed back
    almp3_free_mp3stream_buffer(s, 17);                 // a short last block
    EXPECT_EQ(17, s->last_block_size);
    EXPECT_EQ(17, s->newer_len);
    // After the last block nothing more is offered, and a stray hand-back is ignored.
    EXPECT_EQ(nullptr, almp3_get_mp3stream_buffer(s));
    almp3_free_mp3stream_buffer(s, -1);
    EXPECT_EQ(17, s->newer_len);
    EXPECT_EQ(17, s->last_block_size);
    almp3_destroy_mp3stream(s);

    f.next = 0;
    s = create_from(&f);
    ASSERT_NE(nullptr, s);
    ASSERT_TRUE(feed(s, &f));
    EXPECT_EQ(nullptr, almp3_get_mp3stream_buffer(s));
    ASSERT_EQ(0, almp3_play_mp3stream(s, FRAME_BUFFER_BYTES, 255, 128));
    // Frame by frame: the next block is wanted exactly when the decode
    // position has left the older block.
    int moves = 0;
    for (int i = 0; i < MAX_POLLS && moves < 3; ++i) {
        const int before = s->pos;
        ASSERT_EQ(ALMP3_POLL_OK, almp3_poll_mp3stream(s));
        if (s->wants_data) {
            EXPECT_LT(s->pos, before);  // the window moved on
            EXPECT_FALSE(s->has_newer);
            ASSERT_TRUE(feed(s, &f));
            ++moves;
        } else {
            EXPECT_LT(s->pos, 6000);
            EXPECT_TRUE(s->has_newer);
        }
        usleep(POLL_SLEEP_US);
    }
    EXPECT_EQ(3, moves);
    almp3_destroy_mp3stream(s);
}

// Stopping keeps the place: playing again goes on with the next frame.
TEST(Almp3Play, StopAndPlayAgainContinues)
{
    NEED_ENCODERS();
    NEED_SOUND();
    Bytes file = load_song("cbr128.mp3");
    const media::Reference ref = media::reference_decode(file);
    Feed f {&file, BLOCK_BYTES};
    ALMP3_MP3STREAM* s = create_from(&f);
    ASSERT_NE(nullptr, s);
    Playthrough run;
    ASSERT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    int filled = 0;
    for (int i = 0; i < MAX_POLLS && filled < 3; ++i) {
        feed(s, &f);
        const size_t before = run.pcm.size();
        ASSERT_EQ(ALMP3_POLL_OK, media::poll_and_capture(s, &run.pcm));
        filled += run.pcm.size() != before;
        usleep(POLL_SLEEP_US);
    }
    const int pos = s->pos;
    almp3_stop_mp3stream(s);
    EXPECT_EQ(nullptr, s->audio_stream);
    EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, almp3_poll_mp3stream(s));
    EXPECT_EQ(pos, s->pos);
    ASSERT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    run_until_end(s, &f, &run);
    EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
    EXPECT_TRUE(same_sound(ref.pcm, run.pcm, 2304));
    almp3_destroy_mp3stream(s);
}

// ID3v1 tags are stepped over wherever they sit, also across a block
// boundary: the sound is the two songs around the tag, each as libmpg123
// decodes it on its own.
TEST(Almp3Play, TagBlockIsNotDecoded)
{
    NEED_ENCODERS();
    NEED_SOUND();
    const Bytes a = load_song("cbr128_noxing.mp3");
    const Bytes b = load_song("short.mp3");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    Bytes joined = a;
    Bytes tag(128, ' ');
    memcpy(tag.data(), "TAG", 3);
    joined.insert(joined.end(), tag.begin(), tag.end());
    joined.insert(joined.end(), b.begin(), b.end());
    joined.insert(joined.end(), tag.begin(), tag.end());
    std::vector<int16_t> expected = media::reference_decode(a).pcm;
    const std::vector<int16_t> second = media::reference_decode(b).pcm;
    expected.insert(expected.end(), second.begin(), second.end());

    for (int block : {BLOCK_BYTES, (int)a.size() - 50}) {
        SCOPED_TRACE(block);
        const Playthrough run = play_file(joined, block, BUFFER_BYTES);
        EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
        EXPECT_TRUE(same_sound(expected, run.pcm, 2304));
    }
}

Bytes with_zeros(Bytes file, size_t at, size_t count)
{
    std::fill(file.begin() + at, file.begin() + at + count, 0);
    return file;
}

const int LAST_BIT = 1;

// Index of the first frame of `got` that matches reference frame `frame`
// within `tolerance`, or -1.
long find_frame(
    const std::vector<int16_t>& ref, size_t frame, const std::vector<int16_t>& got, size_t spf, int tolerance)
{
    auto near = [tolerance](int16_t a, int16_t b) { return abs(a - b) <= tolerance; };
    for (size_t g = 0; (g + 1) * spf <= got.size(); ++g)
        if (std::equal(ref.begin() + frame * spf, ref.begin() + (frame + 1) * spf, got.begin() + g * spf, near))
            return (long)g;
    return -1;
}

// A stretch of garbage is skipped: the sound picks up again at the first
// good frame after it and then goes on as libmpg123 decodes it. (A restarted
// decoder's synthesis filter stands at another phase, so the samples may
// differ from an uninterrupted decoding in the last bit.)
TEST(Almp3Play, CorruptStretchIsResynchronised)
{
    NEED_ENCODERS();
    NEED_SOUND();
    const Bytes file = load_song("cbr128_noxing.mp3");
    ASSERT_GT(file.size(), 40000u);
    const media::Reference ref = media::reference_decode(file);
    const size_t spf = ref.pcm.size() / ref.frames;
    // 3000 bytes over the first block boundary, and 15000 (just inside the
    // search limit) within the first block.
    struct {
        size_t at, count;
    } cases[] = {{31000, 3000}, {5000, 15000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        const Playthrough run = play_file(with_zeros(file, c.at, c.count), BLOCK_BYTES, BUFFER_BYTES);
        EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
        // Ten frames after the stretch the sound is the reference's again,
        // shifted by the frames that were lost, and stays so to the end.
        const size_t probe = (c.at + c.count) / 417 + 10;
        const long at = find_frame(ref.pcm, probe, run.pcm, spf, LAST_BIT);
        ASSERT_GE(at, 0) << "the sound never came back; " << run.pcm.size() / spf << " frames played of " << ref.frames;
        const long lost = (long)probe - at;
        EXPECT_GE(lost, (long)(c.count / 418) - 1);
        EXPECT_LE(lost, (long)(c.count / 417) + 2);
        const std::vector<int16_t> ref_tail(ref.pcm.begin() + probe * spf, ref.pcm.end());
        const std::vector<int16_t> got_tail(run.pcm.begin() + at * spf, run.pcm.end());
        EXPECT_TRUE(same_sound(ref_tail, got_tail, spf, LAST_BIT));
    }
}

TEST(Almp3Play, GarbageBeyondTheSearchLimitStops)
{
    NEED_ENCODERS();
    NEED_SOUND();
    const Bytes file = load_song("cbr128_noxing.mp3");
    ASSERT_GT(file.size(), 30000u);
    const Playthrough run = play_file(with_zeros(file, 5000, 20000), BLOCK_BYTES, BUFFER_BYTES);
    EXPECT_EQ(ALMP3_POLL_CORRUPT, run.end_code);
    for (int later : run.polls_after_end)
        EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, later);
}

// Garbage after the last good frame ends the song normally.
TEST(Almp3Play, GarbageAtTheEndEndsTheSong)
{
    NEED_ENCODERS();
    NEED_SOUND();
    const Bytes file = load_song("short.mp3");
    const media::Reference ref = media::reference_decode(file);
    Bytes tail = file;
    for (int i = 0; i < 3000; ++i)
        tail.push_back((unsigned char)(i * 37 + 11));
    const Playthrough run = play_file(tail, BLOCK_BYTES, BUFFER_BYTES);
    EXPECT_EQ(ALMP3_POLL_FINISHED, run.end_code);
    EXPECT_TRUE(same_sound(ref.pcm, run.pcm, ref.pcm.size() / ref.frames));
}

// A caller that never hands over the next block starves the stream: it plays
// what it has, then stops with -3 and does not start again by itself. Fed
// and played again, it goes on to the end.
TEST(Almp3Play, StarvedStreamStops)
{
    NEED_ENCODERS();
    NEED_SOUND();
    const Bytes file = load_song("cbr128.mp3");
    ASSERT_GT(file.size(), (size_t)BLOCK_BYTES);
    Feed f {&file, BLOCK_BYTES};
    ALMP3_MP3STREAM* s = create_from(&f);
    ASSERT_NE(nullptr, s);
    ASSERT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    Playthrough run;
    run_until_end(s, &f, &run, false);
    EXPECT_EQ(ALMP3_POLL_STARVED, run.end_code);
    for (int later : run.polls_after_end)
        EXPECT_EQ(ALMP3_POLL_NOT_PLAYING, later);
    // Everything the first block held was played: 32768 bytes of 417-418.
    EXPECT_GE(run.pcm.size(), (size_t)(32768 / 418 - 14) * 2304);

    ASSERT_TRUE(feed(s, &f));
    ASSERT_EQ(0, almp3_play_mp3stream(s, BUFFER_BYTES, 255, 128));
    Playthrough rest;
    run_until_end(s, &f, &rest);
    EXPECT_EQ(ALMP3_POLL_FINISHED, rest.end_code);
    almp3_destroy_mp3stream(s);
}

}  // namespace
