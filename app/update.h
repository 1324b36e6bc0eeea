// TintelUpdate: the daily update check. One start of its thread is one check: fetch the feed,
// open at most one page of it (welcome, major version, read-me, news) in the browser, remember
// what was shown, and when the feed offers a newer version install it, or ask first when
// "DisableUpdate" is set.
#pragma once

#include <functional>
#include <string>

#include "toolkit/base_thread.h"

namespace tintel {

// The members of the feed the check reads (a missing member reads as empty).
struct UpdateFeed {
    std::string version, message, update, firstrun, readme, major, news;
};
// Reads the feed text; every member empty when the text is not a JSON object.
UpdateFeed ParseUpdateFeed(const std::string& text);

// The feed URL: `site` and the platform's feed path, then "?version=%d.%d" when the version is
// known and "&cookie=%s" when the cookie is not empty. Empty when `site` is (no check).
std::string BuildFeedUrl(const std::string& site, bool versionKnown, int major, int minor,
                         const std::string& cookie);

// The feed URL of this program: the "UpdateSite" preference (its default is fixed when the
// program is built; empty disables the check), the product version and the installation cookie.
std::string ProgramFeedUrl();
// The product version as "%d.%d"; empty when it cannot be read.
std::string ProgramVersionText();

// The user's answer to "Tintel has an update available. Get it now?".
enum class UpdateAnswer { UpdateNow, Later, Skip };

class TintelUpdate : public yt::ytBaseThread {
public:
    using Prompt = std::function<UpdateAnswer(const std::string& message)>;
    using Installer = std::function<void(const std::string& url, const std::string& version)>;

    TintelUpdate(std::string feedUrl, std::string currentVersion);
    ~TintelUpdate() override;

    // One check on the thread.
    int Run() override;
    // One check on the calling thread.
    void Check();

    // Who answers the update prompt (the program shows the update dialog on the pump's thread).
    void setPrompt(Prompt prompt) { prompt_ = std::move(prompt); }
    // Who installs (the program: InstallUpdate, which releases the single-instance lock through
    // the given hook and ends the program after a successful hand-over).
    void setInstaller(Installer installer) { installer_ = std::move(installer); }
    // The pause between fetch attempts (60 s).
    void setRetryDelayMs(int ms) { retryDelayMs_ = ms; }

    const std::string& feedUrl() const { return feedUrl_; }
    const std::string& currentVersion() const { return currentVersion_; }

    static constexpr int kAttempts = 5;

private:
    // Waits `ms`, in short steps so that a stop request ends the wait; false when stopped.
    bool pause(int ms);
    // Opens at most one page of the feed and records what it showed.
    void showPages(const UpdateFeed& feed);

    std::string feedUrl_;
    std::string currentVersion_;
    Prompt prompt_;
    Installer installer_;
    int retryDelayMs_ = 60000;
};

}  // namespace tintel
