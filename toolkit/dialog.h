// The dialog framework: ytBaseDialog/ytModalDialog run a dialog template as a platform modal
// dialog box and turn its messages into virtual operations; ytDialog is a toolkit window of class
// "ytDialog" shown modally over an owner; ytControl wraps a platform control so that it takes part
// in the keyboard navigation.
//
// Contents
//   1. the program's dialog templates (its resource module)
//   2. ytBaseDialog, ytModalDialog
//   3. ytDialog, ytControl
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "toolkit/window.h"

namespace yt {

// ---- 1. the dialog templates ------------------------------------------------------------------

// The templates DoModal looks its identifier up in (null: none); the caller keeps them alive.
void SetDialogResources(const std::vector<platform::DialogTemplate>* templates);
const platform::DialogTemplate* FindDialogTemplate(int id);

// ---- 2. ytBaseDialog --------------------------------------------------------------------------

class ytBaseDialog : private platform::DialogHandler {
public:
    explicit ytBaseDialog(int templateId);

    // Slots 0 to 15, in order.
    // Stores the window, centres the dialog on the owner (on the work area without one).
    virtual bool OnInitDialog(platform::RunningDialog* window);
    // OK (1) ends the dialog with OnOK's result, Cancel (2) with OnCancel's, Help (9) calls OnHelp.
    virtual intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control);
    // Answers 0: the dialog manager then cancels the dialog as Escape does.
    virtual intptr_t OnClose();
    virtual void OnDestroy();
    // F1 and the Help key call OnHelp.
    virtual intptr_t OnKey(uint32_t virtualKey);
    // Sets the accepted flag; answers the dialog's result (1).
    virtual intptr_t OnOK();
    virtual void OnHelp();
    virtual void Reserved();
    // Answers the dialog's result (0).
    virtual intptr_t OnCancel();
    virtual intptr_t OnNotify(uintptr_t wParam, intptr_t lParam);
    virtual void OnTimer(uintptr_t id);
    virtual intptr_t OnScroll(intptr_t control);
    virtual void SetOwner(ytWindow* owner);
    ~ytBaseDialog() override;
    // The dispatcher: WM_HELP, WM_DESTROY, WM_CLOSE, WM_NOTIFY, WM_COMMAND, WM_TIMER, WM_HSCROLL
    // and the F1/Help key to their slots; everything else answers 0.
    virtual intptr_t DialogMessage(platform::RunningDialog* window, uint32_t message,
                                   uintptr_t wParam, intptr_t lParam);
    // Runs the dialog box over `owner` (restored first when minimised), counted as an open
    // message box. Answers the result, or 0 after a failure (shown in an "Error" box).
    virtual intptr_t DoModal(ytWindow* owner);

    // Ends the running dialog with `result`.
    void EndDialog(intptr_t result);
    bool Accepted() const { return accepted_; }
    intptr_t Result() const { return result_; }
    int TemplateId() const { return templateId_; }
    // The running box (null outside DoModal) and the owner.
    platform::RunningDialog* Window() const { return window_; }
    ytWindow* Owner() const { return owner_; }

protected:
    int templateId_;
    platform::RunningDialog* window_ = nullptr;
    ytWindow* owner_ = nullptr;
    bool accepted_ = false;
    intptr_t result_ = 0;
    bool constructed_ = true;

private:
    intptr_t dialogProc(platform::RunningDialog* box, uint32_t message, uintptr_t wParam,
                        intptr_t lParam) override;
};

// The modal dialog the application's dialogs derive from.
class ytModalDialog : public ytBaseDialog {
public:
    using ytBaseDialog::ytBaseDialog;
};

// ---- 3. ytDialog, ytControl -------------------------------------------------------------------

// A toolkit window of class "ytDialog" hosting a document like any ytWindow, modal over its owner
// (which swallows mouse input meanwhile), with keyboard navigation among platform controls.
class ytDialog : public ytWindow {
public:
    // Creates the window (client rectangle in screen coordinates) modal over `owner`, shows and
    // activates it. False when the platform window cannot be made.
    bool CreateModal(const std::string& title, int left, int top, int right, int bottom,
                     ytWindow* owner);
    ytWindow* ModalOwner() const { return modalOwner_; }

    // The dialog's window procedure (see the .cpp).
    virtual intptr_t DialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

protected:
    ytWindow* modalOwner_ = nullptr;

private:
    intptr_t windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
};

// The window last activated by a mouse click among dialogs (null when none).
ytWindow* LastMouseActivated();

// A platform control wrapped so that Tab moves among the dialog's controls and keys with Ctrl or
// Alt down reach the parent (its accelerators).
class ytControl : public ytDialog {
public:
    // Wraps the control `handle`, whose parent is `parent`.
    bool Wrap(uintptr_t handle, ytWindow* parent);
    void SetTabNavigation(bool on) { tabNavigation_ = on; }
    bool TabNavigation() const { return tabNavigation_; }
    ytWindow* ControlParent() const { return controlParent_; }

    intptr_t DialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

private:
    bool tabNavigation_ = true;
    ytWindow* controlParent_ = nullptr;
};

constexpr uint32_t kWmNextDlgCtl = 0x0028;

}  // namespace yt
