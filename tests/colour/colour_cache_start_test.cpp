// The colour conversion's process-wide cache before any other call: its initial contents answer
// 0 K. This needs a process of its own, since any earlier conversion fills the cache.
#include <gtest/gtest.h>

#include "colour/colour_temperature.h"

TEST(BlackbodyRgbCache, ZeroKelvinFirstAnswersTheInitialZeros) {
    float r = 0.5f, g = 0.5f, b = 0.5f;
    tintel::blackbodyRgb(0, 0, 0, r, g, b);
    EXPECT_EQ(r, 0.0f);
    EXPECT_EQ(g, 0.0f);
    EXPECT_EQ(b, 0.0f);
    // After a real conversion 0 K no longer hits the cache and gives no colour at all.
    tintel::blackbodyRgb(3000, 0, 0, r, g, b);
    EXPECT_EQ(r, 1.0f);
    tintel::blackbodyRgb(0, 0, 0, r, g, b);
    EXPECT_EQ(r, 1.0f);
    EXPECT_GT(g, 0.0f);
}
