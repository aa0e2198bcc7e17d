// Windows Sockets 1.1 backend. <winsock.h> and wsock32 on purpose: the option numbers of
// IP_MULTICAST_IF, IP_MULTICAST_LOOP and IP_ADD_MEMBERSHIP (2, 4, 5) are the 1.1 ones, which
// <winsock2.h> redefines; the two headers must never meet in this file.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock.h>
// After <winsock.h>, which brings in <windows.h>: RtlGenRandom needs its basic types.
#include <ntsecapi.h>

#include "protocol/winsock/winsock_transport.h"

#include <climits>
#include <cstring>
#include <memory>

#include "protocol/system_transport.h"

namespace vidudi {
namespace {

constexpr int kHostNameBufferSize = 128;
constexpr int kReceiveSocketBuffer = 1 << 20;

static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t), "SOCKET is a UINT_PTR");

SOCKET AsSocket(std::uintptr_t handle) { return static_cast<SOCKET>(handle); }

sockaddr_in DeviceGroupAddress() {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_port = htons(kDevicePort);
    destination.sin_addr.s_addr = inet_addr(kDeviceGroup);
    return destination;
}

// Options are passed exactly as the program always passed them; a failed option is not an
// error here (a socket that cannot be set up simply never delivers anything).
void SetByteOption(SOCKET socket, int level, int name, char value) {
    setsockopt(socket, level, name, &value, 1);
}

// Last resort when the system's random source refuses: still differs between two copies
// started in the same second, which is all the instance tag needs.
void FillFromClockAndProcess(std::uint8_t* out, std::size_t count) {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uint64_t state = static_cast<std::uint64_t>(counter.QuadPart) ^
                          (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^
                          GetTickCount();
    for (std::size_t k = 0; k < count; ++k) {
        // splitmix64 step
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        out[k] = static_cast<std::uint8_t>(z ^ (z >> 31));
    }
}

}  // namespace

WinsockTransport::WinsockTransport() {
    for (int i = 0; i < kMaxLocalAddresses; ++i) {
        sendSockets_[i] = static_cast<SocketHandle>(INVALID_SOCKET);
        receiveSockets_[i] = static_cast<SocketHandle>(INVALID_SOCKET);
    }
}

WinsockTransport::~WinsockTransport() {
    for (int i = 0; i < kMaxLocalAddresses; ++i) CloseSockets(i);
    Cleanup();
}

bool WinsockTransport::Startup() {
    WSADATA data{};
    // Version 1.1: what wsock32 offers and all the program asks for.
    if (WSAStartup(0x0101, &data) != 0) return false;
    started_ = true;
    return true;
}

void WinsockTransport::Cleanup() {
    if (!started_) return;
    started_ = false;
    WSACleanup();
}

std::vector<std::string> WinsockTransport::ListLocalAddresses() {
    std::vector<std::string> addresses;
    char hostName[kHostNameBufferSize] = {};
    if (gethostname(hostName, sizeof hostName) != 0) return addresses;
    // gethostname need not terminate a name that fills the buffer.
    hostName[sizeof hostName - 1] = '\0';

    // The resolver's view of this computer's own name lists every interface address.
    const hostent* host = gethostbyname(hostName);
    if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4 ||
        host->h_addr_list == nullptr)
        return addresses;
    for (char** entry = host->h_addr_list; *entry != nullptr; ++entry) {
        in_addr address{};
        std::memcpy(&address, *entry, sizeof address);
        // inet_ntoa's text lives in a per-thread buffer: copy it before the next call.
        if (const char* text = inet_ntoa(address)) addresses.emplace_back(text);
    }
    return addresses;
}

void WinsockTransport::FillRandom(std::uint8_t* out, std::size_t count) {
    if (count == 0) return;
    // RtlGenRandom (advapi32's SystemFunction036): the system's cryptographic source.
    if (count <= ULONG_MAX && RtlGenRandom(out, static_cast<ULONG>(count))) return;
    FillFromClockAndProcess(out, count);
}

void WinsockTransport::CloseSocket(SocketHandle& socket) {
    if (AsSocket(socket) != INVALID_SOCKET) closesocket(AsSocket(socket));
    socket = static_cast<SocketHandle>(INVALID_SOCKET);
}

void WinsockTransport::OpenSendSocket(int i, const char* localAddress) {
    if (!IsSlot(i) || localAddress == nullptr) return;
    CloseSocket(sendSockets_[i]);
    sendInterfaces_[i] = inet_addr(localAddress);

    SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    sendSockets_[i] = static_cast<SocketHandle>(socket);
    if (socket == INVALID_SOCKET) return;
    // Loop off: this computer's own requests must not come back on its receive sockets.
    SetByteOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, 0);
}

