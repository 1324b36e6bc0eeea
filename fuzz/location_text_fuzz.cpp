// libFuzzer target for the location dialog's readers: the typed text (ParseLocationText and
// CheckLatitude, then the evaluation that writes the status line and the map address) and the map
// page's redirect address. Checks what must hold for any input: a failed parse leaves the record
// zeroed, an accepted location is finite with its latitude within 65 degrees and its longitude
// within 180, and the map address starts with the page. See fuzz/README.md.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "location/location_lookup.h"
#include "location/location_text.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

void checkAccepted(const tintel::LocationRecord& r) {
    check(std::isfinite(r.latitude) && std::isfinite(r.longitude));
    check(r.latitude != 0.0f && std::fabs(r.latitude) <= 65.0f && std::fabs(r.longitude) <= 180.0f);
    // What OK would store fits the preference's hundredths.
    check(std::abs(tintel::StoredHundredths(r.longitude)) <= 18000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    tintel::LocationRecord record{1, 2.0f, 3.0f};
    if (!tintel::ParseLocationText(text, &record)) {
        check(record.postalCode == 0 && record.latitude == 0.0f && record.longitude == 0.0f);
    } else if (tintel::CheckLatitude(&record)) {
        checkAccepted(record);
    }

    tintel::LocationRecord fromMap{1, 2.0f, 3.0f};
    if (tintel::ReadMapRedirect(text, &fromMap)) {
        check(fromMap.postalCode == 0);
        checkAccepted(fromMap);
    }

    const std::string page = "http://127.0.0.1/winmap.html";
    tintel::LocationDialogState state;
    const tintel::LocationView view =
        tintel::EvaluateLocation(text, std::string(text), page, -480, &state);
    check(view.okEnabled == (view.found || view.fromMap));
    check(view.status.empty() != view.found);
    if (view.okEnabled) checkAccepted(state.result);
    if (!view.navigateTo.empty()) check(view.navigateTo.compare(0, page.size(), page) == 0);
    return 0;
}
