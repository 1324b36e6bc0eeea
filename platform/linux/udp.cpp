// UDP sockets on Linux: BSD sockets, poll() for the receive time-out.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/udp.h"

namespace platform {
namespace {

// Fills an IPv4 socket address; false for a text that is not a dotted IPv4 address.
bool makeAddress(const std::string& address, uint16_t port, sockaddr_in* out) {
    *out = {};
    out->sin_family = AF_INET;
    out->sin_port = htons(port);
    return inet_pton(AF_INET, address.c_str(), &out->sin_addr) == 1;
}

class LinuxUdpSocket : public UdpSocket {
public:
    explicit LinuxUdpSocket(int fd) : fd_(fd) {}
    ~LinuxUdpSocket() override { close(fd_); }

    bool bind(const std::string& address, uint16_t port, bool reuseAddress) override {
        if (reuseAddress && !setInt(SOL_SOCKET, SO_REUSEADDR, 1)) return false;
        sockaddr_in local;
        if (!makeAddress(address, port, &local)) return false;
        return ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }

    uint16_t localPort() override {
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
        return ntohs(local.sin_port);
    }

    bool enableBroadcast() override { return setInt(SOL_SOCKET, SO_BROADCAST, 1); }
    bool setMulticastTtl(int ttl) override { return setInt(IPPROTO_IP, IP_MULTICAST_TTL, ttl); }
    bool setMulticastLoop(bool on) override {
        return setInt(IPPROTO_IP, IP_MULTICAST_LOOP, on ? 1 : 0);
    }

    bool joinGroup(const std::string& group, const std::string& interfaceAddress) override {
        ip_mreq request{};
        if (inet_pton(AF_INET, group.c_str(), &request.imr_multiaddr) != 1) return false;
        if (inet_pton(AF_INET, interfaceAddress.c_str(), &request.imr_interface) != 1) return false;
        return setsockopt(fd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0;
    }

    bool sendTo(const UdpEndpoint& to, const void* data, size_t size) override {
        sockaddr_in target;
        if (!makeAddress(to.address, to.port, &target)) return false;
        const ssize_t sent = sendto(fd_, data, size, MSG_NOSIGNAL,
                                    reinterpret_cast<sockaddr*>(&target), sizeof target);
        return sent == static_cast<ssize_t>(size);
    }

    UdpReceive receive(int timeoutMs, std::string* data, UdpEndpoint* from) override {
        pollfd waiting{fd_, POLLIN, 0};
        const int ready = poll(&waiting, 1, timeoutMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) return UdpReceive::TimedOut;
        if (ready < 0) return UdpReceive::Failed;
        char buffer[65536];
        sockaddr_in sender{};
        socklen_t size = sizeof sender;
        const ssize_t n =
            recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &size);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR ? UdpReceive::TimedOut : UdpReceive::Failed;
        data->assign(buffer, static_cast<size_t>(n));
        if (from) {
            char text[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &sender.sin_addr, text, sizeof text);
            from->address = text;
            from->port = ntohs(sender.sin_port);
        }
        return UdpReceive::Datagram;
    }

private:
    bool setInt(int level, int option, int value) {
        return setsockopt(fd_, level, option, &value, sizeof value) == 0;
    }

    int fd_;
};

}  // namespace

std::unique_ptr<UdpSocket> openUdpSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) return nullptr;
    return std::make_unique<LinuxUdpSocket>(fd);
}

}  // namespace platform
