// The location dialog's logic: the typed text through the parser, the latitude check and the
// status line; the map page's redirect addresses; when the map is sent somewhere new; the stored
// hundredths.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "location/location_lookup.h"
#include "location/location_text.h"

using namespace tintel;

// The degree sign of Windows-1252, as a literal to splice: "45.0" DEG "N".
#define DEG "\xB0"

namespace {

const std::string kPage = "http://127.0.0.1:8000/winmap.html";

struct TextCase {
    const char* text;
    uint32_t code;
    float latitude, longitude;
    const char* status;  // the status line with the zone UTC+1; empty when nothing is found
};

const TextCase kTexts[] = {
    // The points are the built-in table's (its data set puts 90210 at 34.0901, -118.4065).
    {"90210", 90210, 34.09375f, -118.40625f,
     "ZIP found! Near 34.1" DEG "N, 118.4" DEG "W (North America)"},
    {"00501", 501, 40.8125f, -73.03125f,
     "ZIP found! Near 40.8" DEG "N, 73.0" DEG "W (North America)"},
    {"25N 32W", 0, 25.0f, -32.0f, "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"25N, 32W", 0, 25.0f, -32.0f, "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"  25N,,  32W", 0, 25.0f, -32.0f, "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"37.78N, 122.41W", 0, 37.78f, -122.41f,
     "Location: 37.8" DEG "N, 122.4" DEG "W (North America)"},
    {"12.5S 45E", 0, -12.5f, 45.0f, "Location: 12.5" DEG "S, 45.0" DEG "E (Africa)"},
    {"70, 20", 0, 65.0f, 20.0f, "Location: 65.0" DEG "N, 20.0" DEG "E (Europe, Asia)"},
    {"-80 100", 0, -65.0f, 100.0f, "Location: 65.0" DEG "S, 100.0" DEG "E (SE Asia, Australia)"},
    {"45", 0, 45.0f, 0.0f, "Location: 45.0" DEG "N, ~15.0" DEG "E (Europe, Asia)"},
    {"33s", 0, -33.0f, 0.0f, "Location: 33.0" DEG "S, ~15.0" DEG "E (Africa)"},
    {"4.5e1,2e1", 0, 45.0f, 20.0f, "Location: 45.0" DEG "N, 20.0" DEG "E (Europe, Asia)"},
    {"00607", 0, 607, 0, ""},  // not a postal code: latitude 607 fails the check
};

}  // namespace

TEST(LocationText, ParsesChecksAndDescribesTheTypedText) {
    // Not found: the record is zeroed and the status line empty. A zero longitude must be written
    // "0"; 1e999 is out of range and reads 0, and so does hexadecimal.
    std::vector<TextCase> cases(std::begin(kTexts), std::end(kTexts));
    for (const char* text : {"sydney", "95, 20", "0, 20", "45, 0.0", "45, 200", "45, 1e999",
                             "nan, inf", "0x1p4 20", "0", "New York City", ""})
        cases.push_back({text, 0, 0, 0, ""});
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.text);
        const bool found = *c.status != 0;
        LocationDialogState state;
        state.result = {1, 2, 3};  // overwritten by every evaluation
        const LocationView view = EvaluateLocation(c.text, std::nullopt, kPage, 60, &state);
        EXPECT_EQ(view.found, found);
        EXPECT_FALSE(view.fromMap);
        EXPECT_EQ(state.result.postalCode, c.code);
        EXPECT_FLOAT_EQ(state.result.latitude, c.latitude);
        EXPECT_FLOAT_EQ(state.result.longitude, c.longitude);
        EXPECT_EQ(view.status, c.status);
        EXPECT_EQ(view.okEnabled, found);
        EXPECT_EQ(view.searchEnabled, !found && *c.text != 0);
        EXPECT_EQ(view.navigateTo, "");  // no web view
    }
    // The parser alone keeps a single latitude unchecked; the evaluation's check refuses it.
    LocationRecord r;
    EXPECT_TRUE(ParseLocationText("400", &r) && r.latitude == 400.0f && !CheckLatitude(&r));
    EXPECT_EQ(InitialLocationText({0, 45.0f, 0.0f}), "") << "no text for a guessed longitude";
}

