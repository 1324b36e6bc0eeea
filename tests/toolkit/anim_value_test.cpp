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

TEST(AnimCurves, BothRunFromZeroToOneAndNeverTurnBack) {
    for (yt::ytCurve curve : {yt::Smoothstep, yt::Viscous}) {
        EXPECT_EQ(curve(0.0), 0.0);
        EXPECT_EQ(curve(1.0), 1.0);
        double previous = 0.0;
        for (int i = 1; i <= 100000; ++i) {
            const double v = curve(i / 100000.0);
            ASSERT_GE(v, previous) << "at x = " << i / 100000.0;
            ASSERT_LE(v, 1.0) << "at x = " << i / 100000.0;
            previous = v;
        }
    }
    EXPECT_EQ(yt::Smoothstep(0.5), 0.5);
    // Outside 0..1 the viscous curve holds its ends.
    EXPECT_EQ(yt::Viscous(-0.25), 0.0);
    EXPECT_EQ(yt::Viscous(1.5), 1.0);
    EXPECT_EQ(yt::Viscous(std::nan("")), 0.0);
}

TEST(AnimCurves, ViscousIsContinuousWhereItsTwoBranchesMeet) {
    // The branches meet at x = 1/8 (y = 1); their single and double precision e^-1 differ by
    // about 1e-8, which must not show as a step.
    const double seam = 1.0 / 8.0;
    const double below = yt::Viscous(std::nextafter(seam, 0.0));
    const double at = yt::Viscous(seam);
    EXPECT_GE(at, below);
    EXPECT_LT(at - below, 1e-7);
    // Fast start, slow end: most of the way is covered in the first quarter of the time.
    EXPECT_GT(yt::Viscous(0.25), 0.5);
    EXPECT_LT(yt::Viscous(0.99), 1.0);
    // Normalised so that it arrives at 1 without a final step.
    EXPECT_NEAR(yt::Viscous(std::nextafter(1.0, 0.0)), 1.0, 1e-12);
}

// ---- ytAnimValue ----------------------------------------------------------------------------

TEST_F(AnimValue, LooksTwentyMillisecondsAheadAndEndsOnTheTarget) {
    ytAnimValue value(0, testClock);
    ASSERT_EQ(value.animateTo({yt::Smoothstep, 0, 10, 0, 1}, ytBlend::Additive), yt::kAnimOk);
    EXPECT_TRUE(value.setFlag());
    EXPECT_EQ(value.finalValue(), 10.0);
    EXPECT_EQ(value.get(-1), 0.0) << "before its start a glide shows its start value";
    EXPECT_DOUBLE_EQ(value.get(0.48), 5.0) << "0.48 s is read as 0.50 s: half-way";
    EXPECT_LT(value.get(0.97), 10.0);
    EXPECT_FALSE(value.isIdle());
    EXPECT_EQ(value.get(0.98), 10.0) << "0.98 s is read as the end";
    EXPECT_TRUE(value.isIdle());

    ytAnimValue elsewhere(100, testClock);
    elsewhere.animateTo({yt::Smoothstep, 20, 40, 0, 2}, ytBlend::Additive);
    EXPECT_EQ(elsewhere.finalValue(), 40.0) << "a request from elsewhere ends on its target";
    EXPECT_EQ(elsewhere.get(-1), 20.0);
}

TEST_F(AnimValue, StaysBusyAfterTheEndUntilTheNextGet) {
    ytAnimValue value(2, testClock);
    value.animateTo({yt::Viscous, 2, 4, 0, 1}, ytBlend::Additive);
    g_now = 5;
    EXPECT_FALSE(value.isIdle()) << "nothing has looked at the value since the glide ended";
    EXPECT_EQ(value.get(g_now), 4.0);
    EXPECT_TRUE(value.isIdle());

    value.clearSetFlag();
    value.setNow(7);
    EXPECT_TRUE(value.setFlag());
    EXPECT_EQ(value.get(0), 7.0);
}

TEST_F(AnimValue, RequestsForTheFinalValueChangeNothing) {
    ytAnimValue value(0, testClock);
    value.animateTo({yt::Smoothstep, 0, 10, 0, 4}, ytBlend::Additive);
    value.clearSetFlag();
    value.animateTo({yt::Smoothstep, 0, 10, 1, 5}, ytBlend::Additive);
    EXPECT_EQ(value.segments().size(), 1u);
    EXPECT_FALSE(value.setFlag());
    EXPECT_DOUBLE_EQ(value.get(1.98), 5.0) << "the first glide was not restarted";
}

TEST_F(AnimValue, OverlappingGlidesAddUp) {
    ytAnimValue value(0, testClock);
    value.animateTo({yt::Smoothstep, 0, 10, 0, 10}, ytBlend::Plain);
    value.animateTo({yt::Smoothstep, 10, 30, 5, 15}, ytBlend::Plain);
    EXPECT_EQ(value.finalValue(), 30.0);
    ASSERT_EQ(value.segments().size(), 2u);
    // At 5 s the first is half-way (5 of 10) and the second has not moved yet.
    EXPECT_DOUBLE_EQ(value.get(4.98), 5.0);
    // At 10 s the first has ended and the second is half-way (10 of 20).
    EXPECT_DOUBLE_EQ(value.get(9.98), 20.0);
    EXPECT_EQ(value.segments().size(), 1u);
    EXPECT_EQ(value.get(14.98), 30.0);
}

