// Speed of the colour conversion and the solar schedule, the two called on every controller tick.
#include <benchmark/benchmark.h>

#include "colour/colour_temperature.h"
#include "colour/local_clock.h"
#include "colour/sun_schedule.h"

using namespace tintel;

// The common case: the same temperature as on the previous tick, answered from the cache.
static void KelvinToRgbCached(benchmark::State& state) {
    float r = 0, g = 0, b = 0;
    for (auto _ : state) {
        kelvinToRgb(3400, r, g, b);
        benchmark::DoNotOptimize(r + g + b);
    }
}
BENCHMARK(KelvinToRgbCached);

// A new temperature on every call, as during a transition: the full spectral integration.
static void KelvinToRgbUncached(benchmark::State& state) {
    float r = 0, g = 0, b = 0;
    float kelvin = 2000;
    for (auto _ : state) {
        kelvin = kelvin < 9000 ? kelvin + 0.5f : 2000;
        kelvinToRgb(kelvin, r, g, b);
        benchmark::DoNotOptimize(r + g + b);
    }
}
BENCHMARK(KelvinToRgbUncached);

// The schedule at a held clock and zone (no platform calls), and with the platform's clock and
// zone read afresh, as the controller does once a second.
static void LocalSunTimesSetClock(benchmark::State& state) {
    const SetLocalClock clock({2026, 6, 21, 21, 15, 0, 0}, platform::ZoneState{60, 60});
    SunTimes times;
    for (auto _ : state) {
        localSunTimes(readLocalTime(clock, 0), 52.5f, 13.4f, clock, times);
        benchmark::DoNotOptimize(times.now);
    }
}
BENCHMARK(LocalSunTimesSetClock);

static void LocalSunTimesSystemClock(benchmark::State& state) {
    const SystemLocalClock clock;
    SunTimes times;
    for (auto _ : state) {
        localSunTimes(readLocalTime(clock, 0), 52.5f, 13.4f, clock, times);
        benchmark::DoNotOptimize(times.now);
    }
}
BENCHMARK(LocalSunTimesSystemClock);
