// Reads a capture of the game's sound output (raw 16-bit little-endian stereo
// at 44.1 kHz, as the test's ALSA file device writes it) and reports what a
// listener would notice: level and clipping, the sharp attacks of effects, and
// how each stretch of sound ends (a cut mid-waveform is a click).
//
// usage: sound_probe CAPTURE levels|bursts|stops [FROM_BYTE [TO_BYTE]]
//   levels   peak=P peak_dbfs=D full_scale=N frames=F nonzero=Z
//   bursts   one line "burst BYTE" per new sound over what already plays: a
//            block of BLOCK_MS whose peak is at least BURST_RATIO times the
//            highest peak of the BURST_LOOKBACK_MS before it (and at least
//            BURST_FLOOR), bursts at least BURST_GAP_MS apart. A level, not a
//            single jump: a period the output lost on a busy machine makes a
//            jump but no louder sound.
//   stops    one line "stop BYTE click=S click_dbfs=D" per end of sound: sound
//            followed by at least STOP_SILENCE_MS of digital silence, or by the
//            end of the capture (the output stops there). S is the largest jump
//            between neighbouring samples in the last CLICK_WINDOW_MS of the
//            sound and into the silence.
// Byte offsets are into the capture file (the test script marks moments by
// the file's size); a range is cut to whole frames.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const int RATE_HZ = 44100;
const int CHANNELS = 2;
const int BYTES_PER_FRAME = CHANNELS * 2;
const int FULL_SCALE = 32767;
const int BLOCK_MS = 5;
const int BURST_LOOKBACK_MS = 100;
const double BURST_RATIO = 1.5;
const int BURST_FLOOR = 1000;
const int BURST_GAP_MS = 60;
const int STOP_SILENCE_MS = 20;
const int CLICK_WINDOW_MS = 200;

struct Frame {
    int16_t ch[CHANNELS];
};

double dbfs(int level)
{
    return level > 0 ? 20.0 * std::log10(static_cast<double>(level) / FULL_SCALE) : -999.0;
}

int usage()
{
    std::fprintf(stderr, "usage: sound_probe CAPTURE levels|bursts|stops [FROM_BYTE [TO_BYTE]]\n");
    return 2;
}

bool silent(const Frame& f)
{
    return f.ch[0] == 0 && f.ch[1] == 0;
}

int jump(const Frame& a, const Frame& b)
{
    int most = 0;
    for (int c = 0; c < CHANNELS; c++)
        most = std::max(most, std::abs(static_cast<int>(a.ch[c]) - static_cast<int>(b.ch[c])));
    return most;
}

void levels(const std::vector<Frame>& f)
{
    int peak = 0;
    long full = 0, nonzero = 0;
    for (const Frame& x : f) {
        for (int16_t s : x.ch) {
            const int a = std::abs(static_cast<int>(s));
            peak = std::max(peak, a);
            if (a >= FULL_SCALE)
                full++;
        }
        if (!silent(x))
            nonzero++;
    }
    std::printf(
        "peak=%d peak_dbfs=%.1f full_scale=%ld frames=%zu nonzero=%ld\n", peak, dbfs(peak), full, f.size(), nonzero);
}

// `f` starts `context` frames before the range asked for: what plays before a
// range decides whether a sound at its start is new.
void bursts(const std::vector<Frame>& f, long first_byte, size_t context)
{
    const size_t block = static_cast<size_t>(RATE_HZ) * BLOCK_MS / 1000;
    const size_t lookback = BURST_LOOKBACK_MS / BLOCK_MS;
    const size_t gap = BURST_GAP_MS / BLOCK_MS;
    std::vector<int> peak(f.size() / block, 0);
    for (size_t b = 0; b < peak.size(); b++)
        for (size_t i = b * block; i < (b + 1) * block; i++)
            for (int16_t s : f[i].ch)
                peak[b] = std::max(peak[b], std::abs(static_cast<int>(s)));
    size_t last = 0;
    bool any = false;
    for (size_t b = 0; b < peak.size(); b++) {
        int before = 0;
        for (size_t k = b >= lookback ? b - lookback : 0; k < b; k++)
            before = std::max(before, peak[k]);
        if (peak[b] >= BURST_FLOOR && peak[b] >= BURST_RATIO * before && (!any || b - last >= gap)) {
            if (b * block >= context)
                std::printf("burst %ld\n", first_byte + static_cast<long>(b * block - context) * BYTES_PER_FRAME);
            last = b;
            any = true;
        }
    }
}

void stops(const std::vector<Frame>& f, long first_byte, bool capture_ends_here)
{
    const size_t silence = static_cast<size_t>(RATE_HZ) * STOP_SILENCE_MS / 1000;
    const size_t window = static_cast<size_t>(RATE_HZ) * CLICK_WINDOW_MS / 1000;
    const Frame zero = {{0, 0}};
    size_t i = 0;
    while (i < f.size()) {
        if (silent(f[i])) {
            i++;
            continue;
        }
        size_t end = i;  // one past the last frame of this stretch of sound
        size_t quiet = 0;
        size_t j = i;
        for (; j < f.size() && quiet < silence; j++) {
            if (silent(f[j])) {
                quiet++;
            } else {
                quiet = 0;
                end = j + 1;
            }
        }
        const bool at_capture_end = j == f.size() && quiet < silence;
        if (quiet >= silence || (at_capture_end && capture_ends_here)) {
            int click = 0;
            const size_t from = end > window ? end - window : 1;
            for (size_t k = std::max<size_t>(from, 1); k < end; k++)
                click = std::max(click, jump(f[k - 1], f[k]));
            click = std::max(click, jump(f[end - 1], end < f.size() ? f[end] : zero));
            std::printf("stop %ld click=%d click_dbfs=%.1f\n", first_byte + static_cast<long>(end) * BYTES_PER_FRAME,
                click, dbfs(click));
        }
        i = j;
    }
}

}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 5)
        return usage();
    const char* what = argv[2];
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::perror(argv[1]);
        return 1;
    }
    std::fseek(in, 0, SEEK_END);
    const long size = std::ftell(in);
    long from = argc > 3 ? std::atol(argv[3]) : 0;
    long to = argc > 4 ? std::atol(argv[4]) : size;
    to = std::min(to, size) / BYTES_PER_FRAME * BYTES_PER_FRAME;
    from = std::max(0L, from) / BYTES_PER_FRAME * BYTES_PER_FRAME;
    const bool want_bursts = std::strcmp(what, "bursts") == 0;
    const long wanted_from = from;
    if (want_bursts)  // whole blocks of context before the range
        from = std::max(0L, from - static_cast<long>(RATE_HZ) * BURST_LOOKBACK_MS / 1000 * BYTES_PER_FRAME);
    std::vector<Frame> frames(to > from ? (to - from) / BYTES_PER_FRAME : 0);
    std::fseek(in, from, SEEK_SET);
    if (!frames.empty() && std::fread(frames.data(), BYTES_PER_FRAME, frames.size(), in) != frames.size()) {
        std::fprintf(stderr, "sound_probe: %s: short read\n", argv[1]);
        return 1;
    }
    std::fclose(in);

    if (std::strcmp(what, "levels") == 0)
        levels(frames);
    else if (want_bursts)
        bursts(frames, wanted_from, static_cast<size_t>((wanted_from - from) / BYTES_PER_FRAME));
    else if (std::strcmp(what, "stops") == 0)
        stops(frames, from, to == size / BYTES_PER_FRAME * BYTES_PER_FRAME);
    else
        return usage();
    return 0;
}
