// libFuzzer target for the lazy JSON reader: reads the input as a document, then walks every
// member and element (to a depth of 64: each level re-scans its value, so deeper walks only cost
// time) and checks what must hold for any input: the result is 0 or 3, every position lies inside
// the text, an object or array with entries has no text, and a member read by name is the one
// read by index. Built by fuzz/json_build.sh; see fuzz/README.md.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "update/json.h"

namespace {

constexpr int kDepth = 64;

void check(bool condition) {
    if (!condition) abort();
}

void walk(const tintel::JsonValue& value, std::string_view doc, int depth) {
    const std::string_view at = value.Position();
    check(at.data() >= doc.data() && at.data() + at.size() <= doc.data() + doc.size());
    if (value.Count() > 0) check(value.Text().empty());
    if (depth >= kDepth) return;
    std::set<std::string_view> seen;
    for (size_t i = 0; i < value.Count(); ++i) {
        const tintel::JsonValue element = tintel::JsonElement(value, i);
        if (element.Found()) walk(element, doc, depth + 1);
        const std::string_view key = value.Key(i);
        if (key.empty() || !seen.insert(key).second) continue;
        const tintel::JsonValue member = tintel::JsonMember(value, key);
        check(member.Found() == element.Found());
        check(member.Position().data() == element.Position().data());
    }
    check(!tintel::JsonElement(value, value.Count()).Found());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view doc(reinterpret_cast<const char*>(data), size);
    tintel::JsonValue value;
    const int32_t result = tintel::ParseJsonValue(doc, &value);
    check(result == 0 || result == tintel::kJsonMalformedEscape);
    if (result != 0) {
        check(!value.Found());
        return 0;
    }
    const size_t zero = doc.find('\0');
    check(value.Position().size() == (zero == std::string_view::npos ? size : zero));
    walk(value, doc, 0);
    return 0;
}
