// Test material for the music tests: MPEG files made at test time with sox,
// lame and twolame, libmpg123's own decoding of them, and sound through a
// null ALSA device so that Allegro's mixer really consumes audio buffers.
#pragma once
#include "almp3.h"

#include <allegro.h>
#include <mpg123.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace media {

typedef std::vector<unsigned char> Bytes;

inline bool have_tool(const char* tool)
{
    const std::string cmd = std::string("command -v ") + tool + " > /dev/null 2>&1";
    return system(cmd.c_str()) == 0;
}

inline bool have_encoders()
{
    return have_tool("sox") && have_tool("lame");
}

inline std::string& scratch_path()
{
    static std::string dir;
    return dir;
}

inline void remove_scratch_dir()
{
    const std::string cmd = "rm -rf '" + scratch_path() + "'";
    if (system(cmd.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", scratch_path().c_str());
}

// One scratch directory per test process, removed when the process ends.
inline const std::string& scratch_dir()
{
    std::string& dir = scratch_path();
    if (dir.empty()) {
        char tmpl[] = "/tmp/vorlin_music_XXXXXX";
        if (mkdtemp(tmpl)) {
            dir = tmpl;
            atexit(remove_scratch_dir);
        }
    }
    return dir;
}

inline Bytes read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const Bytes& b)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), (std::streamsize)b.size());
}

// The encoded test songs. Stereo material has a sweep on the left and noise on
// the right, so that the layer III bit reservoir is busy and a swapped,
// dropped or repeated frame changes the samples.
struct Song {
    const char* name;
    const char* wav_cmd;  // shell command making the wave file (every %s is its path)
    const char* encoder;  // command with %s for input and output
};

// Repeatable noise (-R), so that every run encodes the same songs.
#define SOX_STEREO(rate, synth) "sox -R -n -b 16 -r " rate " -c 2 %s synth " synth " vol 0.5"

const Song SONGS[] = {
    {"cbr128.mp3", SOX_STEREO("44100", "3.0 sine 300-2400 pinknoise"), "lame --quiet -b 128 --cbr %s %s"},
    {"cbr128_noxing.mp3", SOX_STEREO("44100", "3.0 sine 300-2400 pinknoise"), "lame --quiet -t -b 128 --cbr %s %s"},
    {"long_noxing.mp3", SOX_STEREO("44100", "8.0 sine 440"), "lame --quiet -t -b 128 --cbr %s %s"},
    {"vbr.mp3", SOX_STEREO("44100", "4.0 sine 100-6000 pinknoise"), "lame --quiet -V 2 %s %s"},
    // Two seconds of digital silence (no dither), then two of noise: the
    // frames of the second half are several times longer than the first's.
    {"vbr_uneven.mp3",
        "sox -D -n -b 16 -r 44100 -c 2 %s.1.wav synth 2.0 sine 440 vol 0 && "
        "sox -R -n -b 16 -r 44100 -c 2 %s.2.wav synth 2.0 sine 100-6000 pinknoise vol 0.5 && "
        "sox %s.1.wav %s.2.wav %s",
        "lame --quiet -V 2 %s %s"},
    {"mono.mp3", "sox -R -n -b 16 -r 44100 -c 1 %s synth 3.0 sine 300-2400 vol 0.5", "lame --quiet -m m -b 64 %s %s"},
    {"lsf22k.mp3", SOX_STEREO("22050", "3.0 sine 300-2400 pinknoise"), "lame --quiet -b 64 %s %s"},
    {"short.mp3", SOX_STEREO("44100", "0.8 sine 440 pinknoise"), "lame --quiet -b 128 --cbr %s %s"},
    {"id3v1.mp3", SOX_STEREO("44100", "2.0 sine 300-2400 pinknoise"),
        "lame --quiet -b 128 --cbr --id3v1-only --tt Title %s %s"},
    {"id3v2.mp3", SOX_STEREO("44100", "2.0 sine 300-2400 pinknoise"),
        "lame --quiet -b 128 --cbr --id3v2-only --tt Title %s %s"},
    {"layer2.mp2", SOX_STEREO("44100", "3.0 sine 300-2400 pinknoise"), "twolame --quiet -b 192 %s %s"},
};

