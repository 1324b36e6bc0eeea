// The settings panel's binding with a real node tree: every name of the panel registered in the
// toolkit's resource table, real sliders, buttons and texts, the toolkit's own mouse routing, and
// real windows on the harness's X server (or Wine). The clock is the test's own; the local clock
// is held at 20 March 2024 at noon in a zone of UTC+1 without summer time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "app/day_night.h"
#include "app/magic_token.h"
#include "app/panel.h"
#include "platform/window_host.h"
#include "tests/support/ui_fixture.h"
#include "toolkit/button_node.h"
#include "toolkit/folders.h"
#include "toolkit/nodes.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"

using namespace tintel;

namespace {

constexpr float kSkyWidth = 400, kSkyHeight = 200;
constexpr float kTrackX = 100, kTrackWidth = 208;

// The panel as a layout would build it: a sky with the warm area, the day curve, the sun and the
// moon; two sliders (track with a thumb ranging over the track less its own width); texts;
// buttons, toggles and the slow/fast radio pair.
struct PanelTree {
    yt::ytDrawNode* root = nullptr;
    yt::ytDrawNode* sky = nullptr;
    yt::ytColorRectNode* warm = nullptr;
    yt::ytBitmapNode* wave = nullptr;
    yt::ytDrawNode *sun = nullptr, *moon = nullptr;
    yt::ytDrawNode *slider1 = nullptr, *slider2 = nullptr;
    float sliderY[2] = {210, 225};

    template <class T>
    T* add(yt::ytDrawNode* parent, const char* name, T* node, float x = 0, float y = 0) {
        node->SetPosition(x, y);
        parent->AddChild(node);
        yt::Resources().Register(std::string("tintel/") + name, node);
        return node;
    }
    yt::ytDrawNode* slider(const char* name, float y) {
        auto* track =
            add(root, name, new yt::ytColorRectNode(kTrackWidth, 10, 0xFF808080u), kTrackX, y);
        track->AddHandler(new yt::ytSliderHandler());
        auto* thumb = new yt::ytColorRectNode(8, 10, 0xFF000000u);
        thumb->AddConstraint(yt::Axis::kX, yt::ytConstraint::Range(0, 0, 0, 1, -8));
        track->AddChild(thumb);
        return track;
    }
    yt::ytButtonNode* button(yt::ytDrawNode* parent, const char* name, float x, float y,
                             bool toggle = false) {
        auto* b = add(parent, name, new yt::ytButtonNode(20, 12), x, y);
        b->SetToggle(toggle);
        return b;
    }

    void build(yt::ytDrawUI* ui) {
        root = new yt::ytDrawNode();
        ui->SetRoot(root);
        sky = add(root, "sky", new yt::ytDrawNode());
        sky->SetClip({0, 0, static_cast<int>(kSkyWidth), static_cast<int>(kSkyHeight)});
        warm = add(sky, "warm", new yt::ytColorRectNode(10, 10, 0x80402000u));
        wave = add(sky, "wave", new yt::ytBitmapNode(yt::ytBitmap(400, 200)));
        sun = add(sky, "sun", new yt::ytColorCircleNode(20, 20, 0xFFFFD000u));
        moon = add(sky, "moon", new yt::ytColorCircleNode(16, 16, 0xFFE0E0FFu));
        slider1 = slider("slider1", sliderY[0]);
        slider2 = slider("slider2", sliderY[1]);
        for (const char* text : {"daytext", "nighttext", "hours", "loc", "latitude"})
            add(root, text, new yt::ytTextNode(""), 420, 0);
        add(root, "previewlabel", new yt::ytColorRectNode(10, 10, 0xFF000000u), 420, 20);
        button(root, "changeloc2", 420, 40, true);
        button(root, "changeloc", 420, 60);
        auto* radio = add(root, "speed", new yt::ytButtContainer(), 440, 80);
        button(radio, "slow", 0, 0, true);
        button(radio, "fast", 30, 0, true);
        button(root, "exit", 520, 0);
        button(root, "preview", 420, 100);
        button(root, "hamburger", 500, 0);
        button(root, "expandcolor", 420, 120)->Hide();
        button(root, "disable", 420, 140, true);
        add(root, "settings", new yt::ytDrawNode(), 0, 0);
        button(root, "done", 450, 160);
        ui->Resize(554, 243);
        ui->RenderFrame();
    }
};

// The row of the day curve's path in column x of its bitmap (-1: none).
int pathRow(const yt::ytBitmap& bitmap, int x) {
    for (int y = 0; y < bitmap.height(); ++y)
        if (bitmap.at(x, y) == 0xBFBFBFBFu) return y;
    return -1;
}

class Panel : public testsupport::UiFixture {
protected:
    // A new UI on the stored settings with the panel tree; the first schedule step builds the
    // panel (a new day).
    void makeUi() override {
        ui_.reset();
        yt::Resources().Clear();
        UiFixture::makeUi();
        tree_ = {};
        tree_.build(ui_.get());
        ui_->computeSchedule(0);
    }

