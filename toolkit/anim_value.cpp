// ytAnimValue: additive eased glides, and the smoothstep and viscous curves.
#include "toolkit/anim_value.h"

#include <cmath>
#include <new>

#include "toolkit/toolkit.h"

namespace yt {
namespace {

// The value is evaluated this far ahead of the time asked for: the frame being prepared is shown
// about one 50 Hz frame later.
constexpr double kLookAhead = 0.02;

// A running glide is collapsed when it would end later than this many times the new glide's
// duration from now.
constexpr double kLongGlideFactor = 1.5;

// e^-1 in single precision, as the viscous curve's upper branch uses it. Being the float nearest
// to e^-1 it lies slightly above the double value, so the branches meet without a downward step.
constexpr double kInvEFloat = static_cast<double>(0.36787944117144233f);

// The unnormalised viscous motion over y in 0..8: for y < 1 a body accelerating against friction
// (y - (1 - e^-y)), then an exponential approach that covers the remaining distance.
double viscousRaw(double y) {
    if (y < 1.0) return y - (1.0 - std::exp(-y));
    return kInvEFloat + (1.0 - kInvEFloat) * (1.0 - std::exp(-(y - 1.0)));
}

// Progress through a segment at time t, clamped to 0..1 (a NaN time counts as not started).
double progress(const ytAnimSegment& s, double t) {
    const double p = (t - s.startTime) / (s.endTime - s.startTime);
    return p > 0.0 ? (p < 1.0 ? p : 1.0) : 0.0;
}

}  // namespace

// Smoothstep: x^2 (3 - 2x).
double Smoothstep(double x) {
    return x * x * (3.0 - 2.0 * x);
}

// Viscous: N g(8x) for x inside 0..1, with N = 1 / g(8) so that the curve reaches 1 at x = 1.
double Viscous(double x) {
    if (!(x > 0.0)) return 0.0;
    if (x >= 1.0) return 1.0;
    // Computed on first use; the language makes the first initialisation thread-safe.
    static const double normaliser = 1.0 / viscousRaw(8.0);
    return normaliser * viscousRaw(8.0 * x);
}

ytAnimValue::ytAnimValue(double initial, ClockSource clock) : final_(initial), clock_(clock) {}

// The clock reading that counts as "now" for requests.
double ytAnimValue::now() const {
    return clock_ ? clock_() : Clock();
}

// The final value minus the part of each glide still to come at t + 20 ms.
double ytAnimValue::get(double t) {
    const double ahead = t + kLookAhead;
    if (segments_.empty()) return final_;
    // A glide of zero (or negative) length has nothing to show: it counts as finished.
    std::erase_if(segments_, [ahead](const ytAnimSegment& s) {
        return s.endTime <= ahead || s.endTime <= s.startTime;
    });
    double v = final_;
    for (const ytAnimSegment& s : segments_)
        v += (1.0 - s.curve(progress(s, ahead))) * (s.endOffset - s.offset);
    return v;
}

// Drops every glide and shows v at once.
void ytAnimValue::setNow(double v) {
    final_ = v;
    setFlag_ = true;
    segments_.clear();
}

// Adds one glide on top of the running ones (collapsing overlong ones first when additive).
int32_t ytAnimValue::animateTo(const ytAnimRequest& request, ytBlend blend) {
    if (final_ == request.targetValue) return kAnimOk;
    double startValue = request.startValue;

    if (blend == ytBlend::Additive && !segments_.empty()) {
        const double remembered = final_;
        const double t = now();
        const double limit = t + kLongGlideFactor * (request.endTime - request.startTime);
        for (size_t i = 0; i < segments_.size(); ++i) {
            if (segments_[i].endTime <= limit) continue;
            DebugLog("Resetting because %d (%f) is too long.\n", static_cast<int>(i),
                     segments_[i].endTime);
            final_ = get(t);
            segments_.clear();
            // A request made from the old final value now starts where the eye is.
            if (final_ != remembered && startValue == remembered) startValue = final_;
            break;
        }
    }

    try {
        // A request without a curve gets the default smoothstep rather than a crash in get.
        segments_.push_back({request.curve ? request.curve : Smoothstep,
                             request.targetValue - startValue, 0.0, request.startTime,
                             request.endTime});
    } catch (const std::bad_alloc&) {
        return kAnimNoMemory;
    }
    setFlag_ = true;
    // final + (target - start); when the request starts from the final value that is the target
    // itself, taken exactly so that the value ends on it without rounding drift.
    final_ =
        startValue == final_ ? request.targetValue : final_ + (request.targetValue - startValue);
    if (segments_.size() == 1) final_ = request.targetValue;
    return kAnimOk;
}

}  // namespace yt
