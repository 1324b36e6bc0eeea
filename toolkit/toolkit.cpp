// The toolkit's process-wide services: start and stop, clock, debug log, counters, the
// preferences root, the callback list and the message pump.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/window_host.h"
#include "toolkit/base.h"
#include "toolkit/bitmap.h"
#include "toolkit/font_cache.h"
#include "toolkit/resource_table.h"
#include "toolkit/window.h"

namespace yt {
namespace {

std::atomic<int> g_startCount{0};
std::atomic<int> g_liveObjects{0};
std::atomic<int> g_openMainWindows{0};
std::atomic<int64_t> g_bitmapBytes{0};
std::atomic<int64_t> g_peakBitmapBytes{0};
std::atomic<bool> g_quitFlag{false};
void* g_instance = nullptr;
std::string g_registryBase;
std::vector<ytCallBase*> g_callbacks;
std::atomic<int64_t> g_pumpSleeps{0};
int g_openBoxes = 0;
bool g_quitPending = false;
ytWindow* g_mainWindow = nullptr;

// The wait-handle list: handles and their handlers in parallel.
std::vector<intptr_t> g_waitHandles;
std::vector<WaitHandler> g_waitHandlers;

uint32_t g_reciprocal[256];
uint8_t g_gammaUp[256];
uint8_t g_gammaDown[256];

// Fills the shared drawing tables: reciprocals for fixed-point division and the two 1.4 gammas.
void fillTables() {
    g_reciprocal[0] = 0;
    for (int i = 1; i < 256; ++i)
        g_reciprocal[i] = 16777215u / static_cast<uint32_t>(i);
    for (int i = 0; i < 256; ++i) {
        const double x = i / 256.0;
        g_gammaUp[i] = static_cast<uint8_t>(std::lround(255.0 * std::pow(x, 1.4)));
        g_gammaDown[i] = static_cast<uint8_t>(std::lround(255.0 * std::pow(x, 1.0 / 1.4)));
    }
}

// Runs every due callback once; answers the milliseconds until the next one is due (0: at once).
double runCallbacks() {
    double untilNext = 1000.0;
    const double now = Clock();
    for (size_t i = 0; i < g_callbacks.size();) {
        ytCallBase* cb = g_callbacks[i];
        const double elapsedMs = (now - cb->lastRun) * 1000.0;
        if (cb->running) {
            ++i;
            continue;
        }
        if (elapsedMs < cb->interval) {
            untilNext = std::min(untilNext, cb->interval - elapsedMs);
            ++i;
            continue;
        }
        cb->lastRun = now;
        cb->running = true;
        const int result = cb->Run();
        cb->running = false;
        // A pump nested in Run may have changed the list: find the entry again.
        const auto at = std::find(g_callbacks.begin(), g_callbacks.end(), cb);
        if (at != g_callbacks.end()) i = static_cast<size_t>(at - g_callbacks.begin());
        if (result == kCallbackRemove) {
            g_callbacks.erase(std::find(g_callbacks.begin(), g_callbacks.end(), cb));
            cb->Destroy();
            continue;
        }
        if (result == kCallbackEndPass) break;
        cb->interval = result;
        untilNext = std::min(untilNext, static_cast<double>(result));
        ++i;
    }
    return untilNext;
}

// Drops a handle from the list and from the platform's wait; false when it was not listed.
bool dropWaitHandle(intptr_t handle) {
    const auto it = std::find(g_waitHandles.begin(), g_waitHandles.end(), handle);
    if (it == g_waitHandles.end()) return false;
    const auto index = it - g_waitHandles.begin();
    g_waitHandles.erase(it);
    g_waitHandlers.erase(g_waitHandlers.begin() + index);
    platform::unwatchHandle(handle);
    return true;
}

// The platform's wait found a handle signalled: run its handler, and drop the handle when the
// handler answers false.
void onHandleSignalled(platform::WaitHandle handle) {
    const auto it = std::find(g_waitHandles.begin(), g_waitHandles.end(), handle);
    if (it == g_waitHandles.end()) return;
    // A copy: the handler may add or remove handles (moving the list) while it runs.
    const WaitHandler handler = g_waitHandlers[static_cast<size_t>(it - g_waitHandles.begin())];
    if (handler()) return;
    if (dropWaitHandle(handle))
        DebugLog("RemoveEvent -- %d total\n", static_cast<int>(g_waitHandles.size()));
}

}  // namespace

int32_t Start(void* instance, bool usePools, std::string* error) {
    DebugLog("A ytBitmap is %d bytes\n", static_cast<int>(sizeof(ytBitmap)));
    DebugLog("A ytString is %d bytes\n", static_cast<int>(sizeof(void*)));
    if (g_startCount.fetch_add(1) != 0) return 0;
    (void)usePools;  // the small-object pools are the C++ allocator's job here
    g_instance = instance;
    g_quitFlag = false;
    if (g_registryBase.empty()) SetRegistryBaseName(platform::baseNameOf(platform::modulePath()));
    fillTables();
    std::string why;
    if (!platform::initWindowing(&why)) {
        if (error) *error = why;
        return -1;
    }
    return 0;
}

void Stop() {
    if (g_startCount.load() <= 0 || g_startCount.fetch_sub(1) != 1) return;
    ytFontCache::FreeAll();
    if (!g_callbacks.empty()) {
        DebugLog("WARNING: %d callbacks still running on exit (potential crash.)\n",
                 static_cast<int>(g_callbacks.size()));
        std::vector<ytCallBase*> left;
        left.swap(g_callbacks);
        for (ytCallBase* cb : left)
            cb->Destroy();
    }
    for (intptr_t handle : g_waitHandles)
        platform::unwatchHandle(handle);
    g_waitHandles.clear();
    g_waitHandlers.clear();
    // The resource table holds a reference to every named node.
    ReleaseResources();
    DebugLog("Peak bitmap usage: %dK\n", static_cast<int>(g_peakBitmapBytes.load() / 1024));
    if (g_liveObjects.load() != 0)
        DebugLog("WARNING: %d leaked objects on exit.\n", g_liveObjects.load());
    g_instance = nullptr;
}

bool IsStarted() {
    return g_startCount.load() > 0;
}

double Clock() {
    static const int64_t frequency = platform::performanceFrequency();
    static const int64_t origin = platform::performanceCounter();
    return static_cast<double>(platform::performanceCounter() - origin) /
           static_cast<double>(frequency);
}

int LiveObjects() {
    return g_liveObjects.load();
}
void CountObject(int delta) {
    g_liveObjects += delta;
}
int OpenMainWindows() {
    return g_openMainWindows.load();
}
void CountMainWindow(int delta) {
    g_openMainWindows += delta;
}

void CountBitmapBytes(int64_t delta) {
    const int64_t now = (g_bitmapBytes += delta);
    int64_t peak = g_peakBitmapBytes.load();
    while (now > peak && !g_peakBitmapBytes.compare_exchange_weak(peak, now)) {
    }
}

int64_t PeakBitmapBytes() {
    return g_peakBitmapBytes.load();
}

void SetQuitFlag() {
    g_quitFlag = true;
}

uint32_t Reciprocal(int i) {
    return g_reciprocal[i & 255];
}
uint8_t GammaUp(int i) {
    return g_gammaUp[i & 255];
}
uint8_t GammaDown(int i) {
    return g_gammaDown[i & 255];
}

const std::string& RegistryBase() {
    return g_registryBase;
}

void SetRegistryBaseName(const std::string& baseName) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "Software\\Brisbel\\%s", baseName.c_str());
    g_registryBase = buffer;
}

