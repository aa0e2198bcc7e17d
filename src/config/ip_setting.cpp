#include "config/ip_setting.h"

#include <cstdio>

#include "config/address_rules.h"
#include "config/device_rows.h"
#include "config/exchange_status.h"
#include "config/login_dlg.h"
#include "drives/selection.h"
#include "drives/drive_table.h"
#include "protocol/device_return.h"
#include "protocol/device_table.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "resource.h"

namespace vidudi::config {


namespace {

constexpr char kChooseDevice[] = "Please select a device in the \"Find Device\" section.";
constexpr int kAddressFields[] = {IDC_IP_ADDRESS, IDC_GATEWAY, IDC_NETMASK};

// The control each address kind is typed into.
int ControlOf(AddressKind kind) {
    switch (kind) {
        case AddressKind::IpAddress: return IDC_IP_ADDRESS;
        case AddressKind::Netmask: return IDC_NETMASK;
        case AddressKind::Gateway: return IDC_GATEWAY;
    }
    return IDC_IP_ADDRESS;
}

template <std::size_t N>
void FormatAddress(char (&buffer)[N], const Octets& octets) {
    std::snprintf(buffer, N, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
}

// The static path's checks, in order, filling the request buffers as they go; false after the
// first message.
bool CheckAddressFields(toolkit::DialogWindow& window, Octets& ip, Octets& netmask, Octets& gateway) {
    struct Blank {
        int id;
        const char* message;
    };
    constexpr Blank kBlanks[] = {{IDC_IP_ADDRESS, "Please input IP address!"},
                                 {IDC_NETMASK, "Please input net mask address!"},
                                 {IDC_GATEWAY, "Please input gateway address!"}};
    for (const Blank& blank : kBlanks) {
        if (window.IpIsBlank(blank.id)) {
            window.MessageBox(blank.message, "Warning", MessageIcon::Warning);
            return false;
        }
    }
    std::uint8_t raw[3][4];
    window.IpGet(IDC_IP_ADDRESS, raw[0]);
    window.IpGet(IDC_NETMASK, raw[1]);
    window.IpGet(IDC_GATEWAY, raw[2]);
    for (int k = 0; k < 4; ++k) {
        ip[k] = raw[0][k];
        netmask[k] = raw[1][k];
        gateway[k] = raw[2][k];
    }
    // Each request buffer takes its address as soon as that address has passed its own
    // checks, also when a later rule refuses the whole: every later setting request carries
    // the netmask and gateway buffers.
    const auto fill = [&](AddressKind kind) {
        switch (kind) {
            case AddressKind::IpAddress: FormatAddress(g_szNewIP, ip); break;
            case AddressKind::Netmask: FormatAddress(g_szNewNetmask, netmask); break;
            case AddressKind::Gateway: FormatAddress(g_szNewGateway, gateway); break;
        }
    };
    if (const auto failure = CheckStaticAddress(ip, netmask, gateway, fill)) {
        window.MessageBox(failure->message.text, failure->message.caption, failure->message.icon);
        if (failure->message.focusField >= 0) window.IpFocusField(ControlOf(failure->address), failure->message.focusField);
        return false;
    }
    return true;
}

}  // namespace

void OnDhcpSelChange(toolkit::DialogWindow& window) {
    if (window.ComboSelection(IDC_DHCP) < 0) return;
    const bool dhcp = window.Text(IDC_DHCP) == "Enable";
    for (int id : kAddressFields) window.Enable(id, !dhcp);
}

void OnModifyIP(toolkit::Dialog& main, bool& deviceChosen) {
    toolkit::DialogWindow& window = main.window();
    if (!deviceChosen) {
        window.MessageBox(kChooseDevice, "Error", MessageIcon::Error);
        return;
    }
    if (window.ComboSelection(IDC_DHCP) < 0) return;
    const bool dhcp = window.Text(IDC_DHCP) == "Enable";

    if (dhcp) {
        window.Enable(IDC_MODIFY_IP, false);
        if (!LoginAsAdministrator(main, IDC_MODIFY_IP)) return;
        window.Enable(IDC_REFRESH, false);
        const std::optional<int> switched = AskSelectedDevice(window, EnableDhcp);
        if (!switched) return;
        if (!*switched) {
            window.PostClick(IDC_REFRESH);  // to a button that is still disabled
            window.Enable(IDC_MODIFY_IP, true);
            window.MessageBox("Set to dhcp client fail.The Device IP will be changed to Default IP 192.168.0.25.",
                              "Error", MessageIcon::Error);
            // The message box's loop took the posted click to the disabled button: Wine runs it,
            // Windows may drop it. Refresh enables its button once it has searched; if the
            // button is still greyed, the search has not run, so run it now.
            if (!window.IsEnabled(IDC_REFRESH)) main.OnCommand(IDC_REFRESH, toolkit::kButtonClicked);
            return;
        }
    } else {
        Octets ip{}, netmask{}, gateway{};
        if (!CheckAddressFields(window, ip, netmask, gateway)) return;
        window.Enable(IDC_MODIFY_IP, false);
        if (!LoginAsAdministrator(main, IDC_MODIFY_IP)) return;
        const std::optional<int> confirmed = AskSelectedDevice(window, SetStaticAddress);
        if (!confirmed) return;
        if (!*confirmed) {
            // Waiting for the device at its old address would find it there, unchanged, and
            // call that a success: say plainly that the change was not confirmed.
            window.Enable(IDC_MODIFY_IP, true);
            window.MessageBox("The device did not confirm the new IP address.\nPress Refresh to see where it is "
                              "listed now.",
                              "Error", MessageIcon::Error);
            return;
        }
        window.Enable(IDC_REFRESH, false);
    }

    const bool back = WaitForDeviceReturn(window, g_strSelectedName, deviceChosen);
    window.Enable(IDC_REFRESH, true);
    window.Enable(IDC_MODIFY_IP, true);
    if (!back || !RefillSharesAfterChange(window)) return;
    window.MessageBox(dhcp ? "DHCP client enabled." : "Successfully modified device setting.", "Confirm",
                      MessageIcon::Information);
}

bool WaitForDeviceReturn(toolkit::DialogWindow& window, const std::string& expectedName, bool& deviceChosen) {
    const std::string device = DeviceLabel(expectedName, g_szTargetIP);
    // One pass (a search, then a second's pause) per exchange: between passes the window
    // refills its list from the table the search left.
    for (int pass = 1; pass <= kMaxReturnPasses; ++pass) {
        bool listed = false;
        if (!window.RunExchange(ReturningStatus(device, pass, kMaxReturnPasses), [&listed, &expectedName] {
                listed = WaitUntilListed(expectedName.c_str(), g_szTargetIP, 1);
            })) {
            return false;
        }
        FillDeviceRows(window, expectedName, g_szTargetIP);
        if (listed) return true;
    }
    window.MessageBox("The device was not found again as \"" + expectedName + "\" at " + g_szTargetIP + " after " +
                          std::to_string(kMaxReturnPasses) +
                          " searches.\nCheck the device, then press Refresh to search again.",
                      "Warning", MessageIcon::Warning);
    deviceChosen = false;
    return false;
}

bool RefillSharesAfterChange(toolkit::DialogWindow& window) {
    if (!window.RunExchange(ReadingStatus(SelectedDeviceLabel()), [] { GetShareList(); })) {
        return false;
    }
    CopyText(g_szSelectedIP, g_szTargetIP);
    FillShareRows(toolkit::ListView(window, IDC_SHARE_LIST), g_strSelectedName, g_szTargetIP, true);
    return true;
}

}  // namespace vidudi::config
