// One schedule step of the day/night controller (sun times, modes, blends, status line, ramp).
// Settled: steps a second apart, as a hidden program runs them, each building and "sending" a
// ramp again (to no display: the step's own cost, without the display server's). Gliding: steps
// 16 ms apart through a day-night glide, every one a new colour.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/controller.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "colour/gamma_ramp.h"
#include "platform/process.h"
#include "toolkit/toolkit.h"

namespace {

double g_now = 1000.0;
double benchClock() {
    return g_now;
}

// A private preferences store for the run: never the user's own.
class BenchStore {
public:
    BenchStore() {
        folder_ = std::filesystem::temp_directory_path() /
                  ("tintel-bench-" + std::to_string(platform::currentProcessId()));
        std::filesystem::create_directories(folder_);
        platform::setEnvironmentVariable("XDG_CONFIG_HOME", folder_.string());
        yt::SetRegistryBaseName("tintel-bench-" + std::to_string(platform::currentProcessId()));
        tintel::RegDword(tintel::kPreferences, "Latitude", 3600).write(4500);
        tintel::RegDword(tintel::kPreferences, "Longitude", 0).write(1500);
    }
    ~BenchStore() {
        platform::deletePrefsTree(platform::Hive::CurrentUser, yt::RegistryBase());
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

private:
    std::filesystem::path folder_;
};

void runSteps(benchmark::State& state, double secondsPerStep, bool alternate) {
    BenchStore store;
    tintel::TintelController controller;
    tintel::SetLocalClock local({2024, 3, 20, 23, 0, 0}, {60, 0});
    {
        tintel::TintelUI ui(&controller, {benchClock, &local});
        int64_t n = 0;
        for (auto _ : state) {
            // A new target every 1250 steps (20 s at 16 ms) keeps the colour gliding.
            if (alternate && ++n % 1250 == 0) local.set({2024, 3, 20, (n / 1250) % 2 ? 12 : 23});
            g_now += secondsPerStep;
            ui.computeSchedule(0);
        }
        benchmark::DoNotOptimize(ui.statusLine().size());
    }
}

void BM_ScheduleStepSettled(benchmark::State& state) {
    runSteps(state, 1.0, false);
}
BENCHMARK(BM_ScheduleStepSettled);

void BM_ScheduleStepGliding(benchmark::State& state) {
    runSteps(state, 0.016, true);
}
BENCHMARK(BM_ScheduleStepGliding);

}  // namespace
