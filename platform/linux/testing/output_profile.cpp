#include "platform/testing/output_profile.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace platform::testing {
namespace {

bool g_failed = false;
int onError(Display*, XErrorEvent*) {
    g_failed = true;
    return 0;
}

}  // namespace

bool setOutputProfile(const std::string& output, const std::vector<uint8_t>& bytes) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    RROutput found = None;
    for (int i = 0; res && i < res->noutput && found == None; ++i) {
        if (XRROutputInfo* info = XRRGetOutputInfo(display, res, res->outputs[i])) {
            if (output == std::string(info->name, info->nameLen)) found = res->outputs[i];
            XRRFreeOutputInfo(info);
        }
    }
    if (res) XRRFreeScreenResources(res);
    bool ok = false;
    if (found != None) {
        const Atom atom = XInternAtom(display, "_ICC_PROFILE", False);
        XSync(display, False);
        g_failed = false;
        const XErrorHandler previous = XSetErrorHandler(onError);
        if (bytes.empty())
            XRRDeleteOutputProperty(display, found, atom);
        else
            XRRChangeOutputProperty(display, found, atom, XA_CARDINAL, 8, PropModeReplace,
                                    bytes.data(), static_cast<int>(bytes.size()));
        XSync(display, False);
        XSetErrorHandler(previous);
        // Deleting a profile the output does not have is an error to the server, not to us.
        ok = bytes.empty() || !g_failed;
    }
    XCloseDisplay(display);
    return ok;
}

}  // namespace platform::testing
