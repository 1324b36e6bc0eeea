// ytWindow: the toolkit's top-level window and its message procedure.
#include "toolkit/window.h"

#include <algorithm>
#include <vector>

#include "toolkit/draw_ui.h"
#include "base/messages.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

constexpr uint32_t kWmMouseActivate = 0x0021;
constexpr uint32_t kWmNcMouseMove = 0x00A0;
constexpr uint32_t kWmMouseLast = 0x020D;
constexpr uint32_t kWmSizing = 0x0214;
constexpr uint32_t kWmMoving = 0x0216;
constexpr uintptr_t kWaClickActive = 2;
constexpr intptr_t kMaNoActivateAndEat = 4;

bool isMouseMessage(uint32_t message) {
    return (message >= base::kWmMouseMove && message <= kWmMouseLast) || message == kWmNcMouseMove;
}

// The windows that have a platform window, for the pump's question whether any is visible (the
// windows live on the pump's thread).
std::vector<const ytWindow*>& liveWindows() {
    static std::vector<const ytWindow*> windows;
    return windows;
}

void forgetWindow(const ytWindow* window) {
    auto& all = liveWindows();
    all.erase(std::remove(all.begin(), all.end(), window), all.end());
}

}  // namespace

bool AnyWindowVisible() {
    for (const ytWindow* window : liveWindows())
        if (window->IsVisible()) return true;
    return false;
}

ytWindow::ytWindow() = default;

ytWindow::~ytWindow() {
    forgetWindow(this);
    delete document_;
    if (modalDialog_) modalDialog_->Release();
    if (main_ && native_) CountMainWindow(-1);
    if (MainWindow() == this) SetMainWindow(nullptr);
}

bool ytWindow::Create(const std::string& title, WindowKind kind, Sizing sizing, int left, int top,
                      int right, int bottom, ytWindow* parent, const char* className) {
    platform::WindowSpec params;
    params.title = title;
    params.className = className ? className : "ytWindow";
    params.popup = kind == WindowKind::Popup;
    params.resizable = sizing == Sizing::Resizable;
    params.frameless = sizing == Sizing::Frameless;
    params.perPixelAlpha = perPixelAlpha_;
    params.left = left;
    params.top = top;
    params.width = right - left;
    params.height = bottom - top;
    params.parent = parent ? parent->Native() : nullptr;
    title_ = title;
    popup_ = params.popup;
    main_ = !popup_;
    parent_ = parent;
    native_ = platform::createNativeWindow(params, this);
    if (!native_) {
        main_ = false;
        ShowLastError();
        return false;
    }
    if (main_) {
        CountMainWindow(1);
        if (!MainWindow()) SetMainWindow(this);
    }
    liveWindows().push_back(this);
    return true;
}

bool ytWindow::Attach(uintptr_t handle) {
    if (native_) return false;
    native_ = platform::attachNativeWindow(handle, this);
    return native_ != nullptr;
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
    if (!native_) return;
    native_->show(visible);
    // A per-pixel alpha window shows only what was presented to it: present a whole frame now,
    // since the pump's next frame may be far off (a platform dialog box running its own loop).
    if (visible && document_ && native_->perPixelAlpha()) {
        const ytRect all{0, 0, document_->width(), document_->height()};
        document_->Render(&all);
    }
}

void ytWindow::SetPerPixelAlpha(bool on) {
    perPixelAlpha_ = on;
    if (!native_ || native_->perPixelAlpha() == on) return;
    native_->setPerPixelAlpha(on);
    if (document_) document_->Invalidate(ytRect{-1, -1, -1, -1});
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

bool ytWindow::RegisterHotKey(int id, uint32_t modifiers, uint32_t virtualKey) {
    return native_ && platform::registerHotKey(native_.get(), id, modifiers, virtualKey);
}

void ytWindow::UnregisterHotKey(int id) {
    if (native_) platform::unregisterHotKey(native_.get(), id);
}

void ytWindow::SetModalDialog(ytWindow* dialog) {
    if (dialog == modalDialog_) return;
    if (dialog) dialog->AddRef();
    if (modalDialog_) modalDialog_->Release();
    modalDialog_ = dialog;
}

void ytWindow::SizingRule(uint32_t, int32_t*) {}

intptr_t ytWindow::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return WindowProc(message, wParam, lParam);
}

intptr_t ytWindow::WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // 1. Application messages are copied to the message-forward window.
    if (message >= base::kWmApp && messageForward_ && messageForward_->native_)
        messageForward_->WindowProc(message, wParam, lParam);

    // 2. A modal dialog over the window takes the mouse and the activation.
    if (modalDialog_ && modalDialog_->IsVisible()) {
        if (isMouseMessage(message)) return 0;
        if (message == base::kWmActivate && (wParam & 0xFFFF) == kWaClickActive) {
            modalDialog_->native_->activate();
            return 0;
        }
        if (message == kWmMouseActivate) {
            modalDialog_->native_->flash();
            platform::beep();
            return kMaNoActivateAndEat;
        }
    }

    // 10. The taskbar was re-created (the shell restarted): the icon is added again.
    if (tray_ && tray_->onWindowMessage(message)) return 0;

    switch (message) {
        // 3. A close while a message box is open closes the boxes first; the close itself is
        // held until the last box has gone.
        case base::kWmClose:
            if (OpenMessageBoxes() > 0) {
                SetQuitPending();
                if (native_) native_->closeOwnedBoxes();
                return 0;
            }
            break;
        // 4.
        case base::kWmDestroy:
            onDestroy();
            return 0;
        // 5.
        case base::kWmSize:
            if (sizeForward_ && sizeForward_->native_)
                sizeForward_->WindowProc(message, wParam, lParam);
            if (document_)
                document_->Resize(static_cast<int>(lParam & 0xFFFF),
                                  static_cast<int>((lParam >> 16) & 0xFFFF));
            return 0;
        // 6.
        case base::kWmPaint:
            if (document_ && native_) {
                platform::ScreenRect invalid;
                void* context = native_->beginPaint(&invalid);
                document_->Paint(context,
                                 {invalid.left, invalid.top, invalid.right, invalid.bottom});
                native_->endPaint(context);
                if (IsSubclassed()) native_->callPrevious(message, wParam, lParam);
                return 0;
            }
            break;
        // 7.
        case base::kWmEraseBkgnd:
            if (!eraseBackground_) return 1;
            break;
        // 9.
        case kWmSizing:
        case kWmMoving:
            SizingRule(static_cast<uint32_t>(wParam), reinterpret_cast<int32_t*>(lParam));
            return 1;
        default:
            break;
    }
    if (!document_) return base::kNotHandled;
    ytMessage wrapped;
    wrapped.message = message;
    wrapped.wParam = wParam;
    wrapped.lParam = lParam;
    // 8. Keys go to the document's key handler first.
    if (message >= base::kWmKeyFirst && message <= base::kWmKeyLast) {
        if (document_->HandleKey(wrapped) == base::kHandled) return base::kHandled;
    }
    // 11. Everything else; unhandled messages reach a subclassed window's own procedure
    // through the platform's default handling.
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
    if (MainWindow() == this) SetMainWindow(nullptr);
    DebugLog("Deleting %p\n", static_cast<void*>(document_));
    delete document_;
    document_ = nullptr;
    tray_.reset();
    forgetWindow(this);
    native_.reset();
    Release();
}

}  // namespace yt
