// The location text parser, the latitude check and the map page's redirect reading.
#include "location/location_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "location/postal_codes.h"

namespace tintel {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool containsEither(std::string_view text, char upper, char lower) {
    return text.find(upper) != std::string_view::npos || text.find(lower) != std::string_view::npos;
}

// The first two fields of `text` split at runs of `separator` (a run at the start is skipped).
void splitTwo(std::string_view text, char separator, std::string_view* first,
              std::string_view* second) {
    std::string_view fields[2];
    size_t at = 0;
    for (std::string_view& field : fields) {
        while (at < text.size() && text[at] == separator)
            ++at;
        const size_t end = std::min(text.find(separator, at), text.size());
        field = text.substr(at, end - at);
        at = end;
    }
    *first = fields[0];
    *second = fields[1];
}

// A double read into a float field; magnitudes beyond a float become infinite, which every check
// after this refuses.
float toFloat(double value) {
    if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

// The integer at the start of `text` as atoi reads it (blanks, a sign, digits); -1 when there are
// no digits or the number would not be a postal code anyway.
int64_t readCode(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    int64_t value = 0;
    size_t digits = 0;
    for (; at < text.size() && isDigit(text[at]) && digits < 10; ++at, ++digits)
        value = value * 10 + (text[at] - '0');
    if (digits == 0 || negative) return -1;
    return value;
}

bool withinGlobe(double latitude, double longitude) {
    return std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

}  // namespace

double ReadDecimal(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const size_t start = at;
    size_t digits = 0;
    while (at < text.size() && isDigit(text[at]))
        ++at, ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && isDigit(text[at]))
            ++at, ++digits;
    }
    if (digits == 0) return 0.0;
    // An exponent only counts when at least one digit follows its 'e' and optional sign.
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && isDigit(text[exponent])) {
            at = exponent;
            while (at < text.size() && isDigit(text[at]))
                ++at;
        }
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + at, value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + at) return 0.0;
    return negative ? -value : value;
}

bool CheckLatitude(LocationRecord* record) {
    float& latitude = record->latitude;
    if (latitude >= -90.0f && latitude < -65.0f) latitude = -65.0f;
    if (latitude > 65.0f && latitude <= 90.0f) latitude = 65.0f;
    return latitude != 0.0f && latitude >= -65.0f && latitude <= 65.0f;
}

bool ParseLocationText(std::string_view text, LocationRecord* record) {
    *record = LocationRecord{};
    const bool west = containsEither(text, 'W', 'w');
    const bool south = containsEither(text, 'S', 's');

    std::string_view first, second;
    splitTwo(text, ',', &first, &second);
    if (second.empty()) splitTwo(text, ' ', &first, &second);

    if (!second.empty()) {
        double latitude = ReadDecimal(first);
        double longitude = ReadDecimal(second);
        if (south) latitude = -latitude;
        if (west) longitude = -longitude;
        record->latitude = toFloat(latitude);
        record->longitude = toFloat(longitude);
        const bool ok = !(latitude == 0.0 && first != "0") &&
                        !(longitude == 0.0 && second != "0") && std::fabs(longitude) <= 180.0 &&
                        CheckLatitude(record);
        if (!ok) *record = LocationRecord{};
        return ok;
    }

    if (text.size() == 5) {
        const int64_t code = readCode(text);
        LocationRecord found;
        if (code >= 0 && LookupPostalCode(static_cast<uint32_t>(code), &found) == 0) {
            *record = found;
            return true;
        }
    }

    const double latitude = ReadDecimal(text);
    if (latitude == 0.0 && text != "0") return false;
    record->latitude = toFloat(south ? -latitude : latitude);
    return true;
}

bool ReadMapRedirect(std::string_view url, LocationRecord* record) {
    const size_t question = url.find('?');
    if (question == std::string_view::npos) return false;
    std::string_view query = url.substr(question + 1);
    query = query.substr(0, query.find('?'));

    bool redirect = false;
    double latitude = 0.0, longitude = 0.0;
    while (true) {
        const size_t amp = query.find('&');
        const std::string_view parameter = query.substr(0, amp);
        const size_t equals = parameter.find('=');
        const std::string_view key = parameter.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : parameter.substr(equals + 1);
        if (key == "redir") redirect = true;
        if (key == "lat") latitude = ReadDecimal(value);
        if (key == "lng") longitude = ReadDecimal(value);
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    if (!redirect || latitude == 0.0 || longitude == 0.0 || !withinGlobe(latitude, longitude))
        return false;
    LocationRecord read;
    read.latitude = static_cast<float>(latitude);
    read.longitude = static_cast<float>(longitude);
    if (!CheckLatitude(&read)) return false;
    *record = read;
    return true;
}

}  // namespace tintel
