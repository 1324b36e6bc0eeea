// The tray menu as the model holds it, and each command's effect on the controller and the
// preferences; then the tray icon of a real window (the harness's X server, or Wine): the tray
// callback shows the window and opens the menu, and the menu's exit item ends the pump.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/tray.h"
#include "tests/support/ui_fixture.h"
#include "toolkit/window.h"

using namespace tintel;

namespace {

// The menu as one text, an item a line: "-" a separator, "*" the default item, "[x]" checked,
// "(grey)" greyed, and a submenu's items indented under it.
void flatten(const std::vector<platform::MenuItem>& items, const std::string& indent,
             std::string* out) {
    for (const platform::MenuItem& item : items) {
        *out += indent + (item.separator ? "-" : "");
        if (!item.separator) {
            *out += std::string(item.isDefault ? "*" : "") + (item.checked ? "[x] " : "") +
                    item.text + (item.greyed ? " (grey)" : "");
        }
        *out += "\n";
        flatten(item.submenu, indent + "  ", out);
    }
}

std::string lines(const yt::ytMenu& menu) {
    std::string out;
    flatten(menu.Items(), "", &out);
    return out;
}

// 23:00: night, sunrise about seven hours away.
class TrayMenu : public testsupport::UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        at(23 * 60);
        ui_->setExtendedRange(true);
    }

    // Opens the tray menu as a right click does, chooses `id` (0: dismiss), and keeps the menu.
    void choose(uint32_t id) {
        now += 1.0;  // the user takes a moment
        ui_->setMenuTracker([this, id](const yt::ytMenu& menu, int, int) {
            shown_ = menu;
            EXPECT_TRUE(ui_->modalOpen()) << "the menu runs with the modal flag set";
            return id;
        });
        ui_->showTrayMenu(10, 10, false);
        EXPECT_FALSE(ui_->modalOpen());
    }

    yt::ytMenu shown_;
};

const std::string kExit = std::string("Exit Tintel (v") + TINTEL_EXPECTED_VERSION + ")";

}  // namespace

TEST_F(TrayMenu, ListsItsItemsForEachCase) {
    const std::string common = "Extras...\n-\nSafe Mode\n-\nMovie Mode\n";
    const std::string tail =
        "  [x] 3400k: Halogen\n  4200k: Fluorescent\n  5000k: Sunlight\n"
        "Disable for an hour\nDisable until sunrise\n-\n[x] Install updates automatically\n-\n" +
        kExit + "\n";
    const std::string wide = common + "Darkroom Mode\n-\nLighting at night\n  1200k: Ember\n" +
                             "  1900k: Candle\n  2300k: Dim Incandescent\n  2700k: Incandescent\n" +
                             tail;
    // The notification overlay comes with the panel the first step builds; until then notify
    // answers -1.
    EXPECT_EQ(ui_->notify("Off", "for an hour", 0, 3.0), -1);
    ui_->computeSchedule(0);
    EXPECT_EQ(lines(ui_->buildTrayMenu(false)), "*Settings...\n" + wide);
    // From the window's menu button there is no "Settings...".
    EXPECT_EQ(lines(ui_->buildTrayMenu(true)), wide);

    // Without the extended range: "Expand Color Range" first, the warm presets greyed, and no
    // "Darkroom Mode".
    ui_->setExtendedRange(false);
    EXPECT_EQ(lines(ui_->buildTrayMenu(false)),
              "*Settings...\n" + common +
                  "-\nLighting at night\n  Expand Color Range\n  -\n  1200k: Ember (grey)\n"
                  "  1900k: Candle (grey)\n  2300k: Dim Incandescent (grey)\n"
                  "  2700k: Incandescent (grey)\n" +
                  tail);
    // A greyed preset cannot be chosen.
    ui_->runTrayCommand(98);
    EXPECT_EQ(ui_->nightKelvin(), 3400u);
    ui_->runTrayCommand(TintelUI::kCmdDarkroom);
    EXPECT_FALSE(ui_->darkroom());
}

