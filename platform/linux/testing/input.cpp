#include "platform/testing/input.h"

#include <X11/Xlib.h>

namespace platform::testing {

// A client message from another X client: input on the program's X connection like any other.
bool sendInput(uintptr_t window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = XInternAtom(display, "TINTEL_TEST_INPUT", False);
    event.xclient.format = 32;
    const Status sent =
        XSendEvent(display, static_cast<Window>(window), False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

}  // namespace platform::testing
