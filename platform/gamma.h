// The displays' gamma ramps: enumerate the attached displays, open one for a ramp load, set and
// read its 768-entry ramp (256 red, 256 green, 256 blue, 16 bits each), and find its colour
// profile. Windows: EnumDisplayMonitors, CreateDCA, SetDeviceGammaRamp, GetICMProfileA. Linux:
// XRandR, one display per active CRTC named by its output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr size_t kRampEntries = 768;

// A display opened for one ramp load (a device context on Windows); closed when destroyed.
class DisplayDevice {
public:
    virtual ~DisplayDevice() = default;
    // Loads a ramp; false when the display refuses it.
    virtual bool setGammaRamp(const uint16_t* ramp768) = 0;
    // Reads the loaded ramp back; false when it cannot be read.
    virtual bool getGammaRamp(uint16_t* ramp768) = 0;
    // Names the display's colour profile: a file path on Windows; on Linux an identifier of the
    // profile's bytes (it changes when they change). Empty when the display has none.
    virtual std::string profileName() = 0;
    // The bytes of the profile named by profileName(); false when it cannot be read.
    virtual bool readProfile(const std::string& name, std::vector<uint8_t>* bytes) = 0;
    // The handle for diagnostics (the device context).
    virtual uintptr_t handle() const = 0;
};

// The attached displays.
class DisplaySystem {
public:
    virtual ~DisplaySystem() = default;
    // Calls `visit` with each display's device name and monitor handle, in the platform's order.
    virtual void enumerate(
        const std::function<void(const std::string& name, uintptr_t monitor)>& visit) = 0;
    // Opens the named display for a ramp load; null when it cannot be opened.
    virtual std::unique_ptr<DisplayDevice> open(const std::string& name) = 0;
};

// The platform's displays; null when there is no display connection at all.
std::unique_ptr<DisplaySystem> openDisplaySystem();

}  // namespace platform
