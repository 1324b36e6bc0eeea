// The toolkit's start and stop, its pump and callbacks, and the main window's life cycle, on a
// real display (the harness's X server; Wine's windows on Windows).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/controller.h"
#include "app/tintel_ui.h"
#include "platform/testing/input.h"
#include "platform/window_host.h"
#include "tests/support/pump.h"
#include "tests/support/test_store.h"
#include "toolkit/draw_ui.h"
#include "base/messages.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, true, &why), 0) << why;
    }
    void TearDown() override { yt::Stop(); }
};

// Answers a second each run and ends the pump at its second run; `runs` is read by a thread.
void everySecondTwice(std::atomic<int>* runs, bool* keepRunning) {
    testsupport::addCallback([=] {
        if (++*runs < 2) return 1000;
        *keepRunning = false;
        return yt::kCallbackRemove;
    });
}

// A document without ticks that counts one application message.
class QuietDocument : public yt::ytDrawUI {
public:
    static constexpr uint32_t kPing = base::kWmApp + 7;
    intptr_t HandleMessage(yt::ytMessage& message) override {
        if (message.message == kPing) ++pings;
        return yt::ytDrawUI::HandleMessage(message);
    }
    int OnTimer(double) override { return yt::kCallbackRemove; }
    int pings = 0;
};

}  // namespace

TEST_F(Toolkit, ClosingTheLastMainWindowEndsThePumpAndFreesEverything) {
    testsupport::PrivateStore store;
    const int liveBefore = yt::LiveObjects();
    {
        tintel::TintelController controller;
        auto* window = new yt::ytWindow();
        ASSERT_TRUE(
            window->Create("Tintel test", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0, 554, 243));
        EXPECT_EQ(yt::OpenMainWindows(), 1);
        auto* ui = new tintel::TintelUI(&controller);
        window->SetDocument(ui);
        EXPECT_EQ(ui->Window(), window);
        EXPECT_EQ(ui->width(), 554);
        EXPECT_EQ(ui->height(), 243);
        EXPECT_FALSE(window->IsVisible());

        // A second start's message shows the window.
        EXPECT_EQ(window->WindowProc(base::kShowInstanceMessage, 0, 0), base::kHandled);
        EXPECT_TRUE(window->IsVisible());

        window->PostClose();
        EXPECT_EQ(yt::RunLoop(20), 0);
        EXPECT_EQ(yt::OpenMainWindows(), 0);
    }
    EXPECT_EQ(yt::LiveObjects(), liveBefore);
}

TEST_F(Toolkit, ASignalledHandleRunsItsHandlerFromThePumpsWait) {
    auto event = platform::createWaitEvent();
    auto other = platform::createWaitEvent();
    ASSERT_TRUE(event && other);
    int runs = 0, otherRuns = 0;
    ASSERT_TRUE(yt::AddWaitHandle(event->handle(), [&] {
        ++runs;
        event->reset();
        return false;  // done: take it off the list
    }));
    ASSERT_TRUE(yt::AddWaitHandle(other->handle(), [&] {
        ++otherRuns;
        other->reset();
        return true;
    }));
    EXPECT_FALSE(yt::AddWaitHandle(event->handle(), [] { return true; })) << "listed once";
    EXPECT_EQ(yt::WaitHandleCount(), 2);

    // Signalled from another thread while the pump waits.
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        event->signal();
    });
    testsupport::pumpUntil([&] { return runs > 0; }, 10);
    signaller.join();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(otherRuns, 0) << "a handle nobody signalled";
    EXPECT_EQ(yt::WaitHandleCount(), 1);

    // A handler that answers true stays listed and runs again at the next signal.
    for (int signals = 1; signals <= 2; ++signals) {
        other->signal();
        testsupport::pumpUntil([&] { return otherRuns == signals; }, 10);
        EXPECT_EQ(otherRuns, signals);
    }
    EXPECT_EQ(yt::WaitHandleCount(), 1);
    yt::RemoveWaitHandle(other->handle());
    EXPECT_EQ(yt::WaitHandleCount(), 0);
}

// Hidden, the pump sleeps until its one-second callback is due, yet anything from outside wakes it
// at once; with a window shown the longest wait (20 ms) bounds every sleep.
TEST_F(Toolkit, AHiddenPumpSleepsUntilDueButWakesForMessagesHandlesAndInput) {
    bool keepRunning = true;
    auto* window = new yt::ytWindow();
    ASSERT_TRUE(
        window->Create("Tintel sleep", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0, 100, 100));
    auto* document = new QuietDocument();
    window->SetDocument(document);
    auto event = platform::createWaitEvent();
    ASSERT_TRUE(event);
    int signals = 0;
    ASSERT_TRUE(yt::AddWaitHandle(event->handle(), [&] {
        ++signals;
        event->reset();
        return true;
    }));
    // What the new window brings (its creation's events) is taken first.
    testsupport::pumpUntil([] { return false; }, 0.3);

    // One second, hidden: one sleep from the callback's first run to its second.
    std::atomic<int> runs{0};
    keepRunning = true;
    everySecondTwice(&runs, &keepRunning);
    int64_t before = yt::PumpSleeps();
    yt::RunLoop(20, &keepRunning);
    EXPECT_LE(yt::PumpSleeps() - before, 2) << "woken while hidden with nothing to do";

    // Each of these ends the sleep the pump is in, long before its callback is due again: the
    // pump goes back to sleep while the callback has run only once.
    const struct {
        const char* what;
        std::function<void()> wake;
    } wakers[] = {
        {"a message posted from another thread", [&] { window->Post(QuietDocument::kPing, 0, 0); }},
        {"a signalled wait event", [&] { event->signal(); }},
        {"input",
         [&] { ASSERT_TRUE(platform::testing::sendInput(window->Native()->nativeHandle())); }},
    };
    for (const auto& waker : wakers) {
        runs = 0;
        keepRunning = true;
        everySecondTwice(&runs, &keepRunning);
        const int64_t start = yt::PumpSleeps();
        bool woke = false;
        int runsAtWake = -1;
        std::thread outside([&] {
            auto waitFor = [](const std::function<bool()>& done) {
                for (int i = 0; i < 300 && !done(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return done();
            };
            // Asleep, and well inside the second.
            if (!waitFor([&] { return yt::PumpSleeps() > start; })) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const int64_t asleep = yt::PumpSleeps();
            waker.wake();
            woke = waitFor([&] { return yt::PumpSleeps() > asleep; });
            runsAtWake = runs;
        });
        yt::RunLoop(20, &keepRunning);
        outside.join();
        EXPECT_TRUE(woke) << waker.what;
        EXPECT_EQ(runsAtWake, 1) << waker.what << " did not wake the pump before the callback";
    }
    EXPECT_EQ(document->pings, 1);
    EXPECT_EQ(signals, 1);

    // Shown: the longest wait bounds the sleeps (about fifty in the second).
    window->Show(true);
    runs = 0;
    keepRunning = true;
    everySecondTwice(&runs, &keepRunning);
    before = yt::PumpSleeps();
    yt::RunLoop(20, &keepRunning);
    EXPECT_GE(yt::PumpSleeps() - before, 25);

    yt::RemoveWaitHandle(event->handle());
    window->PostClose();
    keepRunning = true;
    EXPECT_EQ(yt::RunLoop(20, &keepRunning), 0);
}
