// TintelController: the shared, lockable application state that the UI and background workers
// both reach. It derives from ytBaseThread only for its critical section; it never runs a thread.
#pragma once

#include <cstdint>

#include "toolkit/base_thread.h"

namespace tintel {

class TintelController : public yt::ytBaseThread {
public:
    TintelController() = default;
    // Deletes the light bridge worker (its owner stops it first).
    ~TintelController() override;

    // The thread body: the controller is never started as a thread.
    int Run() override { return 0; }

    bool safeMode = false;      // copy of the "SafeMode" preference; the colour setter reads it
    bool activated = false;     // the application became active: the colour setter re-sends once
    double lastColourTime = 0;  // toolkit clock seconds of the previous colour setting
    // The display list and its state join here with the display code.
    yt::ytBaseThread* lightWorker = nullptr;  // the light bridge worker, owned
};

}  // namespace tintel
