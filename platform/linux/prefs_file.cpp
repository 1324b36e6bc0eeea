#include "platform/linux/prefs_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/text.h"

namespace platform::prefsfile {
namespace {

constexpr uint32_t kDword = static_cast<uint32_t>(ValueType::Dword);
constexpr uint32_t kString = static_cast<uint32_t>(ValueType::String);
constexpr uint32_t kBinary = static_cast<uint32_t>(ValueType::Binary);

std::string_view stripCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Key paths compare as the registry compares them: ignoring ASCII case and trailing separators.
std::string normaliseKey(std::string_view key) {
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);
    std::string out(key);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// A section header "[path]"; false for any other line.
bool parseHeader(std::string_view line, std::string* key) {
    line = trim(stripCr(line));
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
    *key = normaliseKey(line.substr(1, line.size() - 2));
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Writes Windows-1252 text between quotes.
std::string quote(std::string_view text) {
    std::string out = "\"";
    for (char ch : text) {
        const auto b = static_cast<uint8_t>(ch);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", b);
            out += escape;
        } else {
            base::appendUtf8(out, base::cp1252ToCodepoint(b));
        }
    }
    out += '"';
    return out;
}

// Reads a quoted text at the start of `s` into Windows-1252; advances `s` past it.
bool unquote(std::string_view& s, std::string* out) {
    if (s.empty() || s.front() != '"') return false;
    std::string utf8;
    size_t i = 1;
    for (;; ++i) {
        if (i >= s.size()) return false;
        const char c = s[i];
        if (c == '"') break;
        if (c != '\\') {
            utf8 += c;
            continue;
        }
        if (++i >= s.size()) return false;
        if (s[i] == '\\' || s[i] == '"') {
            utf8 += s[i];
        } else if (s[i] == 'x' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 &&
                   hexDigit(s[i + 2]) >= 0) {
            // An escaped byte is below 0x80 by construction; others are taken as code points.
            base::appendUtf8(utf8,
                             static_cast<uint32_t>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2])));
            i += 2;
        } else {
            return false;
        }
    }
    s.remove_prefix(i + 1);
    return base::utf8ToCp1252(utf8, out);
}

bool parseHexBytes(std::string_view s, std::vector<uint8_t>* out) {
    out->clear();
    s = trim(s);
    if (s.empty()) return true;
    size_t i = 0;
    while (true) {
        if (i + 2 > s.size()) return false;
        const int hi = hexDigit(s[i]), lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out->push_back(static_cast<uint8_t>(hi * 16 + lo));
        i += 2;
        if (i == s.size()) return true;
        if (s[i] != ',') return false;
        ++i;
    }
}

bool parseData(std::string_view s, StoredValue* value) {
    s = trim(s);
    if (s.substr(0, 6) == "dword:") {
        s.remove_prefix(6);
        if (s.size() != 8) return false;
        uint32_t v = 0;
        for (char c : s) {
            const int d = hexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value->type = kDword;
        value->data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                       static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        return true;
    }
    if (!s.empty() && s.front() == '"') {
        std::string text;
        if (!unquote(s, &text) || !trim(s).empty()) return false;
        value->type = kString;
        value->data.assign(text.begin(), text.end());
        value->data.push_back(0);
        return true;
    }
    if (s.substr(0, 4) == "hex:") {
        value->type = kBinary;
        return parseHexBytes(s.substr(4), &value->data);
    }
    if (s.substr(0, 4) == "hex(") {
        const size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) return false;
        uint32_t type = 0;
        for (char c : s.substr(4, close - 4)) {
            const int d = hexDigit(c);
            if (d < 0) return false;
            type = type * 16 + static_cast<uint32_t>(d);
        }
        value->type = type;
        return parseHexBytes(s.substr(close + 2), &value->data);
    }
    return false;
}

std::string hexBytes(const std::vector<uint8_t>& data) {
    std::string out;
    char byte[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
        out += byte;
    }
    return out;
}

// Where a value stands: the line that names it last in a section of the key, and the end of the
// last such section (the place for a new value).
struct Position {
    long valueLine = -1;
    bool damaged = false;
    StoredValue value;
    long sectionEnd = -1;  // index after the last non-blank line of the last matching section
};

