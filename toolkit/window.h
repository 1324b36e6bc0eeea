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
// Fixed and Resizable windows have the platform's frame; Frameless ones are all document, drawn
// with per-pixel alpha unless SetPerPixelAlpha(false) was called before Create.
enum class Sizing { Fixed, Resizable, Frameless };

class ytWindow : public ytBaseRef, private platform::WindowClient {
public:
    ytWindow();
    ~ytWindow() override;

    // Creates the platform window with the client rectangle (left, top, right, bottom), owned by
    // `parent` when one is given. A null className uses "ytWindow"; another name registers a copy
    // of that class. Failure shows the platform's error text.
    bool Create(const std::string& title, WindowKind kind, Sizing sizing, int left, int top,
                int right, int bottom, ytWindow* parent = nullptr, const char* className = nullptr);
    // Takes over a window that exists already (subclassing): its own procedure gets every
    // message this one leaves unhandled. False when `handle` is no window of this process.
    bool Attach(uintptr_t handle);
    // Whether a popup or frameless window keeps each pixel's alpha (default on): for the window
    // created later, and for this one at once where the platform offers it (redrawn whole; on
    // Linux the window is hidden by the switch, as its X window is made again).
    void SetPerPixelAlpha(bool on);

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

    // System-wide hotkeys delivered to this window as WM_HOTKEY with wParam `id`; false (quietly)
    // when the key is taken.
    bool RegisterHotKey(int id, uint32_t modifiers, uint32_t virtualKey);
    void UnregisterHotKey(int id);

    // Windows that get a copy of every WM_SIZE, and of every application message (0x8000 up).
    void SetSizeForward(ytWindow* window) { sizeForward_ = window; }
    void SetMessageForward(ytWindow* window) { messageForward_ = window; }
    // The modal dialog shown over this window (null when none): while it is visible this window
    // swallows mouse input, hands activation to it, and flashes it and beeps on a click.
    void SetModalDialog(ytWindow* dialog);
    ytWindow* ModalDialog() const { return modalDialog_; }
    // WM_ERASEBKGND erases only when set.
    void SetEraseBackground(bool erase) { eraseBackground_ = erase; }

    bool IsMainWindow() const { return main_; }
    bool IsSubclassed() const { return native_ && native_->attached(); }
    const std::string& Title() const { return title_; }
    platform::NativeWindow* Native() const { return native_.get(); }
    ytWindow* Parent() const { return parent_; }

    // The window's message handling; answers kNotHandled for the platform's default.
    intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

protected:
    // The sizing rule applied while the user drags the frame (WM_SIZING) or moves the window
    // (WM_MOVING): `rect` is left, top, right, bottom in screen coordinates; base: unchanged.
    virtual void SizingRule(uint32_t edge, int32_t* rect);

private:
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
    void onDestroy();

    std::string title_;
    bool popup_ = false;
    bool perPixelAlpha_ = true;
    bool main_ = false;
    bool eraseBackground_ = false;
    ytDrawUI* document_ = nullptr;
    std::unique_ptr<platform::NativeWindow> native_;
    ytWindow* parent_ = nullptr;
    ytWindow* sizeForward_ = nullptr;
    ytWindow* messageForward_ = nullptr;
    std::unique_ptr<platform::TrayIcon> tray_;
    ytWindow* modalDialog_ = nullptr;  // holds a reference
};

}  // namespace yt
