// Single instance: a per-user named lock held for the life of the program, and the way a second
// start reaches the running one (on Windows the named mutex and FindWindow/SendMessage; on Linux a
// lock file and a Unix-domain socket beside it).
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

class InstanceLock {
public:
    virtual ~InstanceLock() = default;
};

enum class InstanceResult {
    First,           // this process holds the lock now
    AlreadyRunning,  // another process holds it (or it exists and may not be opened)
    Unavailable,     // the lock could not be made for another reason; the program runs without it
};

// Takes the lock `name`. *lock is set only when the result is First.
InstanceResult acquireInstance(const char* name, std::unique_ptr<InstanceLock>* lock);

// Delivers `message` (both parameters 0) to the running instance's top-level window of class
// `className` titled `title`, and waits until it has been handled. False when no such window.
bool signalRunningInstance(const char* name, const char* className, const char* title,
                           uint32_t message);

}  // namespace platform
