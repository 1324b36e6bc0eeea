// The settings window's side of TintelUI: the layout "tintel" and its named nodes, the sun arc
// and the day curve, the sun and the moon, clicks, slider drags and keys, hiding with a fade, and
// the notification overlay.
//
// Contents
//   1. helpers: node lookups, the antialiased dot
//   2. building: postConstruct, buildPanel, the warm area, the day curve
//   3. keeping the nodes current: sliders, labels, sun and moon, status
//   4. input: OnEvent, HandleKey
//   5. hiding, and the overlay
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "app/controller.h"
#include "app/day_night.h"
#include "app/magic_token.h"
#include "app/panel.h"
#include "app/tintel_ui.h"
#include "colour/sun_schedule.h"
#include "location/coordinates.h"
#include "toolkit/button_node.h"
#include "toolkit/nodes.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

// The panel's pi, as the sun arc has always been drawn with it.
constexpr double kPi = 3.141592653589;
// The day curve: the sky between the horizon and the sun's path, and the path itself.
constexpr uint32_t kCurveFill = 0xAF9F9E9Cu;
constexpr uint32_t kCurveLine = 0xBFBFBFBFu;
constexpr double kFadeSeconds = 0.5;

yt::ytDrawNode* node(const char* name) {
    return yt::Resources().FindNode(name);
}

yt::ytButtonNode* buttonNode(const char* name) {
    return yt::Resources().FindButton(name);
}

void setText(const char* name, const std::string& text) {
    yt::ytTextNode* t = yt::Resources().FindText(name);
    if (t && t->text() != text) t->SetText(text);
}

void setShown(yt::ytDrawNode* n, bool shown) {
    if (n && n->hidden() == shown) n->SetVisible(shown);
}

// Lightens the pixel towards premultiplied `colour` at `coverage` (0 .. 1), channel by channel:
// overlapping dots of neighbouring columns then never add up beyond the line's own colour.
void lightenPixel(uint32_t& pixel, uint32_t colour, double coverage) {
    const double c = std::clamp(coverage, 0.0, 1.0);
    if (c <= 0) return;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto s = static_cast<uint32_t>(std::lround(((colour >> shift) & 0xFF) * c));
        out |= std::max(s, (pixel >> shift) & 0xFF) << shift;
    }
    pixel = out;
}

// A dot of radius 1.5 centred on the pixel (x, y), its edge antialiased by the distance of each
// pixel's centre from the dot's.
void drawDot(yt::ytBitmap& bitmap, int x, int y, uint32_t colour) {
    constexpr double kRadius = 1.5;
    for (int py = y - 2; py <= y + 2; ++py) {
        if (py < 0 || py >= bitmap.height()) continue;
        for (int px = x - 2; px <= x + 2; ++px) {
            if (px < 0 || px >= bitmap.width()) continue;
            const double d = std::hypot(px - x, py - y);
            lightenPixel(bitmap.row(py)[px], colour, kRadius + 0.5 - d);
        }
    }
}

}  // namespace

// ---- 2. building --------------------------------------------------------------------------------

void TintelUI::postConstruct() {
    yt::ytResourceTable& table = yt::Resources();
    if (table.LoadArtwork("tintel", this) == 0) table.LoadLayout("tintel");
    if (yt::ytDrawNode* day = node("tintel/slider1")) yt::ytSliderHandler::SetValue(day, 1.0f);
    if (yt::ytDrawNode* night = node("tintel/slider2")) yt::ytSliderHandler::SetValue(night, 0.0f);
    if (slowTransitions_) {
        table.PressButton("tintel/slow");
    } else if (yt::ytButtonNode* fast = buttonNode("tintel/fast")) {
        // The radio pair shows the stored choice either way.
        fast->SetChecked(true);
    }
}

