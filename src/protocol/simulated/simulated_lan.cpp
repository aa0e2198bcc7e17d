#include "protocol/simulated/simulated_lan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>

namespace vidudi {

namespace {
constexpr std::int64_t kMicrosPerMilli = 1000;
constexpr std::int64_t kFailedReadMicros = 50;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
}  // namespace

void SimulatedLan::AddLocalAddress(const std::string& address, int segment) {
    locals_.push_back({address, segment});
}

void SimulatedLan::AttachPeer(int segment, Peer peer) { peers_.emplace(segment, std::move(peer)); }

void SimulatedLan::Deliver(int segment, Bytes datagram, std::int64_t atMicros) {
    pending_.emplace(std::max(atMicros, now_), std::make_pair(segment, std::move(datagram)));
}

void SimulatedLan::AddStream(int segment, Bytes datagram, std::int64_t startMicros,
                             std::int64_t periodMicros) {
    streams_.push_back({segment, std::move(datagram), std::max(startMicros, now_), periodMicros});
}

void SimulatedLan::FailReads(const std::string& address, int count) { failReads_[address] += count; }

int SimulatedLan::openSockets() const {
    int open = 0;
    for (const Socket& socket : sockets_) open += socket.sendOpen + socket.receiveOpen;
    return open;
}

bool SimulatedLan::Startup() {
    if (startupFails) return false;
    ++startups_;
    return true;
}

void SimulatedLan::Cleanup() {}

std::vector<std::string> SimulatedLan::ListLocalAddresses() {
    std::vector<std::string> addresses;
    for (const Local& local : locals_) addresses.push_back(local.address);
    return addresses;
}

void SimulatedLan::FillRandom(std::uint8_t* out, std::size_t count) {
    std::random_device source;
    for (std::size_t b = 0; b < count; ++b) out[b] = static_cast<std::uint8_t>(source());
}

void SimulatedLan::OpenSendSocket(int i, const char* localAddress) {
    Socket& socket = sockets_[i];
    socket.address = localAddress;
    socket.sendOpen = true;
    for (const Local& local : locals_) {
        if (local.address == localAddress) socket.segment = local.segment;
    }
}

void SimulatedLan::OpenReceiveSocket(int i, const char* localAddress) {
    Socket& socket = sockets_[i];
    socket.address = localAddress;
    socket.receiveOpen = true;
    socket.queue.clear();
    for (const Local& local : locals_) {
        if (local.address == localAddress) socket.segment = local.segment;
    }
}

void SimulatedLan::CloseSockets(int i) { sockets_[i] = Socket{}; }

void SimulatedLan::Send(int i, const std::uint8_t* data, std::size_t length) {
    const Socket& socket = sockets_[i];
    if (!socket.sendOpen) return;
    Bytes datagram(data, data + length);
    sent_.push_back({now_, socket.address, datagram});
    auto range = peers_.equal_range(socket.segment);
    for (auto it = range.first; it != range.second; ++it) it->second(*this, socket.segment, datagram);
}

bool SimulatedLan::Readable(int i) const {
    const Socket& socket = sockets_[i];
    if (!socket.receiveOpen) return false;
    auto failing = failReads_.find(socket.address);
    return !socket.queue.empty() || (failing != failReads_.end() && failing->second > 0);
}

AddressSet SimulatedLan::ReadableAmong(AddressSet addresses) const {
    AddressSet readable = 0;
    for (int i = 0; i < kMaxLocalAddresses; ++i) {
        if ((addresses & OneAddress(i)) && Readable(i)) readable |= OneAddress(i);
    }
    return readable;
}

AddressSet SimulatedLan::Poll(AddressSet addresses, std::int64_t timeoutMicros) {
    ++polls_;
    const std::int64_t deadline = now_ + std::max<std::int64_t>(timeoutMicros, 0);
    AdvanceTo(now_);
    for (;;) {
        if (AddressSet readable = ReadableAmong(addresses)) return readable;
        const std::int64_t next = NextEventAt();
        if (next > deadline) {
            now_ = deadline;
            return 0;
        }
        AdvanceTo(next);
    }
}

int SimulatedLan::Receive(int i, std::uint8_t* buffer, std::size_t capacity) {
    Socket& socket = sockets_[i];
    auto failing = failReads_.find(socket.address);
    if (failing != failReads_.end() && failing->second > 0) {
        --failing->second;
        // A failing socket costs the time of a system call, like a real one, so that a wait
        // on it still reaches its deadline.
        AdvanceTo(now_ + kFailedReadMicros);
        return kReadFailed;
    }
    if (!socket.receiveOpen || socket.queue.empty()) return kNothingQueued;
    Bytes datagram = std::move(socket.queue.front());
    socket.queue.pop_front();
    if (datagram.size() > capacity) return kReadFailed;
    if (!datagram.empty()) std::memcpy(buffer, datagram.data(), datagram.size());
    return static_cast<int>(datagram.size());
}

void SimulatedLan::Sleep(int milliseconds) { AdvanceTo(now_ + milliseconds * kMicrosPerMilli); }

std::int64_t SimulatedLan::NextEventAt() const {
    std::int64_t next = pending_.empty() ? kNever : pending_.begin()->first;
    for (const Stream& stream : streams_) next = std::min(next, stream.next);
    return next;
}

void SimulatedLan::AdvanceTo(std::int64_t micros) {
    for (;;) {
        const std::int64_t next = NextEventAt();
        if (next > micros) break;
        now_ = std::max(now_, next);
        if (!pending_.empty() && pending_.begin()->first == next) {
            auto node = pending_.extract(pending_.begin());
            Arrive(node.mapped().first, node.mapped().second);
            continue;
        }
        for (Stream& stream : streams_) {
            if (stream.next == next) {
                Arrive(stream.segment, stream.datagram);
                stream.next += stream.period;
            }
        }
    }
    now_ = std::max(now_, micros);
}

void SimulatedLan::Arrive(int segment, const Bytes& datagram) {
    // Every open receive socket on the segment is a member of the group and gets a copy.
    for (Socket& socket : sockets_) {
        if (socket.receiveOpen && socket.segment == segment) socket.queue.push_back(datagram);
    }
}

}  // namespace vidudi
