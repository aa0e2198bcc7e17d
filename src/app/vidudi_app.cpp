#include "app/vidudi_app.h"

#include "protocol/network.h"
#include "ui/vidudi_dlg.h"

namespace vidudi::app {

int CVidudiApp::InitInstance() {
    // A second copy ends silently, without bringing the first one forward.
    if (instance_.AnotherCopyHolds(kProductTitle)) return 0;
    // Without the socket library there is no program: exit code 1, no message.
    if (!StartNetwork()) return 1;
    ui::CVidudiDlg dialog;
    return dialog.DoModal() == ui::CVidudiDlg::kEndedWithoutNetwork ? 1 : 0;
}

}  // namespace vidudi::app
