// IUseExtras: what the extras dialog needs from the settings UI. The dialog writes the switches'
// preferences and then asks the UI to apply all of them.
#pragma once

namespace tintel {

struct IUseExtras {
    virtual ~IUseExtras() = default;
    // Applies every feature switch from the stored preferences, at once.
    virtual void applyExtras() = 0;
};

}  // namespace tintel
