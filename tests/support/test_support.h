// Shared set-up for the tests: the library without a display, the X colour
// layout, a back buffer, the built archive, and loops that run without a timer
// (the same headless start the soak and the benchmarks use).
#pragma once
#include "headless.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

// The factor VORLIN_TEST_PATIENCE (a whole number, default 1) puts on every
// ceiling a test waits up to for something that should happen (as the
// real-program scripts do): a busy machine may need more.
inline int test_patience()
{
    const char* s = std::getenv("VORLIN_TEST_PATIENCE");
    if (!s || std::strspn(s, "0123456789") != std::strlen(s) || std::strlen(s) == 0 || std::strlen(s) > 3)
        return 1;
    const int n = std::atoi(s);
    return n < 1 ? 1 : n;
}

// A suite over the built archive, read once at 32 bits: each test fails,
// naming the file, if it did not load.
class LoadedArchiveTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { loaded = headless_init(32) && headless_load_data(); }
    void SetUp() override { ASSERT_TRUE(loaded) << "data/vorlin.dat did not load"; }
    static inline bool loaded = false;
};
