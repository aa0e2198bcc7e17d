#pragma once
// An in-memory LAN with a virtual clock, behind the Transport interface. Polls and sleeps move
// virtual time forward instantly, so a test checks the protocol's timing exactly in microseconds
// of real time. Peers on a segment (emulated devices, noise sources) see every datagram the
// client sends on it and answer at chosen virtual times.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "protocol/network.h"
#include "protocol/transport.h"

namespace vidudi {

class SimulatedLan : public Transport {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Sees what the client sends on its segment at time now (microseconds); answers through
    // Deliver.
    using Peer = std::function<void(SimulatedLan& lan, int segment, const Bytes& datagram)>;

    // The client's local addresses, in the order ListLocalAddresses gives them.
    void AddLocalAddress(const std::string& address, int segment);
    void AttachPeer(int segment, Peer peer);
    // A datagram that reaches every client address on segment at virtual time atMicros.
    void Deliver(int segment, Bytes datagram, std::int64_t atMicros);
    // From startMicros on, a datagram every periodMicros on segment, for ever.
    void AddStream(int segment, Bytes datagram, std::int64_t startMicros, std::int64_t periodMicros);
    // The next `count` reads on local address `address` fail (the socket polls readable).
    void FailReads(const std::string& address, int count);

    std::int64_t NowMicros() const { return now_; }
    // Polls the client made, and the reads that found a datagram.
    int polls() const { return polls_; }
    bool startupFails = false;

    struct Sent {
        std::int64_t atMicros;
        std::string from;  // local address
        Bytes bytes;
    };
    const std::vector<Sent>& sent() const { return sent_; }
    int startups() const { return startups_; }
    // Sockets currently open (send and receive count one each).
    int openSockets() const;

    // Transport
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
    std::int64_t NowMicros() override { return now_; }
    void Sleep(int milliseconds) override;

private:
    struct Local {
        std::string address;
        int segment;
    };
    struct Socket {
        std::string address;  // empty: closed
        int segment = -1;
        bool sendOpen = false;
        bool receiveOpen = false;
        std::deque<Bytes> queue;
    };
    struct Stream {
        int segment;
        Bytes datagram;
        std::int64_t next;
        std::int64_t period;
    };

    void AdvanceTo(std::int64_t micros);
    std::int64_t NextEventAt() const;
    void Arrive(int segment, const Bytes& datagram);
    bool Readable(int i) const;
    AddressSet ReadableAmong(AddressSet addresses) const;

    std::int64_t now_ = 0;
    std::vector<Local> locals_;
    std::multimap<int, Peer> peers_;
    std::multimap<std::int64_t, std::pair<int, Bytes>> pending_;
    std::vector<Stream> streams_;
    std::map<std::string, int> failReads_;
    Socket sockets_[32];
    std::vector<Sent> sent_;
    int startups_ = 0;
    int polls_ = 0;
};

}  // namespace vidudi
