#include "emulator_config.h"

#include <arpa/inet.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace nasemu {
namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return "";
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool IsDotted(const std::string& text) {
    in_addr parsed{};
    return inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

bool ParseYesNo(const std::string& value, bool& out) {
    if (value == "yes" || value == "true" || value == "1" || value == "on") {
        out = true;
        return true;
    }
    if (value == "no" || value == "false" || value == "0" || value == "off") {
        out = false;
        return true;
    }
    return false;
}

bool ParseUnsigned(const std::string& value, unsigned long long max, unsigned long long& out) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(value.c_str(), nullptr, 10);
    if (errno != 0 || parsed > max) return false;
    out = parsed;
    return true;
}

bool ParseIdentity(const std::string& value, std::array<std::uint8_t, 6>& out) {
    // Six two-digit hex bytes separated by ':' or '-'.
    if (value.size() != 17) return false;
    for (std::size_t i = 0; i < 6; ++i) {
        const std::string pair = value.substr(i * 3, 2);
        if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
        if (i < 5 && value[i * 3 + 2] != ':' && value[i * 3 + 2] != '-') return false;
        out[i] = static_cast<std::uint8_t>(std::strtoul(pair.c_str(), nullptr, 16));
    }
    return true;
}

// "3 10" or "3,10": two numbers of 0 to 255.
bool ParseTypeCodes(const std::string& value, std::uint8_t& code1, std::uint8_t& code2) {
    std::string spaced = value;
    for (char& c : spaced) {
        if (c == ',') c = ' ';
    }
    std::istringstream in(spaced);
    std::string first, second, extra;
    if (!(in >> first >> second) || (in >> extra)) return false;
    unsigned long long a = 0, b = 0;
    if (!ParseUnsigned(first, 255, a) || !ParseUnsigned(second, 255, b)) return false;
    code1 = static_cast<std::uint8_t>(a);
    code2 = static_cast<std::uint8_t>(b);
    return true;
}

std::vector<std::string> SplitShares(const std::string& value) {
    std::vector<std::string> shares;
    std::string piece;
    std::istringstream in(value);
    while (std::getline(in, piece, ':')) {
        if (!piece.empty()) shares.push_back(piece);
    }
    return shares;
}

class Parser {
public:
    Parser(const std::string& sourceName, EmulatorConfig& config, std::string& error)
        : sourceName_(sourceName), config_(config), error_(error) {}

    bool Line(int number, const std::string& raw) {
        line_ = number;
        const std::string text = Trim(raw);
        if (text.empty() || text[0] == '#' || text[0] == ';') return true;
        if (text.front() == '[') {
            if (text != "[device]") return Fail("unknown section " + text + " (only [device])");
            if (!FinishDevice()) return false;
            config_.devices.emplace_back();
            inDevice_ = true;
            sectionLine_ = number;
            return true;
        }
        const auto equals = text.find('=');
        if (equals == std::string::npos) return Fail("expected key = value");
        const std::string key = Trim(text.substr(0, equals));
        const std::string value = Trim(text.substr(equals + 1));
        if (!inDevice_) return Fail("'" + key + "' outside a [device] section");
        if (!seenKeys_.insert(key).second) return Fail("'" + key + "' given twice");
        return Assign(config_.devices.back(), key, value);
    }

    bool Finish() {
        line_ = sectionLine_;
        if (!FinishDevice()) return false;
        if (config_.devices.empty()) {
            line_ = 0;
            return Fail("no [device] section");
        }
        return true;
    }

private:
    bool Fail(const std::string& message) {
        error_ = sourceName_ + ":" + std::to_string(line_) + ": " + message;
        return false;
    }

    bool FinishDevice() {
        if (!inDevice_) return true;
        const int saved = line_;
        line_ = sectionLine_;
        const DeviceConfig& device = config_.devices.back();
        if (device.address.empty()) return Fail("device without an address");
        if (!addresses_.insert(device.address).second) {
            line_ = addressLine_;
            return Fail("address " + device.address + " is used by an earlier device");
        }
        line_ = saved;
        seenKeys_.clear();
        return true;
    }

