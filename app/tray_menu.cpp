// The tray side of TintelUI: the notification-area icon, the tray menu and its commands, the tray
// callback and the hotkeys.
//
// Contents
//   1. the icon (the generated pictures of app/tray_icon_pixels.cpp)
//   2. the menu: building, showing, the command table
//   3. tray clicks and hotkeys
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/controller.h"
#include "app/entry.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "app/tray_icon_pixels.h"
#include "colour/wide_gamma.h"
#include "platform/dialog.h"
#include "platform/tray.h"
#include "platform/window_host.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

struct NightPreset {
    uint32_t id;
    uint32_t kelvin;
    const char* text;
    bool needsExtendedRange;
};

// The "Lighting at night" submenu, in its order.
constexpr NightPreset kPresets[] = {
    {97, 1200, "1200k: Ember", true},
    {98, 1900, "1900k: Candle", true},
    {99, 2300, "2300k: Dim Incandescent", true},
    {101, 2700, "2700k: Incandescent", true},
    {102, 3400, "3400k: Halogen", false},
    {103, 4200, "4200k: Fluorescent", false},
    {104, 5000, "5000k: Sunlight", false},
};

constexpr double kOneHour = 3600.0;
constexpr double kNotifySeconds = 3.0;

// ---- 1. the icon --------------------------------------------------------------------------------

// "%d.%d" of the executable's product version; empty when it cannot be read.
std::string versionText() {
    int major = 0, minor = 0;
    if (!platform::productVersion(&major, &minor)) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", major, minor);
    return text;
}

}  // namespace

void TintelUI::addTrayIcon() {
    yt::ytWindow* window = Window();
    if (!window) return;
    const platform::IconImage dialogIcon = trayIconImage(32);  // the dialogs' icon (101)
    platform::setDialogIcon(dialogIcon.size, dialogIcon.pixels);
    window->SetTrayIcon(trayIconImage(platform::trayIconSize()), "Tintel",
                        [this] { return buildTrayMenu(false).Items(); });
}

// ---- 2. the menu --------------------------------------------------------------------------------

yt::ytMenu TintelUI::buildTrayMenu(bool fromWindow) {
    const bool updatesOff = RegDword(kPreferences, "DisableUpdate", 0).read() != 0;
    const bool safeMode = RegDword(kPreferences, "SafeMode", 0).read() != 0;

    yt::ytMenu night;
    if (!extendedRange_) {
        night.Append(kCmdExpandRange, "Expand Color Range");
        night.AppendSeparator();
    }
    for (const NightPreset& preset : kPresets) {
        uint32_t marks = night_ == preset.kelvin ? yt::kMenuChecked : yt::kMenuPlain;
        if (preset.needsExtendedRange && !extendedRange_) marks |= yt::kMenuGreyed;
        night.Append(preset.id, preset.text, marks);
    }

    const auto mark = [](bool on) { return on ? yt::kMenuChecked : yt::kMenuPlain; };
    const double left = disabledUntil_ - now();
    yt::ytMenu menu;
    if (!fromWindow) menu.Append(kCmdSettings, "Settings...", yt::kMenuDefault);
    menu.Append(kCmdExtras, "Extras...");
    menu.AppendSeparator();
    menu.Append(kCmdSafeMode, "Safe Mode", mark(safeMode));
    if (dimTarget_ != 1.0) menu.Append(kCmdFullBrightness, "Return to Full Brightness");
    menu.AppendSeparator();
    menu.Append(kCmdMovie, "Movie Mode", mark(movieUntil_ > 0));
    if (extendedRange_) menu.Append(kCmdDarkroom, "Darkroom Mode", mark(darkroom_));
    menu.AppendSeparator();
    menu.AppendSubmenu("Lighting at night", night);
    menu.Append(kCmdDisableHour, "Disable for an hour",
                mark(disabledUntil_ > 0 && left <= kOneHour));
    menu.Append(kCmdDisableSunrise, "Disable until sunrise",
                mark(disabledUntil_ > 0 && left > kOneHour));
    menu.AppendSeparator();
    menu.Append(kCmdAutoUpdate, "Install updates automatically", mark(!updatesOff));
    menu.AppendSeparator();
    menu.Append(kCmdExit, "Exit Tintel (v" + versionText() + ")");
    return menu;
}

