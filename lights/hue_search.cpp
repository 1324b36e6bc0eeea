// Bridge discovery: the vendor service, then our own SSDP search (the same code on every
// platform, in place of the platform's UPnP device finder).
//
// Contents
//   1. text helpers
//   2. ytUPnP: the list, the search thread, a found device
//   3. HueSearch
#include "lights/hue_search.h"

#include <algorithm>
#include <memory>

#include "base/debug_log.h"
#include "platform/thread.h"
#include "platform/udp.h"
#include "update/http.h"
#include "update/json.h"

namespace tintel {
namespace {

// How long one receive waits: the search thread looks at the stop event at least this often.
constexpr int kReceiveWaitMs = 250;
// Each search is sent this many times, one receive wait apart (datagrams may be lost).
constexpr int kSearchRepeats = 3;
// A new round of searches goes out this often, for bridges switched on later.
constexpr double kSearchRoundSeconds = 60.0;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `part` in `text` from `from`, ASCII case ignored; npos when absent.
size_t findNoCase(const std::string& text, const std::string& part, size_t from = 0) {
    auto equal = [](char a, char b) { return lowerAscii(a) == lowerAscii(b); };
    if (from > text.size()) return std::string::npos;
    const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                part.begin(), part.end(), equal);
    return it == text.end() && !part.empty() ? std::string::npos
                                             : static_cast<size_t>(it - text.begin());
}

std::string trimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

// ---- 1. text helpers ----------------------------------------------------------------------------

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return findNoCase(text, part) != std::string::npos;
}

bool ElementText(const std::string& document, const std::string& tag, std::string* text) {
    const size_t at = findNoCase(document, tag);
    if (at == std::string::npos) return false;
    const size_t begin = at + tag.size();
    const size_t end = document.find('<', begin);
    *text = document.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    return true;
}

std::string SsdpHeader(const std::string& reply, const std::string& name) {
    size_t line = reply.find('\n');  // the status line is skipped
    while (line != std::string::npos) {
        const size_t begin = line + 1;
        const size_t end = reply.find('\n', begin);
        const std::string header =
            reply.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
        const size_t colon = header.find(':');
        if (colon != std::string::npos &&
            trimBlanks(header.substr(0, colon)).size() == name.size() &&
            findNoCase(trimBlanks(header.substr(0, colon)), name) == 0)
            return trimBlanks(header.substr(colon + 1));
        line = end;
    }
    return "";
}

// ---- 2. ytUPnP ----------------------------------------------------------------------------------

ytUPnP::ytUPnP(std::string nameFilter, std::string searchType)
    : nameFilter_(std::move(nameFilter)), searchType_(std::move(searchType)) {}

ytUPnP::~ytUPnP() {
    SetStopEvent();
    Stop(0);
}

size_t ytUPnP::Count() const {
    std::lock_guard<std::mutex> hold(listLock_);
    return baseUrls_.size();
}

std::string ytUPnP::BaseUrl(size_t index) const {
    std::lock_guard<std::mutex> hold(listLock_);
    return index < baseUrls_.size() ? baseUrls_[index] : std::string();
}

std::vector<std::string> ytUPnP::BaseUrls() const {
    std::lock_guard<std::mutex> hold(listLock_);
    return baseUrls_;
}

bool ytUPnP::AddBaseUrl(const std::string& url) {
    std::lock_guard<std::mutex> hold(listLock_);
    if (std::find(baseUrls_.begin(), baseUrls_.end(), url) != baseUrls_.end()) return false;
    baseUrls_.push_back(url);
    return true;
}

void ytUPnP::StartSearchThread() {
    if (Start() == 0) searchStarted_ = true;
}

int ytUPnP::Run() {
    std::unique_ptr<platform::UdpSocket> socket = platform::openUdpSocket();
    if (!socket || !socket->bind("0.0.0.0", 0, false)) return 0;
    // Two hops reach a bridge behind one router of the home network and no further.
    socket->setMulticastTtl(2);
    const std::string search =
        "M-SEARCH * HTTP/1.1\r\n"
        "HOST: 239.255.255.250:1900\r\n"
        "MAN: \"ssdp:discover\"\r\n"
        "MX: 2\r\n"
        "ST: " +
        searchType_ + "\r\n\r\n";
    const platform::UdpEndpoint group{kSsdpGroup, kSsdpPort};

    int sendsLeft = 0;
    double untilRound = 0.0;  // seconds until the next round of searches
    while (!stopEvent_ && !StopRequested()) {
        if (untilRound <= 0.0) {
            sendsLeft = kSearchRepeats;
            untilRound = kSearchRoundSeconds;
        }
        if (sendsLeft > 0) {
            socket->sendTo(group, search.data(), search.size());
            --sendsLeft;
        }
        std::string reply;
        platform::UdpEndpoint from;
        const platform::UdpReceive got = socket->receive(kReceiveWaitMs, &reply, &from);
        if (got == platform::UdpReceive::Failed) {
            platform::sleepMs(kReceiveWaitMs);
            untilRound -= kReceiveWaitMs / 1000.0;
            continue;
        }
        if (got == platform::UdpReceive::TimedOut) {
            untilRound -= kReceiveWaitMs / 1000.0;
            continue;
        }
        if (reply.compare(0, 5, "HTTP/") != 0) continue;  // another searcher's M-SEARCH
        const std::string location = SsdpHeader(reply, "LOCATION");
        if (location.compare(0, 7, "http://") != 0 || locationsSeen_.count(location)) continue;
        if (DeviceAdded(location)) locationsSeen_.insert(location);
    }
    return 0;
}

bool ytUPnP::DeviceAdded(const std::string& location) {
    std::string document;
    if (FetchUrlText(location, &document) != 0) return false;
    std::string friendlyName;
    if (!ElementText(document, "<friendlyName>", &friendlyName) ||
        !ContainsNoCase(friendlyName, nameFilter_))
        return true;
    std::string baseUrl;
    if (!ElementText(document, "<URLBase>", &baseUrl)) baseUrl = location;
    if (AddBaseUrl(baseUrl)) base::DebugLog("docURL=%s\n", baseUrl.c_str());
    return true;
}

// ---- 3. HueSearch -------------------------------------------------------------------------------

HueSearch::HueSearch(std::string vendorUrl)
    : ytUPnP("Philips Hue", "ssdp:all"), vendorUrl_(std::move(vendorUrl)) {}

void HueSearch::StartDiscovery() {
    std::string answer;
    if (!vendorUrl_.empty() && FetchUrlText(vendorUrl_, &answer) == 0) {
        JsonValue list;
        if (ParseJsonValue(answer, &list) == 0) {
            for (size_t i = 0; i < list.Count(); ++i) {
                const std::string address =
                    JsonText(JsonMember(JsonElement(list, i), "internalipaddress"));
                if (!address.empty()) AddBaseUrl("http://" + address + "/");
            }
        }
    }
    if (Count() == 0) StartSearchThread();
}

}  // namespace tintel