void WinsockTransport::OpenReceiveSocket(int i, const char* localAddress) {
    if (!IsSlot(i) || localAddress == nullptr) return;
    CloseSocket(receiveSockets_[i]);

    SOCKET socket = ::socket(AF_INET, SOCK_DGRAM, 0);
    receiveSockets_[i] = static_cast<SocketHandle>(socket);
    if (socket == INVALID_SOCKET) {
        health_[i] = {false, false, false, false};
        return;
    }

    // Every receive socket binds the same port, on its own address.
    SetByteOption(socket, SOL_SOCKET, SO_REUSEADDR, 1);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDevicePort);
    local.sin_addr.s_addr = inet_addr(localAddress);
    // Windows delivers the group's datagrams to a socket bound to the unicast address of the
    // interface they arrived on; this is what keeps each address's replies on its own socket.
    health_[i] = {};
    if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        health_[i].receiveBound = false;
        // WSAEACCES: the other socket holds the port for itself alone (or, under Wine, a Linux
        // socket that did not share it).
        const int error = WSAGetLastError();
        health_[i].portInUse = error == WSAEADDRINUSE || error == WSAEACCES;
    }

    ip_mreq membership{};  // 8 bytes: group, then interface
    membership.imr_multiaddr.s_addr = inet_addr(kDeviceGroup);
    membership.imr_interface.s_addr = local.sin_addr.s_addr;
    health_[i].groupJoined = setsockopt(socket, IPPROTO_IP, IP_ADD_MEMBERSHIP,
                                        reinterpret_cast<const char*>(&membership), sizeof membership) == 0;

    SetByteOption(socket, IPPROTO_IP, IP_MULTICAST_LOOP, 0);

    // Room for a burst of hundreds of replies between two reads.
    int room = kReceiveSocketBuffer;
    setsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&room), sizeof room);
    // Reads never block: the wait loop reads a socket until it reports nothing queued.
    u_long nonBlocking = 1;
    ioctlsocket(socket, FIONBIO, &nonBlocking);
}

void WinsockTransport::CloseSockets(int i) {
    if (!IsSlot(i)) return;
    CloseSocket(sendSockets_[i]);
    CloseSocket(receiveSockets_[i]);
    sendInterfaces_[i] = 0;
}

void WinsockTransport::Send(int i, const std::uint8_t* data, std::size_t length) {
    if (!IsSlot(i) || AsSocket(sendSockets_[i]) == INVALID_SOCKET) return;
    if (length > INT_MAX) return;
    SOCKET socket = AsSocket(sendSockets_[i]);

    // Chosen again before every send: the group is reached through the interface of address i.
    in_addr outgoing{};
    outgoing.s_addr = sendInterfaces_[i];
    setsockopt(socket, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&outgoing),
               sizeof outgoing);

    const sockaddr_in destination = DeviceGroupAddress();
    health_[i].sendFailed = sendto(socket, reinterpret_cast<const char*>(data), static_cast<int>(length), 0,
                                   reinterpret_cast<const sockaddr*>(&destination), sizeof destination) == SOCKET_ERROR;
}

SocketHealth WinsockTransport::HealthOf(int i) { return IsSlot(i) ? health_[i] : SocketHealth{}; }

AddressSet WinsockTransport::Poll(AddressSet addresses, std::int64_t timeoutMicros) {
    if (timeoutMicros < 0) timeoutMicros = 0;
    fd_set readable;
    FD_ZERO(&readable);
    for (int i = 0; i < kMaxLocalAddresses; ++i) {
        if ((addresses & OneAddress(i)) && AsSocket(receiveSockets_[i]) != INVALID_SOCKET) {
            FD_SET(AsSocket(receiveSockets_[i]), &readable);
        }
    }
    if (readable.fd_count == 0) {
        // select refuses an empty set; sockets that never came up wait like idle ones, so a
        // wait keeps its length.
        ::Sleep(static_cast<DWORD>((timeoutMicros + 999) / 1000));
        return 0;
    }
    timeval limit{};
    limit.tv_sec = static_cast<long>(timeoutMicros / 1000000);
    limit.tv_usec = static_cast<long>(timeoutMicros % 1000000);
    // The first argument of select is ignored by Windows Sockets.
    if (select(0, &readable, nullptr, nullptr, &limit) <= 0) return 0;
    AddressSet ready = 0;
    for (int i = 0; i < kMaxLocalAddresses; ++i) {
        if ((addresses & OneAddress(i)) && AsSocket(receiveSockets_[i]) != INVALID_SOCKET &&
            FD_ISSET(AsSocket(receiveSockets_[i]), &readable)) {
            ready |= OneAddress(i);
        }
    }
    return ready;
}

int WinsockTransport::Receive(int i, std::uint8_t* buffer, std::size_t capacity) {
    if (!IsSlot(i) || AsSocket(receiveSockets_[i]) == INVALID_SOCKET) return kNothingQueued;
    const int room = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);

    sockaddr_in sender{};
    int senderLength = sizeof sender;
    const int received = recvfrom(AsSocket(receiveSockets_[i]), reinterpret_cast<char*>(buffer),
                                  room, 0, reinterpret_cast<sockaddr*>(&sender), &senderLength);
    if (received != SOCKET_ERROR) {
        lastSenders_[i] = sender.sin_addr.s_addr;
        return received;
    }
    // WSAEMSGSIZE: a datagram too long for the buffer, whose head Windows has kept and whose
    // rest it has dropped. A cut datagram is never taken for a whole one.
    return WSAGetLastError() == WSAEWOULDBLOCK ? kNothingQueued : kReadFailed;
}

std::string WinsockTransport::SenderOfLastRead(int i) {
    if (!IsSlot(i)) return {};
    in_addr address{};
    address.s_addr = lastSenders_[i];
    const char* text = inet_ntoa(address);
    return text ? text : "";
}

std::int64_t WinsockTransport::NowMicros() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<std::int64_t>(counter.QuadPart / frequency.QuadPart * 1000000 +
                                     counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart);
}

void WinsockTransport::Sleep(int milliseconds) {
    if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

std::unique_ptr<Transport> MakeSystemTransport() { return std::make_unique<WinsockTransport>(); }

}  // namespace vidudi
