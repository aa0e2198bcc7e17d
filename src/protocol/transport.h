#pragma once
// The protocol reaches the network only through this interface: the few primitives that
// discovery and the request catalogue are built from. Each backend (winsock, posix, simulated)
// lives in its own folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vidudi {

// A set of local addresses, bit i standing for address i.
using AddressSet = std::uint32_t;

// How the sockets of one local address came up, and whether its last send went out. The
// protocol does not look at it (a socket that failed simply delivers nothing); diagnosis does.
struct SocketHealth {
    bool receiveBound = true;  // the receive socket holds the device port
    bool portInUse = false;    // it could not, because another socket holds the port
    bool groupJoined = true;   // it joined the device group on its address
    bool sendFailed = false;   // the last send on this address was refused
};

class Transport {
public:
    // Receive results besides a length.
    static constexpr int kReadFailed = -1;
    static constexpr int kNothingQueued = -2;

    virtual ~Transport() = default;

    // Socket library up and down. Startup failing means no network layer at all.
    virtual bool Startup() = 0;
    virtual void Cleanup() = 0;

    // This computer's IPv4 addresses as dotted text, in the order the system gives them.
    virtual std::vector<std::string> ListLocalAddresses() = 0;

    // Fills out with bytes from the platform's cryptographic random source.
    virtual void FillRandom(std::uint8_t* out, std::size_t count) = 0;

    // Socket i sends out of / receives on local address i. Set-up errors are not reported:
    // a socket that could not be set up simply never delivers anything.
    virtual void OpenSendSocket(int i, const char* localAddress) = 0;
    virtual void OpenReceiveSocket(int i, const char* localAddress) = 0;
    virtual void CloseSockets(int i) = 0;

    // One datagram to the device group out of local address i; the outcome is not examined.
    virtual void Send(int i, const std::uint8_t* data, std::size_t length) = 0;
    // Waits at most timeoutMicros for a datagram (or an error) on any receive socket of
    // `addresses`; returns the set of those that are readable, empty when the time ran out.
    virtual AddressSet Poll(AddressSet addresses, std::int64_t timeoutMicros) = 0;
    // Reads one datagram without waiting: its length, kNothingQueued, or kReadFailed. A datagram
    // longer than capacity is a failed read (it is discarded, never cut).
    virtual int Receive(int i, std::uint8_t* buffer, std::size_t capacity) = 0;

    // The sender of the datagram that the last Receive on i returned, as dotted text ("" when
    // the backend does not know it). Only for traces: the protocol never looks at it.
    virtual std::string SenderOfLastRead(int /*i*/) { return {}; }

    // What is known of the sockets of address i; a backend that does not know says all is well.
    virtual SocketHealth HealthOf(int /*i*/) { return {}; }

    // A monotonic clock, and a pause.
    virtual std::int64_t NowMicros() = 0;
    virtual void Sleep(int milliseconds) = 0;
};

}  // namespace vidudi
