// The door every tick of a game passes, the recording it keeps and writes,
// the replaying of a recording with its checks, and the timedemo's clock.
#include "replay.h"
#include "engine.h"
#include "facts.h"
#include "quit_request.h"
#include "regular_file.h"
#include "settings.h"
#include <algorithm>
#include <allegro.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

void (*door_pilot)(DoorTick& live) = nullptr;

namespace {

// Where each part of a tick sits in the door's bits: the key controls first
// (room for more of them), then the joystick, then the flags.
const int KEY_BITS = 24;
const int BUTTON_BIT = KEY_BITS;
const int STICK_BIT = BUTTON_BIT + NUM_JOY_BUTTONS;
const int FLAG_BIT = STICK_BIT + 4;
enum { FLAG_CLOSE, FLAG_FOCUS, FLAG_QUIT, FLAG_DISMISS };

bool Controls::*const STICKS[] = {
    &Controls::stick_left, &Controls::stick_right, &Controls::stick_up, &Controls::stick_down};

enum class Mode { OFF, RECORD, PLAY };
Mode mode = Mode::OFF;
bool in_game = false;
ReplayFile file;
std::string record_path;  // empty: in memory only
bool write_failed = false;

// Playing back: the game, its event and the ticks of that event used.
int game_index = -1;
size_t event_index = 0;
uint32_t ticks_used = 0;
int attempts_checked = 0;
bool failed = false;
bool stopped = false;
int saved_joystick[NUM_CONTROLS];

// Timing of the door's passes.
bool timing = false;
std::vector<double> pass_ms;
std::chrono::steady_clock::time_point last_pass, timing_start;

void write_recording()
{
    if (record_path.empty() || write_failed)
        return;
    const std::vector<uint8_t> bytes = replay_encode(file);
    // Whole or not at all: a temporary file beside it, renamed over it.
    const std::string temp = record_path + ".part";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += static_cast<size_t>(n);
    }
    const int err = ok ? 0 : errno;
    if (fd >= 0 && close(fd) != 0 && ok)
        ok = false;
    if (ok && rename(temp.c_str(), record_path.c_str()) != 0)
        ok = false;
    if (!ok) {
        // Play goes on; the player hears once why there will be no file.
        std::cerr << "The recording cannot be written to " << record_path << ": " << std::strerror(err ? err : errno)
                  << std::endl;
        unlink(temp.c_str());
        write_failed = true;
    }
}

ReplayGame& recording_game()
{
    return file.games.back();
}

void record_tick(uint64_t bits)
{
    std::vector<ReplayEvent>& ev = recording_game().events;
    if (!ev.empty() && ev.back().kind == ReplayEvent::RUN && ev.back().input == bits)
        ++ev.back().ticks;
    else {
        ReplayEvent e;
        e.kind = ReplayEvent::RUN;
        e.input = bits;
        e.ticks = 1;
        ev.push_back(e);
    }
}

const ReplayGame& playing_game()
{
    return file.games[static_cast<size_t>(game_index)];
}

// The replay no longer follows the recording: said once, and the game is
// ended as by a quit.
void out_of_step(const std::string& what)
{
    if (failed)
        return;
    failed = true;
    std::cerr << "Replay out of step with the recording: " << what << std::endl;
}

std::string attempt_name()
{
    return "level attempt " + std::to_string(attempts_checked + 1) + " of game " + std::to_string(game_index + 1);
}

// The recording's next tick, or false when the recording has none here.
bool next_recorded_tick(uint64_t& bits)
{
    const std::vector<ReplayEvent>& ev = playing_game().events;
    while (event_index < ev.size() && ev[event_index].kind == ReplayEvent::RUN && ticks_used == ev[event_index].ticks) {
        ++event_index;
        ticks_used = 0;
    }
    if (event_index >= ev.size()) {
        out_of_step("the recording ends inside " + attempt_name() + ", which goes on");
        return false;
    }
    if (ev[event_index].kind != ReplayEvent::RUN) {
        out_of_step(attempt_name() + " goes on where the recording ends it");
        return false;
    }
    ++ticks_used;
    bits = ev[event_index].input;
    return true;
}

// Moves past the last run if it is used up; true when it was (or there was none).
bool runs_used_up()
{
    const std::vector<ReplayEvent>& ev = playing_game().events;
    if (event_index < ev.size() && ev[event_index].kind == ReplayEvent::RUN) {
        if (ticks_used != ev[event_index].ticks)
            return false;
        ++event_index;
        ticks_used = 0;
    }
    return true;
}

void time_pass()
{
    const auto now = std::chrono::steady_clock::now();
    pass_ms.push_back(std::chrono::duration<double, std::milli>(now - last_pass).count());
    last_pass = now;
}

}  // namespace

