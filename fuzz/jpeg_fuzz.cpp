// libFuzzer target for JPEG decoding through the memory data source and our error manager: any
// input decodes or is refused with 3 or 4, and a decoded picture has a size within the limit.
#include <cstddef>
#include <cstdint>

#include "toolkit/bitmap.h"
#include "toolkit/jpeg.h"

namespace yt {
// The toolkit's bitmap byte counter lives with the window host in toolkit.cpp: a no-op here.
void CountBitmapBytes(int64_t) {}
}  // namespace yt

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    yt::ytBitmap picture;
    const int32_t result = yt::DecodeJpeg(data, size, picture);
    if (result != 0 && result != 3 && result != 4) __builtin_trap();
    if (result == 0 && (picture.empty() || uint64_t(picture.width()) * uint64_t(picture.height()) >
                                               yt::kLargestJpegPixels))
        __builtin_trap();
    if (result != 0 && !picture.empty()) __builtin_trap();
    return 0;
}