TEST_F(AnimValue, AZeroLengthGlideCountsAsFinished) {
    ytAnimValue value(0, testClock);
    value.animateTo({yt::Smoothstep, 0, 8, 3, 3}, ytBlend::Additive);
    EXPECT_FALSE(value.isIdle());
    EXPECT_EQ(value.get(0), 8.0) << "not a step still waiting to happen at 3 s";
    EXPECT_TRUE(value.isIdle());
    value.animateTo({yt::Smoothstep, 8, 0, 3, 3}, ytBlend::Additive);
    EXPECT_EQ(value.get(2.98), 0.0) << "no 0 / 0 at the glide's own instant";
    value.animateTo({yt::Smoothstep, 8, 9, 6, 5}, ytBlend::Additive);
    EXPECT_EQ(value.get(0), 9.0) << "an end before the start is no glide either";
}

TEST_F(AnimValue, AShortAdditiveRequestCollapsesAnOverlongGlide) {
    ytAnimValue value(0, testClock);
    value.animateTo({yt::Smoothstep, 0, 100, 0, 60}, ytBlend::Additive);
    g_now = 10;
    const double shown = value.get(g_now);
    value.animateTo({yt::Smoothstep, 100, 0, 10, 11}, ytBlend::Additive);
    ASSERT_EQ(value.segments().size(), 1u);
    EXPECT_DOUBLE_EQ(value.segments()[0].offset, -shown) << "from where the eye is to 0";
    EXPECT_DOUBLE_EQ(value.get(9.98), shown) << "no jump at the request";
    EXPECT_EQ(value.get(10.98), 0.0) << "the long glide no longer pulls";
    EXPECT_TRUE(value.isIdle());
}

TEST_F(AnimValue, GlidesEndingWithinOneAndAHalfRequestsOrPlainRequestsAreKept) {
    ytAnimValue value(0, testClock);
    value.animateTo({yt::Smoothstep, 0, 100, 0, 60}, ytBlend::Additive);
    g_now = 10;
    // The glide ends at 60 s; a 34 s request allows until 10 + 1.5 x 34 = 61 s.
    value.animateTo({yt::Smoothstep, 100, 50, 10, 44}, ytBlend::Additive);
    EXPECT_EQ(value.segments().size(), 2u);
    // A 33 s request allows only until 59.5 s: too short for the glide that ends at 60 s.
    ytAnimValue other(0, testClock);
    other.animateTo({yt::Smoothstep, 0, 100, 0, 60}, ytBlend::Additive);
    other.animateTo({yt::Smoothstep, 100, 50, 10, 43}, ytBlend::Additive);
    EXPECT_EQ(other.segments().size(), 1u);
    // A plain request never collapses, however short.
    value.animateTo({yt::Smoothstep, 50, 0, 10, 11}, ytBlend::Plain);
    EXPECT_EQ(value.segments().size(), 3u);
    EXPECT_EQ(value.finalValue(), 0.0);
    EXPECT_GT(std::fabs(value.get(11)), 10.0) << "the longer glides still lag behind";
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

TEST_F(AnimateTemperature, TinyChangesAreSetAtOnceOnlyWhenNothingMoves) {
    ytAnimValue colour(mired(3400), testClock);
    ASSERT_EQ(tintel::animateTemperature(colour, 3350, 0.5), 0);
    EXPECT_TRUE(colour.isIdle()) << "a 0.016 s glide on a still value is a jump";
    EXPECT_EQ(colour.get(0), mired(3350));

    // While moving, even a tiny change glides; being that short, it collapses the 14 s glide to
    // 5000 K where it stands and takes over from there.
    ASSERT_EQ(tintel::animateTemperature(colour, 5000, 20), 0);
    ASSERT_EQ(tintel::animateTemperature(colour, 4950, 0.5), 0);
    ASSERT_EQ(colour.segments().size(), 1u);
    EXPECT_NEAR(colour.segments()[0].endTime - colour.segments()[0].startTime, 0.0072, 0.0001);
    EXPECT_FALSE(colour.isIdle());
    EXPECT_EQ(colour.get(0.01), mired(4950));
}

TEST_F(AnimateTemperature, RefusesNoTemperatureAndIgnoresTheCurrentOne) {
    ytAnimValue colour(mired(6500), testClock);
    EXPECT_EQ(tintel::animateTemperature(colour, 0, 20), -1);
    EXPECT_EQ(tintel::animateTemperature(colour, -3400, 20), -1);
    EXPECT_EQ(tintel::animateTemperature(colour, 6500, 20), 0);
    EXPECT_TRUE(colour.isIdle());
    EXPECT_EQ(colour.finalValue(), mired(6500));

    ASSERT_EQ(tintel::animateTemperature(colour, 3400, 20), 0);
    g_now = 5;
    ASSERT_EQ(tintel::animateTemperature(colour, 3400, 20), 0);
    EXPECT_EQ(colour.segments().size(), 1u) << "asking again every frame adds nothing";

    // A final value that is the target to the kelvin counts as the target.
    colour.animateTo({yt::Smoothstep, colour.finalValue(), mired(4000) + 1e-4, 5, 6},
                     ytBlend::Plain);
    ASSERT_EQ(tintel::animateTemperature(colour, 4000, 20), 0);
    EXPECT_EQ(colour.segments().size(), 2u);
    EXPECT_EQ(colour.finalValue(), mired(4000) + 1e-4);
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

TEST_F(AnimateTemperature, EndsExactlyOnTheStartAfterTurningBackFromAFarTarget) {
    // 833.3 + (153.8 - 833.3) is not 153.8 in doubles; the value must still end on 6500 K.
    ytAnimValue colour(mired(6500), testClock);
    ASSERT_EQ(tintel::animateTemperature(colour, 1200, 20), 0);
    g_now = 10;
    ASSERT_EQ(tintel::animateTemperature(colour, 6500, 20), 0);
    ASSERT_EQ(colour.segments().size(), 2u) << "the first glide ends in time: no collapse";
    EXPECT_EQ(colour.get(70), mired(6500));
    EXPECT_TRUE(colour.isIdle());
}
