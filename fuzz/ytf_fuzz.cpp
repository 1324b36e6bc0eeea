// libFuzzer target for the font cache file reader: every input is loaded as it is and with its
// checksum made right; a file that loads must write back to exactly its own bytes, and its glyphs
// must measure and draw inside their bitmaps.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/font_cache.h"

namespace yt {
// The fuzzer links only the cache and the bitmap; the toolkit's bitmap byte counter lives with
// the window host in toolkit.cpp, so it is a no-op here.
void CountBitmapBytes(int64_t) {}
}  // namespace yt

namespace {

int loadOne(const uint8_t* data, size_t size) {
    yt::ytFontCache font("fuzz", 12, 400, false);
    if (font.Load(data, size) != 0) {
        if (font.loaded()) __builtin_trap();  // a refused file must leave the cache unloaded
        return 0;
    }
    const std::vector<uint8_t> again = font.Serialize();
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    static const char kText[] = "Sunset in 10 minutes, AVAWAY \xB0\xFF\x01 fig.";
    (void)font.Measure(kText, 1);
    yt::ytBitmap canvas(64, 24);
    font.Draw(canvas, -3, 2, kText, 0xFF000000u);
    font.DrawInBox(canvas, yt::ytRect{0, 0, 40, 24}, kText, 0xFF102030u,
                   yt::ytFontCache::BoxLayout::kCentred);
    for (int c = 0; c < 256; ++c)
        (void)font.Kerning(static_cast<uint8_t>(c), 'A');
    return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    loadOne(data, size);
    // Almost every mutation breaks the checksum; the same bytes with the checksum made right
    // reach the checks of the counts, the table and the glyphs behind it.
    if (size >= 4) {
        std::vector<uint8_t> patched(data, data + size);
        uint32_t sum = 0;
        for (size_t i = 0; i + 4 < size; ++i)
            sum += static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(patched[i])));
        for (int k = 0; k < 4; ++k)
            patched[size - 4 + k] = static_cast<uint8_t>(sum >> (8 * k));
        loadOne(patched.data(), patched.size());
    }
    return 0;
}
