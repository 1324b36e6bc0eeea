// The location dialog's evaluation, its map addresses and the stored form of a location.
#include "location/location_lookup.h"

#include <cstdio>

#include "location/coordinates.h"
#include "location/location_text.h"

namespace tintel {

std::string MapCoordinatesUrl(const std::string& page, const LocationRecord& record) {
    char query[96];
    std::snprintf(query, sizeof(query), "?lat=%f&lng=%f", static_cast<double>(record.latitude),
                  static_cast<double>(record.longitude));
    return page + query;
}

std::string MapSearchUrl(const std::string& page, std::string_view text) {
    std::string url = page + "?geo=";
    url.append(text);
    return url;
}

std::string MapNavigation(const std::string& url, LocationDialogState* state) {
    if (url == state->lastNavigatedUrl || url == state->lastSeenUrl) return {};
    state->lastNavigatedUrl = url;
    return url;
}

LocationView EvaluateLocation(std::string_view text, const std::optional<std::string>& webViewUrl,
                              const std::string& page, int32_t standardOffsetMinutes,
                              LocationDialogState* state) {
    LocationView view;
    LocationRecord& result = state->result;
    view.found = ParseLocationText(text, &result) && CheckLatitude(&result);

    if (webViewUrl && !view.found) {
        state->lastSeenUrl = *webViewUrl;
        LocationRecord fromPage;
        if (ReadMapRedirect(*webViewUrl, &fromPage)) {
            result = fromPage;
            view.fromMap = true;
        }
    }

    if (view.found) {
        const std::string where = FormatCoordinates(result, RegionName::Append, nullptr,
                                                    CoordinateForm::Long, standardOffsetMinutes);
        view.status = (result.postalCode != 0 ? "ZIP found! Near " : "Location: ") + where;
        if (webViewUrl && result.latitude != 0.0f && result.longitude != 0.0f)
            view.navigateTo = MapNavigation(MapCoordinatesUrl(page, result), state);
    }
    view.okEnabled = view.found || view.fromMap;
    view.searchEnabled = !view.found && !text.empty();
    return view;
}

std::string InitialLocationText(const LocationRecord& record) {
    if (record.postalCode != 0) {
        char code[16];
        std::snprintf(code, sizeof(code), "%05u", static_cast<unsigned>(record.postalCode));
        return code;
    }
    if (record.longitude != 0.0f)
        return FormatCoordinates(record, RegionName::Omit, nullptr, CoordinateForm::Short, 0);
    return {};
}

int32_t StoredHundredths(float degrees) {
    // In float arithmetic, so that a typed 0.29 (0.28999999 as a float) is stored as 29. The
    // dialog only accepts latitudes within 65 and longitudes within 180 degrees, which fit.
    return static_cast<int32_t>(degrees * 100.0f);
}

}  // namespace tintel
