// nas-emulator: emulated network-storage adapters on a real interface.
//
//   nas-emulator --config FILE [--log FILE] [--web-port N]
//
// One receive socket on port 13579 takes every request that reaches this network namespace
// and hands it to every device; each device answers from a send socket bound to its own
// address, to the device group, so every client address on the segment sees the answer. A
// single thread runs everything: a poll loop with a queue of replies waiting for their time.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <queue>
#include <set>
#include <string>
#include <vector>

#include "device_model.h"
#include "emulator_config.h"
#include "emulator_log.h"
#include "web_page.h"

extern char** environ;

namespace nasemu {
namespace {

constexpr std::uint16_t kDevicePort = 13579;
constexpr char kDeviceGroup[] = "224.0.0.1";
constexpr std::size_t kAddressOffset = 17;  // device address in the id of a request
constexpr std::size_t kIdEnd = 21;

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t g_stopRequested = 0;

void OnStopSignal(int) { g_stopRequested = 1; }

std::string Dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// The test network of the lan scripts; host byte order.
bool InTestNetwork(std::uint32_t address) { return (address >> 16) == ((10u << 8) | 77u); }

bool InTestNetwork(const std::string& dotted) {
    std::uint8_t bytes[4];
    return ParseDotted(dotted, bytes) && InTestNetwork(std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16);
}

// The emulator must never answer on the machine's own network: it runs only inside the
// namespaces that the test scripts make. It refuses the namespace of process 1 (where that can
// be read; some sandboxes hide it), the one the scripts ran in, and any namespace with an IPv4
// address outside loopback and the test network 10.77.0.0/16.
bool InTestNamespace(std::string& why) {
    char own[128] = {}, init[128] = {};
    const ssize_t a = readlink("/proc/self/ns/net", own, sizeof own - 1);
    const ssize_t b = readlink("/proc/1/ns/net", init, sizeof init - 1);
    if (a > 0 && b > 0 && std::strcmp(own, init) == 0) {
        why = "this is the network namespace of process 1";
        return false;
    }
    const char* scripts = std::getenv("VLAN_ROOT_NETNS");
    if (a > 0 && scripts != nullptr && std::strcmp(own, scripts) == 0) {
        why = "this is the network namespace the test scripts run in";
        return false;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        why = "cannot list the interfaces";
        return false;
    }
    bool ok = true;
    for (ifaddrs* entry = list; entry != nullptr && ok; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const std::uint32_t address =
            ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr);
        const bool loopback = (address >> 24) == 127;
        if (!loopback && !InTestNetwork(address)) {
            why = std::string("interface ") + entry->ifa_name + " has an address outside 10.77.0.0/16";
            ok = false;
        }
    }
    freeifaddrs(list);
    return ok;
}

struct LocalInterface {
    unsigned index = 0;
    std::string name;
    int prefix = 32;  // of the address it was found by
};

// The interface that holds a local address, or none.
bool FindInterfaceOf(const std::string& address, LocalInterface& found) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool ok = false;
    for (ifaddrs* entry = list; entry != nullptr && !ok; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        if (Dotted(in->sin_addr) == address) {
            found.index = if_nametoindex(entry->ifa_name);
            found.name = entry->ifa_name;
            if (entry->ifa_netmask != nullptr) {
                const auto* mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
                found.prefix = __builtin_popcount(mask->sin_addr.s_addr);
            }
            ok = found.index != 0;
        }
    }
    freeifaddrs(list);
    return ok;
}

// The first interface that is up, not loopback, and can do multicast.
bool FindFirstLanInterface(LocalInterface& found) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool ok = false;
    for (ifaddrs* entry = list; entry != nullptr && !ok; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        if ((flags & IFF_UP) == 0 || (flags & IFF_LOOPBACK) != 0 || (flags & IFF_MULTICAST) == 0) {
            continue;
        }
        found.index = if_nametoindex(entry->ifa_name);
        found.name = entry->ifa_name;
        ok = found.index != 0;
    }
    freeifaddrs(list);
    return ok;
}

struct PendingReply {
    Clock::time_point due;
    std::uint64_t sequence;  // replies due at the same moment leave in the order they were made
    std::size_t device;
    OutgoingDatagram datagram;

    bool operator>(const PendingReply& other) const {
        return due != other.due ? due > other.due : sequence > other.sequence;
    }
};

