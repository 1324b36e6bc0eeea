// ytBaseThread: a worker with a stop flag and a critical section. Objects that only need the
// lock (the application controller) derive from it without ever starting a thread.
#pragma once

#include <atomic>
#include <mutex>

namespace yt {

class ytBaseThread {
public:
    ytBaseThread() = default;
    ytBaseThread(const ytBaseThread&) = delete;
    ytBaseThread& operator=(const ytBaseThread&) = delete;
    virtual ~ytBaseThread() = default;

    // The thread body.
    virtual int Run() { return 0; }
    // The critical section (recursive, as the platform's critical sections are).
    virtual void Lock() { section_.lock(); }
    virtual void Unlock() { section_.unlock(); }

    bool StopRequested() const { return stop_.load(); }

protected:
    std::atomic<bool> stop_{false};

private:
    std::recursive_mutex section_;
};

}  // namespace yt
