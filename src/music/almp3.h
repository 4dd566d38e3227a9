// MP3 stream player: MPEG audio (layer II or III) handed over in fixed-size
// blocks, decoded by libmpg123 into an Allegro audio stream as the mixer asks.
// Knows nothing of the game, so it can be driven (and fuzzed) on its own.
#pragma once

struct AUDIOSTREAM;
struct mpg123_handle_struct;

// Results of almp3_poll_mp3stream.
const int ALMP3_POLL_OK = 0;        // fine (also: nothing to do yet)
const int ALMP3_POLL_FINISHED = 1;  // the last sound has just played out (reported once)
const int ALMP3_POLL_NOT_PLAYING = -1;
const int ALMP3_POLL_CORRUPT = -2;  // undecodable data, no resynchronisation found; stopped
const int ALMP3_POLL_STARVED = -3;  // the data ran out before the next block came; stopped

// Bits of the Xing header's flags word: which fields follow it.
const int ALMP3_XING_FRAMES = 0x1;
const int ALMP3_XING_BYTES = 0x2;
const int ALMP3_XING_TOC = 0x4;
const int ALMP3_XING_QUALITY = 0x8;
const int ALMP3_XING_TOC_ENTRIES = 100;

// The Xing header of the first frame. `flags` only holds the bits whose field
// was wholly inside the first block, so every field it announces was read.
struct ALMP3_XING_HEADER {
    int flags;
    int frames;
    int bytes;
    unsigned char toc[ALMP3_XING_TOC_ENTRIES];
    int quality;
};

// The stream. Fields are readable for diagnostics and tests; only the
// almp3_ functions write them.
// Invariants: the window holds the older block at [0, block_size) and, when
// has_newer, the newer one right after it; pos never passes the end of the
// valid data; wants_data implies !has_newer and no last block given yet.
struct ALMP3_MP3STREAM {
    unsigned char* blocks[2];  // block_size bytes each; the caller fills the one not older
    unsigned char* window;     // 2 * block_size bytes
    int pos;                   // byte offset of the next frame in the window
    int older;                 // index into blocks of the older block
    int block_size;
    bool wants_data;
    int last_block_size;  // -1 while more data is to come
    int older_len;        // valid bytes of the older block
    bool has_newer;
    int newer_len;  // valid bytes of the newer block when has_newer
    mpg123_handle_struct* decoder;
    ALMP3_XING_HEADER* xing;  // nullptr when the first frame carries none
    int out_bytes_per_frame;
    int frame_bytes;  // of the first frame, header included
    int bitrate_kbps;
    int layer;  // 2 or 3
    int freq;
    int stereo;                 // 1 stereo output, 0 mono
    int total_frames;           // from the Xing header, or -1
    AUDIOSTREAM* audio_stream;  // nullptr while not playing
    int frames_per_buffer;
    int end_countdown;  // audio buffers still to hand over after the data ended; 0 = data not ended
};

// `data` is the first block (its length becomes the block size); non-zero
// `last_block` says it holds all the data. Returns nullptr when its first 28672
// bytes hold no decodable layer II/III frame, or when memory runs out.
ALMP3_MP3STREAM* almp3_create_mp3stream(void* data, int data_len, int last_block);

// As almp3_play_ex_mp3stream at normal speed (1000).
int almp3_play_mp3stream(ALMP3_MP3STREAM* s, int buffer_len, int vol, int pan);
// Starts the sound with audio buffers of buffer_len bytes rounded down to whole
// frames. Returns 0 (also when already playing), or -1 when buffer_len holds
// less than one decoded frame or no audio stream can be opened.
// vol and pan are 0..255 (held there), speed 1000 = normal pitch.
int almp3_play_ex_mp3stream(ALMP3_MP3STREAM* s, int buffer_len, int vol, int pan, int speed);

// Decodes into the next audio buffer if the mixer wants one. Returns one of
// the ALMP3_POLL_ codes; call regularly from one thread.
int almp3_poll_mp3stream(ALMP3_MP3STREAM* s);

// The block buffer to fill (block_size bytes), or nullptr when no block is wanted.
void* almp3_get_mp3stream_buffer(ALMP3_MP3STREAM* s);
// Hands back the block from almp3_get_mp3stream_buffer: bytes_used -1 for a
// full block with more to come, 0 or more for the last block with that many
// valid bytes. Ignored when no block was offered.
void almp3_free_mp3stream_buffer(ALMP3_MP3STREAM* s, int bytes_used);

// Changes volume, pan and speed of the playing sound; nothing if not playing.
void almp3_adjust_mp3stream(ALMP3_MP3STREAM* s, int vol, int pan, int speed);
// Stops the sound, keeping the window and decode position for a later play.
void almp3_stop_mp3stream(ALMP3_MP3STREAM* s);

// Byte offset, counted from the start of the data, at which the caller should
// continue feeding to reach `msecs`; -1 for a negative time or one at or past
// the end. Uses the Xing table of contents when there is one. The window is
// left alone: what the stream already holds plays first.
int almp3_seek_abs_msecs_mp3stream(ALMP3_MP3STREAM* s, int msecs, int total_size);

// Stops and frees everything; nullptr is allowed.
void almp3_destroy_mp3stream(ALMP3_MP3STREAM* s);
