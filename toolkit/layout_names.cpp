#include "toolkit/layout_names.h"

namespace yt {

uint32_t NameHash(std::string_view name) {
    uint32_t h = 0x12345678u;
    for (const char raw : name) {
        // The byte is added as a signed value: bytes from 0x80 up subtract.
        const int32_t c = static_cast<signed char>(FoldAscii(raw));
        h ^= (h << 5) + (h >> 2) + static_cast<uint32_t>(c);
    }
    return h;
}

namespace {

// The digit run starting at text[i]: its first significant digit and its end.
void digitRun(std::string_view text, size_t i, size_t* significant, size_t* end) {
    size_t j = i;
    while (j < text.size() && text[j] == '0')
        ++j;
    *significant = j;
    while (j < text.size() && IsAsciiDigit(text[j]))
        ++j;
    *end = j;
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = IsAsciiDigit(a[i]), digitB = IsAsciiDigit(b[j]);
        if (digitA && digitB) {
            size_t sigA, endA, sigB, endB;
            digitRun(a, i, &sigA, &endA);
            digitRun(b, j, &sigB, &endB);
            // Without leading zeros the longer run is the larger number; equal lengths compare
            // digit by digit.
            const size_t lenA = endA - sigA, lenB = endB - sigB;
            if (lenA != lenB) return lenA < lenB ? -1 : 1;
            const int order = a.substr(sigA, lenA).compare(b.substr(sigB, lenB));
            if (order != 0) return order < 0 ? -1 : 1;
            i = endA, j = endB;
            continue;
        }
        // A number counts as its value + 256: after any single byte.
        if (digitA != digitB) return digitA ? 1 : -1;
        const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto cb = static_cast<unsigned char>(FoldAscii(b[j]));
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i, ++j;
    }
    const bool endA = i >= a.size(), endB = j >= b.size();
    if (endA && endB) return 0;
    return endA ? -1 : 1;
}

std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = FoldAscii(c);
    return folded;
}

std::string QualifiedName(std::string_view baseName, std::string_view nodeName) {
    std::string name;
    name.reserve(baseName.size() + 1 + nodeName.size());
    name.append(baseName).append("/").append(nodeName);
    return FoldName(name);
}

}  // namespace yt
