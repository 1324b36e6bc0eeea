// The toolkit's start and stop, its pump and callbacks, and the main window's life cycle, on a
// real display (the harness's X server; Wine's windows on Windows).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/controller.h"
#include "app/tintel_ui.h"
#include "platform/window_host.h"
#include "tests/support/test_store.h"
#include "toolkit/draw_ui.h"
#include "base/messages.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

std::vector<std::string> g_log;
void capture(const char* line) {
    g_log.emplace_back(line);
}

class Toolkit : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        yt::SetDebugSink(capture);
        std::string why;
        ASSERT_EQ(yt::Start(nullptr, true, &why), 0) << why;
    }
    void TearDown() override {
        yt::Stop();
        yt::SetDebugSink(nullptr);
    }
};

// Counts its runs and answers a scripted sequence of results.
class ScriptedCallback : public yt::ytCallBase {
public:
    ScriptedCallback(std::vector<int> results, int* runs, bool* destroyed)
        : results_(std::move(results)), runs_(runs), destroyed_(destroyed) {}
    ~ScriptedCallback() override { *destroyed_ = true; }
    int Run() override {
        const int r = results_[std::min<size_t>(*runs_, results_.size() - 1)];
        ++*runs_;
        return r;
    }

private:
    std::vector<int> results_;
    int* runs_;
    bool* destroyed_;
};

// Ends the pump after a number of passes.
class StopAfter : public yt::ytCallBase {
public:
    StopAfter(int passes, bool* keepRunning) : passes_(passes), keepRunning_(keepRunning) {}
    int Run() override {
        if (--passes_ <= 0) *keepRunning_ = false;
        return 0;
    }

private:
    int passes_;
    bool* keepRunning_;
};

// Asks for a run every `intervalMs` and ends the pump after `runs` runs.
class Every : public yt::ytCallBase {
public:
    Every(int intervalMs, int runs, bool* keepRunning)
        : intervalMs_(intervalMs), runs_(runs), keepRunning_(keepRunning) {}
    int Run() override {
        if (--runs_ <= 0) *keepRunning_ = false;
        return intervalMs_;
    }

private:
    int intervalMs_;
    int runs_;
    bool* keepRunning_;
};

// Ends the pump when a test waits too long for something that should have happened (a safety
// net, not a measurement).
class Deadline : public yt::ytCallBase {
public:
    Deadline(double seconds, bool* keepRunning)
        : end_(yt::Clock() + seconds), keepRunning_(keepRunning) {}
    int Run() override {
        if (yt::Clock() > end_) *keepRunning_ = false;
        return 50;
    }

private:
    double end_;
    bool* keepRunning_;
};

bool logged(const std::string& text) {
    return std::find_if(g_log.begin(), g_log.end(), [&](const std::string& l) {
               return l.find(text) != std::string::npos;
           }) != g_log.end();
}

// A document that counts the window timer's messages and ends the pump at the third.
class TimerDocument : public yt::ytDrawUI {
public:
    explicit TimerDocument(bool* keepRunning) : keepRunning_(keepRunning) {}
    intptr_t HandleMessage(yt::ytMessage& message) override {
        if (message.message == base::kWmTimer && message.wParam == 1315 && ++ticks == 3)
            *keepRunning_ = false;
        return yt::ytDrawUI::HandleMessage(message);
    }
    int OnTimer(double) override { return 1000; }
    int ticks = 0;

private:
    bool* keepRunning_;
};

}  // namespace

TEST_F(Toolkit, SecondStartOnlyLogsTheSizesAndStopsAreCounted) {
    g_log.clear();
    ASSERT_EQ(yt::Start(nullptr, true), 0);
    ASSERT_EQ(g_log.size(), 2u);
    EXPECT_EQ(g_log[0].rfind("A ytBitmap is ", 0), 0u);
    EXPECT_EQ(g_log[1].rfind("A ytString is ", 0), 0u);
    yt::Stop();
    EXPECT_TRUE(yt::IsStarted()) << "one Stop per Start: the first Start is still in force";
    EXPECT_EQ(yt::RegistryBase().rfind("Software\\Brisbel\\", 0), 0u);
}

