#include "device_model.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "protocol/packet.h"

namespace nasemu {

namespace {

using namespace vidudi::DevicePacket;
namespace proto = vidudi;

std::string TextAt(const std::uint8_t* data, std::size_t length, std::size_t offset,
                   std::size_t count) {
    if (offset >= length) return {};
    if (count > length - offset) count = length - offset;
    return std::string(reinterpret_cast<const char*>(data + offset), count);
}

std::uint32_t LengthAt(const std::uint8_t* data, std::size_t length, std::size_t offset) {
    return proto::Datagram{data, length}.LengthField(offset);
}

void PutField(std::vector<std::uint8_t>& bytes, std::size_t offset, const std::string& text,
              bool withoutNul) {
    std::string value = text.substr(0, kTextFieldSize);
    if (withoutNul) value.resize(kTextFieldSize, '9');
    std::memcpy(bytes.data() + offset, value.data(), value.size());
}

void PutCounted(std::vector<std::uint8_t>& bytes, std::size_t lengthAt, const std::string& text,
                std::uint32_t claimedExtra) {
    bytes.resize(lengthAt + 4);
    proto::PutLengthField(bytes.data() + lengthAt, static_cast<std::uint32_t>(text.size()) + claimedExtra);
    bytes.insert(bytes.end(), text.begin(), text.end());
}

}  // namespace

bool ParseDotted(const std::string& text, std::uint8_t (&bytes)[4]) {
    unsigned parts[4];
    char tail;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3],
                    &tail) != 4) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        if (parts[i] > 255) return false;
        bytes[i] = static_cast<std::uint8_t>(parts[i]);
    }
    return true;
}

std::vector<std::uint8_t> LoggedRequest(const std::uint8_t* data, std::size_t length) {
    std::vector<std::uint8_t> bytes(data, data + length);
    if (length <= kQueryPayload || data[kOp] != proto::kOpQuery || data[kSubOp] != proto::kQueryAdminPassword) {
        return bytes;
    }
    // The password runs from the separator to the end; without a separator all of it may be.
    auto from = bytes.begin() + kQueryPayload;
    const auto separator = std::search(from, bytes.end(), std::begin(proto::kAdminPasswordSeparator),
                                       std::end(proto::kAdminPasswordSeparator));
    if (separator != bytes.end()) from = separator + sizeof proto::kAdminPasswordSeparator;
    std::fill(from, bytes.end(), static_cast<std::uint8_t>('*'));
    return bytes;
}

EmulatedDevice::EmulatedDevice(DeviceConfig config) : config_(std::move(config)) {}

std::vector<std::uint8_t> EmulatedDevice::ReplyHeader(std::uint8_t op, const std::uint8_t* tag) const {
    std::vector<std::uint8_t> bytes(kSubOp, 0);
    bytes[kOp] = op;
    std::memcpy(bytes.data() + kTag, tag, kTagSize);
    if (config_.faults.foreignTag) {
        for (std::size_t b = 0; b < kTagCompared; ++b) bytes[kTag + b] ^= 0x5A;
    }
    std::memcpy(bytes.data() + kDeviceId, config_.identity.data(), kIdentitySize);
    std::uint8_t address[4] = {};
    ParseDotted(config_.address, address);
    std::memcpy(bytes.data() + kAddress, address, 4);
    return bytes;
}

void EmulatedDevice::Send(std::vector<OutgoingDatagram>& out, std::vector<std::uint8_t> bytes,
                          const std::string& from) const {
    int delay = config_.faults.replyDelayMs;
    if (bytes[kOp] == proto::kOpQueryReply) delay += config_.faults.queryReplyDelayMs;
    if (bytes[kOp] == proto::kOpSettingReply) delay += config_.faults.settingReplyDelayMs;
    // Other traffic of the device first, so a client has to wade through it to the answer.
    for (int n = 0; n < config_.faults.floodOtherOps; ++n) {
        std::vector<std::uint8_t> noise = bytes;
        noise[kOp] = static_cast<std::uint8_t>(8 + n % 8);
        out.push_back({std::move(noise), delay, from});
    }
    out.push_back({std::move(bytes), delay, from});
}

std::vector<OutgoingDatagram> EmulatedDevice::HandleDatagram(const std::uint8_t* data,
                                                             std::size_t length) {
    if (length < kTag + kTagSize) return {};
    if (data[kOp] == proto::kOpDiscovery || data[kOp] == proto::kOpQuery || data[kOp] == proto::kOpSetting) {
        std::memcpy(lastRequestTag_.data(), data + kTag, kTagSize);
    }
    if (config_.faults.noReply) return {};
    switch (data[kOp]) {
        case proto::kOpDiscovery: return AnswerDiscovery(data + kTag);
        case proto::kOpQuery: return AnswerQuery(data, length);
        case proto::kOpSetting: return AnswerSetting(data, length);
        default: return {};  // replies of other devices, or what we do not know
    }
}

bool EmulatedDevice::AddressedToMe(const std::uint8_t* data, std::size_t length, std::size_t minimum) const {
    std::uint8_t address[4];
    return length >= minimum && ParseDotted(config_.address, address) &&
           std::memcmp(data + kAddress, address, 4) == 0;
}

std::string EmulatedDevice::RequestedStaticAddress(const std::uint8_t* data, std::size_t length) const {
    if (!AddressedToMe(data, length, kSettingPayload) || data[kOp] != proto::kOpSetting ||
        data[kSubOp] != proto::kSettingStaticAddress) {
        return {};
    }
    return TextAt(data, length, kSettingPayload, LengthAt(data, length, kSettingLength));
}

