// Display gamma on Windows: EnumDisplayMonitors over the whole desktop, a device context per
// monitor from CreateDCA("DISPLAY", device name), SetDeviceGammaRamp, and the profile path from
// GetICMProfileA. (The DirectDraw device-identifier query of older builds is left out: nothing
// relied on it.)
#include <windows.h>

#include <fstream>
#include <iterator>

#include "platform/gamma.h"

namespace platform {
namespace {

class GdiDisplay : public DisplayDevice {
public:
    explicit GdiDisplay(HDC dc) : dc_(dc) {}
    ~GdiDisplay() override { DeleteDC(dc_); }

    bool setGammaRamp(const uint16_t* ramp) override {
        return SetDeviceGammaRamp(dc_, const_cast<uint16_t*>(ramp)) != FALSE;
    }
    bool getGammaRamp(uint16_t* ramp) override { return GetDeviceGammaRamp(dc_, ramp) != FALSE; }

    std::string profileName() override {
        char path[1024];
        DWORD size = sizeof path;
        if (!GetICMProfileA(dc_, &size, path)) return {};
        return path;
    }

    bool readProfile(const std::string& name, std::vector<uint8_t>* bytes) override {
        std::ifstream file(name, std::ios::binary);
        if (!file) return false;
        bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return true;
    }

    uintptr_t handle() const override { return reinterpret_cast<uintptr_t>(dc_); }

private:
    HDC dc_;
};

class GdiSystem : public DisplaySystem {
public:
    void enumerate(const std::function<void(const std::string&, uintptr_t)>& visit) override {
        struct Context {
            const std::function<void(const std::string&, uintptr_t)>* visit;
        } context{&visit};
        EnumDisplayMonitors(
            nullptr, nullptr,
            [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
                MONITORINFOEXA info{};
                info.cbSize = sizeof info;
                if (GetMonitorInfoA(monitor, &info))
                    (*reinterpret_cast<Context*>(data)->visit)(
                        info.szDevice, reinterpret_cast<uintptr_t>(monitor));
                return TRUE;  // always on to the next monitor
            },
            reinterpret_cast<LPARAM>(&context));
    }

    std::unique_ptr<DisplayDevice> open(const std::string& name) override {
        HDC dc = CreateDCA("DISPLAY", name.c_str(), nullptr, nullptr);
        if (!dc) return nullptr;
        return std::make_unique<GdiDisplay>(dc);
    }
};

}  // namespace

std::unique_ptr<DisplaySystem> openDisplaySystem() {
    return std::make_unique<GdiSystem>();
}

}  // namespace platform
