// UpdateDlg: the update prompt, dialog template 111 ("Tintel has an update available. Get it
// now?"): the feed's message in static 1007; Update Now (1) installs, Later (2, also Escape and
// closing) and Skip (3) do not, and Skip also silences this version.
#include "app/update_dialog.h"

#include "app/dialog_templates.h"
#include "toolkit/dialog.h"

namespace tintel {

class UpdateDlg : public yt::ytModalDialog {
public:
    explicit UpdateDlg(std::string message)
        : yt::ytModalDialog(kUpdateDialog), message_(std::move(message)) {}

    bool OnInitDialog(platform::RunningDialog* window) override {
        const bool result = yt::ytModalDialog::OnInitDialog(window);
        window->setControlText(kIdUpdateMessage, message_);
        return result;
    }
    intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control) override {
        if (id == kIdUpdateSkip) {
            install_ = false;
            skip_ = true;
            EndDialog(kIdUpdateSkip);
            return 1;
        }
        return yt::ytModalDialog::OnCommand(code, id, control);
    }
    intptr_t OnCancel() override {
        install_ = false;
        return yt::ytModalDialog::OnCancel();
    }

    bool install() const { return install_; }
    bool skip() const { return skip_; }

private:
    std::string message_;
    bool install_ = true;
    bool skip_ = false;
};

UpdateAnswer RunUpdateDialog(const std::string& message) {
    UpdateDlg dialog(message);
    // Shown without an owner; a dialog that cannot be shown installs nothing.
    dialog.DoModal(nullptr);
    if (dialog.skip()) return UpdateAnswer::Skip;
    return dialog.install() && dialog.Accepted() ? UpdateAnswer::UpdateNow : UpdateAnswer::Later;
}

}  // namespace tintel
