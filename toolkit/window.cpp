#include "toolkit/window.h"

#include "toolkit/draw_ui.h"
#include "base/messages.h"
#include "toolkit/toolkit.h"

namespace yt {

ytWindow::ytWindow() = default;

ytWindow::~ytWindow() {
    delete document_;
    if (main_ && native_) CountMainWindow(-1);
}

bool ytWindow::Create(const std::string& title, WindowKind kind, Sizing sizing, int left, int top,
                      int right, int bottom, const char* className) {
    platform::WindowSpec params;
    params.title = title;
    params.className = className ? className : "ytWindow";
    params.popup = kind == WindowKind::Popup;
    params.resizable = sizing == Sizing::Resizable;
    params.left = left;
    params.top = top;
    params.width = right - left;
    params.height = bottom - top;
    title_ = title;
    popup_ = params.popup;
    main_ = !popup_;
    native_ = platform::createNativeWindow(params, this);
    if (!native_) {
        ShowLastError();
        return false;
    }
    if (main_) CountMainWindow(1);
    return true;
}

void ytWindow::SetDocument(ytDrawUI* document) {
    if (document_ == document) return;
    delete document_;
    document_ = document;
    if (!document_) return;
    document_->AttachWindow(this);
    int width = 0, height = 0;
    if (native_) native_->clientSize(&width, &height);
    document_->Resize(width, height);
}

void ytWindow::Show(bool visible) {
    if (native_) native_->show(visible);
}

bool ytWindow::IsVisible() const {
    return native_ && native_->isVisible();
}

void ytWindow::SetTopmost() {
    if (native_) native_->setTopmost();
}

void ytWindow::PostClose() {
    Post(base::kWmClose, 0, 0);
}

void ytWindow::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (native_) native_->post(message, wParam, lParam);
}

bool ytWindow::SetTimer(uintptr_t id, uint32_t periodMs) {
    return native_ && native_->setTimer(id, periodMs);
}

void ytWindow::KillTimer(uintptr_t id) {
    if (native_) native_->killTimer(id);
}

bool ytWindow::Frame(int* left, int* top, int* width, int* height) const {
    return native_ && native_->frame(left, top, width, height);
}

void ytWindow::Move(int left, int top) {
    if (native_) native_->move(left, top);
}

bool ytWindow::SetTrayIcon(const platform::IconImage& image, const std::string& tip,
                           platform::MenuSource menu) {
    if (tray_) {
        SetTrayTip(tip);
        return true;
    }
    if (!native_) return false;
    tray_ = platform::createTrayIcon(native_.get(), image, tip, std::move(menu));
    return tray_ != nullptr;
}

void ytWindow::SetTrayTip(const std::string& tip) {
    if (tray_) tray_->setTip(tip);
}

void ytWindow::RemoveTrayIcon() {
    tray_.reset();
}

bool ytWindow::TrayClickPoint(int* x, int* y) const {
    return tray_ && tray_->clickPoint(x, y);
}

intptr_t ytWindow::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return WindowProc(message, wParam, lParam);
}

intptr_t ytWindow::WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message >= base::kWmApp && messageForward_ && messageForward_->native_)
        messageForward_->WindowProc(message, wParam, lParam);
    // The taskbar was re-created (the shell restarted): the icon is added again.
    if (tray_ && tray_->onWindowMessage(message)) return 0;
    switch (message) {
        case base::kWmDestroy:
            onDestroy();
            return 0;
        case base::kWmSize:
            if (document_)
                document_->Resize(static_cast<int>(lParam & 0xFFFF),
                                  static_cast<int>((lParam >> 16) & 0xFFFF));
            return 0;
        case base::kWmEraseBkgnd:
            return 1;
        default:
            break;
    }
    if (!document_) return base::kNotHandled;
    ytMessage wrapped;
    wrapped.message = message;
    wrapped.wParam = wParam;
    wrapped.lParam = lParam;
    if (message >= base::kWmKeyFirst && message <= base::kWmKeyLast) {
        if (document_->HandleKey(wrapped) == base::kHandled) return base::kHandled;
    }
    return document_->HandleMessage(wrapped);
}

// The platform window is gone: the last main window ends the pump, then the document and this
// object go too.
void ytWindow::onDestroy() {
    if (main_) {
        main_ = false;
        CountMainWindow(-1);
        if (OpenMainWindows() == 0) {
            platform::postQuit();
            SetQuitFlag();
        }
    }
    DebugLog("Deleting %p\n", static_cast<void*>(document_));
    delete document_;
    document_ = nullptr;
    tray_.reset();
    native_.reset();
    Release();
}

}  // namespace yt
