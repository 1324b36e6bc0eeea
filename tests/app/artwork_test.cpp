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

}  // namespace
