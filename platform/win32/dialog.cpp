// Windows dialog boxes: a DLGTEMPLATEEX built in memory from the portable description, made with
// CreateDialogIndirectParamA and run modally on the program's own pump (the owner disabled, keys
// through IsDialogMessage), so the dialog manager's keyboard navigation and default buttons are
// the platform's own while the program's timed callbacks and watched handles go on: the colour
// schedule keeps running under an open dialog.
//
// Contents
//   1. the in-memory template
//   2. the running box and its procedure
//   3. running one, the owner's state
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/text.h"
#include "platform/dialog.h"
#include "platform/win32/icon_image.h"
#include "platform/win32/pump_dialog.h"

namespace platform {
namespace {

// ---- 1. the in-memory template ----------------------------------------------------------------

// Writes the template's words, keeping each item DWORD-aligned as the dialog manager reads it.
class TemplateWriter {
public:
    void word(uint16_t value) { data_.push_back(value); }
    void dword(uint32_t value) {
        word(static_cast<uint16_t>(value & 0xFFFF));
        word(static_cast<uint16_t>(value >> 16));
    }
    // A zero-terminated UTF-16 string from Windows-1252 text.
    void text(const std::string& text) {
        for (unsigned char c : text) {
            const uint32_t code = base::cp1252ToCodepoint(c);
            word(static_cast<uint16_t>(code));
        }
        word(0);
    }
    void align() {
        if (data_.size() % 2) word(0);
    }
    const uint16_t* data() const { return data_.data(); }

private:
    std::vector<uint16_t> data_;
};

constexpr uint16_t kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082;
constexpr int kAppIconResource = 101;

DWORD controlStyle(const DialogControl& control, uint16_t* windowClass) {
    DWORD style = WS_CHILD;
    if (!(control.flags & kHidden)) style |= WS_VISIBLE;
    if (control.flags & kDisabled) style |= WS_DISABLED;
    const bool tabStop = !(control.flags & kNoTabStop);
    switch (control.kind) {
        case ControlKind::Static:
            *windowClass = kStaticClass;
            return style | ((control.flags & kCentered) ? SS_CENTER : SS_LEFT);
        case ControlKind::Icon:
            *windowClass = kStaticClass;
            return style | SS_ICON;
        case ControlKind::Frame:
            *windowClass = kStaticClass;
            return style | SS_LEFT;
        case ControlKind::Edit:
            *windowClass = kEditClass;
            return style | WS_BORDER | ES_LEFT | (tabStop ? WS_TABSTOP : 0) |
                   ((control.flags & kAutoScroll) ? ES_AUTOHSCROLL : 0);
        case ControlKind::CheckBox:
            *windowClass = kButtonClass;
            return style | BS_AUTOCHECKBOX | (tabStop ? WS_TABSTOP : 0);
        case ControlKind::PushButton:
            *windowClass = kButtonClass;
            return style | BS_PUSHBUTTON | (tabStop ? WS_TABSTOP : 0);
        case ControlKind::DefPushButton:
            *windowClass = kButtonClass;
            return style | BS_DEFPUSHBUTTON | (tabStop ? WS_TABSTOP : 0);
    }
    return style;
}

// DLGTEMPLATEEX with its DLGITEMTEMPLATEEX items (the layout Windows documents for extended
// templates; every string UTF-16, every item on a DWORD boundary).
TemplateWriter buildTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    out.word(1);       // dlgVer
    out.word(0xFFFF);  // signature
    out.dword(0);      // helpID
    out.dword(0);      // exStyle
    out.dword(DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    out.word(static_cast<uint16_t>(dialog.controls.size()));
    out.word(0);  // x, y: centred by the framework
    out.word(0);
    out.word(static_cast<uint16_t>(dialog.width));
    out.word(static_cast<uint16_t>(dialog.height));
    out.word(0);  // no menu
    out.word(0);  // the dialog class
    out.text(dialog.title);
    out.word(static_cast<uint16_t>(dialog.fontPoints));
    out.word(FW_NORMAL);
    out.word(0x0100);  // italic 0 (low byte), charset DEFAULT_CHARSET (high byte)
    out.text(dialog.fontName);
    for (const DialogControl& control : dialog.controls) {
        out.align();
        uint16_t windowClass = kStaticClass;
        const DWORD style = controlStyle(control, &windowClass);
        out.dword(0);  // helpID
        out.dword(0);  // exStyle
        out.dword(style);
        out.word(static_cast<uint16_t>(control.x));
        out.word(static_cast<uint16_t>(control.y));
        out.word(static_cast<uint16_t>(control.width));
        out.word(static_cast<uint16_t>(control.height));
        out.dword(static_cast<uint32_t>(control.id));
        out.word(0xFFFF);
        out.word(windowClass);
        out.text(control.kind == ControlKind::Icon ? std::string() : control.text);
        out.word(0);  // no creation data
    }
    return out;
}

// ---- 2. the running box -----------------------------------------------------------------------

IconImage g_icon;  // the dialogs' icon where the executable has no resource 101

class Win32DialogBox : public RunningDialog {
public:
    Win32DialogBox(const DialogTemplate& dialog, DialogHandler* handler)
        : dialog_(dialog), handler_(handler) {}
    ~Win32DialogBox() override {
        if (icon_) DestroyIcon(icon_);
    }