class Emulator {
public:
    Emulator(EmulatorConfig config, EmulatorLog& log) : log_(log) {
        for (DeviceConfig& device : config.devices) devices_.emplace_back(std::move(device));
        noiseSent_.resize(devices_.size());
    }

    ~Emulator() {
        if (receiveFd_ >= 0) close(receiveFd_);
        for (const auto& [address, fd] : sendFds_) close(fd);
    }

    bool Start(std::uint16_t webPort) {
        for (const EmulatedDevice& device : devices_) {
            LocalInterface where;
            if (!FindInterfaceOf(device.address(), where)) {
                if (!FindFirstLanInterface(where)) {
                    std::fprintf(stderr, "nas-emulator: no network interface for %s\n",
                                 device.address().c_str());
                    return false;
                }
                log_.Line("note " + device.address() + " is not on an interface; using " + where.name);
            }
            interfaces_.push_back(where);
        }
        if (!OpenReceiveSocket()) return false;
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            if (SendSocketFor(devices_[i].address(), i) < 0) return false;
            const DeviceConfig& c = devices_[i].config();
            log_.Line("device " + c.address + " name=" + c.name + " form=" + std::to_string(c.replyForm) +
                      " if=" + interfaces_[i].name);
        }
        if (webPort != 0) {
            if (web_.Listen(webPort)) {
                log_.Line("web listening on port " + std::to_string(webPort));
            } else {
                // Two emulators in one namespace: the first one serves the page.
                log_.Line("web not served: port " + std::to_string(webPort) + ": " + std::strerror(errno));
            }
        }
        log_.Line("ready devices=" + std::to_string(devices_.size()));
        return true;
    }

    void Run() {
        sigset_t runMask;
        sigemptyset(&runMask);
        while (!g_stopRequested) {
            std::vector<pollfd> fds{{receiveFd_, POLLIN, 0}};
            web_.AddPollFds(fds);

            timespec timeout{};
            timespec* timeoutPointer = nullptr;
            auto wait = std::chrono::milliseconds(-1);
            const auto next = NextDue();
            if (next) {
                wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
                if (wait.count() < 0) wait = std::chrono::milliseconds(0);
            }
            if (web_.HasConnections() && (wait.count() < 0 || wait.count() > 1000)) {
                wait = std::chrono::milliseconds(1000);
            }
            if (wait.count() >= 0) {
                timeout.tv_sec = static_cast<time_t>(wait.count() / 1000);
                timeout.tv_nsec = static_cast<long>(wait.count() % 1000) * 1000000L;
                timeoutPointer = &timeout;
            }
            // Stop signals are blocked except while waiting here, so none is missed.
            const int ready = ppoll(fds.data(), fds.size(), timeoutPointer, &runMask);
            if (ready < 0 && errno != EINTR) {
                std::perror("nas-emulator: ppoll");
                return;
            }
            if (ready > 0) {
                if (fds[0].revents & POLLIN) ReceiveAll();
                web_.HandleEvents(
                    fds, 1, [this] { return ManagementPage(devices_); },
                    [this](const std::string& line) { log_.Line(line); },
                    [this](const std::string& local) { return left_.count(local) == 0; });
            }
            SendDueReplies();
            SendDueNoise();
            RetireLeftAddresses();
        }
        log_.Line("stopped");
    }

