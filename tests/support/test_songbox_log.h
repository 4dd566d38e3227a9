// A song box that writes down every call the screens make, then behaves as
// the real one underneath (muted, as the shipped game runs it), so a test can
// check which songs each screen asks for and when.
#pragma once
#include "music.h"
#include <functional>
#include <string>
#include <vector>

class SONGBOX_LOG : public SONGBOX {
public:
    // Calls in order, as "play 3", "seek 6000", "stop", "pause", "resume",
    // "volume -1", "slide -4". poll() is only counted: screens call it every tick.
    std::vector<std::string> calls;
    int polls = 0;
    // Runs after a call has been written down (not for polls).
    std::function<void(const std::string&)> on_call;

    SONGBOX_LOG() { set_mute(true); }

    void play(int song) override
    {
        note("play " + std::to_string(song));
        SONGBOX::play(song);
    }
    void stop() override
    {
        note("stop");
        SONGBOX::stop();
    }
    void set_paused(bool p) override
    {
        note(p ? "pause" : "resume");
        SONGBOX::set_paused(p);
    }
    void set_volume(int v) override
    {
        note("volume " + std::to_string(v));
        SONGBOX::set_volume(v);
    }
    void slide_volume(int d) override
    {
        note("slide " + std::to_string(d));
        SONGBOX::slide_volume(d);
    }
    void seek(int ms) override
    {
        note("seek " + std::to_string(ms));
        SONGBOX::seek(ms);
    }
    void poll() override
    {
        ++polls;
        SONGBOX::poll();
    }

    // Other entries (screen marks of a test) interleaved with the calls.
    void mark(const std::string& s) { calls.push_back("> " + s); }

private:
    void note(const std::string& s)
    {
        calls.push_back(s);
        if (on_call)
            on_call(s);
    }
};

// `calls` with runs of one repeated call written once as "call xN".
inline std::vector<std::string> runs_of(const std::vector<std::string>& calls)
{
    std::vector<std::string> out;
    size_t i = 0;
    while (i < calls.size()) {
        size_t j = i;
        while (j < calls.size() && calls[j] == calls[i])
            ++j;
        out.push_back(j - i == 1 ? calls[i] : calls[i] + " x" + std::to_string(j - i));
        i = j;
    }
    return out;
}
