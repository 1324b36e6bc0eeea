// Worker threads: start, wait with a time-out, end by force. The toolkit's ytBaseThread is built
// on these.
#pragma once

namespace platform {

// A started thread, owned by whoever started it until releaseThread.
struct Thread;

using ThreadBody = void (*)(void* context);

// Starts a thread that runs body(context); null when the platform cannot start one.
Thread* startThread(ThreadBody body, void* context);

// Waits until the thread has ended, at most `timeoutMs` milliseconds (negative: without limit).
// True when it has ended.
bool waitThread(Thread* thread, int timeoutMs);

// Ends the thread by force and waits a little for it to be gone. Windows ends it at once; Linux
// cancels it, which takes effect at its next cancellation point (any blocking call: sleeping,
// waiting, reading a socket), unwinding its stack. True when it has ended.
bool terminateThread(Thread* thread);

// Gives up the handle. A thread that is still running goes on by itself and cleans up after
// itself when it ends. May be called by the thread itself.
void releaseThread(Thread* thread);

// True when the calling thread is `thread`.
bool isCurrentThread(const Thread* thread);

// Sleeps the calling thread for `ms` milliseconds.
void sleepMs(int ms);

// Lowers the calling thread's scheduling priority one step below normal (background work that
// must not slow the window thread).
void lowerCurrentThreadPriority();

}  // namespace platform
