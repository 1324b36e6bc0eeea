#include "app/entry.h"

#include <cstdio>
#include <memory>
#include <mutex>

#include "app/controller.h"
#include "app/dialog_templates.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "app/wide_gamma_switch.h"
#include "colour/wide_gamma.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "platform/tray.h"
#include "base/messages.h"
#include "toolkit/dialog.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

constexpr const char* kInstanceName = "Tintel";
constexpr const char* kWindowClass = "ytWindow";
constexpr const char* kWindowTitle = "Tintel";
constexpr int kClientWidth = 554;
constexpr int kClientHeight = 243;
constexpr int kIdleWaitMs = 20;

std::string g_modulePath;
// Held from the start of the run to its end (or until the updater lets go of it).
std::unique_ptr<platform::InstanceLock> g_instanceLock;
std::mutex g_instanceLockGuard;
bool g_wideGammaRange = false;

// The three maintenance switches must be the whole command line; anything more is no switch.
bool handleMaintenanceSwitch(const std::string& commandLine) {
    if (!gammaRangeSwitchable() &&
        (commandLine == "/unlockwingamma" || commandLine == "/adminlockwingamma")) {
        std::fputs(
            "Tintel: this system puts no limit on gamma ramps; the extended range is "
            "always on and there is nothing to switch.\n",
            stderr);
        return true;
    }
    if (commandLine == "/unlockwingamma") {
        enableWideGammaRange();
        return true;
    }
    if (commandLine == "/adminlockwingamma") {
        restoreDefaultGammaRange();
        return true;
    }
    if (commandLine == "/lockwingamma") {
        // Where the range is always open (Linux) there is no default to return to.
        if (gammaRangeSwitchable() && isWideGammaRangeEnabled() &&
            yt::Confirm("Return to Windows default color settings?", nullptr, "Back to normal?"))
            restoreDefaultGammaRange();
        return true;
    }
    return false;
}

}  // namespace

const std::string& modulePath() {
    return g_modulePath;
}
bool wideGammaRangeAtStart() {
    return g_wideGammaRange;
}

void releaseInstanceLock() {
    std::lock_guard<std::mutex> hold(g_instanceLockGuard);
    g_instanceLock.reset();
}

int tintelMain(void* instance, const std::string& commandLine) {
    g_modulePath = platform::modulePath().substr(0, 259);
    // The dialogs' templates are the program's resources (109 to 112); the maintenance switches
    // show 112 before anything else runs.
    yt::SetDialogResources(&DialogTemplates());
    installWideGammaPrompts();
    if (handleMaintenanceSwitch(commandLine)) return 0;

    std::unique_ptr<platform::InstanceLock> instanceLock;
    if (platform::acquireInstance(kInstanceName, &instanceLock) ==
        platform::InstanceResult::AlreadyRunning) {
        platform::signalRunningInstance(kInstanceName, kWindowClass, kWindowTitle,
                                        base::kShowInstanceMessage);
        return 0;
    }

    {
        std::lock_guard<std::mutex> hold(g_instanceLockGuard);
        g_instanceLock = std::move(instanceLock);
    }

    std::string why;
    if (yt::Start(instance, true, &why) != 0) {
        std::fprintf(stderr, "Tintel cannot start: %s.\n", why.c_str());
        releaseInstanceLock();
        yt::Stop();
        return 1;
    }
    run(commandLine.find("noshow") == std::string::npos);
    releaseInstanceLock();
    yt::Stop();
    return 0;
}

void run(bool show) {
    g_wideGammaRange = isWideGammaRangeEnabled();

    // The window deletes itself (and the UI it owns) when it is destroyed.
    auto* window = new yt::ytWindow();
    // The panel draws its own rounded card and shadow; safe mode shows it opaque.
    window->SetPerPixelAlpha(RegDword(kPreferences, "SafeMode", 0).read() == 0);
    if (!window->Create(kWindowTitle, yt::WindowKind::Main, yt::Sizing::Frameless, 0, 0,
                        kClientWidth, kClientHeight, nullptr, kWindowClass)) {
        window->Release();
        window = nullptr;
    }

    TintelController controller;
    controller.openDisplays();
    auto* ui = new TintelUI(&controller);
    ui->Initialise();
    if (window) {
        window->SetDocument(ui);
        ui->placeWindow();
    }

    controller.safeMode = RegDword(kPreferences, "SafeMode", 0).read() != 0;

    if (window) window->SetTopmost();
    if (!show)
        ui->StartHidden();
    else if (window)
        window->Show(true);

    ui->addTrayIcon();
    // The hotkeys, the fixtures' socket, the light bridges and the other switches, as stored.
    ui->applyExtras();

    // The tray icon promotion runs until it has once found the program's tray record.
    RegDword trayDone(kPreferences, "tray", 0);
    if (trayDone.read() == 0) {
        bool found = false;
        platform::promoteTrayIcon("tintel.exe", &found);
        if (found) trayDone.write(1);
    }

    if (window) yt::RunLoop(kIdleWaitMs);

    if (!window) delete ui;  // without a window nobody else owns it
    resetDisplays(controller);
    // The fixtures go dark, at neutral colour.
    controller.fixtures.setFixtures(0.0, 6500.0);
    // The bridge's lights go back to neutral too: 6500 K at full brightness.
    if (controller.lightWorker) controller.lightWorker->FinalPass(1.0f, 6500.0f);
}

}  // namespace tintel
