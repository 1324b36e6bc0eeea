// Postal code lookups while the user types (every keystroke of a five-digit text) and the
// coordinate text the dialog's status line writes: a binary search over the built-in table
// against the linear walk it replaces, found and missing codes.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "location/coordinates.h"
#include "location/postal_codes.h"

namespace {

using tintel::kPostalCodeTable;
using tintel::LocationRecord;

// The first-to-last walk over the codes, for comparison.
int32_t linearLookup(uint32_t code, LocationRecord* record) {
    for (uint32_t i = 0; i < kPostalCodeTable.count; ++i)
        if (kPostalCodeTable.codes[i] == code) {
            record->postalCode = code;
            record->latitude = kPostalCodeTable.latitudes[i] / 32.0f;
            record->longitude = kPostalCodeTable.longitudes[i] / 32.0f;
            return 0;
        }
    return -1;
}

// Cycles through every listed code (state.range(0) == 0) or every code one above a listed one,
// most of which are missing (1).
template <int32_t (*Lookup)(uint32_t, LocationRecord*)>
void BM_Lookup(benchmark::State& state) {
    const uint32_t offset = static_cast<uint32_t>(state.range(0));
    uint32_t i = 0;
    LocationRecord record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Lookup(kPostalCodeTable.codes[i] + offset, &record));
        if (++i == kPostalCodeTable.count) i = 0;
    }
}

int32_t binaryLookup(uint32_t code, LocationRecord* record) {
    return tintel::LookupPostalCode(code, record);
}

void BM_StatusLine(benchmark::State& state) {
    const LocationRecord record{90210, 34.09375f, -118.40625f};
    for (auto _ : state)
        benchmark::DoNotOptimize(tintel::FormatCoordinates(
            record, tintel::RegionName::Append, nullptr, tintel::CoordinateForm::Long, -480));
}

}  // namespace

BENCHMARK_TEMPLATE(BM_Lookup, binaryLookup)->Arg(0)->Arg(1);
BENCHMARK_TEMPLATE(BM_Lookup, linearLookup)->Arg(0)->Arg(1);
BENCHMARK(BM_StatusLine);
