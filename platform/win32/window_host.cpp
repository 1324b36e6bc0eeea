// Windows window host: Win32 windows of the "ytWindow" class family and the message pump's
// platform half (PeekMessage dispatch, MsgWaitForMultipleObjects over the watched handles).
//
// Contents
//   1. layered-window functions, Win32Window and the class window procedure
//   2. windowing start-up and attached windows
//   3. screen geometry
//   4. the pump, watched handles and wait events
//   5. message boxes and errors
//   6. global hotkeys
#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "base/debug_log.h"
#include "base/messages.h"
#include "platform/testing/layered_windows.h"
#include "platform/dialog.h"
#include "platform/window_host.h"

namespace platform {
namespace {

constexpr const char* kDefaultClass = "ytWindow";
constexpr const char* kDialogClass = "ytDialog";
// The property that marks the toolkit's windows and holds their Win32Window.
constexpr const char* kWindowProp = "ytWindow";

LRESULT CALLBACK classWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK subclassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- 1. layered-window functions ------------------------------------------------------------

// The layered-window functions, looked up in user32.dll once; without either of them per-pixel
// alpha stays off for the rest of the process.
using SetLayeredAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using UpdateLayeredFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                      BLENDFUNCTION*, DWORD);
struct LayeredFunctions {
    SetLayeredAttributesFn setAttributes = nullptr;
    UpdateLayeredFn update = nullptr;
};

LayeredFunctions& layered() {
    static LayeredFunctions functions = [] {
        LayeredFunctions f;
        if (HMODULE user32 = GetModuleHandleA("user32.dll")) {
            f.setAttributes = reinterpret_cast<SetLayeredAttributesFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
            f.update = reinterpret_cast<UpdateLayeredFn>(
                reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
        }
        if (!f.setAttributes || !f.update) f = {};
        return f;
    }();
    return functions;
}

bool layeredAvailable() {
    return layered().update != nullptr;
}

// A 32-bit top-down DIB section and the memory DC it is selected into: the byte order of a
// premultiplied ytBitmap row (B, G, R, A) is the DIB's, so rows are copied as they are.
class FrameDib {
public:
    ~FrameDib() { release(); }
    bool ensure(int width, int height) {
        if (dc_ && width == width_ && height == height_) return true;
        release();
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        dc_ = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        if (!bitmap_ || !dc_) {
            release();
            return false;
        }
        old_ = SelectObject(dc_, bitmap_);
        width_ = width, height_ = height;
        return true;
    }
    // Copies the rows of `area` from the image into the section.
    void copy(const uint32_t* pixels, const ScreenRect& area) {
        GdiFlush();
        auto* bits = static_cast<uint32_t*>(bits_);
        for (int y = area.top; y < area.bottom; ++y)
            std::memcpy(bits + static_cast<size_t>(y) * width_ + area.left,
                        pixels + static_cast<size_t>(y) * width_ + area.left,
                        static_cast<size_t>(area.right - area.left) * 4);
    }
    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void release() {
        if (dc_ && old_) SelectObject(dc_, old_);
        if (dc_) DeleteDC(dc_);
        if (bitmap_) DeleteObject(bitmap_);
        dc_ = nullptr, bitmap_ = nullptr, old_ = nullptr, bits_ = nullptr;
        width_ = height_ = 0;
    }
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_ = 0, height_ = 0;
};

// The part of `area` inside a width x height image; empty when nothing is.
ScreenRect clipTo(const ScreenRect& area, int width, int height) {
    ScreenRect r{area.left < 0 ? 0 : area.left, area.top < 0 ? 0 : area.top,
                 area.right > width ? width : area.right,
                 area.bottom > height ? height : area.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// ---- Win32Window ------------------------------------------------------------------------------

class Win32Window : public NativeWindow {
public:
    explicit Win32Window(WindowClient* client) : client_(client) {}

    ~Win32Window() override {
        if (!hwnd_ || destroying_) return;
        destroying_ = true;
        RemovePropA(hwnd_, kWindowProp);
        if (previous_) {
            // An attached window lives on with its own procedure.
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
            return;
        }
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }

    bool create(const WindowSpec& params) {
        const char* className = params.className.empty() ? kDefaultClass : params.className.c_str();
        if (params.className != kDefaultClass && !registerCopy(className)) return false;
        DWORD style, exStyle = 0;
        if (params.popup || params.frameless) {
            style = WS_POPUP | WS_CLIPSIBLINGS;
            // A frameless main window is still an application window (taskbar, activation, the
            // window manager's title under Wine); popups are tool windows.
            exStyle = params.popup ? WS_EX_TOOLWINDOW : WS_EX_APPWINDOW;
            // UpdateLayeredWindow replaces the whole window, frame included: only frameless
            // windows show per-pixel alpha (a framed one would lose its caption to the image).
            alphaCapable_ = true;
            perPixel_ = params.perPixelAlpha && layeredAvailable();
            if (perPixel_) exStyle |= WS_EX_LAYERED;
        } else if (params.resizable) {
            style = WS_OVERLAPPEDWINDOW;
        } else {
            style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        }
        RECT rect{params.left, params.top, params.left + params.width, params.top + params.height};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
        hwnd_ = CreateWindowExA(
            exStyle, className, params.title.c_str(), style, rect.left, rect.top,
            rect.right - rect.left, rect.bottom - rect.top,
            params.parent ? reinterpret_cast<HWND>(params.parent->nativeHandle()) : nullptr,
            nullptr, GetModuleHandleA(nullptr), this);
        return hwnd_ != nullptr;
    }

    // Routes an existing window's messages through this object (subclassing).
    bool attach(HWND hwnd) {
        hwnd_ = hwnd;
        SetPropA(hwnd_, kWindowProp, this);
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclassWindowProc)));
        if (previous_) return true;
        RemovePropA(hwnd_, kWindowProp);
        hwnd_ = nullptr;
        return false;
    }

    void show(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }
    bool isVisible() const override { return IsWindowVisible(hwnd_) != FALSE; }
    void setTopmost() override {
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    void destroy() override {
        if (hwnd_ && !destroying_) DestroyWindow(hwnd_);
    }
    void post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        PostMessageA(hwnd_, message, wParam, lParam);
    }
    intptr_t defaultProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
    void clientSize(int* width, int* height) const override {
        RECT rect{};
        GetClientRect(hwnd_, &rect);
        *width = rect.right - rect.left;
        *height = rect.bottom - rect.top;
    }
    uintptr_t nativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }

