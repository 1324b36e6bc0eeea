// Toolkit windows on the harness's display (Wine's windows on Windows): the pump's coalescing of
// queued mouse moves, keyboard focus moves, a close held while a Confirm box is open, and window
// alpha without per-pixel alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "platform/testing/layered_windows.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

std::vector<std::string> g_events;
int g_nodes[3];

yt::ytDrawNode* node(int i) {
    return reinterpret_cast<yt::ytDrawNode*>(&g_nodes[i]);
}

// Records what reaches it; fills its frames with one colour.
class RecordingDocument : public yt::ytDrawUI {
public:
    ~RecordingDocument() override { g_events.push_back("document deleted"); }
    int OnTimer(double) override { return 20; }
    int moves = 0, lastMoveX = -1;

protected:
    yt::ytRect RenderFrame(const yt::ytRect& area) override {
        const yt::ytRect changed = yt::ytDrawUI::RenderFrame(area);
        yt::ytBitmap& buffer = backBuffer();
        std::fill_n(buffer.pixels(), size_t(buffer.width()) * buffer.height(), 0xFF336699u);
        return changed;
    }
    intptr_t DispatchMouse(yt::ytMessage&, const yt::MouseEvent& event, yt::ytDrawNode*,
                           yt::ytDrawNode**) override {
        if (event.kind == yt::kMouseHover) ++moves, lastMoveX = event.x;
        return base::kNotHandled;
    }
    yt::ytDrawNode* NextFocus(yt::ytDrawNode* from, bool backwards) override {
        int i = from == node(1) ? 1 : from == node(2) ? 2 : 0;
        return node((i + (backwards ? 2 : 1)) % 3);
    }
    intptr_t SendKey(yt::ytDrawNode* focus, yt::ytMessage& message) override {
        g_events.push_back("key " + std::to_string(message.wParam) + " to " +
                           std::to_string(focus == node(2) ? 2 : focus == node(1) ? 1 : 0));
        return base::kHandled;
    }
};

// Runs a function once from the pump, then leaves the list.
struct RunOnce : yt::ytCallBase {
    explicit RunOnce(std::function<void()> f) : f(std::move(f)) {}
    int Run() override {
        f();
        return yt::kCallbackRemove;
    }
    std::function<void()> f;
};

// Pumps until `done` or about two seconds have passed.
void pumpUntil(const std::function<bool()>& done) {
    bool keepRunning = true;
    struct Check : yt::ytCallBase {
        std::function<bool()> done;
        bool* keep;
        int passes = 0;
        int Run() override {
            if (done() || ++passes > 200) *keep = false;
            return 10;
        }
    };
    auto* check = new Check();
    check->done = done;
    check->keep = &keepRunning;
    yt::AddCallback(check);
    yt::RunLoop(10, &keepRunning);
    // The check leaves the list on its next run; it must not touch this frame's flag then.
    check->done = [] { return true; };
    static bool spare;
    check->keep = &spare;
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        g_events.clear();
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, false, &why), 0) << why;
        window = new yt::ytWindow();
        ASSERT_TRUE(window->Create("Window test", yt::WindowKind::Main, yt::Sizing::Fixed, 40,
                                   40, 240, 160));
        document = new RecordingDocument();
        window->SetDocument(document);
        window->Show(true);
        pumpUntil([] { return false; });
    }
    void TearDown() override {
        if (window->Native())
            window->Native()->destroy();
        else
            window->Release();
        pumpUntil([] { return true; });
        yt::Stop();
    }
    yt::ytWindow* window = nullptr;
    RecordingDocument* document = nullptr;
};

TEST_F(Window, TwentyQueuedMovesDispatchOneAndTabMovesTheFocus) {
    document->moves = 0;
    for (int x = 0; x < 20; ++x)
        window->Post(base::kWmMouseMove, 0, (5 << 16) | x);
    pumpUntil([this] { return document->moves > 0; });
    pumpUntil([] { return false; });
    EXPECT_EQ(document->moves, 1);
    EXPECT_EQ(document->lastMoveX, 19);

    // Tab moves the focus forwards; navigation keys reach the focused node.
    window->Post(base::kWmChar, '\t', 0);
    window->Post(base::kWmChar, '\t', 0);
    window->Post(base::kWmKeyDown, 0x22, 0);  // Page Down
    window->Post(base::kWmKeyDown, 'A', 0);   // not a navigation key: not routed
    pumpUntil([] { return !g_events.empty(); });
    EXPECT_EQ(document->Focus(), node(2));
    EXPECT_EQ(g_events, std::vector<std::string>{"key 34 to 2"});
}

TEST_F(Window, CloseWhileConfirmIsOpenClosesTheBoxFirst) {
    yt::AddCallback(new RunOnce([this] {
        // The close is queued before the box opens; the box's loop delivers it.
        window->PostClose();
        const bool yes = yt::Confirm("Close?", window->Native());
        g_events.push_back(std::string("confirm answered ") + (yes ? "yes" : "no") +
                           (window->Native() ? ", window open" : ", window gone"));
    }));
    bool keepRunning = true;
    yt::RunLoop(10, &keepRunning);  // ends when the window goes (the last main window)
    EXPECT_EQ(g_events, (std::vector<std::string>{"confirm answered no, window open",
                                                   "document deleted"}));
    EXPECT_EQ(yt::OpenMessageBoxes(), 0);
    EXPECT_FALSE(yt::QuitPending());
    window = new yt::ytWindow();  // for TearDown
}

// Last in the file: per-pixel alpha stays off for the rest of the process.
TEST_F(Window, SetAlphaWithoutPerPixelAlphaDoesNothingAndFramesArrive) {
    platform::testing::forgetPerPixelAlpha();
    auto* popup = new yt::ytWindow();
    ASSERT_TRUE(popup->Create("Popup", yt::WindowKind::Popup, yt::Sizing::Fixed, 300, 40, 400,
                              100));
    auto* popupDocument = new RecordingDocument();
    popup->SetDocument(popupDocument);
    popup->Show(true);
    EXPECT_FALSE(popupDocument->PerPixelAlpha());
    popupDocument->SetAlpha(128);
    EXPECT_EQ(popupDocument->Alpha(), 255);
    const int64_t before = popupDocument->FramesPresented();
    popupDocument->Invalidate(nullptr);
    popupDocument->Render(nullptr);
    pumpUntil([] { return false; });
    EXPECT_GT(popupDocument->FramesPresented(), before);
    popup->Native()->destroy();
}

}  // namespace
