// The font cache against the platform's real fonts: the .ytf file round trip and its damage
// checks, file names, measuring and drawing, and a rendered line compared with a reference
// picture of this build (tests/data/fonts, checked by eye when it was made).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/pixels.h"
#include "toolkit/bitmap.h"
#include "toolkit/folders.h"
#include "toolkit/font_cache.h"

namespace yt {
namespace {

namespace fs = std::filesystem;

using testsupport::readBytes;
using testsupport::writeBytes;

class FontCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tintel-fonts-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        SetRuntimeFolder("");
        ytFontCache::FreeAll();
        fs::remove_all(folder_);
    }
    fs::path folder_;
};

// Three lines through both reduction paths (the filter below size 17, block sums above), bold,
// kerning pairs and a byte above 0x7F, black on white.
ytBitmap renderSample(ytFontCache& arial, ytFontCache& calibri, ytFontCache& bold) {
    ytBitmap canvas(300, 64);
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            canvas.row(y)[x] = 0xFFFFFFFFu;
    arial.Draw(canvas, 2, 1, "Sunset in 10 minutes, 6500\xB0K. AVAWAY fig.", 0xFF000000u);
    calibri.Draw(canvas, 2, 16, "Tintel Wave 1200 K", 0xFF203080u);
    bold.Draw(canvas, 2, 44, "Darkroom Mode: To Ty \"quoted\"", 0xFF000000u);
    return canvas;
}

