// Windows window host: Win32 windows of the "ytWindow" class family and the message pump's
// platform half (PeekMessage dispatch, MsgWaitForMultipleObjects).
//
// Contents
//   1. Win32Window and the class window procedure
//   2. windowing start-up
//   3. the pump
//   4. message boxes and errors
#include <windows.h>
#include <objbase.h>

#include <string>

#include "platform/window_host.h"
#include "toolkit/messages.h"

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

    bool create(const WindowSpec& spec) {
        const char* className = spec.className.empty() ? kDefaultClass : spec.className.c_str();
        if (spec.className != kDefaultClass && !registerCopy(className)) return false;
        DWORD style, exStyle = 0;
        if (spec.popup) {
            style = WS_POPUP | WS_CLIPSIBLINGS;
            exStyle = WS_EX_TOOLWINDOW;
        } else if (spec.resizable) {
            style = WS_OVERLAPPEDWINDOW;
        } else {
            style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        }
        RECT rect{spec.left, spec.top, spec.left + spec.width, spec.top + spec.height};
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
        hwnd_ = CreateWindowExA(exStyle, className, spec.title.c_str(), style, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                GetModuleHandleA(nullptr), this);
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
        if (result == yt::kHandled) return 1;
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

std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& spec, WindowClient* client) {
    auto window = std::make_unique<Win32Window>(client);
    if (!window->create(spec)) return nullptr;
    return window;
}

// ---- 3. the pump ------------------------------------------------------------------------------

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
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
}

void postQuit() {
    PostQuitMessage(0);
}

// ---- 4. message boxes and errors --------------------------------------------------------------

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
