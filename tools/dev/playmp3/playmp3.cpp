// Plays one MP3 file through the game's song box and stream, not muted, and
// prints what polling reports, so the music path can be tried by ear.
//   playmp3 FILE [--song N] [--seek MS] [--volume V] [--null]
// The file is put under song N's name (default 2, a level song) in a scratch
// "music" folder; --null sends the sound to ALSA's null device instead of the
// sound card (for machines without one).
#include "almp3.h"
#include "music.h"

#include <allegro.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const int DEFAULT_SONG = 2;
const int POLL_INTERVAL_US = 10000;  // about the game's 60 ticks a second
const int POLLS_PER_REPORT = 100;    // a progress line every second or so
const int POLLS_AFTER_END = 3;       // to show what polling says once it is over

const char* result_name(int r)
{
    switch (r) {
    case ALMP3_POLL_OK:
        return "0 (playing)";
    case ALMP3_POLL_FINISHED:
        return "1 (finished)";
    case ALMP3_POLL_NOT_PLAYING:
        return "-1 (not playing)";
    case ALMP3_POLL_CORRUPT:
        return "-2 (corrupt data, stopped)";
    case ALMP3_POLL_STARVED:
        return "-3 (data ran out, stopped)";
    default:
        return "?";
    }
}

int usage()
{
    fprintf(stderr, "usage: playmp3 FILE [--song 0..%d] [--seek MS] [--volume V] [--null]\n", NUM_SONGS - 1);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    const char* file = argv[1];
    int song = DEFAULT_SONG;
    int seek_ms = -1;
    int volume = -1;
    bool null_device = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--null")
            null_device = true;
        else if (a == "--song" && i + 1 < argc)
            song = atoi(argv[++i]);
        else if (a == "--seek" && i + 1 < argc)
            seek_ms = atoi(argv[++i]);
        else if (a == "--volume" && i + 1 < argc)
            volume = atoi(argv[++i]);
        else
            return usage();
    }
    if (song < 0 || song >= NUM_SONGS)
        return usage();
    char* real = realpath(file, nullptr);
    if (!real) {
        fprintf(stderr, "playmp3: %s: %s\n", file, strerror(errno));
        return 1;
    }

    if (allegro_init() != 0) {
        fprintf(stderr, "playmp3: the library does not start here (no display?): %s\n", allegro_error);
        return 1;
    }
    if (null_device) {
        static const char cfg[] = "[sound]\ndigi_card = ALSA\nalsa_device = null\n";
        override_config_data(cfg, (int)strlen(cfg));
    }
    if (install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) != 0 || digi_driver->id == DIGI_NONE)
        fprintf(stderr, "playmp3: no sound driver (%s): polling runs but nothing is heard\n", allegro_error);
    else
        printf("sound driver: %s\n", digi_driver->name);

    // The song box opens "music/<name>" beside the program: give it a
    // scratch folder where the file stands under the song's name.
    char dir[] = "/tmp/playmp3_XXXXXX";
    if (!mkdtemp(dir)) {
        fprintf(stderr, "playmp3: no scratch folder: %s\n", strerror(errno));
        return 1;
    }
    songbox = new SONGBOX;
    const std::string music = std::string(dir) + "/music";
    const std::string link = music + "/" + songbox->songs[song];
    if (mkdir(music.c_str(), 0755) != 0 || symlink(real, link.c_str()) != 0 || chdir(dir) != 0) {
        fprintf(stderr, "playmp3: cannot set up %s: %s\n", music.c_str(), strerror(errno));
        return 1;
    }
    free(real);

    songbox->set_volume(volume);
    songbox->play(song);
    ALMP3_MP3STREAM* s = songbox->mp3->stream;
    printf("song %d \"%s\": %d bytes, layer %s, %d Hz, %s, %d kbit/s, %d bytes a frame, %d decoded bytes a frame, "
           "%d frames in its Xing header\n",
        song, songbox->songs[song], songbox->mp3->size, s->layer == 2 ? "II" : "III", s->freq,
        s->stereo ? "stereo" : "mono", s->bitrate_kbps, s->frame_bytes, s->out_bytes_per_frame, s->total_frames);
    if (seek_ms >= 0) {
        const int before = songbox->mp3->read_pos;
        songbox->seek(seek_ms);
        printf("seek %d ms: reader %d -> %d\n", seek_ms, before, songbox->mp3->read_pos);
    }

    int last = INT_MIN;
    int after_end = -1;
    for (long polls = 1; after_end < POLLS_AFTER_END; ++polls) {
        const int r = songbox->poll_mp3(songbox->mp3);
        if (r != last)
            printf("poll %ld: %s\n", polls, result_name(r));
        if (polls % POLLS_PER_REPORT == 0 && r == ALMP3_POLL_OK)
            printf("poll %ld: reader at %d of %d bytes\n", polls, songbox->mp3->read_pos, songbox->mp3->size);
        last = r;
        if (r != ALMP3_POLL_OK)
            ++after_end;
        usleep(POLL_INTERVAL_US);
    }
    songbox->stop();
    delete songbox;
    songbox = nullptr;
    unlink(link.c_str());
    rmdir(music.c_str());
    rmdir(dir);
    return 0;
}