void TintelUI::showTrayMenu(int x, int y, bool fromWindow) {
    const bool wasModal = modalOpen_;
    modalOpen_ = true;
    const yt::ytMenu menu = buildTrayMenu(fromWindow);
    uint32_t chosen = 0;
    if (menuTracker_) {
        chosen = menuTracker_(menu, x, y);
    } else {
        yt::ytWindow* window = Window();
        chosen = menu.Track(window ? window->Native() : nullptr, x, y);
    }
    runTrayCommand(chosen);
    modalOpen_ = wasModal;
}

void TintelUI::runTrayCommand(uint32_t id) {
    const uint32_t nightBefore = night_;
    carryOutTrayCommand(id);
    // A new night colour chosen by day shows for a moment.
    if (night_ != nightBefore && static_cast<float>(currentOutput_) == static_cast<float>(day_))
        flashPreview();
}

void TintelUI::carryOutTrayCommand(uint32_t id) {
    for (const NightPreset& preset : kPresets) {
        if (preset.id == id) {
            // A greyed preset cannot be chosen from the menu; the exported copy asks the same.
            if (!preset.needsExtendedRange || extendedRange_) setNightPreset(preset.kelvin);
            return;
        }
    }
    switch (id) {
        case kCmdSettings:
            // (The panel's settings page opens here once the layout has one: "tintel/change".)
            showWindow();
            break;
        case kCmdExtras:
            openExtras();
            break;
        case kCmdSafeMode: {
            RegDword safeMode(kPreferences, "SafeMode", 0);
            const int32_t now = safeMode.read() == 0 ? 1 : 0;
            safeMode.write(now);
            if (controller_) controller_->safeMode = now != 0;
            // The window's per-pixel alpha follows at once (redrawn whole), then it shows.
            if (yt::ytWindow* window = Window()) window->SetPerPixelAlpha(now == 0);
            showWindow();
            break;
        }
        case kCmdFullBrightness:
            returnToFullBrightness();
            break;
        case kCmdMovie:
            toggleMovieMode();
            break;
        case kCmdDarkroom:
            if (extendedRange_) toggleDarkroom();
            break;
        case kCmdExpandRange:
            expandColourRange();
            break;
        case kCmdDisableHour:
            setDisable(DisableFrom::Command, kOneHour);
            break;
        case kCmdDisableSunrise:
            setDisable(DisableFrom::Command, -1);
            break;
        case kCmdAutoUpdate: {
            RegDword updatesOff(kPreferences, "DisableUpdate", 0);
            updatesOff.write(updatesOff.read() != 0 ? 0 : 1);
            break;
        }
        case kCmdExit:
            if (yt::ytWindow* window = Window()) window->PostClose();
            break;
        default:
            break;  // dismissed
    }
}

// ---- 3. tray clicks and hotkeys -----------------------------------------------------------------

void TintelUI::onTrayCallback(intptr_t mouseMessage) {
    if (mouseMessage == base::kWmLButtonDown) {
        activitySince_ = -1;
        showWindow();
    } else if (mouseMessage == base::kWmRButtonDown) {
        activitySince_ = -1;
        int x = 0, y = 0;
        yt::ytWindow* window = Window();
        if (window) window->TrayClickPoint(&x, &y);
        showTrayMenu(x, y, false);
    }
}

void TintelUI::onHotkey(uintptr_t id) {
    switch (id) {
        case kHotkeyBrighter:
            dimStep(DimDirection::Brighter);
            break;
        case kHotkeyDarker:
            dimStep(DimDirection::Darker);
            break;
        case kHotkeyDisable:
            setDisable(DisableFrom::Command, kOneHour);
            if (disabledUntil_ > 0)
                notify("Off", "for an hour", 0, kNotifySeconds);
            else
                notify("On", "Tintel is back", 0, kNotifySeconds);
            break;
        default:
            break;
    }
}

void TintelUI::applyHotkeys() {
    yt::ytWindow* window = Window();
    if (!window) return;
    // Virtual-key codes: Page Up, Page Down, End. A key another program holds does nothing.
    constexpr uint32_t kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23;
    const struct {
        Hotkey id;
        uint32_t key;
    } keys[] = {{kHotkeyBrighter, kVkPrior}, {kHotkeyDarker, kVkNext}, {kHotkeyDisable, kVkEnd}};
    const bool on = RegDword(kPreferences, "hotkeys", 1).read() != 0;
    for (const auto& key : keys) {
        if (on)
            window->RegisterHotKey(static_cast<int>(key.id), platform::kModAlt, key.key);
        else
            window->UnregisterHotKey(static_cast<int>(key.id));
    }
}

}  // namespace tintel
