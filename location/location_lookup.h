// The location dialog's logic apart from its windows: what one evaluation of the typed text and
// the map page's address shows, and when the map is sent somewhere new. The dialog (GetLocation,
// app/location_dialog.cpp) reads its controls, calls these and applies the answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "location/location_record.h"

namespace tintel {

// The map page's addresses: "<page>?lat=%f&lng=%f" to show coordinates, "<page>?geo=<text>" to
// search a place (the text as typed, unescaped).
std::string MapCoordinatesUrl(const std::string& page, const LocationRecord& record);
std::string MapSearchUrl(const std::string& page, std::string_view text);

// What the dialog keeps between evaluations.
struct LocationDialogState {
    LocationRecord result;         // the location OK would store
    std::string lastNavigatedUrl;  // where the program last sent the web view
    std::string lastSeenUrl;       // the web view's address as last read
};

// The answer of one evaluation.
struct LocationView {
    bool found = false;    // the text parsed and its latitude is usable
    bool fromMap = false;  // the map page reported the location instead
    std::string status;    // the status line (Windows-1252; empty when nothing was found)
    bool okEnabled = false;
    bool searchEnabled = false;
    std::string navigateTo;  // where to send the web view now; empty for nowhere
};

// Goes to `url` unless the web view is already there by the program's doing or its own: answers
// the URL to navigate to (and remembers it as the last navigated) or an empty string.
std::string MapNavigation(const std::string& url, LocationDialogState* state);

// One evaluation of the dialog: `text` is the edit control's text, `webViewUrl` the web view's
// current address (nullopt when there is no web view; read only when the text gives nothing),
// `page` the map page's address and `standardOffsetMinutes` the zone used to estimate a missing
// longitude in the status line. Updates the result record and the URLs in *state.
LocationView EvaluateLocation(std::string_view text, const std::optional<std::string>& webViewUrl,
                              const std::string& page, int32_t standardOffsetMinutes,
                              LocationDialogState* state);

// The text the dialog opens with: the postal code as "%05d", else the short coordinates when a
// longitude is known, else nothing.
std::string InitialLocationText(const LocationRecord& record);

// The preference values of a location: hundredths of a degree truncated toward zero.
int32_t StoredHundredths(float degrees);

}  // namespace tintel