private:
    bool OpenReceiveSocket() {
        receiveFd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (receiveFd_ < 0) return Fail("socket");
        const int on = 1;
        const int off = 0;
        setsockopt(receiveFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // The kernel stamps each datagram as it arrives: the log and the reply delays count from
        // then, not from when a busy machine got round to reading it.
        setsockopt(receiveFd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        // Only the groups joined by this socket, on the interfaces it joined them on.
        setsockopt(receiveFd_, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(kDevicePort);
        any.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(receiveFd_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) return Fail("bind :13579");
        std::vector<unsigned> joined;
        for (const LocalInterface& where : interfaces_) {
            bool already = false;
            for (unsigned index : joined) already = already || index == where.index;
            if (already) continue;
            ip_mreqn membership{};
            inet_pton(AF_INET, kDeviceGroup, &membership.imr_multiaddr);
            membership.imr_ifindex = static_cast<int>(where.index);
            if (setsockopt(receiveFd_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0) {
                return Fail(("join 224.0.0.1 on " + where.name).c_str());
            }
            joined.push_back(where.index);
        }
        return true;
    }

    // The socket that sends from `address` on the interface of device `device`; made on first use
    // (a device that took a new address gets a new socket).
    int SendSocketFor(const std::string& address, std::size_t device) {
        auto found = sendFds_.find(address);
        if (found != sendFds_.end()) return found->second;
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            Fail("socket");
            return -1;
        }
        const int on = 1;
        const unsigned char loopOff = 0;
        // The address may not be on the interface yet (a device that was just given a new one).
        setsockopt(fd, IPPROTO_IP, IP_FREEBIND, &on, sizeof on);
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(kDevicePort);
        inet_pton(AF_INET, address.c_str(), &local.sin_addr);
        if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            // Port 13579 of that address is taken by another emulator: any port will do.
            local.sin_port = 0;
            if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                Fail(("bind " + address).c_str());
                close(fd);
                return -1;
            }
        }
        // The interface by index: an address not yet assigned cannot name one.
        ip_mreqn outgoing{};
        outgoing.imr_ifindex = static_cast<int>(interfaces_[device].index);
        inet_pton(AF_INET, address.c_str(), &outgoing.imr_address);
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing);
        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loopOff, sizeof loopOff);
        sendFds_[address] = fd;
        return fd;
    }

    void ReceiveAll() {
        std::uint8_t buffer[65536];
        for (;;) {
            sockaddr_in from{};
            iovec data{buffer, sizeof buffer};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
            msghdr message{};
            message.msg_name = &from;
            message.msg_namelen = sizeof from;
            message.msg_iov = &data;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t got = recvmsg(receiveFd_, &message, 0);
            if (got < 0) return;  // EAGAIN: all read
            const auto arrived = ArrivalTime(message);
            const std::size_t length = static_cast<std::size_t>(got);
            const std::string peer = Dotted(from.sin_addr) + ":" + std::to_string(ntohs(from.sin_port));
            const std::vector<std::uint8_t> logged = LoggedRequest(buffer, length);
            log_.Datagram("recv", AddressedDevice(buffer, length), "from", peer, logged.data(), length, arrived);
            for (std::size_t i = 0; i < devices_.size(); ++i) {
                const std::string before = devices_[i].address();
                // An address outside the test network would take the namespace out of it: the
                // emulator would refuse to start there again. Such a change is not made, and
                // not answered, as by a device that ignores it.
                const std::string wanted = devices_[i].RequestedStaticAddress(buffer, length);
                if (!wanted.empty() && !InTestNetwork(wanted)) {
                    log_.Line("refused " + before + " -> " + wanted + ": outside the test network 10.77.0.0/16");
                    continue;
                }
                std::vector<OutgoingDatagram> replies = devices_[i].HandleDatagram(buffer, length);
                if (devices_[i].address() != before) AddressChanged(i, before);
                for (OutgoingDatagram& reply : replies) {
                    const auto due = arrived + std::chrono::milliseconds(reply.delayMs);
                    ++pendingFrom_[reply.fromAddress];
                    pending_.push(PendingReply{due, nextSequence_++, i, std::move(reply)});
                }
            }
        }
    }

    // When the kernel took the datagram in, on the emulator's own clock; now when it gave no stamp.
    static Clock::time_point ArrivalTime(msghdr& message) {
        const Clock::time_point now = Clock::now();
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS) continue;
            timespec stamp{}, wall{};
            std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
            clock_gettime(CLOCK_REALTIME, &wall);
            const auto age = std::chrono::seconds(wall.tv_sec - stamp.tv_sec) +
                             std::chrono::nanoseconds(wall.tv_nsec - stamp.tv_nsec);
            // A clock step between the two readings would give nonsense; the read time is safe.
            if (age < std::chrono::seconds(0) || age > std::chrono::seconds(10)) return now;
            return now - std::chrono::duration_cast<Clock::duration>(age);
        }
        return now;
    }

    // The device address a request names in its id, when it is one of ours; "*" otherwise.
    std::string AddressedDevice(const std::uint8_t* data, std::size_t length) const {
        if (length < kIdEnd || (data[0] != 3 && data[0] != 5)) return "*";
        in_addr address{};
        std::memcpy(&address, data + kAddressOffset, 4);
        const std::string text = Dotted(address);
        for (const EmulatedDevice& device : devices_) {
            if (device.address() == text) return text;
        }
        return "*";
    }

    // The first moment something is due: a reply, or a datagram of a device's noise.
    std::optional<Clock::time_point> NextDue() const {
        std::optional<Clock::time_point> next;
        if (!pending_.empty()) next = pending_.top().due;
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            const int rate = devices_[i].config().faults.noisePerSecond;
            if (rate <= 0) continue;
            const auto due = noiseStart_ + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>((static_cast<double>(noiseSent_[i]) + 1.0) / rate));
            if (!next || due < *next) next = due;
        }
        return next;
    }

    // The noise fault: each device sends its share of unasked datagrams, evenly over time. They
    // are too many to log one by one; every 10,000th is counted in the log instead.
    void SendDueNoise() {
        const double elapsed = std::chrono::duration<double>(Clock::now() - noiseStart_).count();
        for (std::size_t i = 0; i < devices_.size(); ++i) {
            const int rate = devices_[i].config().faults.noisePerSecond;
            if (rate <= 0) continue;
            const auto due = static_cast<std::uint64_t>(elapsed * rate);
            for (; noiseSent_[i] < due; ++noiseSent_[i]) {
                const int fd = SendSocketFor(devices_[i].address(), i);
                const std::vector<std::uint8_t> bytes = devices_[i].NoiseDatagram(noiseSent_[i]);
                if (fd >= 0) SendToGroup(fd, bytes);
                if ((noiseSent_[i] + 1) % 10000 == 0) {
                    log_.Line("noise " + devices_[i].address() + " sent=" + std::to_string(noiseSent_[i] + 1));
                }
            }
        }
    }

    ssize_t SendToGroup(int fd, const std::vector<std::uint8_t>& bytes) {
        sockaddr_in group{};
        group.sin_family = AF_INET;
        group.sin_port = htons(kDevicePort);
        inet_pton(AF_INET, kDeviceGroup, &group.sin_addr);
        return sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&group), sizeof group);
    }

    void SendDueReplies() {
        const auto now = Clock::now();
        while (!pending_.empty() && pending_.top().due <= now) {
            PendingReply reply = pending_.top();
            pending_.pop();
            const std::string& from = reply.datagram.fromAddress;
            --pendingFrom_[from];
            const int fd = SendSocketFor(from, reply.device);
            if (fd < 0) continue;
            const std::vector<std::uint8_t>& bytes = reply.datagram.bytes;
            if (SendToGroup(fd, bytes) < 0) {
                log_.Line("send-failed " + from + ": " + std::strerror(errno));
                continue;
            }
            log_.Datagram("send", from, "to", std::string(kDeviceGroup) + ":" + std::to_string(kDevicePort),
                          bytes.data(), bytes.size());
        }
    }

    // A device took a new address: put it on the device's interface as a real adapter would
    // have it, so that unicast to it (the web page) works too, and take the old one off once
    // no device has it, so that the device is gone from there. Replies go out from it either way.
    void AddressChanged(std::size_t device, const std::string& before) {
        const DeviceConfig& c = devices_[device].config();
        log_.Line("address " + before + " -> " + c.address + " netmask=" + c.netmask +
                  " gateway=" + c.gateway + " dhcp=" + (c.dhcp ? "yes" : "no"));
        left_.erase(c.address);
        if (!HeldByDevice(before)) left_.insert(before);
        LocalInterface holder;
        if (FindInterfaceOf(c.address, holder)) return;
        int prefix = NetmaskPrefixLength(c.netmask);
        if (prefix < 0) prefix = 32;
        RunIp("add", c.address + "/" + std::to_string(prefix), interfaces_[device].name);
    }

    bool HeldByDevice(const std::string& address) const {
        for (const EmulatedDevice& device : devices_) {
            if (device.address() == address) return true;
        }
        return false;
    }

    // Addresses that devices have left come off their interface once the last reply from
    // them (a reply from the old address, say) has gone.
    void RetireLeftAddresses() {
        for (const std::string& address : left_) {
            if (pendingFrom_[address] > 0) continue;
            if (retired_.count(address)) continue;
            retired_.insert(address);
            const auto socket = sendFds_.find(address);
            if (socket != sendFds_.end()) {
                close(socket->second);
                sendFds_.erase(socket);
            }
            LocalInterface holder;
            if (FindInterfaceOf(address, holder)) {
                // Deleting the first address of a subnet deletes the others of it too unless
                // they are promoted: the other devices keep theirs.
                const std::string promote = "/proc/sys/net/ipv4/conf/" + holder.name + "/promote_secondaries";
                if (std::FILE* file = std::fopen(promote.c_str(), "w")) {
                    std::fputs("1", file);
                    std::fclose(file);
                }
                RunIp("del", address + "/" + std::to_string(holder.prefix), holder.name);
            }
        }
        // An address a device takes again is its own once more.
        for (auto it = retired_.begin(); it != retired_.end();) {
            it = left_.count(*it) ? std::next(it) : retired_.erase(it);
        }
    }

    // ip addr add|del CIDR dev INTERFACE, logged.
    void RunIp(const char* verb, const std::string& cidr, const std::string& interfaceName) {
        std::vector<std::string> args{"ip", "addr", verb, cidr, "dev", interfaceName};
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        // Found where Debian puts it even when PATH lacks the sbin folders.
        const char* program = "ip";
        for (const char* candidate : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"}) {
            if (access(candidate, X_OK) == 0) {
                program = candidate;
                break;
            }
        }
        const std::string command = std::string("ip addr ") + verb + " " + cidr + " dev " + interfaceName;
        pid_t child = 0;
        if (posix_spawnp(&child, program, nullptr, nullptr, argv.data(), environ) != 0) {
            log_.Line("note could not run " + command);
            return;
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        log_.Line(command + (WIFEXITED(status) && WEXITSTATUS(status) == 0 ? " ok" : " failed"));
    }

    bool Fail(const char* what) {
        std::fprintf(stderr, "nas-emulator: %s: %s\n", what, std::strerror(errno));
        return false;
    }

    EmulatorLog& log_;
    std::vector<EmulatedDevice> devices_;
    std::vector<LocalInterface> interfaces_;  // per device: where it was configured
    int receiveFd_ = -1;
    std::map<std::string, int> sendFds_;
    std::priority_queue<PendingReply, std::vector<PendingReply>, std::greater<>> pending_;
    std::uint64_t nextSequence_ = 0;
    std::map<std::string, int> pendingFrom_;  // replies still to go, by the address they go from
    std::set<std::string> left_;              // addresses that devices had and no device has now
    std::set<std::string> retired_;           // those of them already taken off the interface
    Clock::time_point noiseStart_ = Clock::now();
    std::vector<std::uint64_t> noiseSent_;  // per device
    WebServer web_;
};

