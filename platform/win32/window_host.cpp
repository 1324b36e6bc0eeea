// Windows window host: Win32 windows of the "ytWindow" class family and the message pump's
// platform half (PeekMessage dispatch, MsgWaitForMultipleObjects over the watched handles).
//
// Contents
//   1. Win32Window and the class window procedure
//   2. windowing start-up
//   3. screen geometry
//   4. the pump, watched handles and wait events
//   5. message boxes and errors
#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/window_host.h"
#include "base/messages.h"

namespace platform {
namespace {

constexpr const char* kDefaultClass = "ytWindow";
constexpr const char* kDialogClass = "ytDialog";

LRESULT CALLBACK classWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- 1. Win32Window ---------------------------------------------------------------------------

class Win32Window : public NativeWindow {
public:
    explicit Win32Window(WindowClient* client) : client_(client) {}

    ~Win32Window() override {
        if (hwnd_ && !destroying_) {
            destroying_ = true;
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
    }

    bool create(const WindowSpec& params) {
        const char* className = params.className.empty() ? kDefaultClass : params.className.c_str();
        if (params.className != kDefaultClass && !registerCopy(className)) return false;
        DWORD style, exStyle = 0;
        if (params.popup) {
            style = WS_POPUP | WS_CLIPSIBLINGS;
            exStyle = WS_EX_TOOLWINDOW;
        } else if (params.resizable) {
            style = WS_OVERLAPPEDWINDOW;
        } else {
            style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        }
        RECT rect{params.left, params.top, params.left + params.width, params.top + params.height};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
        hwnd_ = CreateWindowExA(exStyle, className, params.title.c_str(), style, rect.left,
                                rect.top, rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                nullptr, GetModuleHandleA(nullptr), this);
        return hwnd_ != nullptr;
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

    static LRESULT dispatch(Win32Window* self, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam) {
        if (message == WM_DESTROY) {
            // The client may delete this object while handling WM_DESTROY.
            self->destroying_ = true;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            self->client_->windowProc(message, wParam, lParam);
            return 0;
        }
        const intptr_t result = self->client_->windowProc(message, wParam, lParam);
        if (result == kDefaultHandling) return DefWindowProcA(hwnd, message, wParam, lParam);
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

    WindowClient* client_;
    bool destroying_ = false;
};

LRESULT CALLBACK classWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<Win32Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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

// ---- 2. windowing start-up --------------------------------------------------------------------

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

}  // namespace

bool dispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        // A mouse move absorbs the moves queued behind it: only the newest position counts.
        if (msg.message == WM_MOUSEMOVE) {
            MSG next;
            while (PeekMessageA(&next, msg.hwnd, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE))
                msg = next;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void waitForInput(int timeoutMs) {
    const DWORD count = static_cast<DWORD>(g_watched.size());
    const DWORD result = MsgWaitForMultipleObjects(count, count ? g_watched.data() : nullptr, FALSE,
                                                   static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
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
                BoxKind kind) {
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

}  // namespace platform
