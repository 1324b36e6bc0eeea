// The tray icon's picture for the size the platform's notification area asks for.
#include <algorithm>
#include <cstddef>

#include "app/tray_icon_pixels.h"

namespace tintel {

platform::IconImage trayIconImage(int size) {
    platform::IconImage image;
    if (size < 1 || size > 256 || kTrayIconPixelsCount < 1) return image;
    // The exact picture, else the smallest larger one, else the largest.
    const TrayIconPixels* source = &kTrayIconPixels[kTrayIconPixelsCount - 1];
    for (int i = 0; i < kTrayIconPixelsCount; ++i) {
        if (kTrayIconPixels[i].size >= size) {
            source = &kTrayIconPixels[i];
            break;
        }
    }
    image.size = size;
    const int from = source->size;
    if (from == size) {
        image.pixels.assign(source->pixels, source->pixels + static_cast<size_t>(size) * size);
        return image;
    }
    // Each target pixel averages the source area it covers, weighted by the overlap; averaging
    // premultiplied channels keeps every channel at or below its alpha.
    image.pixels.resize(static_cast<size_t>(size) * size);
    const double scale = static_cast<double>(from) / size;
    for (int ty = 0; ty < size; ++ty) {
        const double y0 = ty * scale, y1 = (ty + 1) * scale;
        for (int tx = 0; tx < size; ++tx) {
            const double x0 = tx * scale, x1 = (tx + 1) * scale;
            double sum[4] = {0, 0, 0, 0}, area = 0;
            for (int sy = static_cast<int>(y0); sy < std::min(from, static_cast<int>(y1) + 1);
                 ++sy) {
                const double wy = std::min(y1, sy + 1.0) - std::max(y0, static_cast<double>(sy));
                if (wy <= 0) continue;
                for (int sx = static_cast<int>(x0); sx < std::min(from, static_cast<int>(x1) + 1);
                     ++sx) {
                    const double wx =
                        std::min(x1, sx + 1.0) - std::max(x0, static_cast<double>(sx));
                    if (wx <= 0) continue;
                    const uint32_t p = source->pixels[static_cast<size_t>(sy) * from + sx];
                    for (int c = 0; c < 4; ++c)
                        sum[c] += wx * wy * static_cast<double>((p >> (24 - 8 * c)) & 0xFF);
                    area += wx * wy;
                }
            }
            uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                const double v = area > 0 ? sum[c] / area + 0.5 : 0;
                pixel |= static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)) << (24 - 8 * c);
            }
            image.pixels[static_cast<size_t>(ty) * size + tx] = pixel;
        }
    }
    return image;
}

}  // namespace tintel
