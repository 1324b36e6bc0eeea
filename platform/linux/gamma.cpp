// Display gamma on Linux through XRandR: one display per active CRTC, named by its first output.
// CRTCs whose gamma size is not 256 get the ramp resampled by linear interpolation. The colour
// profile is the output's "_ICC_PROFILE" property, else the root window's (the ICC Profiles in X
// convention); it is named by a hash of its bytes, so a changed profile counts as a new one.
//
// The ramps are re-sent every second (to repair ramps another program changed), so that path
// costs no round trip: the CRTC list, each CRTC's output name and gamma size are kept and read
// again only when RandR reports a change of the screen, a CRTC or an output (hot-plugged or
// switched displays included), and a gamma load is a request without a reply. The connection is
// our own; its events are taken whenever the displays are enumerated, which the once-a-second
// re-send does anyway. Profiles are kept the same way: read once, and again after RandR or the
// root window reports that "_ICC_PROFILE" changed (the display table asks for them only every
// 120 s, but a display without one is asked at every load).
//
// Contents
//   1. errors on our connection
//   2. profiles
//   3. RandrDisplay: one CRTC
//   4. RandrSystem: the kept CRTC list
#include "platform/gamma.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

// Xlibint.h (for the extension error hook) defines min and max as macros: it comes after every
// C++ header, and they are taken back at once.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/extensions/Xrandr.h>
#undef min
#undef max

namespace platform {
namespace {

// ---- 1. errors on our connection --------------------------------------------------------------

// Every X error of a display system's connection is counted here instead of reaching the
// process-wide error handler (which GDK owns): the hook Xlib offers extensions, per connection.
std::map<Display*, unsigned long>& errorCounts() {
    static std::map<Display*, unsigned long> counts;
    return counts;
}

int countError(Display* display, xError*, XExtCodes*, int* answer) {
    ++errorCounts()[display];
    *answer = 0;
    return True;  // handled: the global handler is not called
}

unsigned long errorsOf(Display* display) {
    return errorCounts()[display];
}

// Waits for the server's answers to everything sent so far; true when any of them was an error
// since `before` (a count from errorsOf).
bool failedSince(Display* display, unsigned long before) {
    XSync(display, False);
    return errorsOf(display) != before;
}

// ---- 2. profiles ------------------------------------------------------------------------------

// Linear interpolation of a 256-entry channel at position x in 0..255.
uint16_t sample(const uint16_t* channel, double x) {
    const int i = static_cast<int>(x);
    if (i >= 255) return channel[255];
    const double t = x - i;
    return static_cast<uint16_t>(std::lround(channel[i] * (1 - t) + channel[i + 1] * t));
}

// A 64-bit FNV-1a hash of the profile's bytes, to name it.
uint64_t hashBytes(const unsigned char* data, size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

// Reads the 8-bit property `atom` of an output (or, with output 0, of the root window).
bool readProfileProperty(Display* display, Atom atom, RROutput output,
                         std::vector<uint8_t>* bytes) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    int status;
    const unsigned long errors = errorsOf(display);
    if (output)
        status = XRRGetOutputProperty(display, output, atom, 0, LONG_MAX / 4, False, False,
                                      AnyPropertyType, &type, &format, &items, &after, &data);
    else
        status = XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, LONG_MAX / 4,
                                    False, AnyPropertyType, &type, &format, &items, &after, &data);
    const bool ok =
        !failedSince(display, errors) && status == Success && data && format == 8 && items > 0;
    if (ok) bytes->assign(data, data + items);
    if (data) XFree(data);
    return ok;
}

// A profile as last read: valid until a change of its property is reported.
struct KeptProfile {
    bool read = false;
    std::vector<uint8_t> bytes;  // empty: none
};

// Where a display finds its profile: the system's kept copies.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    // The profile of an output, or with output 0 the root window's; empty when there is none.
    virtual const std::vector<uint8_t>& profileOf(RROutput output) = 0;
};

// ---- 3. RandrDisplay --------------------------------------------------------------------------

// What is kept of an active CRTC.
struct Active {
    std::string name;  // its first output's
    RRCrtc crtc;
    RROutput output;
    int gammaSize;
};