    bool setTimer(uintptr_t id, uint32_t periodMs) override {
        // SetTimer with an id the window already uses replaces that timer.
        return hwnd_ && SetTimer(hwnd_, id, periodMs, nullptr) != 0;
    }
    void killTimer(uintptr_t id) override {
        if (hwnd_) KillTimer(hwnd_, id);
    }
    bool frame(int* left, int* top, int* width, int* height) const override {
        RECT rect;
        if (!hwnd_ || !GetWindowRect(hwnd_, &rect)) return false;
        *left = rect.left, *top = rect.top;
        *width = rect.right - rect.left, *height = rect.bottom - rect.top;
        return true;
    }
    void move(int left, int top) override {
        SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool present(const uint32_t* pixels, int width, int height, const ScreenRect& area) override {
        if (!hwnd_ || width <= 0 || height <= 0 || !dib_.ensure(width, height)) return false;
        const ScreenRect r = clipTo(area, width, height);
        dib_.copy(pixels, r);
        if (perPixel_) return updateLayered();
        if (r.right <= r.left || r.bottom <= r.top) return true;
        HDC dc = GetDC(hwnd_);
        const bool ok = dc && BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                     dib_.dc(), r.left, r.top, SRCCOPY);
        if (dc) ReleaseDC(hwnd_, dc);
        if (!ok) base::DebugLog("Note: Bitblt failed, %d x %d\n", width, height);
        return ok;
    }
    void* beginPaint(ScreenRect* invalid) override {
        HDC dc = BeginPaint(hwnd_, &paint_);
        *invalid = {paint_.rcPaint.left, paint_.rcPaint.top, paint_.rcPaint.right,
                    paint_.rcPaint.bottom};
        return dc;
    }
    void paint(void* context, const uint32_t* pixels, int width, int height,
               const ScreenRect& area) override {
        if (!context || width <= 0 || height <= 0 || !dib_.ensure(width, height)) return;
        const ScreenRect r = clipTo(area, width, height);
        dib_.copy(pixels, r);
        if (!BitBlt(static_cast<HDC>(context), r.left, r.top, r.right - r.left, r.bottom - r.top,
                    dib_.dc(), r.left, r.top, SRCCOPY))
            base::DebugLog("Note: Bitblt failed, %d x %d\n", width, height);
    }
    void endPaint(void*) override { EndPaint(hwnd_, &paint_); }
    void invalidate(const ScreenRect* area) override {
        if (!area) {
            InvalidateRect(hwnd_, nullptr, FALSE);
            return;
        }
        const RECT r{area->left, area->top, area->right, area->bottom};
        InvalidateRect(hwnd_, &r, FALSE);
    }

