// The UI toolkit's process-wide services.
//
// Contents
//   1. start and stop
//   2. clock and debug log
//   3. counters (live objects, open main windows, bitmap bytes)
//   4. the preferences root
//   5. timed callbacks and the message pump
//   6. message boxes
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <string>

#include "base/debug_log.h"
#include "platform/window_host.h"

namespace yt {

// ---- 1. start and stop ----------------------------------------------------------------------

// Starts the toolkit; counted, only the first call does the work. Answers 0, or -1 when the
// platform's windowing cannot start (no display); `error` then says why.
int32_t Start(void* instance, bool usePools, std::string* error = nullptr);
// Stops the toolkit; counted, the last call reports leftovers to the debug log.
void Stop();
bool IsStarted();

// ---- 2. clock and debug log -----------------------------------------------------------------

// Seconds since the first call, from the platform's high-resolution counter.
double Clock();

// printf-style diagnostics (base/debug_log.h): lines go nowhere unless a sink is installed.
using base::DebugLog;
using base::DebugSink;
using base::SetDebugSink;

// ---- 3. counters ----------------------------------------------------------------------------

int LiveObjects();
void CountObject(int delta);
int OpenMainWindows();
void CountMainWindow(int delta);
void CountBitmapBytes(int64_t delta);
int64_t PeakBitmapBytes();

// The quit flag: set when the last main window is destroyed; the pump ends when it sees it.
void SetQuitFlag();

// Tables the drawing code shares: 16,777,215 / i, and 255 x (i / 256)^1.4 and ^(1 / 1.4).
uint32_t Reciprocal(int i);
uint8_t GammaUp(int i);
uint8_t GammaDown(int i);

// ---- 4. the preferences root ----------------------------------------------------------------

// "Software\Brisbel\" and the executable's base name, fixed when the toolkit starts.
const std::string& RegistryBase();
// Replaces the root as if the executable were called `baseName` (tests use private roots).
void SetRegistryBaseName(const std::string& baseName);

// ---- 5. timed callbacks and the message pump ------------------------------------------------

// An entry of the pump's callback list. Run answers the next interval in milliseconds, -1 to be
// removed (and destroyed), or -2 to end the current pass over the list.
class ytCallBase {
public:
    virtual ~ytCallBase() = default;
    virtual int Run() = 0;
    virtual void Destroy() { delete this; }
    double lastRun = 0;    // clock seconds
    int interval = 0;      // milliseconds
    bool running = false;  // inside Run: a pump nested in it (a message box) skips the entry
};

constexpr int kCallbackRemove = -1;
constexpr int kCallbackEndPass = -2;

void AddCallback(ytCallBase* callback);
int CallbackCount();

// A handle the pump's wait watches (a HANDLE on Windows, a readable descriptor on Linux) and what
// to do when it is signalled: answer true to keep watching it, false to have it removed.
using WaitHandler = std::function<bool()>;
// Adds a handle to the wait-handle list; false when the platform's wait cannot take it.
bool AddWaitHandle(intptr_t handle, WaitHandler handler);
// Takes a handle off the list (its owner is about to close it); nothing when it is not there.
void RemoveWaitHandle(intptr_t handle);
int WaitHandleCount();

// Runs the pump while *keepRunning (or forever when null) until the quit message or flag.
// `longestWaitMs` bounds each sleep while any toolkit window is visible; 0 never sleeps. Each
// pass: dispatch every waiting message, run the due callbacks, then (unless a callback asked to
// run again at once, or the pass took 5 ms or more) sleep until input, a posted message, a
// watched handle, or the next callback is due. While every window is hidden the bound is not
// applied: the pump sleeps until the next callback (at most a second), so a hidden program
// wakes only when something is due. Worker threads that need the pump must therefore wake it:
// by signalling a wait event on the wait-handle list, or by posting a window message.
// The filter sees each message before dispatch and may consume it.
int32_t RunLoop(int longestWaitMs, const bool* keepRunning = nullptr,
                const platform::MessageFilter* filter = nullptr);
// Whether any toolkit window (ytWindow) is visible now.
bool AnyWindowVisible();
// How many times the pump has gone to sleep since the toolkit started (for tests and benchmarks).
int64_t PumpSleeps();

// The main window: owner of message boxes that name none, target of the accelerators. The first
// main window created takes the place; its destruction clears it.
class ytWindow;
void SetMainWindow(ytWindow* window);
ytWindow* MainWindow();
// The main window's accelerator table (Windows; see platform::setAccelerators).
void SetAccelerators(const platform::Accelerator* table, int count);

// ---- 6. message boxes -----------------------------------------------------------------------

// Message boxes open now. A close asked for meanwhile is held (quit pending) and posted to the
// main window when the last box closes.
int OpenMessageBoxes();
// Counts a box (a message box or a modal dialog box) as open (+1) or closed (-1); the last one
// closing releases a held close (to the main window, or the pump's end when it is gone).
void CountOpenBox(int delta);
// Runs the pump inside a box while *running stays true (for platform::RunPump).
void RunBoxPump(const bool* running);
void SetQuitPending();
bool QuitPending();

void ShowLastError();
void Note(const std::string& text, platform::NativeWindow* owner = nullptr,
          const std::string& title = "Note");
bool Confirm(const std::string& text, platform::NativeWindow* owner = nullptr,
             const std::string& title = "Confirm");

}  // namespace yt
