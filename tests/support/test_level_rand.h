// A scripted C library generator for the level tests: this program's rand()
// replaces the library's, so a test decides every draw the level code makes.
#pragma once
#include <cstdlib>
#include <deque>

namespace scripted_rand {
// Draws handed out first, in order.
inline std::deque<int> queue;
// Once the queue is empty: spread-out even values (an even draw fails every 1-in-2
// chance roll), or odd ones for the next `odd_draws` draws.
inline unsigned state = 12345;
inline int odd_draws = 0;
inline long draws = 0;
inline void reset(unsigned seed = 12345)
{
    queue.clear();
    state = seed;
    odd_draws = 0;
    draws = 0;
}
}  // namespace scripted_rand

int rand() noexcept
{
    using namespace scripted_rand;
    ++draws;
    if (!queue.empty()) {
        const int v = queue.front();
        queue.pop_front();
        return v;
    }
    state = state * 1103515245u + 12345u;
    int v = static_cast<int>((state >> 8) & 0x7ffffe);
    if (odd_draws > 0) {
        --odd_draws;
        v |= 1;
    }
    return v;
}
