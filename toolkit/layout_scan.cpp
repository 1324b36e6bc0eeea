#include "toolkit/layout_scan.h"

#include <charconv>
#include <limits>

namespace yt {

void SkipBlanks(std::string_view text, size_t* pos) {
    while (*pos < text.size() && IsScanSpace(text[*pos]))
        ++*pos;
}

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decimal(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ScanHex(std::string_view text, size_t* pos, uint32_t* value) {
    size_t i = *pos;
    SkipBlanks(text, &i);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" is a prefix only when a hex digit follows it; otherwise the 0 is the number.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        hexDigit(text[i + 2]) >= 0)
        i += 2;
    if (i >= text.size() || hexDigit(text[i]) < 0) return false;
    uint32_t v = 0;
    for (; i < text.size() && hexDigit(text[i]) >= 0; ++i)
        v = (v << 4) | static_cast<uint32_t>(hexDigit(text[i]));
    *value = negative ? 0u - v : v;
    *pos = i;
    return true;
}

bool ScanFloat(std::string_view text, size_t* pos, float* value) {
    size_t i = *pos;
    SkipBlanks(text, &i);
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissa = i;
    while (i < text.size() && decimal(text[i]))
        ++i;
    size_t digits = i - mantissa;
    if (i < text.size() && text[i] == '.') {
        const size_t fraction = ++i;
        while (i < text.size() && decimal(text[i]))
            ++i;
        digits += i - fraction;
    }
    if (digits == 0) return false;
    // An exponent counts only when digits follow it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && decimal(text[e])) {
            while (e < text.size() && decimal(text[e]))
                ++e;
            i = e;
        }
    }
    // from_chars takes no '+'. Out of a float's range, the value becomes infinity (or 0 for a
    // tiny one) with its sign, as strtof gives.
    const char* first = text.data() + ((text[start] == '+') ? start + 1 : start);
    const char* last = text.data() + i;
    float v = 0;
    if (std::from_chars(first, last, v).ec != std::errc()) {
        double wide = 0;
        const bool negative = text[start] == '-';
        if (std::from_chars(first, last, wide).ec == std::errc()) {
            const double magnitude = negative ? -wide : wide;
            v = magnitude > std::numeric_limits<float>::max()
                    ? std::numeric_limits<float>::infinity()
                    : static_cast<float>(magnitude);
        } else {
            const std::string_view number(first, static_cast<size_t>(last - first));
            const size_t e = number.find_first_of("eE");
            const bool tiny =
                e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-';
            v = tiny ? 0.0f : std::numeric_limits<float>::infinity();
        }
        if (negative) v = -v;
    }
    *value = v;
    *pos = i;
    return true;
}

bool ScanInt(std::string_view text, size_t* pos, int32_t* value) {
    size_t i = *pos;
    SkipBlanks(text, &i);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !decimal(text[i])) return false;
    int64_t v = 0;
    // Digits past what 32 bits can hold only keep the value clamped.
    for (; i < text.size() && decimal(text[i]); ++i)
        if (v <= int64_t{1} << 32) v = v * 10 + (text[i] - '0');
    if (negative) v = -v;
    if (v > std::numeric_limits<int32_t>::max()) v = std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) v = std::numeric_limits<int32_t>::min();
    *value = static_cast<int32_t>(v);
    *pos = i;
    return true;
}

bool ScanWord(std::string_view text, size_t* pos, std::string* word) {
    size_t i = *pos;
    SkipBlanks(text, &i);
    const size_t start = i;
    while (i < text.size() && !IsScanSpace(text[i]))
        ++i;
    if (i == start) return false;
    word->assign(text.substr(start, i - start));
    *pos = i;
    return true;
}

std::string TrimBlanks(std::string_view text) {
    size_t first = 0, last = text.size();
    while (first < last && IsScanSpace(text[first]))
        ++first;
    while (last > first && IsScanSpace(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

int32_t TextToInt(std::string_view text) {
    size_t pos = 0;
    int32_t v = 0;
    return ScanInt(text, &pos, &v) ? v : 0;
}

float TextToFloat(std::string_view text) {
    size_t pos = 0;
    float v = 0;
    return ScanFloat(text, &pos, &v) ? v : 0.0f;
}

uint32_t Premultiply(uint32_t argb) {
    const uint32_t a = argb >> 24;
    auto channel = [&](int shift) { return (((argb >> shift) & 0xFF) * (a + 1) >> 8) << shift; };
    return (a << 24) | channel(16) | channel(8) | channel(0);
}

bool ScanColour(std::string_view text, size_t* pos, uint32_t* colour) {
    uint32_t raw = 0;
    if (!ScanHex(text, pos, &raw)) return false;
    *colour = Premultiply(raw);
    return true;
}

}  // namespace yt