std::vector<OutgoingDatagram> EmulatedDevice::AnswerDiscovery(const std::uint8_t* tag) {
    const bool repeat = sawDiscovery_ && std::memcmp(lastDiscoveryTag_.data(), tag, kTagSize) == 0;
    std::memcpy(lastDiscoveryTag_.data(), tag, kTagSize);
    sawDiscovery_ = true;
    if (repeat && config_.faults.answerOneCopy) return {};

    const bool extended = config_.replyForm == 7;
    std::vector<std::uint8_t> bytes =
        ReplyHeader(extended ? proto::kOpDiscoveryReplyExtended : proto::kOpDiscoveryReply, tag);
    bytes.resize(kHostNameLength, 0);
    bytes[kDhcpState] = config_.dhcp ? '1' : '0';
    PutField(bytes, kNetmask, config_.netmask, config_.faults.fieldsWithoutNul);
    PutField(bytes, kGateway, config_.gateway, config_.faults.fieldsWithoutNul);
    if (extended) {
        bytes.resize(kExtendedHostNameLength, 0);
        bytes[kTypeCode1] = config_.typeCode1;
        bytes[kTypeCode2] = config_.typeCode2;
        PutCounted(bytes, kExtendedHostNameLength, config_.name, config_.faults.oversizeNameLength);
    } else {
        PutCounted(bytes, kHostNameLength, config_.name, config_.faults.oversizeNameLength);
    }
    std::vector<OutgoingDatagram> out;
    Send(out, std::move(bytes), config_.address);
    return out;
}

std::vector<OutgoingDatagram> EmulatedDevice::AnswerQuery(const std::uint8_t* data, std::size_t length) {
    if (!AddressedToMe(data, length, kQueryPayload)) return {};
    std::string result;
    switch (data[kSubOp]) {
        case proto::kQueryShareList:
            for (const std::string& share : config_.shares) result += (result.empty() ? "" : ":") + share;
            break;
        case proto::kQueryWorkGroup: result = config_.workGroup; break;
        case proto::kQueryAdminPassword: {
            const std::string payload = TextAt(data, length, kQueryPayload, LengthAt(data, length, kQueryLength));
            const std::string expected = config_.adminUser + "\x55\xAA" + config_.adminPassword;
            result.assign(1, payload == expected ? '\x01' : '\x00');
            break;
        }
        default: return {};
    }
    if (result.size() < config_.faults.oversizeResult) result.resize(config_.faults.oversizeResult, 'X');
    std::vector<std::uint8_t> bytes = ReplyHeader(proto::kOpQueryReply, data + kTag);
    bytes.resize(kQueryResult, 0);
    bytes.insert(bytes.end(), result.begin(), result.end());
    std::vector<OutgoingDatagram> out;
    Send(out, std::move(bytes), config_.address);
    return out;
}

std::vector<OutgoingDatagram> EmulatedDevice::AnswerSetting(const std::uint8_t* data,
                                                            std::size_t length) {
    if (config_.faults.ignoreSettings || !AddressedToMe(data, length, kSettingPayload)) return {};
    const std::string payload = TextAt(data, length, kSettingPayload, LengthAt(data, length, kSettingLength));
    const std::string fieldNetmask = TextAt(data, length, kNetmask, kTextFieldSize).c_str();
    const std::string fieldGateway = TextAt(data, length, kGateway, kTextFieldSize).c_str();
    const std::string oldAddress = config_.address;
    std::vector<OutgoingDatagram> out;

    switch (data[kSubOp]) {
        case proto::kSettingStaticAddress: {
            std::uint8_t parsed[4];
            if (!ParseDotted(payload, parsed)) return {};
            if (config_.faults.replyFromOldAddressFirst) {
                Send(out, ReplyHeader(proto::kOpSettingReply, data + kTag), oldAddress);
            }
            config_.address = payload;
            config_.netmask = fieldNetmask;
            config_.gateway = fieldGateway;
            config_.dhcp = false;
            break;
        }
        case proto::kSettingDhcp:
            if (!config_.dhcpAddress.empty()) config_.address = config_.dhcpAddress;
            config_.dhcp = true;
            break;
        case proto::kSettingHostName: config_.name = payload; break;
        case proto::kSettingWorkGroup: config_.workGroup = payload; break;
        default: return {};
    }
    Send(out, ReplyHeader(proto::kOpSettingReply, data + kTag), config_.address);
    return out;
}

std::vector<std::uint8_t> EmulatedDevice::NoiseDatagram(std::uint64_t n) const {
    std::vector<std::uint8_t> bytes = ReplyHeader(proto::kOpDiscoveryReply, lastRequestTag_.data());
    bytes.resize(kHostNameLength, 0);
    PutCounted(bytes, kHostNameLength, config_.name, 0);
    const auto foreign = [&] {
        for (std::size_t b = 0; b < kTagCompared; ++b) bytes[kTag + b] ^= 0xA5;
    };
    switch (n % 6) {
        case 0: bytes[kOp] = static_cast<std::uint8_t>(8 + n / 6 % 8); break;
        case 1: bytes.resize(n / 6 % kAddress); break;  // a discovery reply cut before the address
        case 2:
            bytes[kOp] = proto::kOpQueryReply;
            bytes.resize(kAddress - 1);
            break;
        case 3:
            bytes[kOp] = proto::kOpDiscoveryReplyExtended;
            bytes.resize(kExtendedHostNameLength + 4, 0);
            proto::PutLengthField(bytes.data() + kExtendedHostNameLength, 0xFFFFFFFFu);
            foreign();
            break;
        case 4:
            bytes[kOp] = proto::kOpSettingReply;
            foreign();
            break;
        default:
            proto::PutLengthField(bytes.data() + kHostNameLength, 0x7FFFFFFFu);
            foreign();
            break;
    }
    return bytes;
}

}  // namespace nasemu