    bool Assign(DeviceConfig& device, const std::string& key, const std::string& value) {
        unsigned long long number = 0;
        DeviceFaults& faults = device.faults;
        if (key == "name") {
            device.name = value;
        } else if (key == "address") {
            if (!IsDotted(value)) return Fail("address is not a dotted IPv4 address: " + value);
            device.address = value;
            addressLine_ = line_;
        } else if (key == "identity") {
            if (!ParseIdentity(value, device.identity)) {
                return Fail("identity must be six hex bytes like 00:11:22:33:44:55");
            }
        } else if (key == "netmask") {
            if (NetmaskPrefixLength(value) < 0) return Fail("not a netmask: " + value);
            device.netmask = value;
        } else if (key == "gateway") {
            if (!value.empty() && !IsDotted(value)) return Fail("gateway is not a dotted address");
            device.gateway = value;
        } else if (key == "dhcp") {
            if (!ParseYesNo(value, device.dhcp)) return Fail("dhcp must be yes or no");
        } else if (key == "dhcp-address") {
            if (!value.empty() && !IsDotted(value)) return Fail("dhcp-address is not a dotted address");
            device.dhcpAddress = value;
        } else if (key == "reply-form") {
            if (value != "2" && value != "7") return Fail("reply-form must be 2 or 7");
            device.replyForm = value == "2" ? 2 : 7;
        } else if (key == "type-codes") {
            if (!ParseTypeCodes(value, device.typeCode1, device.typeCode2)) {
                return Fail("type-codes must be two numbers from 0 to 255, like 3 10");
            }
        } else if (key == "shares") {
            device.shares = SplitShares(value);
        } else if (key == "workgroup") {
            device.workGroup = value;
        } else if (key == "admin-user") {
            device.adminUser = value;
        } else if (key == "admin-password") {
            device.adminPassword = value;
        } else if (key == "reply-delay-ms") {
            if (!ParseUnsigned(value, 600000, number)) return Fail("reply-delay-ms must be 0 to 600000");
            faults.replyDelayMs = static_cast<int>(number);
        } else if (key == "query-reply-delay-ms") {
            if (!ParseUnsigned(value, 600000, number)) return Fail(key + " must be 0 to 600000");
            faults.queryReplyDelayMs = static_cast<int>(number);
        } else if (key == "setting-reply-delay-ms") {
            if (!ParseUnsigned(value, 600000, number)) return Fail(key + " must be 0 to 600000");
            faults.settingReplyDelayMs = static_cast<int>(number);
        } else if (key == "answer-one-copy") {
            if (!ParseYesNo(value, faults.answerOneCopy)) return Fail(key + " must be yes or no");
        } else if (key == "no-reply") {
            if (!ParseYesNo(value, faults.noReply)) return Fail(key + " must be yes or no");
        } else if (key == "ignore-settings") {
            if (!ParseYesNo(value, faults.ignoreSettings)) return Fail(key + " must be yes or no");
        } else if (key == "reply-from-old-address-first") {
            if (!ParseYesNo(value, faults.replyFromOldAddressFirst)) return Fail(key + " must be yes or no");
        } else if (key == "noise-per-second") {
            if (!ParseUnsigned(value, 10000, number)) return Fail("noise-per-second must be 0 to 10000");
            faults.noisePerSecond = static_cast<int>(number);
        } else if (key == "flood-other-ops") {
            if (!ParseUnsigned(value, 10000, number)) return Fail("flood-other-ops must be 0 to 10000");
            faults.floodOtherOps = static_cast<int>(number);
        } else if (key == "foreign-tag") {
            if (!ParseYesNo(value, faults.foreignTag)) return Fail(key + " must be yes or no");
        } else if (key == "oversize-name-length") {
            if (!ParseUnsigned(value, std::numeric_limits<std::uint32_t>::max(), number)) {
                return Fail("oversize-name-length must be a 32-bit unsigned number");
            }
            faults.oversizeNameLength = static_cast<std::uint32_t>(number);
        } else if (key == "fields-without-nul") {
            if (!ParseYesNo(value, faults.fieldsWithoutNul)) return Fail(key + " must be yes or no");
        } else if (key == "oversize-result") {
            if (!ParseUnsigned(value, 65000, number)) return Fail("oversize-result must be 0 to 65000");
            faults.oversizeResult = static_cast<std::size_t>(number);
        } else {
            return Fail("unknown key '" + key + "'");
        }
        return true;
    }

    const std::string& sourceName_;
    EmulatorConfig& config_;
    std::string& error_;
    int line_ = 0;
    int sectionLine_ = 0;
    int addressLine_ = 0;
    bool inDevice_ = false;
    std::set<std::string> seenKeys_;
    std::set<std::string> addresses_;
};

}  // namespace

int NetmaskPrefixLength(const std::string& netmask) {
    in_addr parsed{};
    if (inet_pton(AF_INET, netmask.c_str(), &parsed) != 1) return -1;
    const std::uint32_t mask = ntohl(parsed.s_addr);
    int prefix = 0;
    while (prefix < 32 && (mask & (0x80000000u >> prefix)) != 0) ++prefix;
    // The ones must be contiguous from the top.
    const std::uint32_t expected = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    return mask == expected ? prefix : -1;
}

bool ParseEmulatorConfig(const std::string& text, const std::string& sourceName,
                         EmulatorConfig& config, std::string& error) {
    config = {};
    Parser parser(sourceName, config, error);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        if (!parser.Line(++number, line)) return false;
    }
    return parser.Finish();
}

bool LoadEmulatorConfig(const std::string& path, EmulatorConfig& config, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ":0: cannot open the file";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return ParseEmulatorConfig(text.str(), path, config, error);
}

}  // namespace nasemu