    bool perPixelAlpha() const override { return perPixel_; }
    bool setPerPixelAlpha(bool on) override {
        if (!hwnd_ || !alphaCapable_ || on == perPixel_ || (on && !layeredAvailable()))
            return perPixel_;
        // Clearing the style drops what UpdateLayeredWindow showed: the window paints itself
        // through WM_PAINT again. Setting it shows nothing until the next UpdateLayeredWindow.
        const LONG_PTR exStyle = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) & ~LONG_PTR{WS_EX_LAYERED};
        SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, on ? exStyle | WS_EX_LAYERED : exStyle);
        perPixel_ = on;
        alpha_ = 255;
        if (!on) InvalidateRect(hwnd_, nullptr, FALSE);
        return perPixel_;
    }
    bool setAlpha(int alpha) override {
        if (!layeredAvailable() || !hwnd_) return false;
        alpha = alpha < 0 ? 0 : alpha > 255 ? 255 : alpha;
        if (perPixel_) {
            alpha_ = alpha;
            if (dib_.dc()) updateLayered();
            return true;
        }
        const LONG_PTR exStyle = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE);
        if (alpha == 255) {
            SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
            return true;
        }
        SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        return layered().setAttributes(hwnd_, 0, static_cast<BYTE>(alpha), LWA_ALPHA) != FALSE;
    }
    void setRegion(const ScreenRect* area) override {
        if (!area) {
            SetWindowRgn(hwnd_, nullptr, TRUE);
            return;
        }
        // The region is in window coordinates: shift the client rectangle past the frame.
        POINT origin{0, 0};
        ClientToScreen(hwnd_, &origin);
        RECT window{};
        GetWindowRect(hwnd_, &window);
        const int dx = origin.x - window.left, dy = origin.y - window.top;
        HRGN region =
            CreateRectRgn(area->left + dx, area->top + dy, area->right + dx, area->bottom + dy);
        // The window owns the region from here on.
        if (region && !SetWindowRgn(hwnd_, region, TRUE)) DeleteObject(region);
    }

    void setCapture(bool capture) override {
        if (capture)
            SetCapture(hwnd_);
        else if (GetCapture() == hwnd_)
            ReleaseCapture();
    }
    void setCursor(PointerShape shape) override {
        LPCSTR id = shape == PointerShape::IBeam  ? reinterpret_cast<LPCSTR>(IDC_IBEAM)
                    : shape == PointerShape::Hand ? reinterpret_cast<LPCSTR>(IDC_HAND)
                                                  : reinterpret_cast<LPCSTR>(IDC_ARROW);
        SetCursor(LoadCursorA(nullptr, id));
    }
    void screenToClient(int* x, int* y) const override {
        POINT p{*x, *y};
        ScreenToClient(hwnd_, &p);
        *x = p.x, *y = p.y;
    }
    void activate() override {
        SetForegroundWindow(hwnd_);
        SetActiveWindow(hwnd_);
    }
    void flash() override {
        FLASHWINFO info{};
        info.cbSize = sizeof info;
        info.hwnd = hwnd_;
        info.dwFlags = FLASHW_ALL;
        info.uCount = 1;
        info.dwTimeout = 100;
        FlashWindowEx(&info);
    }
    void closeOwnedBoxes() override {
        EnumThreadWindows(GetCurrentThreadId(), closeIfOwnedBox, reinterpret_cast<LPARAM>(hwnd_));
    }

    intptr_t callPrevious(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
        if (!previous_) return kDefaultHandling;
        return CallWindowProcA(previous_, hwnd_, message, wParam, lParam);
    }
    bool attached() const override { return previous_ != nullptr; }

    static LRESULT dispatch(Win32Window* self, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
        if (message == WM_DESTROY) {
            // The client may delete this object while handling WM_DESTROY.
            const WNDPROC previous = self->previous_;
            self->destroying_ = true;
            RemovePropA(hwnd, kWindowProp);
            if (previous)
                SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            else
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            self->client_->windowProc(message, wParam, lParam);
            return previous ? CallWindowProcA(previous, hwnd, message, wParam, lParam) : 0;
        }
        const intptr_t result = self->client_->windowProc(message, wParam, lParam);
        if (result == kDefaultHandling) {
            if (self->previous_)
                return CallWindowProcA(self->previous_, hwnd, message, wParam, lParam);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        if (result == base::kHandled) return 1;
        return result;
    }

    HWND hwnd_ = nullptr;

private:
    // A custom class name is a copy of the "ytWindow" class under that name.
    static bool registerCopy(const char* className) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &wc)) return true;
        if (!GetClassInfoExA(GetModuleHandleA(nullptr), kDefaultClass, &wc)) return false;
        wc.cbSize = sizeof wc;
        wc.lpszClassName = className;
        return RegisterClassExA(&wc) != 0;
    }

    // A window of another class that `owner` owns (a message box) is asked to close; a Yes/No
    // box ignores WM_CLOSE, so it is cancelled as its Escape key would if it had one.
    static BOOL CALLBACK closeIfOwnedBox(HWND hwnd, LPARAM owner) {
        if (GetWindow(hwnd, GW_OWNER) != reinterpret_cast<HWND>(owner) ||
            GetPropA(hwnd, kWindowProp))
            return TRUE;
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        if (IsWindow(hwnd)) SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    // Shows the section's frame with the window alpha, at the window's place.
    bool updateLayered() {
        RECT window{};
        GetWindowRect(hwnd_, &window);
        POINT destination{window.left, window.top};
        POINT source{0, 0};
        SIZE size{dib_.width(), dib_.height()};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha_), AC_SRC_ALPHA};
        HDC screen = GetDC(nullptr);
        const bool ok = layered().update(hwnd_, screen, &destination, &size, dib_.dc(), &source, 0,
                                         &blend, ULW_ALPHA) != FALSE;
        ReleaseDC(nullptr, screen);
        return ok;
    }

    WindowClient* client_;
    bool destroying_ = false;
    bool perPixel_ = false;
    bool alphaCapable_ = false;  // a popup or frameless window
    int alpha_ = 255;
    WNDPROC previous_ = nullptr;
    FrameDib dib_;
    PAINTSTRUCT paint_{};
};

