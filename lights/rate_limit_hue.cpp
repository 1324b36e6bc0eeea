// The light bridge worker.
//
// Contents
//   1. colour mapping and texts
//   2. construction, the worker loop, the final pass
//   3. one send pass and one bridge (contact, pairing, light commands)
//   4. polling
//   5. switching on and off
#include "lights/rate_limit_hue.h"

#include <cstdio>
#include <cstdlib>

#include "base/debug_log.h"
#include "platform/beep.h"
#include "platform/clock.h"
#include "platform/thread.h"
#include "update/http.h"
#include "update/json.h"

namespace tintel {
namespace {

constexpr int kLoopMs = 100;
constexpr double kSendSpacing = 0.2;   // seconds between send passes, at least
constexpr int kOverloadPauseMs = 200;  // after an overloaded bridge's reply
constexpr double kPairingLimit = 15.0;

}  // namespace

// ---- 1. colour mapping --------------------------------------------------------------------------

int32_t HueBrightness(float brightness) {
    return static_cast<int32_t>(brightness * 255.0f);
}

int32_t HueColourValue(float kelvin) {
    float f = (kelvin - 2700.0f) / 3800.0f;
    if (f < 0.0f) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    return static_cast<int32_t>(500.0f - 287.0f * f);
}

// ---- 2. the worker ------------------------------------------------------------------------------

RateLimitHue::RateLimitHue(const std::string& cookie, INotifier* notifier, std::string discoveryUrl)
    : notifier_(notifier), search_(std::move(discoveryUrl)) {
    userName_ = cookie;
    for (char& c : userName_)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

RateLimitHue::~RateLimitHue() {
    search_.SetStopEvent();
    Stop(0);
}

double RateLimitHue::Now() {
    return static_cast<double>(platform::performanceCounter()) /
           static_cast<double>(platform::performanceFrequency());
}

bool RateLimitHue::Wait(int ms) {
    // Short steps, so that a stopping worker ends its wait within 10 ms.
    for (int waited = 0; waited < ms; waited += 10) {
        if (StopRequested()) return false;
        platform::sleepMs(ms - waited < 10 ? ms - waited : 10);
    }
    return !StopRequested();
}

void RateLimitHue::Beep() {
    platform::beep();
}

int32_t RateLimitHue::BridgeState(size_t index) {
    std::lock_guard<std::mutex> hold(stateLock_);
    return index < bridgeStates_.size() ? bridgeStates_[index] : kNotContacted;
}

std::string RateLimitHue::UserUrl(size_t index) const {
    return search_.BaseUrl(index) + "api/" + userName_;
}

int RateLimitHue::Run() {
    // The vendor service is asked here rather than on the enabling (UI) thread: an unreachable
    // service must not hold up the program's window.
    search_.StartDiscovery();
    sendTimer_ = pollTimer_ = Now();
    while (!StopRequested()) {
        const double interval = pollInterval_;
        if (interval != 0.0) {
            if (!listStored_ || Now() - pollTimer_ > interval) Poll();
        }
        const float brightness = wantedBrightness_.load(std::memory_order_relaxed);
        const float kelvin = wantedKelvin_.load(std::memory_order_relaxed);
        if (brightness != 0.0f && kelvin != 0.0f) {
            if (brightness == lastBrightness_ && kelvin == lastKelvin_ && !force_) {
                Wait(kLoopMs);
                continue;
            }
            if (Now() - sendTimer_ > kSendSpacing) {
                SendPass(kelvin, brightness);
                force_ = false;
                sendTimer_ = Now();
            }
        }
        Wait(kLoopMs);
    }
    return 0;
}

void RateLimitHue::FinalPass(float brightness, float kelvin) {
    search_.SetStopEvent();
    Stop(0);
    const size_t bridges = search_.Count();
    for (size_t i = 0; i < bridges; ++i) {
        if (BridgeState(i) != kReady) continue;
        bool overload = false;
        UpdateBridge(i, kelvin, brightness, &overload);
    }
}

// ---- 3. sending ---------------------------------------------------------------------------------

void RateLimitHue::SendPass(float kelvin, float brightness) {
    bool overload = false;
    const size_t bridges = search_.Count();
    for (size_t i = 0; i < bridges && !StopRequested(); ++i) {
        base::DebugLog("Sending %fK / %f to bridge %d\n", kelvin, brightness, static_cast<int>(i));
        UpdateBridge(i, kelvin, brightness, &overload);
    }
    if (!overload) {
        lastBrightness_ = brightness;
        lastKelvin_ = kelvin;
    }
}

void RateLimitHue::ContactBridge(size_t index) {
    std::string reply;
    FetchUrlText(UserUrl(index), &reply);
    if (ContainsNoCase(reply, "unauthorized user")) {
        const std::string apiUrl = search_.BaseUrl(index) + "api";
        char body[160];
        std::snprintf(body, sizeof body, "{\"username\": \"%s\", \"devicetype\":\"tintel\"}",
                      userName_.c_str());
        const double began = Now();
        for (;;) {
            if (StopRequested()) return;
            SendHttpRequest(apiUrl, body, "POST", &reply);
            if (!ContainsNoCase(reply, "link button")) break;
            Beep();
            if (notifier_)
                notifier_->notify("Pairing", "Push the button on your Hue",
                                  (Now() - began) * 0.0625, 3.0);
            Wait(1000);
            if (Now() - began > kPairingLimit) {
                std::lock_guard<std::mutex> hold(stateLock_);
                bridgeStates_[index] = kPairingFailed;
                return;
            }
        }
    }
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        bridgeStates_[index] = kReady;
    }
    Poll();
}

void RateLimitHue::UpdateBridge(size_t index, float kelvin, float brightness, bool* overload) {
    int32_t state;
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        if (bridgeStates_.size() <= index) bridgeStates_.resize(index + 1, kNotContacted);
        if (lightLists_.size() <= index) lightLists_.resize(index + 1);
        state = bridgeStates_[index];
    }
    if (state == kNotContacted) {
        ContactBridge(index);
        state = BridgeState(index);
    }
    if (state != kReady) return;

