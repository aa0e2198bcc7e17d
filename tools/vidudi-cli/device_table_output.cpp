#include "device_table_output.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "protocol/device_table.h"
#include "protocol/network.h"

namespace vidudi::cli {

namespace {

const char* LocalAddressOf(const DeviceEntry& entry) {
    return entry.iface >= 0 && entry.iface < g_nLocalAddressCount ? LocalAddressTable[entry.iface] : "";
}

const char* DhcpText(const DeviceEntry& entry) { return entry.dhcp[0] == '1' ? "yes" : "no"; }

}  // namespace

std::string JsonLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string FormatDeviceTable() {
    using Row = std::array<std::string, 6>;
    std::vector<Row> rows{{"NAME", "ADDRESS", "NETMASK", "GATEWAY", "DHCP", "LOCAL ADDRESS"}};
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        rows.push_back({entry->name, entry->address, entry->netmask, entry->gateway,
                        DhcpText(*entry), LocalAddressOf(*entry)});
    }
    std::array<std::size_t, 6> widths{};
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    std::string out;
    for (const Row& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - row[c].size() + 2, ' ');
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

}  // namespace vidudi::cli
