// ytAnimValue: a number whose final value is known at once while its visible value glides towards
// it along eased curves. New requests are added on top of running glides (additive animation), so
// the visible value never jumps.
//
// Contents
//   1. easing curves
//   2. requests and segments
//   3. ytAnimValue
#pragma once

#include <cstdint>
#include <vector>

namespace yt {

// ---- 1. easing curves -----------------------------------------------------------------------

// An easing curve maps progress 0..1 to 0..1.
using ytCurve = double (*)(double);

// s(x) = x^2 (3 - 2x): starts and ends with zero slope, steepest (1.5) at x = 0.5.
double Smoothstep(double x);
// A fast start that settles slowly, like a damped motion; 0 at 0, 1 at 1, never decreasing.
double Viscous(double x);

// ---- 2. requests and segments ---------------------------------------------------------------

// One glide request: move from startValue to targetValue between two toolkit clock times.
struct ytAnimRequest {
    ytCurve curve = Smoothstep;
    double startValue = 0;
    double targetValue = 0;
    double startTime = 0;  // seconds, toolkit clock
    double endTime = 0;    // seconds, toolkit clock
};

// A glide in progress. The final value already includes its change; while it runs, the visible
// value lags behind by (1 - curve(progress)) x offset.
struct ytAnimSegment {
    ytCurve curve = Smoothstep;
    double offset = 0;     // target - start, as requested
    double endOffset = 0;  // always 0
    double startTime = 0;
    double endTime = 0;
};

// How animateTo treats the glides already running.
enum class ytBlend {
    Plain,     // add the new glide on top, whatever the running ones are
    Additive,  // the same, but first collapse running glides that would outlast the new one
};

// ---- 3. ytAnimValue -------------------------------------------------------------------------

// Status codes of animateTo.
constexpr int32_t kAnimOk = 0;
constexpr int32_t kAnimNoMemory = 4;

class ytAnimValue {
public:
    // Where "now" comes from for animateTo and the owners' requests: the toolkit clock unless a
    // test hands in its own.
    using ClockSource = double (*)();

    explicit ytAnimValue(double initial = 0, ClockSource clock = nullptr);

    // The visible value at clock time t (evaluated 20 ms ahead: one frame of latency). Drops the
    // glides that have ended by then.
    double get(double t);
    // The value every glide ends at.
    double finalValue() const { return final_; }
    // True when no glide is stored. Only get drops glides, so a value becomes idle at the first
    // get after its last glide's end.
    bool isIdle() const { return segments_.empty(); }
    // Jumps to v: final value v, all glides dropped.
    void setNow(double v);
    // Adds a glide; kAnimOk, or kAnimNoMemory when it cannot be stored (the value is unchanged).
    // A request whose target equals the final value changes nothing.
    int32_t animateTo(const ytAnimRequest& request, ytBlend blend);

    // The clock reading animateTo calls "now".
    double now() const;

    // Set whenever a value is set or a glide is added; owners clear it when they have seen it.
    bool setFlag() const { return setFlag_; }
    void clearSetFlag() { setFlag_ = false; }

    // The glides still stored, oldest first.
    const std::vector<ytAnimSegment>& segments() const { return segments_; }

private:
    bool setFlag_ = false;
    double final_ = 0;
    std::vector<ytAnimSegment> segments_;
    ClockSource clock_;
};

}  // namespace yt
