// A probe for the end-to-end tests, built for both platforms (run under Wine for Windows):
//   ramp_probe get         one line per display: its name, a tab, and its 768 ramp entries as the
//                          platform reads them back (XRandR CRTC gamma; GetDeviceGammaRamp)
//   ramp_probe expect K    the 768 entries the program loads for K kelvin at full brightness, no
//                          darkroom, no movie mode, on a display without a calibration curve
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour/colour_temperature.h"
#include "colour/gamma_ramp.h"
#include "platform/gamma.h"

namespace {

void printRamp(const uint16_t* ramp) {
    for (size_t i = 0; i < platform::kRampEntries; ++i)
        std::printf("%s%u", i ? " " : "", ramp[i]);
    std::printf("\n");
}

int get() {
    auto system = platform::openDisplaySystem();
    if (!system) return 1;
    std::vector<std::string> names;
    system->enumerate([&](const std::string& name, uintptr_t) { names.push_back(name); });
    for (const std::string& name : names) {
        auto device = system->open(name);
        tintel::GammaRamp ramp{};
        if (!device || !device->getGammaRamp(ramp.data())) return 1;
        std::printf("%s\t", name.c_str());
        printRamp(ramp.data());
    }
    return names.empty() ? 1 : 0;
}

int expect(double kelvin) {
    // The colour setter's own steps at brightness 1: multipliers at most 1, red at least 0.2.
    float r, g, b;
    tintel::kelvinToRgb(static_cast<float>(kelvin), r, g, b);
    r = std::fmin(std::fmax(r, 0.2f), 1.0f), g = std::fmin(g, 1.0f), b = std::fmin(b, 1.0f);
    tintel::GammaRamp ramp;
    tintel::buildGammaRamp(ramp, 1.0f, r, g, b);
    printRamp(ramp.data());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "get") return get();
    if (argc == 3 && std::string(argv[1]) == "expect") return expect(std::atof(argv[2]));
    std::fputs("usage: ramp_probe get | expect KELVIN\n", stderr);
    return 2;
}
