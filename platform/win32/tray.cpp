// Windows notification-area icon (Shell_NotifyIconA), popup menus (TrackPopupMenu), the tray
// promotion ("IconStreams") and the version resource.
//
// Contents
//   1. popup menus, with press-drag-release
//   2. the notification-area icon
//   3. the tray promotion
//   4. the product version
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "platform/tray.h"
#include "platform/win32/icon_image.h"
#include "platform/window_host.h"

namespace platform {
namespace {

// ---- 1. popup menus ---------------------------------------------------------------------------

HMENU buildMenu(const std::vector<MenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    for (const MenuItem& item : items) {
        if (item.separator) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else if (!item.submenu.empty()) {
            HMENU sub = buildMenu(item.submenu);
            if (sub)
                AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), item.text.c_str());
        } else {
            UINT flags = MF_STRING;
            if (item.checked) flags |= MF_CHECKED;
            if (item.greyed) flags |= MF_GRAYED;
            AppendMenuA(menu, flags, item.id, item.text.c_str());
            if (item.isDefault) SetMenuDefaultItem(menu, item.id, FALSE);
        }
    }
    return menu;
}

// The menus of the popup being tracked, to find the item under a released button.
std::vector<HMENU> g_trackedMenus;
HHOOK g_menuHook = nullptr;

void collectMenus(HMENU menu) {
    g_trackedMenus.push_back(menu);
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = GetSubMenu(menu, i)) collectMenus(sub);
}

// A command item of the tracked menus that is highlighted now.
bool commandHighlighted() {
    for (HMENU menu : g_trackedMenus) {
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
            if (state != static_cast<UINT>(-1) && (state & MF_HILITE) && !GetSubMenu(menu, i) &&
                !(state & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)))
                return true;
        }
    }
    return false;
}

// Inside the menu's own loop: releasing the primary button over a highlighted command chooses
// it, so a press on the icon, a drag into the menu and a release work as one gesture.
LRESULT CALLBACK menuFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_MENU) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        const UINT primaryUp = GetSystemMetrics(SM_SWAPBUTTON) ? WM_RBUTTONUP : WM_LBUTTONUP;
        if (msg->message == primaryUp && commandHighlighted()) {
            if (HWND menuWindow = FindWindowA("#32768", nullptr)) {
                PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
                PostMessageA(menuWindow, WM_KEYUP, VK_RETURN, 0xC0000001);
            }
        }
    }
    return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

}  // namespace

uint32_t trackPopupMenu(NativeWindow* owner, const std::vector<MenuItem>& items, int x, int y) {
    HMENU menu = buildMenu(items);
    if (!menu) return 0;
    HWND hwnd = owner ? reinterpret_cast<HWND>(owner->nativeHandle()) : nullptr;
    // The owner must be in the foreground, or the menu does not close when the user clicks
    // elsewhere.
    if (hwnd) SetForegroundWindow(hwnd);
    g_trackedMenus.clear();
    collectMenus(menu);
    g_menuHook = SetWindowsHookExA(WH_MSGFILTER, menuFilter, nullptr, GetCurrentThreadId());
    const BOOL chosen = TrackPopupMenu(
        menu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x,
        y, 0, hwnd, nullptr);
    if (g_menuHook) UnhookWindowsHookEx(g_menuHook);
    g_menuHook = nullptr;
    g_trackedMenus.clear();
    // A message to the owner after the menu lets the next click on the icon open it again.
    if (hwnd) PostMessageA(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return static_cast<uint32_t>(chosen);
}

// ---- 2. the notification-area icon ------------------------------------------------------------

// A 32-bit icon with alpha from a premultiplied image (icons take straight alpha).
HICON iconFromImage(const IconImage& image) {
    if (image.size <= 0 || image.pixels.size() != static_cast<size_t>(image.size) * image.size)
        return nullptr;
    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = image.size;
    header.bV5Height = -image.size;  // top-down
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour) return nullptr;
    // Icons take straight (not premultiplied) alpha.
    auto* out = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t p = image.pixels[i];
        const uint32_t a = p >> 24;
        if (a == 0) {
            out[i] = 0;
            continue;
        }
        const auto un = [a](uint32_t c) { return (c * 255 + a / 2) / a; };
        out[i] = a << 24 | un((p >> 16) & 0xFF) << 16 | un((p >> 8) & 0xFF) << 8 | un(p & 0xFF);
    }
    HBITMAP mask = CreateBitmap(image.size, image.size, 1, 1, nullptr);
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

namespace {

// The record as the 504-byte form (everything up to the balloon GUID) that every shell since
// Windows 2000 accepts.
constexpr DWORD kNotifyRecordSize = offsetof(NOTIFYICONDATAA, guidItem);
static_assert(sizeof(void*) != 8 || kNotifyRecordSize == 504, "the 504-byte notify record");

class Win32TrayIcon : public TrayIcon {
public:
    Win32TrayIcon(HWND hwnd, HICON icon, const std::string& tip)
        : hwnd_(hwnd), icon_(icon), taskbarCreated_(RegisterWindowMessageA("TaskbarCreated")) {
        tip_ = tip.substr(0, kTrayTipLength);
        added_ = notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    }

    ~Win32TrayIcon() override {
        // No icon: the record deletes it.
        if (added_) notify(NIM_DELETE, 0);
        if (icon_) DestroyIcon(icon_);
    }

    void setTip(const std::string& tip) override {
        const std::string cut = tip.substr(0, kTrayTipLength);
        if (cut == tip_ && added_) return;
        tip_ = cut;
        if (added_)
            notify(NIM_MODIFY, NIF_TIP);
        else
            added_ = notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    }