    std::string list;
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        list = lightLists_[index];
    }
    JsonValue document;
    if (ParseJsonValue(list, &document) != 0) return;
    const JsonValue lights = JsonMember(document, "lights");
    const int32_t bri = HueBrightness(brightness);
    const int32_t ct = HueColourValue(kelvin);
    const std::string userUrl = UserUrl(index);
    for (size_t i = 0; i < lights.Count(); ++i) {
        const int light = std::atoi(std::string(lights.Key(i)).c_str());
        char url[2200];
        std::snprintf(url, sizeof url, "%s/lights/%d/state", userUrl.c_str(), light);
        char body[64];
        std::snprintf(body, sizeof body, "{\"bri\": %d,\"ct\":%d}", bri, ct);
        std::string reply;
        const double began = Now();
        SendHttpRequest(url, body, "PUT", &reply);
        base::DebugLog("Sent %d to bulb %d [%.1fms]\n", ct, light, (Now() - began) * 1000.0);
        if (ContainsNoCase(reply, "error, 503")) {
            Wait(kOverloadPauseMs);
            *overload = true;
        }
        lastColour_ = ct;
    }
}

// ---- 4. polling ---------------------------------------------------------------------------------

void RateLimitHue::Poll() {
    const size_t bridges = search_.Count();
    for (size_t i = 0; i < bridges; ++i) {
        if (BridgeState(i) == kNotContacted) continue;
        PollBridge(i);
        pollTimer_ = Now();
    }
}

void RateLimitHue::PollBridge(size_t index) {
    std::string list;
    FetchUrlText(UserUrl(index), &list);
    {
        std::lock_guard<std::mutex> hold(stateLock_);
        if (lightLists_.size() <= index) lightLists_.resize(index + 1);
        lightLists_[index] = list;
    }
    listStored_ = true;
    JsonValue document;
    if (ParseJsonValue(list, &document) != 0) return;
    const JsonValue lights = JsonMember(document, "lights");
    for (size_t i = 0; i < lights.Count(); ++i) {
        const JsonValue state = JsonMember(JsonElement(lights, i), "state");
        if (JsonText(JsonMember(state, "reachable")) != "true") continue;
        const JsonValue ctValue = JsonMember(state, "ct");
        const int ct = ctValue.Found() ? std::atoi(JsonText(ctValue).c_str()) : -1;
        const int light = std::atoi(std::string(lights.Key(i)).c_str());
        base::DebugLog(" %d: %s %d\n", light, "true", ct);
        if (std::abs(ct - lastColour_) > 5) {
            force_ = true;
            base::DebugLog("Bulb %d is %d [want %d], updating.\n", light, ct, lastColour_);
        }
    }
}

// ---- 5. switching -------------------------------------------------------------------------------

void EnableHue(RateLimitHue*& worker, bool enabled, bool lightswitch, INotifier* notifier,
               const std::function<std::string()>& cookie, const std::string& discoveryUrl) {
    if (!enabled) {
        delete worker;
        worker = nullptr;
        return;
    }
    if (!worker) {
        worker = new RateLimitHue(cookie(), notifier, discoveryUrl);
        worker->Start();
    }
    worker->SetPollInterval(lightswitch ? 1.0 : 0.0);
}

}  // namespace tintel
