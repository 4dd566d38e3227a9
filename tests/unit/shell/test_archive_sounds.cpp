// The archive's sound effects: format, loudness, click-free ends and a seamless engine loop.
#include "datidx.h"
#include "test_support.h"
#include "engine.h"

#include <algorithm>
#include <allegro.h>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

const double FULL_SCALE = 32768.0;
const int SILENCE_UNSIGNED = 0x8000;  // Allegro keeps 16-bit samples unsigned

// Loud enough to stand beside the others, with headroom so nothing clips.
const double MIN_PEAK = 0.7 * FULL_SCALE;
const double MAX_PEAK = 0.98 * FULL_SCALE;
const double MIN_RMS = 0.02 * FULL_SCALE;
// A sample end counts as silent within 1 % of full scale.
const double END_TOLERANCE = 0.01 * FULL_SCALE;
// A fade, not a step: the first half millisecond and the last five stay well below the peak.
const double FADE_IN_WINDOW_S = 0.0005;
const double FADE_IN_MAX_SHARE = 0.2;
const double FADE_OUT_WINDOW_S = 0.005;
const double FADE_OUT_MAX_SHARE = 0.1;

struct SoundCase {
    int index;
    const char* name;
    double min_s, max_s;
    bool looped;
};

const SoundCase SOUNDS[] = {
    {SND_BUMP, "bump", 0.08, 0.8, false},
    {SND_BALL_BURST, "ball burst", 0.08, 0.8, false},
    {SND_ONE_UP, "one-up", 0.3, 1.5, false},
    {SND_PLAYER_DEATH, "player death", 0.5, 3.0, false},
    {SND_ZAP, "zap", 0.1, 1.2, false},
    {SND_ENGINE, "engine", 0.25, 3.0, true},
    {SND_EXPLOSION, "explosion", 0.8, 4.0, false},
    {SND_RISE, "rise", 0.3, 2.0, false},
    {SND_SPIT, "spit", 0.08, 0.6, false},
    {SND_TURD_DIES, "turd dies", 0.1, 1.0, false},
    {SND_PLAYER_SHOT, "player shot", 0.04, 0.4, false},
};

class ArchiveSounds : public LoadedArchiveTest {
protected:
    static const SAMPLE* sample_of(const SoundCase& c)
    {
        return data[c.index].type == DAT_SAMPLE ? static_cast<const SAMPLE*>(data[c.index].dat) : nullptr;
    }
    // Signed values of a 16-bit mono sample.
    static std::vector<int> pcm_of(const SAMPLE* s)
    {
        const unsigned short* raw = static_cast<const unsigned short*>(s->data);
        std::vector<int> pcm(s->len);
        for (unsigned long i = 0; i < s->len; ++i)
            pcm[i] = static_cast<int>(raw[i]) - SILENCE_UNSIGNED;
        return pcm;
    }
};

int peak_of(const std::vector<int>& pcm, size_t from, size_t to)
{
    int peak = 0;
    for (size_t i = from; i < to && i < pcm.size(); ++i)
        peak = std::max(peak, std::abs(pcm[i]));
    return peak;
}

double percentile(std::vector<int> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * (values.size() - 1))];
}

TEST_F(ArchiveSounds, EverySampleIsMono16BitAtAGameRateAndOfSaneLength)
{
    for (const SoundCase& c : SOUNDS) {
        SCOPED_TRACE(c.name);
        const SAMPLE* s = sample_of(c);
        ASSERT_NE(s, nullptr) << "object " << c.index << " is not a sample";
        EXPECT_EQ(s->bits, 16);
        EXPECT_EQ(s->stereo, 0);
        EXPECT_TRUE(s->freq == 22050 || s->freq == 44100) << s->freq;
        const double seconds = static_cast<double>(s->len) / s->freq;
        EXPECT_GE(seconds, c.min_s);
        EXPECT_LE(seconds, c.max_s);
    }
}

TEST_F(ArchiveSounds, EverySampleIsLoudWithoutClipping)
{
    for (const SoundCase& c : SOUNDS) {
        SCOPED_TRACE(c.name);
        const SAMPLE* s = sample_of(c);
        ASSERT_NE(s, nullptr);
        const std::vector<int> pcm = pcm_of(s);
        const int peak = peak_of(pcm, 0, pcm.size());
        EXPECT_GE(peak, MIN_PEAK);
        EXPECT_LE(peak, MAX_PEAK);
        double energy = 0.0;
        for (int v : pcm)
            energy += static_cast<double>(v) * v;
        EXPECT_GE(std::sqrt(energy / pcm.size()), MIN_RMS);
    }
}

TEST_F(ArchiveSounds, OneShotsFadeInAndOutWithoutClick)
{
    for (const SoundCase& c : SOUNDS) {
        if (c.looped)
            continue;
        SCOPED_TRACE(c.name);
        const SAMPLE* s = sample_of(c);
        ASSERT_NE(s, nullptr);
        const std::vector<int> pcm = pcm_of(s);
        const double peak = peak_of(pcm, 0, pcm.size());
        EXPECT_LE(std::abs(pcm.front()), END_TOLERANCE);
        EXPECT_LE(std::abs(pcm.back()), END_TOLERANCE);
        const size_t head = static_cast<size_t>(FADE_IN_WINDOW_S * s->freq);
        const size_t tail = static_cast<size_t>(FADE_OUT_WINDOW_S * s->freq);
        EXPECT_LE(peak_of(pcm, 0, head), FADE_IN_MAX_SHARE * peak);
        EXPECT_LE(peak_of(pcm, pcm.size() - tail, pcm.size()), FADE_OUT_MAX_SHARE * peak);
    }
}

// The game loops the whole engine sample at half to full speed: the wrap from the last
// sample to the first must look like any other point of the waveform.
TEST_F(ArchiveSounds, EngineLoopsSeamlessly)
{
    const SoundCase engine = SOUNDS[5];
    ASSERT_EQ(engine.index, SND_ENGINE);
    const SAMPLE* s = sample_of(engine);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->loop_start, 0u);
    EXPECT_EQ(s->loop_end, s->len);
    const std::vector<int> pcm = pcm_of(s);
    const size_t n = pcm.size();
    ASSERT_GE(n, 3u);
    EXPECT_LE(std::abs(pcm.front()), END_TOLERANCE);
    EXPECT_LE(std::abs(pcm.back()), END_TOLERANCE);

    std::vector<int> steps, bends;
    for (size_t i = 1; i < n; ++i)
        steps.push_back(std::abs(pcm[i] - pcm[i - 1]));
    for (size_t i = 2; i < n; ++i)
        bends.push_back(std::abs(pcm[i] - 2 * pcm[i - 1] + pcm[i - 2]));
    const double usual_step = percentile(steps, 0.99);
    const double usual_bend = percentile(bends, 0.99);

    // The jump across the wrap is no bigger than the steps inside the loop...
    EXPECT_LE(std::abs(pcm[0] - pcm[n - 1]), usual_step);
    // ...and the slope carries on: both second differences that span the wrap are ordinary.
    EXPECT_LE(std::abs(pcm[0] - 2 * pcm[n - 1] + pcm[n - 2]), usual_bend);
    EXPECT_LE(std::abs(pcm[1] - 2 * pcm[0] + pcm[n - 1]), usual_bend);
}

}