TEST_F(TrayMenu, CommandsChangeTheControllerAndThePreferences) {
    // Each switch twice: the menu shows its state before, the store holds it after ("Install
    // updates automatically" is checked while "DisableUpdate" is 0).
    const struct {
        uint32_t id;
        const char* pref;
        bool checkedMeansStored;
    } switches[] = {{TintelUI::kCmdSafeMode, "SafeMode", true},
                    {TintelUI::kCmdAutoUpdate, "DisableUpdate", false}};
    for (const auto& s : switches) {
        for (const int stored : {1, 0}) {
            choose(s.id);
            ASSERT_NE(shown_.Find(s.id), nullptr);
            EXPECT_EQ(shown_.Find(s.id)->checked, (stored == 0) == s.checkedMeansStored) << s.pref;
            EXPECT_EQ(pref(s.pref), stored) << s.pref;
        }
    }
    EXPECT_FALSE(controller_->safeMode);

    choose(TintelUI::kCmdMovie);
    EXPECT_DOUBLE_EQ(ui_->movieUntil(), now + 9000);
    choose(TintelUI::kCmdDarkroom);
    EXPECT_TRUE(ui_->darkroom());
    EXPECT_EQ(ui_->movieUntil(), 0);
    EXPECT_TRUE(ui_->buildTrayMenu(false).Find(TintelUI::kCmdDarkroom)->checked);

    // Dimming adds "Return to Full Brightness", which ends it.
    EXPECT_EQ(ui_->buildTrayMenu(false).Find(TintelUI::kCmdFullBrightness), nullptr);
    ui_->dimStep(DimDirection::Darker);
    choose(TintelUI::kCmdFullBrightness);
    ASSERT_NE(shown_.Find(TintelUI::kCmdFullBrightness), nullptr);
    EXPECT_EQ(ui_->dimTarget(), 1.0);
    EXPECT_EQ(ui_->dimmedUntil(), 0);

    // Every preset sets the night temperature, stores it and ends darkroom.
    const struct {
        uint32_t id, kelvin;
    } presets[] = {{97, 1200},  {98, 1900},  {99, 2300}, {101, 2700},
                   {102, 3400}, {103, 4200}, {104, 5000}};
    for (const auto& preset : presets) {
        choose(preset.id);
        EXPECT_EQ(ui_->nightKelvin(), preset.kelvin);
        EXPECT_EQ(pref("Indoor"), static_cast<int32_t>(preset.kelvin));
        EXPECT_FALSE(ui_->darkroom());
        EXPECT_TRUE(ui_->buildTrayMenu(false).Find(preset.id)->checked);
    }
    choose(0);  // dismissed: nothing changes
    EXPECT_EQ(ui_->nightKelvin(), 5000u);

    // By day a new night preset is previewed.
    at(12 * 60);
    settle();
    ASSERT_EQ(std::lround(ui_->currentOutput()), 6500);
    choose(98);
    EXPECT_FALSE(ui_->allAnimationsIdle()) << "the new night colour is previewed";
    ui_->OnTimer(now += 0.5);
    EXPECT_TRUE(ui_->previewLabelShown());
}

// A real window with its icon: the tray callback message shows the window (left button) and
// opens the menu (right button); the exit item closes the window and the pump ends.
TEST_F(TrayMenu, TrayCallbackDrivesTheWindowAndTheMenu) {
    auto* window = new yt::ytWindow();
    ASSERT_TRUE(window->Create("Tintel tray test", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0,
                               200, 100));
    window->SetDocument(ui_.release());
    auto* ui = static_cast<TintelUI*>(window->Document());
    ui->addTrayIcon();
    EXPECT_TRUE(window->HasTrayIcon());

    window->WindowProc(platform::kTrayCallbackMessage, 0, base::kWmLButtonDown);
    EXPECT_TRUE(window->IsVisible());
    EXPECT_FALSE(ui->activityStopwatchRunning());

    std::string seen;
    ui->setMenuTracker([&seen](const yt::ytMenu& menu, int, int) {
        seen = lines(menu);
        return uint32_t{TintelUI::kCmdExit};
    });
    window->WindowProc(platform::kTrayCallbackMessage, 0, base::kWmRButtonDown);
    EXPECT_EQ(seen.rfind("*Settings...\n", 0), 0u) << seen;
    EXPECT_NE(seen.find("\n" + kExit + "\n"), std::string::npos) << seen;
    // The close request is posted: the pump delivers it and ends when the window is gone.
    EXPECT_EQ(yt::RunLoop(20), 0);
    EXPECT_EQ(yt::OpenMainWindows(), 0);
}
