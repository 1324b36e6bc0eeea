// The program's own artwork (res/, made by tools/artwork/make_artwork.py and copied beside this
// test as beside the program): the settings window and the overlay load without a layout error
// and carry every node the program binds, with the kind it binds; the pages and the radio pair
// are wired; the slider tracks show the colours the program's own kelvinToRgb gives where the
// thumb's centre selects them; the tray pictures and the Windows icon file agree.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/tray_icon_pixels.h"
#include "colour/colour_temperature.h"
#include "tests/support/files.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/folders.h"
#include "toolkit/font_cache.h"
#include "toolkit/layout_error.h"
#include "toolkit/nodes.h"
#include "toolkit/resource_files.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"

namespace {

using namespace yt;
namespace fs = std::filesystem;

// A document that records the names of the buttons whose clicks reach it.
class RecordingUI : public ytDrawUI {
public:
    intptr_t OnEvent(ytMessage& message) override {
        if (message.eventType == ButtonClicked && message.source)
            clicks.push_back(Resources().GetNodeName(message.source));
        return ytDrawUI::OnEvent(message);
    }
    std::vector<std::string> clicks;
};

// The toolkit with a private runtime folder, filled from the "res" folder beside this test.
class Artwork : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Start(nullptr, true), 0);
        folder_ = fs::temp_directory_path() /
                  ("tintel-artwork-" +
                   std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
        SetRuntimeFolder(folder_.string());
        ForgetResourceFolderCheck();
        SetLayoutErrorRecorder(
            [this](const std::string& text, const std::string&) { errors_.push_back(text); });
    }
    void TearDown() override {
        SetLayoutErrorRecorder(nullptr);
        delete document_;
        ytFontCache::FreeAll();
        SetRuntimeFolder("");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        Stop();
    }
    // Builds a window from "<base>.psd" and "<base>.tre" as the program does.
    void load(const std::string& base, int width, int height) {
        document_ = new RecordingUI();
        document_->Resize(width, height);
        ASSERT_EQ(Resources().LoadArtwork(base, document_), 0) << base << ".psd";
        ASSERT_EQ(Resources().LoadLayout(base), 0) << base << ".tre";
        EXPECT_EQ(errors_, std::vector<std::string>{});
    }
    static bool shown(ytDrawNode* node) {
        for (; node; node = node->parent())
            if (node->hidden()) return false;
        return true;
    }

    fs::path folder_;
    std::vector<std::string> errors_;
    RecordingUI* document_ = nullptr;
};

enum class Kind { kButton, kToggle, kText, kBitmap, kSlider, kAny };

TEST_F(Artwork, SettingsWindowHasEveryBoundNode) {
    load("tintel", 554, 243);
    struct Case {
        const char* names;  // under "tintel/", separated by spaces
        Kind kind;
        const char* parent;  // null: any parent
        bool shownAtStart;
    };
    const Case cases[] = {
        {"slider1 slider2", Kind::kSlider, "tintel/settings", false},
        {"daytext nighttext loc", Kind::kText, "tintel/settings", false},
        {"hours current latitude", Kind::kText, "tintel/main", true},
        {"previewlabel", Kind::kAny, "tintel/sky", false},
        {"sun moon warm wave", Kind::kBitmap, "tintel/sky", true},
        {"changeloc2 disable", Kind::kToggle, "tintel/main", true},
        {"changeloc expandcolor done", Kind::kButton, "tintel/settings", false},
        {"slow fast", Kind::kToggle, "tintel/speed", false},
        {"exit hamburger", Kind::kButton, nullptr, true},
        {"preview change", Kind::kButton, "tintel/main", true},
        {"settings", Kind::kAny, nullptr, false},
    };
    ytResourceTable& table = Resources();
    for (const Case& c : cases) {
        std::istringstream names(c.names);
        for (std::string name; names >> name;) {
            name = "tintel/" + name;
            SCOPED_TRACE(name);
            ytDrawNode* node = table.FindNode(name);
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(shown(node), c.shownAtStart);
            if (c.parent) {
                EXPECT_EQ(node->parent(), table.FindNode(c.parent));
            }
            if (c.kind == Kind::kButton || c.kind == Kind::kToggle) {
                ASSERT_NE(table.FindButton(name), nullptr);
                EXPECT_EQ(table.FindButton(name)->toggle(), c.kind == Kind::kToggle);
            } else if (c.kind == Kind::kText) {
                EXPECT_NE(table.FindText(name), nullptr);
            } else if (c.kind == Kind::kBitmap) {
                ASSERT_NE(table.FindBitmap(name), nullptr);
                EXPECT_FALSE(table.FindBitmap(name)->bitmap().empty());
            } else if (c.kind == Kind::kSlider) {
                // The program hands positions outside 0..1 to the slider as they are.
                for (const float value : {0.0f, 0.5f, 1.0f, -0.4f}) {
                    float back = -9;
                    ASSERT_EQ(ytSliderHandler::SetValue(node, value), 0);
                    ASSERT_EQ(ytSliderHandler::GetValue(node, &back), 0);
                    EXPECT_NEAR(back, value, 1e-5);
                }
            }
        }
    }
    // The day curve is drawn over the whole sky, and the sun and moon fit inside it.
    const ytRectF sky = table.FindNode("tintel/sky")->LocalBounds();
    const ytBitmap& wave = table.FindBitmap("tintel/wave")->bitmap();
    EXPECT_EQ(wave.width(), static_cast<int>(sky.width()));
    EXPECT_EQ(wave.height(), static_cast<int>(sky.height()));
    for (const char* picture : {"tintel/sun", "tintel/moon"}) {
        const ytBitmap& b = table.FindBitmap(picture)->bitmap();
        EXPECT_LT(b.width(), sky.width() / 4) << picture;
        EXPECT_LT(b.height(), sky.height() / 3) << picture;
    }
}

