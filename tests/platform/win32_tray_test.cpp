// The Windows notification-area icon and the tray promotion under Wine: the icon is added, comes
// back after a "TaskbarCreated" broadcast and goes with the window's tray; "IconStreams" values
// the test writes are promoted as the shell expects.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/tray.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

// Sends the shell a record about the window's icon; only an icon the shell knows can be changed
// (NIM_MODIFY) or deleted.
bool tellShell(HWND hwnd, DWORD message) {
    NOTIFYICONDATAA record{};
    record.cbSize = offsetof(NOTIFYICONDATAA, guidItem);
    record.hWnd = hwnd;
    record.uID = static_cast<UINT>(reinterpret_cast<uintptr_t>(hwnd));
    record.uFlags = NIF_TIP;
    std::strcpy(record.szTip, "probe");
    return Shell_NotifyIconA(message, &record) != FALSE;
}

constexpr const char* kTrayNotify =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\TrayNotify";

// A header and one 1640-byte record per (path, code): the path rotated by 13, in UTF-16, the code
// at byte 528 of its record.
void writeStreams(const std::vector<std::pair<std::string, DWORD>>& records) {
    std::vector<BYTE> data(20 + 1640 * records.size(), 0);
    for (size_t i = 0; i < records.size(); ++i) {
        BYTE* record = data.data() + 20 + 1640 * i;
        const std::string& path = records[i].first;
        for (size_t c = 0; c < path.size(); ++c) {
            char ch = path[c];
            if (ch >= 'a' && ch <= 'z') ch = static_cast<char>('a' + (ch - 'a' + 13) % 26);
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>('A' + (ch - 'A' + 13) % 26);
            record[2 * c] = static_cast<BYTE>(ch);
        }
        std::memcpy(record + 528, &records[i].second, 4);
    }
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTrayNotify, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "IconStreams", 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

std::vector<DWORD> codes() {
    std::vector<BYTE> data(65536);
    DWORD size = static_cast<DWORD>(data.size());
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kTrayNotify, "IconStreams", RRF_RT_REG_BINARY,
                           nullptr, data.data(), &size),
              ERROR_SUCCESS);
    std::vector<DWORD> out;
    for (size_t at = 20; at + 1640 <= size; at += 1640) {
        DWORD code;
        std::memcpy(&code, data.data() + at + 528, 4);
        out.push_back(code);
    }
    return out;
}

}  // namespace

TEST(Win32Tray, IconIsAddedReaddedAfterTaskbarCreatedAndRemoved) {
    ASSERT_EQ(yt::Start(nullptr, true), 0);
    auto* window = new yt::ytWindow();
    ASSERT_TRUE(
        window->Create("Tray test", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0, 100, 50));
    HWND hwnd = reinterpret_cast<HWND>(window->Native()->nativeHandle());
    platform::IconImage square;
    square.size = 16;
    square.pixels.assign(256, 0xFFFF8000u);
    ASSERT_TRUE(window->SetTrayIcon(square, "Tintel", {}));
    EXPECT_TRUE(tellShell(hwnd, NIM_MODIFY));
    // A tip longer than the shell keeps is cut, not refused.
    window->SetTrayTip(std::string(100, 'x'));
    EXPECT_TRUE(tellShell(hwnd, NIM_MODIFY));

    // The shell forgets the icon (as a restarted taskbar does); the broadcast brings it back.
    ASSERT_TRUE(tellShell(hwnd, NIM_DELETE));
    EXPECT_FALSE(tellShell(hwnd, NIM_MODIFY));
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    for (const DWORD end = GetTickCount() + 500; GetTickCount() < end; Sleep(10)) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    EXPECT_TRUE(tellShell(hwnd, NIM_MODIFY));

    window->RemoveTrayIcon();
    EXPECT_FALSE(tellShell(hwnd, NIM_MODIFY));
    window->Native()->destroy();
    yt::Stop();
}

TEST(Win32Tray, PromotionShowsTheProgramsIconOnce) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kTrayNotify);
    bool changed = true;
    EXPECT_NE(platform::promoteTrayIcon("tintel.exe", &changed), 0) << "no key: the error";
    EXPECT_FALSE(changed);

    const struct {
        std::vector<std::pair<std::string, DWORD>> records;
        bool changed;
        std::vector<DWORD> after;
    } cases[] = {
        // The program's record at code 0 becomes 2; another program's stays.
        {{{"C:\\Program Files\\Brisbel\\Tintel\\tintel.exe", 0}, {"C:\\Tools\\other.exe", 0}},
         true,
         {2, 0}},
        // Code 1 (hidden by the user's choice) stays, and the record still counts as found.
        {{{"D:\\TINTEL.EXE", 1}}, true, {1}},
        {{{"C:\\Tools\\other.exe", 0}}, false, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.records[0].first);
        writeStreams(c.records);
        EXPECT_EQ(platform::promoteTrayIcon("tintel.exe", &changed), 0);
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(codes(), c.after);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, kTrayNotify);
}
