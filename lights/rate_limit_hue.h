// The light bridge worker: keeps the lights of every discovered bridge at the colour temperature
// and brightness the day/night controller wants. It pairs with each bridge by its link button,
// reads the light list, and sends every light a state command whenever the wanted values change,
// at most one pass every 200 ms; in lightswitch mode it polls the lights every second and sends
// again when a light no longer shows the colour last sent.
//
// Contents
//   1. INotifier: where the pairing prompt goes
//   2. RateLimitHue: the worker
//   3. switching the worker on and off
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lights/hue_search.h"
#include "toolkit/base_thread.h"

namespace tintel {

// ---- 1. INotifier -------------------------------------------------------------------------------

// Shows a short message: a title, a text, a level (0 .. 1, drawn as a bar) and how many seconds
// it stays. Called from worker threads.
class INotifier {
public:
    virtual ~INotifier() = default;
    virtual int32_t notify(const std::string& title, const std::string& text, double level,
                           double seconds) = 0;
};

// ---- 2. RateLimitHue ----------------------------------------------------------------------------

// "bri" and "ct" for a wanted brightness (0 .. 1) and temperature (kelvin), both truncated toward
// zero: bri = b x 255, ct = 500 - 287 f with f = (K - 2700) / 3800 clamped to 0 .. 1.
int32_t HueBrightness(float brightness);
int32_t HueColourValue(float kelvin);

class RateLimitHue : public yt::ytBaseThread {
public:
    // Bridge states, by bridge index.
    static constexpr int32_t kNotContacted = 0;
    static constexpr int32_t kReady = 1;
    static constexpr int32_t kPairingFailed = -1;

    // `cookie` is the installation cookie (its letters A-Z become the lower-case user name);
    // `discoveryUrl` the vendor discovery service. The notifier may be null.
    RateLimitHue(const std::string& cookie, INotifier* notifier, std::string discoveryUrl);
    ~RateLimitHue() override;

    // The worker loop: discovery first, then every 100 ms until stopped.
    int Run() override;

    // Seconds between polls: 1 in lightswitch mode, 0 for none (60 until set).
    void SetPollInterval(double seconds) { pollInterval_ = seconds; }
    // The controller's tick writes these on every step, without a lock; 0 means nothing wanted.
    void SetWanted(float brightness, float kelvin) {
        wantedBrightness_.store(brightness, std::memory_order_relaxed);
        wantedKelvin_.store(kelvin, std::memory_order_relaxed);
    }

    // Stops the worker thread, then sends one pass of `brightness` and `kelvin` on the calling
    // thread to every bridge that is ready (the neutral colour at exit). Nothing is paired here.
    void FinalPass(float brightness, float kelvin);

    const std::string& UserName() const { return userName_; }
    HueSearch& Search() { return search_; }
    // The state of bridge `index` (kNotContacted while it has no entry yet).
    int32_t BridgeState(size_t index);

protected:
    // The worker's clock in seconds, its waits (ending early when the worker stops; false then)
    // and the beep. Tests replace them to make 15 seconds of pairing pass at once.
    virtual double Now();
    virtual bool Wait(int ms);
    virtual void Beep();

private:
    void Poll();
    void PollBridge(size_t index);
    void SendPass(float kelvin, float brightness);
    void UpdateBridge(size_t index, float kelvin, float brightness, bool* overload);
    void ContactBridge(size_t index);
    std::string UserUrl(size_t index) const;

    std::string userName_;
    INotifier* notifier_;
    HueSearch search_;

    std::mutex stateLock_;  // the two lists below: the worker writes, tests read
    std::vector<int32_t> bridgeStates_;
    std::vector<std::string> lightLists_;

    std::atomic<double> pollInterval_{60.0};
    std::atomic<float> wantedBrightness_{0.0f};
    std::atomic<float> wantedKelvin_{0.0f};
    float lastBrightness_ = 0.0f;
    float lastKelvin_ = 0.0f;
    int32_t lastColour_ = 0;
    bool force_ = false;
    bool listStored_ = false;  // a poll has stored a light list
    double sendTimer_ = 0.0;   // clock readings when the last send pass and poll began
    double pollTimer_ = 0.0;
};

// ---- 3. switching on and off --------------------------------------------------------------------

// Applies the feature switches to the worker held in `worker`: on creates and starts it when there
// is none (with the cookie from `cookie` and the discovery URL) and sets the poll interval, 1
// second in lightswitch mode, else 0; off deletes it.
void EnableHue(RateLimitHue*& worker, bool enabled, bool lightswitch, INotifier* notifier,
               const std::function<std::string()>& cookie, const std::string& discoveryUrl);

}  // namespace tintel
