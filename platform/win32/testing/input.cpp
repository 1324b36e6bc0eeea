#include "platform/testing/input.h"

#include <windows.h>

namespace platform::testing {

// The notification icon's callback message, as the shell posts it for a click.
bool sendInput(uintptr_t window) {
    return PostMessageA(reinterpret_cast<HWND>(window), 0x8002, 0, WM_LBUTTONUP) != 0;
}

}  // namespace platform::testing
