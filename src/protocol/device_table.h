#pragma once
// DeviceList and ShareList: the device table built by discovery and the share names of the
// chosen device. Singly linked, in order of arrival, owned by the protocol module.
#include <cstdint>

namespace vidudi {

struct DeviceEntry {
    char name[256];
    char address[16];  // dotted text; the key of the table
    char netmask[16];
    char gateway[16];
    char dhcp[8];      // "1" when the device takes its address from a DHCP server
    std::uint8_t id[10];
    std::int32_t iface;  // index into LocalAddressTable of the address it answered on
    DeviceEntry* next;
};

struct DeviceListHeader {
    std::uint32_t count = 0;
    DeviceEntry* head = nullptr;
    DeviceEntry* tail = nullptr;
};

struct ShareEntry {
    char name[132];  // UTF-8, as the device sends it
    ShareEntry* next;
};

struct ShareListHeader {
    std::uint32_t count = 0;
    ShareEntry* head = nullptr;
    ShareEntry* tail = nullptr;
};

extern DeviceListHeader DeviceList;
extern ShareListHeader ShareList;

void AppendDeviceEntry(const char* name, const char* address, const char* netmask,
                       const char* gateway, const std::uint8_t* id, const char* dhcp,
                       std::int32_t iface);
bool FindDeviceByAddress(const char* address);
// The entry whose address equals the text, or none.
DeviceEntry* FindDeviceEntry(const char* address);
void FreeDeviceList();

// Appends the name, cut to its record's 131 bytes.
void AppendShare(const char* name);
// Whether the name, cut as AppendShare cuts it, is already listed.
bool FindShare(const char* name);
void FreeShareList();

}  // namespace vidudi
