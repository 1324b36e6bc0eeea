// Toolkit windows on the harness's display (Wine's windows on Windows): the
// pump's coalescing of queued mouse moves, keyboard focus moves, a close held
// while a Confirm box is open, and window alpha without per-pixel alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/testing/layered_windows.h"
#include "tests/support/pump.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

std::vector<std::string> g_events;

// A node that counts the hover moves it gets and takes the focus.
class CountingNode : public yt::ytColorRectNode {
public:
    CountingNode(float w, float h, std::string name)
        : ytColorRectNode(w, h, 0xFF336699u), name(std::move(name)) {}
    bool Focusable() const override { return name != "root"; }
    intptr_t HandleKey(uint32_t, uintptr_t key) override {
        g_events.push_back("key " + std::to_string(key) + " to " + name);
        return base::kHandled;
    }
    std::string name;
};

class RecordingDocument : public yt::ytDrawUI {
public:
    RecordingDocument() {
        root = new CountingNode(200, 120, "root");
        for (const char* name : {"first", "second"})
            root->AddChild(new CountingNode(10, 10, name));
        SetRoot(root);
    }
    ~RecordingDocument() override { g_events.push_back("document deleted"); }
    int OnTimer(double) override { return 20; }
    CountingNode* root;
};

using testsupport::pumpUntil;

void pumpFor(double seconds) {
    pumpUntil([] { return false; }, seconds);
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        g_events.clear();
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, false, &why), 0) << why;
        window = new yt::ytWindow();
        ASSERT_TRUE(window->Create("Window test", yt::WindowKind::Main, yt::Sizing::Fixed, 40, 40,
                                   240, 160));
        document = new RecordingDocument();
        window->SetDocument(document);
        window->Show(true);
        pumpFor(2);
    }
    void TearDown() override {
        if (window->Native())
            window->Native()->destroy();
        else
            window->Release();
        pumpFor(0);
        yt::Stop();
    }
    yt::ytWindow* window = nullptr;
    RecordingDocument* document = nullptr;
};

TEST_F(Window, CloseWhileConfirmIsOpenClosesTheBoxFirst) {
    testsupport::addCallback([this] {
        // The close is queued before the box opens; the box's loop delivers it.
        window->PostClose();
        const bool yes = yt::Confirm("Close?", window->Native());
        g_events.push_back(std::string("confirm answered ") + (yes ? "yes" : "no") +
                           (window->Native() ? ", window open" : ", window gone"));
        return yt::kCallbackRemove;
    });
    bool keepRunning = true;
    yt::RunLoop(10,
                &keepRunning);  // ends when the window goes (the last main window)
    EXPECT_EQ(g_events,
              (std::vector<std::string>{"confirm answered no, window open", "document deleted"}));
    EXPECT_EQ(yt::OpenMessageBoxes(), 0);
    EXPECT_FALSE(yt::QuitPending());
    window = new yt::ytWindow();  // for TearDown
}

// A document whose tick shows a hidden node when asked to (as the schedule sets a text).
class TickingDocument : public yt::ytDrawUI {
public:
    TickingDocument() {
        SetRoot(new yt::ytColorRectNode(100, 60, 0xFF0000FFu));
        mark = new yt::ytColorRectNode(20, 20, 0xFF00FF00u);
        mark->Hide();
        Root()->AddChild(mark);
    }
    int OnTimer(double) override {
        if (showMark) mark->Show();
        return 20;
    }
    yt::ytDrawNode* mark;
    bool showMark = false;
};

// A popup is a per-pixel alpha window where the platform has them: it gets no WM_PAINT, so what a
// tick changes reaches the screen only if the tick presents it.
TEST_F(Window, ATickPresentsWhatItChangedAndNothingElse) {
    auto* popup = new yt::ytWindow();
    ASSERT_TRUE(
        popup->Create("Ticking", yt::WindowKind::Popup, yt::Sizing::Fixed, 300, 40, 400, 100));
    auto* ticking = new TickingDocument();
    popup->SetDocument(ticking);
    popup->Show(true);
    pumpFor(1);
    const int64_t settled = ticking->FramesPresented();
    pumpFor(0.5);
    EXPECT_EQ(ticking->FramesPresented(), settled) << "ticks that change nothing present nothing";

    ticking->showMark = true;
    pumpUntil([&] { return ticking->FramesPresented() > settled; }, 10);
    EXPECT_GT(ticking->FramesPresented(), settled) << "the shown node never reached the window";
    EXPECT_EQ(ticking->backBuffer().at(10, 10), 0xFF00FF00u);
    popup->Native()->destroy();
}

}  // namespace
