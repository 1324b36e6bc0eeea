// IPv4 UDP sockets: bind, send to an address, receive with a time-out, and the broadcast and
// multicast options. SSDP discovery (multicast search) and the light fixtures (broadcast) use them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// An IPv4 address and port; the address in dotted form ("239.255.255.250").
struct UdpEndpoint {
    std::string address;
    uint16_t port = 0;
};

// Outcome of a receive.
enum class UdpReceive { Datagram, TimedOut, Failed };

class UdpSocket {
public:
    virtual ~UdpSocket() = default;

    // Binds to `address` ("0.0.0.0" for any) and `port` (0 for any free one). Reusing the address
    // lets several sockets share a multicast port.
    virtual bool bind(const std::string& address, uint16_t port, bool reuseAddress) = 0;
    // The locally bound port, 0 when unbound.
    virtual uint16_t localPort() = 0;
    // Allows sending to broadcast addresses.
    virtual bool enableBroadcast() = 0;
    // Multicast sending: hop limit and whether our own datagrams loop back to this host.
    virtual bool setMulticastTtl(int ttl) = 0;
    virtual bool setMulticastLoop(bool on) = 0;
    // Joins the group on the interface with address `interfaceAddress` ("0.0.0.0": the system's
    // choice).
    virtual bool joinGroup(const std::string& group, const std::string& interfaceAddress) = 0;
    // Sends one datagram; false when it cannot be sent.
    virtual bool sendTo(const UdpEndpoint& to, const void* data, size_t size) = 0;
    // Waits at most `timeoutMs` for one datagram and gives its bytes and sender.
    virtual UdpReceive receive(int timeoutMs, std::string* data, UdpEndpoint* from) = 0;
};

// Starts the socket library (Winsock 2.0 on Windows, on every call) and creates an IPv4 datagram
// socket; null when either fails.
std::unique_ptr<UdpSocket> openUdpSocket();

}  // namespace platform
