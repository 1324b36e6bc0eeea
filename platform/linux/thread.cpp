// Worker threads on Linux: pthreads, with a done flag and condition variable for timed waits
// and pthread_cancel as the forced end. Timed waits run on CLOCK_MONOTONIC, so setting the
// wall clock neither stretches nor cuts them.
//
// The record below is shared by the owner and the thread (two references), so either may let go
// first: the owner by releaseThread, the thread when its body returns or its cancellation unwinds.
#include <errno.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "platform/thread.h"

namespace platform {

struct Thread {
    pthread_t id{};
    ThreadBody body = nullptr;
    void* context = nullptr;
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t ended;  // on CLOCK_MONOTONIC, set up by startThread
    bool done = false;
    bool reaped = false;  // joined or detached (owner side only)
    int references = 2;
};

namespace {

// Drops one reference to the record and frees it at zero.
void dropReference(Thread* thread) {
    pthread_mutex_lock(&thread->lock);
    const int left = --thread->references;
    pthread_mutex_unlock(&thread->lock);
    if (left == 0) {
        pthread_cond_destroy(&thread->ended);
        pthread_mutex_destroy(&thread->lock);
        delete thread;
    }
}

// Marks the thread ended when its body returns or its cancellation unwinds the stack (a forced
// unwind runs destructors).
struct EndMarker {
    Thread* thread;
    ~EndMarker() {
        pthread_mutex_lock(&thread->lock);
        thread->done = true;
        pthread_cond_broadcast(&thread->ended);
        pthread_mutex_unlock(&thread->lock);
        dropReference(thread);
    }
};

void* threadEntry(void* parameter) {
    Thread* thread = static_cast<Thread*>(parameter);
    EndMarker marker{thread};
    thread->body(thread->context);
    return nullptr;
}

// Joins a thread that has ended, or detaches one that goes on; once per thread.
void reap(Thread* thread) {
    if (thread->reaped) return;
    thread->reaped = true;
    pthread_mutex_lock(&thread->lock);
    const bool done = thread->done;
    pthread_mutex_unlock(&thread->lock);
    if (done && !pthread_equal(thread->id, pthread_self())) {
        pthread_join(thread->id, nullptr);
    } else {
        pthread_detach(thread->id);
    }
}

}  // namespace

Thread* startThread(ThreadBody body, void* context) {
    auto* thread = new Thread;
    thread->body = body;
    thread->context = context;
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&thread->ended, &attributes);
    pthread_condattr_destroy(&attributes);
    if (pthread_create(&thread->id, nullptr, threadEntry, thread) != 0) {
        pthread_cond_destroy(&thread->ended);
        delete thread;
        return nullptr;
    }
    return thread;
}

bool waitThread(Thread* thread, int timeoutMs) {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    if (timeoutMs >= 0) {
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
    }
    pthread_mutex_lock(&thread->lock);
    while (!thread->done) {
        if (timeoutMs < 0) {
            pthread_cond_wait(&thread->ended, &thread->lock);
        } else if (pthread_cond_timedwait(&thread->ended, &thread->lock, &deadline) == ETIMEDOUT) {
            break;
        }
    }
    const bool done = thread->done;
    pthread_mutex_unlock(&thread->lock);
    if (done) reap(thread);
    return done;
}

bool terminateThread(Thread* thread) {
    pthread_cancel(thread->id);
    return waitThread(thread, 5000);
}

void releaseThread(Thread* thread) {
    reap(thread);
    dropReference(thread);
}

bool isCurrentThread(const Thread* thread) {
    return thread && pthread_equal(thread->id, pthread_self());
}

void sleepMs(int ms) {
    timespec span{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0 && errno == EINTR) {
    }
}

void lowerCurrentThreadPriority() {
    // Linux keeps a nice value per thread: raising the calling thread's by two is the step below
    // normal that Windows' THREAD_PRIORITY_BELOW_NORMAL is.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, tid);
    if (errno == 0) setpriority(PRIO_PROCESS, tid, nice + 2 > 19 ? 19 : nice + 2);
}

}  // namespace platform
