// Benchmarks of ytFontCache: a build from the platform's outlines (what the first run on a machine
// pays per font), the load of the .ytf file it writes (what every later run pays), and drawing a
// status line.
#include <benchmark/benchmark.h>

#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/font_cache.h"

namespace {

void BM_FontCacheBuild(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        yt::ytFontCache font("Arial", size, 400, false);
        benchmark::DoNotOptimize(font.Build());
    }
}
BENCHMARK(BM_FontCacheBuild)->Arg(12)->Arg(18)->Unit(benchmark::kMillisecond);

void BM_FontCacheLoad(benchmark::State& state) {
    yt::ytFontCache built("Arial", static_cast<int>(state.range(0)), 400, false);
    built.Build();
    const std::vector<uint8_t> file = built.Serialize();
    for (auto _ : state) {
        yt::ytFontCache font("Arial", static_cast<int>(state.range(0)), 400, false);
        benchmark::DoNotOptimize(font.Load(file.data(), file.size()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_FontCacheLoad)->Arg(12)->Arg(18)->Unit(benchmark::kMicrosecond);

void BM_DrawStatusLine(benchmark::State& state) {
    yt::ytFontCache font("Arial", 12, 400, false);
    font.Build();
    yt::ytBitmap canvas(554, 20);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            font.Draw(canvas, 4, 2, "Sunset in 10 minutes (6500K, 1200K at night)", 0xFF000000u));
}
BENCHMARK(BM_DrawStatusLine)->Unit(benchmark::kMicrosecond);

}  // namespace
