#pragma once
// The Map Drive section: connect a shared folder of the chosen device to a drive letter, and
// disconnect a letter again.
#include <functional>

#include "toolkit/dialog.h"

namespace vidudi {

// 1: use a letter that is in use anyway; 0: do not. Set by CDriveInUseDlg.
extern int g_nDriveInUseAnswer;

// "The drive letter has been used. Do you still want to use this drive letter?"
class CDriveInUseDlg : public toolkit::Dialog {
public:
    CDriveInUseDlg();
    void OnOK() override;
    void OnCancel() override;
};

// What Mount needs of the window above it.
struct MountSteps {
    // Starts the reachability probe for g_szSelectedIP and tells the user when it fails.
    std::function<bool()> checkDeviceReachable;
    // The login dialog in network-share mode; fills g_szLoginUser / g_szLoginPassword on OK.
    std::function<void()> askShareCredentials;
};

void OnMount(toolkit::Dialog& main, const MountSteps& steps);
void OnUnmount(toolkit::Dialog& main);

}  // namespace vidudi
