#include "config/device_rows.h"

#include "protocol/device_table.h"
#include "resource.h"

namespace vidudi::config {

void FillDeviceRows(toolkit::DialogWindow& window, const std::string& selectName, const std::string& selectAddress) {
    window.ListDeleteAll(IDC_DEVICE_LIST);
    int row = 0;
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next, ++row) {
        window.ListInsertItem(IDC_DEVICE_LIST, row, "");
        window.ListSetItemText(IDC_DEVICE_LIST, row, 0, entry->name);
        window.ListSetItemText(IDC_DEVICE_LIST, row, 1, entry->address);
        window.ListSetItemText(IDC_DEVICE_LIST, row, 2, entry->netmask);
        window.ListSetItemText(IDC_DEVICE_LIST, row, 3, entry->gateway);
        if (!selectAddress.empty() && selectName == entry->name && selectAddress == entry->address) {
            window.ListSelect(IDC_DEVICE_LIST, row);
        }
    }
}

}  // namespace vidudi::config