    bool onWindowMessage(uint32_t message) override {
        if (!taskbarCreated_ || message != taskbarCreated_) return false;
        added_ = notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
        return true;
    }

    bool clickPoint(int* x, int* y) const override {
        POINT point;
        if (!GetCursorPos(&point)) return false;
        *x = point.x;
        *y = point.y;
        return true;
    }

    bool shown() const override { return added_; }

private:
    bool notify(DWORD action, UINT flags) {
        NOTIFYICONDATAA record;
        std::memset(&record, 0, sizeof record);
        record.cbSize = kNotifyRecordSize;
        record.hWnd = hwnd_;
        // Unique to the window: its own handle.
        record.uID = static_cast<UINT>(reinterpret_cast<uintptr_t>(hwnd_));
        record.uFlags = flags;
        record.uCallbackMessage = kTrayCallbackMessage;
        record.hIcon = icon_;
        std::memcpy(record.szTip, tip_.data(), tip_.size());
        return Shell_NotifyIconA(action, &record) != FALSE;
    }

    HWND hwnd_;
    HICON icon_;
    UINT taskbarCreated_;
    std::string tip_;
    bool added_ = false;
};

}  // namespace

int trayIconSize() {
    const int size = GetSystemMetrics(SM_CXSMICON);
    return size > 0 ? size : 16;
}

std::unique_ptr<TrayIcon> createTrayIcon(NativeWindow* window, const IconImage& image,
                                         const std::string& tip, MenuSource) {
    if (!window) return nullptr;
    HWND hwnd = reinterpret_cast<HWND>(window->nativeHandle());
    return std::make_unique<Win32TrayIcon>(hwnd, iconFromImage(image), tip);
}

// ---- 3. the tray promotion --------------------------------------------------------------------

namespace {

constexpr const char* kTrayNotifyKey =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\TrayNotify";
constexpr size_t kStreamsHeader = 20;
constexpr size_t kStreamRecord = 1640;
constexpr size_t kVisibilityOffset = 528;
constexpr size_t kPathBytes = kVisibilityOffset;  // the path field ends where the code starts

char rot13(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>('a' + (c - 'a' + 13) % 26);
    if (c >= 'A' && c <= 'Z') return static_cast<char>('A' + (c - 'A' + 13) % 26);
    return c;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The platform's major version, from the kernel's own record (GetVersionEx answers what the
// manifest allows).
DWORD majorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto getVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                            : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (getVersion && getVersion(&info) == 0) return info.dwMajorVersion;
    return 6;
}

}  // namespace

int32_t promoteTrayIcon(const std::string& exeName, bool* changed) {
    *changed = false;
    if (majorVersion() < 6) return 0;
    HKEY key = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kTrayNotifyKey, 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) return status;
    std::vector<BYTE> buffer(65536);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD type = 0;
    status = RegQueryValueExA(key, "IconStreams", nullptr, &type, buffer.data(), &size);
    if (status == ERROR_MORE_DATA) {
        buffer.resize(size);
        status = RegQueryValueExA(key, "IconStreams", nullptr, &type, buffer.data(), &size);
    }
    if (status != ERROR_SUCCESS) {
        RegCloseKey(key);
        return status;
    }

    const std::string wanted = lower(exeName);
    const size_t count = size >= kStreamsHeader ? (size - kStreamsHeader) / kStreamRecord : 0;
    bool modified = false;
    for (size_t i = 0; i < count; ++i) {
        BYTE* record = buffer.data() + kStreamsHeader + i * kStreamRecord;
        // The path is UTF-16 with its letters rotated; a path that fills the field has no end.
        std::wstring wide;
        for (size_t at = 0; at + 1 < kPathBytes; at += 2) {
            const wchar_t unit = static_cast<wchar_t>(record[at] | record[at + 1] << 8);
            if (!unit) break;
            wide.push_back(unit);
        }
        std::string path(wide.size() * 2 + 1, '\0');
        const int bytes =
            wide.empty()
                ? 0
                : WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                      path.data(), static_cast<int>(path.size()), nullptr, nullptr);
        path.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
        for (char& c : path)
            c = rot13(c);
        base::DebugLog("Path=%s\n", path.c_str());
        if (lower(path).find(wanted) == std::string::npos) continue;
        *changed = true;
        DWORD code;
        std::memcpy(&code, record + kVisibilityOffset, sizeof code);
        if (code == 0) {
            code = 2;  // always show the icon and its notifications
            std::memcpy(record + kVisibilityOffset, &code, sizeof code);
            modified = true;
            base::DebugLog("Modified entry %d, %s\n", static_cast<int>(i), path.c_str());
        }
    }

    if (modified) {
        RegSetValueExA(key, "IconStreams", 0, REG_BINARY, buffer.data(), size);
        // The shell reads the setting when it starts: end it, and it restarts itself.
        if (HWND shell = FindWindowA("Progman", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(shell, &pid);
            if (HANDLE process = pid ? OpenProcess(PROCESS_TERMINATE, FALSE, pid) : nullptr) {
                TerminateProcess(process, 0);
                CloseHandle(process);
            }
        }
    }
    RegCloseKey(key);
    return 0;
}

// ---- 4. the product version -------------------------------------------------------------------

bool productVersion(int* major, int* minor) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof *info)
        return false;
    *major = static_cast<int>(HIWORD(info->dwProductVersionMS));
    *minor = static_cast<int>(LOWORD(info->dwProductVersionMS));
    return true;
}

}  // namespace platform
