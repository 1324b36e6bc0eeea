// ytBaseThread: start, stop with a time-out, forced end, and the handover of the thread handle
// between the thread's own end and a Stop that waits for it.
#include "toolkit/base_thread.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/thread.h"
#include "toolkit/toolkit.h"

namespace yt {

ytBaseThread::~ytBaseThread() {
    bool running = false;
    {
        std::lock_guard<std::mutex> hold(handleLock_);
        // A thread deleting its own object (kDeleteWhenDone) has already let go of its handle.
        running = thread_ != nullptr && !platform::isCurrentThread(thread_);
    }
    if (running) {
#ifndef NDEBUG
        std::fprintf(stderr,
                     "ytBaseThread %p destroyed while its thread runs: the derived class "
                     "must call Stop in its own destructor\n",
                     static_cast<void*>(this));
        std::abort();
#endif
    }
    Stop(0);
}

int32_t ytBaseThread::Start(void* argument) {
    std::lock_guard<std::mutex> hold(handleLock_);
    if (thread_) return -1;
    stop_ = false;
    argument_ = argument;
    // Created under the lock: the thread's own end takes the lock, so it cannot clear the handle
    // before it has been stored.
    thread_ = platform::startThread(ThreadMain, this);
    return thread_ ? 0 : -1;
}

// Runs the body; afterwards clears the handle unless a Stop is waiting for it, and deletes the
// object when Run answered kDeleteWhenDone and nobody is waiting on it.
void ytBaseThread::ThreadMain(void* self) {
    auto* object = static_cast<ytBaseThread*>(self);
    const int result = object->Run();
    platform::Thread* handle = nullptr;
    bool waited = false;
    {
        std::lock_guard<std::mutex> hold(object->handleLock_);
        waited = object->waiting_;
        if (!waited) {
            handle = object->thread_;
            object->thread_ = nullptr;
        }
    }
    if (handle) platform::releaseThread(handle);
    // A waiting Stop still uses the object (its owner is stopping or destroying it).
    if (result == kDeleteWhenDone && !waited) delete object;
}

int32_t ytBaseThread::Stop(int timeoutMs) {
    std::lock_guard<std::mutex> serial(stopLock_);
    platform::Thread* handle = nullptr;
    {
        std::lock_guard<std::mutex> hold(handleLock_);
        handle = thread_;
        DebugLog("EndThread %x for %d\n",
                 static_cast<unsigned>(reinterpret_cast<uintptr_t>(handle)), timeoutMs);
        stop_ = true;
        if (!handle) return 0;
        if (platform::isCurrentThread(handle)) return 0;
        waiting_ = true;
    }
    int32_t result = 0;
    if (!platform::waitThread(handle, timeoutMs == 0 ? -1 : timeoutMs)) {
        platform::terminateThread(handle);
        result = kTerminated;
    }
    {
        std::lock_guard<std::mutex> hold(handleLock_);
        thread_ = nullptr;
        waiting_ = false;
    }
    platform::releaseThread(handle);
    return result;
}

bool ytBaseThread::Running() {
    std::lock_guard<std::mutex> hold(handleLock_);
    return thread_ != nullptr;
}

}  // namespace yt
