// Top-level windows and the message pump. The Win32 message numbers are the vocabulary on both
// platforms: the Linux host translates GTK/GDK events into them (see toolkit/messages.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Receives a window's messages.
class WindowClient {
public:
    virtual ~WindowClient() = default;
    // Answers a message; kDefaultHandling asks for the platform's default handling.
    virtual intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

// The answer of a client that wants the platform's default handling (the toolkit's "not handled").
constexpr intptr_t kDefaultHandling = 1000001;

struct WindowSpec {
    std::string title;
    std::string className = "ytWindow";
    bool popup = false;
    bool resizable = false;
    int left = 0, top = 0, width = 0, height = 0;  // the client rectangle
};

class NativeWindow {
public:
    // Destroying the object destroys a window that still exists, without WM_DESTROY to the client.
    virtual ~NativeWindow() = default;
    virtual void show(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // Puts the window above ordinary windows at its current position and size, activating it.
    virtual void setTopmost() = 0;
    // Destroys the window now; the client receives WM_DESTROY.
    virtual void destroy() = 0;
    // Queues a message for the window; the pump delivers it.
    virtual void post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // The platform's default handling of a message the client did not handle.
    virtual intptr_t defaultProc(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual void clientSize(int* width, int* height) const = 0;
    // HWND on Windows, the X window id on Linux (0 before the window is realised).
    virtual uintptr_t nativeHandle() const = 0;
};

// Opens the connection to the display. False, with a reason, when there is none.
bool initWindowing(std::string* error);

// Creates a window that reports to `client`; null on failure.
std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& spec, WindowClient* client);

// Dispatches every waiting message. False when a quit request was taken from the queue.
bool dispatchPending();

// Sleeps until input arrives for this thread's windows or sources, or `timeoutMs` passes.
void waitForInput(int timeoutMs);

// Asks the pump to end (the platform's quit message).
void postQuit();

// Shows a modal message box; answers true for Yes/OK.
enum class BoxKind { Information, Error, YesNo };
bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind);

// The text of the platform's last error.
std::string lastErrorText();

}  // namespace platform
