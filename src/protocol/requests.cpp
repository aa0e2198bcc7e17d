#include "protocol/requests.h"

#include <cstdio>
#include <cstring>
#include <vector>

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
    int flushCycles;  // flush the target's address first, for this many cycles (0: no flush)
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

// Replies of op 4 do not say what they answer. A reply that comes just after its request gave
// up would be taken for the answer to the next request on that address, so after a give-up
// the next request flushes the slow way, waiting out its cycles, before it sends. Remembered
// with the tag it was made under: a late reply to an earlier tag is refused anyway.
struct GaveUp {
    bool pending = false;
    std::uint8_t tag[kTagCompared] = {};
};
GaveUp g_gaveUp[kMaxLocalAddresses];

bool GaveUpLast(int i) {
    return i >= 0 && i < kMaxLocalAddresses && g_gaveUp[i].pending &&
           std::memcmp(g_gaveUp[i].tag, ClientTag, kTagCompared) == 0;
}

void RememberOutcome(int i, bool answered) {
    if (i < 0 || i >= kMaxLocalAddresses) return;
    g_gaveUp[i].pending = !answered;
    std::memcpy(g_gaveUp[i].tag, ClientTag, kTagCompared);
}

void FlushBefore(const RequestKind& kind, int i) {
    if (!GaveUpLast(i)) {
        if (kind.flushCycles > 0) FlushAddresses(OneAddress(i));
    } else if (kind.flushCycles > 0) {
        FlushCycles(i, kind.flushCycles);
    } else {
        // No flush of its own, but a late reply that is already in must not be its answer
        // either (a share list read as a password verdict).
        FlushAddresses(OneAddress(i));
    }
}

// The awaited reply, kept whole with a NUL after it.
struct Reply {
    std::vector<std::uint8_t> bytes;
    Datagram datagram() const { return {bytes.data(), bytes.empty() ? 0 : bytes.size() - 1}; }
};

// The one exchange every request makes: find the target, flush, send once, then wait for the
// awaited reply until the request's time is up. Datagrams of other kinds, replies for another
// instance, and replies from another address are read and passed over; they neither end the
// wait nor stretch it.
bool Exchange(const RequestKind& kind, Reply& reply) {
    const DeviceEntry* target = FindDeviceEntry(g_szTargetIP);
    if (!target) return false;
    const int i = target->iface;
    FlushBefore(kind, i);

    std::uint8_t request[kPacketBufferSize] = {};
    const std::size_t length = kind.build(request);
    if (!length) return false;
    // The address the reply must come from, fixed before the wait (the buffers stay as they are).
    char expected[16] = {};
    if (kind.from == ReplyFrom::Target) CopyText(expected, g_szTargetIP);
    if (kind.from == ReplyFrom::NewAddress) CopyText(expected, g_szNewIP);

    SendOnAddress(i, request, length);
    const std::int64_t deadline = NowMicros() + RequestWaitMicros(kind.cycles);
    auto skip = [](DatagramFate why) {
        JudgeDatagram(why);
        return false;
    };
    const bool answered = WaitForDatagrams({OneAddress(i), deadline}, [&](int, const Datagram& datagram) {
        if (datagram.At(kOp) != kind.awaitedOp) return skip(DatagramFate::OtherOp);
        if (!IsReplyForUs(datagram)) return skip(DatagramFate::OtherInstance);
        // A reply too short to say which device sent it cannot be the one awaited.
        if (!datagram.Has(kAddress, 4)) return skip(DatagramFate::Malformed);
        char from[16];
        RenderDeviceAddress(datagram, from);
        if (kind.from != ReplyFrom::AnyAddress && std::strcmp(from, expected) != 0) {
            return skip(DatagramFate::OtherSender);
        }
        JudgeDatagram(DatagramFate::Accepted);
        reply.bytes.assign(datagram.bytes, datagram.bytes + datagram.length + 1);
        return true;
    });
    RememberOutcome(i, answered);
    return answered;
}

// Dotted text to the four bytes of an id's address, network order.
void PutAddressBytes(std::uint8_t* at, const char* text) {
    unsigned octets[4] = {};
    std::sscanf(text, "%u.%u.%u.%u", &octets[0], &octets[1], &octets[2], &octets[3]);
    for (int b = 0; b < 4; ++b) at[b] = static_cast<std::uint8_t>(octets[b]);
}

// A setting whose reply carries nothing but the confirmation.
int Confirmed(const RequestKind& kind) {
    Reply reply;
    return Exchange(kind, reply) ? 1 : 0;
}

}  // namespace

void SetTraceSink(TraceSink sink) { g_traceSink = sink; }

int VerifyAdminPassword() {
    Reply reply;
    if (!Exchange(kVerifyAdminPassword, reply)) return 0;
    return static_cast<signed char>(reply.datagram().At(kQueryResult));
}

int GetShareList() {
    FreeShareList();  // empty after any failure
    Reply reply;
    if (!Exchange(kGetShareList, reply)) return 0;

    std::vector<char> textBuffer(reply.bytes.size());
    char* text = textBuffer.data();
    ReadReplyText(reply.datagram(), kQueryResult, textBuffer.size(), text, textBuffer.size());
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
    Reply reply;
    if (!Exchange(kGetWorkGroup, reply)) return 0;
    // Cut to the buffer: a longer text is a device fault and must not run past it.
    ReadReplyText(reply.datagram(), kQueryResult, sizeof g_szWorkGroup, g_szWorkGroup, sizeof g_szWorkGroup);
    if (g_traceSink) {
        char line[sizeof g_szWorkGroup + 16];
        std::snprintf(line, sizeof line, "workgroup=%s\n", g_szWorkGroup);
        g_traceSink(line);
    }
    return 1;
}

int SetStaticAddress() {
    Reply reply;
    if (!Exchange(kSetStaticAddress, reply)) return 0;
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
    Reply reply;
    if (!Exchange(kEnableDhcp, reply)) return 0;
    char newAddress[16];
    RenderDeviceAddress(reply.datagram(), newAddress);
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