TEST(LocationText, ReadsTheMapPagesRedirect) {
    const struct {
        const char* url;
        float latitude, longitude;
    } read[] = {
        {"http://h/winmap.html?redir=1&lat=40.7&lng=-74.0", 40.7f, -74.0f},
        {"file:///x/winmap.html?lng=151.2&lat=-33.9&redir", -33.9f, 151.2f},
        {"http://h/?redir=&lat=1&lat=40.7&lng=-74.0", 40.7f, -74.0f},   // the later wins
        {"http://h/?redir=1&lat=40.7&lng=-74.0?lat=5", 40.7f, -74.0f},  // up to a second ?
        {"http://h/?redir=1&lat=70&lng=20", 65.0f, 20.0f},              // clamped
    };
    for (const auto& c : read) {
        SCOPED_TRACE(c.url);
        LocationRecord r{7, 8, 9};
        ASSERT_TRUE(ReadMapRedirect(c.url, &r));
        EXPECT_EQ(r.postalCode, 0u);
        EXPECT_FLOAT_EQ(r.latitude, c.latitude);
        EXPECT_FLOAT_EQ(r.longitude, c.longitude);
    }
    // A zero latitude or longitude, no "redir" (case-sensitive) before a second "?", beyond the
    // globe, no query.
    for (const char* url :
         {"http://h/?redir=1&lat=40.7&lng=-74.0&lat=0", "http://h/?redir=1&lat=40.7&lng=0",
          "http://h/?lat=40.7&lng=-74.0", "http://h/?Redir=1&lat=40.7&lng=-74.0",
          "http://h/?x=1?redir=1&lat=40.7&lng=-74.0", "http://h/?redir=1&lat=95&lng=20",
          "http://h/?redir=1&lat=40&lng=1e300", "http://h/winmap.html", "about:blank"}) {
        LocationRecord r;
        EXPECT_FALSE(ReadMapRedirect(url, &r)) << url;
    }
}

// A dialog session against a web view: what the text and the page's address do to the map, OK
// and the result, tick after tick.
TEST(LocationText, SendsTheMapSomewhereOnlyWhenItIsNew) {
    const std::string at90210 = kPage + "?lat=34.093750&lng=-118.406250";
    const std::string redirect = kPage + "?redir=1&lat=40.7&lng=-74.0";
    const struct {
        const char* text;
        std::string webViewUrl;
        const char* navigateTo;
        bool ok, fromMap;
    } ticks[] = {
        {"", "about:blank", "", false, false},
        {"9021", "about:blank", "", false, false},  // a latitude beyond 90
        {"90210", "about:blank", at90210.c_str(), true, false},
        {"90210", "about:blank", "", true, false},  // the same tick again: no reload
        {"90210", at90210, "", true, false},
        {"New York", at90210, "", false, false},
        {"New York", redirect, "", true, true},
        {"New York", redirect, "", true, true},
        {"90210", redirect, "", true, false},  // sent there before: not again
    };
    LocationDialogState state;
    int i = 0;
    for (const auto& t : ticks) {
        SCOPED_TRACE(i++);
        const LocationView view = EvaluateLocation(t.text, t.webViewUrl, kPage, 0, &state);
        EXPECT_EQ(view.navigateTo, t.navigateTo);
        EXPECT_EQ(view.fromMap, t.fromMap);
        EXPECT_EQ(view.okEnabled, t.ok);
    }
    EXPECT_EQ(MapSearchUrl(kPage, "New York City"), kPage + "?geo=New York City");
    LocationDialogState fresh;
    fresh.lastSeenUrl = kPage + "?geo=a b";
    EXPECT_EQ(MapNavigation(MapSearchUrl(kPage, "a b"), &fresh), "");
    EXPECT_EQ(MapNavigation(MapSearchUrl(kPage, "a c"), &fresh), kPage + "?geo=a c");
    EXPECT_EQ(MapNavigation(MapSearchUrl(kPage, "a c"), &fresh), "");
}
