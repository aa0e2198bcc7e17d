// libFuzzer target over what a user types: an address for the command line, the dotted text a
// device reports (read by the traditional parser), the address rules over any three addresses,
// and the host-name and work-group rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "address_argument.h"
#include "config/address_rules.h"
#include "config/name_rules.h"
#include "ui/parse_ipv4.h"

namespace {

using namespace vidudi;

// "010.1.1.1" or "1.1.1.00": a part of more than one digit that begins with 0.
bool HasLeadingZero(const std::string& text) {
    for (std::size_t at = 0; at + 1 < text.size(); ++at) {
        const bool partStart = at == 0 || text[at - 1] == '.';
        if (partStart && text[at] == '0' && text[at + 1] != '.') return true;
    }
    return false;
}

Octets OctetsOf(const std::string& text) {
    Octets octets{};
    unsigned char parsed[4];
    if (cli::ParseDottedQuad(text, parsed)) {
        std::memcpy(octets.data(), parsed, 4);
        // Without leading zeros (which the traditional reader takes for octal), both readers
        // agree on what the strict one takes.
        std::uint32_t address = 0;
        if (!HasLeadingZero(text) &&
            (!ui::ParseIPv4Address(text.c_str(), &address) || std::memcmp(&address, parsed, 4) != 0)) {
            std::abort();
        }
    }
    return octets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Three NUL-separated texts: address, netmask, gateway; the whole input is also a name.
    const std::string all(reinterpret_cast<const char*>(data), size);
    std::string field[3];
    std::size_t start = 0;
    for (std::string& text : field) {
        const std::size_t end = all.find('\0', start);
        text = all.substr(start < all.size() ? start : all.size(), end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? all.size() : end + 1;
    }
    std::uint32_t ignored = 0;
    ui::ParseIPv4Address(all.c_str(), &ignored);

    const Octets ip = OctetsOf(field[0]), netmask = OctetsOf(field[1]), gateway = OctetsOf(field[2]);
    const auto failure = CheckStaticAddress(ip, netmask, gateway);
    if (failure && (failure->message.text.empty() || failure->message.caption.empty())) std::abort();
    for (AddressKind kind : {AddressKind::IpAddress, AddressKind::Netmask, AddressKind::Gateway}) {
        CheckOctetRanges(kind, ip, size & 1);
    }
    CheckHostPart(ip, netmask);
    // A contiguous netmask passes the chain's shape rule: the chain never refuses it for shape.
    if (failure && failure->message == NetmaskInvalidMessage() && IsNetmaskContiguous(netmask)) std::abort();

    for (NameKind kind : {NameKind::HostName, NameKind::WorkGroup}) {
        const RuleResult name = CheckNameRules(all, kind);
        if (!name && (all.empty() || all.size() > 15)) std::abort();  // never accepted: empty or too long
    }
    return 0;
}
