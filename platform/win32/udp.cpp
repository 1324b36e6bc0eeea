// UDP sockets on Windows: Winsock 2, select() for the receive time-out. Every open starts the
// socket library (WSAStartup is counted, so each socket ends its own start).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <utility>

#include "platform/udp.h"

namespace platform {
namespace {

// Fills an IPv4 socket address; false for a text that is not a dotted IPv4 address.
bool makeAddress(const std::string& address, uint16_t port, sockaddr_in* out) {
    *out = {};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return InetPtonA(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

class WinUdpSocket : public UdpSocket {
public:
    explicit WinUdpSocket(SOCKET s) : socket_(s) {}
    ~WinUdpSocket() override {
        closesocket(socket_);
        WSACleanup();
    }

    bool bind(const std::string& address, uint16_t port, bool reuseAddress) override {
        if (reuseAddress && !setInt(SOL_SOCKET, SO_REUSEADDR, 1)) return false;
        sockaddr_in local;
        if (!makeAddress(address, port, &local)) return false;
        return ::bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }

    uint16_t localPort() override {
        sockaddr_in local{};
        int size = sizeof local;
        if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
        return ntohs(local.sin_port);
    }

    bool enableBroadcast() override { return setInt(SOL_SOCKET, SO_BROADCAST, 1); }
    bool setMulticastTtl(int ttl) override { return setInt(IPPROTO_IP, IP_MULTICAST_TTL, ttl); }
    bool setMulticastLoop(bool on) override {
        return setInt(IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0);
    }

    bool joinGroup(const std::string& group, const std::string& interfaceAddress) override {
        ip_mreq request{};
        if (InetPtonA(AF_INET, group.c_str(), &request.imr_multiaddr) != 1) return false;
        if (InetPtonA(AF_INET, interfaceAddress.c_str(), &request.imr_interface) != 1) return false;
        return setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                          reinterpret_cast<const char*>(&request), sizeof request) == 0;
    }

    bool sendTo(const UdpEndpoint& to, const void* data, size_t size) override {
        sockaddr_in target;
        if (!makeAddress(to.address, to.port, &target)) return false;
        const int sent = sendto(socket_, static_cast<const char*>(data), static_cast<int>(size), 0,
                                reinterpret_cast<sockaddr*>(&target), sizeof target);
        return sent == static_cast<int>(size);
    }

    UdpReceive receive(int timeoutMs, std::string* data, UdpEndpoint* from) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        const int ready = select(0, &readable, nullptr, nullptr, &wait);
        if (ready == 0) return UdpReceive::TimedOut;
        if (ready < 0) return UdpReceive::Failed;
        std::string local(65536, '\0');
        sockaddr_in sender{};
        int size = sizeof sender;
        const int n = recvfrom(socket_, local.data(), static_cast<int>(local.size()), 0,
                               reinterpret_cast<sockaddr*>(&sender), &size);
        if (n == SOCKET_ERROR) {
            // A datagram larger than the buffer, or an ICMP "port unreachable" reported for an
            // earlier send: neither ends the socket.
            const int error = WSAGetLastError();
            return error == WSAEMSGSIZE || error == WSAECONNRESET ? UdpReceive::TimedOut
                                                                  : UdpReceive::Failed;
        }
        local.resize(static_cast<size_t>(n));
        *data = std::move(local);
        if (from) {
            char text[INET_ADDRSTRLEN] = {};
            InetNtopA(AF_INET, &sender.sin_addr, text, sizeof text);
            from->address = text;
            from->port = ntohs(sender.sin_port);
        }
        return UdpReceive::Datagram;
    }

private:
    bool setInt(int level, int option, int value) {
        const DWORD v = static_cast<DWORD>(value);
        return setsockopt(socket_, level, option, reinterpret_cast<const char*>(&v), sizeof v) == 0;
    }

    SOCKET socket_;
};

}  // namespace

std::unique_ptr<UdpSocket> openUdpSocket() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) return nullptr;
    const SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        WSACleanup();
        return nullptr;
    }
    return std::make_unique<WinUdpSocket>(s);
}

}  // namespace platform
