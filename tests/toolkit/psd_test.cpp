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

void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, uint16_t(v >> 16)), put16(b, uint16_t(v));
}
void append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A layer for buildPsd: its rectangle, channels (id, then the data from the compression word
// on), and the additional layer information that follows its name "L".
struct LayerSpec {
    int32_t top, left, bottom, right;
    std::vector<std::pair<int16_t, Bytes>> channels;
    Bytes additional;
};

// Assembles an RGB document of w x h with no resources, the given layers and a raw merged image
// of zeros, for the few cases no writing tool produces.
Bytes buildPsd(uint32_t w, uint32_t h, const std::vector<LayerSpec>& layers) {
    Bytes b = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    put16(b, 3), put32(b, h), put32(b, w), put16(b, 8), put16(b, 3), put32(b, 0), put32(b, 0);
    Bytes info;
    put16(info, uint16_t(layers.size()));
    for (const LayerSpec& l : layers) {
        for (int32_t v : {l.top, l.left, l.bottom, l.right})
            put32(info, uint32_t(v));
        put16(info, uint16_t(l.channels.size()));
        for (const auto& [id, data] : l.channels)
            put16(info, uint16_t(id)), put32(info, uint32_t(data.size()));
        append(info, {'8', 'B', 'I', 'M', 'n', 'o', 'r', 'm', 255, 0, 0, 0});
        put32(info, uint32_t(12 + l.additional.size()));
        put32(info, 0), put32(info, 0);
        append(info, {1, 'L', 0, 0});
        append(info, l.additional);
    }
    for (const LayerSpec& l : layers)
        for (const auto& channel : l.channels)
            append(info, channel.second);
    put32(b, uint32_t(info.size() + 4)), put32(b, uint32_t(info.size()));
    append(b, info);
    put16(b, 0);
    b.resize(b.size() + size_t(3) * w * h);
    return b;
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

TEST(PsdRealFiles, ImageMagickIndexedColourGoesThroughThePalette) {
    const Picture indexed = readPam("indexed.pam");
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(dataPath("im-indexed.psd")), 0);
    EXPECT_EQ(doc.ColourMode(), 2);
    EXPECT_EQ(doc.Palette()[0] >> 24, 0xFFu);
    expectDecodesTo(doc, -1, indexed, 0, 0);
    expectDecodesTo(doc, 0, indexed, 0, 0);
    expectColour(doc, 0, indexed.at(0, 0));
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

TEST(PsdDocument, LoadResultsAndIndexesOutsideTheLayers) {
    yt::ytPsdDocument doc;
    yt::ytBitmap bitmap;
    uint32_t colour;
    EXPECT_EQ(doc.DecodeLayer(0, &bitmap), 4);
    ASSERT_EQ(doc.Load(dataPath("ag-layers.psd")), 0);
    for (int index : {-2, 5, 1000}) {
        EXPECT_TRUE(doc.LayerRect(index).empty());
        EXPECT_EQ(doc.LayerName(index), "");
        EXPECT_EQ(doc.DecodeLayer(index, &bitmap), -1);
        EXPECT_EQ(doc.LayerColour(index, &colour), -1);
    }
    EXPECT_EQ(doc.Load(dataPath("no-such-file.psd")), 2);
    EXPECT_EQ(doc.LayerCount(), 0) << "the earlier file is let go";
    EXPECT_EQ(doc.DecodeLayer(-1, &bitmap), 4);
}

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

TEST(PsdDocument, LayerInfoOfLengthZeroMeansNoLayers) {
    Bytes b = readBytes(dataPath("im-rgb-rle.psd"));
    put32(b, layerSectionAt(b) + 4, 0);
    Scratch scratch;
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(scratch.write(b)), 0);
    EXPECT_EQ(doc.LayerCount(), 0);
    expectDecodesTo(doc, -1, readPam("canvas.pam"), 0, 0);
}

TEST(PsdDocument, RunLengthRowsStayWithinTheirWidth) {
    const Bytes good = readBytes(dataPath("im-rgb-rle.psd"));
    const Picture opaque = readPam("opaque.pam");
    Scratch scratch;
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(dataPath("im-rgb-rle.psd")), 0);
    const yt::ytChannelData red = doc.Layer(0)->channels[0];  // 13 pixels a row
    const size_t n = size_t(good[red.tableOffset]) << 8 | good[red.tableOffset + 1];
    ASSERT_GE(n, 4u);
    yt::ytBitmap bitmap;

    // Row 0 rewritten as a -128 header (skipped), one run of 128 (-127) and -128 fillers: only
    // 13 bytes are written.
    Bytes b = good;
    b[red.dataOffset] = 0x80, b[red.dataOffset + 1] = 0x81, b[red.dataOffset + 2] = 0x11;
    std::fill_n(b.begin() + std::ptrdiff_t(red.dataOffset + 3), n - 3, uint8_t{0x80});
    ASSERT_EQ(doc.Load(scratch.write(b)), 0);
    ASSERT_EQ(doc.DecodeLayer(0, &bitmap), 0);
    for (int x = 0; x < 13; ++x) {
        EXPECT_EQ(bitmap.at(x, 0), (opaque.at(x, 0) & 0xFF00FFFFu) | 0x110000u) << x;
        EXPECT_EQ(bitmap.at(x, 1), opaque.at(x, 1)) << x;
    }
    // Row 0 as a literal of 128 cut short by the row's byte count: n - 1 pixels get a byte,
    // the rest keep opaque black's red of 0.
    b = good;
    b[red.dataOffset] = 0x7F;
    for (size_t i = 1; i < n; ++i)
        b[red.dataOffset + i] = uint8_t(0x40 + i);
    ASSERT_EQ(doc.Load(scratch.write(b)), 0);
    ASSERT_EQ(doc.DecodeLayer(0, &bitmap), 0);
    for (int x = 0; x < 13; ++x) {
        const uint32_t r = size_t(x) < n - 1 ? 0x41u + x : 0u;
        EXPECT_EQ(bitmap.at(x, 0), (opaque.at(x, 0) & 0xFF00FFFFu) | r << 16) << x;
    }
    // Byte counts too small to fill the rows cannot come from a real encoder: format error.
    b = good;
    b[red.tableOffset] = 0, b[red.tableOffset + 1] = 0;
    for (size_t r = 1; r < size_t(red.rows); ++r)
        b[red.tableOffset + 2 * r] = 0, b[red.tableOffset + 2 * r + 1] = 1;
    EXPECT_EQ(doc.Load(scratch.write(b)), 3);
}

