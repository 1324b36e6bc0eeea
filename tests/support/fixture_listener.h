// A light fixture on the network for the tests: every datagram that reaches the fixtures' port.
// The tests run inside a network namespace of their own, so the broadcasts never leave it.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lights/fixtures.h"
#include "platform/udp.h"

namespace testsupport {

class FixtureListener {
public:
    FixtureListener() {
        socket_ = platform::openUdpSocket();
        bound_ = socket_ && socket_->bind("0.0.0.0", tintel::kFixturePort, true);
    }
    bool bound() const { return bound_; }

    // Everything that arrived: waits up to `firstMs` for a first datagram, then takes the others
    // already queued.
    std::vector<std::string> take(int firstMs = 500) {
        std::vector<std::string> out;
        std::string data;
        int wait = firstMs;
        while (socket_->receive(wait, &data, nullptr) == platform::UdpReceive::Datagram) {
            out.push_back(data);
            wait = 50;
        }
        return out;
    }

    // The warm and cool bytes of each fixture datagram that arrived.
    std::vector<std::pair<int, int>> takeLevels(int firstMs = 500) {
        std::vector<std::pair<int, int>> out;
        for (const std::string& data : take(firstMs))
            if (data.size() == 24)
                out.emplace_back(static_cast<uint8_t>(data[21]), static_cast<uint8_t>(data[22]));
        return out;
    }

private:
    std::unique_ptr<platform::UdpSocket> socket_;
    bool bound_ = false;
};

}  // namespace testsupport
