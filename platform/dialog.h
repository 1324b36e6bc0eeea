// Modal dialog boxes built from a portable template description: a real Win32 dialog box
// (DLGTEMPLATEEX made in memory, CreateDialogIndirectParam, run modally on the program's pump) on
// Windows, a GTK dialog laid out from the same dialog units on Linux.
//
// Contents
//   1. the template description (controls, ids, texts, styles, dialog units, font)
//   2. a running dialog box (control texts and states, timers, ending it)
//   3. running one, and the owner's state
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_host.h"

namespace platform {

// ---- 1. the template description ---------------------------------------------------------------

enum class ControlKind {
    Static,         // a text (left-aligned unless kCentered)
    Icon,           // the application icon (resource 101)
    Edit,           // a one-line edit field
    CheckBox,       // an automatic check box
    PushButton,     // a push button
    DefPushButton,  // the default push button (Enter presses it)
    Frame,          // an empty static that hosts a child window (the embedded web view)
};

// Control style flags (portable; each build maps them to its own styles).
enum ControlFlag : uint32_t {
    kHidden = 1,      // not visible
    kDisabled = 2,    // greyed, takes no input
    kCentered = 4,    // text centred
    kAutoScroll = 8,  // an edit that scrolls horizontally as the text grows
    kNoTabStop = 16,  // Tab passes it by
};

// The id of controls the program never addresses (Win32's IDC_STATIC).
constexpr int kNoControlId = -1;

struct DialogControl {
    ControlKind kind;
    int id;
    std::string text;         // Windows-1252
    int x, y, width, height;  // dialog units
    uint32_t flags = 0;
};

struct DialogTemplate {
    int id = 0;  // the resource number (109 ...)
    std::string title;
    std::string fontName;
    int fontPoints = 0;
    int width = 0, height = 0;  // dialog units
    std::vector<DialogControl> controls;
};

// Button ids with a meaning to the dialog manager (Enter without a default button sends kIdOk;
// Escape and the window's close button send kIdCancel).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdHelp = 9;

// Notification codes in the high word of WM_COMMAND's wParam.
constexpr uint32_t kBnClicked = 0;
constexpr uint32_t kEnChange = 0x0300;

// Dialog messages beyond base/messages.h (Win32 numbers).
constexpr uint32_t kWmInitDialog = 0x0110;
constexpr uint32_t kWmNotify = 0x004E;
constexpr uint32_t kWmHelp = 0x0053;
constexpr uint32_t kWmHScroll = 0x0114;
constexpr uint32_t kVkF1 = 0x70;
constexpr uint32_t kVkHelp = 0x2F;

// ---- 2. a running dialog box ------------------------------------------------------------------

class RunningDialog;

// Receives the messages of a dialog box: WM_INITDIALOG first (answer true to let the dialog
// manager give the first control the focus), then WM_COMMAND (wParam: notification code << 16 |
// control id), WM_TIMER (wParam: the timer id), WM_CLOSE (answer 0 to have it cancel the dialog
// as Escape does), WM_DESTROY, and F1 or the Help key: WM_HELP on Windows, WM_KEYDOWN (wParam
// the virtual key) on Linux.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;
    virtual intptr_t dialogProc(RunningDialog* box, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) = 0;
};

class RunningDialog {
public:
    virtual ~RunningDialog() = default;
    // The dialog window (HWND on Windows, the X window id on Linux).
    virtual uintptr_t nativeHandle() const = 0;
    // Ends the dialog: runModalDialog returns `result` once the current message is handled.
    virtual void end(intptr_t result) = 0;

    // Text of a control (Windows-1252); setting an edit's text notifies kEnChange as Win32 does.
    virtual std::string controlText(int id) const = 0;
    virtual void setControlText(int id, const std::string& text) = 0;
    // Check boxes; setting the state sends no command.
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void enable(int id, bool enabled) = 0;
    virtual bool isShown(int id) const = 0;
    virtual void show(int id, bool visible) = 0;
    // Gives a control the keyboard focus.
    virtual void focus(int id) = 0;

    // Dialog timers: WM_TIMER with wParam `id` every `periodMs` while the dialog is up.
    virtual bool setTimer(uintptr_t id, uint32_t periodMs) = 0;
    virtual void killTimer(uintptr_t id) = 0;

    // The native child host of a kFrame control, for a window of other code placed inside it:
    // the control's HWND on Windows, its GtkContainer* on Linux (a GtkBox sized as the control).
    virtual void* childHost(int id) const = 0;
    // A control's rectangle in screen coordinates; false when there is no such control.
    virtual bool controlFrame(int id, ScreenRect* rect) const = 0;
    // The dialog's outer rectangle on the screen, and moving it there.
    virtual bool frame(int* left, int* top, int* width, int* height) const = 0;
    virtual void move(int left, int top) = 0;
};

// ---- 3. running one ---------------------------------------------------------------------------

// An icon image shown by kIcon controls (square, premultiplied ARGB); Windows loads resource 101
// of the executable instead when it has one.
void setDialogIcon(int size, const std::vector<uint32_t>& pixels);

// Runs a modal dialog box owned by `owner` and answers the result its handler passed to end(),
// or -1 when the box cannot be created (the platform's last error then says why; a null template
// is reported as a missing resource). The program's pump runs through `runPump` while the box is
// up, as for message boxes, so timed callbacks and watched handles go on.
intptr_t runModalDialog(const DialogTemplate* dialog, NativeWindow* owner, DialogHandler* handler,
                        const RunPump& runPump);

// The owner's state: minimised (iconic), and restoring it.
bool isMinimized(NativeWindow* window);
void minimize(NativeWindow* window);
void restore(NativeWindow* window);

// The pump's dialog window: while set, key messages for it or its controls go through the
// dialog manager's keyboard navigation first (IsDialogMessage on Windows; GTK's own focus
// handling already does this on Linux). Null clears it.
void setPumpDialog(NativeWindow* window);

}  // namespace platform
