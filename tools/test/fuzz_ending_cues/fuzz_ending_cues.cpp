// Fuzz target for the ending's timing file: any bytes are read cue by cue,
// then played through the musical ending for a few hundred ticks, and the
// picture it ends on is compared with a model of the timing rules (a line's
// first character picks the picture, the number from its third character on
// is the tick it takes over, a passed tick stops the switching).
#include "datidx.h"
#include "fuzz_driver.h"
#include "menu.h"
#include "music.h"
#include "pacing.h"
#include "engine.h"
#include <allegro.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const int MAX_TICKS = 300;
const int ENDING_RUN_ONE_IN = 16;

DATAFILE pictures[NUM_ENDING_OBJECTS + 1];

void start_library()
{
    if (!fuzz_start_library())
        return;
    set_color_depth(32);
    buffer = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    screen = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    mainfont = font;
    songbox = new SONGBOX;
    songbox->set_mute(true);
    pacing_set_free_run(true);
    no_mp3 = false;
    for (int i = 0; i < NUM_ENDING_OBJECTS; ++i) {
        BITMAP* b = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
        clear_to_color(b, i + 1);
        pictures[i] = {b, DAT_BITMAP, 0, nullptr};
    }
    pictures[NUM_ENDING_OBJECTS] = {nullptr, DAT_END, 0, nullptr};
}

struct Cue {
    char kind;
    int tick;
};

// The timing rules over the raw bytes: lines end at '\n', only the first 127
// characters count, a number is read from the third character as strtol does
// (up to a zero byte), clamped to 0..INT_MAX.
std::vector<Cue> model_cues(const uint8_t* data, size_t size)
{
    std::vector<Cue> cues;
    size_t at = 0;
    while (at < size) {
        size_t end = at;
        while (end < size && data[end] != '\n')
            ++end;
        const std::string line(
            reinterpret_cast<const char*>(data) + at, std::min<size_t>(end - at, ENDING_LINE_MAX - 1));
        Cue c {line.empty() ? '\n' : line[0], 0};
        if (line.size() > 2) {
            const long v = std::strtol(line.c_str() + 2, nullptr, 10);
            c.tick = v < 0 ? 0 : v > INT_MAX ? INT_MAX : static_cast<int>(v);
        }
        cues.push_back(c);
        at = end + 1;
    }
    return cues;
}

int model_picture(const std::vector<Cue>& cues, int max_ticks)
{
    size_t next = 0;
    bool need = true;
    char kind = 0;
    int switch_tick = -1;
    int shown = BMP_ENDING_0;
    for (int t = 0; t < max_ticks; ++t) {
        if (need) {
            if (next < cues.size()) {
                kind = cues[next].kind;
                switch_tick = cues[next].tick - 1;
                ++next;
            }
            need = false;
        }
        if (t == switch_tick) {
            shown = kind == 'U' ? BMP_ENDING_0 : BMP_ENDING_1;
            switch_tick = -1;
            need = true;
        }
    }
    return shown;
}

}  // namespace

std::vector<std::vector<uint8_t>> fuzz_builtin_seeds()
{
    std::vector<std::vector<uint8_t>> seeds;
    for (const char* s : {"U 60\nD 120\nU 180\nD 240\n", "U 100\nX 200\n", "X 100\nU 50\nU 300\n", "U\nD \n\n",
             "U 99999999999999999999\n", "U -5\nD 1\n", "U:2\nUU3\n"})
        seeds.emplace_back(s, s + std::strlen(s));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    start_library();
    const std::vector<Cue> expected = model_cues(bytes, size);
    // fmemopen wants a buffer of at least one byte.
    std::vector<uint8_t> copy(bytes, bytes + size);
    copy.push_back(0);
    FILE* f = size ? fmemopen(copy.data(), size, "rb") : nullptr;
    fuzz_check(size == 0 || f, "fmemopen");

    size_t n = 0;
    char kind;
    int tick;
    while (f && read_ending_cue(f, &kind, &tick)) {
        fuzz_check(n < expected.size(), "no more cues than lines");
        fuzz_check(kind == expected[n].kind, "a cue's kind is its line's first character");
        fuzz_check(tick == expected[n].tick, "a cue's tick is its line's number");
        ++n;
    }
    fuzz_check(n == expected.size(), "every line is a cue");

    // Playing the ending draws a whole frame every tick: one input in
    // ENDING_RUN_ONE_IN goes through it, so that the reader gets most of the time.
    if (size && bytes[size - 1] % ENDING_RUN_ONE_IN != 0) {
        std::fclose(f);
        return 0;
    }
    if (f)
        std::rewind(f);
    const int max_ticks = 1 + (size ? bytes[0] : 0) % MAX_TICKS;
    const int shown = run_musical_ending(f, pictures, max_ticks);
    fuzz_check(fpscounter == max_ticks, "the ending runs its ticks");
    fuzz_check(shown == model_picture(expected, max_ticks), "the picture the timing rules give");
    fuzz_check(getpixel(buffer, 0, 0) == getpixel(static_cast<BITMAP*>(pictures[shown].dat), 0, 0),
        "the frame shows that picture");
    if (f)
        std::fclose(f);
    return 0;
}
