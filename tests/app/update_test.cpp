// The update check against a real feed on 127.0.0.1 (tests/update/http_server.py serves the
// folder TINTEL_TEST_SITE_DIR and logs the requests) with a stand-in browser that records what it
// is given: the page priorities and what they remember, the version order, install or ask, the
// track, the retries. The installation itself is the platform's: on Windows a download of the
// installer (seen in the request log; the files here are not signed, so nothing runs), on Linux
// the installer page in the browser.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/prefs.h"
#include "app/update.h"
#include "platform/installer.h"
#include "platform/thread.h"
#include "tests/support/files.h"
#include "tests/support/test_store.h"
#include "update/http.h"
#include "update/installer.h"
#include "update/version_order.h"

using namespace tintel;
using testsupport::env;
using testsupport::PrivateStore;
using testsupport::readFile;

namespace {

std::string scratch(const std::string& name) {
    return env("TINTEL_TEST_SCRATCH") + "/" + name;
}

std::string siteUrl(const std::string& path) {
    return "http://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "/site/" + path;
}

void putSiteFile(const std::string& path, const std::string& content) {
    testsupport::writeFile(std::filesystem::path(env("TINTEL_TEST_SITE_DIR")) / path, content);
}

// The pages the stand-in browser was given from `from` (bytes of its log) on: at least `expected`
// of them (waiting up to 15 s), and whatever else arrived before a sentinel opened afterwards.
std::vector<std::string> browserLinesSince(size_t from, size_t expected,
                                           const std::string& sentinel) {
    const auto pages = [&] {
        const std::string log = readFile(scratch("browser.log"));
        std::vector<std::string> lines;
        std::istringstream in(log.substr(std::min(from, log.size())));
        for (std::string line; std::getline(in, line);)
            if (line.rfind("http", 0) == 0) lines.push_back(line);
        return lines;
    };
    for (int i = 0; i < 1500 && pages().size() < expected; ++i)
        platform::sleepMs(10);
    OpenInBrowser(sentinel, yt::ShellRun::Now);
    std::vector<std::string> lines = pages();
    for (int i = 0; i < 1500 && std::find(lines.begin(), lines.end(), sentinel) == lines.end();
         ++i) {
        platform::sleepMs(10);
        lines = pages();
    }
    lines.erase(std::remove(lines.begin(), lines.end(), sentinel), lines.end());
    return lines;
}

std::string stored(const char* name) {
    return RegString(kUpdate, name, "").read();
}

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(env("TINTEL_TEST_SITE_DIR").empty())
            << "run through tests/update/http_server.py, which serves the feed";
    }
};

}  // namespace

TEST(UpdatePieces, VersionOrderAndFeedUrl) {
    const struct {
        const char *a, *b;
        int order;
    } versions[] = {
        {"2.14", "2.9", 1}, {"2.14a", "2.14", 1}, {"2.14", "2.14", 0},    {"2.14A", "2.14a", 0},
        {"3.0", "2.14", 1}, {"2.9", "2.14", -1},  {"2.014", "2.14", 0},   {"2.x", "2.1", -1},
        {"", "0", -1},      {"10.0", "9.99", 1},  {"2.14-", "2.14.", -1},
    };
    for (const auto& v : versions) {
        SCOPED_TRACE(std::string(v.a) + " vs " + v.b);
        const int forward = CompareVersions(v.a, v.b), back = CompareVersions(v.b, v.a);
        EXPECT_EQ((forward > 0) - (forward < 0), v.order);
        EXPECT_EQ((back > 0) - (back < 0), -v.order);
    }
    const std::string feed = platform::updateFeedPath();
    EXPECT_EQ(BuildFeedUrl("", true, 2, 14, "AB"), "");
    EXPECT_EQ(BuildFeedUrl("https://site/", true, 2, 14, "AB"),
              "https://site" + feed + "?version=2.14&cookie=AB");
    EXPECT_EQ(BuildFeedUrl("https://site", true, 2, 14, ""),
              "https://site" + feed + "?version=2.14");
    EXPECT_EQ(BuildFeedUrl("https://site", false, 2, 14, "AB"), "https://site" + feed);
    EXPECT_EQ(BuildFeedUrl("https://site", true, 2, 14, "A&B=1"),
              "https://site" + feed + "?version=2.14&cookie=A%26B%3D1");
}

