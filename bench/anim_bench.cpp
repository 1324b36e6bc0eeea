// ytAnimValue::get, which runs many times per frame: a still value, one glide, four overlapping
// glides (the colour during a turn-back plus mode blends). Glides are long enough that none ends
// during the run, so every call does the full evaluation.
#include <benchmark/benchmark.h>

#include "app/animate_temperature.h"
#include "toolkit/anim_value.h"

namespace {

double fixedClock() {
    return 0.0;
}

// get with state.range(0) running glides, alternating smoothstep and viscous curves.
void BM_AnimValueGet(benchmark::State& state) {
    yt::ytAnimValue value(153.8, fixedClock);
    for (int64_t i = 0; i < state.range(0); ++i) {
        const double from = value.finalValue();
        const yt::ytCurve curve = i % 2 ? yt::Viscous : yt::Smoothstep;
        value.animateTo({curve, from, from + 10.0 * (i % 2 ? -1 : 3), 0.0, 1e9 + i},
                        yt::ytBlend::Plain);
    }
    double t = 1.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value.get(t));
        t += 1e-3;
    }
    if (static_cast<int64_t>(value.segments().size()) != state.range(0))
        state.SkipWithError("a glide ended during the run");
}
BENCHMARK(BM_AnimValueGet)->Arg(0)->Arg(1)->Arg(4);

// The colour policy's per-frame call when the target has not changed (the common case).
void BM_AnimateTemperatureUnchanged(benchmark::State& state) {
    yt::ytAnimValue colour(1000000.0 / 6500.0, fixedClock);
    tintel::animateTemperature(colour, 3400, 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(tintel::animateTemperature(colour, 3400, 20));
    if (colour.segments().size() != 1) state.SkipWithError("the unchanged request added a glide");
}
BENCHMARK(BM_AnimateTemperatureUnchanged);

}  // namespace
