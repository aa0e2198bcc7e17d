#pragma once
// The Windows backend: Windows Sockets 1.1 (wsock32), one send and one receive socket per
// local address, the call sequence the program has always used.
#include <cstdint>

#include "protocol/network.h"
#include "protocol/transport.h"

namespace vidudi {

class WinsockTransport : public Transport {
public:
    WinsockTransport();
    ~WinsockTransport() override;
    WinsockTransport(const WinsockTransport&) = delete;
    WinsockTransport& operator=(const WinsockTransport&) = delete;

    bool Startup() override;
    void Cleanup() override;
    std::vector<std::string> ListLocalAddresses() override;
    void FillRandom(std::uint8_t* out, std::size_t count) override;
    void OpenSendSocket(int i, const char* localAddress) override;
    void OpenReceiveSocket(int i, const char* localAddress) override;
    void CloseSockets(int i) override;
    void Send(int i, const std::uint8_t* data, std::size_t length) override;
    AddressSet Poll(AddressSet addresses, std::int64_t timeoutMicros) override;
    int Receive(int i, std::uint8_t* buffer, std::size_t capacity) override;
    std::string SenderOfLastRead(int i) override;
    SocketHealth HealthOf(int i) override;
    std::int64_t NowMicros() override;
    void Sleep(int milliseconds) override;

private:
    // A SOCKET, kept as its integer type so that <winsock.h> stays out of this header.
    using SocketHandle = std::uintptr_t;

    static bool IsSlot(int i) { return i >= 0 && i < kMaxLocalAddresses; }
    static void CloseSocket(SocketHandle& socket);

    SocketHandle sendSockets_[kMaxLocalAddresses];
    SocketHandle receiveSockets_[kMaxLocalAddresses];
    // The interface address of each send socket, in network order, for IP_MULTICAST_IF.
    std::uint32_t sendInterfaces_[kMaxLocalAddresses] = {};
    // Who sent the datagram last read on each receive socket, in network order.
    std::uint32_t lastSenders_[kMaxLocalAddresses] = {};
    SocketHealth health_[kMaxLocalAddresses] = {};
    bool started_ = false;
};

}  // namespace vidudi
