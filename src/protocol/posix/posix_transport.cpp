// The Linux network: the same socket pairs as on Windows, with the two differences Linux needs.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/system_transport.h"

namespace vidudi {

namespace {

constexpr int kReceiveSocketBuffer = 1 << 20;

class PosixTransport : public Transport {
public:
    PosixTransport() {
        for (int& fd : send_) fd = -1;
        for (int& fd : receive_) fd = -1;
    }
    ~PosixTransport() override {
        for (int i = 0; i < kMaxLocalAddresses; ++i) CloseSockets(i);
    }

    bool Startup() override { return true; }
    void Cleanup() override {}

    // The interface addresses themselves: the host-name lookup gives 127.0.1.1 on Linux.
    std::vector<std::string> ListLocalAddresses() override {
        std::vector<std::string> addresses;
        ifaddrs* list = nullptr;
        if (getifaddrs(&list) != 0) return addresses;
        for (ifaddrs* it = list; it; it = it->ifa_next) {
            if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET) continue;
            if ((it->ifa_flags & IFF_LOOPBACK) || !(it->ifa_flags & IFF_UP)) continue;
            char text[INET_ADDRSTRLEN] = {};
            const auto* address = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
            inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
            addresses.emplace_back(text);
        }
        freeifaddrs(list);
        return addresses;
    }

    void FillRandom(std::uint8_t* out, std::size_t count) override {
        std::size_t filled = 0;
        while (filled < count) {
            ssize_t got = getrandom(out + filled, count - filled, 0);
            if (got < 0) {
                if (errno == EINTR) continue;
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
    }

    void OpenSendSocket(int i, const char* localAddress) override {
        send_[i] = socket(AF_INET, SOCK_DGRAM, 0);
        sendFrom_[i] = ToAddress(localAddress);
        unsigned char off = 0;
        setsockopt(send_[i], IPPROTO_IP, IP_MULTICAST_LOOP, &off, sizeof off);
    }

    // Linux delivers no multicast to a socket bound to a unicast address, so each receive
    // socket binds the wildcard address and keeps only the group traffic of its own interface.
    void OpenReceiveSocket(int i, const char* localAddress) override {
        receive_[i] = socket(AF_INET, SOCK_DGRAM, 0);
        int on = 1;
        int off = 0;
        setsockopt(receive_[i], SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        setsockopt(receive_[i], IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(kDevicePort);
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        health_[i] = {};
        if (bind(receive_[i], reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
            health_[i].receiveBound = false;
            health_[i].portInUse = errno == EADDRINUSE;
        }
        ip_mreq membership{};
        membership.imr_multiaddr = ToAddress(kDeviceGroup);
        membership.imr_interface = ToAddress(localAddress);
        health_[i].groupJoined =
            setsockopt(receive_[i], IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) == 0;
        unsigned char loop = 0;
        setsockopt(receive_[i], IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
        // Room for a burst of hundreds of replies between two reads. The system caps SO_RCVBUF
        // at net.core.rmem_max; with the privilege to, go past the cap.
        int room = kReceiveSocketBuffer;
        if (setsockopt(receive_[i], SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room) != 0) {
            setsockopt(receive_[i], SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
        }
    }

    void CloseSockets(int i) override {
        if (send_[i] >= 0) close(send_[i]);
        if (receive_[i] >= 0) close(receive_[i]);
        send_[i] = receive_[i] = -1;
    }

    void Send(int i, const std::uint8_t* data, std::size_t length) override {
        setsockopt(send_[i], IPPROTO_IP, IP_MULTICAST_IF, &sendFrom_[i], sizeof sendFrom_[i]);
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(kDevicePort);
        group.sin_addr = ToAddress(kDeviceGroup);
        health_[i].sendFailed =
            sendto(send_[i], data, length, 0, reinterpret_cast<const sockaddr*>(&group), sizeof group) < 0;
    }

    SocketHealth HealthOf(int i) override { return health_[i]; }

    AddressSet Poll(AddressSet addresses, std::int64_t timeoutMicros) override {
        pollfd entries[kMaxLocalAddresses];
        int slots[kMaxLocalAddresses];
        nfds_t count = 0;
        for (int i = 0; i < kMaxLocalAddresses; ++i) {
            if (!(addresses & OneAddress(i)) || receive_[i] < 0) continue;
            entries[count] = {receive_[i], POLLIN, 0};
            slots[count++] = i;
        }
        const timespec limit{static_cast<time_t>(timeoutMicros / 1000000),
                             static_cast<long>(timeoutMicros % 1000000) * 1000L};
        // With no socket to watch this is a plain pause, so a wait keeps its length.
        if (ppoll(entries, count, &limit, nullptr) <= 0) return 0;
        AddressSet readable = 0;
        for (nfds_t k = 0; k < count; ++k) {
            if (entries[k].revents & (POLLIN | POLLERR)) readable |= OneAddress(slots[k]);
        }
        return readable;
    }

    int Receive(int i, std::uint8_t* buffer, std::size_t capacity) override {
        if (receive_[i] < 0) return kNothingQueued;
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        // MSG_TRUNC: the datagram's real length, so one too long for the buffer is refused.
        ssize_t length = recvfrom(receive_[i], buffer, capacity, MSG_DONTWAIT | MSG_TRUNC,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (length < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? kNothingQueued : kReadFailed;
        if (static_cast<std::size_t>(length) > capacity) return kReadFailed;
        lastSender_[i] = from.sin_addr;
        return static_cast<int>(length);
    }

    std::string SenderOfLastRead(int i) override {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &lastSender_[i], text, sizeof text);
        return text;
    }

    std::int64_t NowMicros() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    }

    void Sleep(int milliseconds) override {
        timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
        }
    }

private:
    static in_addr ToAddress(const char* text) {
        in_addr address{};
        inet_pton(AF_INET, text, &address);
        return address;
    }

    int send_[kMaxLocalAddresses];
    int receive_[kMaxLocalAddresses];
    in_addr sendFrom_[kMaxLocalAddresses]{};
    in_addr lastSender_[kMaxLocalAddresses]{};
    SocketHealth health_[kMaxLocalAddresses]{};
};

}  // namespace

std::unique_ptr<Transport> MakeSystemTransport() { return std::make_unique<PosixTransport>(); }

}  // namespace vidudi
