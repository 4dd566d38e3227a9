// MP3 stream player: a two-block window over the incoming MPEG data, frames cut
// from it by their headers and decoded one at a time by libmpg123.
#include "almp3.h"

#include <allegro.h>
#include <mpg123.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// How far into the first block create looks for the first frame.
const int SCAN_LIMIT_BYTES = 28672;
// How far a resynchronisation looks for the next good frame.
const int RESYNC_LIMIT_BYTES = 16384;
const int HEADER_BYTES = 4;
// An ID3v1 tag: "TAG" and 125 more bytes, never audio.
const int ID3V1_TAG_BYTES = 128;
const char ID3V1_MAGIC[] = "TAG";
const int ID3V1_MAGIC_BYTES = 3;
const char XING_MAGIC[] = "Xing";
const int XING_MAGIC_BYTES = 4;
const int XING_FIELD_BYTES = 4;
// Table entries count the file in 256ths; the end of the file is 256.
const int TOC_END = 256;
// One table entry for each percent of the song.
const int TOC_PERCENT = ALMP3_XING_TOC_ENTRIES;
// Silent audio buffers handed over once the data has ended; at the last one the sound stops.
const int END_SILENT_BUFFERS = 2;
const int NORMAL_SPEED = 1000;
const long long MS_PER_SECOND = 1000;
const int MAX_VOLUME = 255;
const int MAX_PAN = 255;
const int SAMPLE_BITS = 16;  // output is always 16-bit
const int SAMPLE_BYTES = SAMPLE_BITS / 8;
// Signed and unsigned 16-bit samples differ only in the top bit.
const unsigned short SAMPLE_SIGN_BIT = 0x8000;
// Decoder restarts after a new format before a frame counts as undecodable.
const int NEW_FORMAT_RETRIES = 3;

// Header fields as they sit in the bits.
const int VERSION_MPEG25 = 0;
const int VERSION_RESERVED = 1;
const int VERSION_MPEG1 = 3;
const int LAYER_BITS_III = 1;
const int LAYER_BITS_II = 2;
const int BITRATE_FREE = 0;
const int BITRATE_BAD = 15;
const int FREQ_RESERVED = 3;
const int MODE_MONO = 3;

const int BITRATES_KBPS[3][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},  // MPEG-1 layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},   // MPEG-1 layer III
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},       // MPEG-2/2.5 layers II, III
};
const int FREQS[4][3] = {
    {11025, 12000, 8000},   // MPEG-2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG-2
    {44100, 48000, 32000},  // MPEG-1
};
// Xing header offsets from the frame start: header plus side information.
const int XING_OFFSET_MPEG1_STEREO = 36;
const int XING_OFFSET_MPEG1_MONO = 21;
const int XING_OFFSET_LSF_STEREO = 21;
const int XING_OFFSET_LSF_MONO = 13;

struct FRAME_HEADER {
    int version;  // header bits: 0 MPEG-2.5, 2 MPEG-2, 3 MPEG-1
    int layer;    // 2 or 3
    int bitrate_kbps;
    int freq;
    bool mono;
    int length;  // bytes of the whole frame, header included
};

// The frame-header test of the stream: sync, a real version, layer II or III,
// a bit rate that is neither free format nor the bad index, a real rate.
bool parse_header(const unsigned char* p, FRAME_HEADER* h)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3;
    const int layer_bits = (p[1] >> 1) & 3;
    const int bitrate_index = p[2] >> 4;
    const int freq_index = (p[2] >> 2) & 3;
    if (version == VERSION_RESERVED)
        return false;
    if (layer_bits != LAYER_BITS_III && layer_bits != LAYER_BITS_II)
        return false;
    if (bitrate_index == BITRATE_FREE || bitrate_index == BITRATE_BAD)
        return false;
    if (freq_index == FREQ_RESERVED)
        return false;
    const bool mpeg1 = version == VERSION_MPEG1;
    const int table = mpeg1 ? (layer_bits == LAYER_BITS_II ? 0 : 1) : 2;
    h->version = version;
    h->layer = layer_bits == LAYER_BITS_II ? 2 : 3;
    h->bitrate_kbps = BITRATES_KBPS[table][bitrate_index];
    h->freq = FREQS[version][freq_index];
    h->mono = (p[3] >> 6) == MODE_MONO;
    const int padding = (p[2] >> 1) & 1;
    // 1152 samples a frame, except 576 for layer III at the MPEG-2/2.5 rates.
    const int bytes_per_kbit = (h->layer == 3 && !mpeg1) ? 72000 : 144000;
    h->length = bytes_per_kbit * h->bitrate_kbps / h->freq + padding;
    return true;
}