int door_key_count()
{
    return NUM_KEY_CONTROLS + NUM_KEY_ACTIONS;
}

bool Controls::*door_key(int i)
{
    return i < NUM_KEY_CONTROLS ? KEY_CONTROLS[i].field : KEY_ACTIONS[i - NUM_KEY_CONTROLS].field;
}

uint64_t door_bits(const DoorTick& t)
{
    uint64_t bits = 0;
    for (int i = 0; i < door_key_count() && i < KEY_BITS; i++)
        if (t.c.*door_key(i))
            bits |= 1ull << i;
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        if (t.c.button[b])
            bits |= 1ull << (BUTTON_BIT + b);
    for (int s = 0; s < 4; s++)
        if (t.c.*STICKS[s])
            bits |= 1ull << (STICK_BIT + s);
    const bool flags[] = {t.window_close, t.focus_lost, t.quit, t.dismiss};
    for (int f = 0; f < 4; f++)
        if (flags[f])
            bits |= 1ull << (FLAG_BIT + f);
    return bits;
}

DoorTick door_tick_of(uint64_t bits)
{
    DoorTick t;
    for (int i = 0; i < door_key_count() && i < KEY_BITS; i++)
        t.c.*door_key(i) = bits >> i & 1;
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        t.c.button[b] = bits >> (BUTTON_BIT + b) & 1;
    for (int s = 0; s < 4; s++)
        t.c.*STICKS[s] = bits >> (STICK_BIT + s) & 1;
    t.window_close = bits >> (FLAG_BIT + FLAG_CLOSE) & 1;
    t.focus_lost = bits >> (FLAG_BIT + FLAG_FOCUS) & 1;
    t.quit = bits >> (FLAG_BIT + FLAG_QUIT) & 1;
    t.dismiss = bits >> (FLAG_BIT + FLAG_DISMISS) & 1;
    return t;
}

DoorTick door_pass(const DoorTick& live)
{
    if (!in_game)
        return live;
    if (timing)
        time_pass();
    if (mode != Mode::PLAY) {
        DoorTick t = live;
        if (door_pilot)
            door_pilot(t);
        if (mode == Mode::RECORD)
            record_tick(door_bits(t));
        return t;
    }
    // Replaying: the player's keys and buttons are not looked at, apart from
    // ESC, which stops the replay, as a quit request does.
    if (!stopped && !failed && (quit_requested() || (keyboard_driver && key[KEY_ESC]))) {
        stopped = true;
        std::cerr << "Replay stopped by the viewer in " << attempt_name() << std::endl;
    }
    uint64_t bits = 0;
    if (stopped || failed || !next_recorded_tick(bits)) {
        DoorTick t;
        t.quit = true;
        return t;
    }
    return door_tick_of(bits);
}

void replay_record_to(const std::string& path)
{
    replay_record_in_memory();
    record_path = path;
}

void replay_record_in_memory()
{
    replay_off();
    mode = Mode::RECORD;
    file = ReplayFile();
    file.game_version = GAME_VERSION_TEXT;
    file.key_controls = static_cast<uint32_t>(door_key_count());
    file.joy_buttons = NUM_JOY_BUTTONS;
    for (int i = 0; i < NUM_CONTROLS; i++)
        file.joystick[i] = static_cast<uint8_t>(joystick_controls[i]);
}

const ReplayFile& replay_recording()
{
    return file;
}

void replay_off()
{
    if (mode == Mode::PLAY)
        std::copy(saved_joystick, saved_joystick + NUM_CONTROLS, joystick_controls);
    mode = Mode::OFF;
    in_game = false;
    record_path.clear();
    write_failed = false;
    timing = false;
}

bool replay_read(const std::string& path, ReplayFile& f, std::string& why)
{
    FileBytes content;
    int err = 0;
    const FileCheck found = read_regular_file(path.c_str(), static_cast<long>(REPLAY_MAX_BYTES), content, err);
    if (found != FileCheck::READ) {
        why = "The replay " + path + " " + file_check_text(found, err, static_cast<long>(REPLAY_MAX_BYTES));
        return false;
    }
    std::string problem;
    if (!replay_decode(content.data.get(), content.size, f, problem) ||
        !replay_matches_build(
            f, GAME_VERSION_TEXT, static_cast<uint32_t>(door_key_count()), NUM_JOY_BUTTONS, problem)) {
        why = "The replay " + path + " " + problem;
        return false;
    }
    return true;
}

void replay_use(const ReplayFile& f)
{
    replay_off();
    file = f;
    mode = Mode::PLAY;
    game_index = -1;
    event_index = 0;
    ticks_used = 0;
    attempts_checked = 0;
    failed = stopped = false;
    // The craft reads the joystick through the recording's mapping, not this
    // player's; the player's own is put back when the replay is over.
    std::copy(joystick_controls, joystick_controls + NUM_CONTROLS, saved_joystick);
    for (int i = 0; i < NUM_CONTROLS; i++)
        joystick_controls[i] = f.joystick[i];
}