// Path of the named test song, made on first use; empty if it cannot be made.
inline std::string song(const std::string& name)
{
    static std::map<std::string, std::string> made;
    auto it = made.find(name);
    if (it != made.end())
        return it->second;
    std::string result;
    for (const Song& s : SONGS) {
        if (name != s.name)
            continue;
        const std::string out = scratch_dir() + "/" + s.name;
        const std::string wav = out + ".wav";
        char cmd[1024];
        std::string make_wav = s.wav_cmd;
        for (size_t at; (at = make_wav.find("%s")) != std::string::npos;)
            make_wav.replace(at, 2, wav);
        if (system(("(" + make_wav + ") 2> /dev/null").c_str()) != 0)
            break;
        snprintf(cmd, sizeof cmd, s.encoder, wav.c_str(), out.c_str());
        if (system(cmd) == 0)
            result = out;
        break;
    }
    made[name] = result;
    return result;
}

inline bool is_layer2(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".mp2") == 0;
}

// libmpg123's decoding of a whole file at once, with the settings that match
// the stream's: no gapless trimming, the info frame played as the silent
// frame it is, native rate and channels, signed 16-bit.
struct Reference {
    std::vector<int16_t> pcm;
    int frames = 0;
    long rate = 0;
    int channels = 0;
};

inline Reference reference_decode(const Bytes& file)
{
    Reference ref;
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0);
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_open_feed(mh);
    mpg123_feed(mh, file.data(), file.size());
    for (;;) {
        off_t num;
        unsigned char* audio;
        size_t bytes;
        const int r = mpg123_decode_frame(mh, &num, &audio, &bytes);
        if (r == MPG123_NEW_FORMAT) {
            int enc;
            mpg123_getformat(mh, &ref.rate, &ref.channels, &enc);
            // Keep the native format but as signed 16-bit samples.
            mpg123_format_none(mh);
            mpg123_format(mh, ref.rate, ref.channels, MPG123_ENC_SIGNED_16);
            continue;
        }
        if (r != MPG123_OK)
            break;
        const int16_t* s = reinterpret_cast<const int16_t*>(audio);
        ref.pcm.insert(ref.pcm.end(), s, s + bytes / 2);
        ++ref.frames;
    }
    mpg123_delete(mh);
    return ref;
}

// Starts the library under X with sound through ALSA's null device: the mixer
// then runs and takes the audio stream's buffers (about twice real time).
inline bool start_null_sound()
{
    static int state = 0;  // 0 not tried, 1 running, -1 failed
    if (state == 0) {
        state = -1;
        if (allegro_init() == 0) {
            static const char cfg[] = "[sound]\ndigi_card = ALSA\nalsa_device = null\n";
            override_config_data(cfg, (int)strlen(cfg));
            if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0 && digi_driver->id == DIGI_ALSA)
                state = 1;
        }
    }
    return state == 1;
}

// Polls `s` once; when it filled an audio buffer, appends that buffer's samples
// (back to signed) to `captured`. The mixer only reads the buffers, so what was
// written is still there right after the poll.
inline int poll_and_capture(ALMP3_MP3STREAM* s, std::vector<int16_t>* captured)
{
    AUDIOSTREAM* as = s->audio_stream;
    const int before = as ? as->bufnum : -1;
    const int r = almp3_poll_mp3stream(s);
    if (as && s->audio_stream == as && as->bufnum != before) {
        const int channels = s->stereo ? 2 : 1;
        const size_t n = (size_t)as->len * channels;
        const uint16_t* data = static_cast<const uint16_t*>(as->samp->data) + n * before;
        for (size_t i = 0; i < n; ++i)
            captured->push_back((int16_t)(data[i] ^ 0x8000));
    }
    return r;
}

}  // namespace media
