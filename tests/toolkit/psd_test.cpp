// ytPsdDocument against artwork files written by ImageMagick, GIMP and ag-psd (tests/data/psd,
// made by make.sh there from the PAM reference pictures beside them), against damaged copies of
// those files, and against every cut-short prefix at section boundaries and random points.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/support/pixels.h"
#include "toolkit/psd_document.h"

namespace {

using Bytes = std::vector<uint8_t>;

// "Größe" in Windows-1252.
const char* const kGrosse =
    "Gr\xF6\xDF"
    "e";

std::string dataPath(const std::string& name) {
    return std::string(TINTEL_PSD_DATA) + "/" + name;
}

using testsupport::readBytes;

// A reference picture: straight RGBA pixels as 0xAARRGGBB.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Reads a PAM file (P7, MAXVAL 255, 3 or 4 samples a pixel) as refs.py writes it.
Picture readPam(const std::string& name) {
    const Bytes bytes = readBytes(dataPath(name));
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    Picture p;
    int depth = 0;
    auto field = [&](const char* key) {
        const size_t at = text.find(key);
        return at < end ? std::stoi(text.substr(at + std::strlen(key))) : 0;
    };
    p.width = field("WIDTH "), p.height = field("HEIGHT "), depth = field("DEPTH ");
    const uint8_t* s = bytes.data() + end + 7;
    for (int i = 0; i < p.width * p.height; ++i, s += depth)
        p.pixels.push_back(uint32_t(depth == 4 ? s[3] : 255) << 24 | uint32_t(s[0]) << 16 |
                           uint32_t(s[1]) << 8 | s[2]);
    return p;
}

// The premultiplied form of a straight pixel: c x (a + 1) >> 8.
uint32_t premultiplied(uint32_t px) {
    const uint32_t a = px >> 24;
    auto c = [&](int shift) { return ((((px >> shift) & 0xFF) * (a + 1)) >> 8) << shift; };
    return a == 255 ? px : a << 24 | c(16) | c(8) | c(0);
}

// Decodes a layer and compares it with a reference picture placed at (left, top), restricted to
// the rows and columns given (the whole picture by default).
void expectDecodesTo(yt::ytPsdDocument& doc, int index, const Picture& ref, int left, int top,
                     int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    yt::ytBitmap bitmap;
    ASSERT_EQ(doc.DecodeLayer(index, &bitmap), 0) << "layer " << index;
    ASSERT_EQ(bitmap.width(), index == -1 ? int(doc.Width()) : ref.width) << "layer " << index;
    ASSERT_EQ(bitmap.height(), index == -1 ? int(doc.Height()) : ref.height) << "layer " << index;
    EXPECT_EQ(bitmap.originX(), left);
    EXPECT_EQ(bitmap.originY(), top);
    x1 = x1 < 0 ? ref.width : x1, y1 = y1 < 0 ? ref.height : y1;
    int wrong = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (bitmap.at(x, y) != premultiplied(ref.at(x, y)) && ++wrong <= 3)
                ADD_FAILURE() << "layer " << index << " pixel " << x << "," << y << ": " << std::hex
                              << bitmap.at(x, y) << " != " << premultiplied(ref.at(x, y));
    EXPECT_EQ(wrong, 0) << "layer " << index;
}

void expectColour(yt::ytPsdDocument& doc, int index, uint32_t straight) {
    uint32_t colour = 0;
    EXPECT_EQ(doc.LayerColour(index, &colour), 0) << "layer " << index;
    EXPECT_EQ(colour, straight) << "layer " << index;
}

// A scratch copy of a file, changed or cut short, removed when the test ends.
class Scratch {
public:
    Scratch() : path_(std::filesystem::temp_directory_path() / "tintel-psd-test.psd") {}
    // Documents holding the file must be gone first (Windows keeps an open file).
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string write(const Bytes& bytes, size_t length) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(length));
        return path_.string();
    }
    std::string write(const Bytes& bytes) { return write(bytes, bytes.size()); }

private:
    std::filesystem::path path_;
};

void put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (24 - 8 * i));
}
uint32_t get32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Offset of the layer and mask information section's length field.
size_t layerSectionAt(const Bytes& b) {
    const size_t resources = 26 + 4 + get32(b, 26);
    return resources + 4 + get32(b, resources);
}

// ---- files written by other tools ------------------------------------------------------------

// Where make.sh placed each reference picture: the picture, left, top, channel count.
struct Placed {
    const char* picture;
    int left, top, channels;
};

