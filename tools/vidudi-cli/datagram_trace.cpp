#include "datagram_trace.h"

#include <cstdio>

namespace vidudi::cli {

namespace {

std::string Reason(const Datagram& datagram, DatagramFate fate) {
    using namespace DevicePacket;
    char text[96];
    switch (fate) {
        case DatagramFate::Accepted: return "accepted";
        case DatagramFate::Discarded: return "skipped (stale, flushed before the request)";
        case DatagramFate::Repeated: return "skipped (that device has answered already)";
        case DatagramFate::OtherOp: return "skipped (not the kind of reply awaited)";
        case DatagramFate::OtherInstance: return "skipped (another instance's tag)";
        case DatagramFate::Malformed: return "skipped (too short for its fields)";
        case DatagramFate::NotStorage:
            std::snprintf(text, sizeof text, "skipped (type codes %u %u: not a storage adapter)",
                          datagram.At(kTypeCode1), datagram.At(kTypeCode2));
            return text;
        case DatagramFate::OtherSender: {
            char device[16];
            RenderDeviceAddress(datagram, device);
            std::snprintf(text, sizeof text, "skipped (device %s is not the one awaited)", device);
            return text;
        }
    }
    return "skipped";
}

}  // namespace

std::string TraceLine(const char* localAddress, const std::string& sender, const Datagram& datagram,
                      DatagramFate fate) {
    char head[96];
    std::snprintf(head, sizeof head, "read on %s: op %u from %s, %zu bytes: ", localAddress,
                  datagram.At(DevicePacket::kOp), sender.empty() ? "?" : sender.c_str(), datagram.length);
    return head + Reason(datagram, fate) + "\n";
}

void TraceEveryDatagram() {
    ObserveDatagrams([](int i, const std::string& sender, const Datagram& datagram, DatagramFate fate) {
        const char* local = i >= 0 && i < g_nLocalAddressCount ? LocalAddressTable[i] : "?";
        std::fputs(TraceLine(local, sender, datagram, fate).c_str(), stderr);
    });
}

}  // namespace vidudi::cli
