// ytMenu: a popup menu as data (commands with id, text, checked, greyed and default marks,
// separators, submenus), built by the program and shown by the platform. Tests read it back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/tray.h"

namespace yt {

using ytMenuItem = platform::MenuItem;

// How an appended command looks.
enum MenuMark : uint32_t {
    kMenuPlain = 0,
    kMenuChecked = 1,
    kMenuGreyed = 2,
    kMenuDefault = 4,
};

class ytMenu {
public:
    // Appends a command; `marks` is a combination of MenuMark values.
    void Append(uint32_t id, const std::string& text, uint32_t marks = kMenuPlain);
    void AppendSeparator();
    void AppendSubmenu(const std::string& text, const ytMenu& submenu);

    const std::vector<ytMenuItem>& Items() const { return items_; }
    // The command with `id` anywhere in the menu or its submenus; null when there is none.
    const ytMenuItem* Find(uint32_t id) const;
    // The submenu titled `text`; null when there is none.
    const ytMenuItem* FindSubmenu(const std::string& text) const;

    // Shows the menu at the screen point for `owner`; answers the chosen id, 0 when dismissed.
    uint32_t Track(platform::NativeWindow* owner, int x, int y) const;

private:
    std::vector<ytMenuItem> items_;
};

}  // namespace yt
