// Worker threads on Windows: CreateThread, WaitForSingleObject, TerminateThread.
#include <windows.h>

#include "platform/thread.h"

namespace platform {

struct Thread {
    HANDLE handle = nullptr;
    DWORD id = 0;
};

namespace {

struct Launch {
    ThreadBody body;
    void* context;
};

// The thread's entry: runs the body and frees the launch record.
DWORD WINAPI threadEntry(LPVOID parameter) {
    Launch launch = *static_cast<Launch*>(parameter);
    delete static_cast<Launch*>(parameter);
    launch.body(launch.context);
    return 0;
}

}  // namespace

Thread* startThread(ThreadBody body, void* context) {
    auto* launch = new Launch{body, context};
    auto* thread = new Thread;
    thread->handle = CreateThread(nullptr, 0, threadEntry, launch, 0, &thread->id);
    if (!thread->handle) {
        delete launch;
        delete thread;
        return nullptr;
    }
    return thread;
}

bool waitThread(Thread* thread, int timeoutMs) {
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    return WaitForSingleObject(thread->handle, wait) == WAIT_OBJECT_0;
}

bool terminateThread(Thread* thread) {
    TerminateThread(thread->handle, 1);
    // TerminateThread returns before the thread is gone; its handle is signalled when it is.
    return WaitForSingleObject(thread->handle, 5000) == WAIT_OBJECT_0;
}

void releaseThread(Thread* thread) {
    CloseHandle(thread->handle);
    delete thread;
}

bool isCurrentThread(const Thread* thread) {
    return thread && thread->id == GetCurrentThreadId();
}

void sleepMs(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

void lowerCurrentThreadPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace platform
