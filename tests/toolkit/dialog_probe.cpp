// A modal dialog of the framework over a main window, for dialog_test.py to drive from outside
// with xdotool. Writes what happened, one line each, to the log named first on its command line:
//   ready <left> <top> <width> <height>   the dialog is up (its outer rectangle)
//   control <id> <left> <top> <right> <bottom>   where a control is (screen coordinates)
//   minimized-before 1, owner-minimized <0|1>   the owner's state before and as the dialog opens
//   help | command <id> | timer <id>       slots called
//   result <r> accepted <0|1> text <edit text> check <0|1>
//   owner-destroyed, end
// Arguments after the log: "minimized" (the owner is minimised before the dialog opens),
// "template=<id>" (run one of the program's templates instead of the small test template),
// "missing" (ask for a template that does not exist).
#include <cstring>
#include <string>
#include <vector>

#include "app/dialog_templates.h"
#include "toolkit/dialog.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"
#include "tests/support/pump.h"
#include "tests/toolkit/probe_log.h"

namespace {

using probe::logLine;
using probe::withNumbers;

void logControl(platform::RunningDialog* window, int id) {
    platform::ScreenRect r;
    if (id > 0 && window->controlFrame(id, &r))
        logLine(withNumbers("control", {id, r.left, r.top, r.right, r.bottom}));
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
             yt::FindDialogTemplate(TemplateId())->controls)
            logControl(Window(), control.id);
        int left = 0, top = 0, width = 0, height = 0;
        Window()->frame(&left, &top, &width, &height);
        logLine(withNumbers("ready", {left, top, width, height}));
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

class OwnerDocument : public yt::ytDrawUI {
public:
    ~OwnerDocument() override { logLine("owner-destroyed"); }
};

}  // namespace

int main(int argc, char** argv) {
    if (!probe::openLog(argc, argv)) return 2;
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
    // The dialog runs once the pump is going; when it ends, the owner closes, ending the pump.
    const auto closeOwner = [](const std::string& result) {
        logLine(result);
        if (yt::MainWindow()) yt::MainWindow()->PostClose();
        return yt::kCallbackRemove;
    };
    auto* owner = new Owner;
    owner->Create("Dialog probe owner", yt::WindowKind::Main, yt::Sizing::Fixed, 40, 40, 340, 200);
    owner->SetDocument(new OwnerDocument);
    owner->Show(true);
    int waited = 0;
    testsupport::addCallback([&] {
        if (minimized && !platform::isMinimized(owner->Native())) {
            platform::minimize(owner->Native());
            return waited++ < 100 ? 50 : yt::kCallbackRemove;
        }
        if (minimized) logLine("minimized-before 1");
        ProbeDialog dialog(id);
        const intptr_t result = dialog.DoModal(owner);
        return closeOwner(withNumbers("result", {long(result)}) +
                          withNumbers(" accepted", {dialog.Accepted()}) + " text " + dialog.text_ +
                          withNumbers(" check", {dialog.checked_}));
    });
    yt::RunLoop(20);
    yt::Stop();
    return probe::closeLog();
}