TEST_F(Artwork, PagesAndRadioPairAreWired) {
    load("tintel", 554, 243);
    ytResourceTable& table = Resources();
    ytDrawNode* main = table.FindNode("tintel/main");
    ytDrawNode* settings = table.FindNode("tintel/settings");
    ASSERT_TRUE(main && settings);
    struct Step {
        const char* press;
        bool mainShown, settingsShown;
    };
    for (const Step& s : {Step{"tintel/change", false, true}, Step{"tintel/done", true, false},
                          Step{"tintel/change", false, true}}) {
        SCOPED_TRACE(s.press);
        ASSERT_EQ(table.PressButton(s.press), 0);
        EXPECT_EQ(!main->hidden(), s.mainShown);
        EXPECT_EQ(!settings->hidden(), s.settingsShown);
    }
    ytButtonNode* fast = table.FindButton("tintel/fast");
    ytButtonNode* slow = table.FindButton("tintel/slow");
    for (const char* press : {"tintel/slow", "tintel/fast", "tintel/slow"}) {
        ASSERT_EQ(table.PressButton(press), 0);
        EXPECT_EQ(slow->checked(), std::string(press) == "tintel/slow") << press;
        EXPECT_EQ(fast->checked(), std::string(press) == "tintel/fast") << press;
    }
    // The highlighted location line asks for the location dialog as "Change location..." does,
    // and every button reports its click to the program.
    document_->clicks.clear();
    for (const char* press : {"tintel/changeloc2", "tintel/changeloc", "tintel/hamburger",
                              "tintel/exit", "tintel/preview", "tintel/disable"})
        ASSERT_EQ(table.PressButton(press), 0) << press;
    EXPECT_EQ(document_->clicks,
              (std::vector<std::string>{"tintel/changeloc", "tintel/changeloc", "tintel/hamburger",
                                        "tintel/exit", "tintel/preview", "tintel/disable"}));
    // Every labelled button shows its label in the window's face.
    for (const char* name : {"tintel/change", "tintel/done", "tintel/preview", "tintel/disable",
                             "tintel/fast", "tintel/changeloc", "tintel/expandcolor"}) {
        ASSERT_NE(table.FindButton(name)->label(), nullptr) << name;
        EXPECT_EQ(table.FindButton(name)->label()->fontName(), "Calibri") << name;
        EXPECT_FALSE(table.FindButton(name)->label()->text().empty()) << name;
    }
}

// The track's colour under the thumb's centre is the program's colour for the temperature the
// slider maps that position to (linear in mired from 2700 K at 0 to 6500 K at 1).
TEST_F(Artwork, SliderTracksShowTheirTemperatures) {
    load("tintel", 554, 243);
    for (const char* name : {"tintel/slider1", "tintel/slider2"}) {
        ytBitmapNode* track = Resources().FindBitmap(name);
        ASSERT_NE(track, nullptr);
        ASSERT_FALSE(track->children().empty());
        ytDrawNode* thumb = track->children().front();
        float lo = 0, hi = 0;
        ASSERT_TRUE(thumb->PositionRange(Axis::kX, &lo, &hi)) << name;
        const float thumbWidth = thumb->LocalBounds().width();
        const ytBitmap& bitmap = track->bitmap();
        for (const double p : {0.0, 0.25, 0.5, 0.75, 1.0}) {
            const double kelvin = 1e6 / (370.370361328125 - p * 216.524200439453125);
            float r = 0, g = 0, b = 0;
            tintel::kelvinToRgb(static_cast<float>(kelvin), r, g, b);
            const int x = static_cast<int>(lo + p * (hi - lo) + thumbWidth / 2);
            const uint32_t pixel = bitmap.at(x, bitmap.height() / 2);
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(p));
            EXPECT_EQ(pixel >> 24, 0xFFu);
            EXPECT_NEAR((pixel >> 16) & 0xFF, r * 255, 4);
            EXPECT_NEAR((pixel >> 8) & 0xFF, g * 255, 4);
            EXPECT_NEAR(pixel & 0xFF, b * 255, 4);
        }
    }
}

