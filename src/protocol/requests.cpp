#include "protocol/requests.h"

#include <cstdio>
#include <cstring>

#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/request_buffers.h"

namespace vidudi {

namespace {

using namespace DevicePacket;

TraceSink g_traceSink = nullptr;

// Whose reply a request waits for.
enum class ReplyFrom { Target, NewAddress, AnyAddress };

struct RequestKind {
    std::size_t (*build)(std::uint8_t* buffer);
    int flushCount;
    std::uint8_t awaitedOp;
    ReplyFrom from;
    int cycles;
};

constexpr RequestKind kVerifyAdminPassword{BuildVerifyAdminPasswordRequest, 0, kOpQueryReply, ReplyFrom::Target, 11};
constexpr RequestKind kGetShareList{BuildShareListRequest, 11, kOpQueryReply, ReplyFrom::Target, 21};
constexpr RequestKind kGetWorkGroup{BuildWorkGroupRequest, 6, kOpQueryReply, ReplyFrom::Target, 11};
constexpr RequestKind kSetStaticAddress{BuildStaticAddressRequest, 0, kOpSettingReply, ReplyFrom::NewAddress, 101};
constexpr RequestKind kEnableDhcp{BuildDhcpRequest, 0, kOpSettingReply, ReplyFrom::AnyAddress, 101};
constexpr RequestKind kSetHostName{BuildHostNameRequest, 0, kOpSettingReply, ReplyFrom::Target, 11};
constexpr RequestKind kSetWorkGroup{BuildWorkGroupChangeRequest, 0, kOpSettingReply, ReplyFrom::Target, 11};

// The one exchange every request makes: find the target, flush, send once, then wait for the
// awaited reply. On success the reply is in `reply` (NUL placed after it) and true returns.
bool Exchange(const RequestKind& kind, std::uint8_t* reply, Datagram& accepted) {
    const DeviceEntry* target = FindDeviceEntry(g_szTargetIP);
    if (!target) return false;
    const int i = target->iface;
    if (kind.flushCount) FlushAddress(i, kind.flushCount);

    std::uint8_t request[kPacketBufferSize] = {};
    std::memset(reply, 0, kReceiveBufferSize);
    const std::size_t length = kind.build(request);
    if (!length) return false;
    SendOnAddress(i, request, length);

    // The address the reply must come from, fixed before the wait (the buffers stay as they are).
    char expected[16] = {};
    if (kind.from == ReplyFrom::Target) CopyText(expected, g_szTargetIP);
    if (kind.from == ReplyFrom::NewAddress) CopyText(expected, g_szNewIP);

    int counted = 0;
    int uncountedBudget = kind.cycles * kUncountedPerCycle;
    for (;;) {
        if (PollAddress(i)) {
            const int received = ReadOnAddress(i, reply);
            const Datagram datagram{reply, received < 0 ? 0 : static_cast<std::size_t>(received)};
            const bool uncounted = received < 0 || datagram.At(kOp) != kind.awaitedOp;
            if (uncounted && uncountedBudget > 0) {
                --uncountedBudget;
                continue;
            }
            // A reply too short to say which device sent it cannot be the one awaited.
            if (!uncounted && IsReplyForUs(datagram) && datagram.Has(kAddress, 4)) {
                char from[16];
                RenderDeviceAddress(datagram, from);
                if (kind.from == ReplyFrom::AnyAddress || std::strcmp(from, expected) == 0) {
                    accepted = datagram;
                    return true;
                }
            }
        }
        if (++counted > kind.cycles - 1) return false;
        Pause(kRequestCyclePause);
    }
}

// Dotted text to the four bytes of an id's address, network order.
void PutAddressBytes(std::uint8_t* at, const char* text) {
    unsigned octets[4] = {};
    std::sscanf(text, "%u.%u.%u.%u", &octets[0], &octets[1], &octets[2], &octets[3]);
    for (int b = 0; b < 4; ++b) at[b] = static_cast<std::uint8_t>(octets[b]);
}

// A setting whose reply carries nothing but the confirmation.
int Confirmed(const RequestKind& kind) {
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    return Exchange(kind, reply, accepted) ? 1 : 0;
}

}  // namespace

void SetTraceSink(TraceSink sink) { g_traceSink = sink; }

int VerifyAdminPassword() {
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    if (!Exchange(kVerifyAdminPassword, reply, accepted)) return 0;
    return static_cast<signed char>(accepted.At(kQueryResult));
}

int GetShareList() {
    FreeShareList();  // empty after any failure
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    if (!Exchange(kGetShareList, reply, accepted)) return 0;

    char text[kReceiveBufferSize];
    ReadReplyText(accepted, kQueryResult, kReceiveBufferSize, text, sizeof text);
    // Names are separated by ':'; empty pieces (doubled or trailing colons) are skipped.
    for (char* piece = text; *piece;) {
        char* end = std::strchr(piece, ':');
        const bool last = end == nullptr;
        if (!last) *end = '\0';
        if (*piece && !FindShare(piece)) AppendShare(piece);
        if (last) break;
        piece = end + 1;
    }
    return 1;
}

int GetWorkGroup() {
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    if (!Exchange(kGetWorkGroup, reply, accepted)) return 0;
    // Cut to the buffer: a longer text is a device fault and must not run past it.
    ReadReplyText(accepted, kQueryResult, kReceiveBufferSize, g_szWorkGroup, sizeof g_szWorkGroup);
    if (g_traceSink) {
        char line[sizeof g_szWorkGroup + 16];
        std::snprintf(line, sizeof line, "workgroup=%s\n", g_szWorkGroup);
        g_traceSink(line);
    }
    return 1;
}

int SetStaticAddress() {
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    if (!Exchange(kSetStaticAddress, reply, accepted)) return 0;
    if (DeviceEntry* entry = FindDeviceEntry(g_szTargetIP)) {
        CopyText(entry->address, g_szNewIP);
        CopyText(entry->netmask, g_szNewNetmask);
        CopyText(entry->gateway, g_szNewGateway);
        PutAddressBytes(entry->id + kIdentitySize, g_szNewIP);
    }
    CopyText(g_szTargetIP, g_szNewIP);
    return 1;
}

int EnableDhcp() {
    std::uint8_t reply[kReceiveBufferSize];
    Datagram accepted;
    if (!Exchange(kEnableDhcp, reply, accepted)) return 0;
    char newAddress[16];
    RenderDeviceAddress(accepted, newAddress);
    if (DeviceEntry* entry = FindDeviceEntry(g_szTargetIP)) {
        CopyText(entry->address, newAddress);
        PutAddressBytes(entry->id + kIdentitySize, newAddress);
    }
    CopyText(g_szTargetIP, newAddress);
    return 1;
}

int SetHostName() { return Confirmed(kSetHostName); }

int SetWorkGroup() { return Confirmed(kSetWorkGroup); }

}  // namespace vidudi