LRESULT CALLBACK classWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        SetPropA(hwnd, kWindowProp, self);
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return Win32Window::dispatch(self, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK subclassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Win32Window*>(GetPropA(hwnd, kWindowProp));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return Win32Window::dispatch(self, hwnd, message, wParam, lParam);
}

bool registerClasses() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = 0x400B;  // vertical and horizontal redraw, double clicks, global class
    wc.lpfnWndProc = classWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kDefaultClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    wc.style = 0x4003;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kDialogClass;
    return RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

// ---- 2. windowing start-up and attached windows -----------------------------------------------

bool initWindowing(std::string* error) {
    static bool ready = false;
    if (ready) return true;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (!registerClasses()) {
        *error = lastErrorText();
        return false;
    }
    ready = true;
    return true;
}

std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& params, WindowClient* client) {
    auto window = std::make_unique<Win32Window>(client);
    if (!window->create(params)) return nullptr;
    return window;
}

std::unique_ptr<NativeWindow> attachNativeWindow(uintptr_t handle, WindowClient* client) {
    HWND hwnd = reinterpret_cast<HWND>(handle);
    DWORD process = 0;
    if (!IsWindow(hwnd) || GetPropA(hwnd, kWindowProp)) return nullptr;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    auto window = std::make_unique<Win32Window>(client);
    if (!window->attach(hwnd)) return nullptr;
    return window;
}

bool isKeyDown(uint32_t virtualKey) {
    return GetKeyState(static_cast<int>(virtualKey)) < 0;
}

void testing::forgetPerPixelAlpha() {
    layered() = {};
}

// ---- 3. screen geometry ------------------------------------------------------------------------

ScreenRect virtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

ScreenRect primaryWorkArea() {
    RECT rect{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &rect, 0))
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// ---- 4. the pump ------------------------------------------------------------------------------

namespace {

// The watched handles and their callbacks, in parallel, as MsgWaitForMultipleObjects takes them.
std::vector<HANDLE> g_watched;
std::vector<HandleSignalled> g_signalled;

class Win32Event : public WaitEvent {
public:
    explicit Win32Event(HANDLE event) : event_(event) {}
    ~Win32Event() override { CloseHandle(event_); }
    void signal() override { SetEvent(event_); }
    void reset() override { ResetEvent(event_); }
    WaitHandle handle() const override { return reinterpret_cast<WaitHandle>(event_); }

private:
    HANDLE event_;
};

// The window that receives accelerators, and their table.
HWND g_acceleratorWindow = nullptr;
HACCEL g_accelerators = nullptr;

}  // namespace

void setAccelerators(NativeWindow* window, const Accelerator* table, int count) {
    if (g_accelerators) DestroyAcceleratorTable(g_accelerators);
    g_accelerators = nullptr;
    g_acceleratorWindow = window ? reinterpret_cast<HWND>(window->nativeHandle()) : nullptr;
    if (!window || count <= 0) return;
    std::vector<ACCEL> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        BYTE flags = FVIRTKEY;
        if (table[i].modifiers & kModAlt) flags |= FALT;
        if (table[i].modifiers & kModControl) flags |= FCONTROL;
        if (table[i].modifiers & kModShift) flags |= FSHIFT;
        entries[static_cast<size_t>(i)] = {flags, static_cast<WORD>(table[i].virtualKey),
                                           table[i].command};
    }
    g_accelerators = CreateAcceleratorTableA(entries.data(), count);
}

