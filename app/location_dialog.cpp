// The location dialog (GetLocation) and TintelUI's side of it: opening it, and storing and using
// the accepted location.
#include "app/location_dialog.h"

#include <cstdio>

#include "app/dialog_templates.h"
#include "app/prefs.h"
#include "app/tintel_ui.h"
#include "location/coordinates.h"
#include "toolkit/folders.h"

namespace tintel {

std::string FileUrl(const std::string& path) {
    std::string url = "file://";
    if (path.empty() || (path[0] != '/' && path[0] != '\\')) url += '/';
    for (const char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\') {
            url += '/';
        } else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                   c == '/' || c == ':' || c == '-' || c == '_' || c == '.' || c == '~') {
            url += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof(escaped), "%%%02X", u);
            url += escaped;
        }
    }
    return url;
}

std::string MapPageAddress() {
    const std::string configured = RegString(kPreferences, "MapPage", "").read();
    if (!configured.empty()) return configured;
    return FileUrl(yt::JoinPath(yt::JoinPath(yt::ResourceFolder(), "map"), "winmap.html"));
}

GetLocation::GetLocation(const LocationRecord& initial, std::string mapPage)
    : yt::ytModalDialog(kLocationDialog), initial_(initial), mapPage_(std::move(mapPage)) {}

GetLocation::~GetLocation() = default;

bool GetLocation::OnInitDialog(platform::RunningDialog* window) {
    const bool answer = yt::ytModalDialog::OnInitDialog(window);
    const std::string text = InitialLocationText(initial_);
    if (!text.empty()) {
        window->setControlText(kIdLocationText, text);
        evaluate();
    }
    webView_ = platform::createWebView(window->childHost(kIdLocationMap), kMapWidth, kMapHeight);
    window->enable(platform::kIdOk, false);
    window->setTimer(kPollTimer, kPollMs);
    return answer;
}

intptr_t GetLocation::OnCommand(uint32_t code, uint32_t id, intptr_t control) {
    if (id == kIdLocationText && code == platform::kEnChange) {
        evaluate();
        return 1;
    }
    if (id == kIdLocationSearch && code == platform::kBnClicked) {
        search();
        return 1;
    }
    return yt::ytModalDialog::OnCommand(code, id, control);
}

void GetLocation::OnTimer(uintptr_t id) {
    if (id == kPollTimer) evaluate();
}

void GetLocation::OnDestroy() {
    if (platform::RunningDialog* window = Window()) window->killTimer(kPollTimer);
    // The view (and on Linux the browser engine's processes) ends with the dialog.
    webView_.reset();
    state_.lastNavigatedUrl.clear();
    state_.lastSeenUrl.clear();
    yt::ytModalDialog::OnDestroy();
}

void GetLocation::evaluate() {
    platform::RunningDialog* window = Window();
    if (!window) return;
    const std::string text = window->controlText(kIdLocationText);
    std::optional<std::string> current;
    if (webView_) current = webView_->currentUrl();
    const LocationView view =
        EvaluateLocation(text, current, mapPage_, standardOffsetMinutesNow(), &state_);
    // Written only when it changes: the evaluation runs twice a second.
    if (view.status != shownStatus_) {
        shownStatus_ = view.status;
        window->setControlText(kIdLocationStatus, view.status);
    }
    if (webView_ && !view.navigateTo.empty()) webView_->navigate(view.navigateTo);
    window->enable(platform::kIdOk, view.okEnabled);
    window->enable(kIdLocationSearch, view.searchEnabled);
}

void GetLocation::search() {
    platform::RunningDialog* window = Window();
    if (!window || !webView_) return;
    const std::string url =
        MapNavigation(MapSearchUrl(mapPage_, window->controlText(kIdLocationText)), &state_);
    if (!url.empty()) webView_->navigate(url);
}

// ---- TintelUI's side ----------------------------------------------------------------------------

bool TintelUI::runLocationDialog(LocationRecord& record) {
    GetLocation dialog(record, MapPageAddress());
    if (dialog.DoModal(Window()) == 0) return false;
    record = dialog.result();
    return true;
}

}  // namespace tintel
