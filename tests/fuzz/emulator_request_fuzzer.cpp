// libFuzzer target over what nas-emulator reads from any client on its segment: a run of request
// datagrams handed to one emulated adapter (whose settings they may change on the way), and the
// log line each of them and each answer becomes.
//
// Input: form, type code 1, type code 2, faults (one byte each), then up to 16 datagrams as
// [how][length, 2 bytes big-endian][bytes]. Bit 0 of `how` aims the datagram at the adapter's
// current address, so that the query and setting paths past the address check are reached;
// bit 1 sets its op to 1 + (how >> 2) % 7.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device_model.h"
#include "emulator_log.h"
#include "protocol/packet.h"

namespace {

using namespace nasemu;
namespace packet = vidudi::DevicePacket;

// The input, read from the front; past its end every read gives zeros.
struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        if (count > size - at) count = size - at;
        std::vector<std::uint8_t> bytes(data + at, data + at + count);
        at += count;
        return bytes;
    }
    bool More() const { return at < size; }
};

DeviceConfig ChosenDevice(Input& input) {
    DeviceConfig config;
    config.name = "NAS-FUZZ";
    config.address = "10.77.1.10";
    config.gateway = "10.77.1.1";
    config.shares = {"Public", "Media"};
    const std::uint8_t form = input.Byte();
    config.replyForm = form & 1 ? 7 : 2;
    config.dhcp = form & 2;
    if (form & 4) config.dhcpAddress = "10.77.1.99";
    if (form & 8) config.adminPassword = "secret";
    config.typeCode1 = input.Byte();
    config.typeCode2 = input.Byte();
    const std::uint8_t faults = input.Byte();
    config.faults.answerOneCopy = faults & 1;
    config.faults.ignoreSettings = faults & 2;
    config.faults.replyFromOldAddressFirst = faults & 4;
    config.faults.foreignTag = faults & 8;
    config.faults.fieldsWithoutNul = faults & 16;
    config.faults.floodOtherOps = faults & 32 ? 3 : 0;
    if (faults & 64) config.faults.oversizeNameLength = 0xFFFFFFF0u;
    if (faults & 128) config.faults.oversizeResult = 600;
    return config;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input{data, size};
    EmulatedDevice device(ChosenDevice(input));
    static EmulatorLog* log = [] {
        auto* opened = new EmulatorLog;
        if (!opened->Open("/dev/null")) std::abort();
        return opened;
    }();

    for (int n = 0; n < 16 && input.More(); ++n) {
        const std::uint8_t how = input.Byte();
        const std::size_t length = std::size_t{input.Byte()} << 8;
        std::vector<std::uint8_t> datagram = input.Bytes(length | input.Byte());
        if ((how & 1) && datagram.size() >= packet::kAddress + 4) {
            std::uint8_t address[4];
            if (ParseDotted(device.address(), address)) std::memcpy(&datagram[packet::kAddress], address, 4);
        }
        if ((how & 2) && !datagram.empty()) datagram[packet::kOp] = static_cast<std::uint8_t>(1 + (how >> 2) % 7);

        log->Datagram("recv", device.address(), "from", "10.77.1.2:13579", datagram.data(), datagram.size());
        for (const OutgoingDatagram& reply : device.HandleDatagram(datagram.data(), datagram.size())) {
            // Every answer is a whole reply header, sent after the request, from an address the
            // device has or had.
            if (reply.bytes.size() < packet::kSubOp || reply.delayMs < 0 || reply.fromAddress.empty()) std::abort();
            log->Datagram("send", reply.fromAddress, "to", "224.0.0.1:13579", reply.bytes.data(), reply.bytes.size());
        }
    }
    return 0;
}