// The dialog window whose keys pass the dialog manager first (see platform/dialog.h).
namespace {
HWND g_pumpDialog = nullptr;
}  // namespace

void setPumpDialog(NativeWindow* window) {
    g_pumpDialog = window ? reinterpret_cast<HWND>(window->nativeHandle()) : nullptr;
}

bool dispatchPending(const MessageFilter* filter) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        // A mouse move absorbs the moves queued behind it: only the newest position counts.
        if (msg.message == WM_MOUSEMOVE) {
            MSG next;
            while (PeekMessageA(&next, msg.hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE))
                msg = next;
        }
        if (filter && *filter) {
            auto* window = msg.hwnd ? static_cast<NativeWindow*>(static_cast<Win32Window*>(
                                          GetPropA(msg.hwnd, kWindowProp)))
                                    : nullptr;
            if ((*filter)({window, msg.message, msg.wParam, msg.lParam})) continue;
        }
        if (g_pumpDialog && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST &&
            IsWindow(g_pumpDialog) && IsDialogMessageA(g_pumpDialog, &msg))
            continue;
        if (g_accelerators && IsWindow(g_acceleratorWindow) &&
            TranslateAcceleratorA(g_acceleratorWindow, g_accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void waitForInput(int timeoutMs) {
    const DWORD count = static_cast<DWORD>(g_watched.size());
    // MWMO_INPUTAVAILABLE: a message that arrived before the wait but was not yet taken (a
    // callback's own peek may have seen it) also ends the wait; a hidden program's wait is long.
    const DWORD result = MsgWaitForMultipleObjectsEx(count, count ? g_watched.data() : nullptr,
                                                     static_cast<DWORD>(timeoutMs), QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
    // An abandoned mutex counts as signalled: its owner's callback takes it over.
    DWORD index = count;
    if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count)
        index = result - WAIT_OBJECT_0;
    else if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count)
        index = result - WAIT_ABANDONED_0;
    if (index < count) g_signalled[index](reinterpret_cast<WaitHandle>(g_watched[index]));
}

bool watchHandle(WaitHandle handle, HandleSignalled signalled) {
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    if (!h || !signalled || g_watched.size() >= MAXIMUM_WAIT_OBJECTS - 1) return false;
    for (HANDLE w : g_watched)
        if (w == h) return false;
    g_watched.push_back(h);
    g_signalled.push_back(signalled);
    return true;
}

void unwatchHandle(WaitHandle handle) {
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    for (size_t i = 0; i < g_watched.size(); ++i) {
        if (g_watched[i] != h) continue;
        g_watched.erase(g_watched.begin() + static_cast<std::ptrdiff_t>(i));
        g_signalled.erase(g_signalled.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

std::unique_ptr<WaitEvent> createWaitEvent() {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event) return nullptr;
    return std::make_unique<Win32Event>(event);
}

void postQuit() {
    PostQuitMessage(0);
}

// ---- 5. message boxes and errors --------------------------------------------------------------

bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind, const RunPump&) {
    const UINT type = kind == BoxKind::YesNo   ? MB_YESNO | MB_ICONQUESTION
                      : kind == BoxKind::Error ? MB_OK | MB_ICONINFORMATION
                                               : MB_OK | MB_ICONINFORMATION;
    HWND parent = owner ? reinterpret_cast<HWND>(owner->nativeHandle()) : nullptr;
    const int answer = MessageBoxA(parent, text.c_str(), title.c_str(), type);
    return answer == IDYES || answer == IDOK;
}

std::string lastErrorText() {
    char* text = nullptr;
    FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, GetLastError(), 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string result = text ? text : "Unknown error";
    if (text) LocalFree(text);
    return result;
}

// ---- 6. global hotkeys -------------------------------------------------------------------------

bool registerHotKey(NativeWindow* window, int id, uint32_t modifiers, uint32_t virtualKey) {
    if (!window) return false;
    return RegisterHotKey(reinterpret_cast<HWND>(window->nativeHandle()), id, modifiers,
                          virtualKey) != FALSE;
}

void unregisterHotKey(NativeWindow* window, int id) {
    if (window) UnregisterHotKey(reinterpret_cast<HWND>(window->nativeHandle()), id);
}

}  // namespace platform
