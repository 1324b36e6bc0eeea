// The notification-area icon and popup menus.
//
// Contents
//   1. menu items as the platform shows them
//   2. popup menus
//   3. the notification-area icon
//   4. the tray promotion and the program's version
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

class NativeWindow;

// ---- 1. menu items ------------------------------------------------------------------------------

// One entry of a popup menu: a command (id above 0), a separator, or a submenu (items not empty).
struct MenuItem {
    uint32_t id = 0;
    std::string text;  // Windows-1252
    bool checked = false;
    bool greyed = false;     // shown grey and not choosable
    bool isDefault = false;  // drawn bold
    bool separator = false;
    std::vector<MenuItem> submenu;
};

// ---- 2. popup menus -----------------------------------------------------------------------------

// Shows a popup menu at the screen point (x, y) for `owner` and waits until it closes; answers
// the chosen id, 0 when the menu was dismissed. Windows: the owner comes to the foreground, the
// menu's bottom-right corner is at the point, either button chooses, and a press-drag-release
// chooses the item the button is released over. Linux: a GTK menu at the point.
uint32_t trackPopupMenu(NativeWindow* owner, const std::vector<MenuItem>& items, int x, int y);

// ---- 3. the notification-area icon --------------------------------------------------------------

// Messages the icon sends to its window: the callback message with wParam the icon's id and
// lParam the mouse message (WM_LBUTTONDOWN, WM_RBUTTONDOWN ...), and, where the desktop shows an
// exported copy of the menu itself, the chosen command with wParam its id.
constexpr uint32_t kTrayCallbackMessage = 0x8002;
constexpr uint32_t kTrayMenuCommandMessage = 0x8003;
// The tooltip keeps at most this many characters.
constexpr size_t kTrayTipLength = 63;

// A square picture for the icon: premultiplied 0xAARRGGBB pixels, rows top to bottom.
struct IconImage {
    int size = 0;
    std::vector<uint32_t> pixels;
};

// Builds the menu a desktop shows from the exported copy (StatusNotifierItem hosts that never ask
// the program to show its own menu). Called each time the desktop is about to show it.
using MenuSource = std::function<std::vector<MenuItem>()>;

class TrayIcon {
public:
    // Removes the icon.
    virtual ~TrayIcon() = default;
    // Replaces the tooltip (cut to kTrayTipLength characters); the icon is unchanged.
    virtual void setTip(const std::string& tip) = 0;
    // Offered every message of the icon's window: the taskbar's re-creation ("TaskbarCreated")
    // adds the icon again. Answers true when the message was that one.
    virtual bool onWindowMessage(uint32_t message) = 0;
    // Where the last click on the icon happened, in screen coordinates (the pointer on Windows;
    // the position a StatusNotifierItem host reported, else the pointer, on Linux).
    virtual bool clickPoint(int* x, int* y) const = 0;
    // Whether a desktop shows the icon now (Windows: added; Linux: registered with a host, or
    // embedded in an XEmbed tray).
    virtual bool shown() const = 0;
};

// The icon's size in pixels where the desktop shows it (hosts scale what they are given).
int trayIconSize();

// Adds the icon for `window` with the tooltip; null when the platform has no notification area
// at all. `menu` is used where desktops show an exported menu.
std::unique_ptr<TrayIcon> createTrayIcon(NativeWindow* window, const IconImage& image,
                                         const std::string& tip, MenuSource menu);

// ---- 4. the tray promotion and the program's version -------------------------------------------

// Makes the shell always show the tray icon of the program whose path contains `exeName`
// (case-insensitive): Windows rewrites the visibility codes of "IconStreams" and restarts the
// shell. `changed` says whether the program's record was found. 0 or the platform's error code;
// Linux has no such store: 0 with changed false.
int32_t promoteTrayIcon(const std::string& exeName, bool* changed);

// The running executable's product version (major, minor); false when it cannot be read.
bool productVersion(int* major, int* minor);

}  // namespace platform
