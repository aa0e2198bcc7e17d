#include "protocol/device_table.h"

#include <cstring>
#include <new>

#include "protocol/request_buffers.h"

namespace vidudi {

DeviceListHeader DeviceList;
ShareListHeader ShareList;

namespace {

// Both tables share one discipline: new records go to the tail, in order of arrival.
template <typename Header, typename Entry>
void LinkAtTail(Header& list, Entry* entry) {
    entry->next = nullptr;
    if (list.tail) {
        list.tail->next = entry;
    } else {
        list.head = entry;
    }
    list.tail = entry;
    ++list.count;
}

template <typename Header>
void FreeAll(Header& list) {
    auto* entry = list.head;
    while (entry) {
        auto* next = entry->next;
        delete entry;
        entry = next;
    }
    list = Header{};
}

}  // namespace

void AppendDeviceEntry(const char* name, const char* address, const char* netmask,
                       const char* gateway, const std::uint8_t* id, const char* dhcp,
                       std::int32_t iface) {
    auto* entry = new (std::nothrow) DeviceEntry{};
    if (!entry) return;  // that device is left out
    CopyText(entry->name, name);
    CopyText(entry->address, address);
    CopyText(entry->netmask, netmask);
    CopyText(entry->gateway, gateway);
    CopyText(entry->dhcp, dhcp);
    std::memcpy(entry->id, id, sizeof entry->id);
    entry->iface = iface;
    LinkAtTail(DeviceList, entry);
}

DeviceEntry* FindDeviceEntry(const char* address) {
    for (DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        if (std::strcmp(entry->address, address) == 0) return entry;
    }
    return nullptr;
}

bool FindDeviceByAddress(const char* address) { return FindDeviceEntry(address) != nullptr; }

void FreeDeviceList() { FreeAll(DeviceList); }

void AppendShare(const char* name) {
    auto* entry = new (std::nothrow) ShareEntry{};
    if (!entry) return;
    CopyText(entry->name, name);
    LinkAtTail(ShareList, entry);
}

bool FindShare(const char* name) {
    // Entries hold names cut to their record: two names that differ only past the cut would
    // otherwise both be kept and show as one name twice.
    constexpr std::size_t kKept = sizeof(ShareEntry::name) - 1;
    for (const ShareEntry* entry = ShareList.head; entry; entry = entry->next) {
        if (std::strncmp(entry->name, name, kKept) == 0) return true;
    }
    return false;
}

void FreeShareList() { FreeAll(ShareList); }

}  // namespace vidudi
