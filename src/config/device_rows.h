#pragma once
// The device list of the main window, filled from DeviceList.
#include <string>

#include "toolkit/dialog_window.h"

namespace vidudi::config {

// Replaces the rows of the device list with one row per device (name, address, netmask,
// gateway), in table order. A device listed as `selectName` at `selectAddress` is selected.
void FillDeviceRows(toolkit::DialogWindow& window, const std::string& selectName = "",
                    const std::string& selectAddress = "");

}  // namespace vidudi::config