bool header_valid(const unsigned char* p)
{
    FRAME_HEADER h;
    return parse_header(p, &h);
}

bool starts_id3v1(const unsigned char* p, int avail)
{
    return avail >= ID3V1_MAGIC_BYTES && memcmp(p, ID3V1_MAGIC, ID3V1_MAGIC_BYTES) == 0;
}

unsigned read_be32(const unsigned char* p)
{
    return (unsigned)p[0] << 24 | (unsigned)p[1] << 16 | (unsigned)p[2] << 8 | (unsigned)p[3];
}

// Reads the Xing header of the frame at `frame` if there is one. Only fields
// lying wholly before `end` are taken; the rest count as absent.
ALMP3_XING_HEADER* parse_xing(const unsigned char* frame, const unsigned char* end, const FRAME_HEADER& h)
{
    int offset;
    if (h.version == VERSION_MPEG1)
        offset = h.mono ? XING_OFFSET_MPEG1_MONO : XING_OFFSET_MPEG1_STEREO;
    else
        offset = h.mono ? XING_OFFSET_LSF_MONO : XING_OFFSET_LSF_STEREO;
    const unsigned char* p = frame + offset;
    if (end - p < XING_MAGIC_BYTES + XING_FIELD_BYTES || memcmp(p, XING_MAGIC, XING_MAGIC_BYTES) != 0)
        return nullptr;
    ALMP3_XING_HEADER* x = static_cast<ALMP3_XING_HEADER*>(calloc(1, sizeof(ALMP3_XING_HEADER)));
    if (!x)
        return nullptr;
    p += XING_MAGIC_BYTES;
    const unsigned announced = read_be32(p);
    p += XING_FIELD_BYTES;
    // The fields follow one another, so one that is cut off ends the header.
    if (announced & ALMP3_XING_FRAMES) {
        if (end - p < XING_FIELD_BYTES)
            return x;
        const unsigned frames = read_be32(p);
        p += XING_FIELD_BYTES;
        if (frames <= (unsigned)INT_MAX) {
            x->frames = (int)frames;
            x->flags |= ALMP3_XING_FRAMES;
        }
    }
    if (announced & ALMP3_XING_BYTES) {
        if (end - p < XING_FIELD_BYTES)
            return x;
        x->bytes = (int)(read_be32(p) & INT_MAX);
        p += XING_FIELD_BYTES;
        x->flags |= ALMP3_XING_BYTES;
    }
    if (announced & ALMP3_XING_TOC) {
        if (end - p < ALMP3_XING_TOC_ENTRIES)
            return x;
        memcpy(x->toc, p, ALMP3_XING_TOC_ENTRIES);
        p += ALMP3_XING_TOC_ENTRIES;
        x->flags |= ALMP3_XING_TOC;
    }
    if (announced & ALMP3_XING_QUALITY) {
        if (end - p < XING_FIELD_BYTES)
            return x;
        x->quality = (int)(read_be32(p) & INT_MAX);
        x->flags |= ALMP3_XING_QUALITY;
    }
    return x;
}

// Forgets everything the decoder holds (buffered input, bit reservoir).
void restart_decoder(ALMP3_MP3STREAM* s)
{
    mpg123_open_feed(s->decoder);
}

