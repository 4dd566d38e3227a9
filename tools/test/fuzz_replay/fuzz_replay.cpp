// Fuzz target for replay files: any bytes are either refused with words, or
// read into games whose every field is in range and which write back to
// exactly the same bytes.
#include "fuzz_driver.h"
#include "facts.h"
#include "replay_file.h"

std::vector<std::vector<uint8_t>> fuzz_builtin_seeds()
{
    ReplayFile f;
    f.game_version = "0.7";
    f.key_controls = 13;
    f.joy_buttons = 9;
    ReplayGame g;
    ReplayEvent run;
    run.input = 3;
    run.ticks = 40;
    g.events.push_back(run);
    ReplayEvent end;
    end.kind = ReplayEvent::ATTEMPT;
    end.level = 1;
    end.result = 2;
    g.events.push_back(end);
    f.games.push_back(g);
    return {replay_encode(f)};
}

// One input read as it is.
static void read_replay(const uint8_t* data, size_t size)
{
    ReplayFile f;
    std::string why;
    if (!replay_decode(data, size, f, why)) {
        fuzz_check(!why.empty(), "a refused file is refused in words");
        fuzz_check(f.games.empty(), "a refused file leaves nothing half read");
        return;
    }
    fuzz_check(!f.games.empty(), "a file read holds a game");
    for (const ReplayGame& g : f.games) {
        fuzz_check(g.start_level >= FIRST_LEVEL && g.start_level <= NUM_LEVELS, "a start level in range");
        fuzz_check(g.carry.lives <= REPLAY_MAX_LIVES, "lives in range");
        for (const ReplayEvent& e : g.events) {
            if (e.kind == ReplayEvent::RUN)
                fuzz_check(e.ticks >= 1, "a run has ticks");
            else
                fuzz_check(e.level >= FIRST_LEVEL && e.level <= NUM_LEVELS && e.result >= 1 && e.result <= 4,
                    "an attempt's level and result in range");
        }
    }
    const std::vector<uint8_t> again = replay_encode(f);
    fuzz_check(again.size() == size && std::equal(again.begin(), again.end(), data), "a file read writes back alike");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    read_replay(data, size);
    // Again with the closing check sum made right: mutations then reach the
    // reading of the games instead of stopping at the check sum.
    const size_t CRC_BYTES = 4;
    if (size >= CRC_BYTES) {
        std::vector<uint8_t> sealed(data, data + size);
        const uint32_t crc = crc32_of(sealed.data(), size - CRC_BYTES);
        for (size_t i = 0; i < CRC_BYTES; i++)
            sealed[size - CRC_BYTES + i] = static_cast<uint8_t>(crc >> (8 * i));
        read_replay(sealed.data(), sealed.size());
    }
    return 0;
}
