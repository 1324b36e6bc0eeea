// The extended gamma range switch under Wine, in the harness's prefix: both registry views, the
// restart dialog (real, clicked from a second thread), and the elevation path. The administrator
// check, the elevated start and the restart are stand-ins that record their calls: no test may
// elevate or restart the machine it runs on.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/dialog_templates.h"
#include "app/wide_gamma_switch.h"
#include "colour/wide_gamma.h"
#include "toolkit/dialog.h"
#include "toolkit/toolkit.h"

namespace {

constexpr const char* kIcm = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM\\";
constexpr REGSAM kViews[] = {0, KEY_WOW64_64KEY};

// The value in one view, or -1 when it is absent.
long long storedValue(REGSAM view) {
    DWORD value = 0, size = sizeof value, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kIcm, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return -1;
    const LONG status = RegQueryValueExA(key, "GdiICMGammaRange", nullptr, &type,
                                         reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<long long>(value) : -1;
}

void store(long long value) {
    for (REGSAM view : kViews) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIcm, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        if (value < 0) {
            RegDeleteValueA(key, "GdiICMGammaRange");
        } else {
            const DWORD v = static_cast<DWORD>(value);
            RegSetValueExA(key, "GdiICMGammaRange", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                           sizeof v);
        }
        RegCloseKey(key);
    }
}

// What the stand-ins saw.
struct Record {
    bool admin = true;
    int major = 10;
    bool restartAnswer = false;
    int offers = 0, restarts = 0, reports = 0;
    std::vector<std::pair<std::string, bool>> elevated;
};
Record g_record;

class WideGamma : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = tintel::wideGammaActions();
        g_record = {};
        tintel::WideGammaActions& actions = tintel::wideGammaActions();
        actions.isUserAdministrator = [] { return g_record.admin; };
        actions.platformMajorVersion = [] { return g_record.major; };
        actions.startElevated = [](const std::string& parameters, bool wait) {
            g_record.elevated.emplace_back(parameters, wait);
            return true;
        };
        actions.restartComputer = [] {
            ++g_record.restarts;
            return int32_t{0};
        };
        actions.offerRestart = [] {
            ++g_record.offers;
            return g_record.restartAnswer;
        };
        actions.reportRestored = [] { ++g_record.reports; };
    }
    void TearDown() override {
        tintel::wideGammaActions() = saved_;
        store(-1);
    }
    tintel::WideGammaActions saved_{};
};

// Clicks button `id` of the dialog titled `title` once it shows; true when it did.
std::thread clickWhenShown(const char* title, int id, std::atomic<bool>* clicked) {
    return std::thread([title, id, clicked] {
        for (int i = 0; i < 600 && !*clicked; ++i) {
            HWND box = FindWindowA("#32770", title);
            if (box && IsWindowVisible(box)) {
                SendMessageA(GetDlgItem(box, id), BM_CLICK, 0, 0);
                *clicked = true;
                return;
            }
            Sleep(50);
        }
    });
}

}  // namespace

TEST_F(WideGamma, SwitchingOnWritesBothViewsOrHandsOverToAnElevatedCopy) {
    struct Case {
        bool admin;
        int major;
        bool restartNow;
        long long value;  // expected in both views afterwards
        int offers, restarts;
        std::vector<std::pair<std::string, bool>> elevated;
    };
    const Case cases[] = {
        {true, 10, false, 256, 1, 0, {}},
        {true, 10, true, 256, 1, 1, {}},
        // Without administrator rights: the copy is started and not waited for; nothing else.
        {false, 10, true, -1, 0, 0, {{"/unlockwingamma", false}}},
        {false, 6, false, -1, 0, 0, {{"/unlockwingamma", false}}},
        // Before major version 6 there is nothing to elevate to.
        {false, 5, false, 256, 1, 0, {}},
    };
    for (const Case& c : cases) {
        store(-1);
        g_record = {};
        g_record.admin = c.admin, g_record.major = c.major, g_record.restartAnswer = c.restartNow;
        EXPECT_EQ(tintel::enableWideGammaRange(), 0);
        for (REGSAM view : kViews)
            EXPECT_EQ(storedValue(view), c.value) << c.admin << " " << c.major << " " << view;
        EXPECT_EQ(g_record.offers, c.offers);
        EXPECT_EQ(g_record.restarts, c.restarts);
        EXPECT_EQ(g_record.elevated, c.elevated);
        EXPECT_EQ(g_record.reports, 0);
        EXPECT_EQ(tintel::isWideGammaRangeEnabled(), c.value > 0);
    }
    // On means present and not zero.
    for (const auto& [value, on] : {std::pair{0LL, false}, std::pair{1LL, true}}) {
        store(value);
        EXPECT_EQ(tintel::isWideGammaRangeEnabled(), on) << value;
    }
}

TEST_F(WideGamma, RestoringDeletesBothViewsOrWaitsForTheElevatedCopy) {
    store(256);
    g_record.admin = false;
    EXPECT_EQ(tintel::restoreDefaultGammaRange(), 0);
    EXPECT_EQ(g_record.elevated,
              (std::vector<std::pair<std::string, bool>>{{"/adminlockwingamma", true}}));
    EXPECT_EQ(storedValue(0), 256);
    EXPECT_EQ(g_record.reports, 0);

    g_record = {};
    EXPECT_EQ(tintel::restoreDefaultGammaRange(), 0);
    for (REGSAM view : kViews)
        EXPECT_EQ(storedValue(view), -1);
    EXPECT_EQ(g_record.reports, 1);
    EXPECT_TRUE(g_record.elevated.empty());
    EXPECT_EQ(g_record.offers + g_record.restarts, 0);
}

// The real prompt, answered by a click: "Restart Now" reaches the (recording) restart. ("Later"
// and the "Back to normal" box are answered end to end, tests/e2e/startup_test.py.)
TEST_F(WideGamma, TheRestartDialogsRestartNowReachesTheRestart) {
    ASSERT_EQ(yt::Start(nullptr, true), 0);
    yt::SetDialogResources(&tintel::DialogTemplates());
    tintel::installWideGammaPrompts();
    std::atomic<bool> clicked{false};
    std::thread clicker = clickWhenShown("Tintel feature unlocked!", 1, &clicked);
    EXPECT_EQ(tintel::enableWideGammaRange(), 0);
    clicker.join();
    EXPECT_TRUE(clicked) << "no restart dialog";
    EXPECT_EQ(g_record.restarts, 1);
    EXPECT_EQ(storedValue(0), 256);
    yt::Stop();
}
