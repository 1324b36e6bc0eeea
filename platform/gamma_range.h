// The platform's extended gamma range setting: reading it, switching it (administrator rights,
// elevation, both registry views) and the restart that makes a change take effect.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// True when the platform's wider gamma range is switched on. Always true where the platform puts
// no limit on gamma ramps (X11): every temperature is available there.
bool isWideGammaRangeEnabled();
// Whether the range is a setting that can be switched at all (Windows); false where it is always
// open (Linux), so there is nothing to restore or ask about.
bool gammaRangeSwitchable();

// Writes 256 (on) to, or deletes (off) from, the machine-wide "GdiICMGammaRange" value in the
// program's default registry view and in the 64-bit view. True when the key could be created or
// opened in both views.
bool writeWideGammaRange(bool on);

// A failing platform call, with the platform's error code.
class PlatformError : public std::runtime_error {
public:
    PlatformError(const std::string& what, uint32_t code) : std::runtime_error(what), code_(code) {}
    uint32_t code() const { return code_; }

private:
    uint32_t code_;
};

// Membership of the built-in Administrators group, tested against the calling thread's or
// process's token. Throws PlatformError when the check itself fails.
bool isUserAdministrator();
// The platform's major version (6 and up ask for elevation; 0 where it means nothing).
int platformMajorVersion();
// Starts the program's own executable again elevated (the "runas" verb) with `parameters` and a
// normal window; with `wait`, returns once that copy has ended. False when it could not be
// started (refused by the user, say).
bool startElevated(const std::string& parameters, bool wait);
// Restarts the computer (planned, operating system reconfiguration): 0 when the platform took the
// request, -1 otherwise.
int32_t restartComputer();

}  // namespace platform
