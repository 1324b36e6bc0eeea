// Top-level windows and the message pump. The Win32 message numbers are the vocabulary on both
// platforms: the Linux host translates GTK/GDK events into them (see toolkit/messages.h).
//
// Contents
//   1. windows (with their timers, placement, presenting and input state)
//   2. screen geometry
//   3. the pump: dispatch, wait, handles the wait watches
//   4. message boxes and errors
//   5. global hotkeys
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/messages.h"
#include "platform/beep.h"

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

// A rectangle in screen or client coordinates; right and bottom are exclusive.
struct ScreenRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Mouse cursors a window can show.
enum class PointerShape { Arrow, IBeam, Hand };

class NativeWindow;

struct WindowSpec {
    std::string title;
    NativeWindow* parent = nullptr;  // the owner window, or none
    std::string className = "ytWindow";
    bool popup = false;
    bool resizable = false;
    // A top-level window without a frame or caption (the settings panel): its document draws
    // the whole window.
    bool frameless = false;
    // Per-pixel alpha for a popup or frameless window where the platform offers it; off, the
    // window is opaque (the safe mode for drivers and desktops that draw layered windows badly).
    bool perPixelAlpha = true;
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

    // Shows the rectangle `area` of a premultiplied image (`width` x `height` pixels, alpha in
    // the top byte, rows packed) as the window's content. Windows: UpdateLayeredWindow with the
    // window alpha while per-pixel alpha is on, else a BitBlt; Linux: the area is redrawn from the
    // image the next WM_PAINT hands over. False when the platform refused the copy.
    virtual bool present(const uint32_t* pixels, int width, int height, const ScreenRect& area) = 0;
    // Begins a WM_PAINT: answers the paint context and the rectangle to draw (client coordinates).
    virtual void* beginPaint(ScreenRect* invalid) = 0;
    // Draws `area` of the image into the paint context of beginPaint.
    virtual void paint(void* context, const uint32_t* pixels, int width, int height,
                       const ScreenRect& area) = 0;
    virtual void endPaint(void* context) = 0;
    // Asks for a WM_PAINT of `area` (null: the whole client area).
    virtual void invalidate(const ScreenRect* area) = 0;

    // Whether presenting keeps each pixel's alpha (a layered window on Windows, an RGBA visual
    // under a compositor on Linux).
    virtual bool perPixelAlpha() const = 0;
    // Turns per-pixel alpha on or off for a popup or frameless window that exists, where the
    // platform offers it (framed windows never have it); answers perPixelAlpha() afterwards. The
    // caller presents a whole frame next: a layered window shows nothing until then. Linux
    // re-creates the X window with the other visual, hidden; the caller shows it again.
    virtual bool setPerPixelAlpha(bool on) = 0;
    // The constant opacity (0 to 255) the window is shown with. False, changing nothing, when the
    // platform cannot (the layered-window functions are missing; no compositor runs).
    virtual bool setAlpha(int alpha) = 0;
    // Limits the window's shape (input and output) to `area` in client coordinates; null: none.
    virtual void setRegion(const ScreenRect* area) = 0;

    // Mouse capture: every mouse message reaches this window until released.
    virtual void setCapture(bool capture) = 0;
    virtual void setCursor(PointerShape shape) = 0;
    // Converts a point from screen to client coordinates.
    virtual void screenToClient(int* x, int* y) const = 0;
    // Activates the window (brings it forward with the keyboard focus).
    virtual void activate() = 0;
    // Flashes the caption and taskbar button once (100 ms), as a modal dialog calls attention.
    virtual void flash() = 0;
    // Sends WM_CLOSE to this thread's windows that this window owns and that are not toolkit
    // windows (message boxes); a box that ignores WM_CLOSE is cancelled.
    virtual void closeOwnedBoxes() = 0;