TEST_F(UpdateCheck, PagesVersionsAndInstalls) {
    const bool downloads = platform::installStyle() == platform::InstallStyle::DownloadAndRun;
    const std::string feedFile = std::string(platform::updateFeedPath()).substr(1);
    const std::string cookie = "0123456789ABCDEF0123456789ABCDEF";
    struct Stored {
        const char *lastmod, *lastwebmod, *readme, *readme2, *track;
    };
    struct Case {
        const char* name;
        Stored before;
        int disable;  // "DisableUpdate": 1 asks before installing
        UpdateAnswer answer;
        const char* version;  // offered by the feed (running: 2.14)
        const char* page;     // the one page opened
        bool prompted, installs;
        Stored after;
    };
    constexpr UpdateAnswer later = UpdateAnswer::Later, skip = UpdateAnswer::Skip,
                           now = UpdateAnswer::UpdateNow;
    // clang-format off
    const Case cases[] = {
        // name, stored before: lastmod, lastwebmod, lastreadme, lastreadme2, track; DisableUpdate,
        // answer, version offered, page opened, prompted, installs, stored after
        {"first installation", {"", "", "", "", ""}, 0, later, "2.14", "firstrun", false, false,
         {"2.14", "", "readme-a", "", ""}},
        {"major version", {"2.14", "", "readme-a", "", ""}, 0, later, "3.0", "major", false, true,
         {"3.0", "3.0", "readme-a", "", ""}},
        {"minor version", {"2.14", "", "readme-a", "", ""}, 0, later, "2.15", "news", false, true,
         {"2.15", "2.15", "readme-a", "", ""}},
        {"new read-me", {"2.14", "", "readme-old", "", ""}, 0, later, "2.14", "readme-a", false,
         false, {"2.14", "", "readme-a", "readme-old", ""}},
        {"read-me seen before last", {"2.14", "", "readme-b", "readme-a", ""}, 0, later, "2.14",
         "news", false, false, {"2.14", "", "readme-b", "readme-a", ""}},
        {"downgrade", {"2.14", "", "readme-a", "", ""}, 0, later, "2.9", "news", false, false,
         {"2.9", "", "readme-a", "", ""}},
        {"first run after an install", {"", "2.14", "readme-a", "", ""}, 0, later, "2.14", "news",
         false, false, {"2.14", "2.14", "readme-a", "", ""}},
        {"ask: skip", {"2.14", "", "readme-a", "", ""}, 1, skip, "2.15", "news", true, false,
         {"2.15", "2.15", "readme-a", "", ""}},
        {"skipped stays quiet", {"2.15", "2.15", "readme-a", "", ""}, 1, now, "2.15", "news", false,
         false, {"2.15", "2.15", "readme-a", "", ""}},
        {"newer than skipped", {"2.15", "2.15", "readme-a", "", ""}, 1, now, "2.16", "news", true,
         true, {"2.16", "2.16", "readme-a", "", ""}},
        {"ask: later", {"2.14", "", "readme-a", "", ""}, 1, later, "2.15", "news", true, false,
         {"2.15", "", "readme-a", "", ""}},
        {"beta track", {"2.14", "", "readme-a", "", "3.7"}, 0, later, "2.14", "news", false, false,
         {"2.14", "", "readme-a", "", "beta"}},
    };
    // clang-format on
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PrivateStore store;
        const std::string dir = "case" + std::to_string(++n);
        RegString(kUpdate, "lastmod", "").write(c.before.lastmod);
        RegString(kUpdate, "lastwebmod", "").write(c.before.lastwebmod);
        // Read-me entries name pages of this case ("" stays empty).
        const auto seen = [&](const char* name) {
            return *name ? "http://127.0.0.1/pages/" + dir + "/" + name : std::string();
        };
        RegString(kUpdate, "lastreadme", "").write(seen(c.before.readme));
        RegString(kUpdate, "lastreadme2", "").write(seen(c.before.readme2));
        RegString(kUpdate, "track", "").write(c.before.track);
        RegDword(kPreferences, "DisableUpdate", 0).write(c.disable);
        const auto page = [&](const std::string& name) {
            return "http://127.0.0.1/pages/" + dir + "/" + name;
        };
        const std::string installer = siteUrl(dir + "/setup.exe");
        putSiteFile(dir + "/" + feedFile,
                    "{\"version\":\"" + std::string(c.version) + "\", \"message\":\"New!\"," +
                        "\"update\":\"" + installer + "\",\"firstrun\":\"" + page("firstrun") +
                        "\",\"readme\":\"" + page("readme-a") + "\",\"major\":\"" + page("major") +
                        "\",\"news\":\"" + page("news") + "\"}");

        const size_t browserFrom = readFile(scratch("browser.log")).size();
        TintelUpdate update(BuildFeedUrl(siteUrl(dir), true, 2, 14, cookie), "2.14");
        std::vector<std::string> prompts;
        update.setPrompt([&](const std::string& message) {
            prompts.push_back(message);
            return c.answer;
        });
        // A fetch that fails on a loaded machine is tried again after a moment, as the program
        // does after a minute.
        update.setRetryDelayMs(300);
        update.Check();

        const size_t pagesWanted = 1 + (c.installs && !downloads ? 1 : 0);
        std::vector<std::string> opened =
            browserLinesSince(browserFrom, pagesWanted, page("sentinel"));
        const auto installerOpened = std::find(opened.begin(), opened.end(), installer);
        const bool pageInstall = installerOpened != opened.end();
        if (pageInstall) opened.erase(installerOpened);
        EXPECT_EQ(opened, std::vector<std::string>{page(c.page)});

        const std::string requests = readFile(scratch("requests.log"));
        const bool downloaded = requests.find("/site/" + dir + "/setup.exe") != std::string::npos;
        EXPECT_EQ(downloads ? downloaded : pageInstall, c.installs);
        EXPECT_FALSE(downloads ? pageInstall : downloaded);
        EXPECT_EQ(prompts,
                  c.prompted ? std::vector<std::string>{"New!"} : std::vector<std::string>{});

        const std::string query = "/site/" + dir + "/" + feedFile +
                                  "?version=2.14&cookie=" + cookie +
                                  (*c.after.track ? "&track=beta" : "") + "\n";
        EXPECT_NE(requests.find(query), std::string::npos) << requests;
        EXPECT_EQ(stored("lastmod"), c.after.lastmod);
        EXPECT_EQ(stored("lastreadme"), seen(c.after.readme));
        EXPECT_EQ(stored("lastreadme2"), seen(c.after.readme2));
        // An installer that did not run leaves "lastwebmod" alone (nothing signed is served here).
        const bool remembered = c.installs && !downloads;
        EXPECT_EQ(stored("lastwebmod"),
                  remembered || !c.installs ? c.after.lastwebmod : c.before.lastwebmod);
        EXPECT_EQ(stored("track"), c.after.track);
    }
}

// Fetches that give no version are tried five times; the track goes on each request once.
TEST_F(UpdateCheck, RetriesFiveTimesAndSendsTheTrackOnce) {
    PrivateStore store;
    RegString(kUpdate, "track", "").write("3.8");
    const std::string feedFile = std::string(platform::updateFeedPath()).substr(1);
    putSiteFile("retry/" + feedFile, "{\"message\":\"no version\"}");
    TintelUpdate update(BuildFeedUrl(siteUrl("retry"), true, 2, 14, ""), "2.14");
    update.setRetryDelayMs(10);
    update.Check();
    update.Check();
    const std::string requests = readFile(scratch("requests.log"));
    const std::string target = "/site/retry/" + feedFile + "?version=2.14&track=beta\n";
    size_t count = 0;
    for (size_t at = requests.find(target); at != std::string::npos;
         at = requests.find(target, at + 1))
        ++count;
    EXPECT_EQ(count, 2u * TintelUpdate::kAttempts) << requests;
    EXPECT_EQ(stored("track"), "beta");
    EXPECT_EQ(stored("lastmod"), "");
}