int Usage() {
    std::fprintf(stderr, "usage: nas-emulator --config FILE [--log FILE] [--web-port N]\n");
    return 2;
}

}  // namespace
}  // namespace nasemu

int main(int argc, char** argv) {
    using namespace nasemu;
    std::string configPath, logPath;
    long webPort = 80;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) return Usage();
        if (arg == "--config") {
            configPath = argv[++i];
        } else if (arg == "--log") {
            logPath = argv[++i];
        } else if (arg == "--web-port") {
            char* end = nullptr;
            webPort = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || webPort < 0 || webPort > 65535) return Usage();
        } else {
            return Usage();
        }
    }
    if (configPath.empty()) return Usage();

    EmulatorConfig config;
    std::string error;
    if (!LoadEmulatorConfig(configPath, config, error)) {
        std::fprintf(stderr, "nas-emulator: %s\n", error.c_str());
        return 2;
    }
    std::string why;
    if (!InTestNamespace(why)) {
        std::fprintf(stderr,
                     "nas-emulator: refusing to run outside a test network namespace (%s); "
                     "start it with ip netns exec in a namespace of the lan scripts\n",
                     why.c_str());
        return 2;
    }

    EmulatorLog log;
    if (!log.Open(logPath)) {
        std::fprintf(stderr, "nas-emulator: cannot open log %s: %s\n", logPath.c_str(), std::strerror(errno));
        return 2;
    }

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Emulator emulator(std::move(config), log);
    if (!emulator.Start(static_cast<std::uint16_t>(webPort))) return 1;
    emulator.Run();
    return 0;
}
