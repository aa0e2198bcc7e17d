// libFuzzer target over nas-emulator's configuration reader: any text is either refused with a
// message naming its line, or gives devices that can be built and asked to answer a search.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "device_model.h"
#include "emulator_config.h"
#include "protocol/packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nasemu;
    const std::string text(reinterpret_cast<const char*>(data), size);
    EmulatorConfig config;
    std::string error;
    if (!ParseEmulatorConfig(text, "fuzz.ini", config, error)) {
        if (error.rfind("fuzz.ini:", 0) != 0) std::abort();
        return 0;
    }
    if (config.devices.empty()) std::abort();
    const std::uint8_t discovery[vidudi::DevicePacket::kDiscoveryRequestSize] = {vidudi::kOpDiscovery, 1, 2, 3, 4, 5, 6};
    for (DeviceConfig& device : config.devices) {
        std::uint8_t address[4];
        if (!ParseDotted(device.address, address)) std::abort();  // accepted means usable
        NetmaskPrefixLength(device.netmask);
        device.faults.floodOtherOps = 0;  // a flood of 10,000 is allowed, but slow to build
        EmulatedDevice(device).HandleDatagram(discovery, sizeof discovery);
    }
    return 0;
}
