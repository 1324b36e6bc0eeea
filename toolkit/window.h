// ytWindow: a top-level window showing one ytDrawUI document. Main (non-popup) windows are counted;
// destroying the last one ends the pump.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/tray.h"
#include "platform/window_host.h"
#include "toolkit/base.h"

namespace yt {

class ytDrawUI;

enum class WindowKind { Main, Popup };
enum class Sizing { Fixed, Resizable };

class ytWindow : public ytBaseRef, private platform::WindowClient {
public:
    ytWindow();
    ~ytWindow() override;

    // Creates the platform window with the client rectangle (left, top, right, bottom).
    // A null className uses "ytWindow". Failure shows the platform's error text.
    bool Create(const std::string& title, WindowKind kind, Sizing sizing, int left, int top,
                int right, int bottom, const char* className = nullptr);

    // Takes ownership of the document and lays it out for the client size.
    void SetDocument(ytDrawUI* document);
    ytDrawUI* Document() const { return document_; }

    void Show(bool visible);
    bool IsVisible() const;
    void SetTopmost();
    // Asks the window to close, as the platform's close button does.
    void PostClose();
    void Post(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // Window timers: WM_TIMER with wParam `id` every `periodMs` until killed (or the window goes).
    bool SetTimer(uintptr_t id, uint32_t periodMs);
    void KillTimer(uintptr_t id);
    // The outer rectangle in screen coordinates; false when the window has none.
    bool Frame(int* left, int* top, int* width, int* height) const;
    // Moves the outer top-left corner, keeping the size.
    void Move(int left, int top);

    // The notification-area icon of the window: the first call adds it, later calls change the
    // tooltip only (at most 63 characters are kept). `menu` builds the copy of the menu that
    // desktops showing exported menus display. False when the platform has no notification area.
    bool SetTrayIcon(const platform::IconImage& image, const std::string& tip,
                     platform::MenuSource menu);
    void SetTrayTip(const std::string& tip);
    void RemoveTrayIcon();
    bool HasTrayIcon() const { return tray_ != nullptr; }
    // Where the last click on the icon happened (screen coordinates).
    bool TrayClickPoint(int* x, int* y) const;

    bool IsMainWindow() const { return main_; }
    const std::string& Title() const { return title_; }
    platform::NativeWindow* Native() const { return native_.get(); }

    // The window's message handling; answers kNotHandled for the platform's default.
    intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

private:
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void onDestroy();

    std::string title_;
    bool popup_ = false;
    bool main_ = false;
    ytDrawUI* document_ = nullptr;
    std::unique_ptr<platform::NativeWindow> native_;
    ytWindow* messageForward_ = nullptr;
    std::unique_ptr<platform::TrayIcon> tray_;
};

}  // namespace yt