// Frames are handed to the decoder whole, one at a time, so it must neither
// wait for the next frame nor search on its own; the Xing frame plays as the
// silent frame it is, and no samples are trimmed.
mpg123_handle* new_decoder()
{
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh)
        return nullptr;
    const long flags = MPG123_QUIET | MPG123_NO_READAHEAD | MPG123_NO_RESYNC | MPG123_IGNORE_INFOFRAME;
    if (mpg123_param(mh, MPG123_ADD_FLAGS, flags, 0) != MPG123_OK ||
        mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) != MPG123_OK) {
        mpg123_delete(mh);
        return nullptr;
    }
    return mh;
}

bool set_decoder_format(mpg123_handle* mh, int freq, bool mono)
{
    return mpg123_format_none(mh) == MPG123_OK &&
        mpg123_format(mh, freq, mono ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
        mpg123_open_feed(mh) == MPG123_OK;
}

// Decodes the `len` bytes at `data` as exactly one frame. Copies at most
// `out_len` bytes of its samples to `out` (if given) and returns how many bytes
// the frame gave, or -1 (decoder restarted) when it gave none.
int decode_frame(ALMP3_MP3STREAM* s, const unsigned char* data, int len, unsigned char* out, int out_len)
{
    if (mpg123_feed(s->decoder, data, (size_t)len) != MPG123_OK) {
        restart_decoder(s);
        return -1;
    }
    off_t num = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    int r = MPG123_OK;
    for (int tries = 0; tries < NEW_FORMAT_RETRIES; ++tries) {
        r = mpg123_decode_frame(s->decoder, &num, &audio, &bytes);
        if (r != MPG123_NEW_FORMAT)
            break;
    }
    if (r != MPG123_OK || !audio || bytes == 0 || bytes > (size_t)INT_MAX) {
        restart_decoder(s);
        return -1;
    }
    if (out) {
        const size_t n = bytes < (size_t)out_len ? bytes : (size_t)out_len;
        memcpy(out, audio, n);
    }
    // The decoder must have taken the frame as we cut it; if it kept bytes
    // back, its idea of the frame differs and it starts clean at the next one.
    long fill = 0;
    double fill_f = 0;
    if (mpg123_getstate(s->decoder, MPG123_BUFFERFILL, &fill, &fill_f) != MPG123_OK || fill != 0)
        restart_decoder(s);
    return (int)bytes;
}

int data_end(const ALMP3_MP3STREAM* s)
{
    return s->has_newer ? s->block_size + s->newer_len : s->older_len;
}

// Once the decode position has passed the older block, the newer one becomes
// the older and the caller is asked for the next.
void move_window(ALMP3_MP3STREAM* s)
{
    if (!s->has_newer || s->pos < s->block_size)
        return;
    memcpy(s->window, s->window + s->block_size, (size_t)s->newer_len);
    s->pos -= s->block_size;
    s->older ^= 1;
    s->older_len = s->newer_len;
    s->has_newer = false;
    s->newer_len = 0;
    s->wants_data = s->last_block_size < 0;
}

enum FRAME_RESULT { FRAME_DECODED, FRAME_END, FRAME_STARVED, FRAME_CORRUPT };

// The held data has run out at the decode position.
FRAME_RESULT out_of_data(const ALMP3_MP3STREAM* s)
{
    return s->last_block_size < 0 ? FRAME_STARVED : FRAME_END;
}

// A good frame to restart at: whole within the held data, followed by a valid
// header, an ID3v1 tag, or the end of what is held.
bool resync_candidate(const ALMP3_MP3STREAM* s, FRAME_HEADER* h)
{
    const int end = data_end(s);
    const unsigned char* p = s->window + s->pos;
    if (!parse_header(p, h) || h->length > end - s->pos)
        return false;
    const int next = s->pos + h->length;
    if (end - next < HEADER_BYTES)
        return true;
    return header_valid(s->window + next) || starts_id3v1(s->window + next, end - next);
}

// The frame at the decode position did not decode: look byte by byte for the
// next good one within RESYNC_LIMIT_BYTES and decode that instead.
FRAME_RESULT resync(ALMP3_MP3STREAM* s, unsigned char* out)
{
    for (int skipped = 1; skipped <= RESYNC_LIMIT_BYTES; ++skipped) {
        ++s->pos;
        move_window(s);
        if (data_end(s) - s->pos < HEADER_BYTES)
            return out_of_data(s);
        FRAME_HEADER h;
        if (!resync_candidate(s, &h))
            continue;
        if (decode_frame(s, s->window + s->pos, h.length, out, s->out_bytes_per_frame) > 0) {
            s->pos += h.length;
            move_window(s);
            return FRAME_DECODED;
        }
    }
    return FRAME_CORRUPT;
}

// Decodes the next frame into `out` (out_bytes_per_frame bytes, already silent).
FRAME_RESULT next_frame(ALMP3_MP3STREAM* s, unsigned char* out)
{
    for (;;) {
        move_window(s);
        const int avail = data_end(s) - s->pos;
        const unsigned char* p = s->window + s->pos;
        if (starts_id3v1(p, avail)) {
            if (avail < ID3V1_TAG_BYTES)
                return out_of_data(s);
            s->pos += ID3V1_TAG_BYTES;
            restart_decoder(s);
            continue;
        }
        if (avail < HEADER_BYTES)
            return out_of_data(s);
        FRAME_HEADER h;
        if (parse_header(p, &h)) {
            if (h.length > avail)
                return out_of_data(s);
            if (decode_frame(s, p, h.length, out, s->out_bytes_per_frame) > 0) {
                s->pos += h.length;
                move_window(s);
                return FRAME_DECODED;
            }
        }
        return resync(s, out);
    }
}

// Fills one audio buffer (already silent) with frames; *frames gets how many.
FRAME_RESULT fill_buffer(ALMP3_MP3STREAM* s, unsigned char* buf, int* frames)
{
    for (*frames = 0; *frames < s->frames_per_buffer; ++*frames) {
        const FRAME_RESULT r = next_frame(s, buf + (size_t)*frames * s->out_bytes_per_frame);
        if (r != FRAME_DECODED)
            return r;
    }
    return FRAME_DECODED;
}

// The audio stream takes unsigned samples; the decoder gives signed ones.
void to_unsigned(unsigned char* buf, size_t bytes)
{
    unsigned short* samples = reinterpret_cast<unsigned short*>(buf);
    const size_t n = bytes / SAMPLE_BYTES;
    for (size_t i = 0; i < n; ++i)
        samples[i] ^= SAMPLE_SIGN_BIT;
}

int clamp(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

}  // namespace

ALMP3_MP3STREAM* almp3_create_mp3stream(void* data, int data_len, int last_block)
{
    if (!data || data_len <= 0)
        return nullptr;
    const unsigned char* d = static_cast<const unsigned char*>(data);
    ALMP3_MP3STREAM* s = static_cast<ALMP3_MP3STREAM*>(calloc(1, sizeof(ALMP3_MP3STREAM)));
    if (!s)
        return nullptr;
    s->decoder = new_decoder();
    if (!s->decoder) {
        almp3_destroy_mp3stream(s);
        return nullptr;
    }

    const int scan_len = data_len < SCAN_LIMIT_BYTES ? data_len : SCAN_LIMIT_BYTES;
    int first = -1;
    FRAME_HEADER h;
    int out_bytes = 0;
    for (int o = 0; o + HEADER_BYTES <= scan_len; ++o) {
        if (!parse_header(d + o, &h))
            continue;
        if (h.length <= HEADER_BYTES || h.length > data_len - o)
            continue;
        const int next = o + h.length;
        if (next + HEADER_BYTES <= scan_len && !header_valid(d + next))
            continue;
        if (!set_decoder_format(s->decoder, h.freq, h.mono))
            continue;
        out_bytes = decode_frame(s, d + o, h.length, nullptr, 0);
        if (out_bytes > 0) {
            first = o;
            break;
        }
    }
    if (first < 0) {
        almp3_destroy_mp3stream(s);
        return nullptr;
    }
    // Playing starts with the first frame again, from a clean decoder.
    restart_decoder(s);

    s->block_size = data_len;
    s->blocks[0] = static_cast<unsigned char*>(malloc((size_t)data_len));
    s->blocks[1] = static_cast<unsigned char*>(malloc((size_t)data_len));
    s->window = static_cast<unsigned char*>(malloc((size_t)data_len * 2));
    if (!s->blocks[0] || !s->blocks[1] || !s->window) {
        almp3_destroy_mp3stream(s);
        return nullptr;
    }
    memcpy(s->blocks[0], d, (size_t)data_len);
    memcpy(s->window, d, (size_t)data_len);
    s->older = 0;
    s->older_len = data_len;
    s->pos = first;
    s->xing = parse_xing(d + first, d + data_len, h);
    s->out_bytes_per_frame = out_bytes;
    s->frame_bytes = h.length;
    s->bitrate_kbps = h.bitrate_kbps;
    s->layer = h.layer;
    s->freq = h.freq;
    s->stereo = h.mono ? 0 : 1;
    s->total_frames = (s->xing && (s->xing->flags & ALMP3_XING_FRAMES)) ? s->xing->frames : -1;
    if (last_block) {
        s->last_block_size = data_len;
        s->wants_data = false;
    } else {
        s->last_block_size = -1;
        s->wants_data = true;
    }
    return s;
}

int almp3_play_mp3stream(ALMP3_MP3STREAM* s, int buffer_len, int vol, int pan)
{
    return almp3_play_ex_mp3stream(s, buffer_len, vol, pan, NORMAL_SPEED);
}

int almp3_play_ex_mp3stream(ALMP3_MP3STREAM* s, int buffer_len, int vol, int pan, int speed)
{
    if (!s)
        return -1;
    if (s->audio_stream)
        return 0;
    const int frames = buffer_len / s->out_bytes_per_frame;
    if (frames < 1)
        return -1;
    const int channels = s->stereo ? 2 : 1;
    const int samples = frames * s->out_bytes_per_frame / channels / SAMPLE_BYTES;
    vol = clamp(vol, 0, MAX_VOLUME);
    pan = clamp(pan, 0, MAX_PAN);
    s->audio_stream = play_audio_stream(samples, SAMPLE_BITS, s->stereo, s->freq, vol, pan);
    if (!s->audio_stream)
        return -1;
    s->frames_per_buffer = frames;
    // A stream played again after its data ended hands over its silent buffers anew.
    s->end_countdown = 0;
    if (speed != NORMAL_SPEED && speed > 0)
        adjust_sample(s->audio_stream->samp, vol, pan, speed, TRUE);
    return 0;
}

int almp3_poll_mp3stream(ALMP3_MP3STREAM* s)
{
    if (!s || !s->audio_stream)
        return ALMP3_POLL_NOT_PLAYING;
    unsigned char* buf = static_cast<unsigned char*>(get_audio_stream_buffer(s->audio_stream));
    if (!buf)
        return ALMP3_POLL_OK;
    const size_t buf_bytes = (size_t)s->frames_per_buffer * s->out_bytes_per_frame;
    memset(buf, 0, buf_bytes);

    FRAME_RESULT r = FRAME_DECODED;
    if (s->end_countdown > 0) {
        if (--s->end_countdown == 0) {
            free_audio_stream_buffer(s->audio_stream);
            almp3_stop_mp3stream(s);
            return ALMP3_POLL_FINISHED;
        }
    } else {
        int frames = 0;
        r = fill_buffer(s, buf, &frames);
        // The buffer that holds the last sound is followed by two silent ones;
        // a buffer that got no sound at all is already the first of them.
        if (r == FRAME_END)
            s->end_countdown = frames > 0 ? END_SILENT_BUFFERS : END_SILENT_BUFFERS - 1;
    }
    to_unsigned(buf, buf_bytes);
    free_audio_stream_buffer(s->audio_stream);

    if (r == FRAME_CORRUPT) {
        almp3_stop_mp3stream(s);
        return ALMP3_POLL_CORRUPT;
    }
    if (r == FRAME_STARVED) {
        almp3_stop_mp3stream(s);
        return ALMP3_POLL_STARVED;
    }
    return ALMP3_POLL_OK;
}

void* almp3_get_mp3stream_buffer(ALMP3_MP3STREAM* s)
{
    if (!s || !s->wants_data)
        return nullptr;
    return s->blocks[s->older ^ 1];
}

void almp3_free_mp3stream_buffer(ALMP3_MP3STREAM* s, int bytes_used)
{
    if (!s || !s->wants_data)
        return;
    const int n = bytes_used < 0 ? s->block_size : clamp(bytes_used, 0, s->block_size);
    memcpy(s->window + s->block_size, s->blocks[s->older ^ 1], (size_t)n);
    s->has_newer = true;
    s->newer_len = n;
    s->wants_data = false;
    if (bytes_used >= 0)
        s->last_block_size = n;
}

void almp3_adjust_mp3stream(ALMP3_MP3STREAM* s, int vol, int pan, int speed)
{
    if (!s || !s->audio_stream)
        return;
    if (speed <= 0)
        speed = NORMAL_SPEED;
    adjust_sample(s->audio_stream->samp, clamp(vol, 0, MAX_VOLUME), clamp(pan, 0, MAX_PAN), speed, TRUE);
}

void almp3_stop_mp3stream(ALMP3_MP3STREAM* s)
{
    if (!s || !s->audio_stream)
        return;
    stop_audio_stream(s->audio_stream);
    s->audio_stream = nullptr;
}

int almp3_seek_abs_msecs_mp3stream(ALMP3_MP3STREAM* s, int msecs, int total_size)
{
    // Integer division would turn small negative times into frame 0.
    if (!s || msecs < 0)
        return -1;
    const long long channels = s->stereo ? 2 : 1;
    const long long ms_per_frame =
        MS_PER_SECOND * s->out_bytes_per_frame / ((long long)s->freq * channels * SAMPLE_BYTES);
    if (ms_per_frame <= 0 || s->frame_bytes <= 0)
        return -1;
    const long long f = msecs / ms_per_frame;
    const long long S = total_size > 0 ? total_size : 0;
    const ALMP3_XING_HEADER* x = s->xing;
    const bool has_frames = x && (x->flags & ALMP3_XING_FRAMES);
    const long long total = has_frames ? x->frames : S / s->frame_bytes;
    if (f >= total)
        return -1;

    long long offset = f * s->frame_bytes;
    if (has_frames && (x->flags & ALMP3_XING_TOC)) {
        // Entry i is the file position, in 256ths of the file, of the frame at
        // i percent of the song; interpolate between the entries around f.
        // Equal neighbours are real (a quiet percent can take less than a
        // 256th of the file); an entry below its predecessor only comes from
        // a broken table, which gets the plain frame-size estimate.
        const long long F = x->frames;
        const int i = (int)(f * TOC_PERCENT / F);
        const long long into = f * TOC_PERCENT - i * F;  // 0 .. F-1: how far f lies past entry i
        const int a = x->toc[i];
        const int b = i + 1 < ALMP3_XING_TOC_ENTRIES ? x->toc[i + 1] : TOC_END;
        if (b >= a) {
            const double in_256ths = a + (double)(b - a) * (double)into / (double)F;
            offset = (long long)(in_256ths * (double)S / TOC_END);
        }
    }
    // A table that contradicts itself must not send the reader outside the data.
    if (offset < 0)
        offset = 0;
    if (S > 0 && offset > S)
        offset = S;
    if (offset > INT_MAX)
        return -1;
    return (int)offset;
}

void almp3_destroy_mp3stream(ALMP3_MP3STREAM* s)
{
    if (!s)
        return;
    almp3_stop_mp3stream(s);
    if (s->decoder)
        mpg123_delete(s->decoder);
    free(s->xing);
    free(s->window);
    free(s->blocks[0]);
    free(s->blocks[1]);
    free(s);
}
