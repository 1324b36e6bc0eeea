// The program's dialog templates (its resource module): 109 location, 110 extras, 111 update,
// 112 restart, each with its controls, ids, texts, styles and positions in dialog units.
#pragma once

#include <vector>

#include "platform/dialog.h"

namespace tintel {

constexpr int kLocationDialog = 109;
constexpr int kExtrasDialog = 110;
constexpr int kUpdateDialog = 111;
constexpr int kRestartDialog = 112;

// Control ids of the templates.
enum DialogControlId : int {
    // 109
    kIdLocationText = 1000,
    kIdLocationStatus = 1001,
    kIdLocationSearch = 1002,
    kIdLocationMap = 1014,
    // 110
    kIdExtrasCK = 1003,
    kIdExtrasWebcam = 1004,
    kIdExtrasHue = 1005,
    kIdExtrasReadMore = 1006,
    kIdExtrasCandle = 1007,
    kIdExtrasBacklight = 1009,
    kIdExtrasUserTrack = 1010,
    kIdExtrasHuePoll = 1011,
    kIdExtrasHotkeys = 1012,
    // 111
    kIdUpdateMessage = 1007,
    kIdUpdateSkip = 3,
};

// All four, in one table; the toolkit looks DoModal's identifier up in it.
const std::vector<platform::DialogTemplate>& DialogTemplates();

}  // namespace tintel
