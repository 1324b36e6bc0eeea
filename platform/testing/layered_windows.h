// Test support only: makes the window host behave as on a system without per-pixel window alpha
// (Windows: as if "SetLayeredWindowAttributes" and "UpdateLayeredWindow" were missing from
// user32.dll; Linux: as if no compositor ran). It holds for windows created afterwards and for
// the rest of the process, as a missing function would.
#pragma once

namespace platform::testing {

void forgetPerPixelAlpha();

}  // namespace platform::testing
