// Display gamma on Linux through XRandR: one display per active CRTC, named by its first output.
// CRTCs whose gamma size is not 256 get the ramp resampled by linear interpolation. The colour
// profile is the output's "_ICC_PROFILE" property, else the root window's (the ICC Profiles in X
// convention); it is named by a hash of its bytes, so a changed profile counts as a new one.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gamma.h"

namespace platform {
namespace {

// Catches the X errors of one request (a refused gamma load arrives as an asynchronous error).
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        failed_ = false;
        previous_ = XSetErrorHandler(onError);
    }
    ~ErrorTrap() { XSetErrorHandler(previous_); }
    // Waits for the server's answers and tells whether any request failed.
    bool failed() {
        XSync(display_, False);
        return failed_;
    }

private:
    static int onError(Display*, XErrorEvent*) {
        failed_ = true;
        return 0;
    }
    Display* display_;
    XErrorHandler previous_;
    static inline bool failed_ = false;
};

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

// Reads an 8-bit property of an output (or, with output 0, of the root window).
bool readProfileProperty(Display* display, RROutput output, std::vector<uint8_t>* bytes) {
    const Atom atom = XInternAtom(display, "_ICC_PROFILE", True);
    if (atom == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    int status;
    ErrorTrap trap(display);
    if (output)
        status = XRRGetOutputProperty(display, output, atom, 0, LONG_MAX / 4, False, False,
                                      AnyPropertyType, &type, &format, &items, &after, &data);
    else
        status = XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, LONG_MAX / 4,
                                    False, AnyPropertyType, &type, &format, &items, &after, &data);
    const bool ok = !trap.failed() && status == Success && data && format == 8 && items > 0;
    if (ok) bytes->assign(data, data + items);
    if (data) XFree(data);
    return ok;
}

class RandrDisplay : public DisplayDevice {
public:
    RandrDisplay(Display* display, RRCrtc crtc, RROutput output, std::string name)
        : display_(display), crtc_(crtc), output_(output), name_(std::move(name)) {}

    bool setGammaRamp(const uint16_t* ramp) override {
        const int size = XRRGetCrtcGammaSize(display_, crtc_);
        if (size <= 0) return false;
        XRRCrtcGamma* gamma = XRRAllocGamma(size);
        if (!gamma) return false;
        for (int j = 0; j < size; ++j) {
            const double x = size == 1 ? 0 : j * 255.0 / (size - 1);
            gamma->red[j] = size == 256 ? ramp[j] : sample(ramp, x);
            gamma->green[j] = size == 256 ? ramp[256 + j] : sample(ramp + 256, x);
            gamma->blue[j] = size == 256 ? ramp[512 + j] : sample(ramp + 512, x);
        }
        ErrorTrap trap(display_);
        XRRSetCrtcGamma(display_, crtc_, gamma);
        const bool ok = !trap.failed();
        XRRFreeGamma(gamma);
        return ok;
    }

    bool getGammaRamp(uint16_t* ramp) override {
        ErrorTrap trap(display_);
        XRRCrtcGamma* gamma = XRRGetCrtcGamma(display_, crtc_);
        if (trap.failed() || !gamma || gamma->size <= 0) {
            if (gamma) XRRFreeGamma(gamma);
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

    std::string profileName() override {
        profile_.clear();
        std::string source = name_;
        if (!readProfileProperty(display_, output_, &profile_)) {
            source = "root";
            if (!readProfileProperty(display_, 0, &profile_)) return {};
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

    uintptr_t handle() const override { return crtc_; }

private:
    Display* display_;
    RRCrtc crtc_;
    RROutput output_;
    std::string name_;
    std::vector<uint8_t> profile_;
    std::string profileName_;
};

class RandrSystem : public DisplaySystem {
public:
    explicit RandrSystem(Display* display) : display_(display) {}
    ~RandrSystem() override { XCloseDisplay(display_); }

    void enumerate(const std::function<void(const std::string&, uintptr_t)>& visit) override {
        // A display opened while it is being visited (as every ramp load does) is found in this
        // list: asking the server for all CRTCs again would cost five round trips per display.
        const std::vector<Active> list = active();
        const std::vector<Active>* outer = visiting_;
        visiting_ = &list;
        for (const Active& a : list)
            visit(a.name, a.crtc);
        visiting_ = outer;
    }

    std::unique_ptr<DisplayDevice> open(const std::string& name) override {
        std::vector<Active> fresh;
        if (!visiting_) fresh = active();
        for (const Active& a : visiting_ ? *visiting_ : fresh)
            if (a.name == name)
                return std::make_unique<RandrDisplay>(display_, a.crtc, a.output, a.name);
        return nullptr;
    }

private:
    struct Active {
        std::string name;
        RRCrtc crtc;
        RROutput output;
    };

    // The CRTCs that show something, each named by its first output.
    std::vector<Active> active() {
        std::vector<Active> list;
        XRRScreenResources* res =
            XRRGetScreenResourcesCurrent(display_, DefaultRootWindow(display_));
        if (!res) return list;
        for (int c = 0; c < res->ncrtc; ++c) {
            XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, res, res->crtcs[c]);
            if (!crtc) continue;
            if (crtc->mode != None && crtc->noutput > 0) {
                if (XRROutputInfo* out = XRRGetOutputInfo(display_, res, crtc->outputs[0])) {
                    list.push_back(
                        {std::string(out->name, out->nameLen), res->crtcs[c], crtc->outputs[0]});
                    XRRFreeOutputInfo(out);
                }
            }
            XRRFreeCrtcInfo(crtc);
        }
        XRRFreeScreenResources(res);
        return list;
    }

    Display* display_;
    const std::vector<Active>* visiting_ = nullptr;  // the list enumerate is visiting, if any
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
    return std::make_unique<RandrSystem>(display);
}

}  // namespace platform