    TintelUI* ui() { return ui_.get(); }

    // Drags a slider with the toolkit's mouse routing, from the track's middle to `position`
    // (0 .. 1 along the thumb's range; beyond it, past the ends).
    void drag(yt::ytDrawNode* slider, double position, bool release) {
        const float y = slider == tree_.slider1 ? tree_.sliderY[0] + 5 : tree_.sliderY[1] + 5;
        const float x = kTrackX + 4 + static_cast<float>(position) * (kTrackWidth - 8);
        ui()->DispatchMouse(yt::kMouseDown, kTrackX + kTrackWidth / 2, y, yt::kLeftButton);
        ui()->DispatchMouse(yt::kMouseDrag, x, y, yt::kLeftButton);
        if (release) ui()->DispatchMouse(yt::kMouseUp, x, y, 0);
    }
    std::string text(const char* name) {
        return yt::Resources().FindText(std::string("tintel/") + name)->text();
    }
    yt::ytButtonNode* button(const char* name) {
        return yt::Resources().FindButton(std::string("tintel/") + name);
    }
    float sliderValue(yt::ytDrawNode* slider) {
        float v = -1;
        yt::ytSliderHandler::GetValue(slider, &v);
        return v;
    }

    PanelTree tree_;
};

}  // namespace

TEST_F(Panel, TheBuildPlacesTheHorizonTextsAndTheLocationCall) {
    struct Case {
        int latitude, longitude;  // hundredths
        bool highlighted;
        const char* location;
    };
    const Case cases[] = {
        {4500, 1500, false,
         "Location: 45.0\xB0N, 15.0\xB0"
         "E"},
        {-3390, 1840, false,
         "Location: 33.9\xB0S, 18.4\xB0"
         "E"},
        {4500, 0, true, nullptr},  // the longitude comes from the zone: not checked here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.longitude);
        setPref("Latitude", c.latitude);
        setPref("Longitude", c.longitude);
        makeUi();
        EXPECT_EQ(button("changeloc2")->checked(), c.highlighted);
        EXPECT_EQ(ui()->autoHide(), !c.highlighted) << "no location: the window stays up";
        if (c.location) {
            EXPECT_EQ(text("loc"), c.location);
        }
        const std::string you = text("latitude");
        EXPECT_EQ(you.rfind("Your location: ", 0), 0u) << you;
        EXPECT_EQ(you.find(" (Click to set Location)") == you.size() - 24, c.highlighted) << you;

        // The warm area runs from the horizon to the bottom of the sky.
        ui()->RenderFrame();
        const double h = ui()->horizon();
        EXPECT_NEAR(tree_.warm->y(), kSkyHeight * h, 1e-3);
        EXPECT_NEAR(tree_.warm->height(), kSkyHeight * (1 - h), 1e-3);
        EXPECT_FLOAT_EQ(tree_.warm->width(), kSkyWidth);
        // Noon is day: the sun shows, centred on the day curve; the moon is hidden.
        EXPECT_FALSE(tree_.sun->hidden());
        EXPECT_TRUE(tree_.moon->hidden());
        const yt::ytRect at = tree_.sun->WindowBounds();
        const int cy = (at.top + at.bottom) / 2;
        EXPECT_LE(std::abs(cy - pathRow(tree_.wave->bitmap(), (at.left + at.right) / 2)), 2)
            << "the sun sits on its path";
        EXPECT_EQ(text("daytext"), "6500K");
        EXPECT_EQ(text("nighttext"), "3400K");
        EXPECT_NEAR(sliderValue(tree_.slider2), sliderPosition(3400), 1e-5);
        EXPECT_NE(text("hours").find("currently 6500K (day)"), std::string::npos) << text("hours");
    }
}

