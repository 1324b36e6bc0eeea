// libFuzzer target for the layer-name grammar: parses the input as a layer name (with and without
// custom kind words) and reads every argument as the builders read them (colour, float, integer).
// Checks what must hold for any name: the result is 0 or 3, the kind is a known one, the node
// name is a tail of the layer name, and every argument is text of the layer name. See README.md.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/layer_desc.h"
#include "toolkit/layout_scan.h"

namespace {

void check(bool condition) {
    if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    static const std::vector<std::string> none;
    static const std::vector<std::string> custom = {"gauge", "rect", ""};
    for (const auto* words : {&none, &custom}) {
        yt::ytLayerDesc desc;
        const int32_t result = yt::ParseLayerName(name, *words, &desc);
        check(result == 0 || result == 3);
        if (result != 0) continue;
        const bool builtIn = desc.kind >= yt::kKindBitmap && desc.kind <= yt::kKindFps;
        const bool customKind = desc.kind >= yt::kCustomKindBase &&
                                desc.kind < yt::kCustomKindBase + int32_t(words->size());
        check(builtIn || customKind);
        check(desc.name.size() <= name.size() &&
              name.substr(name.size() - desc.name.size()) == desc.name);
        for (const std::string& argument : desc.arguments) {
            check(name.find(argument) != std::string_view::npos);
            size_t pos = 0;
            uint32_t colour = 0;
            if (yt::ScanColour(argument, &pos, &colour)) check(pos <= argument.size());
            (void)yt::TextToFloat(argument);
            (void)yt::TextToInt(argument);
        }
    }
    return 0;
}
