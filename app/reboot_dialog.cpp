// RebootDlg: the restart offer after the extended range was switched on (template 112).
#include "app/dialog_templates.h"
#include "app/wide_gamma_switch.h"
#include "toolkit/dialog.h"

namespace tintel {
namespace {

// "Restart Now" (button 1) is recorded before the base dialog ends the box; "Later" (2) just
// closes it.
class RebootDlg : public yt::ytModalDialog {
public:
    RebootDlg() : ytModalDialog(kRestartDialog) {}

    intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control) override {
        if (id == platform::kIdOk) restartChosen_ = true;
        return ytModalDialog::OnCommand(code, id, control);
    }

    bool restartChosen() const { return restartChosen_; }

private:
    bool restartChosen_ = false;
};

}  // namespace

bool offerRestartDialog() {
    RebootDlg dialog;
    dialog.DoModal(nullptr);
    return dialog.restartChosen();
}

}  // namespace tintel
