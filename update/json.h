// A lazy one-level JSON reader. A value is indexed one level at a time, straight from the
// document text, only when it is asked for: no tree, no number conversion, no unescaping. The
// update feed, the bridge discovery list and the bridge's replies are read with it; callers compare
// or convert the raw texts themselves.
//
// The document text must outlive every value read from it: values keep views into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tintel {

// Result of ParseJsonValue for a malformed escape sequence inside a string.
constexpr int32_t kJsonMalformedEscape = 3;

// A reference-counted handle to one indexed value; copies share it. An empty value (the default,
// and what a missing member or element gives) has no position, no text and no keys.
class JsonValue {
public:
    JsonValue() = default;

    // True when the value was found (it has a position in the document).
    bool Found() const { return data_ != nullptr; }
    // The document text from where this value begins to the end of the document.
    std::string_view Position() const { return data_ ? data_->position : std::string_view(); }
    // For a string the characters between the quotes, escapes as written; for another scalar the
    // raw characters up to the one that ended the scan; empty for an object or array with entries.
    std::string_view Text() const {
        return data_ ? std::string_view(data_->text) : std::string_view();
    }
    // Member names of an object in document order; one empty name per element of an array.
    size_t Count() const { return data_ ? data_->keys.size() : 0; }
    // The name of entry `i`; i must be below Count().
    std::string_view Key(size_t i) const { return data_->keys[i]; }

private:
    struct Data {
        std::string_view position;
        std::string text;
        std::vector<std::string> keys;
        // Where each member's value or element begins (offset into `position`), or npos when the
        // member's name was never followed by a colon.
        std::vector<size_t> starts;
    };
    std::shared_ptr<const Data> data_;

    friend int32_t ParseJsonValue(std::string_view text, JsonValue* out);
    friend JsonValue JsonMember(const JsonValue& value, std::string_view key);
    friend JsonValue JsonElement(const JsonValue& value, size_t index);
};

// Indexes one level of the value that begins at the start of `text` (a document, or any position
// in one, up to the document's end). The text ends at its length or at its first zero byte,
// whichever comes first. Answers 0, or kJsonMalformedEscape with *out left empty.
int32_t ParseJsonValue(std::string_view text, JsonValue* out);

// The first member whose name equals `key` exactly (case-sensitive, raw name text), indexed; an
// empty value when there is none or it cannot be read.
JsonValue JsonMember(const JsonValue& value, std::string_view key);

// Element `index` (0-based) of an array, indexed; an empty value when the index is not below the
// element count or the element cannot be read.
JsonValue JsonElement(const JsonValue& value, size_t index);

// The value's text (a copy; empty when none).
std::string JsonText(const JsonValue& value);

}  // namespace tintel
