// libFuzzer target over everything that reads a datagram from the network: discovery replies of
// both forms, query results and setting replies. The first input byte picks what is exercised;
// the rest is the datagram a hostile or broken device sends.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "protocol/simulated/simulated_lan.h"

namespace {

using namespace vidudi;

constexpr char kTarget[] = "10.77.1.10";

void Reset() {
    StopNetwork();
    FreeDeviceList();
    FreeShareList();
    ClearRequestBuffers();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t selector = data[0];
    std::vector<std::uint8_t> datagram(data + 1, data + size);
    // Bit 7: leave the tag as the input has it; otherwise it is made ours, so the parsers past
    // the tag check are reached.
    const bool keepTag = selector & 0x80;

    SimulatedLan lan;
    lan.AddLocalAddress("10.77.1.2", 1);
    UseTransport(&lan);
    Reset();
    StartNetwork();
    if (!keepTag && datagram.size() >= 7) std::memcpy(&datagram[1], ClientTag, 6);

    switch (selector & 0x0F) {
        case 0:  // a discovery reply, whatever its op
            lan.AttachPeer(1, [&](SimulatedLan& on, int segment, const SimulatedLan::Bytes& request) {
                if (!request.empty() && request[0] == kOpDiscovery) on.Deliver(segment, datagram, on.NowMicros());
            });
            SearchDevices(kDeviceFilter);
            break;
        case 1:  // both layouts straight into the table
            AddDeviceFromReply(Datagram{datagram.data(), datagram.size()}, kOpDiscoveryReply, 0);
            AddDeviceFromReply(Datagram{datagram.data(), datagram.size()}, kOpDiscoveryReplyExtended, 0);
            break;
        default: {  // a request to a known device, answered with the input
            const std::uint8_t id[10] = {0, 1, 2, 3, 4, 5, 10, 77, 1, 10};
            AppendDeviceEntry("NAS", kTarget, "255.255.255.0", "10.77.1.1", id, "0", 0);
            CopyText(g_szTargetIP, kTarget);
            CopyText(g_szNewIP, "10.77.1.20");
            lan.AttachPeer(1, [&](SimulatedLan& on, int segment, const SimulatedLan::Bytes&) {
                on.Deliver(segment, datagram, on.NowMicros());
            });
            int (*const operations[])() = {VerifyAdminPassword, GetShareList, GetWorkGroup,
                                            SetStaticAddress,    EnableDhcp,   SetHostName,
                                            SetWorkGroup};
            operations[(selector & 0x0F) % 7]();
            break;
        }
    }
    Reset();
    UseTransport(nullptr);
    return 0;
}
