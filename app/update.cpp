// TintelUpdate: the daily feed check.
//
// Contents
//   1. the feed and its URL
//   2. one check: fetch with retries, pages, version order, install or ask
#include "app/update.h"

#include <cstdio>

#include "app/cookie.h"
#include "app/entry.h"
#include "app/prefs.h"
#include "base/debug_log.h"
#include "platform/installer.h"
#include "platform/thread.h"
#include "platform/tray.h"
#include "update/http.h"
#include "update/installer.h"
#include "update/json.h"
#include "update/version_order.h"

#ifndef TINTEL_UPDATE_SITE
#define TINTEL_UPDATE_SITE ""
#endif

namespace tintel {
namespace {

// A stop request ends a pause within this long.
constexpr int kPauseStepMs = 50;

// A stored text goes into the query as it is when it holds only characters a query may carry
// literally; anything else is percent-encoded, so that no stored text adds parameters of its own.
std::string queryValue(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void openPage(const std::string& url) {
    OpenInBrowser(url, yt::ShellRun::InBackground);
}

}  // namespace

// ---- 1. the feed and its URL --------------------------------------------------------------------

UpdateFeed ParseUpdateFeed(const std::string& text) {
    UpdateFeed feed;
    JsonValue root;
    if (ParseJsonValue(text, &root) != 0) return feed;
    const auto member = [&root](const char* key) { return JsonText(JsonMember(root, key)); };
    feed.version = member("version");
    feed.message = member("message");
    feed.update = member("update");
    feed.firstrun = member("firstrun");
    feed.readme = member("readme");
    feed.major = member("major");
    feed.news = member("news");
    return feed;
}

std::string BuildFeedUrl(const std::string& site, bool versionKnown, int major, int minor,
                         const std::string& cookie) {
    if (site.empty()) return {};
    std::string url = site;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    url += platform::updateFeedPath();
    if (!versionKnown) return url;
    char query[64];
    std::snprintf(query, sizeof query, "?version=%d.%d", major, minor);
    url += query;
    if (!cookie.empty()) url += "&cookie=" + queryValue(cookie);
    return url;
}

std::string ProgramVersionText() {
    int major = 0, minor = 0;
    if (!platform::productVersion(&major, &minor)) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", major, minor);
    return text;
}

std::string ProgramFeedUrl() {
    const std::string site = RegString(kPreferences, "UpdateSite", TINTEL_UPDATE_SITE).read();
    int major = 0, minor = 0;
    const bool known = platform::productVersion(&major, &minor);
    return BuildFeedUrl(site, known, major, minor, installationCookie());
}

// ---- 2. one check -------------------------------------------------------------------------------

TintelUpdate::TintelUpdate(std::string feedUrl, std::string currentVersion)
    : feedUrl_(std::move(feedUrl)), currentVersion_(std::move(currentVersion)) {}

TintelUpdate::~TintelUpdate() {
    // The check may be waiting between fetches or for the user's answer: both end on the stop
    // flag; a fetch in progress gets the time-out.
    Stop(5000);
}

int TintelUpdate::Run() {
    Check();
    return 0;
}

bool TintelUpdate::pause(int ms) {
    for (int waited = 0; waited < ms; waited += kPauseStepMs) {
        if (StopRequested()) return false;
        platform::sleepMs(ms - waited < kPauseStepMs ? ms - waited : kPauseStepMs);
    }
    return !StopRequested();
}

void TintelUpdate::showPages(const UpdateFeed& feed) {
    RegString lastmod(kUpdate, "lastmod", "");
    std::string last = lastmod.read();
    if (last.empty()) last = RegString(kUpdate, "lastwebmod", "").read();

    bool handled = false;
    if (last.empty()) {
        openPage(feed.firstrun);
        handled = true;
    } else if (!feed.major.empty() && !feed.version.empty() && feed.version[0] != last[0]) {
        openPage(feed.major);
        handled = true;
    }
    lastmod.write(feed.version);

    RegString readme(kUpdate, "lastreadme", ""), readme2(kUpdate, "lastreadme2", "");
    if (!feed.readme.empty() && feed.readme != readme.read() && feed.readme != readme2.read()) {
        if (!handled) openPage(feed.readme);
        readme2.write(readme.value());
        readme.write(feed.readme);
        return;
    }
    RegString news(kUpdate, "lastnews", ""), news2(kUpdate, "lastnews2", "");
    if (!handled && !feed.news.empty() && feed.news != news.read() && feed.news != news2.read()) {
        openPage(feed.news);
        news2.write(news.value());
        news.write(feed.news);
    }
}

void TintelUpdate::Check() {
    const bool ask = RegDword(kPreferences, "DisableUpdate", 0).read() != 0;
    if (feedUrl_.empty()) return;

    RegString track(kUpdate, "track", "");
    std::string trackText = track.read();
    if (trackText == "3.8" || trackText == "3.7") trackText = track.write("beta");
    // The track goes on this check's request only; the feed URL itself never grows.
    std::string url = feedUrl_;
    if (!trackText.empty())
        url += (url.find('?') == std::string::npos ? "?track=" : "&track=") + queryValue(trackText);

    UpdateFeed feed;
    for (int attempt = 1;; ++attempt) {
        std::string text;
        if (FetchUrlText(url, &text) == 0) feed = ParseUpdateFeed(text);
        if (!feed.version.empty()) break;
        if (attempt == kAttempts || !pause(retryDelayMs_)) return;
    }
    if (feed.update.empty()) return;

    showPages(feed);

    if (feed.version == currentVersion_) return;
    if (CompareVersions(feed.version, currentVersion_) < 0) {
        base::DebugLog("Not updating due to downgrade.\n");
        return;
    }
    RegString lastwebmod(kUpdate, "lastwebmod", "");
    if (feed.version == lastwebmod.read()) return;

    if (ask) {
        const UpdateAnswer answer = prompt_ ? prompt_(feed.message) : UpdateAnswer::Later;
        if (answer == UpdateAnswer::Skip) lastwebmod.write(feed.version);
        if (answer != UpdateAnswer::UpdateNow) return;
    }
    if (installer_) {
        installer_(feed.update, feed.version);
        return;
    }
    InstallSteps steps;
    steps.remember = [](const std::string& version) {
        RegString(kUpdate, "lastwebmod", "").write(version);
    };
    steps.releaseInstance = releaseInstanceLock;
    InstallUpdate(feed.update, feed.version, steps);
}

}  // namespace tintel
