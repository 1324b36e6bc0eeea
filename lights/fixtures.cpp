// The UDP fixture output: the colour and level mapping and the broadcast datagram.
//
// The fixtures mix a warm and a cool channel. The colour position x runs from 0 (6600 and up, all
// cool) to 1 (3200 and below, all warm); the warm share rises slowly to 0.38 at the middle and
// steeply above it, which keeps the mixed light near the black-body line. The level is raised to
// 1.85 (perceived to physical light), the warm channel is scaled down by 1.4 (it is the brighter
// emitter) and each channel is sent through the fixtures' own 0.53 power curve as a byte.
#include "lights/fixtures.h"

#include <algorithm>
#include <cmath>

namespace tintel {

uint32_t fixtureColour(double kelvin) {
    const double f = std::clamp((kelvin - 2700.0) / 3800.0, 0.0, 1.0);
    return static_cast<uint32_t>(3200.0 + 3400.0 * f);
}

FixtureDatagram fixtureDatagram(uint32_t colour, double level) {
    const double x = std::clamp((6600.0 - static_cast<double>(colour)) / 3400.0, 0.0, 1.0);
    const double w = x < 0.5 ? 0.76 * x : 0.38 + 1.24 * (x - 0.5);
    // A negative level (never asked for) is dark rather than a NaN from the power.
    const double p = std::pow(std::max(level, 0.0), 1.85);
    const double warm = std::min(w * p / 1.4, 1.0);
    const double cool = std::min((1.0 - w) * p, 1.0);
    FixtureDatagram d{0x04, 0x01, 0xDC, 0x4A,  // 0x4ADC0104, little-endian
                      0x02, 0x00,              // 2
                      0x01, 0x01,              // 0x0101
                      0,    0,    0,    0,    0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    d[21] = static_cast<uint8_t>(std::lround(std::pow(warm, 0.53) * 255.0));
    d[22] = static_cast<uint8_t>(std::lround(std::pow(cool, 0.53) * 255.0));
    return d;
}

int32_t UdpFixtures::open() {
    if (socket_) return 0;
    std::unique_ptr<platform::UdpSocket> socket = platform::openUdpSocket();
    if (!socket || !socket->enableBroadcast()) return -1;
    socket_ = std::move(socket);
    return 0;
}

void UdpFixtures::sendFixture(uint32_t colour, double level) {
    send(colour, level);
    lastLevel_ = level;
}

void UdpFixtures::setFixtures(double level, double kelvin) {
    if (level == lastLevel_ && level <= 0) return;
    sendFixture(fixtureColour(kelvin), level);
}

int32_t UdpFixtures::send(uint32_t colour, double level) {
    if (!socket_) return -1;
    const FixtureDatagram datagram = fixtureDatagram(colour, level);
    return socket_->sendTo({kFixtureBroadcast, kFixturePort}, datagram.data(), datagram.size())
               ? 0
               : -1;
}

}  // namespace tintel
