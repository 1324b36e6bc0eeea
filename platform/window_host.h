// Top-level windows and the message pump. The Win32 message numbers are the vocabulary on both
// platforms: the Linux host translates GTK/GDK events into them (see toolkit/messages.h).
//
// Contents
//   1. windows (with their timers and placement)
//   2. screen geometry
//   3. the pump: dispatch, wait, handles the wait watches
//   4. message boxes and errors
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/messages.h"

namespace platform {

// Receives a window's messages.
class WindowClient {
public:
    virtual ~WindowClient() = default;
    // Answers a message; kDefaultHandling asks for the platform's default handling.
    virtual intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
};

// The answer of a client that wants the platform's default handling (the toolkit's "not handled").
constexpr intptr_t kDefaultHandling = base::kNotHandled;

// ---- 1. windows -------------------------------------------------------------------------------

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

    // Starts the window timer `id`, or restarts it with the new period: WM_TIMER with wParam
    // `id` reaches the client every `periodMs` milliseconds while the pump runs (SetTimer on
    // Windows, a GLib timeout on Linux). False when the platform refuses.
    virtual bool setTimer(uintptr_t id, uint32_t periodMs) = 0;
    // Stops the window timer `id`; nothing when it does not run. Destroying the window stops all.
    virtual void killTimer(uintptr_t id) = 0;
    // The outer rectangle (frame included) in screen coordinates; false when unknown.
    virtual bool frame(int* left, int* top, int* width, int* height) const = 0;
    // Moves the window's outer top-left corner to (left, top), keeping its size and z-order.
    virtual void move(int left, int top) = 0;
};

// ---- 2. screen geometry ------------------------------------------------------------------------

// A rectangle in screen coordinates; right and bottom are exclusive.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The bounding rectangle of every monitor (the virtual screen).
ScreenRect virtualScreen();
// The primary monitor less the desktop's panels and taskbar (its work area).
ScreenRect primaryWorkArea();

// ---- 3. the pump --------------------------------------------------------------------------------

// Opens the connection to the display. False, with a reason, when there is none.
bool initWindowing(std::string* error);

// Creates a window that reports to `client`; null on failure.
std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& params, WindowClient* client);

// Dispatches every waiting message. False when a quit request was taken from the queue.
bool dispatchPending();

// Sleeps until input arrives for this thread's windows or sources, a watched handle is signalled,
// or `timeoutMs` passes. A signalled handle's callback runs before this returns.
void waitForInput(int timeoutMs);

// Asks the pump to end (the platform's quit message).
void postQuit();

// Something the pump's wait can watch: a waitable HANDLE on Windows (event, thread, process), a
// file descriptor that becomes readable on Linux.
using WaitHandle = intptr_t;
// Runs on the pump's thread when a watched handle is signalled.
using HandleSignalled = void (*)(WaitHandle handle);

// Adds `handle` to the pump's wait; `signalled` runs each time the wait finds it signalled (on
// Windows from waitForInput's MsgWaitForMultipleObjects; on Linux from a GLib source, so it also
// runs inside GTK's own loops). A handle stays signalled until its owner resets it. False when
// the wait can watch no more handles (Windows: 63) or the handle is already watched.
bool watchHandle(WaitHandle handle, HandleSignalled signalled);
// Removes `handle` from the wait (also from inside its own callback).
void unwatchHandle(WaitHandle handle);

// An event a worker thread (or anything else) sets to wake the pump: a manual-reset event on
// Windows, an eventfd on Linux. It stays signalled until reset.
class WaitEvent {
public:
    virtual ~WaitEvent() = default;
    virtual void signal() = 0;
    virtual void reset() = 0;
    virtual WaitHandle handle() const = 0;
};

// A new event, not signalled; null when the platform has none left.
std::unique_ptr<WaitEvent> createWaitEvent();

// ---- 4. message boxes and errors ---------------------------------------------------------------

// Shows a modal message box; answers true for Yes/OK.
enum class BoxKind { Information, Error, YesNo };
bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind);

// The text of the platform's last error.
std::string lastErrorText();

}  // namespace platform
