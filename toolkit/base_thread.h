// ytBaseThread: a worker with a stop flag, a start argument, a thread handle and a critical
// section. Start runs the virtual Run on a thread of its own; Stop asks it to end and waits, and
// ends it by force after a time-out. Objects that only need the lock (the application controller)
// derive from it without ever starting a thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace platform {
struct Thread;
}

namespace yt {

class ytBaseThread {
public:
    // Stop's answer when the thread did not end in time and was ended by force.
    static constexpr int32_t kTerminated = 1000002;
    // A Run result that makes the thread delete its object when Run returns.
    static constexpr int kDeleteWhenDone = -2;

    ytBaseThread() = default;
    ytBaseThread(const ytBaseThread&) = delete;
    ytBaseThread& operator=(const ytBaseThread&) = delete;
    // A class that starts its thread must end it in its own destructor (Stop), while its members
    // still exist: by the time this destructor runs, a Run still going would use a dead object.
    // Destroying an object whose thread still runs is a programming error: debug builds stop
    // there (abort, naming the object); other builds stop the thread here as a last resort.
    virtual ~ytBaseThread();

    // The thread body.
    virtual int Run() { return 0; }
    // The critical section (recursive, as the platform's critical sections are).
    virtual void Lock() { section_.lock(); }
    virtual void Unlock() { section_.unlock(); }

    // Clears the stop flag, keeps `argument` and starts a thread running Run. Answers 0, or -1
    // when a thread of this object is still running or the platform cannot start one.
    int32_t Start(void* argument = nullptr);
    // Sets the stop flag and waits for the thread, at most `timeoutMs` (0: without limit). Answers
    // 0 when it has ended (or none was running), kTerminated when it had to be ended by force.
    // Called by the thread itself, it only sets the stop flag.
    int32_t Stop(int timeoutMs);
    // True while a started thread has not ended.
    bool Running();

    bool StopRequested() const { return stop_.load(); }
    void* Argument() const { return argument_; }

protected:
    std::atomic<bool> stop_{false};

private:
    static void ThreadMain(void* self);

    std::recursive_mutex section_;
    // Guards the handle. Kept apart from the critical section so that a Run holding the section
    // for long, or an owner calling Stop while holding it, cannot deadlock the handover.
    std::mutex handleLock_;
    std::mutex stopLock_;  // one Stop at a time
    platform::Thread* thread_ = nullptr;
    bool waiting_ = false;  // a Stop is waiting for the thread and will release the handle
    void* argument_ = nullptr;
};

}  // namespace yt
