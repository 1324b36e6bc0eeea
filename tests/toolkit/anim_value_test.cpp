// Animated values and the colour transition policy: the easing curves, the look-ahead and end of
// glides, additive requests and the collapse of overlong glides, the transition durations, and a
// colour that turns back half-way without a jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/animate_temperature.h"
#include "toolkit/anim_value.h"
#include "toolkit/toolkit.h"

using yt::ytAnimRequest;
using yt::ytAnimValue;
using yt::ytBlend;

namespace {

// The clock the values under test read as "now".
double g_now = 0;
double testClock() {
    return g_now;
}

double mired(double kelvin) {
    return 1000000.0 / kelvin;
}

class AnimValue : public ::testing::Test {
protected:
    void SetUp() override { g_now = 0; }
};

using AnimateTemperature = AnimValue;

}  // namespace

// ---- curves ---------------------------------------------------------------------------------

// ---- ytAnimValue ----------------------------------------------------------------------------

// Glides requested one after another, then the values read at given times (read 20 ms ahead).
TEST_F(AnimValue, GlidesAddUpLookAheadAndEndOnTheTarget) {
    struct Glide {
        double from, to, start, end;
        ytBlend blend = ytBlend::Additive;
    };
    const auto plain = ytBlend::Plain;
    const struct {
        double start;
        std::vector<Glide> glides;
        size_t segments;
        std::vector<std::pair<double, double>> reads;  // time, value
        bool idle;
    } cases[] = {
        // 0.48 s is read as 0.50 s: half-way; 0.98 s as the end.
        {0, {{0, 10, 0, 1}}, 1, {{-1, 0}, {0.48, 5}, {0.98, 10}}, true},
        {100, {{20, 40, 0, 2}}, 1, {{-1, 20}, {2, 40}}, true},       // a request from elsewhere
        {0, {{0, 10, 0, 4}, {0, 10, 1, 5}}, 1, {{1.98, 5}}, false},  // for the final value
        {0, {{0, 10, 0, 10, plain}, {10, 30, 5, 15, plain}}, 2, {{4.98, 5}, {9.98, 20}}, false},
        {0, {{0, 8, 3, 3}}, 1, {{0, 8}}, true},     // zero length: finished, not waiting for 3 s
        {8, {{8, 0, 3, 3}}, 1, {{2.98, 0}}, true},  // no 0 / 0 at its own instant
        {8, {{8, 9, 6, 5}}, 1, {{0, 9}}, true},     // an end before the start
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const auto& c = cases[n];
        SCOPED_TRACE(n);
        ytAnimValue value(c.start, testClock);
        for (const Glide& g : c.glides)
            ASSERT_EQ(value.animateTo({yt::Smoothstep, g.from, g.to, g.start, g.end}, g.blend),
                      yt::kAnimOk);
        EXPECT_EQ(value.segments().size(), c.segments);
        EXPECT_EQ(value.finalValue(), c.glides.back().to);
        for (const auto& [time, expected] : c.reads)
            EXPECT_DOUBLE_EQ(value.get(time), expected) << "at " << time;
        EXPECT_EQ(value.isIdle(), c.idle);
    }
    // Busy after the end until something reads the value again.
    ytAnimValue value(2, testClock);
    value.animateTo({yt::Viscous, 2, 4, 0, 1}, ytBlend::Additive);
    g_now = 5;
    EXPECT_FALSE(value.isIdle());
    EXPECT_EQ(value.get(g_now), 4.0);
    EXPECT_TRUE(value.isIdle());
}

