// Test support only (built into the tests, never into the program): presses a key with Alt held,
// as the user does on the keyboard, so that a global hotkey fires. Linux: XTest events on a
// connection of its own (the X server applies the program's key grabs); Windows: SendInput.
#pragma once

#include <cstdint>

namespace platform::testing {

// `virtualKey`: a Win32 virtual-key code (0x21 Page Up, 0x22 Page Down, 0x23 End). False when
// the key could not be pressed.
bool pressAltKey(uint32_t virtualKey);

}  // namespace platform::testing
