// The backlight level scan over driver level lists, and the range reading of continuous controls.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "colour/backlight.h"

using tintel::BacklightReading;

namespace {

// No reading leaves the full level and the top position; a reading places the level in its list.
void expectReading(const BacklightReading& got, const BacklightReading& want) {
    EXPECT_EQ(got.valid, want.valid);
    EXPECT_FLOAT_EQ(got.position, want.position);
    EXPECT_FLOAT_EQ(got.levelFraction, want.levelFraction);
    if (!want.valid) return;
    EXPECT_EQ(got.maxIndex, want.maxIndex);
    EXPECT_EQ(got.currentIndex, want.currentIndex);
}

}  // namespace

TEST(BacklightScan, PlacesTheCurrentLevelInTheDriversList) {
    // 1 .. 86, each three times, and no terminating zero: the list runs to its end.
    std::vector<uint8_t> full(256);
    for (size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<uint8_t>(1 + i / 3);
    const std::vector<uint8_t> eleven = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    const struct {
        std::vector<uint8_t> levels;  // zeros follow up to 256 bytes unless `exact`
        bool exact;
        uint8_t current;
        BacklightReading want;  // valid, level fraction, position, max index, current index
    } rows[] = {
        {eleven, false, 40, {true, 0.4f, 0.4f, 10, 4}},
        {eleven, false, 0, {true, 0, 0, 10, 0}},  // index 0 may hold a zero level
        {eleven, false, 100, {true, 1, 1, 10, 10}},
        {eleven, false, 45, {false, 1, 1}},  // not in the list
        // Unsorted: the position is the index; the level fraction divides by the last entry.
        {{10, 100, 40, 70}, false, 40, {true, 40.0f / 70, 2.0f / 3, 3, 2}},
        {{5, 20, 20, 40, 60}, false, 20, {true, 20.0f / 60, 0.5f, 4, 2}},  // the last place
        {full, true, 86, {true, 1, 1, 255, 255}},
        {{20, 40, 60}, true, 40, {true, 40.0f / 60, 0.5f, 2, 1}},
        {{100}, false, 100, {false, 1, 1}},      // one level gives no position
        {{}, false, 0, {false, 1, 1}},           // an unanswered request
        {{0, 0, 50}, false, 50, {false, 1, 1}},  // ends at its first zero after 0
        {{}, true, 0, {false, 1, 1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.levels.size() << " levels, " << int(row.current));
        std::vector<uint8_t> list = row.levels;
        if (!row.exact) list.resize(256);
        expectReading(tintel::scanBacklightLevels(list, row.current), row.want);
    }
}
