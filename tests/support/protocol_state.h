#pragma once
// Test helpers: a clean protocol module and a simulated LAN of emulated adapters.
#include <memory>
#include <string>
#include <vector>

#include "device_model.h"
#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/packet.h"
#include "protocol/request_buffers.h"
#include "protocol/simulated/simulated_lan.h"

namespace vidudi::testing {

inline void ResetProtocolState() {
    StopNetwork();
    FreeDeviceList();
    FreeShareList();
    ClearRequestBuffers();
    std::memset(LocalAddressTable, 0, sizeof LocalAddressTable);
    g_nLocalAddressCount = 0;
    std::memset(ClientTag, 0, sizeof ClientTag);
}

// Puts an emulated adapter on a segment of the simulated LAN: it sees what the client sends
// there and its replies arrive after their delay.
inline std::shared_ptr<nasemu::EmulatedDevice> AttachDevice(SimulatedLan& lan, int segment,
                                                            nasemu::DeviceConfig config) {
    auto device = std::make_shared<nasemu::EmulatedDevice>(std::move(config));
    lan.AttachPeer(segment, [device](SimulatedLan& on, int seg, const SimulatedLan::Bytes& bytes) {
        for (auto& reply : device->HandleDatagram(bytes.data(), bytes.size())) {
            on.Deliver(seg, std::move(reply.bytes), on.NowMicros() + reply.delayMs * 1000LL);
        }
    });
    return device;
}

inline nasemu::DeviceConfig Adapter(const std::string& name, const std::string& address) {
    nasemu::DeviceConfig config;
    config.name = name;
    config.address = address;
    config.gateway = "10.77.1.1";
    std::uint8_t octets[4] = {};
    nasemu::ParseDotted(address, octets);
    config.identity = {0x00, 0x0E, 0xA1, 0x00, octets[2], octets[3]};
    return config;
}

inline std::vector<std::string> ListedAddresses() {
    std::vector<std::string> addresses;
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        addresses.emplace_back(entry->address);
    }
    return addresses;
}

}  // namespace vidudi::testing
