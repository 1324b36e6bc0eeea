#include "base/text.h"

namespace base {
namespace {

// Code points of the bytes 0x80 to 0x9F (Windows-1252's departures from Latin-1).
constexpr uint16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

uint32_t cp1252ToCodepoint(uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

uint8_t codepointToCp1252(uint32_t codepoint) {
    if (codepoint < 0x80 || (codepoint >= 0xA0 && codepoint <= 0xFF))
        return static_cast<uint8_t>(codepoint);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == codepoint) return static_cast<uint8_t>(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        appendUtf8(out, cp1252ToCodepoint(static_cast<uint8_t>(c)));
    return out;
}

bool utf8ToCp1252(std::string_view text, std::string* out) {
    out->clear();
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<uint8_t>(text[i]);
        int extra;
        uint32_t cp;
        if (b < 0x80) {
            extra = 0, cp = b;
        } else if (b >= 0xC2 && b < 0xE0) {
            extra = 1, cp = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            extra = 2, cp = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF5) {
            extra = 3, cp = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<uint8_t>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        *out += static_cast<char>(codepointToCp1252(cp));
        i += extra + 1;
    }
    return true;
}

}  // namespace base
