// libFuzzer target for the layered artwork reader: every input is written to a scratch file and
// loaded; when it loads, every layer and the merged image are decoded and their colour read.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "toolkit/psd_document.h"

namespace yt {
// The fuzzer links only the reader and its helpers; the toolkit's bitmap byte counter lives with
// the window host in toolkit.cpp, so it is a no-op here.
void CountBitmapBytes(int64_t) {}
}  // namespace yt

namespace {

// One scratch file per fuzzing process (a random name, so parallel jobs never share one).
const std::string& scratchPath() {
    static const std::string path =
        (std::filesystem::temp_directory_path() /
         ("tintel-psd-fuzz-" + std::to_string(std::random_device{}()) + ".psd"))
            .string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(scratchPath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    yt::ytPsdDocument doc;
    if (doc.Load(scratchPath()) != 0) return 0;
    for (int i = -1; i < doc.LayerCount(); ++i) {
        yt::ytBitmap bitmap;
        uint32_t colour = 0;
        // A decoded bitmap has its layer's size; anything else is a fault worth a crash report.
        if (doc.DecodeLayer(i, &bitmap) == 0 && i >= 0 &&
            (bitmap.width() != doc.LayerRect(i).width() ||
             bitmap.height() != doc.LayerRect(i).height()))
            __builtin_trap();
        doc.LayerColour(i, &colour);
        (void)doc.LayerName(i);
        (void)doc.LayerOpacity(i);
    }
    return 0;
}
