// The location dialog's logic: the typed text through the parser, the latitude check and the
// status line; the map page's redirect addresses; when the map is sent somewhere new; the stored
// hundredths.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "location/location_lookup.h"
#include "location/location_text.h"

using namespace tintel;

// The degree sign of Windows-1252, as a literal to splice: "45.0" DEG "N".
#define DEG "\xB0"

namespace {

const std::string kPage = "http://127.0.0.1:8000/winmap.html";

struct TextCase {
    const char* text;
    bool found;
    uint32_t code;
    float latitude, longitude;
    const char* status;  // the status line with the zone UTC+1
};

const TextCase kTexts[] = {
    // The points are the built-in table's (its data set puts 90210 at 34.0901, -118.4065).
    {"90210", true, 90210, 34.09375f, -118.40625f,
     "ZIP found! Near 34.1" DEG "N, 118.4" DEG "W (North America)"},
    {"00501", true, 501, 40.8125f, -73.03125f,
     "ZIP found! Near 40.8" DEG "N, 73.0" DEG "W (North America)"},
    {"25N 32W", true, 0, 25.0f, -32.0f, "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"25N, 32W", true, 0, 25.0f, -32.0f, "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"  25N,,  32W", true, 0, 25.0f, -32.0f,
     "Location: 25.0" DEG "N, 32.0" DEG "W (North America)"},
    {"37.78N, 122.41W", true, 0, 37.78f, -122.41f,
     "Location: 37.8" DEG "N, 122.4" DEG "W (North America)"},
    {"12.5S 45E", true, 0, -12.5f, 45.0f, "Location: 12.5" DEG "S, 45.0" DEG "E (Africa)"},
    {"70, 20", true, 0, 65.0f, 20.0f, "Location: 65.0" DEG "N, 20.0" DEG "E (Europe, Asia)"},
    {"-80 100", true, 0, -65.0f, 100.0f,
     "Location: 65.0" DEG "S, 100.0" DEG "E (SE Asia, Australia)"},
    {"45", true, 0, 45.0f, 0.0f, "Location: 45.0" DEG "N, ~15.0" DEG "E (Europe, Asia)"},
    {"33s", true, 0, -33.0f, 0.0f, "Location: 33.0" DEG "S, ~15.0" DEG "E (Africa)"},
    {"4.5e1,2e1", true, 0, 45.0f, 20.0f, "Location: 45.0" DEG "N, 20.0" DEG "E (Europe, Asia)"},
    // Not found: the record is zeroed and the status line empty.
    {"sydney", false, 0, 0, 0, ""},
    {"95, 20", false, 0, 0, 0, ""},
    {"0, 20", false, 0, 0, 0, ""},
    {"45, 0.0", false, 0, 0, 0, ""},    // a zero longitude must be written "0"
    {"45, 200", false, 0, 0, 0, ""},    // beyond the globe
    {"45, 1e999", false, 0, 0, 0, ""},  // out of range reads 0
    {"nan, inf", false, 0, 0, 0, ""},
    {"0x1p4 20", false, 0, 0, 0, ""},  // no hexadecimal: "0x1p4" reads 0
    {"00607", false, 0, 607, 0, ""},   // not a postal code: latitude 607 fails the check
    {"0", false, 0, 0, 0, ""},
    {"New York City", false, 0, 0, 0, ""},
    {"", false, 0, 0, 0, ""},
};

}  // namespace

