// The panel backlight through the video port's LCD device ("\\.\LCD") and its brightness IOCTLs.
#include <windows.h>
#include <winioctl.h>
#include <ntddvdeo.h>

#include "platform/backlight.h"

namespace platform {
namespace {

// Closes a device handle when it goes out of scope.
class DeviceHandle {
public:
    explicit DeviceHandle(HANDLE h) : h_(h) {}
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    ~DeviceHandle() {
        if (valid()) CloseHandle(h_);
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

}  // namespace

// Asks the LCD device for its supported levels (up to 256 bytes, one level per byte) and for the
// current brightness (policy, level on mains power, level on battery). Both requests may fail on
// drivers without brightness control; the zero-filled answers then fail the level scan.
bool queryPanelBacklight(PanelBacklight* out) {
    DeviceHandle device(CreateFileA("\\\\.\\LCD", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device.valid()) return false;

    *out = PanelBacklight{};
    out->scale = PanelBacklight::Scale::LevelList;
    DWORD bytes = 0;
    // The result is not checked: an unsupported request leaves the list zero.
    DeviceIoControl(device.get(), IOCTL_VIDEO_QUERY_SUPPORTED_BRIGHTNESS, nullptr, 0,
                    out->levels.data(), static_cast<DWORD>(out->levels.size()), &bytes, nullptr);

    DISPLAY_BRIGHTNESS brightness{};
    if (!DeviceIoControl(device.get(), IOCTL_VIDEO_QUERY_DISPLAY_BRIGHTNESS, nullptr, 0,
                         &brightness, sizeof brightness, &bytes, nullptr))
        brightness = DISPLAY_BRIGHTNESS{};
    // A policy other than 0 names the battery level as the one in force.
    out->current =
        brightness.ucDisplayPolicy != 0 ? brightness.ucDCBrightness : brightness.ucACBrightness;
    return true;
}

}  // namespace platform