TEST_F(Toolkit, CallbacksAreRemovedOrRepeatedAsTheyAnswer) {
    int onceRuns = 0, repeatRuns = 0, endRuns = 0;
    bool onceGone = false, repeatGone = false, endGone = false;
    bool keepRunning = true;
    yt::AddCallback(new ScriptedCallback({yt::kCallbackRemove}, &onceRuns, &onceGone));
    yt::AddCallback(new ScriptedCallback({0, 0, yt::kCallbackRemove}, &repeatRuns, &repeatGone));
    yt::AddCallback(new StopAfter(10, &keepRunning));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(onceRuns, 1);
    EXPECT_TRUE(onceGone);
    EXPECT_EQ(repeatRuns, 3);
    EXPECT_TRUE(repeatGone);
    EXPECT_EQ(yt::CallbackCount(), 1);  // only StopAfter is left

    yt::Stop();  // destroys the callback left behind and reports it
    EXPECT_NE(std::find_if(g_log.begin(), g_log.end(),
                           [](const std::string& l) {
                               return l.find("1 callbacks still running") != std::string::npos;
                           }),
              g_log.end());
    std::string why;
    ASSERT_EQ(yt::Start(nullptr, true, &why), 0);
    EXPECT_EQ(yt::CallbackCount(), 0);

    // -2 ends the pass: the entries behind it wait for the next pass.
    int laterRuns = 0;
    bool laterGone = false;
    keepRunning = true;
    yt::AddCallback(new StopAfter(2, &keepRunning));
    yt::AddCallback(
        new ScriptedCallback({yt::kCallbackEndPass, yt::kCallbackRemove}, &endRuns, &endGone));
    yt::AddCallback(new ScriptedCallback({0}, &laterRuns, &laterGone));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(endRuns, 2);
    EXPECT_TRUE(endGone);
    EXPECT_EQ(laterRuns, 1) << "the first pass ended before reaching the last entry";
}

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

TEST_F(Toolkit, ClockIsMonotonicSeconds) {
    const double a = yt::Clock();
    const double b = yt::Clock();
    EXPECT_GE(b, a);
    EXPECT_GE(a, 0.0);
    EXPECT_LT(b - a, 1.0);
}

TEST_F(Toolkit, ACallbackAnsweringZeroKeepsThePumpFromSleeping) {
    int zeroRuns = 0;
    bool zeroGone = false, keepRunning = true;
    yt::AddCallback(new ScriptedCallback({0}, &zeroRuns, &zeroGone));
    yt::AddCallback(new Every(5, 200, &keepRunning));
    const int64_t before = yt::PumpSleeps();
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(yt::PumpSleeps(), before) << "a callback wanted to run at once on every pass";
    EXPECT_GE(zeroRuns, 200);

    // Without it the pump sleeps until the next callback is due.
    yt::Stop();
    std::string why;
    ASSERT_EQ(yt::Start(nullptr, true, &why), 0);
    keepRunning = true;
    yt::AddCallback(new Every(5, 4, &keepRunning));
    const int64_t quiet = yt::PumpSleeps();
    yt::RunLoop(20, &keepRunning);
    EXPECT_GE(yt::PumpSleeps() - quiet, 3);
}

TEST_F(Toolkit, ASignalledHandleRunsItsHandlerFromThePumpsWait) {
    auto event = platform::createWaitEvent();
    auto other = platform::createWaitEvent();
    ASSERT_TRUE(event && other);
    bool keepRunning = true;
    int runs = 0, otherRuns = 0;
    ASSERT_TRUE(yt::AddWaitHandle(event->handle(), [&] {
        ++runs;
        event->reset();
        keepRunning = false;
        return false;  // done: take it off the list
    }));
    ASSERT_TRUE(yt::AddWaitHandle(other->handle(), [&] {
        ++otherRuns;
        other->reset();
        return true;
    }));
    EXPECT_FALSE(yt::AddWaitHandle(event->handle(), [] { return true; })) << "listed once";
    EXPECT_EQ(yt::WaitHandleCount(), 2);

    // Signalled from another thread while the pump sleeps (nothing else is due for a second).
    std::thread signaller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        event->signal();
    });
    yt::AddCallback(new Deadline(10.0, &keepRunning));
    yt::RunLoop(1000, &keepRunning);
    signaller.join();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(otherRuns, 0) << "a handle nobody signalled";
    EXPECT_EQ(yt::WaitHandleCount(), 1);
    EXPECT_TRUE(logged("RemoveEvent -- 1 total"));

    // A handler that answers true stays listed and runs again at the next signal.
    other->signal();
    keepRunning = true;
    yt::AddCallback(new Deadline(0.3, &keepRunning));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(otherRuns, 1);
    other->signal();
    keepRunning = true;
    yt::AddCallback(new Deadline(0.3, &keepRunning));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(otherRuns, 2);
    EXPECT_EQ(yt::WaitHandleCount(), 1);
    yt::RemoveWaitHandle(other->handle());
    EXPECT_EQ(yt::WaitHandleCount(), 0);
}

TEST_F(Toolkit, WindowTimersDeliverTimerMessagesUntilKilled) {
    bool keepRunning = true;
    auto* window = new yt::ytWindow();
    ASSERT_TRUE(
        window->Create("Tintel timer", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0, 100, 100));
    auto* document = new TimerDocument(&keepRunning);
    window->SetDocument(document);
    ASSERT_TRUE(window->SetTimer(1315, 33));
    yt::AddCallback(new Deadline(10.0, &keepRunning));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(document->ticks, 3);

    window->KillTimer(1315);
    keepRunning = true;
    yt::AddCallback(new Deadline(0.2, &keepRunning));
    yt::RunLoop(20, &keepRunning);
    EXPECT_EQ(document->ticks, 3) << "no timer messages after KillTimer";

    window->PostClose();
    keepRunning = true;
    EXPECT_EQ(yt::RunLoop(20, &keepRunning), 0);
    EXPECT_EQ(yt::OpenMainWindows(), 0);
}
