// Minimal RIFF/WAVE writer: one fmt chunk (PCM, mono, 16-bit) and one data chunk.
#include "wav.h"

#include <cstdio>

namespace {
const int BITS_PER_SAMPLE = 16;
const int CHANNELS = 1;
const int PCM_FORMAT = 1;
const int FMT_CHUNK_BYTES = 16;

void put16(std::FILE* f, unsigned v)
{
    std::fputc(static_cast<int>(v & 255), f);
    std::fputc(static_cast<int>((v >> 8) & 255), f);
}

void put32(std::FILE* f, unsigned long v)
{
    put16(f, static_cast<unsigned>(v & 0xffff));
    put16(f, static_cast<unsigned>((v >> 16) & 0xffff));
}
}

bool write_wav(const std::string& path, const SynthSample& s)
{
    if (s.pcm.empty() || s.rate <= 0)
        return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const unsigned long data_bytes = s.pcm.size() * 2;
    std::fputs("RIFF", f);
    put32(f, 4 + 8 + FMT_CHUNK_BYTES + 8 + data_bytes);
    std::fputs("WAVEfmt ", f);
    put32(f, FMT_CHUNK_BYTES);
    put16(f, PCM_FORMAT);
    put16(f, CHANNELS);
    put32(f, static_cast<unsigned long>(s.rate));
    put32(f, static_cast<unsigned long>(s.rate) * CHANNELS * BITS_PER_SAMPLE / 8);
    put16(f, CHANNELS * BITS_PER_SAMPLE / 8);
    put16(f, BITS_PER_SAMPLE);
    std::fputs("data", f);
    put32(f, data_bytes);
    for (int16_t v : s.pcm)
        put16(f, static_cast<unsigned>(static_cast<uint16_t>(v)));
    return std::fclose(f) == 0;
}
