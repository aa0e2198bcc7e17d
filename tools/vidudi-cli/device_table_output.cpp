#include "device_table_output.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/network.h"

namespace vidudi::cli {

namespace {


const char* DhcpText(const DeviceEntry& entry) { return entry.dhcp[0] == '1' ? "yes" : "no"; }

// Length of a valid UTF-8 sequence starting at text[at], or 0.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead >= 0xF5 || at + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

// Columns a text takes in a terminal: one per character where the text is valid UTF-8 (as
// device names normally are), one per byte where it is not and the terminal shows each byte.
std::size_t ColumnsOf(const std::string& text) {
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
        } else if (const std::size_t length = Utf8SequenceLength(text, at)) {
            at += length;
        } else {
            return text.size();
        }
    }
    return characters;
}

// The text with every byte that is not part of valid UTF-8 replaced by U+FFFD.
std::string ValidUtf8(const std::string& text) {
    std::string valid;
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            valid += text[at++];
        } else if (const std::size_t length = Utf8SequenceLength(text, at)) {
            valid.append(text, at, length);
            at += length;
        } else {
            valid += "\xEF\xBF\xBD";
            ++at;
        }
    }
    return valid;
}

std::string CsvField(const std::string& text) {
    const std::string valid = ValidUtf8(text);
    if (valid.find_first_of(",\"\r\n") == std::string::npos) return valid;
    std::string quoted = "\"";
    for (const char c : valid) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

const char* LocalAddressOf(const DeviceEntry& entry) {
    return entry.iface >= 0 && entry.iface < g_nLocalAddressCount ? LocalAddressTable[entry.iface] : "";
}

std::string IdentityHex(const DeviceEntry& entry) {
    char text[13];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x%02x%02x", entry.id[0], entry.id[1], entry.id[2],
                  entry.id[3], entry.id[4], entry.id[5]);
    return text;
}

std::string TerminalText(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::string JsonLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string FormatDeviceTable() {
    using Row = std::array<std::string, 6>;
    std::vector<Row> rows{{"NAME", "ADDRESS", "NETMASK", "GATEWAY", "DHCP", "LOCAL ADDRESS"}};
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        rows.push_back({TerminalText(entry->name), entry->address, TerminalText(entry->netmask),
                        TerminalText(entry->gateway), DhcpText(*entry), LocalAddressOf(*entry)});
    }
    std::array<std::size_t, 6> widths{};
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], ColumnsOf(row[c]));
    }
    std::string out;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - ColumnsOf(row[c]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

Json DeviceJson(const DeviceEntry& entry) {
    return {{"name", entry.name},
            {"address", entry.address},
            {"netmask", entry.netmask},
            {"gateway", entry.gateway},
            {"dhcp", entry.dhcp[0] == '1'},
            {"localAddress", LocalAddressOf(entry)},
            {"iface", entry.iface}};
}

std::string FormatDeviceJson() {
    Json devices = Json::array();
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        devices.push_back(DeviceJson(*entry));
    }
    return JsonLine({{"devices", devices}});
}

std::string FormatDeviceCsv() {
    std::string out = "name,address,netmask,gateway,dhcp,local_address\r\n";
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        const std::string fields[] = {CsvField(entry->name),    entry->address,
                                      CsvField(entry->netmask), CsvField(entry->gateway),
                                      DhcpText(*entry),         LocalAddressOf(*entry)};
        for (const std::string& field : fields) {
            if (&field != fields) out += ',';
            out += field;
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace vidudi::cli