TEST(LocationText, ParsesChecksAndDescribesTheTypedText) {
    for (const TextCase& c : kTexts) {
        SCOPED_TRACE(c.text);
        LocationDialogState state;
        state.result = {1, 2, 3};  // overwritten by every evaluation
        const LocationView view = EvaluateLocation(c.text, std::nullopt, kPage, 60, &state);
        EXPECT_EQ(view.found, c.found);
        EXPECT_FALSE(view.fromMap);
        EXPECT_EQ(state.result.postalCode, c.code);
        EXPECT_FLOAT_EQ(state.result.latitude, c.latitude);
        EXPECT_FLOAT_EQ(state.result.longitude, c.longitude);
        EXPECT_EQ(view.status, c.status);
        EXPECT_EQ(view.okEnabled, c.found);
        EXPECT_EQ(view.searchEnabled, !c.found && *c.text != 0);
        EXPECT_EQ(view.navigateTo, "");  // no web view
    }
    // The parser alone keeps a single latitude unchecked; the evaluation's check refuses it.
    LocationRecord r;
    EXPECT_TRUE(ParseLocationText("400", &r));
    EXPECT_FLOAT_EQ(r.latitude, 400.0f);
    EXPECT_FALSE(CheckLatitude(&r));
    // The dialog's own texts read back as what they were made from.
    for (const LocationRecord& opened :
         {LocationRecord{501, 40.8125f, -73.03125f}, LocationRecord{0, 37.78f, -122.41f}}) {
        const std::string text = InitialLocationText(opened);
        ASSERT_TRUE(ParseLocationText(text, &r)) << text;
        EXPECT_EQ(r.postalCode, opened.postalCode);
        EXPECT_FLOAT_EQ(r.latitude, opened.latitude);
        EXPECT_FLOAT_EQ(r.longitude, opened.longitude);
    }
    EXPECT_EQ(InitialLocationText({501, 40.8125f, -73.03125f}), "00501");
    EXPECT_EQ(InitialLocationText({0, 45.0f, 0.0f}), "");
}

TEST(LocationText, ReadsTheMapPagesRedirect) {
    const struct {
        const char* url;
        bool read;
        float latitude, longitude;
    } cases[] = {
        {"http://h/winmap.html?redir=1&lat=40.7&lng=-74.0", true, 40.7f, -74.0f},
        {"file:///x/winmap.html?lng=151.2&lat=-33.9&redir", true, -33.9f, 151.2f},
        {"http://h/?redir=&lat=1&lat=40.7&lng=-74.0", true, 40.7f, -74.0f},   // the later wins
        {"http://h/?redir=1&lat=40.7&lng=-74.0?lat=5", true, 40.7f, -74.0f},  // up to a second ?
        {"http://h/?redir=1&lat=70&lng=20", true, 65.0f, 20.0f},              // clamped
        {"http://h/?redir=1&lat=40.7&lng=-74.0&lat=0", false, 0, 0},          // zero latitude
        {"http://h/?redir=1&lat=40.7&lng=0", false, 0, 0},
        {"http://h/?lat=40.7&lng=-74.0", false, 0, 0},              // no redir
        {"http://h/?Redir=1&lat=40.7&lng=-74.0", false, 0, 0},      // case-sensitive
        {"http://h/?x=1?redir=1&lat=40.7&lng=-74.0", false, 0, 0},  // after a second ?
        {"http://h/?redir=1&lat=95&lng=20", false, 0, 0},
        {"http://h/?redir=1&lat=40&lng=1e300", false, 0, 0},
        {"http://h/winmap.html", false, 0, 0},
        {"about:blank", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        LocationRecord r{7, 8, 9};
        EXPECT_EQ(ReadMapRedirect(c.url, &r), c.read);
        if (!c.read) continue;
        EXPECT_EQ(r.postalCode, 0u);
        EXPECT_FLOAT_EQ(r.latitude, c.latitude);
        EXPECT_FLOAT_EQ(r.longitude, c.longitude);
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

TEST(LocationText, StoresHundredthsTruncatedTowardZero) {
    const struct {
        float degrees;
        int32_t stored;
    } cases[] = {{37.789f, 3778}, {-122.419f, -12241}, {33.78125f, 3378}, {-118.3125f, -11831},
                 {40.7f, 4070},   {-74.0f, -7400},     {0.29f, 29},       {-0.005f, 0},
                 {65.0f, 6500},   {-180.0f, -18000}};
    for (const auto& c : cases)
        EXPECT_EQ(StoredHundredths(c.degrees), c.stored) << c.degrees;
}
