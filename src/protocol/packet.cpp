#include "protocol/packet.h"

#include <cstdio>
#include <cstring>

#include "protocol/device_table.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"

namespace vidudi {

namespace {

using namespace DevicePacket;

std::size_t PutHeader(std::uint8_t* buffer, std::uint8_t op) {
    buffer[kOp] = op;
    std::memcpy(buffer + kTag, ClientTag, kTagSize);
    return kTag + kTagSize;
}

// Op, tag, the target's DeviceId and the sub-op; false when g_szTargetIP names no device.
bool PutAddressedHeader(std::uint8_t* buffer, std::uint8_t op, std::uint8_t subOp) {
    const DeviceEntry* target = FindDeviceEntry(g_szTargetIP);
    if (!target) return false;
    PutHeader(buffer, op);
    std::memcpy(buffer + kDeviceId, target->id, kDeviceIdSize);
    buffer[kSubOp] = subOp;
    return true;
}

std::size_t PutText(std::uint8_t* at, const char* text) {
    std::size_t length = std::strlen(text);
    std::memcpy(at, text, length);
    return length;
}

std::size_t BuildQuery(std::uint8_t* buffer, std::uint8_t subOp) {
    if (!PutAddressedHeader(buffer, kOpQuery, subOp)) return 0;
    PutLengthField(buffer + kQueryLength, 0);
    return kQueryPayload;
}

// A setting carries the current netmask and gateway buffers, then its payload text.
std::size_t BuildSetting(std::uint8_t* buffer, std::uint8_t subOp, const char* payload) {
    if (!PutAddressedHeader(buffer, kOpSetting, subOp)) return 0;
    std::strncpy(reinterpret_cast<char*>(buffer + kNetmask), g_szNewNetmask, kTextFieldSize);
    std::strncpy(reinterpret_cast<char*>(buffer + kGateway), g_szNewGateway, kTextFieldSize);
    std::size_t length = PutText(buffer + kSettingPayload, payload);
    PutLengthField(buffer + kSettingLength, static_cast<std::uint32_t>(length));
    return kSettingPayload + length;
}

}  // namespace

void PutLengthField(std::uint8_t* at, std::uint32_t value) {
    for (int b = 0; b < 4; ++b) at[b] = static_cast<std::uint8_t>(value >> (8 * b));
}

std::uint32_t Datagram::LengthField(std::size_t offset) const {
    std::uint32_t value = 0;
    for (std::size_t b = 0; b < 4; ++b) value |= static_cast<std::uint32_t>(At(offset + b)) << (8 * b);
    return value;
}

std::size_t BuildDiscoveryRequest(std::uint8_t* buffer) { return PutHeader(buffer, kOpDiscovery); }

std::size_t BuildVerifyAdminPasswordRequest(std::uint8_t* buffer) {
    if (!PutAddressedHeader(buffer, kOpQuery, kQueryAdminPassword)) return 0;
    std::uint8_t* payload = buffer + kQueryPayload;
    std::size_t length = PutText(payload, g_szLoginUser);
    payload[length++] = kAdminPasswordSeparator[0];
    payload[length++] = kAdminPasswordSeparator[1];
    length += PutText(payload + length, g_szLoginPassword);
    PutLengthField(buffer + kQueryLength, static_cast<std::uint32_t>(length));
    return kQueryPayload + length;
}

std::size_t BuildShareListRequest(std::uint8_t* buffer) { return BuildQuery(buffer, kQueryShareList); }

std::size_t BuildWorkGroupRequest(std::uint8_t* buffer) { return BuildQuery(buffer, kQueryWorkGroup); }

std::size_t BuildStaticAddressRequest(std::uint8_t* buffer) {
    return BuildSetting(buffer, kSettingStaticAddress, g_szNewIP);
}

std::size_t BuildDhcpRequest(std::uint8_t* buffer) {
    // The DHCP order alone carries no address fields and no payload.
    if (!PutAddressedHeader(buffer, kOpSetting, kSettingDhcp)) return 0;
    return kSettingPayload;
}

std::size_t BuildHostNameRequest(std::uint8_t* buffer) {
    return BuildSetting(buffer, kSettingHostName, g_szHostName);
}

std::size_t BuildWorkGroupChangeRequest(std::uint8_t* buffer) {
    return BuildSetting(buffer, kSettingWorkGroup, g_szWorkGroup);
}

bool IsReplyForUs(const Datagram& reply) {
    return reply.Has(kTag, kTagCompared) && std::memcmp(reply.bytes + kTag, ClientTag, kTagCompared) == 0;
}

void RenderDeviceAddress(const Datagram& reply, char (&text)[16]) {
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", reply.At(kAddress), reply.At(kAddress + 1),
                  reply.At(kAddress + 2), reply.At(kAddress + 3));
}

std::size_t ReadReplyText(const Datagram& reply, std::size_t offset, std::size_t fieldSize,
                          char* out, std::size_t capacity) {
    std::size_t available = offset < reply.length ? reply.length - offset : 0;
    std::size_t limit = available < fieldSize ? available : fieldSize;
    if (limit > capacity - 1) limit = capacity - 1;
    std::size_t length = 0;
    while (length < limit && reply.bytes[offset + length] != 0) ++length;
    if (length) std::memcpy(out, reply.bytes + offset, length);
    out[length] = '\0';
    return length;
}

}  // namespace vidudi