TEST_F(FontCacheTest, FileIsRebuiltByteForByteAfterDeletionOrDamage) {
    const fs::path path = folder_ / FontCacheFileName("Arial", 12, 400, false);
    ytFontCache built("Arial", 12, 400, false);
    ASSERT_EQ(built.LoadOrBuild(path.string()), 0);
    const std::vector<uint8_t> original = readBytes(path);
    ASSERT_EQ(original.size(), built.SerializedSize());
    EXPECT_GT(built.lineHeight(), 8);
    EXPECT_FALSE(built.chosenFace().empty());

    // Deleted: built again, the same bytes.
    fs::remove(path);
    ytFontCache rebuilt("Arial", 12, 400, false);
    ASSERT_EQ(rebuilt.LoadOrBuild(path.string()), 0);
    EXPECT_FALSE(rebuilt.chosenFace().empty()) << "the file was gone: it must have been built";
    EXPECT_EQ(readBytes(path), original);

    // Present: loaded, not built, and identical in use.
    ytFontCache loaded("Arial", 12, 400, false);
    ASSERT_EQ(loaded.LoadOrBuild(path.string()), 0);
    EXPECT_TRUE(loaded.chosenFace().empty()) << "an intact file must be loaded";
    EXPECT_EQ(loaded.Serialize(), original);

    // Damage of every kind is refused by Load and repaired by LoadOrBuild.
    struct Damage {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    auto flipped = [&](size_t at) {
        std::vector<uint8_t> b = original;
        b[at] ^= 0x01;
        return b;
    };
    std::vector<uint8_t> longer = original;
    longer.push_back(0);
    const Damage damages[] = {
        {"version", flipped(0)},
        {"face name byte", flipped(11 * 4)},
        {"coverage byte in the middle", flipped(original.size() / 2)},
        {"glyph record", flipped(original.size() - 30)},
        {"checksum", flipped(original.size() - 1)},
        {"cut short", std::vector<uint8_t>(original.begin(), original.end() - 7)},
        {"one byte too many", longer},
        {"empty", {}},
    };
    for (const Damage& d : damages) {
        ytFontCache probe("Arial", 12, 400, false);
        EXPECT_EQ(probe.Load(d.bytes.data(), d.bytes.size()), 3) << d.what;
        EXPECT_FALSE(probe.loaded()) << d.what;
        writeBytes(path, d.bytes);
        ytFontCache repaired("Arial", 12, 400, false);
        ASSERT_EQ(repaired.LoadOrBuild(path.string()), 0) << d.what;
        EXPECT_FALSE(repaired.chosenFace().empty()) << d.what << ": must have been rebuilt";
        EXPECT_EQ(readBytes(path), original) << d.what;
    }

    // A file of another size under this name (renamed by hand) is not taken for this one.
    ytFontCache other("Arial", 13, 400, false);
    ASSERT_EQ(other.Build(), 0);
    writeBytes(path, other.Serialize());
    ytFontCache wanted("Arial", 12, 400, false);
    ASSERT_EQ(wanted.LoadOrBuild(path.string()), 0);
    EXPECT_EQ(readBytes(path), original);
}

TEST_F(FontCacheTest, TextMeasuresAndDrawsTheSameFromFileAndMatchesTheReference) {
    SetRuntimeFolder(folder_.string());
    ytFontCache arial("Arial", 12, 400, false), calibri("Calibri", 18, 400, false),
        bold("Arial", 12, 700, false);
    for (ytFontCache* f : {&arial, &calibri, &bold})
        ASSERT_EQ(f->Build(), 0);
    // fontconfig must find the metric-compatible stand-ins.
    if (std::string(TINTEL_PLATFORM) == "linux") {
        EXPECT_NE(arial.chosenFace().find("Liberation Sans"), std::string::npos);
        EXPECT_NE(calibri.chosenFace().find("Carlito"), std::string::npos);
        EXPECT_NE(bold.chosenFace().find("Bold"), std::string::npos);
    }
    const ytBitmap first = renderSample(arial, calibri, bold);

    // The same fonts through their files (a later run) draw and measure the same.
    ytFontCache *arialFile = nullptr, *calibriFile = nullptr, *boldFile = nullptr;
    for (int run = 0; run < 2; ++run) {  // the first writes the files, the second reads them
        ytFontCache::FreeAll();
        arialFile = ytFontCache::GetFont("Arial", 12, 400, false);
        calibriFile = ytFontCache::GetFont("Calibri", 18, 400, false);
        boldFile = ytFontCache::GetFont("Arial", 12, 700, false);
        ASSERT_TRUE(arialFile && calibriFile && boldFile);
    }
    EXPECT_TRUE(arialFile->chosenFace().empty()) << "loaded from its file";
    const ytBitmap second = renderSample(*arialFile, *calibriFile, *boldFile);
    ASSERT_EQ(first.width(), second.width());
    EXPECT_TRUE(std::equal(first.pixels(), first.pixels() + first.width() * first.height(),
                           second.pixels()));
    const std::string text = "Sunset in 10 minutes";
    EXPECT_EQ(arial.Measure(text), arialFile->Measure(text));
    EXPECT_GT(arial.Measure(text), 80);
    EXPECT_LT(arial.Measure(text), 140);

    // Kerning pulls a kerned pair closer than its two letters measured apart.
    for (ytFontCache* f : {&arial, &calibri})
        if (f->Kerning('A', 'V') < 0) {
            EXPECT_LT(f->Measure("AV") * 4, (f->Measure("A") + f->Measure("V")) * 4);
        }

    // The reference picture of this build.
    const fs::path reference =
        fs::path(TINTEL_FONT_DATA) / ("line-" + std::string(TINTEL_PLATFORM) + ".ppm");
    std::vector<uint8_t> ppm;
    const std::string header =
        "P6\n" + std::to_string(first.width()) + " " + std::to_string(first.height()) + "\n255\n";
    ppm.assign(header.begin(), header.end());
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            const uint32_t p = first.at(x, y);
            ppm.push_back(static_cast<uint8_t>(p >> 16));
            ppm.push_back(static_cast<uint8_t>(p >> 8));
            ppm.push_back(static_cast<uint8_t>(p));
        }
    const std::vector<uint8_t> expected = readBytes(reference);
    if (expected != ppm) {
        writeBytes(fs::path("line-" + std::string(TINTEL_PLATFORM) + ".ppm"), ppm);
        ADD_FAILURE() << "the rendered line differs from " << reference.string()
                      << "; this build's picture is in the test's working folder";
    }
}

TEST_F(FontCacheTest, LinesBreakAtSpacesAndInsideLongWords) {
    ytFontCache font("Arial", 12, 400, false);
    ASSERT_EQ(font.Build(), 0);
    const int word = font.Measure("minutes");
    const struct {
        const char* text;
        int width;
        std::vector<std::string> lines;
    } cases[] = {
        {"minutes minutes minutes", word * 2 + font.Measure(" "), {"minutes minutes", "minutes"}},
        {"minutes  minutes", word, {"minutes", "minutes"}},
        {"minutes\n\nminutes", 1000, {"minutes", "", "minutes"}},
        {"", 100, {""}},
        {"minutes", word - 1, {"minute", "s"}},
        {"m", 0, {"m"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const auto& [start, length] : font.BreakLines(c.text, c.width))
            got.push_back(std::string(c.text).substr(start, length));
        EXPECT_EQ(got, c.lines) << '"' << c.text << "\" in " << c.width;
    }
}

}  // namespace
}  // namespace yt
