// The four dialog templates in one description. Both builds make their dialogs from it: Windows
// as an in-memory DLGTEMPLATEEX, Linux as a GTK window laid out in the same dialog units.
#include "app/dialog_templates.h"

namespace tintel {
namespace {

using platform::ControlKind;
using platform::DialogTemplate;
using platform::kAutoScroll;
using platform::kCentered;
using platform::kDisabled;
using platform::kHidden;
using platform::kNoControlId;

DialogTemplate locationDialog() {
    return {kLocationDialog,
            "Where am I?",
            "Arial",
            10,
            219,
            220,
            {
                {ControlKind::Icon, kNoControlId, "", 7, 7, 18, 16},
                {ControlKind::Static, kNoControlId,
                 "Tintel needs to know where you are to work properly. (The nearest city will "
                 "do.)",
                 28, 7, 181, 16},
                {ControlKind::Static, kNoControlId, "Please enter a zipcode or location:", 7, 33,
                 205, 11},
                {ControlKind::Edit, kIdLocationText, "", 7, 46, 157, 12, kAutoScroll},
                {ControlKind::PushButton, kIdLocationSearch, "Search", 168, 45, 44, 14},
                {ControlKind::Static, kIdLocationStatus, "", 7, 65, 205, 10, kCentered},
                {ControlKind::Frame, kIdLocationMap, "", 7, 81, 205, 82},
                {ControlKind::Static, kNoControlId,
                 "Examples: \"90210\" or \"25N 32W\" or \"New York City\"", 7, 178, 205, 8,
                 kCentered | kDisabled},
                {ControlKind::DefPushButton, platform::kIdOk, "OK", 105, 198, 50, 14, kDisabled},
                {ControlKind::PushButton, platform::kIdCancel, "Cancel", 162, 198, 50, 14},
            }};
}

// The hidden switches sit below the visible ones, where they would be if shown.
DialogTemplate extrasDialog() {
    return {kExtrasDialog,
            "Tintel extras",
            "Arial",
            10,
            247,
            163,
            {
                {ControlKind::CheckBox, kIdExtrasBacklight,
                 "Make screen warmer as your backlight dims", 7, 7, 233, 10},
                {ControlKind::CheckBox, kIdExtrasHotkeys,
                 "Use hotkeys (Alt-PgDn, Alt-PgUp, Alt-End) to control brightness", 7, 21, 233, 10},
                {ControlKind::CheckBox, kIdExtrasHue, "Control Philips Hue lights", 7, 35, 233, 10},
                {ControlKind::Static, kNoControlId,
                 "If a Hue system is found, you will also need to pair it with Tintel. Push the "
                 "button on the Hue hub when your computer beeps.",
                 19, 47, 221, 26},
                {ControlKind::CheckBox, kIdExtrasCK,
                 "Control Philips ColorKinetics intelliWhite fixtures on your LAN", 7, 76, 233, 10},
                {ControlKind::CheckBox, kIdExtrasHuePoll,
                 "Use Hue with a lightswitch (notice changes)", 19, 90, 221, 10, kHidden},
                {ControlKind::CheckBox, kIdExtrasUserTrack, "Make a cool graph", 7, 102, 233, 10,
                 kHidden},
                {ControlKind::CheckBox, kIdExtrasWebcam,
                 "Use a webcam to detect color in your room", 7, 114, 233, 10, kHidden},
                {ControlKind::CheckBox, kIdExtrasCandle,
                 "Flicker like a candle (toggle using 'C' key)", 7, 126, 233, 10, kHidden},
                {ControlKind::PushButton, kIdExtrasReadMore, "Discuss and Read More", 7, 142, 90,
                 14, kHidden},
                {ControlKind::DefPushButton, platform::kIdOk, "Done", 190, 142, 50, 14},
            }};
}

DialogTemplate updateDialog() {
    return {kUpdateDialog,
            "Tintel has an update available. Get it now?",
            "Arial",
            10,
            224,
            103,
            {
                {ControlKind::Icon, kNoControlId, "", 7, 7, 18, 16},
                {ControlKind::Static, kIdUpdateMessage, "", 34, 7, 183, 69},
                {ControlKind::DefPushButton, platform::kIdOk, "Update Now", 97, 82, 66, 14},
                {ControlKind::PushButton, platform::kIdCancel, "Later", 167, 82, 50, 14},
                {ControlKind::PushButton, kIdUpdateSkip, "Skip", 7, 82, 50, 14},
            }};
}

DialogTemplate restartDialog() {
    return {kRestartDialog,
            "Tintel feature unlocked!",
            "Arial",
            10,
            223,
            82,
            {
                {ControlKind::Icon, kNoControlId, "", 7, 7, 18, 16},
                {ControlKind::Static, kNoControlId,
                 "Your computer is now ready to use a wider color range with Tintel, including "
                 "incandescent and candle modes. Restart your computer now to check it out?",
                 34, 7, 182, 48},
                {ControlKind::DefPushButton, platform::kIdOk, "Restart Now", 99, 61, 64, 14},
                {ControlKind::PushButton, platform::kIdCancel, "Later", 166, 61, 50, 14},
            }};
}

}  // namespace

const std::vector<platform::DialogTemplate>& DialogTemplates() {
    static const std::vector<platform::DialogTemplate> templates = {
        locationDialog(), extrasDialog(), updateDialog(), restartDialog()};
    return templates;
}

}  // namespace tintel