TEST(PsdRealFiles, ImageMagickLayersMatchTheirPictures) {
    // Three-channel layers decode opaque, four-channel ones premultiplied; the wide layer has
    // runs and literals longer than 128 and reaches past both sides of the canvas.
    const std::vector<Placed> rgb = {{"opaque.pam", 3, 2, 3}, {"wide.pam", -100, 20, 3}};
    const std::vector<Placed> rgba = {
        {"alpha.pam", 5, 3, 4}, {"alpha.pam", -4, -2, 4}, {"opaque.pam", 30, 18, 3}};
    const std::pair<const char*, const std::vector<Placed>*> files[] = {{"im-rgb-rle.psd", &rgb},
                                                                        {"im-rgb-raw.psd", &rgb},
                                                                        {"im-rgba-rle.psd", &rgba},
                                                                        {"im-rgba-raw.psd", &rgba}};
    const Picture canvas = readPam("canvas.pam");
    for (const auto& [name, layers] : files) {
        SCOPED_TRACE(name);
        yt::ytPsdDocument doc;
        ASSERT_EQ(doc.Load(dataPath(name)), 0);
        EXPECT_EQ(doc.Width(), 40u);
        EXPECT_EQ(doc.Height(), 24u);
        ASSERT_EQ(doc.LayerCount(), int(layers->size()));
        expectDecodesTo(doc, -1, canvas, 0, 0);
        expectColour(doc, -1, canvas.at(0, 0));
        for (int i = 0; i < doc.LayerCount(); ++i) {
            const Placed& p = (*layers)[size_t(i)];
            const Picture picture = readPam(p.picture);
            EXPECT_EQ(doc.LayerName(i), "L" + std::to_string(i + 1));
            EXPECT_EQ(doc.LayerOpacity(i), 256);
            EXPECT_EQ(doc.Layer(i)->channelCount, p.channels);
            EXPECT_EQ(doc.LayerRect(i),
                      (yt::ytRect{p.left, p.top, p.left + picture.width, p.top + picture.height}));
            expectDecodesTo(doc, i, picture, p.left, p.top);
            expectColour(doc, i, picture.at(0, 0));  // straight, even where alpha is 0
        }
    }
}

TEST(PsdRealFiles, GimpLayersNamesAndMaskedLayer) {
    const Picture canvas = readPam("canvas.pam"), alpha = readPam("alpha.pam"),
                  opaque = readPam("opaque.pam");
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(dataPath("gimp.psd")), 0);
    ASSERT_EQ(doc.LayerCount(), 4);
    EXPECT_EQ(doc.LayerName(0), "Background");
    EXPECT_EQ(doc.LayerName(1), kGrosse);
    EXPECT_EQ(doc.LayerName(3), "Top \x80");
    EXPECT_EQ(doc.LayerOpacity(1), 128);  // GIMP's 50 % is stored as 128
    expectDecodesTo(doc, 0, canvas, 0, 0);
    expectDecodesTo(doc, 1, alpha, 7, 5);
    expectDecodesTo(doc, 3, alpha, 33, 20);  // reaches past the canvas
    // Red, green, blue and a layer mask: the mask is not drawn and the layer stays opaque.
    ASSERT_EQ(doc.Layer(2)->channelCount, 4);
    EXPECT_EQ(doc.Layer(2)->channelIds[3], -2);
    expectDecodesTo(doc, 2, opaque, 20, 10);
    // GIMP's merged image: rows 0 to 4 show only the background, the masked layer is on top.
    expectDecodesTo(doc, -1, canvas, 0, 0, 0, 0, 40, 5);
    yt::ytBitmap merged;
    ASSERT_EQ(doc.DecodeLayer(-1, &merged), 0);
    for (int y = 0; y < opaque.height; ++y)
        for (int x = 0; x < opaque.width; ++x)
            ASSERT_EQ(merged.at(20 + x, 10 + y), opaque.at(x, y)) << x << "," << y;
}