void TintelUI::buildPanel() {
    SunTimes sun;
    localSunTimes(readLocalTime(*localClock_, 0), latitude_, longitude_, *localClock_, sun);
    // A twelve-hour day gives phase 0: the horizon at half height and a plain sine.
    sunArcPhase_ = SunArcPhase(sun.sunset - sun.sunrise);
    sunArcSine_ = std::sin(sunArcPhase_);
    layOutWarmArea(horizon());
    drawDayCurve();

    const LocationRecord here{zipCode_, latitude_, longitude_};
    setText("tintel/loc", "Location: " + FormatCoordinates(here, RegionName::Omit, nullptr,
                                                           CoordinateForm::Long));
    setText("tintel/latitude", "Your location: " + FormatCoordinates(here, RegionName::Omit,
                                                                     " (Click to set Location)",
                                                                     CoordinateForm::Long));

    // Without a location the change-location toggle calls for attention and the window does
    // not hide on deactivation.
    const bool noLocation = longitude_ == 0;
    if (yt::ytButtonNode* toggle = buttonNode("tintel/changeloc2")) toggle->SetChecked(noLocation);
    autoHide_ = !noLocation;

    updateSliderLabels();
    applyExtras();

    if (!overlay_) {
        overlay_ = std::make_unique<MagicTokenWindow>(clock_);
        animated_.push_back(&overlay_->token()->level());
    }
}

void TintelUI::layOutWarmArea(double horizon) {
    yt::ytDrawNode* warm = node("tintel/warm");
    yt::ytDrawNode* parent = warm ? warm->parent() : nullptr;
    if (!parent) return;
    const yt::ytRectF area = parent->LocalBounds();
    const float top = area.top + static_cast<float>(area.height() * horizon);
    const float width = area.width(), height = area.bottom - top;
    warm->ClearConstraints();
    if (auto* rect = dynamic_cast<yt::ytColorRectNode*>(warm)) {
        rect->SetSize(width, height);
        warm->SetPosition(area.left, top);
    } else if (auto* frame = dynamic_cast<yt::ytDecRectNode*>(warm)) {
        frame->SetSize(width, height);
        warm->SetPosition(area.left, top);
    } else {
        // Anything else is stretched over the rectangle from its own extent.
        const yt::ytRectF own = warm->LocalBounds();
        if (own.width() <= 0 || own.height() <= 0) return;
        const float sx = width / own.width(), sy = height / own.height();
        warm->SetStretch(sx, sy);
        warm->SetPosition(area.left - own.left * sx, top - own.top * sy);
    }
}

void TintelUI::drawDayCurve() {
    yt::ytBitmapNode* wave = yt::Resources().FindBitmap("tintel/wave");
    if (!wave || wave->bitmap().empty()) return;
    yt::ytBitmap bitmap = wave->bitmap();
    DrawDayCurve(bitmap, sunArcPhase_);
    wave->SetBitmap(std::move(bitmap));
}

double SunArcPhase(double dayMinutes) {
    return (1.0 - dayMinutes / 720.0) * kPi / 2.0;
}

double SunArcHorizon(double phase) {
    return 0.5 - 0.4 * std::sin(phase);
}

void DrawDayCurve(yt::ytBitmap& bitmap, double phase) {
    const int w = bitmap.width(), h = bitmap.height();
    if (w <= 0 || h <= 0) return;
    std::fill(bitmap.pixels(), bitmap.pixels() + static_cast<size_t>(w) * h, 0u);
    const int top = static_cast<int>(h * SunArcHorizon(phase));
    for (int x = 0; x < w; ++x) {
        const double curve = 0.5 - 0.4 * std::sin(2.0 * kPi * x / w + phase);
        const int y = static_cast<int>(std::lround(h * curve));
        const int from = std::max(std::min(top, y), 0), to = std::min(std::max(top, y), h - 1);
        for (int row = from; row <= to; ++row)
            bitmap.row(row)[x] = kCurveFill;
        drawDot(bitmap, x, y, kCurveLine);
        if (y >= 0 && y < h) bitmap.row(y)[x] = kCurveLine;
    }
}

