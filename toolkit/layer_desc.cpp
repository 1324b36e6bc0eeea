#include "toolkit/layer_desc.h"

#include "toolkit/layout_names.h"

namespace yt {
namespace {

// The built-in words, from kind 101 on (100 has no word; 123 is unused).
constexpr const char* kWords[] = {
    "tbitmap",  "scbitmap", "circle",  "colorwheel",    "rect",      "srect",  "decrect", "text",
    "textedit", "window",   "swindow", "clip",          "selection", "static", "button",  "bicubic",
    "vbutton",  "vbuttcon", "buttcon", "buttcontainer", "www",       "fps",
};
constexpr int32_t kWordCount = static_cast<int32_t>(sizeof(kWords) / sizeof(kWords[0]));

// The characters an argument after a comma may start with.
bool argumentStart(char c) {
    return IsAsciiAlnum(c) || c == '-' || c == '.';
}

}  // namespace

const char* KindWord(int32_t kind) {
    const int32_t index = kind - kKindTiledBitmap;
    return (index >= 0 && index < kWordCount) ? kWords[index] : nullptr;
}

int32_t ParseLayerName(std::string_view layerName, const std::vector<std::string>& customWords,
                       ytLayerDesc* desc) {
    desc->kind = kKindBitmap;
    desc->arguments.clear();
    desc->name.clear();

    const size_t colon = layerName.rfind(':');
    if (colon == std::string_view::npos) {
        desc->name.assign(layerName);
        return 0;
    }

    std::string_view word = layerName.substr(0, colon);
    const size_t open = layerName.find('(');
    if (open != std::string_view::npos && open < colon) {
        const size_t close = layerName.find(')', open + 1);
        if (close == std::string_view::npos) return 3;
        word = layerName.substr(0, open);
        const std::string_view list = layerName.substr(open + 1, close - open - 1);
        // "()" holds no argument; otherwise the first argument starts right after '(' and
        // each later one at the first letter, digit, '-' or '.' after its comma.
        if (!list.empty()) {
            size_t start = 0;
            while (true) {
                const size_t comma = list.find(',', start);
                desc->arguments.emplace_back(list.substr(start, comma == std::string_view::npos
                                                                    ? std::string_view::npos
                                                                    : comma - start));
                if (comma == std::string_view::npos) break;
                start = comma + 1;
                while (start < list.size() && !argumentStart(list[start]))
                    ++start;
                if (start >= list.size()) break;
            }
        }
    }

    size_t nameStart = colon + 1;
    while (nameStart < layerName.size() && !IsAsciiAlnum(layerName[nameStart]))
        ++nameStart;
    desc->name.assign(layerName.substr(nameStart));

    for (size_t i = 0; i < customWords.size(); ++i) {
        if (word == customWords[i]) {
            desc->kind = kCustomKindBase + static_cast<int32_t>(i);
            return 0;
        }
    }
    for (int32_t i = 0; i < kWordCount; ++i) {
        if (word == kWords[i]) {
            desc->kind = kKindTiledBitmap + i;
            return 0;
        }
    }
    return 0;
}

}  // namespace yt
