#pragma once
// The protocol reaches the network only through this interface: the few primitives that
// discovery and the request catalogue are built from. Each backend (winsock, posix, simulated)
// lives in its own folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vidudi {

class Transport {
public:
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
    // True when a datagram (or an error) is waiting on receive socket i; waits at most timeoutMs.
    virtual bool Poll(int i, int timeoutMs) = 0;
    // Reads one datagram into buffer; returns its length, or -1 when the read failed.
    // A datagram longer than capacity is cut to capacity.
    virtual int Receive(int i, std::uint8_t* buffer, std::size_t capacity) = 0;

    virtual void Sleep(int milliseconds) = 0;
};

}  // namespace vidudi
