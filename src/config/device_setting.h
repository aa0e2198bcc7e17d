#pragma once
// The Device Setting section: a new host name and work group for the chosen device.
#include "toolkit/dialog.h"

namespace vidudi::config {

// The section's Modify button.
void OnModifyDevice(toolkit::Dialog& main, bool deviceChosen);

}  // namespace vidudi::config
