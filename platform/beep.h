// The system's default message beep (pairing a light bridge asks the user to act by it).
#pragma once

namespace platform {

// Sounds the beep; may be called from any thread. Windows: MessageBeep. Linux: the display's
// bell through GDK, rung on the main loop's thread (GDK is not thread-safe).
void beep();

}  // namespace platform
