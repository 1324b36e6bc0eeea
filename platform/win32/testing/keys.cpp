#include "platform/testing/keys.h"

#include <windows.h>

namespace platform::testing {

// Alt down, the key down and up, Alt up, as keyboard input of the session.
bool pressAltKey(uint32_t virtualKey) {
    INPUT inputs[4] = {};
    const WORD keys[4] = {VK_MENU, static_cast<WORD>(virtualKey), static_cast<WORD>(virtualKey),
                          VK_MENU};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        // Page Up, Page Down and End are extended keys (not the keypad's).
        inputs[i].ki.dwFlags =
            (i == 1 || i == 2 ? KEYEVENTF_EXTENDEDKEY : 0) | (i >= 2 ? KEYEVENTF_KEYUP : 0);
    }
    return SendInput(4, inputs, sizeof(INPUT)) == 4;
}

}  // namespace platform::testing
