// Replay files: a recorded game as bytes, and those bytes read back with every
// way a file can be wrong (not a replay, another format or game version,
// truncated, damaged, trailing bytes) told apart in words.
//
// Layout (integers are unsigned LEB128 varints unless said otherwise):
//   "VORLINRP" (8 bytes), format version,
//   game version (length, then that many bytes of text),
//   the input layout: number of key controls, number of joystick buttons,
//   the joystick mapping (NUM_CONTROLS buttons),
//   then the games, each:
//     'G' start level, seed, lives carried in, carried edge flags, debug switch
//     then in order of play: 'R' input bits, ticks (a run of ticks with the
//     same input) and 'A' level, result, 8-byte check sum (the end of a level
//     attempt), then 'E' (the game is over);
//   'Z', then the CRC-32 of every byte before it (4 bytes, little-endian).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

const char REPLAY_MAGIC[] = "VORLINRP";
const size_t REPLAY_MAGIC_BYTES = 8;
const uint32_t REPLAY_FORMAT_VERSION = 1;
// A recording of many hours stays far below this; anything larger is refused
// before it is read.
const size_t REPLAY_MAX_BYTES = 16u << 20;
const size_t REPLAY_VERSION_MAX_CHARS = 32;
const uint32_t REPLAY_MAX_LIVES = 1000;
const int REPLAY_JOYSTICK_CONTROLS = 7;

// What a new game takes over from the games before it in the same run: the
// lives (after the ending the next game keeps those left over) and the
// controls' edge memory (a key held across the title still counts as held).
struct ReplayCarry {
    uint32_t lives = 0;
    uint32_t edge_flags = 0;
    uint32_t collide_count = 0;
};

struct ReplayEvent {
    enum Kind { RUN, ATTEMPT } kind = RUN;
    uint64_t input = 0;  // RUN: the door's bits
    uint32_t ticks = 0;  // RUN: how many ticks in a row
    uint32_t level = 0;  // ATTEMPT
    uint32_t result = 0;
    uint64_t checksum = 0;
};

struct ReplayGame {
    uint32_t start_level = 1;
    uint32_t seed = 0;
    ReplayCarry carry;
    bool debug = false;
    std::vector<ReplayEvent> events;
};

struct ReplayFile {
    std::string game_version;
    uint32_t key_controls = 0;
    uint32_t joy_buttons = 0;
    uint8_t joystick[REPLAY_JOYSTICK_CONTROLS] = {};
    std::vector<ReplayGame> games;
};

// The file's bytes.
std::vector<uint8_t> replay_encode(const ReplayFile& f);
// Reads `size` bytes into `f`. False with `why` (words that follow the
// file's name: "is truncated ...") when they are not a whole, undamaged
// replay of this format; the game version and input layout are read, not
// judged (replay_matches_build does that).
bool replay_decode(const uint8_t* bytes, size_t size, ReplayFile& f, std::string& why);
// True when a decoded file was made by a build like this one: the same game
// version, input layout and number of levels; else `why` says what differs.
bool replay_matches_build(
    const ReplayFile& f, const std::string& version, uint32_t key_controls, uint32_t joy_buttons, std::string& why);

uint32_t crc32_of(const uint8_t* bytes, size_t size);