class RandrDisplay : public DisplayDevice {
public:
    RandrDisplay(Display* display, const Active& active, bool* stale, const bool* visiting,
                 ProfileSource* profiles)
        : display_(display),
          active_(active),
          stale_(stale),
          visiting_(visiting),
          profiles_(profiles) {}
    // A load is sent when the display is closed, or by the enumeration that opened it (one write
    // for all the displays).
    ~RandrDisplay() override {
        if (!*visiting_) XFlush(display_);
    }

    // Sent without waiting for the server: a load only fails when the CRTC went or changed its
    // gamma size, which RandR reports as an event; an error that comes anyway marks the kept
    // list stale, so the next enumeration reads it again.
    bool setGammaRamp(const uint16_t* ramp) override {
        const int size = active_.gammaSize;
        if (size <= 0) return false;
        XRRCrtcGamma* gamma = XRRAllocGamma(size);
        if (!gamma) return false;
        for (int j = 0; j < size; ++j) {
            const double x = size == 1 ? 0 : j * 255.0 / (size - 1);
            gamma->red[j] = size == 256 ? ramp[j] : sample(ramp, x);
            gamma->green[j] = size == 256 ? ramp[256 + j] : sample(ramp + 256, x);
            gamma->blue[j] = size == 256 ? ramp[512 + j] : sample(ramp + 512, x);
        }
        XRRSetCrtcGamma(display_, active_.crtc, gamma);
        XRRFreeGamma(gamma);
        return true;
    }

    bool getGammaRamp(uint16_t* ramp) override {
        const unsigned long errors = errorsOf(display_);
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display_, active_.crtc);
        if (failedSince(display_, errors) || !gamma || gamma->size <= 0) {
            if (gamma) XRRFreeGamma(gamma);
            *stale_ = true;
            return false;
        }
        const int size = gamma->size;
        for (int i = 0; i < 256; ++i) {
            const double x = size == 1 ? 0 : i * (size - 1) / 255.0;
            const int j = static_cast<int>(x);
            const int k = j + 1 < size ? j + 1 : j;
            const double t = x - j;
            auto at = [&](unsigned short* c) {
                return static_cast<uint16_t>(std::lround(c[j] * (1 - t) + c[k] * t));
            };
            ramp[i] = at(gamma->red), ramp[256 + i] = at(gamma->green),
            ramp[512 + i] = at(gamma->blue);
        }
        XRRFreeGamma(gamma);
        return true;
    }

    // From the kept profiles: a round trip only after the property changed.
    std::string profileName() override {
        std::string source = active_.name;
        profile_ = profiles_->profileOf(active_.output);
        if (profile_.empty()) {
            source = "root";
            profile_ = profiles_->profileOf(0);
            if (profile_.empty()) return {};
        }
        char name[96];
        std::snprintf(name, sizeof name, ":%016llx:%zu",
                      static_cast<unsigned long long>(hashBytes(profile_.data(), profile_.size())),
                      profile_.size());
        profileName_ = "_ICC_PROFILE:" + source + name;
        return profileName_;
    }

    // The bytes fetched by the profileName() call that gave this name.
    bool readProfile(const std::string& name, std::vector<uint8_t>* bytes) override {
        if (profile_.empty() || name != profileName_) return false;
        *bytes = profile_;
        return true;
    }

    uintptr_t handle() const override { return active_.crtc; }

private:
    Display* display_;
    Active active_;
    bool* stale_;           // the system's: set when this CRTC answered with an error
    const bool* visiting_;  // the system's: an enumeration is visiting the displays
    ProfileSource* profiles_;
    std::vector<uint8_t> profile_;
    std::string profileName_;
};

// ---- 4. RandrSystem ---------------------------------------------------------------------------

class RandrSystem : public DisplaySystem, private ProfileSource {
public:
    RandrSystem(Display* display, int eventBase, Atom profileAtom)
        : display_(display), eventBase_(eventBase), profileAtom_(profileAtom) {
        errors_ = errorsOf(display_);
    }
    ~RandrSystem() override {
        errorCounts().erase(display_);
        XCloseDisplay(display_);
    }

