// The song box: chooses, feeds and controls the one song that plays.
#include "music.h"

#include "almp3.h"
#include "regular_file.h"
#include "engine.h"

#include <allegro.h>

#include <cassert>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <unistd.h>

SONGBOX* songbox = nullptr;

namespace {
const int DEFAULT_VOLUME = 192;
const int MAX_VOLUME = 255;
const int BLOCK_BYTES = 32768;            // read from the file at a time
const int STREAM_BUFFER_BYTES = 0x10000;  // asked of the stream when it plays
const int CENTRE_PAN = 128;
const int NORMAL_PITCH = 1000;
const char MUSIC_DIR[] = "music/";
const char OPEN_ERROR[] = "Error opening music files!!!\n";
// The stream's answer to a seek it refuses.
const int NO_OFFSET = -1;
// Handing a block back to the stream: full, more to come.
const int FULL_BLOCK = -1;
// Positions in a song are ints.
const long MAX_SONG_BYTES = INT_MAX;

// Songs are read from regular files only: a FIFO in the music folder would
// hang the game, a device would never end.
PACKFILE* open_song_file(const std::string& path)
{
    FileCheck found;
    int err = 0;
    const int fd = open_regular_file(path.c_str(), MAX_SONG_BYTES, found, err);
    if (fd < 0)
        return nullptr;
    close(fd);
    return pack_fopen(path.c_str(), F_READ);
}
}

SONGBOX::SONGBOX()
    : songs {"Shit anthem.mp3", "blink182 - happy holidays.mp3", "Headstrong - Still frame.mp3",
          "Cky - Flesh Into Gear.mp3", "Ra - Do you call my name.mp3", "FF - Full Metal Contact.mp3",
          "Cold - Dont belong.mp3", "STP - Wicked garden.mp3", "SOAD - War.mp3", "FF - Demanufacture.mp3",
          "game over.mp3", "funnyending.mp3"}
    , current(-1)
    , volume(DEFAULT_VOLUME)
    , mute(false)
    , mp3(nullptr)
{
}

SONGBOX::~SONGBOX()
{
    if (playing())
        stop();
    close_mp3(mp3);
    mp3 = nullptr;
}

void SONGBOX::set_mute(bool m)
{
    mute = m;
}

void SONGBOX::play(int song)
{
    if (mute)
        return;
    assert(song >= 0 && song < NUM_SONGS);
    if (song == current) {
        if (!mp3) {
            mp3 = open_mp3(songs[song]);
            if (!mp3)
                quit_error(OPEN_ERROR);
        }
        play_mp3(mp3, STREAM_BUFFER_BYTES, volume, CENTRE_PAN);
        return;
    }
    close_mp3(mp3);
    mp3 = open_mp3(songs[song]);
    if (!mp3)
        quit_error(OPEN_ERROR);
    play_mp3(mp3, STREAM_BUFFER_BYTES, volume, CENTRE_PAN);
    current = song;
}

void SONGBOX::stop()
{
    if (mp3)
        almp3_stop_mp3stream(mp3->stream);
    current = -1;
}

void SONGBOX::set_paused(bool p)
{
    if (!mp3)
        return;
    if (p)
        almp3_stop_mp3stream(mp3->stream);
    else
        play_mp3(mp3, STREAM_BUFFER_BYTES, volume, CENTRE_PAN);
}

bool SONGBOX::playing()
{
    return current != -1;
}

void SONGBOX::set_volume(int v)
{
    volume = (v == -1) ? DEFAULT_VOLUME : v;
    if (mp3)
        almp3_adjust_mp3stream(mp3->stream, volume, CENTRE_PAN, NORMAL_PITCH);
}

void SONGBOX::slide_volume(int d)
{
    volume += d;
    if (volume < 0)
        volume = 0;
    if (volume > MAX_VOLUME)
        volume = MAX_VOLUME;
    if (mp3)
        almp3_adjust_mp3stream(mp3->stream, volume, CENTRE_PAN, NORMAL_PITCH);
}

int SONGBOX::get_volume()
{
    return volume;
}

void SONGBOX::poll()
{
    // A stream restarted by set_paused(false) after stop() plays without a
    // song number; it is fed all the same, or its last buffers would repeat.
    if (mp3 && (current != -1 || mp3->stream->audio_stream))
        poll_mp3(mp3);
}

void SONGBOX::seek(int milliseconds)
{
    if (!mp3)
        return;
    const int offset = almp3_seek_abs_msecs_mp3stream(mp3->stream, milliseconds, mp3->size);
    if (offset == NO_OFFSET)
        return;
    // The offset counts from the file's start. The reader only skips forward,
    // so going back means reading the file again from its start.
    if (offset >= mp3->read_pos) {
        if (pack_fseek(mp3->file, offset - mp3->read_pos) == 0)
            mp3->read_pos = offset;
        return;
    }
    PACKFILE* f = open_song_file(mp3->path);
    if (!f)
        return;
    if (pack_fseek(f, offset) != 0) {
        pack_fclose(f);
        return;
    }
    pack_fclose(mp3->file);
    mp3->file = f;
    mp3->read_pos = offset;
}

SONGBOX::MP3FILE* SONGBOX::open_mp3(const char* name)
{
    MP3FILE* m = new (std::nothrow) MP3FILE();
    if (!m)
        return nullptr;
    m->path = std::string(MUSIC_DIR) + name;
    m->file = open_song_file(m->path);
    if (m->file) {
        static unsigned char block[BLOCK_BYTES];
        const long got = pack_fread(block, BLOCK_BYTES, m->file);
        if (got > 0) {
            const bool whole_song = got < BLOCK_BYTES;
            m->stream = almp3_create_mp3stream(block, (int)got, whole_song ? 1 : 0);
            m->read_pos = (int)got;
        }
    }
    if (!m->stream) {
        if (m->file)
            pack_fclose(m->file);
        delete m;
        return nullptr;
    }
    const uint64_t size = file_size_ex(m->path.c_str());
    m->size = size > (uint64_t)INT_MAX ? INT_MAX : (int)size;
    return m;
}

void SONGBOX::play_mp3(MP3FILE* m, int buffer_size, int vol, int pan)
{
    if (m)
        almp3_play_mp3stream(m->stream, buffer_size, vol, pan);
}

int SONGBOX::poll_mp3(MP3FILE* m)
{
    if (!m)
        return ALMP3_POLL_NOT_PLAYING;
    void* block = almp3_get_mp3stream_buffer(m->stream);
    if (block) {
        const int want = m->stream->block_size < BLOCK_BYTES ? m->stream->block_size : BLOCK_BYTES;
        const long got = pack_fread(block, want, m->file);
        const int bytes = got > 0 ? (int)got : 0;
        m->read_pos += bytes;
        almp3_free_mp3stream_buffer(m->stream, bytes == want ? FULL_BLOCK : bytes);
    }
    return almp3_poll_mp3stream(m->stream);
}

void SONGBOX::close_mp3(MP3FILE* m)
{
    if (!m)
        return;
    if (m->file)
        pack_fclose(m->file);
    almp3_destroy_mp3stream(m->stream);
    delete m;
}
