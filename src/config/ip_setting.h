#pragma once
// The IP Setting section: DHCP or a static address for the chosen device, and the two steps
// after a change that the Device Setting section shares.
#include <string>

#include "toolkit/dialog.h"

namespace vidudi::config {

// The DHCP choice greys the three address fields ("Enable") or frees them.
void OnDhcpSelChange(toolkit::DialogWindow& window);

// The section's Modify button.
void OnModifyIP(toolkit::Dialog& main, bool& deviceChosen);

// Searches once a second until the device is listed as `expectedName` at g_szTargetIP, filling
// the device list after every search and selecting the device's row. Gives up after
// kMaxReturnPasses searches (a device that was switched off, or did not take the change, must
// not hold the window for ever), tells the user so, clears deviceChosen (the device is no longer
// in the table: the next Modify must ask for a choice) and returns false. False without a word
// when the window was closed meanwhile.
bool WaitForDeviceReturn(toolkit::DialogWindow& window, const std::string& expectedName, bool& deviceChosen);

// Reloads the device's shares into the share list, with their drive letters. False when the
// window was closed meanwhile.
bool RefillSharesAfterChange(toolkit::DialogWindow& window);

}  // namespace vidudi::config