bool replay_playing()
{
    return mode == Mode::PLAY;
}

bool replay_next_game()
{
    if (mode != Mode::PLAY || failed || stopped || game_index + 1 >= static_cast<int>(file.games.size()))
        return false;
    ++game_index;
    event_index = 0;
    ticks_used = 0;
    return true;
}

int replay_start_level()
{
    return game_index >= 0 ? static_cast<int>(playing_game().start_level) : FIRST_LEVEL;
}

int replay_status()
{
    return failed ? 1 : 0;
}

bool replay_stopped_early()
{
    return stopped;
}

int replay_attempts_checked()
{
    return attempts_checked;
}

void replay_game_begin(int& start_level, ReplayCarry& carry)
{
    in_game = true;
    if (mode == Mode::PLAY) {
        const ReplayGame& g = playing_game();
        start_level = static_cast<int>(g.start_level);
        carry = g.carry;
        debug = g.debug;
        srand(g.seed);
        return;
    }
    // A fresh seed for every game, drawn from the generator the clock seeded
    // at start-up: where the game starts no longer depends on the games
    // played before it, or on how long the title was looked at.
    const uint32_t seed = static_cast<uint32_t>(rand());
    srand(seed);
    if (mode != Mode::RECORD)
        return;
    ReplayGame g;
    g.start_level = static_cast<uint32_t>(start_level);
    g.seed = seed;
    g.carry = carry;
    g.debug = debug;
    file.games.push_back(g);
    write_recording();
}

void replay_attempt_end(int level, int result, uint64_t checksum)
{
    if (!in_game || mode == Mode::OFF)
        return;
    if (mode == Mode::RECORD) {
        ReplayEvent e;
        e.kind = ReplayEvent::ATTEMPT;
        e.level = static_cast<uint32_t>(level);
        e.result = static_cast<uint32_t>(result);
        e.checksum = checksum;
        recording_game().events.push_back(e);
        write_recording();
        return;
    }
    if (failed || stopped)
        return;
    const std::vector<ReplayEvent>& ev = playing_game().events;
    if (!runs_used_up()) {
        out_of_step(attempt_name() + " (level " + std::to_string(level) + ") ended before the recording's did");
        return;
    }
    if (event_index >= ev.size() || ev[event_index].kind != ReplayEvent::ATTEMPT) {
        out_of_step(attempt_name() + " (level " + std::to_string(level) + ") ended where the recording has none");
        return;
    }
    const ReplayEvent& e = ev[event_index++];
    char line[256];
    if (e.level != static_cast<uint32_t>(level) || e.result != static_cast<uint32_t>(result) ||
        e.checksum != checksum) {
        snprintf(line, sizeof line,
            "%s: level %d ended with result %d and state %016llx; the recording has level %u, result %u, "
            "state %016llx",
            attempt_name().c_str(), level, result, static_cast<unsigned long long>(checksum), e.level, e.result,
            static_cast<unsigned long long>(e.checksum));
        out_of_step(line);
        return;
    }
    ++attempts_checked;
}

void replay_game_end()
{
    if (!in_game)
        return;
    if (mode == Mode::RECORD)
        write_recording();
    else if (mode == Mode::PLAY && !failed && !stopped) {
        if (!runs_used_up() || event_index != playing_game().events.size())
            out_of_step("game " + std::to_string(game_index + 1) + " ended before the recording of it did");
    }
    in_game = false;
}

void replay_timing_begin()
{
    timing = true;
    pass_ms.clear();
    timing_start = last_pass = std::chrono::steady_clock::now();
}

std::string replay_timing_report()
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - timing_start).count();
    std::vector<double> ms = pass_ms;
    std::sort(ms.begin(), ms.end());
    const double median = ms.empty() ? 0 : ms[ms.size() / 2];
    const double worst = ms.empty() ? 0 : ms.back();
    char line[160];
    snprintf(line, sizeof line, "timedemo: %zu frames in %.2f s, %.3f ms per frame (median), %.3f ms worst", ms.size(),
        seconds, median, worst);
    return line;
}

void StateHash::bytes(const void* p, size_t n)
{
    const uint8_t* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < n; i++) {
        h ^= b[i];
        h *= 1099511628211ull;
    }
}

void hash_random_state(StateHash& s)
{
    // Switching the generator to a scratch state hands back the previous
    // state array, with its position written into it; switching back resumes
    // exactly where it was. Nothing is drawn.
    static char scratch[128];
    char* previous = initstate(1, scratch, sizeof scratch);
    s.bytes(previous, sizeof scratch);
    setstate(previous);
}
