// The lazy JSON reader: one scan per level, counting braces, brackets, colons and string state.
//
// Contents
//   1. the one-level scan (ParseJsonValue)
//   2. members, elements and texts
#include "update/json.h"

#include <algorithm>

namespace tintel {
namespace {

constexpr size_t kNoStart = std::string_view::npos;

// True for the characters that may follow a backslash on their own (RFC 8259, section 7).
bool isSingleEscape(char c) {
    switch (c) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            return true;
        default:
            return false;
    }
}

// Indexes the entry at `start` of a value's position, or gives an empty value.
JsonValue entryAt(std::string_view position, size_t start) {
    JsonValue entry;
    if (start == kNoStart || ParseJsonValue(position.substr(start), &entry) != 0) return {};
    return entry;
}

}  // namespace

// ---- 1. the one-level scan ------------------------------------------------------------------

// Scans from the start of `text` until the value that begins there has closed, recording the
// names and starts of its own members or elements (not those of nested values). Depth below means
// brace depth plus bracket depth before the current character is handled.
int32_t ParseJsonValue(std::string_view text, JsonValue* out) {
    *out = JsonValue();
    // Texts are zero-terminated in the rest of the program: a zero byte ends the text.
    text = text.substr(0, std::min(text.size(), text.find('\0')));

    auto data = std::make_shared<JsonValue::Data>();
    data->position = text;
    int braces = 0;
    int brackets = 0;
    int colons = 0;  // since the last comma
    int greatest = 0;
    bool inString = false;
    bool tookString = false;
    size_t stringStart = 0;
    size_t end = text.size();  // the character that ended the scan (not part of a scalar's text)

    const auto addElement = [&](size_t start) {
        data->keys.emplace_back();
        data->starts.push_back(start);
    };

    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int depth = braces + brackets;
        bool stop = false;
        if (!inString) {
            switch (c) {
                case '"':
                    inString = true;
                    stringStart = i + 1;
                    break;
                case '[':
                    if (depth == 0 && colons == 0) addElement(i + 1);
                    ++brackets;
                    break;
                case ']':
                    --brackets;
                    break;
                case '{':
                    ++braces;
                    break;
                case '}':
                    --braces;
                    break;
                case ':':
                    ++colons;
                    if (depth == 1 && !data->keys.empty() && braces == 1) {
                        data->starts.back() = i + 1;
                    } else if (depth == 0) {
                        stop = true;
                    }
                    break;
                case ',':
                    colons = 0;
                    if (depth == 1 && brackets == 1) {
                        addElement(i + 1);
                    } else if (depth == 0) {
                        stop = true;
                    }
                    break;
                default:
                    break;
            }
        } else if (c == '\\') {
            // The escaped character must be there; \u takes four more, which must be there too
            // (they are skipped, not checked as hexadecimal digits).
            if (i + 1 >= text.size()) return kJsonMalformedEscape;
            const char escaped = text[i + 1];
            if (isSingleEscape(escaped)) {
                i += 1;
            } else if (escaped == 'u') {
                if (i + 5 >= text.size()) return kJsonMalformedEscape;
                i += 5;
            } else {
                return kJsonMalformedEscape;
            }
        } else if (c == '"') {
            inString = false;
            const std::string_view chars = text.substr(stringStart, i - stringStart);
            if (depth == 0) {
                data->text.assign(chars);
                tookString = true;
                stop = true;
            } else if (depth == 1 && colons == 0 && brackets == 0) {
                // A new member name; its value's start is set by the colon that follows.
                data->keys.emplace_back(chars);
                data->starts.push_back(kNoStart);
            }
        }
        if (stop) {
            end = i;
            break;
        }
        // Once the value's own object, array or string has opened, the scan ends when it closes;
        // a bare scalar ends when the enclosing object or array closes.
        const int total = brackets + braces + (inString ? 1 : 0);
        greatest = std::max(greatest, total);
        if (greatest > 0 ? total < 1 : total < 0) {
            end = i;
            break;
        }
    }

    if (data->keys.empty() && !tookString) data->text.assign(text.substr(0, end));
    out->data_ = std::move(data);
    return 0;
}

// ---- 2. members, elements and texts ---------------------------------------------------------

JsonValue JsonMember(const JsonValue& value, std::string_view key) {
    if (!value.data_) return {};
    const auto& keys = value.data_->keys;
    const auto found = std::find(keys.begin(), keys.end(), key);
    if (found == keys.end()) return {};
    return entryAt(value.data_->position, value.data_->starts[found - keys.begin()]);
}

JsonValue JsonElement(const JsonValue& value, size_t index) {
    if (!value.data_ || index >= value.data_->keys.size()) return {};
    return entryAt(value.data_->position, value.data_->starts[index]);
}

std::string JsonText(const JsonValue& value) {
    return std::string(value.Text());
}

}  // namespace tintel