TEST(PsdDocument, UnicodeNamesEndAtAZeroAndSkipOtherBlocks) {
    // An "8B64" block first, then "luni" with x, e-acute, a lone surrogate, z, a zero, q.
    Bytes additional = {'8', 'B', '6', '4', 'l', 'n', 'k', '2'};
    put32(additional, 4), put32(additional, 0xFFFFFFFF);
    append(additional, {'8', 'B', 'I', 'M', 'l', 'u', 'n', 'i'});
    put32(additional, 4 + 12), put32(additional, 6);
    for (uint16_t unit : {0x78, 0xE9, 0xD800, 0x7A, 0x0000, 0x71})
        put16(additional, unit);
    Bytes opaque = {0, 0, 7};  // raw, one byte
    Scratch scratch;
    yt::ytPsdDocument doc;
    ASSERT_EQ(doc.Load(scratch.write(buildPsd(1, 1, {{0, 0, 1, 1, {{0, opaque}}, additional}}))),
              0);
    EXPECT_EQ(doc.LayerName(0), "x\xE9?z");
    yt::ytBitmap bitmap;
    ASSERT_EQ(doc.DecodeLayer(0, &bitmap), 0);
    EXPECT_EQ(bitmap.at(0, 0), 0xFF070000u);
}

TEST(PsdDocument, ImpossiblyShortRunLengthDataFailsBeforeAnyPixelIsMade) {
    // 30000 x 30000 pixels from 30000 empty rows: refused at Load, not allocated at decode.
    Bytes channel = {0, 1};
    channel.resize(2 + 2 * 30000);
    Scratch scratch;
    yt::ytPsdDocument doc;
    EXPECT_EQ(doc.Load(scratch.write(buildPsd(1, 1, {{0, 0, 30000, 30000, {{0, channel}}, {}}}))),
              3);
    // Without a colour or transparency channel nothing backs the pixels: no bitmap either.
    ASSERT_EQ(doc.Load(scratch.write(buildPsd(1, 1, {{0, 0, 30000, 30000, {}, {}}}))), 0);
    yt::ytBitmap bitmap;
    EXPECT_EQ(doc.DecodeLayer(0, &bitmap), -1);
    // The same layer with rows that can hold their width loads and decodes.
    Bytes rows = {0, 1, 0, 4, 0, 4};  // two rows of 4 bytes: run of 128, run of 2 (width 130)
    append(rows, {0x81, 9, 0xFF, 8, 0x81, 9, 0xFF, 8});
    ASSERT_EQ(doc.Load(scratch.write(buildPsd(1, 1, {{0, 0, 2, 130, {{1, rows}}, {}}}))), 0);
    ASSERT_EQ(doc.DecodeLayer(0, &bitmap), 0);
    EXPECT_EQ(bitmap.at(127, 1), 0xFF000900u);
    EXPECT_EQ(bitmap.at(129, 1), 0xFF000800u);
}

// ---- files cut short -------------------------------------------------------------------------

TEST(PsdTruncated, EveryCutAtASectionBoundaryOrRandomPointFails) {
    std::mt19937 random(20240607);
    Scratch scratch;
    for (const char* name :
         {"im-rgb-rle.psd", "im-rgba-raw.psd", "im-indexed.psd", "gimp.psd", "ag-layers.psd"}) {
        SCOPED_TRACE(name);
        const Bytes file = readBytes(dataPath(name));
        yt::ytPsdDocument doc;
        ASSERT_EQ(doc.Load(dataPath(name)), 0);
        // Section boundaries: header, colour mode data, resources, layer section, every layer's
        // channel data (compression word, byte count table, pixels), the merged image.
        const size_t resources = 26 + 4 + get32(file, 26), layers = layerSectionAt(file);
        std::vector<uint64_t> cuts = {0, 1, 4, 25, 26, 30, resources, resources + 4};
        cuts.insert(cuts.end(), {layers, layers + 4, layers + 8, file.size() - 1});
        for (int i = -1; i < doc.LayerCount(); ++i) {
            cuts.push_back(doc.Layer(i)->dataOffset);
            for (const yt::ytChannelData& ch : doc.Layer(i)->channels)
                cuts.insert(cuts.end(), {ch.wordOffset, ch.wordOffset + 1, ch.tableOffset,
                                         ch.dataOffset, ch.dataOffset + ch.dataSize - 1});
        }
        for (int i = 0; i < 150; ++i)
            cuts.push_back(random() % file.size());
        for (uint64_t cut : cuts) {
            if (cut >= file.size()) continue;
            yt::ytPsdDocument cutDoc;
            EXPECT_EQ(cutDoc.Load(scratch.write(file, size_t(cut))), 3) << "cut at " << cut;
        }
    }
}

}  // namespace
