// Bridge discovery: the base URLs of the light bridges on the local network, found through the
// bridge vendor's discovery service or, when that yields nothing, an SSDP search that keeps
// running in the background and adds bridges as they answer.
//
// Contents
//   1. ytUPnP: the SSDP search thread and the growing list of base URLs
//   2. HueSearch: the vendor service first, the search when it finds nothing
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "toolkit/base_thread.h"

namespace tintel {

// The SSDP multicast group and port every search goes to.
inline constexpr const char* kSsdpGroup = "239.255.255.250";
inline constexpr uint16_t kSsdpPort = 1900;

// ---- 1. ytUPnP ----------------------------------------------------------------------------------

// A search for devices whose friendly name contains a filter text (ASCII case ignored). The
// thread sends M-SEARCH requests, reads the LOCATION of each reply, fetches the description
// document and appends the device's base URL ("URLBase", else the document URL) once. Its waits
// end within 500 ms of the stop event. The list only ever grows; readers on other threads see a
// consistent prefix of it.
class ytUPnP : public yt::ytBaseThread {
public:
    ytUPnP(std::string nameFilter, std::string searchType);
    // Sets the stop event and waits for the search thread.
    ~ytUPnP() override;

    int Run() override;

    // Asks the search thread to end; its wait notices within 500 ms.
    void SetStopEvent() { stopEvent_ = true; }

    size_t Count() const;
    // Base URL `index` (below Count()), each ending where its source ended it (normally "/").
    std::string BaseUrl(size_t index) const;
    std::vector<std::string> BaseUrls() const;

    // True once the SSDP search thread has been started.
    bool SearchStarted() const { return searchStarted_; }

protected:
    // Appends `url` unless the list holds that exact string; true when it was added.
    bool AddBaseUrl(const std::string& url);
    // A device answered with its description at `location`: filter and list it. True when the
    // description could be read (a failed fetch is tried again at the device's next answer).
    bool DeviceAdded(const std::string& location);
    // Starts the search thread.
    void StartSearchThread();

    std::string nameFilter_;
    std::string searchType_;

private:
    std::atomic<bool> stopEvent_{false};
    std::atomic<bool> searchStarted_{false};
    mutable std::mutex listLock_;
    std::vector<std::string> baseUrls_;
    std::set<std::string> locationsSeen_;  // search thread only
};

// ---- 2. HueSearch -------------------------------------------------------------------------------

// Discovery of the bridges: `vendorUrl` is the vendor service answering with a JSON array of
// objects whose "internalipaddress" names a bridge.
class HueSearch : public ytUPnP {
public:
    explicit HueSearch(std::string vendorUrl);

    // Asks the vendor service (blocking) and appends "http://<address>/" for each answer; when
    // that gives no bridge, starts the SSDP search.
    void StartDiscovery();

private:
    std::string vendorUrl_;
};

// The text between the opening tag `tag` (ASCII case ignored) and the next "<"; false when the
// document has no such tag.
bool ElementText(const std::string& document, const std::string& tag, std::string* text);

// The value of the header `name` (ASCII case ignored) in an SSDP reply, blanks trimmed; empty when
// there is none.
std::string SsdpHeader(const std::string& reply, const std::string& name);

// True when `text` contains `part`, ASCII letters compared without regard to case.
bool ContainsNoCase(const std::string& text, const std::string& part);

}  // namespace tintel
