#pragma once
// The device side of the protocol: one emulated network-storage adapter. It turns a request
// datagram into the reply datagrams a real adapter would send, and applies settings to itself.
// nas-emulator runs it on real sockets; the simulated LAN runs it in virtual time.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nasemu {

struct DeviceFaults {
    int replyDelayMs = 0;             // every reply leaves this long after the request
    int queryReplyDelayMs = 0;        // a query's answer leaves this much later still
    int settingReplyDelayMs = 0;      // a setting's confirmation leaves this much later still
    bool answerOneCopy = false;       // answer only the first of the repeated discovery requests
    bool noReply = false;             // receive and log, never answer
    bool ignoreSettings = false;      // answers queries, but takes and confirms no setting
    bool replyFromOldAddressFirst = false;  // after a static change, first an op-6 from the old address
    int floodOtherOps = 0;            // before each reply, this many datagrams of other op codes
    bool foreignTag = false;          // replies carry another instance's tag
    std::uint32_t oversizeNameLength = 0;  // counted host-name length claimed beyond the real one
    bool fieldsWithoutNul = false;    // netmask and gateway fields filled to all 16 bytes
    std::size_t oversizeResult = 0;   // query results padded to this many bytes
    int noisePerSecond = 0;           // unasked datagrams a second: other ops and malformed replies
};

struct DeviceConfig {
    std::string name = "NAS";
    std::array<std::uint8_t, 6> identity{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
    std::string address;              // dotted IPv4
    std::string netmask = "255.255.255.0";
    std::string gateway;
    bool dhcp = false;
    std::string dhcpAddress;          // address taken when switched to DHCP (empty: keep address)
    int replyForm = 2;                // 2, or 7 with the two type codes
    std::uint8_t typeCode1 = 0;
    std::uint8_t typeCode2 = 10;
    std::vector<std::string> shares;  // UTF-8
    std::string workGroup = "WORKGROUP";
    std::string adminUser = "admin";
    std::string adminPassword;        // empty: "admin" with an empty password is accepted
    DeviceFaults faults;
};

struct OutgoingDatagram {
    std::vector<std::uint8_t> bytes;
    int delayMs = 0;          // after the request arrived
    std::string fromAddress;  // the device address it is sent from
};

class EmulatedDevice {
public:
    explicit EmulatedDevice(DeviceConfig config);

    // A datagram that reached the device (any op: replies of others are ignored).
    std::vector<OutgoingDatagram> HandleDatagram(const std::uint8_t* data, std::size_t length);

    const DeviceConfig& config() const { return config_; }
    // Tests and the emulator's controls change faults while the device runs.
    DeviceConfig& config() { return config_; }
    const std::string& address() const { return config_.address; }
    // The address a static-address request for this device asks for; empty for any other
    // datagram.
    std::string RequestedStaticAddress(const std::uint8_t* data, std::size_t length) const;

    // The n-th unasked datagram of the noise fault, in turn: another op code, and replies that
    // are malformed (cut before the device address, or a counted length far past the end) or
    // carry another instance's tag. They bear the tag of the last request seen, so a client
    // has to read them all, yet none of them may be taken for an answer.
    std::vector<std::uint8_t> NoiseDatagram(std::uint64_t n) const;

private:
    // A request at least `minimum` bytes long whose id names this device's address.
    bool AddressedToMe(const std::uint8_t* data, std::size_t length, std::size_t minimum) const;
    std::vector<std::uint8_t> ReplyHeader(std::uint8_t op, const std::uint8_t* tag) const;
    std::vector<OutgoingDatagram> AnswerDiscovery(const std::uint8_t* tag);
    std::vector<OutgoingDatagram> AnswerQuery(const std::uint8_t* data, std::size_t length);
    std::vector<OutgoingDatagram> AnswerSetting(const std::uint8_t* data, std::size_t length);
    void Send(std::vector<OutgoingDatagram>& out, std::vector<std::uint8_t> bytes,
              const std::string& from) const;

    DeviceConfig config_;
    std::array<std::uint8_t, 10> lastDiscoveryTag_{};
    std::array<std::uint8_t, 10> lastRequestTag_{};
    bool sawDiscovery_ = false;
};

// A received datagram as the log shows it: in a password check every byte after the user name
// and its separator is '*', so the log keeps the user name and the length but no password.
std::vector<std::uint8_t> LoggedRequest(const std::uint8_t* data, std::size_t length);

// Dotted text to network-order bytes; false when it is not four decimal octets.
bool ParseDotted(const std::string& text, std::uint8_t (&bytes)[4]);

}  // namespace nasemu
