// A plain seed-and-mutate fuzzing driver for targets that define
// LLVMFuzzerTestOneInput: runs every seed, then random mutations of seeds and
// of earlier inputs for a given time. Built into the sanitizer build, a memory
// error, undefined behaviour, a broken invariant (abort) or an input that
// hangs ends the run with a non-zero exit code; the
// input that caused it is saved first. Include it in exactly one file.
//
// usage: PROGRAM -t SECONDS [-o FINDING_FILE] [SEED_FILE...]
#pragma once
#include <allegro.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// Inputs the target makes itself (small well-formed files), run besides the
// seed files; may be empty.
std::vector<std::vector<uint8_t>> fuzz_builtin_seeds();

// Ends the run as a finding (abort, the input is saved) when an invariant of
// the target does not hold; `what` names it.
inline void fuzz_check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s: broken invariant: %s\n", program_invocation_short_name, what);
        std::abort();
    }
}

// Starts the library without a display (SYSTEM_NONE) on the first call; true
// only then, so the caller's own one-time set-up can follow.
inline bool fuzz_start_library()
{
    static bool started = false;
    if (started)
        return false;
    started = true;
    fuzz_check(install_allegro(SYSTEM_NONE, &errno, atexit) == 0, "install_allegro");
    return true;
}

namespace fuzz_driver {

typedef std::vector<uint8_t> Input;

inline Input& current()
{
    static Input in;
    return in;
}
inline std::string& finding_path()
{
    static std::string path = "fuzz-finding.bin";
    return path;
}

// Saves the input under test; called when the run is about to die.
inline void save_current()
{
    FILE* f = std::fopen(finding_path().c_str(), "wb");
    if (!f)
        return;
    std::fwrite(current().data(), 1, current().size(), f);
    std::fclose(f);
    std::fprintf(stderr, "fuzz: input of %zu bytes saved to %s\n", current().size(), finding_path().c_str());
}

inline void on_abort(int)
{
    save_current();
}

// An input that takes more processor time than this is a finding too (a
// hang). Processor time, not the clock's: the runs go beside the tests at the
// lowest priority, and an input may wait seconds for a core.
const long INPUT_TIMEOUT_S = 5;

inline void on_timeout(int)
{
    std::fprintf(stderr, "fuzz: an input ran longer than %ld s of processor time (hang)\n", INPUT_TIMEOUT_S);
    save_current();
    std::_Exit(3);
}

inline void set_input_timer(long seconds)
{
    itimerval timer = {};
    timer.it_value.tv_sec = seconds;
    setitimer(ITIMER_PROF, &timer, nullptr);
}

inline void run_one()
{
    set_input_timer(INPUT_TIMEOUT_S);
    LLVMFuzzerTestOneInput(current().data(), current().size());
    set_input_timer(0);
}

inline bool read_file(const char* path, Input& out)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t block[1 << 16];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        out.insert(out.end(), block, block + n);
    std::fclose(f);
    return true;
}

// One random change of the kinds that find parser faults: bits, bytes, edge
// values, runs copied, inserted or removed, truncation, big-endian numbers.
inline void mutate(Input& in, std::mt19937& rng, const std::vector<Input>& pool)
{
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) {
        const size_t n = in.size();
        switch (rng() % 10) {
        case 0:
            if (n)
                in[pick(n)] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1:
            if (n)
                in[pick(n)] = static_cast<uint8_t>(rng());
            break;
        case 2: {
            static const uint8_t edges[] = {0x00, 0x01, 0x7f, 0x80, 0xff, '\n', '-', '9', ' '};
            if (n)
                in[pick(n)] = edges[rng() % sizeof edges];
            break;
        }
        case 3: {  // a 16- or 32-bit big-endian field set to an edge value
            static const uint32_t values[] = {0, 1, 0x7fff, 0x8000, 0xffff, 0x7fffffff, 0x80000000u, 0xffffffffu};
            const int width = rng() % 2 ? 2 : 4;
            if (n >= static_cast<size_t>(width)) {
                const size_t at = pick(n - width + 1);
                const uint32_t v = values[rng() % (sizeof values / sizeof values[0])];
                for (int i = 0; i < width; ++i)
                    in[at + i] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
            }
            break;
        }
        case 4:
            if (n)
                in.resize(pick(n));
            break;
        case 5: {  // remove a run
            if (n) {
                const size_t at = pick(n), len = 1 + pick(std::min<size_t>(n - at, 64));
                in.erase(in.begin() + at, in.begin() + std::min(n, at + len));
            }
            break;
        }
        case 6: {  // insert random bytes
            const size_t at = pick(n + 1), len = 1 + pick(64);
            Input run(len);
            for (auto& b : run)
                b = static_cast<uint8_t>(rng());
            in.insert(in.begin() + at, run.begin(), run.end());
            break;
        }
        case 7: {  // duplicate a run
            if (n) {
                const size_t from = pick(n), len = 1 + pick(std::min<size_t>(n - from, 256));
                const Input run(in.begin() + from, in.begin() + from + len);
                in.insert(in.begin() + pick(n + 1), run.begin(), run.end());
            }
            break;
        }
        case 8: {  // splice in a piece of another input
            const Input& other = pool[pick(pool.size())];
            if (!other.empty() && n) {
                const size_t from = pick(other.size()), len = 1 + pick(std::min<size_t>(other.size() - from, 512));
                const size_t at = pick(n);
                for (size_t i = 0; i < len && at + i < n; ++i)
                    in[at + i] = other[from + i];
            }
            break;
        }
        default:  // printable digits, for the text formats
            if (n)
                in[pick(n)] = static_cast<uint8_t>('0' + rng() % 10);
            break;
        }
    }
}

inline int run(int argc, char** argv)
{
    double seconds = 10;
    std::vector<Input> seeds;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-t") && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "-o") && i + 1 < argc) {
            finding_path() = argv[++i];
        } else {
            Input in;
            if (!read_file(argv[i], in)) {
                std::fprintf(stderr, "fuzz: cannot read %s\n", argv[i]);
                return 2;
            }
            seeds.push_back(in);
        }
    }
    for (const Input& s : fuzz_builtin_seeds())
        seeds.push_back(s);
    if (seeds.empty())
        seeds.push_back(Input());
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback([] { save_current(); });
#endif
    std::signal(SIGABRT, on_abort);
    std::signal(SIGPROF, on_timeout);

    for (const Input& s : seeds) {
        current() = s;
        run_one();
    }
    std::mt19937 rng(12345);
    std::vector<Input> pool = seeds;
    const size_t POOL_MAX = 64;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long runs = static_cast<long>(seeds.size());
    while (std::chrono::steady_clock::now() < end) {
        for (int batch = 0; batch < 16; ++batch) {
            current() = pool[rng() % pool.size()];
            mutate(current(), rng, pool);
            run_one();
            ++runs;
            // Mutants of mutants reach deeper; the seeds always stay.
            if (rng() % 8 == 0) {
                if (pool.size() < POOL_MAX)
                    pool.push_back(current());
                else if (POOL_MAX > seeds.size())
                    pool[seeds.size() + rng() % (POOL_MAX - seeds.size())] = current();
            }
        }
    }
    std::printf("fuzz: %ld inputs run in %.0f s without a finding\n", runs, seconds);
    return 0;
}

}  // namespace fuzz_driver

#ifndef VORLIN_LIBFUZZER
int main(int argc, char** argv)
{
    return fuzz_driver::run(argc, argv);
}
#endif
