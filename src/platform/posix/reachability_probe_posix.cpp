#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/posix/posix_services.h"

namespace vidudi::platform {

namespace {

class TcpReachabilityProbe final : public ReachabilityProbe {
public:
    bool CanConnect(const std::string& url) override {
        const auto endpoint = HttpEndpointOf(url);
        if (!endpoint) return false;
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(endpoint->port);
        // Devices are known by their address; a host name would mean a lookup, traffic of its own.
        if (inet_pton(AF_INET, endpoint->host.c_str(), &address.sin_addr) != 1) return false;

        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        bool connected = false;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
        } else if (errno == EINPROGRESS) {
            connected = AwaitConnection(fd);
        }
        close(fd);
        return connected;
    }

private:
    static bool AwaitConnection(int fd) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(kPosixProbeTimeoutMs);
        pollfd watch{fd, POLLOUT, 0};
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            const int ready = poll(&watch, 1, static_cast<int>(left.count()));
            if (ready > 0) break;
            if (ready == 0 || errno != EINTR) return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
};

}  // namespace

ReachabilityProbe& PosixReachabilityProbe() {
    static TcpReachabilityProbe probe;
    return probe;
}

}  // namespace vidudi::platform
