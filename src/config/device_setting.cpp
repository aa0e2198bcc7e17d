#include "config/device_setting.h"

#include "config/exchange_status.h"
#include "config/ip_setting.h"
#include "config/login_dlg.h"
#include "config/name_rules.h"
#include "drives/selection.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "resource.h"

namespace vidudi::config {

void OnModifyDevice(toolkit::Dialog& main, bool& deviceChosen) {
    toolkit::DialogWindow& window = main.window();
    if (!deviceChosen) {
        window.MessageBox("Please select a device in the \"Find Device\" section.", "Error", MessageIcon::Error);
        return;
    }
    const std::string hostName = window.Text(IDC_HOST_NAME);
    const std::string workGroup = window.Text(IDC_WORK_GROUP);
    if (hostName.empty() || workGroup.empty()) {
        window.MessageBox(hostName.empty() ? "Please input host name." : "Please input work group name.", "Warning",
                          MessageIcon::Warning);
        return;
    }
    for (const auto& [text, kind] : {std::pair{hostName, NameKind::HostName}, std::pair{workGroup, NameKind::WorkGroup}}) {
        if (const auto failure = CheckNameRules(text, kind)) {
            window.MessageBox(failure->text, failure->caption, failure->icon);
            return;
        }
    }
    window.Enable(IDC_MODIFY_DEVICE, false);
    if (!LoginAsAdministrator(main, IDC_MODIFY_DEVICE)) return;
    // At most 15 characters, always terminated: nothing of a longer earlier text is sent.
    const bool open = window.RunExchange(AnsweringStatus(SelectedDeviceLabel()), [&hostName, &workGroup] {
        CopyText(g_szHostName, hostName.substr(0, 15).c_str());
        SetHostName();
        CopyText(g_szWorkGroup, workGroup.substr(0, 15).c_str());
        SetWorkGroup();
    });
    if (!open) return;
    window.Enable(IDC_REFRESH, false);
    const bool back = WaitForDeviceReturn(window, hostName, deviceChosen);
    window.Enable(IDC_REFRESH, true);
    g_strSelectedName = hostName;
    window.Enable(IDC_MODIFY_DEVICE, true);
    if (!back || !RefillSharesAfterChange(window)) return;
    window.MessageBox("Successfully modified device setting.", "Confirm", MessageIcon::Information);
}

}  // namespace vidudi::config