Position locate(const Document& document, std::string_view key, std::string_view name) {
    const std::string wanted = normaliseKey(key);
    Position pos;
    bool inSection = false;
    std::string header, valueName;
    for (size_t i = 0; i < document.lines.size(); ++i) {
        const std::string& line = document.lines[i];
        if (parseHeader(line, &header)) {
            inSection = header == wanted;
            if (inSection) pos.sectionEnd = static_cast<long>(i) + 1;
            continue;
        }
        if (!inSection) continue;
        if (!trim(stripCr(line)).empty()) pos.sectionEnd = static_cast<long>(i) + 1;
        StoredValue value;
        bool damaged = false;
        if (parseValueLine(line, &valueName, &value, &damaged) && sameName(valueName, name)) {
            pos.valueLine = static_cast<long>(i);
            pos.damaged = damaged;
            pos.value = std::move(value);
        }
    }
    return pos;
}

}  // namespace

Document parse(std::string_view text) {
    Document document;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        document.lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return document;
}

std::string serialise(const Document& document) {
    std::string out;
    for (const std::string& line : document.lines) {
        out += line;
        out += '\n';
    }
    return out;
}

std::string formatValueLine(std::string_view name, const StoredValue& value) {
    std::string line = quote(name) + "=";
    const auto& d = value.data;
    if (value.type == kDword && d.size() == 4) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x",
                      static_cast<unsigned>(d[0] | d[1] << 8 | d[2] << 16 |
                                            static_cast<uint32_t>(d[3]) << 24));
        return line + hex;
    }
    if (value.type == kString && !d.empty() && d.back() == 0 &&
        std::find(d.begin(), d.end() - 1, uint8_t{0}) == d.end() - 1) {
        return line +
               quote(std::string_view(reinterpret_cast<const char*>(d.data()), d.size() - 1));
    }
    if (value.type == kBinary) return line + "hex:" + hexBytes(d);
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    return line + type + hexBytes(d);
}

bool parseValueLine(std::string_view line, std::string* name, StoredValue* value, bool* damaged) {
    line = stripCr(line);
    if (line.empty() || line.front() != '"') return false;
    std::string_view rest = line;
    if (!unquote(rest, name)) return false;
    rest = trim(rest);
    if (rest.empty() || rest.front() != '=') return false;
    *damaged = !parseData(rest.substr(1), value);
    return true;
}

Lookup find(const Document& document, std::string_view key, std::string_view name,
            StoredValue* out) {
    Position pos = locate(document, key, name);
    if (pos.valueLine < 0) return Lookup::Missing;
    if (pos.damaged) return Lookup::Damaged;
    *out = std::move(pos.value);
    return Lookup::Found;
}

void set(Document& document, std::string_view key, std::string_view name,
         const StoredValue& value) {
    const Position pos = locate(document, key, name);
    const std::string line = formatValueLine(name, value);
    auto& lines = document.lines;
    if (pos.valueLine >= 0 && !pos.damaged) {
        lines[pos.valueLine] = line;
    } else if (pos.valueLine >= 0) {
        lines[pos.valueLine] = "; unreadable: " + lines[pos.valueLine];
        lines.insert(lines.begin() + pos.valueLine + 1, line);
    } else if (pos.sectionEnd >= 0) {
        lines.insert(lines.begin() + pos.sectionEnd, line);
    } else {
        if (!lines.empty() && !trim(stripCr(lines.back())).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(key) + "]");
        lines.push_back(line);
    }
}

bool remove(Document& document, std::string_view key, std::string_view name) {
    bool removed = false;
    for (Position pos = locate(document, key, name); pos.valueLine >= 0;
         pos = locate(document, key, name)) {
        document.lines.erase(document.lines.begin() + pos.valueLine);
        removed = true;
    }
    return removed;
}

void removeTree(Document& document, std::string_view key) {
    const std::string root = normaliseKey(key);
    const std::string below = root + "\\";
    std::vector<std::string> kept;
    bool dropping = false;
    std::string header;
    for (std::string& line : document.lines) {
        if (parseHeader(line, &header))
            dropping = header == root || header.compare(0, below.size(), below) == 0;
        if (!dropping) kept.push_back(std::move(line));
    }
    document.lines = std::move(kept);
}

}  // namespace platform::prefsfile