TEST_F(Panel, DraggingASliderStoresBothTemperaturesAndReleasingGlidesBack) {
    struct Case {
        bool night;
        double position;
        bool ctrl;  // the toolkit's routing reads the real key; the held case is called directly
        uint32_t dayBefore, nightBefore, day, nightAfter;
    };
    const Case cases[] = {
        {false, -0.1, false, 6500, 3400, 2700, 2700},  // the left end: both 2700 K
        {false, 0.0, true, 6500, 3400, 2700, 3400},    // Ctrl keeps the night
        {true, 1.2, false, 5000, 3400, 6500, 6500},    // the night's right end lifts the day
        {true, 1.0, true, 5000, 3400, 5000, 6500},     // Ctrl keeps the day
        {true, 0.5, false, 5000, 3400, 5000, 3800},    // the middle: about 3815 K, so 3800 K
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.night << " " << c.position << " " << c.ctrl);
        setPref("Outdoor", static_cast<int32_t>(c.dayBefore));
        setPref("Indoor", static_cast<int32_t>(c.nightBefore));
        makeUi();
        ui()->setDisableToggle(true);
        yt::ytDrawNode* slider = c.night ? tree_.slider2 : tree_.slider1;
        if (c.ctrl)
            ui()->sliderChanged(c.night ? Slider::Night : Slider::Day, c.position, true);
        else
            drag(slider, c.position, false);
        EXPECT_TRUE(ui()->sliderDragged());
        EXPECT_EQ(ui()->dayKelvin(), c.day);
        EXPECT_EQ(ui()->nightKelvin(), c.nightAfter);
        EXPECT_EQ(pref("Outdoor"), static_cast<int32_t>(c.day));
        EXPECT_EQ(pref("Indoor"), static_cast<int32_t>(c.nightAfter));
        EXPECT_EQ(text("daytext"), std::to_string(c.day) + "K");
        EXPECT_EQ(text("nighttext"), std::to_string(c.nightAfter) + "K");
        // The colour jumps to the dragged temperature with no glide.
        const double dragged = c.night ? c.nightAfter : c.day;
        EXPECT_NEAR(ui()->colourTargetKelvin(), dragged, 0.01);
        EXPECT_TRUE(tree_.wave->bitmap().width() > 0);
        EXPECT_TRUE(button("expandcolor")->hidden()) << "the displays took it";

        // The release: the schedule takes over with a fast glide to the day temperature; the
        // window's disable toggle is unchecked.
        const float y = c.night ? tree_.sliderY[1] : tree_.sliderY[0];
        if (c.ctrl)
            ui()->sliderReleased();
        else
            ui()->DispatchMouse(yt::kMouseUp, kTrackX, y + 5, 0);
        ui()->refreshPanelNodes();
        EXPECT_FALSE(ui()->sliderDragged());
        EXPECT_FALSE(button("disable")->checked());
        EXPECT_NEAR(ui()->colourTargetKelvin(), c.day, 0.01);
        now += 2.0;  // fast glides last at most about two seconds
        ui()->computeSchedule(0);
        EXPECT_NEAR(ui()->currentOutput(), c.day, 0.5);
    }
}

