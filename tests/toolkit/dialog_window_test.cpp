// ytDialog on the harness's display (Wine's windows on Windows): modal over its owner, which
// swallows mouse input meanwhile; closing the dialog unlinks it from the owner and destroys it;
// messages the dialog leaves to its document reach it. A modal dialog box keeps the pump's timed
// callbacks running (the colour schedule must not stop under an open dialog).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/dialog.h"
#include "tests/support/pump.h"
#include "toolkit/dialog.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

std::vector<std::string> g_events;

class RecordingDocument : public yt::ytDrawUI {
public:
    explicit RecordingDocument(std::string name) : name_(std::move(name)) {}
    ~RecordingDocument() override { g_events.push_back(name_ + " deleted"); }
    intptr_t HandleMessage(yt::ytMessage& message) override {
        if (message.message == base::kWmApp + 7) {
            g_events.push_back(name_ + " got app message");
            return base::kHandled;
        }
        return yt::ytDrawUI::HandleMessage(message);
    }

private:
    std::string name_;
};

void pumpFor(double seconds) {
    testsupport::pumpUntil([] { return false; }, seconds);
}

TEST(DialogWindow, ModalOverItsOwnerUntilClosed) {
    std::string why;
    ASSERT_EQ(yt::Start(nullptr, false, &why), 0) << why;
    g_events.clear();
    auto* owner = new yt::ytWindow();
    ASSERT_TRUE(owner->Create("Dialog window owner", yt::WindowKind::Main, yt::Sizing::Fixed, 60,
                              60, 360, 260));
    owner->SetDocument(new RecordingDocument("owner"));
    owner->Show(true);
    auto* dialog = new yt::ytDialog();
    ASSERT_TRUE(dialog->CreateModal("Dialog window", 100, 100, 300, 200, owner));
    dialog->SetDocument(new RecordingDocument("dialog"));
    pumpFor(0.3);
    EXPECT_EQ(owner->ModalDialog(), dialog);
    EXPECT_EQ(dialog->ModalOwner(), owner);
    EXPECT_TRUE(dialog->IsVisible());

    // (message to the owner, its answer while the dialog is up) : mouse input is swallowed.
    const struct {
        uint32_t message;
        intptr_t answer;
    } swallowed[] = {{base::kWmLButtonDown, 0}, {base::kWmMouseMove, 0}, {base::kWmRButtonDown, 0}};
    for (const auto& row : swallowed)
        EXPECT_EQ(owner->WindowProc(row.message, 0, 0), row.answer) << row.message;

    // Other messages reach the dialog's document.
    dialog->Post(base::kWmApp + 7, 0, 0);
    testsupport::pumpUntil([] { return !g_events.empty(); }, 10);
    // Closing unlinks the owner and destroys the window and its document at once.
    dialog->PostClose();
    pumpFor(0.3);
    EXPECT_EQ(owner->ModalDialog(), nullptr);
    EXPECT_EQ(g_events, (std::vector<std::string>{"dialog got app message", "dialog deleted"}));

    owner->PostClose();
    EXPECT_EQ(yt::RunLoop(20), 0);
    EXPECT_EQ(g_events.back(), "owner deleted");
    yt::Stop();
    EXPECT_EQ(yt::LiveObjects(), 0);
}

// A box that ends itself with Cancel after 400 ms of its own timer.
class TimedBox : public yt::ytBaseDialog {
public:
    TimedBox() : ytBaseDialog(901) {}
    bool OnInitDialog(platform::RunningDialog* window) override {
        ytBaseDialog::OnInitDialog(window);
        window->setTimer(1, 400);
        return true;
    }
    void OnTimer(uintptr_t) override { EndDialog(platform::kIdCancel); }
};

struct Counter : yt::ytCallBase {
    int* runs;
    explicit Counter(int* runs) : runs(runs) {}
    int Run() override {
        ++*runs;
        return 20;
    }
};

TEST(DialogWindow, TimedCallbacksRunUnderAModalBox) {
    std::string why;
    ASSERT_EQ(yt::Start(nullptr, false, &why), 0) << why;
    const std::vector<platform::DialogTemplate> templates{
        {901,
         "Timed box",
         "MS Shell Dlg",
         8,
         120,
         40,
         {{platform::ControlKind::PushButton, platform::kIdCancel, "Cancel", 35, 12, 50, 14}}}};
    yt::SetDialogResources(&templates);
    int runs = 0;
    yt::AddCallback(new Counter(&runs));
    TimedBox box;
    EXPECT_EQ(box.DoModal(nullptr), platform::kIdCancel);
    // 400 ms at 20 ms a run: about 20 runs; none when the box's own loop held the pump.
    EXPECT_GE(runs, 5);
    yt::SetDialogResources(nullptr);
    yt::Stop();
}

}  // namespace