// An additive request collapses the glides that would end after 1.5 times its own duration into
// one from where the eye is; plain requests never collapse.
TEST_F(AnimValue, ShortAdditiveRequestsCollapseOverlongGlides) {
    const struct {
        double end;
        ytBlend blend;
        size_t segments;
    } cases[] = {
        {11, ytBlend::Additive, 1},  // until 11.5 s: the 60 s glide collapses
        {43, ytBlend::Additive, 1},  // 33 s allow until 59.5 s
        {44, ytBlend::Additive, 2},  // 34 s allow until 61 s: kept
        {11, ytBlend::Plain, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.end);
        g_now = 0;
        ytAnimValue value(0, testClock);
        value.animateTo({yt::Smoothstep, 0, 100, 0, 60}, ytBlend::Additive);
        g_now = 10;
        const double shown = value.get(g_now);
        value.animateTo({yt::Smoothstep, 100, 50, 10, c.end}, c.blend);
        ASSERT_EQ(value.segments().size(), c.segments);
        if (c.segments == 1) {
            EXPECT_DOUBLE_EQ(value.get(9.98), shown) << "no jump at the request";
            EXPECT_DOUBLE_EQ(value.segments()[0].offset, 50 - shown);
            EXPECT_EQ(value.get(c.end), 50.0) << "the long glide no longer pulls";
        }
    }
}

// ---- animateTemperature ---------------------------------------------------------------------

namespace {

struct DurationRow {
    double fromKelvin;
    int32_t toKelvin;
    double speed;
    double seconds;    // as tabled
    double tolerance;  // half a unit of the table's last digit
};

}  // namespace

TEST_F(AnimateTemperature, GlideDurationsFollowTheMiredChange) {
    const DurationRow rows[] = {
        {6500, 3400, 20, 20.0, 0.05},  {6500, 3400, 0.5, 0.50, 0.005},
        {6500, 5000, 20, 6.6, 0.05},   {6500, 5000, 0.5, 0.16, 0.005},
        {6500, 1900, 20, 53.2, 0.05},  {6500, 1900, 0.5, 1.33, 0.005},
        {6500, 1200, 20, 60.0, 1e-9},  {6500, 1200, 0.5, 1.5, 1e-9},
        {3400, 3350, 20, 0.63, 0.005},
    };
    for (const DurationRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.fromKelvin) + " K to " + std::to_string(row.toKelvin) +
                     " K at speed " + std::to_string(row.speed));
        g_now = 100;
        ytAnimValue colour(mired(row.fromKelvin), testClock);
        ASSERT_EQ(tintel::animateTemperature(colour, row.toKelvin, row.speed), 0);
        ASSERT_EQ(colour.segments().size(), 1u);
        const yt::ytAnimSegment& glide = colour.segments()[0];
        EXPECT_EQ(glide.startTime, 100.0);
        EXPECT_NEAR(glide.endTime - glide.startTime, row.seconds, row.tolerance);
        EXPECT_DOUBLE_EQ(colour.get(99), mired(row.fromKelvin));
        EXPECT_EQ(colour.finalValue(), mired(row.toKelvin));
    }
}

TEST_F(AnimateTemperature, TurnsBackHalfWayWithoutAJumpAndEndsOnTheStart) {
    ytAnimValue colour(mired(6500), testClock);
    ASSERT_EQ(tintel::animateTemperature(colour, 3400, 20), 0);
    // The steepest a smoothstep glide moves is 1.5 x its change / its duration; a glide back
    // moves the other way, so the sum is never steeper than one glide alone.
    const double change = mired(3400) - mired(6500);
    const double duration = colour.segments()[0].endTime;
    const double frame = 1.0 / 60.0;
    const double steepestStep = 1.5 * change / duration * frame;

    double previous = colour.get(0);
    double warmest = previous;
    double largestStep = 0;
    for (int i = 1; i <= 60 * 40; ++i) {
        g_now = i * frame;
        if (i == 600) {
            ASSERT_EQ(tintel::animateTemperature(colour, 6500, 20), 0);
        }
        const double shown = colour.get(g_now);
        largestStep = std::max(largestStep, std::fabs(shown - previous));
        warmest = std::max(warmest, shown);
        previous = shown;
    }
    EXPECT_LE(largestStep, steepestStep * 1.001);
    EXPECT_GT(warmest, mired(6500) + 0.4 * change) << "it did move towards 3400 K";
    EXPECT_LT(warmest, mired(3400)) << "and turned back before getting there";
    EXPECT_TRUE(colour.isIdle());
    EXPECT_EQ(previous, mired(6500)) << "exactly 6500 K at the end";
    EXPECT_EQ(colour.finalValue(), mired(6500));
}
