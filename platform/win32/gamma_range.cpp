#include <windows.h>

#include "platform/gamma_range.h"

namespace platform {
namespace {

// Reads "GdiICMGammaRange" from one registry view; false when the key or value cannot be read.
bool readRangeValue(REGSAM view, DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM\\",
                      0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof *value;
    const LONG status = RegQueryValueExA(key, "GdiICMGammaRange", nullptr, &type,
                                         reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value;
}

}  // namespace

// On when the value exists and is not 0, in the default view or else in the 64-bit view.
bool isWideGammaRangeEnabled() {
    DWORD value = 0;
    if (readRangeValue(0, &value) || readRangeValue(KEY_WOW64_64KEY, &value)) return value != 0;
    return false;
}

bool gammaRangeSwitchable() {
    return true;
}

}  // namespace platform
