// The light bridge worker and bridge discovery against bridge_sim.py: a simulated bridge on
// 127.0.0.1 and, inside the test's own network namespace, an SSDP responder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "lights/rate_limit_hue.h"
#include "platform/thread.h"
#include "update/http.h"

namespace tintel {
namespace {

const char* const kCookie = "0123456789ABCDEF0123456789ABCDEF";
const char* const kUser = "0123456789abcdef0123456789abcdef";

const char* const kPort = std::getenv("TINTEL_TEST_BRIDGE_PORT");
const std::string kBase = std::string("http://127.0.0.1:") + (kPort ? kPort : "0") + "/";

std::string simUrl(const std::string& path) {
    return kBase + path.substr(1);
}

std::string control(const std::string& what) {
    std::string reply;
    SendHttpRequest(simUrl("/control/" + what), nullptr, "GET", &reply);
    return reply;
}

// The simulator's PUT log: "path<TAB>body" per request.
std::vector<std::string> puts() {
    std::vector<std::string> lines;
    std::istringstream in(control("log"));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

template <typename Predicate>
bool waitFor(Predicate predicate, double seconds) {
    for (int i = 0; i < seconds * 50 && !predicate(); ++i)
        platform::sleepMs(20);
    return predicate();
}

std::string put(int light, const std::string& body) {
    return "/api/" + std::string(kUser) + "/lights/" + std::to_string(light) + "/state\t" + body +
           "\\0";
}

// The worker with its beeps and pairing prompts counted and, on demand, a clock that its waits
// move forward at once.
class TestWorker : public INotifier, public RateLimitHue {
public:
    explicit TestWorker(bool fastClock)
        : RateLimitHue(kCookie, this, simUrl("/vendor/self")), fast_(fastClock) {}
    ~TestWorker() override { Stop(0); }  // before the overrides below are gone
    int32_t notify(const std::string& title, const std::string& text, double, double) override {
        if (title == "Pairing" && text == "Push the button on your Hue") ++prompts;
        return 0;
    }

    std::atomic<int> beeps{0}, prompts{0};

protected:
    double Now() override { return fast_ ? fake_.load() : RateLimitHue::Now(); }
    bool Wait(int ms) override {
        if (!fast_) return RateLimitHue::Wait(ms);
        fake_ = fake_ + ms / 1000.0;
        platform::sleepMs(1);
        return !StopRequested();
    }
    void Beep() override { ++beeps; }

private:
    const bool fast_;
    std::atomic<double> fake_{1000.0};
};

TEST(LightBridge, PairsWhenTheButtonIsPressedAndGivesUpAfterFifteenSeconds) {
    const struct {
        const char* pressAfter;
        bool fastClock;  // the waits pass at once
        int32_t state;
        int minPosts, maxPosts;
    } cases[] = {
        {"3", false, RateLimitHue::kReady, 4, 4},
        {"never", true, RateLimitHue::kPairingFailed, 15, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pressAfter);
        control(std::string("reset?press_after=") + c.pressAfter);
        TestWorker worker(c.fastClock);
        EXPECT_EQ(worker.UserName(), kUser);
        worker.SetPollInterval(0);
        worker.SetWanted(1.0f, 6500.0f);
        ASSERT_EQ(worker.Start(), 0);
        ASSERT_TRUE(waitFor([&] { return worker.BridgeState(0) != 0; }, 30));
        EXPECT_EQ(worker.BridgeState(0), c.state);
        const int posts = std::atoi(control("posts").c_str());
        EXPECT_TRUE(posts >= c.minPosts && posts <= c.maxPosts) << posts;
        // One beep and one prompt for every refused attempt; once paired, the lights are set.
        const int ready = c.state == RateLimitHue::kReady;
        EXPECT_EQ(worker.beeps, posts - ready);
        EXPECT_EQ(worker.prompts, posts - ready);
        EXPECT_TRUE(waitFor([&] { return puts().size() == 3u * ready; }, 5));
    }
}

TEST(LightBridge, SendsEachChangeOnceAndRepeatsAfterAnOverload) {
    control("reset?press_after=0");
    TestWorker worker(false);
    worker.SetPollInterval(0);
    ASSERT_EQ(worker.Start(), 0);
    const struct {
        float brightness, kelvin;
        int overloads;
        const char* body;
        int passes;  // send passes the step causes
    } steps[] = {
        {1.0f, 6500.0f, 0, "{\"bri\": 255,\"ct\":213}", 1},
        {0.15f, 2700.0f, 0, "{\"bri\": 38,\"ct\":500}", 1},
        {0.5f, 4600.0f, 1, "{\"bri\": 127,\"ct\":356}", 2},  // the overloaded pass is repeated
    };
    size_t before = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.body);
        if (s.overloads) control("overload?count=" + std::to_string(s.overloads));
        worker.SetWanted(s.brightness, s.kelvin);
        const size_t want = before + 3 * s.passes;
        ASSERT_TRUE(waitFor([&] { return puts().size() >= want; }, 10));
        // Unchanged values: nothing more is sent.
        platform::sleepMs(1000);
        const std::vector<std::string> log = puts();
        ASSERT_EQ(log.size(), want);
        for (size_t i = before; i < want; ++i)
            EXPECT_EQ(log[i], put(static_cast<int>((i - before) % 3) + 1, s.body));
        before = want;
    }
}

TEST(LightBridge, LightswitchModeCorrectsALightChangedAtTheWall) {
    for (const bool lightswitch : {true, false}) {
        SCOPED_TRACE(lightswitch);
        control("reset?press_after=0");
        TestWorker worker(false);
        worker.SetPollInterval(lightswitch ? 1 : 0);
        worker.SetWanted(1.0f, 6500.0f);
        ASSERT_EQ(worker.Start(), 0);
        ASSERT_TRUE(waitFor([] { return puts().size() == 3; }, 10));
        // Light 3 is unreachable and off target: polling must not resend for it.
        platform::sleepMs(2500);
        EXPECT_EQ(puts().size(), 3u);
        control("wall?light=1&ct=366");
        const bool corrected = waitFor([] { return puts().size() == 6; }, 3);
        EXPECT_EQ(corrected, lightswitch);
        if (corrected) {
            EXPECT_EQ(puts()[3], put(1, "{\"bri\": 255,\"ct\":213}"));
        }
    }
}

TEST(BridgeDiscovery, VendorServiceFirstThenSsdp) {
    // hue-a and hue-b describe one bridge; hue-c has no URLBase; the TV is no bridge.
    const std::vector<std::string> searched = {kBase, kBase + "desc/hue-c.xml"};
    const struct {
        const char* vendor;
        bool search;
        std::vector<std::string> bases;
    } cases[] = {
        {"/vendor/one", false, {"http://127.0.0.1/"}},
        {"/vendor/empty", true, searched},
        {"/missing", true, searched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.vendor);
        HueSearch search(simUrl(c.vendor));
        search.StartDiscovery();
        EXPECT_EQ(search.SearchStarted(), c.search);
        if (c.search) {
            EXPECT_TRUE(waitFor([&] { return search.Count() >= c.bases.size(); }, 10));
            platform::sleepMs(1500);  // every device has answered twice by now
        }
        std::vector<std::string> found = search.BaseUrls();
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, c.bases);
    }
}

}  // namespace
}  // namespace tintel
