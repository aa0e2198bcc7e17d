#include "protocol/network.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "protocol/packet.h"
#include "protocol/request_buffers.h"

namespace vidudi {

char LocalAddressTable[kMaxLocalAddresses][16];
std::int32_t g_nLocalAddressCount;
std::uint8_t ClientTag[10];

namespace {
Transport* g_transport = nullptr;
bool g_networkUp = false;
std::atomic<bool> g_abandoned{false};
}  // namespace

void UseTransport(Transport* transport) { g_transport = transport; }

Transport& CurrentTransport() { return *g_transport; }

bool IsNetworkUp() { return g_networkUp; }

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

void AbandonExchanges() { g_abandoned = true; }

bool ExchangesAbandoned() { return g_abandoned; }

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

void SendOnAddress(int i, const std::uint8_t* data, std::size_t length) {
    // Nothing more goes out once the window has gone: not the rest of a search, and above
    // all no further setting.
    if (ExchangesAbandoned()) return;
    g_transport->Send(i, data, length);
}

bool PollAddress(int i) { return !ExchangesAbandoned() && g_transport->Poll(i, kPollMilliseconds); }

int ReadOnAddress(int i, std::uint8_t* buffer) {
    int length = g_transport->Receive(i, buffer, kPacketBufferSize);
    if (length >= 0) buffer[length] = 0;
    return length;
}

void FlushAddress(int i, int count) {
    std::uint8_t discard[kReceiveBufferSize];
    for (int cycle = 0; cycle < count; ++cycle) {
        if (PollAddress(i)) ReadOnAddress(i, discard);
    }
}

void Pause(int milliseconds) {
    // A long pause (the second between two searches) goes in slices, so that an abandoned
    // exchange does not sleep it out; a slice is long enough that a coarse system timer does
    // not stretch the whole.
    constexpr int kSliceMilliseconds = 200;
    while (milliseconds > 0 && !ExchangesAbandoned()) {
        const int slice = std::min(milliseconds, kSliceMilliseconds);
        g_transport->Sleep(slice);
        milliseconds -= slice;
    }
}

}  // namespace vidudi