TEST_F(Panel, KeysActAsTheTableSaysAndOthersGoToTheToolkit) {
    struct Case {
        uint32_t message;
        uintptr_t key;
        bool handled;
        bool disables;
        bool preview;
    };
    const Case cases[] = {
        {base::kWmChar, 'p', true, false, true},   {base::kWmChar, 'P', false, false, false},
        {base::kWmChar, 'd', true, true, false},   {base::kWmChar, 'D', false, false, false},
        {base::kWmChar, 'y', true, false, false},  {base::kWmChar, 'Y', false, false, false},
        {base::kWmChar, 'c', true, false, false},  {base::kWmChar, 'C', false, false, false},
        {base::kWmChar, 'x', false, false, false}, {base::kWmKeyDown, 'D', false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.message << " " << char(c.key));
        makeUi();
        yt::ytMessage m = keyMessage(c.message, c.key);
        EXPECT_EQ(ui()->HandleKey(m) == base::kHandled, c.handled);
        EXPECT_EQ(ui()->disabledUntil() > 0, c.disables);
        ui()->OnTimer(now += 1.0);
        EXPECT_EQ(ui()->previewLabelShown(), c.preview);
        EXPECT_EQ(!yt::Resources().FindNode("tintel/previewlabel")->hidden(), c.preview);
    }
    // "y" reads "yellow", which creates it.
    platform::StoredValue yellow;
    EXPECT_TRUE(testsupport::PrivateStore::raw(sectionKey(kPreferences), "yellow", &yellow));
}

TEST_F(Panel, TheOverlayFadesInShowsItsMessageAndFadesOut) {
    MagicToken* token = ui()->overlay();
    ASSERT_NE(token, nullptr) << "the panel build makes the overlay";
    EXPECT_EQ(token->title(), "2808K");

    // From another thread, as the light bridge worker does.
    std::thread([this] {
        EXPECT_EQ(ui()->notify("Dimming", "Until sunrise", 0.5, 3.0), 0);
    }).join();
    struct Step {
        double at;  // seconds after the notification
        double alphaLow, alphaHigh;
        bool visible;
    };
    // In over 0.2 s, shown until 3 s, out over 1 s (values are read 20 ms ahead), then hidden.
    const Step steps[] = {{0.0, 0.0, 0.6, true}, {0.1, 0.3, 1.0, true}, {0.25, 1, 1, true},
                          {2.9, 1, 1, true},     {3.0, 0.5, 1.0, true}, {3.5, 0.001, 0.95, true},
                          {4.1, 0, 0, false},    {10.0, 0, 0, false}};
    const double start = now;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.at);
        now = start + s.at;
        token->OnTimer(now);
        EXPECT_GE(token->alpha(), s.alphaLow);
        EXPECT_LE(token->alpha(), s.alphaHigh);
        EXPECT_FLOAT_EQ(token->contentScale(), 0.3f + 0.7f * static_cast<float>(token->alpha()));
        EXPECT_EQ(token->visible(), s.visible);
        EXPECT_EQ(token->titleNode()->text(), "Dimming");
        EXPECT_EQ(token->textNode()->text(), "Until sunrise");
        if (s.at == 2.9) {
            // Fully shown: the card covers most of the canvas, with the title's dark ink on it.
            token->RenderFrame(nullptr);
            const yt::ytBitmap& frame = token->backBuffer();
            int covered = 0, ink = 0;
            for (int i = 0; i < frame.width() * frame.height(); ++i) {
                const uint32_t p = frame.pixels()[i];
                covered += (p >> 24) > 0xF0;
                ink += (p >> 24) > 0xF0 && (p & 0xFF) < 0x40 && ((p >> 8) & 0xFF) < 0x40;
            }
            EXPECT_GT(covered, 100 * 100);
            EXPECT_GT(ink, 50);
        }
    }
    EXPECT_NEAR(token->level().get(now), 0.5, 1e-9);

    // Alt+End says what it did, and again when it undoes it.
    yt::ytMessage hotkey = keyMessage(platform::kWmHotKey, TintelUI::kHotkeyDisable);
    ui()->HandleInput(hotkey);
    EXPECT_EQ(token->title() + " " + token->text(), "Off for an hour");
    token->OnTimer(now += 0.5);
    ui()->HandleInput(hotkey);
    EXPECT_EQ(token->title(), "On");
}
