// Pump callbacks made of functions, for tests and probe programs that drive the toolkit's pump.
#pragma once

#include <functional>
#include <utility>

#include "toolkit/toolkit.h"

namespace testsupport {

// Answers what its function answers: milliseconds to the next run, or kCallbackRemove.
class FnCallback : public yt::ytCallBase {
public:
    explicit FnCallback(std::function<int()> run) : run_(std::move(run)) {}
    int Run() override { return run_(); }

private:
    std::function<int()> run_;
};

inline void addCallback(std::function<int()> run) {
    yt::AddCallback(new FnCallback(std::move(run)));
}

// Runs the pump until `done` says so (asked every 10 ms) or `limit` seconds have passed; the
// limit is a safety net for something that should have happened, not a measurement.
inline void pumpUntil(const std::function<bool()>& done, double limit) {
    bool keepRunning = true;
    const double end = yt::Clock() + limit;
    addCallback([&] {
        if (!done() && yt::Clock() < end) return 10;
        keepRunning = false;
        return yt::kCallbackRemove;
    });
    yt::RunLoop(20, &keepRunning);
}

}  // namespace testsupport