TEST(PsdRealFiles, AgPsdUnicodeNamesMaskEmptyLayerAndNegativeCount) {
    const Picture canvas = readPam("canvas.pam"), canvasAlpha = readPam("canvas-alpha.pam"),
                  alpha = readPam("alpha.pam"), wide = readPam("wide.pam");
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(dataPath("ag-layers.psd")), 0);
    // The file stores -5: five layers, the merged image's transparency in its first alpha.
    ASSERT_EQ(doc.LayerCount(), 5);
    EXPECT_TRUE(doc.MergedAlphaFromFirstChannel());
    EXPECT_EQ(doc.Channels(), 4);
    // The Unicode names win over the length-prefixed ones, which hold '?' for non-ASCII.
    const Bytes file = readBytes(dataPath("ag-layers.psd"));
    const std::string raw(file.begin(), file.end());
    EXPECT_NE(raw.find("\x05Gr??e"), std::string::npos);
    EXPECT_EQ(doc.LayerName(0), "Hintergrund");
    EXPECT_EQ(doc.LayerName(1), kGrosse);
    EXPECT_EQ(doc.LayerName(3), "Caf\xE9 \x80uro");
    EXPECT_EQ(doc.LayerName(4), "?? ? ?");  // a surrogate pair is one character
    EXPECT_EQ(doc.LayerOpacity(1), 128);
    // The bottom layer is a background: three channels.
    EXPECT_EQ(doc.Layer(0)->channelCount, 3);
    expectDecodesTo(doc, 0, canvas, 0, 0);
    expectDecodesTo(doc, 1, alpha, -3, 5);
    expectDecodesTo(doc, 3, wide, -100, 18);
    expectDecodesTo(doc, -1, canvasAlpha, 0, 0);
    // Transparency, red, green, blue and a mask of its own size: more than 4 channels gives no
    // bitmap, but the mask's data is skipped by its own rectangle so later layers still decode.
    ASSERT_EQ(doc.Layer(2)->channelCount, 5);
    EXPECT_EQ(doc.Layer(2)->channels[4].columns, 5);
    EXPECT_EQ(doc.Layer(2)->channels[4].rows, 3);
    yt::ytBitmap bitmap(2, 2);
    EXPECT_EQ(doc.DecodeLayer(2, &bitmap), -1);
    EXPECT_TRUE(bitmap.empty());
    expectColour(doc, 2, readPam("opaque.pam").at(0, 0));
    // The empty layer: no bitmap and no colour.
    EXPECT_TRUE(doc.LayerRect(4).empty());
    uint32_t colour = 0x12345678;
    EXPECT_EQ(doc.DecodeLayer(4, &bitmap), -1);
    EXPECT_EQ(doc.LayerColour(4, &colour), -1);
    EXPECT_EQ(colour, 0x12345678u);
}

TEST(PsdRealFiles, UnsupportedFilesFailWithFormatError) {
    // ZIP-compressed channels, 16 bits per channel, greyscale, the large document format.
    for (const char* name : {"ag-zip.psd", "im-16bit.psd", "im-grey.psd", "im-large.psb"}) {
        yt::ytPsdDocument doc;
        EXPECT_EQ(doc.Load(dataPath(name)), 3) << name;
        EXPECT_EQ(doc.LayerCount(), 0) << name;
        yt::ytBitmap bitmap;
        EXPECT_EQ(doc.DecodeLayer(-1, &bitmap), 4) << name;
    }
}

// ---- the document's own answers --------------------------------------------------------------

TEST(PsdDocument, DamagedHeadersFailWithFormatError) {
    const Bytes good = readBytes(dataPath("im-rgb-rle.psd"));
    Scratch scratch;
    yt::ytPsdDocument doc;

    // A wrong first byte is pushed back: the stream stays where it was.
    Bytes b = good;
    b[0] = 'X';
    EXPECT_EQ(doc.Load(scratch.write(b)), 3);
    EXPECT_EQ(doc.FilePosition(), 0);
    // Colour mode data of 100 bytes, version 2, CMYK, a resource block longer than its section.
    const std::pair<size_t, uint32_t> words[] = {
        {26, 100}, {4, 0x20000}, {24, 0x40000}, {42, 0x7FFFFFF0}};
    for (const auto& [at, value] : words) {
        b = good, put32(b, at, value);
        EXPECT_EQ(doc.Load(scratch.write(b)), 3) << at;
    }
    // A channel with an unknown compression word.
    ASSERT_EQ(doc.Load(dataPath("im-rgb-rle.psd")), 0);
    const size_t word = size_t(doc.Layer(1)->channels[2].wordOffset);
    b = good, b[word + 1] = 7;
    EXPECT_EQ(doc.Load(scratch.write(b)), 3);
    // A layer mask data length other than 0 or 20.
    ASSERT_EQ(doc.Load(dataPath("im-rgb-rle.psd")), 0);
    b = good;
    const size_t extra = layerSectionAt(b) + 10 + 16 + 2 + 3 * 6 + 12;  // layer 0's extra data
    ASSERT_EQ(get32(b, extra), doc.Layer(0)->extraLength);
    put32(b, extra + 4, 36);
    EXPECT_EQ(doc.Load(scratch.write(b)), 3);
}

// ---- files cut short -------------------------------------------------------------------------

}  // namespace
