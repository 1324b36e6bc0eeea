// The backlight level scan over driver level lists, and the range reading of continuous controls.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "colour/backlight.h"

using tintel::BacklightReading;
using tintel::scanBacklightLevels;

namespace {

// A driver's answer: the levels, then zeros up to 256 bytes.
std::array<uint8_t, 256> levelList(std::initializer_list<uint8_t> levels) {
    std::array<uint8_t, 256> list{};
    std::copy(levels.begin(), levels.end(), list.begin());
    return list;
}

}  // namespace

TEST(BacklightScan, PlacesTheCurrentLevelInAnElevenStepList) {
    const auto list = levelList({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
    const BacklightReading r = scanBacklightLevels(list, 40);
    ASSERT_TRUE(r.valid);
    EXPECT_FLOAT_EQ(r.position, 0.4f);
    EXPECT_FLOAT_EQ(r.levelFraction, 0.4f);
    EXPECT_EQ(r.currentIndex, 4);
    EXPECT_EQ(r.maxIndex, 10);

    const BacklightReading lowest = scanBacklightLevels(list, 0);
    ASSERT_TRUE(lowest.valid) << "index 0 may hold a zero level";
    EXPECT_EQ(lowest.position, 0.0f);
    EXPECT_EQ(scanBacklightLevels(list, 100).position, 1.0f);
}

TEST(BacklightScan, RefusesLevelsItCannotPlace) {
    const auto list = levelList({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100});
    const BacklightReading absent = scanBacklightLevels(list, 45);
    EXPECT_FALSE(absent.valid);
    EXPECT_EQ(absent.currentIndex, -1);
    EXPECT_EQ(absent.position, 1.0f);
    EXPECT_EQ(absent.levelFraction, 1.0f);

    const BacklightReading single = scanBacklightLevels(levelList({100}), 100);
    EXPECT_FALSE(single.valid) << "one level gives no position";
    EXPECT_EQ(single.maxIndex, 0);
    EXPECT_FALSE(scanBacklightLevels(levelList({}), 0).valid) << "an unanswered request";
    EXPECT_FALSE(scanBacklightLevels(levelList({0, 0, 50}), 50).valid)
        << "the list ends at its first zero after index 0";
    EXPECT_FALSE(scanBacklightLevels({}, 0).valid);
}

TEST(BacklightScan, TakesTheListInTheOrderTheDriverGivesIt) {
    // Not sorted: the position is the list index; the level fraction divides by the last entry.
    const BacklightReading r = scanBacklightLevels(levelList({10, 100, 40, 70}), 40);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.currentIndex, 2);
    EXPECT_FLOAT_EQ(r.position, 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(r.levelFraction, 40.0f / 70.0f);

    // A level listed twice counts at its last place.
    const BacklightReading twice = scanBacklightLevels(levelList({5, 20, 20, 40, 60}), 20);
    EXPECT_EQ(twice.currentIndex, 2);
    EXPECT_FLOAT_EQ(twice.position, 0.5f);
}

TEST(BacklightScan, AListWithoutATerminatingZeroRunsToItsEnd) {
    std::array<uint8_t, 256> full{};
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>(1 + i / 3);  // 1 .. 86, each three times
    const BacklightReading r = scanBacklightLevels(full, 86);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.maxIndex, 255);
    EXPECT_EQ(r.currentIndex, 255);
    EXPECT_EQ(r.position, 1.0f);

    const std::vector<uint8_t> shortList{20, 40, 60};
    const BacklightReading s = scanBacklightLevels(shortList, 40);
    ASSERT_TRUE(s.valid);
    EXPECT_EQ(s.maxIndex, 2);
    EXPECT_FLOAT_EQ(s.position, 0.5f);
    EXPECT_FLOAT_EQ(s.levelFraction, 40.0f / 60.0f);
}

TEST(BacklightRange, EveryStepOfTheScaleIsALevel) {
    const BacklightReading r = tintel::rangeBacklightReading(1200, 4800);
    ASSERT_TRUE(r.valid);
    EXPECT_FLOAT_EQ(r.position, 0.25f);
    EXPECT_FLOAT_EQ(r.levelFraction, 0.25f);
    EXPECT_EQ(r.maxIndex, 4800);
    EXPECT_EQ(r.currentIndex, 1200);
    EXPECT_EQ(tintel::rangeBacklightReading(0, 1).position, 0.0f);
    EXPECT_EQ(tintel::rangeBacklightReading(7, 7).position, 1.0f);

    EXPECT_FALSE(tintel::rangeBacklightReading(0, 0).valid) << "an empty scale";
    EXPECT_FALSE(tintel::rangeBacklightReading(5, 4).valid) << "above the top of the scale";
    EXPECT_FALSE(tintel::rangeBacklightReading(-1, 4).valid);
}
