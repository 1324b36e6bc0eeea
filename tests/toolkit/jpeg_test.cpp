// JPEG decoding: real files written by ImageMagick and cjpeg (baseline, progressive, greyscale,
// restart markers, arithmetic coding) decode to exactly what djpeg decodes from them; cut and
// garbage data are errors, not crashes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/support/pixels.h"
#include "toolkit/bitmap.h"
#include "toolkit/jpeg.h"

namespace yt {
namespace {

using testsupport::readBytes;

std::string data(const std::string& name) {
    return std::string(TINTEL_JPEG_DATA) + "/" + name;
}

// djpeg's .pnm: P6 (colour) or P5 (grey), maxval 255, as opaque 0xAARRGGBB words.
bool readPnm(const std::string& path, int& width, int& height, std::vector<uint32_t>& pixels) {
    const std::vector<uint8_t> bytes = readBytes(path);
    int maxval = 0, consumed = 0;
    char kind = 0;
    if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P%c %d %d %d%n", &kind, &width,
                    &height, &maxval, &consumed) != 4 ||
        maxval != 255)
        return false;
    const int channels = kind == '6' ? 3 : 1;
    const uint8_t* p = bytes.data() + consumed + 1;
    if (bytes.size() != static_cast<size_t>(consumed + 1 + width * height * channels)) return false;
    pixels.resize(static_cast<size_t>(width) * height);
    for (uint32_t& px : pixels) {
        const uint32_t r = p[0], g = p[channels == 3 ? 1 : 0], b = p[channels == 3 ? 2 : 0];
        px = 0xFF000000u | (r << 16) | (g << 8) | b;
        p += channels;
    }
    return true;
}

const char* const kFiles[] = {"im-baseline",       "im-progressive", "im-grey",
                              "cjpeg-progressive", "cjpeg-grey",     "cjpeg-444-restart",
                              "cjpeg-arithmetic"};

TEST(JpegTest, RealFilesDecodeAsDjpegDecodesThem) {
    for (const char* name : kFiles) {
        int width = 0, height = 0;
        std::vector<uint32_t> expected;
        ASSERT_TRUE(readPnm(data(std::string(name) + ".pnm"), width, height, expected)) << name;
        ytBitmap picture;
        std::string error;
        ASSERT_EQ(LoadJpegFile(data(std::string(name) + ".jpg"), picture, &error), 0)
            << name << ": " << error;
        ASSERT_EQ(picture.width(), width) << name;
        ASSERT_EQ(picture.height(), height) << name;
        size_t differing = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            differing += picture.pixels()[i] != expected[i];
        EXPECT_EQ(differing, 0u) << name;
    }
}

TEST(JpegTest, CutAndGarbageDataAreErrorsThatLeaveTheBitmapAlone) {
    const std::vector<uint8_t> whole = readBytes(data("im-progressive.jpg"));
    const std::vector<uint8_t> baseline = readBytes(data("cjpeg-444-restart.jpg"));
    ASSERT_GT(whole.size(), 1000u);
    std::mt19937 random(13);
    std::vector<uint8_t> noise(4096);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(random());
    std::vector<uint8_t> headerThenNoise(baseline.begin(), baseline.begin() + 600);
    headerThenNoise.insert(headerThenNoise.end(), noise.begin(), noise.end());
    const std::string text = "GIF89a not a JPEG at all";

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"the start marker alone", {0xFF, 0xD8}},
        {"text", std::vector<uint8_t>(text.begin(), text.end())},
        {"noise", noise},
        {"header cut", std::vector<uint8_t>(whole.begin(), whole.begin() + 100)},
        {"progressive, half",
         std::vector<uint8_t>(whole.begin(), whole.begin() + whole.size() / 2)},
        {"progressive, end marker missing", std::vector<uint8_t>(whole.begin(), whole.end() - 2)},
        {"baseline, half",
         std::vector<uint8_t>(baseline.begin(), baseline.begin() + baseline.size() / 2)},
        // 331 bytes claiming 65443 x 187 pixels: refused as soon as the data runs out.
        {"cut giant (a fuzzer's find)", readBytes(data("fuzz-cut-giant.jpg"))},
        {"cut giant, end marker early", readBytes(data("fuzz-cut-giant-2.jpg"))},
    };
    for (const auto& c : cases) {
        ytBitmap picture(3, 2);
        picture.pixels()[0] = 0x12345678u;
        std::string error;
        EXPECT_EQ(DecodeJpeg(c.bytes.data(), c.bytes.size(), picture, &error), 3) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_EQ(picture.width(), 3) << c.what;
        EXPECT_EQ(picture.pixels()[0], 0x12345678u) << c.what;
    }
    // Noise after a real header decodes to something or fails, but never crashes.
    ytBitmap any;
    const int32_t result = DecodeJpeg(headerThenNoise.data(), headerThenNoise.size(), any);
    EXPECT_TRUE(result == 0 || result == 3) << result;

    ytBitmap missing;
    EXPECT_EQ(LoadJpegFile(data("no-such-file.jpg"), missing), 2);
}

}  // namespace
}  // namespace yt
