// Benchmarks of the picture path of a bicubic node: a 1920 x 1080 JPEG (made at start-up with
// libjpeg's encoder, quality 85, 4:2:0, a photo-like mix of gradients and detail) decoded and
// scaled into 554 x 243 with crop-to-fit, each stage alone, and the mipmap draw.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "toolkit/bitmap.h"
#include "toolkit/image_scaler.h"
#include "toolkit/jpeg.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kBoxWidth = 554, kBoxHeight = 243;

std::vector<uint8_t> makeJpeg() {
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
            p[0] = static_cast<uint8_t>(128 + 100 * std::sin(x * 0.01) * std::cos(y * 0.013));
            p[1] = static_cast<uint8_t>((x * 255) / kWidth);
            p[2] = static_cast<uint8_t>(((x ^ y) & 31) * 4 + (y * 120) / kHeight);
        }
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth, cinfo.image_height = kHeight;
    cinfo.input_components = 3, cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(cinfo.next_scanline) * kWidth * 3];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

const std::vector<uint8_t>& jpeg() {
    static const std::vector<uint8_t> bytes = makeJpeg();
    return bytes;
}

void BM_JpegDecode1080p(benchmark::State& state) {
    for (auto _ : state) {
        yt::ytBitmap picture;
        benchmark::DoNotOptimize(yt::DecodeJpeg(jpeg().data(), jpeg().size(), picture));
    }
}
BENCHMARK(BM_JpegDecode1080p)->Unit(benchmark::kMillisecond);

void BM_Resample1080pInto554x243(benchmark::State& state) {
    yt::ytBitmap picture;
    yt::DecodeJpeg(jpeg().data(), jpeg().size(), picture);
    for (auto _ : state) {
        const yt::ytFit fit = yt::FitPicture(kWidth, kHeight, kBoxWidth, kBoxHeight, true, 0);
        benchmark::DoNotOptimize(
            yt::Resample(picture, fit.width, fit.height, fit.Visible(kBoxWidth, kBoxHeight)));
    }
}
BENCHMARK(BM_Resample1080pInto554x243)->Unit(benchmark::kMillisecond);

void BM_DecodeAndScale1080pInto554x243(benchmark::State& state) {
    for (auto _ : state) {
        yt::ytBitmap picture;
        yt::DecodeJpeg(jpeg().data(), jpeg().size(), picture);
        const yt::ytFit fit = yt::FitPicture(kWidth, kHeight, kBoxWidth, kBoxHeight, true, 0);
        benchmark::DoNotOptimize(
            yt::Resample(picture, fit.width, fit.height, fit.Visible(kBoxWidth, kBoxHeight)));
    }
}
BENCHMARK(BM_DecodeAndScale1080pInto554x243)->Unit(benchmark::kMillisecond);

void BM_MipmapBuildAndDraw(benchmark::State& state) {
    yt::ytBitmap picture;
    yt::DecodeJpeg(jpeg().data(), jpeg().size(), picture);
    const yt::ytBitmap scaled = yt::Resample(picture, kBoxWidth, kBoxHeight);
    yt::ytBitmap screen(kBoxWidth, kBoxHeight);
    for (auto _ : state) {
        yt::ytMipmap mipmap;
        mipmap.Build(scaled);
        mipmap.Draw(screen, yt::ytRect{0, 0, kBoxWidth, kBoxHeight}, 10, 5, 500, 220);
        benchmark::DoNotOptimize(screen.pixels()[0]);
    }
}
BENCHMARK(BM_MipmapBuildAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
