// "Where am I?": the location dialog (template 109). The user types a postal code or coordinates,
// resolved at once, or a place name, which the map page in the embedded web view looks up; the
// page reports a chosen place by navigating to an address with "redir", "lat" and "lng", which
// the dialog reads every 500 ms.
#pragma once

#include <memory>
#include <string>

#include "location/location_lookup.h"
#include "location/location_record.h"
#include "platform/webview.h"
#include "toolkit/dialog.h"

namespace tintel {

// The map page's address: the "MapPage" string in "Preferences" when it is set (a site's
// ".../winmap.html", or a test's page), else the installed copy "res/map/winmap.html" beside the
// program as a file: URL.
std::string MapPageAddress();

// A local path as a file: URL ("/a b/c" -> "file:///a%20b/c", "C:\x" -> "file:///C:/x").
std::string FileUrl(const std::string& path);

class GetLocation : public yt::ytModalDialog {
public:
    // `initial`: the controller's location, which the dialog opens with; `mapPage`: the map
    // page's address.
    GetLocation(const LocationRecord& initial, std::string mapPage);
    ~GetLocation() override;

    bool OnInitDialog(platform::RunningDialog* window) override;
    intptr_t OnCommand(uint32_t code, uint32_t id, intptr_t control) override;
    void OnTimer(uintptr_t id) override;
    void OnDestroy() override;

    // The location OK accepted (meaningful after DoModal answered non-zero).
    const LocationRecord& result() const { return state_.result; }

    // The timer that polls the text and the map page.
    static constexpr uintptr_t kPollTimer = 11;
    static constexpr uint32_t kPollMs = 500;
    // The web view's size in pixels.
    static constexpr int kMapWidth = 400;
    static constexpr int kMapHeight = 300;

private:
    // One evaluation of the text and the map page's address, shown in the controls.
    void evaluate();
    // Asks the map page to look the typed text up.
    void search();

    LocationRecord initial_;
    std::string mapPage_;
    LocationDialogState state_;
    std::unique_ptr<platform::WebView> webView_;
    std::string shownStatus_;
};

}  // namespace tintel
