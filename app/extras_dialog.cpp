// ExtrasDlg (template 110) and TintelUI::openExtras, the tray command "Extras...".
#include "app/extras_dialog.h"

#include <array>
#include <utility>

#include "app/dialog_templates.h"
#include "app/tintel_ui.h"

namespace tintel {

ExtrasDlg::ExtrasDlg(IUseExtras* extras)
    : ytModalDialog(kExtrasDialog),
      extras_(extras),
      webcam_(kPreferences, "webcam", 0),
      candle_(kPreferences, "candle", 0),
      backlight_(kPreferences, "backlight", 1),
      usertrack_(kPreferences, "usertrack", 0),
      ck_(kPreferences, "CK", 0),
      hue_(kPreferences, "Hue", 0),
      huepoll_(kPreferences, "huepoll", 0),
      hotkeys_(kPreferences, "hotkeys", 1) {}

std::array<std::pair<RegDword*, int>, 8> ExtrasDlg::boxes() {
    return {{{&webcam_, kIdExtrasWebcam},
             {&candle_, kIdExtrasCandle},
             {&backlight_, kIdExtrasBacklight},
             {&usertrack_, kIdExtrasUserTrack},
             {&ck_, kIdExtrasCK},
             {&hue_, kIdExtrasHue},
             {&huepoll_, kIdExtrasHuePoll},
             {&hotkeys_, kIdExtrasHotkeys}}};
}

void ExtrasDlg::enableHuePoll() {
    Window()->enable(kIdExtrasHuePoll, hue_.read() != 0);
}

bool ExtrasDlg::OnInitDialog(platform::RunningDialog* window) {
    ytModalDialog::OnInitDialog(window);
    for (const auto& [value, id] : boxes())
        window->setChecked(id, value->read() != 0);
    enableHuePoll();
    return true;
}

intptr_t ExtrasDlg::OnCommand(uint32_t code, uint32_t id, intptr_t control) {
    if (id == kIdExtrasReadMore) return 0;
    if (platform::RunningDialog* window = Window()) {
        // Hidden boxes hold the values read on opening, so those switches keep what is stored.
        for (const auto& [value, box] : boxes())
            value->write(window->isChecked(box) ? 1 : 0);
        enableHuePoll();
        if (extras_) extras_->applyExtras();
    }
    return ytModalDialog::OnCommand(code, id, control);
}

void TintelUI::openExtras() {
    ExtrasDlg dialog(this);
    dialog.DoModal(Window());
}

}  // namespace tintel