TEST_F(Artwork, OverlayShowsTitleTextAndLevel) {
    load("magictoken", 200, 200);
    ytResourceTable& table = Resources();
    struct Case {
        const char* name;
        int size, weight;
        uint32_t colour;
    };
    for (const Case& c : {Case{"magictoken/title", 36, 700, 0xFF000000u},
                          Case{"magictoken/text", 14, 400, 0xFF5174D0u}}) {
        ytTextNode* text = table.FindText(c.name);
        ASSERT_NE(text, nullptr) << c.name;
        EXPECT_EQ(text->fontName(), "Calibri") << c.name;
        EXPECT_EQ(text->fontSize(), c.size) << c.name;
        EXPECT_EQ(text->fontWeight(), c.weight) << c.name;
        EXPECT_EQ(text->colour(), c.colour) << c.name;
    }
    ytDrawNode* level = table.FindNode("magictoken/level");
    ASSERT_NE(level, nullptr);
    const ytRectF bar = level->ParentBounds();
    EXPECT_GT(bar.width(), 100);
    EXPECT_GE(bar.left, 0);
    EXPECT_LE(bar.right, 200);
    // The tile's corners are transparent: the overlay is a rounded tile with a shadow.
    const ytBitmap* back = nullptr;
    if (auto* root = dynamic_cast<ytBitmapNode*>(document_->Root())) back = &root->bitmap();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width(), 200);
    EXPECT_EQ(back->at(0, 0), 0u);
    EXPECT_GE(back->at(100, 100) >> 24, 0xF7u);
}

uint32_t le(const std::vector<uint8_t>& d, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | d.at(at + i);
    return v;
}

// The tray pictures at the generated sizes, reduced or enlarged for others, and the Windows icon
// file holding the same drawing at 16, 20, 24, 32, 48 (32-bit pictures) and 256 (PNG) pixels.
TEST(TrayIcon, PicturesForEverySizeAndTheIconFile) {
    for (const int size : {16, 20, 22, 24, 32, 40, 48, 64, 100}) {
        SCOPED_TRACE(size);
        const platform::IconImage image = tintel::trayIconImage(size);
        ASSERT_EQ(image.size, size);
        ASSERT_EQ(image.pixels.size(), static_cast<size_t>(size) * size);
        int covered = 0;
        for (const uint32_t p : image.pixels) {
            const uint32_t a = p >> 24;
            EXPECT_TRUE(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a);
            covered += a > 128;
        }
        // The mark covers about half of its square at every size, and not its corner.
        EXPECT_GT(covered, size * size / 4);
        EXPECT_LT(covered, size * size * 3 / 4 + 1);
        if (size > 4) {
            EXPECT_EQ(image.pixels[static_cast<size_t>(size) * size - 1] >> 24, 0u);
        }
    }
    for (const int size : {0, 257, -3})
        EXPECT_TRUE(tintel::trayIconImage(size).pixels.empty());

    const std::vector<uint8_t> ico =
        testsupport::readBytes(fs::path(ResourceFolder()) / "tintel.ico");
    ASSERT_GT(ico.size(), 6u + 6 * 16);
    ASSERT_EQ(le(ico, 0, 4), 0x00010000u);  // reserved 0, type 1 (icon)
    ASSERT_EQ(le(ico, 4, 2), 6u);
    const int sizes[] = {16, 20, 24, 32, 48, 256};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(sizes[i]);
        const size_t entry = 6 + 16 * static_cast<size_t>(i);
        EXPECT_EQ(ico[entry] == 0 ? 256 : ico[entry], sizes[i]);
        EXPECT_EQ(le(ico, entry + 6, 2), 32u);  // bits per pixel
        const size_t at = le(ico, entry + 12, 4);
        ASSERT_LT(at + le(ico, entry + 8, 4), ico.size() + 1);
        if (sizes[i] == 256) {
            EXPECT_EQ(le(ico, at, 4), 0x474E5089u);  // "\x89PNG"
            continue;
        }
        // A bottom-up 32-bit picture whose alpha is the tray picture's, row for row.
        const int s = sizes[i];
        ASSERT_EQ(le(ico, at, 4), 40u);
        const platform::IconImage tray = tintel::trayIconImage(s);
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x)
                ASSERT_EQ(ico.at(at + 40 + (static_cast<size_t>(s - 1 - y) * s + x) * 4 + 3),
                          tray.pixels[static_cast<size_t>(y) * s + x] >> 24)
                    << x << "," << y;
    }
}

}  // namespace