// ---- 3. keeping the nodes current ---------------------------------------------------------------

void TintelUI::updateSliderLabels() {
    char text[16];
    std::snprintf(text, sizeof text, "%dK", static_cast<int>(day_));
    setText("tintel/daytext", text);
    std::snprintf(text, sizeof text, "%dK", static_cast<int>(night_));
    setText("tintel/nighttext", text);
    if (yt::ytDrawNode* day = node("tintel/slider1"))
        yt::ytSliderHandler::SetValue(day, static_cast<float>(sliderPosition(day_)));
    if (yt::ytDrawNode* night = node("tintel/slider2"))
        yt::ytSliderHandler::SetValue(night, static_cast<float>(sliderPosition(night_)));
    if (Window()) Invalidate({-1, -1, -1, -1});
}

bool TintelUI::updateSunMoon(double now, double sunrise, double sunset, bool* isDay) {
    double a = now - sunrise;
    if (a < 0) a += 1440;
    if (a > 1440) a -= 1440;
    *isDay = a < sunset - sunrise;
    const double x = a / 1440.0;
    const double y = 0.5 - 0.4 * std::sin(2.0 * kPi * x + sunArcPhase_);
    yt::ytDrawNode* sunNode = node("tintel/sun");
    yt::ytDrawNode* moonNode = node("tintel/moon");
    setShown(sunNode, *isDay);
    setShown(moonNode, !*isDay);
    PicturePlace& picture = *isDay ? sun_ : moon_;
    if (picture.placed && std::fabs(picture.x - x) <= 0.002 && std::fabs(picture.y - y) <= 0.002)
        return false;
    picture = {true, x, y};
    if (yt::ytDrawNode* shown = *isDay ? sunNode : moonNode) {
        // The picture's centre at the relative position (x, y) of its parent.
        shown->ClearConstraints();
        shown->AddConstraint(yt::Axis::kX, yt::ytConstraint::Rule(0.5f, static_cast<float>(x), 0));
        shown->AddConstraint(yt::Axis::kY, yt::ytConstraint::Rule(0.5f, static_cast<float>(y), 0));
    }
    return true;
}

void TintelUI::refreshPanelNodes() {
    setText("tintel/hours", statusLine_);
    // The temperature the displays show now, large (while a slider is dragged: the dragged one).
    const double shown = currentOutput_ > 0 ? currentOutput_ : 1000000.0 / colour_.finalValue();
    char kelvin[16];
    std::snprintf(kelvin, sizeof kelvin, "%dK", static_cast<int>(std::lround(shown)));
    setText("tintel/current", kelvin);
    setShown(node("tintel/previewlabel"), previewLabelShown_);
    if (yt::ytButtonNode* toggle = buttonNode("tintel/disable");
        toggle && toggle->checked() != disableToggle_)
        toggle->SetChecked(disableToggle_);
    yt::ytDrawNode* expand = node("tintel/expandcolor");
    setShown(expand, expandColourShown_);
    if (auto* button = dynamic_cast<yt::ytButtonNode*>(expand);
        button && expandColourShown_ && !button->checked())
        button->SetChecked(true);
}

// ---- 4. input -----------------------------------------------------------------------------------

intptr_t TintelUI::OnEvent(yt::ytMessage& message) {
    const std::string name = message.source ? yt::Resources().GetNodeName(message.source) : "";
    const bool day = name == "tintel/slider1", night = name == "tintel/slider2";
    switch (message.eventType) {
        case yt::ButtonClicked:
            if (name.rfind("tintel/", 0) == 0) {
                onPanelClick(name, message.source);
                return base::kHandled;
            }
            break;
        case yt::ValueChanged:
            if (day || night) {
                float position = 0;
                yt::ytSliderHandler::GetValue(message.source, &position);
                sliderChanged(day ? Slider::Day : Slider::Night, position,
                              platform::isKeyDown(platform::kVkControl));
                refreshPanelNodes();
                return base::kHandled;
            }
            break;
        case yt::DragFinished:
            if (day || night) {
                sliderReleased();
                refreshPanelNodes();
                return base::kHandled;
            }
            break;
        default:
            break;
    }
    return yt::ytDrawUI::OnEvent(message);
}

