// The song box: chooses, feeds and controls the one song that plays.
#include "music.h"

#include <cstddef>

// Fatal exit of the game (declared with the start-up module).
[[noreturn]] void quit_error(const char* msg);

namespace {
const int DEFAULT_VOLUME = 192;
const int MAX_VOLUME = 255;
}

SONGBOX::SONGBOX()
    : songs{"Shit anthem.mp3",
            "blink182 - happy holidays.mp3",
            "Headstrong - Still frame.mp3",
            "Cky - Flesh Into Gear.mp3",
            "Ra - Do you call my name.mp3",
            "FF - Full Metal Contact.mp3",
            "Cold - Dont belong.mp3",
            "STP - Wicked garden.mp3",
            "SOAD - War.mp3",
            "FF - Demanufacture.mp3",
            "game over.mp3",
            "funnyending.mp3"},
      current(-1), volume(DEFAULT_VOLUME), mute(false), mp3(NULL) {}

SONGBOX::~SONGBOX() {}

void SONGBOX::set_mute(bool m) { mute = m; }
void SONGBOX::play(int) {}
void SONGBOX::stop() { current = -1; }
void SONGBOX::set_paused(bool) {}
bool SONGBOX::playing() { return current != -1; }
void SONGBOX::set_volume(int v) { volume = (v == -1) ? DEFAULT_VOLUME : v; }

void SONGBOX::slide_volume(int d) {
    volume += d;
    if (volume < 0) volume = 0;
    if (volume > MAX_VOLUME) volume = MAX_VOLUME;
}

int SONGBOX::get_volume() { return volume; }
void SONGBOX::poll() {}
void SONGBOX::seek(int) {}
SONGBOX::MP3FILE* SONGBOX::open_mp3(const char*) { return NULL; }
void SONGBOX::play_mp3(MP3FILE*, int, int, int) {}
int SONGBOX::poll_mp3(MP3FILE*) { return -1; }
void SONGBOX::close_mp3(MP3FILE*) {}
