#pragma once
// The Device Setting section: a new host name and work group for the chosen device.
#include "toolkit/dialog.h"

namespace vidudi::config {

// The section's Modify button. When the wait for the changed device gives up, deviceChosen is
// cleared: the device is no longer in the table, and the next Modify must ask for a choice.
void OnModifyDevice(toolkit::Dialog& main, bool& deviceChosen);

}  // namespace vidudi::config
