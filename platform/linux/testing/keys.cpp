#include "platform/testing/keys.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace platform::testing {

// Alt down, the key down and up, Alt up, through the XTest extension.
bool pressAltKey(uint32_t virtualKey) {
    KeySym symbol = NoSymbol;
    switch (virtualKey) {
        case 0x21:
            symbol = XK_Prior;
            break;
        case 0x22:
            symbol = XK_Next;
            break;
        case 0x23:
            symbol = XK_End;
            break;
        default:
            return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    bool ok = XTestQueryExtension(display, &event, &error, &major, &minor);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    const KeyCode key = XKeysymToKeycode(display, symbol);
    if (ok && alt && key) {
        ok = XTestFakeKeyEvent(display, alt, True, CurrentTime) &&
             XTestFakeKeyEvent(display, key, True, CurrentTime) &&
             XTestFakeKeyEvent(display, key, False, CurrentTime) &&
             XTestFakeKeyEvent(display, alt, False, CurrentTime);
    } else {
        ok = false;
    }
    XSync(display, False);
    XCloseDisplay(display);
    return ok;
}

}  // namespace platform::testing