    uintptr_t nativeHandle() const override { return reinterpret_cast<uintptr_t>(hwnd_); }
    void end(intptr_t result) override {
        result_ = result;
        running_ = false;
    }
    std::string controlText(int id) const override {
        HWND control = GetDlgItem(hwnd_, id);
        if (!control) return {};
        std::string text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
        text.resize(static_cast<size_t>(
            GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    void setControlText(int id, const std::string& text) override {
        SetDlgItemTextA(hwnd_, id, text.c_str());
    }
    bool isChecked(int id) const override { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void setChecked(int id, bool checked) override {
        CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool isEnabled(int id) const override {
        HWND control = GetDlgItem(hwnd_, id);
        return control && IsWindowEnabled(control);
    }
    void enable(int id, bool enabled) override {
        if (HWND control = GetDlgItem(hwnd_, id)) EnableWindow(control, enabled);
    }
    bool isShown(int id) const override {
        HWND control = GetDlgItem(hwnd_, id);
        return control && (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE);
    }
    void show(int id, bool visible) override {
        if (HWND control = GetDlgItem(hwnd_, id)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
    void focus(int id) override {
        if (HWND control = GetDlgItem(hwnd_, id))
            SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
    bool setTimer(uintptr_t id, uint32_t periodMs) override {
        return SetTimer(hwnd_, id, periodMs, nullptr) != 0;
    }
    void killTimer(uintptr_t id) override { KillTimer(hwnd_, id); }
    void* childHost(int id) const override { return GetDlgItem(hwnd_, id); }
    bool controlFrame(int id, ScreenRect* rect) const override {
        HWND control = GetDlgItem(hwnd_, id);
        RECT r{};
        if (!control || !GetWindowRect(control, &r)) return false;
        *rect = {r.left, r.top, r.right, r.bottom};
        return true;
    }
    bool frame(int* left, int* top, int* width, int* height) const override {
        RECT rect{};
        if (!GetWindowRect(hwnd_, &rect)) return false;
        *left = rect.left;
        *top = rect.top;
        *width = rect.right - rect.left;
        *height = rect.bottom - rect.top;
        return true;
    }
    void move(int left, int top) override {
        SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Gives the icon controls the program's icon: resource 101 of the executable, else the
    // image set for dialogs.
    void setIcons() {
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAppIconResource));
        if (!icon) icon = icon_ = iconFromImage(g_icon);
        if (!icon) return;
        for (const DialogControl& control : dialog_.controls)
            if (control.kind == ControlKind::Icon)
                SendDlgItemMessageA(hwnd_, control.id, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                                    0);
    }

    static INT_PTR CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            auto* self = reinterpret_cast<Win32DialogBox*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
            self->hwnd_ = hwnd;
            self->setIcons();
            return self->handler_->dialogProc(self, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<Win32DialogBox*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (!self) return FALSE;
        // The pump passes keys through the dialog manager for the active box.
        if (message == WM_ACTIVATE) {
            if (LOWORD(wParam) != WA_INACTIVE)
                setPumpDialogHandle(hwnd);
            else if (pumpDialog() == hwnd)
                setPumpDialogHandle(nullptr);
        }
        const intptr_t result = self->handler_->dialogProc(self, message, wParam, lParam);
        if (message == WM_DESTROY) {
            SetWindowLongPtrA(hwnd, DWLP_USER, 0);
            self->hwnd_ = nullptr;
        }
        return result;
    }

    // Runs the box made from `data` over `parent` until end(): the dialog manager's modal
    // behaviour (owner disabled, the box shown after WM_INITDIALOG, the owner active again before
    // the box goes) with the program's pump in place of the dialog manager's loop. A pump that
    // ends for a quit ends the box too, answering 0.
    intptr_t run(const TemplateWriter& data, HWND parent, const RunPump& runPump) {
        HWND box = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                              reinterpret_cast<LPCDLGTEMPLATEA>(data.data()),
                                              parent, proc, reinterpret_cast<LPARAM>(this));
        if (!box) return -1;
        const HWND previousDialog = pumpDialog();
        const bool disableOwner = parent && IsWindowEnabled(parent);
        if (disableOwner) EnableWindow(parent, FALSE);
        if (running_) {
            ShowWindow(box, SW_SHOW);
            setPumpDialogHandle(box);
            if (runPump)
                runPump(&running_);
            else
                runOwnLoop(box);
        }
        if (disableOwner) EnableWindow(parent, TRUE);
        if (parent && GetActiveWindow() == box) SetActiveWindow(parent);
        DestroyWindow(box);
        setPumpDialogHandle(previousDialog);
        return result_;
    }

private:
    // Without the program's pump (a box before the toolkit runs): a plain modal loop.
    void runOwnLoop(HWND box) {
        MSG msg;
        while (running_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (IsDialogMessageA(box, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (msg.message == WM_QUIT && running_) PostQuitMessage(static_cast<int>(msg.wParam));
    }

    const DialogTemplate& dialog_;
    DialogHandler* handler_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    bool running_ = true;
    intptr_t result_ = 0;
};

}  // namespace

// ---- 3. running one ---------------------------------------------------------------------------

void setDialogIcon(int size, const std::vector<uint32_t>& pixels) {
    g_icon = IconImage{size, pixels};
}

intptr_t runModalDialog(const DialogTemplate* dialog, NativeWindow* owner, DialogHandler* handler,
                        const RunPump& runPump) {
    if (!dialog || !handler) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    const TemplateWriter data = buildTemplate(*dialog);
    Win32DialogBox box(*dialog, handler);
    // F1 reaches the dialog as WM_HELP from the platform itself.
    HWND parent = owner ? reinterpret_cast<HWND>(owner->nativeHandle()) : nullptr;
    return box.run(data, parent, runPump);
}

bool isMinimized(NativeWindow* window) {
    return window && IsIconic(reinterpret_cast<HWND>(window->nativeHandle()));
}

void minimize(NativeWindow* window) {
    if (window) ShowWindow(reinterpret_cast<HWND>(window->nativeHandle()), SW_MINIMIZE);
}

void restore(NativeWindow* window) {
    if (window) ShowWindow(reinterpret_cast<HWND>(window->nativeHandle()), SW_RESTORE);
}

}  // namespace platform
