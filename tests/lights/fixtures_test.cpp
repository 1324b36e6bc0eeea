// The UDP fixture output as a fixture on the network hears it: a socket bound to port 6038
// collects the broadcast datagrams. Runs inside a network namespace of its own (netns-run, with
// --wine for the Windows build), where 255.255.255.255 is routed to the loopback interface, so
// nothing leaves the machine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lights/fixtures.h"
#include "tests/support/fixture_listener.h"

using namespace tintel;

TEST(UdpFixtures, BroadcastsTheDatagramOfEachTickButARepeatedZeroOnlyOnce) {
    testsupport::FixtureListener fixture;
    ASSERT_TRUE(fixture.bound());
    UdpFixtures closed;
    closed.setFixtures(0.5, 4600);
    EXPECT_TRUE(fixture.take(300).empty()) << "no socket before the feature is switched on";
    UdpFixtures output;
    ASSERT_EQ(output.open(), 0);
    ASSERT_EQ(output.open(), 0) << "a second open keeps the socket";
    const int kNone = -1;
    const std::string kHead("\x04\x01\xDC\x4A\x02\x00\x01\x01\0\0\0\0\0\0\0\0\xFF\xFF\xFF\xFF\0",
                            21);
    const struct {
        double kelvin, level;
        int warm, cool;  // the bytes the fixtures hear, or kNone for no datagram
    } ticks[] = {
        {4600, 0.0, kNone, kNone},  // the last level starts at 0: dark already
        {6500, 1.0, 0, 255},        // fixture colour 6600: cool only
        {2700, 1.0, 213, 0},        // 3200: warm only, 255 x (1 / 1.4)^0.53 = 213.35
        {4600, 1.0, 128, 198},      // 4900: the warm share is 0.38 (127.75 and 197.93)
        {9000, 1.0, 0, 255},        // beyond 6500 K the colour stays at 6600
        {1900, 0.5, 108, 0},        // below 2700 K it stays at 3200; 0.5^1.85 / 1.4 gives 108.13
        {1900, 0.5, 108, 0},        // unchanged but not dark: sent again
        {1900, 0.0, 0, 0},         {1900, 0.0, kNone, kNone},  {1900, 0.5, 108, 0},
        {1900, -0.1, 0, 0},        {1900, -0.1, kNone, kNone},
    };
    int tick = 0;
    for (const auto& row : ticks) {
        SCOPED_TRACE("tick " + std::to_string(tick++));
        output.setFixtures(row.level, row.kelvin);
        const std::vector<std::string> heard = fixture.take(row.warm == kNone ? 150 : 500);
        if (row.warm == kNone) {
            EXPECT_TRUE(heard.empty());
            continue;
        }
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0], kHead + char(row.warm) + char(row.cool) + '\0');
    }
}
