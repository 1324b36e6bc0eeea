#include "toolkit/menu.h"

namespace yt {
namespace {

const ytMenuItem* findIn(const std::vector<ytMenuItem>& items, uint32_t id) {
    for (const ytMenuItem& item : items) {
        if (!item.separator && item.submenu.empty() && item.id == id) return &item;
        if (const ytMenuItem* inner = findIn(item.submenu, id)) return inner;
    }
    return nullptr;
}

}  // namespace

void ytMenu::Append(uint32_t id, const std::string& text, uint32_t marks) {
    ytMenuItem item;
    item.id = id;
    item.text = text;
    item.checked = (marks & kMenuChecked) != 0;
    item.greyed = (marks & kMenuGreyed) != 0;
    item.isDefault = (marks & kMenuDefault) != 0;
    items_.push_back(std::move(item));
}

void ytMenu::AppendSeparator() {
    ytMenuItem item;
    item.separator = true;
    items_.push_back(std::move(item));
}

void ytMenu::AppendSubmenu(const std::string& text, const ytMenu& submenu) {
    ytMenuItem item;
    item.text = text;
    item.submenu = submenu.items_;
    items_.push_back(std::move(item));
}

const ytMenuItem* ytMenu::Find(uint32_t id) const {
    return id ? findIn(items_, id) : nullptr;
}

const ytMenuItem* ytMenu::FindSubmenu(const std::string& text) const {
    for (const ytMenuItem& item : items_)
        if (!item.submenu.empty() && item.text == text) return &item;
    return nullptr;
}

uint32_t ytMenu::Track(platform::NativeWindow* owner, int x, int y) const {
    return platform::trackPopupMenu(owner, items_, x, y);
}

}  // namespace yt