    // The procedure an attached (subclassed) window had before; kDefaultHandling for windows the
    // toolkit created, whose previous procedure is the platform default.
    virtual intptr_t callPrevious(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    virtual bool attached() const = 0;
};

// Virtual key codes of the keys the toolkit looks at (Win32 numbering on both platforms).
enum VirtualKey : uint32_t {
    kVkTab = 0x09,
    kVkClear = 0x0C,
    kVkReturn = 0x0D,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12,
    kVkEscape = 0x1B,
    kVkSpace = 0x20,
    kVkPrior = 0x21,
    kVkNext = 0x22,
    kVkEnd = 0x23,
    kVkHome = 0x24,
    kVkLeft = 0x25,
    kVkDown = 0x28,
};

// Whether a key was down when the message being handled was generated (GetKeyState).
bool isKeyDown(uint32_t virtualKey);

// Takes a window that exists already (made by other code) and routes its messages to `client`;
// the window's previous procedure stays reachable through callPrevious. Null when `handle` is
// not a window of this process.
std::unique_ptr<NativeWindow> attachNativeWindow(uintptr_t handle, WindowClient* client);

// ---- 2. screen geometry ------------------------------------------------------------------------

// The bounding rectangle of every monitor (the virtual screen).
ScreenRect virtualScreen();
// The primary monitor less the desktop's panels and taskbar (its work area).
ScreenRect primaryWorkArea();

// ---- 3. the pump --------------------------------------------------------------------------------

// Opens the connection to the display. False, with a reason, when there is none.
bool initWindowing(std::string* error);

// Creates a window that reports to `client`; null on failure.
std::unique_ptr<NativeWindow> createNativeWindow(const WindowSpec& params, WindowClient* client);

// A message on its way through the pump, before it is dispatched.
struct QueuedMessage {
    NativeWindow* window;  // null for thread messages
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};
// Sees each message before dispatch; true consumes it.
using MessageFilter = std::function<bool(const QueuedMessage&)>;

// Dispatches every waiting message. A mouse move absorbs the moves queued behind it for the same
// window, so only the newest position is dispatched. The filter (if any) may consume a message;
// otherwise the accelerators of the accelerator window are tried (Windows), then the message is
// translated and dispatched. False when a quit request was taken from the queue.
bool dispatchPending(const MessageFilter* filter = nullptr);

// An accelerator: `command` reaches the window as WM_COMMAND when `virtualKey` is pressed with
// the modifiers (the kMod* values of section 5).
struct Accelerator {
    uint32_t modifiers;
    uint32_t virtualKey;
    uint16_t command;
};
// The window that receives accelerators and the table (empty: none). Windows only; on Linux
// the program's keyboard shortcuts come through its own key handling.
void setAccelerators(NativeWindow* window, const Accelerator* table, int count);

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

// Shows a modal message box; answers true for Yes/OK. `runPump` runs the program's pump while
// *running stays true: on Linux the box is a modal GTK dialog shown inside that pump, so timers
// and callbacks keep running; MessageBoxA runs its own loop on Windows.
enum class BoxKind { Information, Error, YesNo };
using RunPump = std::function<void(const bool* running)>;
bool messageBox(NativeWindow* owner, const std::string& text, const std::string& title,
                BoxKind kind, const RunPump& runPump);

// The text of the platform's last error.
std::string lastErrorText();

// ---- 5. global hotkeys ------------------------------------------------------------------------

// Hotkey modifiers (the MOD_ values of RegisterHotKey).
enum HotKeyModifier : uint32_t { kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8 };
constexpr uint32_t kWmHotKey = 0x0312;

// Registers a system-wide hotkey: pressing `virtualKey` with the modifiers posts WM_HOTKEY (wParam
// `id`) to the window (RegisterHotKey; on Linux XGrabKey on GDK's X display, for every
// combination of Caps Lock and Num Lock). False, quietly, when another program holds the key.
bool registerHotKey(NativeWindow* window, int id, uint32_t modifiers, uint32_t virtualKey);
void unregisterHotKey(NativeWindow* window, int id);

}  // namespace platform
