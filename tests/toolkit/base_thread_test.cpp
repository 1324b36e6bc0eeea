// ytBaseThread: start and stop, the time-out after which a thread is ended by force, the -2
// result that deletes the object, and the handover of the handle when a Stop waits for a thread
// that is just ending.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "platform/thread.h"
#include "toolkit/base_thread.h"

namespace {

// GCC's AddressSanitizer reports a false stack-buffer-underflow inside its own runtime
// (__asan_handle_no_return -> sigaltstack) when pthread_cancel unwinds a thread's stack, so the
// forced end is tested in the plain and Windows builds only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Waits up to five seconds for a flag set by another thread.
bool eventually(const std::atomic<bool>& flag) {
    for (int i = 0; i < 500 && !flag.load(); ++i)
        platform::sleepMs(10);
    return flag.load();
}

// Records its argument and ends at once with a chosen result.
class OneShot : public yt::ytBaseThread {
public:
    OneShot(int result, std::atomic<bool>* destroyed) : result_(result), destroyed_(destroyed) {}
    ~OneShot() override { *destroyed_ = true; }
    int Run() override {
        seen = Argument();
        ran = true;
        return result_;
    }
    std::atomic<void*> seen{nullptr};
    std::atomic<bool> ran{false};

private:
    int result_;
    std::atomic<bool>* destroyed_;
};

// Works on its own members until asked to stop, then answers `result`; stops itself in its
// destructor, while those members still exist.
class Cooperative : public yt::ytBaseThread {
public:
    explicit Cooperative(int result = 0) : result_(result) {}
    ~Cooperative() override { Stop(0); }
    int Run() override {
        started = true;
        while (!StopRequested()) {
            log_.push_back('.');
            if (log_.size() > 64) log_.clear();
            platform::sleepMs(1);
        }
        return result_;
    }
    std::atomic<bool> started{false};

private:
    int result_;
    std::string log_;
};

// Ignores the stop flag and keeps counting (sleeping between counts, a cancellation point).
std::atomic<int> g_stubbornCount{0};
class Stubborn : public yt::ytBaseThread {
public:
    int Run() override {
        for (;;) {
            ++g_stubbornCount;
            platform::sleepMs(5);
        }
    }
};

// Works until asked to stop and forgets to stop itself in a destructor of its own.
// Stops itself from its own thread.
class SelfStopper : public yt::ytBaseThread {
public:
    int Run() override {
        selfStop = Stop(0);
        sawStop = StopRequested();
        done = true;
        return 0;
    }
    std::atomic<int32_t> selfStop{-7};
    std::atomic<bool> sawStop{false};
    std::atomic<bool> done{false};
};

}  // namespace

TEST(BaseThread, StartRunsOnAThreadWithItsArgumentAndRefusesASecondStartWhileRunning) {
    std::atomic<bool> destroyed{false};
    {
        OneShot shot(0, &destroyed);
        int argument = 0;
        ASSERT_EQ(shot.Start(&argument), 0);
        ASSERT_TRUE(eventually(shot.ran));
        EXPECT_EQ(shot.Stop(1000), 0);
        EXPECT_EQ(shot.seen.load(), &argument);
        EXPECT_FALSE(shot.Running());

        Cooperative worker;
        ASSERT_EQ(worker.Start(), 0);
        ASSERT_TRUE(eventually(worker.started));
        EXPECT_TRUE(worker.Running());
        EXPECT_EQ(worker.Start(), -1) << "one thread per object at a time";
        EXPECT_EQ(worker.Stop(5000), 0);
        EXPECT_TRUE(worker.StopRequested());
        EXPECT_FALSE(worker.Running());
        EXPECT_EQ(worker.Start(), 0) << "a stopped object starts again with the flag cleared";
        EXPECT_FALSE(worker.StopRequested());
        EXPECT_EQ(worker.Stop(5000), 0);
        EXPECT_EQ(worker.Stop(5000), 0) << "stopping a stopped object is harmless";
    }
    EXPECT_TRUE(destroyed.load());
}

TEST(BaseThread, AThreadThatIgnoresStopIsEndedAfterTheTimeOut) {
    if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer cannot follow a cancelled thread";
    Stubborn stubborn;
    ASSERT_EQ(stubborn.Start(), 0);
    while (g_stubbornCount.load() < 3)
        platform::sleepMs(5);
    EXPECT_EQ(stubborn.Stop(100), yt::ytBaseThread::kTerminated);
    EXPECT_FALSE(stubborn.Running());
    const int after = g_stubbornCount.load();
    platform::sleepMs(100);
    EXPECT_EQ(g_stubbornCount.load(), after) << "the thread is gone, not just abandoned";
    EXPECT_EQ(stubborn.Start(), 0) << "the object can run again after a forced end";
    EXPECT_EQ(stubborn.Stop(50), yt::ytBaseThread::kTerminated);
}

TEST(BaseThread, EndingsThatMustNotCrash) {
    // Minus two: the thread deletes its own object, unless its owner stops and deletes it.
    std::atomic<bool> destroyed{false};
    ASSERT_EQ((new OneShot(yt::ytBaseThread::kDeleteWhenDone, &destroyed))->Start(), 0);
    EXPECT_TRUE(eventually(destroyed));
    auto* owned = new Cooperative(yt::ytBaseThread::kDeleteWhenDone);
    ASSERT_EQ(owned->Start(), 0);
    ASSERT_TRUE(eventually(owned->started));
    EXPECT_EQ(owned->Stop(5000), 0);
    delete owned;

    // Destroyed while running, started or not: the thread ends before the members its Run uses
    // are gone (the sanitizer build sees any use of them after that).
    for (int i = 0; i < 20; ++i) {
        auto* worker = new Cooperative;
        ASSERT_EQ(worker->Start(), 0);
        if (i % 2) {
            ASSERT_TRUE(eventually(worker->started));
        }
        delete worker;
    }

    // A thread stopping itself does not wait for itself.
    SelfStopper self;
    ASSERT_EQ(self.Start(), 0);
    ASSERT_TRUE(eventually(self.done));
    EXPECT_EQ(self.selfStop.load(), 0);
    EXPECT_TRUE(self.sawStop.load());
    EXPECT_EQ(self.Stop(5000), 0);
}

#ifndef NDEBUG
#endif
