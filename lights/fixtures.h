// Tunable-white light fixtures driven by UDP broadcast: one 24-byte datagram with a warm and a cool
// channel level, sent to 255.255.255.255 port 6038 on every controller tick. There is no discovery
// and no reply; fixtures on the local network listen for the datagram.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/udp.h"

namespace tintel {

inline constexpr uint16_t kFixturePort = 6038;
inline constexpr const char* kFixtureBroadcast = "255.255.255.255";

using FixtureDatagram = std::array<uint8_t, 24>;

// The fixtures' own colour scale for a colour temperature: 2700 K and below is 3200, 6500 K and
// above 6600, linear in between, truncated.
uint32_t fixtureColour(double kelvin);
// The datagram for a fixture colour and a level (0 .. 1).
FixtureDatagram fixtureDatagram(uint32_t colour, double level);

// Where the settings UI sends its fixture light: open once the feature is switched on, then a
// colour (3200 .. 6600) and a level (0 .. 1) on every tick.
class FixtureLightOutput {
public:
    virtual ~FixtureLightOutput() = default;
    // Creates the broadcast socket unless one exists: 0, or -1 when none can be had.
    virtual int32_t open() = 0;
    virtual bool isOpen() const = 0;
    // Sends the colour and level (nothing while no socket is open).
    virtual void sendFixture(uint32_t colour, double level) = 0;
};

// The process's fixture output over one broadcast UDP socket, kept open once made.
class UdpFixtures : public FixtureLightOutput {
public:
    int32_t open() override;
    bool isOpen() const override { return socket_ != nullptr; }
    void sendFixture(uint32_t colour, double level) override;

    // A colour temperature and level from the controller: a level of 0 or less that repeats the
    // last one sent is only remembered (the fixtures are dark already), anything else is sent.
    void setFixtures(double level, double kelvin);
    // One datagram: 0, or -1 when there is no socket or the send failed.
    int32_t send(uint32_t colour, double level);

private:
    std::unique_ptr<platform::UdpSocket> socket_;
    double lastLevel_ = 0;
};

}  // namespace tintel
