// The song box: the game's one music player, streaming numbered songs from "music/".
#pragma once

#include <string>

struct PACKFILE;
struct ALMP3_MP3STREAM;

// Songs by name; the song box addresses them by number 0 .. NUM_SONGS-1.
enum Song {
    SONG_TITLE_1 = 0,  // the titles take turns
    SONG_TITLE_2 = 1,
    SONG_LEVEL_1 = 2,
    SONG_LEVEL_2 = 3,
    SONG_LEVEL_3 = 4,
    SONG_LEVEL_4 = 5,
    SONG_LEVEL_5 = 6,
    SONG_LEVEL_6 = 7,
    SONG_LEVEL_7 = 8,
    SONG_LEVEL_8 = 9,
    SONG_GAME_OVER = 10,
    SONG_ENDING = 11,
};
const int NUM_SONGS = SONG_ENDING + 1;

// One song at a time, fed block by block from its file to an MP3 stream.
// All calls come from the main thread. While muted, play() opens nothing, so
// every other call finds no song and only the volume value changes.
// The operations the screens call are virtual so that a test can stand a box
// in `songbox` that records which songs each screen asks for.
class SONGBOX {
public:
    // An open song: its file reader, the stream decoding it and the file's size.
    // read_pos is where the reader stands (bytes from the file's start) and path
    // the opened file, so that a seek can also move the reader backwards.
    struct MP3FILE {
        PACKFILE* file;
        ALMP3_MP3STREAM* stream;
        int size;
        int read_pos;
        std::string path;
    };

    SONGBOX();
    virtual ~SONGBOX();

    virtual void set_mute(bool m);
    // Starts song number `song`. The same song again leaves a playing stream
    // undisturbed and resumes a paused one; another song closes the open one
    // first. A song file that cannot be opened ends the program.
    // Precondition (unless muted): 0 <= song < NUM_SONGS.
    virtual void play(int song);
    // Stops the sound and forgets the song number; the file stays open.
    virtual void stop();
    // true: the open stream stops where it is; false: it starts again from there.
    virtual void set_paused(bool p);
    virtual bool playing();
    // v == -1 restores the default 192; any other value is stored as given.
    virtual void set_volume(int v);
    // Adds d, holding the volume within 0..255.
    virtual void slide_volume(int d);
    virtual int get_volume();
    // Keeps the stream of the open song fed and decoding while a song is
    // current or its stream plays; call once per tick.
    virtual void poll();
    // Continues feeding from the file position that belongs to `milliseconds`;
    // the block the stream already holds plays first. A refused seek changes nothing.
    virtual void seek(int milliseconds);

    // Opens "music/<name>" and creates its stream; nullptr when the file is missing,
    // empty or holds no usable MPEG audio.
    MP3FILE* open_mp3(const char* name);
    void play_mp3(MP3FILE* m, int buffer_size, int vol, int pan);
    // One refill of the stream from the file, then one stream poll; returns the
    // stream's poll result (poll() itself ignores it).
    int poll_mp3(MP3FILE* m);
    // nullptr is ignored.
    void close_mp3(MP3FILE* m);

    // Plain fields, readable by diagnostics and tests; only the song box writes them.
    const char* songs[NUM_SONGS];
    int current;
    int volume;
    bool mute;
    MP3FILE* mp3;
};

// The one song box, created at start-up and deleted at shutdown.
extern SONGBOX* songbox;
