// Test support only (built into the tests, never into the program): delivers input to a window
// from outside the pump's thread, as the desktop delivers a notification-area click. Windows: the
// icon's callback message (0x8002, WM_LBUTTONUP) posted to the window; Linux: an X client message
// sent to the window over a second connection to the X server (arriving on GDK's connection).
#pragma once

#include <cstdint>

namespace platform::testing {

// `window`: the native handle (NativeWindow::nativeHandle). False when nothing could be sent.
bool sendInput(uintptr_t window);

}  // namespace platform::testing
