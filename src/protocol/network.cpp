#include "protocol/network.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

#include "protocol/request_buffers.h"

namespace vidudi {

char LocalAddressTable[kMaxLocalAddresses][16];
std::int32_t g_nLocalAddressCount;
std::uint8_t ClientTag[10];

namespace {
Transport* g_transport = nullptr;
bool g_networkUp = false;
std::atomic<bool> g_abandoned{false};
DatagramFate g_fate = DatagramFate::Discarded;
DatagramObserver g_observer;

// Reads per readable socket before the clock is looked at again: a socket that never runs dry
// must not keep a wait past its deadline.
constexpr int kReadsPerRound = 64;
// The longest single poll: how soon an abandoned exchange notices.
constexpr std::int64_t kPollSliceMicros = 100'000;
// A flush stops after this long even when a device keeps the socket busy.
constexpr std::int64_t kFlushLimitMicros = 50'000;
// One poll of a flush that waits.
constexpr std::int64_t kFlushPollMicros = 10'000;
}  // namespace

void UseTransport(Transport* transport) { g_transport = transport; }

void JudgeDatagram(DatagramFate fate) { g_fate = fate; }

DatagramObserver ObserveDatagrams(DatagramObserver observer) { return std::exchange(g_observer, std::move(observer)); }

Transport& CurrentTransport() { return *g_transport; }

bool IsNetworkUp() { return g_networkUp; }

void AbandonExchanges() { g_abandoned = true; }

bool ExchangesAbandoned() { return g_abandoned; }

void EnumerateLocalAddresses() {
    std::memset(LocalAddressTable, 0, sizeof LocalAddressTable);
    g_nLocalAddressCount = 0;
    for (const std::string& address : g_transport->ListLocalAddresses()) {
        if (g_nLocalAddressCount == kMaxLocalAddresses) break;
        CopyText(LocalAddressTable[g_nLocalAddressCount++], address.c_str());
    }
    // A fresh tag from the platform's random source: two copies started in the same second,
    // or two Refreshes within one, must not share a tag and take each other's replies.
    std::memset(ClientTag, 0, sizeof ClientTag);
    g_transport->FillRandom(ClientTag, DevicePacket::kTagCompared);
}

bool StartNetwork() {
    g_abandoned = false;
    if (!g_transport->Startup()) return false;
    EnumerateLocalAddresses();
    for (int i = 0; i < g_nLocalAddressCount; ++i) {
        g_transport->OpenSendSocket(i, LocalAddressTable[i]);
    }
    for (int i = 0; i < g_nLocalAddressCount; ++i) {
        g_transport->OpenReceiveSocket(i, LocalAddressTable[i]);
    }
    g_networkUp = true;
    return true;
}

void StopNetwork() {
    if (!g_networkUp) return;
    for (int i = 0; i < g_nLocalAddressCount; ++i) g_transport->CloseSockets(i);
    g_transport->Cleanup();
    g_networkUp = false;
}

AddressSet AllLocalAddresses() {
    return g_nLocalAddressCount >= kMaxLocalAddresses ? ~AddressSet{0}
                                                      : OneAddress(g_nLocalAddressCount) - 1;
}

void SendOnAddress(int i, const std::uint8_t* data, std::size_t length) {
    // Nothing more goes out once the window has gone: not the rest of a search, and above
    // all no further setting.
    if (g_abandoned) return;
    g_transport->Send(i, data, length);
}

std::int64_t NowMicros() { return g_transport->NowMicros(); }

void Pause(int milliseconds) {
    // A long pause (the second between two searches) goes in slices, so that an abandoned
    // exchange does not sleep it out; a slice is long enough that a coarse system timer does
    // not stretch the whole.
    constexpr int kSliceMilliseconds = 200;
    while (milliseconds > 0 && !g_abandoned) {
        const int slice = std::min(milliseconds, kSliceMilliseconds);
        g_transport->Sleep(slice);
        milliseconds -= slice;
    }
}

// How every exchange waits. One poll covers all the addresses the exchange listens on, with
// the time left to its deadline; whatever is readable is then read at once, socket by socket,
// until each runs dry, and every datagram goes to the handler. So a reply is taken as soon as
// it arrives, a burst of replies is drained rather than left to overflow the socket, and only
// the deadline or the handler ends the wait: other traffic is read and dropped without
// shortening or stretching it.
bool WaitForDatagrams(const Wait& wait, const DatagramHandler& handler) {
    if (wait.addresses == 0) return false;
    // Room for the largest datagram, and the NUL placed after it.
    std::vector<std::uint8_t> buffer(kDatagramCapacity + 1);
    for (;;) {
        if (g_abandoned) return false;
        const std::int64_t left = wait.endWhenIdle ? 0 : wait.deadlineMicros - g_transport->NowMicros();
        // In slices, so that an abandoned exchange ends within one.
        const std::int64_t slice = std::clamp<std::int64_t>(left, 0, kPollSliceMicros);
        const AddressSet readable = g_transport->Poll(wait.addresses, slice);
        if (readable == 0 && (wait.endWhenIdle || left <= 0)) return false;
        for (int i = 0; i < kMaxLocalAddresses; ++i) {
            if (!(readable & OneAddress(i))) continue;
            for (int reads = 0; reads < kReadsPerRound; ++reads) {
                const int length = g_transport->Receive(i, buffer.data(), kDatagramCapacity);
                if (length == Transport::kNothingQueued) break;
                if (length < 0) continue;  // a failed read costs nothing but the read
                buffer[static_cast<std::size_t>(length)] = 0;
                const Datagram datagram{buffer.data(), static_cast<std::size_t>(length)};
                g_fate = DatagramFate::Discarded;
                const bool done = handler(i, datagram);
                if (g_observer) g_observer(i, g_transport->SenderOfLastRead(i), datagram, g_fate);
                if (done) return true;
            }
        }
        if (g_transport->NowMicros() >= wait.deadlineMicros) return false;
    }
}

void FlushCycles(int i, int cycles) {
    WaitForDatagrams({OneAddress(i), g_transport->NowMicros() + cycles * kFlushPollMicros},
                     [](int, const Datagram&) { return false; });
}

void FlushAddresses(AddressSet addresses) {
    WaitForDatagrams({addresses, g_transport->NowMicros() + kFlushLimitMicros, true},
                     [](int, const Datagram&) { return false; });
}

}  // namespace vidudi