void AddCallback(ytCallBase* callback) {
    callback->lastRun = Clock();
    g_callbacks.push_back(callback);
}

int CallbackCount() {
    return static_cast<int>(g_callbacks.size());
}

bool AddWaitHandle(intptr_t handle, WaitHandler handler) {
    if (!handler || !platform::watchHandle(handle, onHandleSignalled)) return false;
    g_waitHandles.push_back(handle);
    g_waitHandlers.push_back(std::move(handler));
    return true;
}

void RemoveWaitHandle(intptr_t handle) {
    dropWaitHandle(handle);
}

int WaitHandleCount() {
    return static_cast<int>(g_waitHandles.size());
}

int32_t RunLoop(int longestWaitMs, const bool* keepRunning, const platform::MessageFilter* filter) {
    while (!keepRunning || *keepRunning) {
        const double passStart = Clock();
        if (!platform::dispatchPending(filter)) return 0;
        const double untilNext = runCallbacks();
        if (g_quitFlag) return 0;
        if (keepRunning && !*keepRunning) break;
        const double passMs = (Clock() - passStart) * 1000.0;
        // A callback that answered 0 wants to run again at once: no sleep this pass.
        if (untilNext > 0 && passMs < 5.0 && longestWaitMs > 0) {
            // The longest wait only bounds the sleep of a program that shows a window: hidden,
            // nothing but a callback, input or a signalled handle has anything to do.
            const double bound = AnyWindowVisible() ? longestWaitMs : untilNext;
            const int wait = static_cast<int>(std::ceil(std::min(bound, untilNext)));
            ++g_pumpSleeps;
            platform::waitForInput(wait);
        }
    }
    return 0;
}

int64_t PumpSleeps() {
    return g_pumpSleeps.load();
}

void SetMainWindow(ytWindow* window) {
    g_mainWindow = window;
}

ytWindow* MainWindow() {
    return g_mainWindow;
}

void SetAccelerators(const platform::Accelerator* table, int count) {
    platform::setAccelerators(g_mainWindow ? g_mainWindow->Native() : nullptr, table, count);
}

int OpenMessageBoxes() {
    return g_openBoxes;
}

void SetQuitPending() {
    g_quitPending = true;
}

bool QuitPending() {
    return g_quitPending;
}

namespace {

// Shows a box owned by `owner` (the main window when none is named) and counts it while it is
// open. The pump runs inside it where the platform lets it; when the last box closes, a close
// held meanwhile reaches the main window (or ends the pump when that is gone).
bool showBox(platform::NativeWindow* owner, const std::string& text, const std::string& title,
             platform::BoxKind kind) {
    if (!owner && g_mainWindow) owner = g_mainWindow->Native();
    CountOpenBox(1);
    const bool answer = platform::messageBox(owner, text, title, kind, RunBoxPump);
    CountOpenBox(-1);
    return answer;
}

}  // namespace

void CountOpenBox(int delta) {
    g_openBoxes += delta;
    if (delta < 0 && g_openBoxes == 0 && g_quitPending) {
        g_quitPending = false;
        if (g_mainWindow && g_mainWindow->Native())
            g_mainWindow->PostClose();
        else
            platform::postQuit();
    }
}

void RunBoxPump(const bool* running) {
    RunLoop(20, running);
    // The pump ended for a quit, not for the box: the outer pump must see it too.
    if (*running) platform::postQuit();
}

void ShowLastError() {
    const std::string text = platform::lastErrorText();
    showBox(nullptr, text, "Error", platform::BoxKind::Information);
}

void Note(const std::string& text, platform::NativeWindow* owner, const std::string& title) {
    showBox(owner, text, title, platform::BoxKind::Information);
}

bool Confirm(const std::string& text, platform::NativeWindow* owner, const std::string& title) {
    return showBox(owner, text, title, platform::BoxKind::YesNo);
}

}  // namespace yt