void TintelUI::onPanelClick(const std::string& name, yt::ytDrawNode* source) {
    if (name == "tintel/changeloc") {
        openLocationDialog();
    } else if (name == "tintel/slow" || name == "tintel/fast") {
        slowTransitions_ = name == "tintel/slow";
        RegDword(kPreferences, "ImplicitMode", 0).write(slowTransitions_ ? 1 : 0);
    } else if (name == "tintel/exit") {
        hideWindow();
    } else if (name == "tintel/preview") {
        startPreview();
    } else if (name == "tintel/hamburger") {
        // The menu's bottom-right corner goes to the button's top-right one (the click was
        // there): the menu opens above the button, towards the screen.
        int left = 0, top = 0, width = 0, height = 0;
        yt::ytWindow* window = Window();
        if (window && window->Frame(&left, &top, &width, &height)) {
            const yt::ytRect at = source->WindowBounds();
            left += at.right;
            top += at.top;
        }
        showTrayMenu(left, top, true);
    } else if (name == "tintel/expandcolor") {
        expandColourShown_ = false;
        if (source) source->Hide();
        expandColourRange();
    } else if (name == "tintel/disable") {
        // The toggle's own state says whether disabling starts or ends.
        if (auto* toggle = dynamic_cast<yt::ytButtonNode*>(source))
            disableToggle_ = toggle->checked();
        setDisable(DisableFrom::WindowButton, 3600);
    }
}

intptr_t TintelUI::HandleKey(yt::ytMessage& message) {
    if (message.message == base::kWmKeyDown && message.wParam == platform::kVkSpace) {
        toggleLightOutput();
        return base::kHandled;
    }
    if (message.message != base::kWmChar) return yt::ytDrawUI::HandleKey(message);
    const auto key = static_cast<char>(message.wParam);
    if (message.wParam == platform::kVkEscape) {
        hideWindow();
    } else if (key == 'p') {
        startPreview();
    } else if (key == 'c') {
        toggleCandle();  // only while "candle" is not 0
    } else if (key == 'y') {
        RegDword(kPreferences, "yellow", 0).read();
    } else if (key == 'd') {
        setDisable(DisableFrom::Command, 3600);
    } else if (message.wParam >= '0' && message.wParam <= '9') {
        onLightLevelKey(key - '0');
    } else {
        return yt::ytDrawUI::HandleKey(message);
    }
    return base::kHandled;
}

// ---- 5. hiding, and the overlay -----------------------------------------------------------------

void TintelUI::hideWindow() {
    if (modalOpen_) return;
    activitySince_ = -1;
    lastHideFadeSteps_ = 0;
    yt::ytWindow* window = Window();
    if (!window) return;
    // The fade holds the main loop for its half second; a window that is not shown has nothing
    // to fade. Safe mode hides at once.
    if (window->IsVisible() && safeMode_.read() == 0) {
        const double start = yt::Clock();
        for (double t = 0; t < kFadeSeconds; t = yt::Clock() - start) {
            SetAlpha(static_cast<int>(255 * yt::Viscous(1.0 - 2.0 * t)));
            ++lastHideFadeSteps_;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    window->Show(false);
    SetAlpha(255);
}

MagicToken* TintelUI::overlay() const {
    return overlay_ ? overlay_->token() : nullptr;
}

int32_t TintelUI::notify(const std::string& title, const std::string& text, double level,
                         double seconds) {
    MagicToken* token = overlay();
    if (!token) return -1;
    token->Notify(title, text, level, seconds);
    return 0;
}

}  // namespace tintel
