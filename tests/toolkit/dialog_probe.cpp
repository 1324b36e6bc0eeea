// A modal dialog of the framework over a main window, for dialog_test.py to drive from outside
// with xdotool. Writes what happened, one line each, to the log named first on its command line:
//   ready <left> <top> <width> <height>   the dialog is up (its outer rectangle)
//   control <id> <left> <top> <right> <bottom>   where a control is (screen coordinates)
//   owner-minimized <0|1>                  the owner's state as the dialog opens
//   help | command <id> | timer <id>       slots called
//   result <r> accepted <0|1> text <edit text> check <0|1>
//   owner-destroyed, end
// Arguments after the log: "minimized" (the owner is minimised before the dialog opens),
// "template=<id>" (run one of the program's templates instead of the small test template),
// "missing" (ask for a template that does not exist).
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "toolkit/dialog.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"

namespace {

FILE* g_log = nullptr;

void logLine(const std::string& line) {
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

constexpr int kTestTemplate = 200;
constexpr int kEdit = 100, kCheck = 101, kCloseOwner = 1100;

std::vector<platform::DialogTemplate> templates() {
    using platform::ControlKind;
    std::vector<platform::DialogTemplate> all = tintel::DialogTemplates();
    all.push_back({kTestTemplate,
                   "Probe dialog",
                   "Arial",
                   10,
                   200,
                   120,
                   {
                       {ControlKind::Edit, kEdit, "", 7, 7, 186, 12, platform::kAutoScroll},
                       {ControlKind::CheckBox, kCheck, "Remember this", 7, 25, 186, 10},
                       {ControlKind::PushButton, kCloseOwner, "Close owner", 7, 45, 90, 20},
                       {ControlKind::PushButton, platform::kIdHelp, "Help", 103, 45, 90, 20},
                       {ControlKind::DefPushButton, platform::kIdOk, "OK", 7, 80, 90, 30},
                       {ControlKind::PushButton, platform::kIdCancel, "Cancel", 103, 80, 90, 30},
                   }});
    return all;
}

class ProbeDialog : public yt::ytModalDialog {
public:
    using ytModalDialog::ytModalDialog;

    bool OnInitDialog(platform::RunningDialog* window) override {
        ytModalDialog::OnInitDialog(window);
        logLine("owner-minimized " +
                std::to_string(platform::isMinimized(Owner()->Native()) ? 1 : 0));
        window->setTimer(11, 300);
        return true;
    }
    void OnTimer(uintptr_t id) override {
        // The first tick: the dialog is on screen with its final placement.
        Window()->killTimer(id);
        logLine("timer " + std::to_string(id));
        for (const platform::DialogControl& control :
             yt::FindDialogTemplate(TemplateId())->controls) {
            platform::ScreenRect r;
            if (control.id > 0 && Window()->controlFrame(control.id, &r))
                logLine("control " + std::to_string(control.id) + " " + std::to_string(r.left) +
                        " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
                        std::to_string(r.bottom));
        }
        int left = 0, top = 0, width = 0, height = 0;
        Window()->frame(&left, &top, &width, &height);
        logLine("ready " + std::to_string(left) + " " + std::to_string(top) + " " +
                std::to_string(width) + " " + std::to_string(height));
    }
    intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control) override {
        if (code == platform::kBnClicked) logLine("command " + std::to_string(id));
        if (id == static_cast<uint32_t>(kCloseOwner)) Owner()->PostClose();
        return ytModalDialog::OnCommand(code, id, control);
    }
    intptr_t OnOK() override {
        text_ = Window()->controlText(kEdit);
        checked_ = Window()->isChecked(kCheck);
        return ytModalDialog::OnOK();
    }
    void OnHelp() override { logLine("help"); }

    std::string text_;
    bool checked_ = false;
};

class Owner : public yt::ytWindow {};

// Runs the dialog once the pump is going, then closes the owner.
class OpenDialog : public yt::ytCallBase {
public:
    OpenDialog(yt::ytWindow* owner, int id, bool minimized)
        : owner_(owner), id_(id), minimized_(minimized) {}
    int Run() override {
        if (minimized_ && !platform::isMinimized(owner_->Native())) {
            platform::minimize(owner_->Native());
            return waited_++ < 100 ? 50 : yt::kCallbackRemove;
        }
        ProbeDialog dialog(id_);
        const intptr_t result = dialog.DoModal(owner_);
        logLine("result " + std::to_string(result) + " accepted " +
                std::to_string(dialog.Accepted() ? 1 : 0) + " text " + dialog.text_ + " check " +
                std::to_string(dialog.checked_ ? 1 : 0));
        if (yt::MainWindow()) yt::MainWindow()->PostClose();
        return yt::kCallbackRemove;
    }

private:
    yt::ytWindow* owner_;
    int id_;
    bool minimized_;
    int waited_ = 0;
};

class OwnerDocument : public yt::ytDrawUI {
public:
    ~OwnerDocument() override { logLine("owner-destroyed"); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    g_log = std::fopen(argv[1], "w");
    if (!g_log) return 2;
    int id = kTestTemplate;
    bool minimized = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "minimized")) minimized = true;
        if (!std::strcmp(argv[i], "missing")) id = 4242;
        if (!std::strncmp(argv[i], "template=", 9)) id = std::atoi(argv[i] + 9);
    }
    std::string why;
    if (yt::Start(nullptr, false, &why) != 0) {
        logLine("no display: " + why);
        return 1;
    }
    const std::vector<platform::DialogTemplate> all = templates();
    yt::SetDialogResources(&all);
    // An orange disc stands for the program's icon.
    std::vector<uint32_t> icon(32 * 32, 0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if ((x - 16) * (x - 16) + (y - 16) * (y - 16) < 196) icon[y * 32 + x] = 0xFFFF9020;
    platform::setDialogIcon(32, icon);
    auto* owner = new Owner;
    owner->Create("Dialog probe owner", yt::WindowKind::Main, yt::Sizing::Fixed, 40, 40, 340, 200);
    owner->SetDocument(new OwnerDocument);
    owner->Show(true);
    yt::AddCallback(new OpenDialog(owner, id, minimized));
    yt::RunLoop(20);
    logLine("end");
    yt::Stop();
    std::fclose(g_log);
    return 0;
}
