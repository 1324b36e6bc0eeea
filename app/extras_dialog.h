// ExtrasDlg: the feature switches of template 110, each a preference written and applied at once.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "app/prefs.h"
#include "app/use_extras.h"
#include "toolkit/dialog.h"

namespace tintel {

class ExtrasDlg : public yt::ytModalDialog {
public:
    explicit ExtrasDlg(IUseExtras* extras);

    // Every check box from its preference; 1011 enabled only while "Hue" is on.
    bool OnInitDialog(platform::RunningDialog* window) override;
    // Any command but 1006 writes every preference from its check box, enables 1011 by "Hue"
    // and applies the switches; "Done" then closes the dialog.
    intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control) override;

private:
    void enableHuePoll();
    // Each switch's preference with its check box.
    std::array<std::pair<RegDword*, int>, 8> boxes();

    IUseExtras* extras_;
    // In the order the switches are kept: one preference per check box.
    RegDword webcam_, candle_, backlight_, usertrack_, ck_, hue_, huepoll_, hotkeys_;
};

}  // namespace tintel