    void enumerate(const std::function<void(const std::string&, uintptr_t)>& visit) override {
        takeEvents();
        reread();
        // A copy: a visit may open displays, and an error it causes marks the list stale.
        const std::vector<Active> list = active_;
        const bool outer = visiting_;
        visiting_ = true;
        for (const Active& a : list)
            visit(a.name, a.crtc);
        visiting_ = outer;
        if (!visiting_) XFlush(display_);  // the loads of every display, in one write
    }

    std::unique_ptr<DisplayDevice> open(const std::string& name) override {
        // Within an enumeration, or a second later, the list is as fresh as the events say.
        reread();
        for (const Active& a : active_)
            if (a.name == name)
                return std::make_unique<RandrDisplay>(display_, a, &stale_, &visiting_,
                                                      static_cast<ProfileSource*>(this));
        return nullptr;
    }

private:
    // Takes RandR's change notices (read without waiting): the CRTC list is stale after a change
    // of the screen, a CRTC or an output; a kept profile after a change of its property.
    void takeEvents() {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == PropertyNotify) {
                if (event.xproperty.atom == profileAtom_) rootProfile_ = {};
            } else if (event.type == eventBase_ + RRNotify &&
                       reinterpret_cast<XRRNotifyEvent&>(event).subtype ==
                           RRNotify_OutputProperty) {
                const auto& changed = reinterpret_cast<XRROutputPropertyNotifyEvent&>(event);
                if (changed.property == profileAtom_) outputProfiles_.erase(changed.output);
            } else if (event.type == eventBase_ + RRScreenChangeNotify ||
                       event.type == eventBase_ + RRNotify) {
                stale_ = true;
            }
        }
    }

    // Reads the CRTC list again when it is stale, or when a request of ours failed since.
    void reread() {
        if (errorsOf(display_) != errors_) stale_ = true;
        if (!stale_) return;
        stale_ = false;
        active_ = readActive();
        outputProfiles_.clear();
        rootProfile_ = {};
        errors_ = errorsOf(display_);
    }

    const std::vector<uint8_t>& profileOf(RROutput output) override {
        KeptProfile& kept = output ? outputProfiles_[output] : rootProfile_;
        if (!kept.read) {
            kept.bytes.clear();
            if (!readProfileProperty(display_, profileAtom_, output, &kept.bytes))
                kept.bytes.clear();
            kept.read = true;
        }
        return kept.bytes;
    }

    // The CRTCs that show something, each named by its first output, with their gamma sizes.
    std::vector<Active> readActive() {
        std::vector<Active> list;
        XRRScreenResources* res =
            XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        if (!res) return list;
        for (int c = 0; c < res->ncrtc; ++c) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, res, res->crtcs[c]);
            if (!crtc) continue;
            if (crtc->mode != None && crtc->noutput > 0) {
                if (XRROutputInfo* out = XRRGetOutputInfo(display_, res, crtc->outputs[0])) {
                    list.push_back({std::string(out->name, out->nameLen), res->crtcs[c],
                                    crtc->outputs[0],
                                    XRRGetCrtcGammaSize(display_, res->crtcs[c])});
                    XRRFreeOutputInfo(out);
                }
            }
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeScreenResources(res);
        return list;
    }

    Display* display_;
    int eventBase_;
    Atom profileAtom_;
    std::vector<Active> active_;
    std::map<RROutput, KeptProfile> outputProfiles_;
    KeptProfile rootProfile_;
    bool stale_ = true;         // read the list before its next use
    bool visiting_ = false;     // enumerate is visiting the displays
    unsigned long errors_ = 0;  // the connection's error count when the list was read
};

}  // namespace

std::unique_ptr<DisplaySystem> openDisplaySystem() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
        major < 1 || (major == 1 && minor < 2)) {
        XCloseDisplay(display);
        return nullptr;
    }
    // Errors of this connection are counted, never passed to the process's handler.
    if (XExtCodes* codes = XAddExtension(display)) {
        XESetError(display, codes->extension, countError);
    }
    errorCounts()[display] = 0;
    XRRSelectInput(display, DefaultRootWindow(display),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask |
                       RROutputPropertyNotifyMask);
    XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
    const Atom profile = XInternAtom(display, "_ICC_PROFILE", False);
    return std::make_unique<RandrSystem>(display, event, profile);
}

}  // namespace platform
