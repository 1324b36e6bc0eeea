// Single instance on Windows: the named mutex, and FindWindow/SendMessage to reach the running one.
#include <windows.h>

#include "platform/instance.h"

namespace platform {
namespace {

class MutexLock : public InstanceLock {
public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
    ~MutexLock() override {
        if (mutex_) CloseHandle(mutex_);
    }

private:
    HANDLE mutex_;
};

}  // namespace

InstanceResult acquireInstance(const char* name, std::unique_ptr<InstanceLock>* lock) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (mutex) CloseHandle(mutex);
        return InstanceResult::AlreadyRunning;
    }
    if (!mutex) return InstanceResult::Unavailable;
    *lock = std::make_unique<MutexLock>(mutex);
    return InstanceResult::First;
}

bool signalRunningInstance(const char*, const char* className, const char* title,
                           uint32_t message) {
    HWND window = FindWindowA(className, title);
    if (!window) return false;
    SendMessageA(window, message, 0, 0);
    return true;
}

}  // namespace platform
