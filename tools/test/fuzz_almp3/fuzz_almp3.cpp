// Fuzz target for the MP3 stream: arbitrary bytes are created, fed block by
// block, played, polled, sought, stopped and played again. Built for libFuzzer
// (VORLIN_LIBFUZZER) or as a plain harness that runs seed files and then
// random mutations of them for a given time.
#include "almp3.h"
#include "fuzz_driver.h"

#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Control bytes at the front of every input; the rest is the stream's data.
const size_t CONTROL_BYTES = 4;
const int MIN_BLOCK_BYTES = 16;
const int BLOCK_RANGE_BYTES = 40000;
const int MAX_FRAMES_PER_BUFFER = 16;
const int FRAME_BYTES_GUESS = 4608;  // buffer lengths straddle whole frames of the usual size
// Bounds a single input's work: polls after which the run is cut short.
const int MAX_POLLS = 3000;

// Sound through Allegro's silent driver: the audio stream exists but nothing
// consumes it, so the harness moves the mixer into the other half itself.
void start_library()
{
    if (!fuzz_start_library())
        return;
    fuzz_check(install_sound(DIGI_NONE, MIDI_NONE, nullptr) == 0, "install_sound");
}

void mixer_moves_on(ALMP3_MP3STREAM* s)
{
    AUDIOSTREAM* as = s->audio_stream;
    if (as && as->active == 0 && as->bufnum == 0)
        as->active = 1;
}

void check_window(const ALMP3_MP3STREAM* s)
{
    const int end = s->has_newer ? s->block_size + s->newer_len : s->older_len;
    fuzz_check(s->pos >= 0 && s->pos <= end, "decode position inside the held data");
    fuzz_check(end <= 2 * s->block_size, "data inside the window");
    fuzz_check(!(s->wants_data && s->has_newer), "a block is wanted only while none is waiting");
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t byte() { return at < size ? data[at++] : 0; }
};

void run_one(const uint8_t* data, size_t size)
{
    if (size < CONTROL_BYTES)
        return;
    start_library();
    const int block = MIN_BLOCK_BYTES + (data[0] | data[1] << 8) % BLOCK_RANGE_BYTES;
    const uint8_t flags = data[2];
    const uint8_t ops_seed = data[3];
    const uint8_t* song = data + CONTROL_BYTES;
    const size_t song_size = size - CONTROL_BYTES;
    if (song_size == 0)
        return;

    // The caller's copy of the first block: exactly its length, so that any
    // read past it is caught.
    const int first = (int)(song_size < (size_t)block ? song_size : (size_t)block);
    std::vector<uint8_t> first_block(song, song + first);
    const bool last = (flags & 1) || first < block;
    ALMP3_MP3STREAM* s = almp3_create_mp3stream(first_block.data(), first, last ? 1 : 0);
    if (!s)
        return;
    check_window(s);
    fuzz_check(s->out_bytes_per_frame > 0 && s->frame_bytes > 4, "first frame figures");
    size_t next = (size_t)first;

    const int frames = 1 + (flags >> 1) % MAX_FRAMES_PER_BUFFER;
    const int buffer_len = frames * FRAME_BYTES_GUESS + (flags & 0x80 ? 100 : 0);
    const int play_result = almp3_play_ex_mp3stream(s, buffer_len, 255, 128, (flags & 0x40) ? 1500 : 1000);
    fuzz_check(play_result == 0 || play_result == -1, "play result");

    Reader ops {song, song_size, 0};
    ops.at = ops_seed % song_size;
    bool finished = false;
    for (int i = 0; i < MAX_POLLS; ++i) {
        void* b = almp3_get_mp3stream_buffer(s);
        if (b) {
            const size_t left = song_size - next;
            const int n = (int)(left < (size_t)block ? left : (size_t)block);
            memcpy(b, song + next, (size_t)n);
            next += (size_t)n;
            almp3_free_mp3stream_buffer(s, n == block ? -1 : n);
        }
        check_window(s);
        mixer_moves_on(s);
        const int r = almp3_poll_mp3stream(s);
        fuzz_check(r >= ALMP3_POLL_STARVED && r <= ALMP3_POLL_FINISHED, "poll result in range");
        check_window(s);
        if (finished)
            fuzz_check(r == ALMP3_POLL_NOT_PLAYING, "nothing after the end");
        if (r == ALMP3_POLL_FINISHED)
            finished = true;
        if (r != ALMP3_POLL_OK && r != ALMP3_POLL_FINISHED)
            fuzz_check(s->audio_stream == nullptr, "stopped after an error");

        // Now and then, what the song box does besides polling.
        const uint8_t op = ops.byte();
        if (op == 0x01) {
            const int ms = (int)((ops.byte() << 8 | ops.byte()) * 7) - 1000;
            const int offset = almp3_seek_abs_msecs_mp3stream(s, ms, (int)song_size);
            fuzz_check(offset == -1 || (offset >= 0 && (size_t)offset <= song_size), "seek inside the data");
            if (offset >= 0)
                next = (size_t)offset;
        } else if (op == 0x02) {
            almp3_stop_mp3stream(s);
        } else if (op == 0x03) {
            finished = false;
            almp3_play_mp3stream(s, buffer_len, 200, 100);
        } else if (op == 0x04) {
            almp3_adjust_mp3stream(s, ops.byte() * 2, ops.byte() * 2 - 128, 1000);
        }
        if (r == ALMP3_POLL_NOT_PLAYING && !s->audio_stream && ops.at >= ops.size)
            break;
    }
    almp3_destroy_mp3stream(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    run_one(data, size);
    return 0;
}

// The seeds are MPEG files that run.sh makes; the target has none of its own.
std::vector<std::vector<uint8_t>> fuzz_builtin_seeds()
{
    return {};
}
