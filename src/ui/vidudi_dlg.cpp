#include "ui/vidudi_dlg.h"

#include <cstring>
#include <set>
#include <string>

#include "config/device_rows.h"
#include "config/exchange_status.h"
#include "config/device_setting.h"
#include "config/ip_setting.h"
#include "config/login_dlg.h"
#include "drives/drive_table.h"
#include "drives/map_drive.h"
#include "drives/reachability.h"
#include "drives/selection.h"
#include "drives/web_page.h"
#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "resource.h"
#include "ui/about_dlg.h"
#include "ui/parse_ipv4.h"
#include "ui/skin.h"

namespace vidudi::ui {

using toolkit::ControlColors;
using toolkit::FontSpec;
using toolkit::InputMessage;
using toolkit::MessageIcon;
using toolkit::PictureOutcome;
using toolkit::Rect;
using toolkit::ScaleToDpi;

int g_nHoverCtrlId = 0;

namespace {

constexpr char kBackgroundPicture[] = "Norvane_bkgnd.bmp";
constexpr int kWindowWidth = 801;
constexpr int kWindowHeight = 592;
constexpr int kReturnKey = 13;
// "Host Name:" has no id of its own: it is the window's only label without one.
constexpr int kHostNameLabel = IDC_STATIC;

struct Placement {
    int id;
    Rect rect;
};

// Pixel places of every control, the bar buttons first.
constexpr Placement kPlacements[] = {
    {IDC_FIND_DEVICE, {43, 240, 114, 20}},
    {IDC_REFRESH, {43, 238, 114, 20}},
    {IDC_CONFIGURATION, {43, 354, 114, 20}},
    {IDC_DEVICE_SETTING, {43, 267, 114, 20}},
    {IDC_IP_SETTING, {43, 296, 114, 20}},
    {IDC_MAP_DRIVE, {43, 325, 114, 20}},
    {IDC_ABOUT, {43, 383, 114, 20}},
    {IDC_EXIT, {43, 412, 114, 20}},
    {IDC_DEVICE_LIST, {216, 186, 432, 220}},
    {kHostNameLabel, {256, 216, 120, 30}},
    {IDC_HOST_NAME, {376, 213, 160, 26}},
    {IDC_WORK_GROUP_LABEL, {256, 266, 120, 30}},
    {IDC_WORK_GROUP, {376, 263, 160, 26}},
    {IDC_MODIFY_DEVICE, {560, 265, 79, 21}},
    {IDC_DHCP_LABEL, {256, 216, 120, 30}},
    {IDC_DHCP, {376, 212, 160, 80}},
    {IDC_IP_ADDRESS_LABEL, {256, 266, 120, 30}},
    {IDC_IP_ADDRESS, {376, 263, 160, 26}},
    {IDC_NETMASK_LABEL, {256, 316, 120, 30}},
    {IDC_NETMASK, {376, 313, 160, 26}},
    {IDC_GATEWAY_LABEL, {256, 366, 120, 30}},
    {IDC_GATEWAY, {376, 363, 160, 26}},
    {IDC_MODIFY_IP, {560, 365, 79, 21}},
    {IDC_SHARE_LIST, {216, 186, 329, 220}},
    {IDC_DRIVE_LETTER_LABEL, {570, 191, 120, 17}},
    {IDC_DRIVE_LETTER, {570, 214, 140, 220}},
    {IDC_MOUNT, {600, 264, 79, 21}},
    {IDC_UNMOUNT, {600, 299, 79, 21}},
    {IDC_STATUS, {216, 406, 432, 13}},  // the strip between the list and the panel's lower edge
    {IDC_PRODUCT_NAME, {286, 208, 300, 30}},
    {IDC_VERSION, {286, 248, 300, 30}},
    {IDC_COPYRIGHT, {286, 288, 300, 30}},
};

// The controls each section shows; every other section's are hidden.
const std::set<int> kSectionControls[] = {
    {IDC_DEVICE_LIST},
    {kHostNameLabel, IDC_WORK_GROUP_LABEL, IDC_HOST_NAME, IDC_WORK_GROUP, IDC_MODIFY_DEVICE},
    {IDC_DHCP_LABEL, IDC_DHCP, IDC_IP_ADDRESS_LABEL, IDC_IP_ADDRESS, IDC_NETMASK_LABEL, IDC_NETMASK,
     IDC_GATEWAY_LABEL, IDC_GATEWAY, IDC_MODIFY_IP},
    {IDC_SHARE_LIST, IDC_DRIVE_LETTER_LABEL, IDC_DRIVE_LETTER, IDC_MOUNT, IDC_UNMOUNT},
    {IDC_PRODUCT_NAME, IDC_VERSION, IDC_COPYRIGHT},
};

constexpr char kFontFace[] = "ITC Officina Sans";
const FontSpec kFontLabel{kFontFace, 18, 700, 0};
const FontSpec kFontField{kFontFace, 16, 400, 0};
const FontSpec kFontAbout{kFontFace, 17, 400, 0};
const FontSpec kFontShares{kFontFace, 16, 100, 0};
// The fields' face, at the height of the status line's strip.
const FontSpec kFontStatus{kFontFace, 13, 400, 0};

constexpr int kLabelFontControls[] = {kHostNameLabel, IDC_WORK_GROUP_LABEL, IDC_DHCP_LABEL,
                                      IDC_IP_ADDRESS_LABEL, IDC_NETMASK_LABEL, IDC_GATEWAY_LABEL,
                                      IDC_DRIVE_LETTER_LABEL, IDC_NAS_DEVICE_LABEL};
constexpr int kFieldFontControls[] = {IDC_HOST_NAME, IDC_WORK_GROUP, IDC_IP_ADDRESS, IDC_NETMASK,
                                      IDC_GATEWAY, IDC_DRIVE_LETTER, IDC_DHCP, IDC_MODIFY_DEVICE,
                                      IDC_MODIFY_IP, IDC_MOUNT, IDC_UNMOUNT, IDC_DEVICE_LIST};
constexpr int kAboutFontControls[] = {IDC_PRODUCT_NAME, IDC_COPYRIGHT, IDC_VERSION};

// The labels that stand on the background (transparent, white brush) and the bar buttons that
// stand on the green panel.
const std::set<int> kWhiteLabels = {kHostNameLabel, IDC_WORK_GROUP_LABEL, IDC_DHCP_LABEL,
                                    IDC_IP_ADDRESS_LABEL, IDC_NETMASK_LABEL, IDC_GATEWAY_LABEL,
                                    IDC_DRIVE_LETTER_LABEL, IDC_PRODUCT_NAME, IDC_COPYRIGHT,
                                    IDC_VERSION, IDC_NAS_DEVICE_LABEL, IDC_STATUS};
const std::set<int> kGreenButtons = {IDC_CONFIGURATION, IDC_DEVICE_SETTING, IDC_IP_SETTING, IDC_MAP_DRIVE};

// The bar buttons in drawing order.
constexpr int kBarButtons[] = {IDC_FIND_DEVICE, IDC_REFRESH, IDC_CONFIGURATION, IDC_DEVICE_SETTING,
                               IDC_IP_SETTING, IDC_MAP_DRIVE, IDC_ABOUT, IDC_EXIT};

struct Column {
    const char* heading;
    int width;
};
constexpr Column kDeviceColumns[] = {{"Device Name", 110}, {"IP Address", 106}, {"Netmask", 106}, {"Gateway", 106}};
constexpr Column kShareColumns[] = {{"Shared Folder Name", 185}, {"Map to", 140}};

}  // namespace

CVidudiDlg::CVidudiDlg() : Dialog(IDD_VIDUDI_DIALOG), m_nSection(kFindDevice), m_bDeviceChosen(false), m_hIcon(IDR_MAINFRAME) {}

bool CVidudiDlg::OnInitDialog() {
    const std::string about = window().LoadString(IDS_ABOUTBOX);
    if (!about.empty()) window().AppendSystemMenuEntry(IDM_ABOUTBOX, about);
    window().SetIcon(m_hIcon);
    window().Move(0, ScaleToDpi(Rect{0, 0, kWindowWidth, kWindowHeight}, window().Dpi()));
    PlaceControls();
    SetFonts();
    window().SetStatusControl(IDC_STATUS);
    // A button disabled while it has the focus (Refresh during its search, Modify during its
    // change) hands it to the device list.
    window().SetFocusRefuge(IDC_DEVICE_LIST);
    BitmapButtonItem(IDC_MOUNT).LoadFace(IDB_MOUNT);
    BitmapButtonItem(IDC_UNMOUNT).LoadFace(IDB_UNMOUNT);
    BitmapButtonItem(IDC_MODIFY_DEVICE).LoadFace(IDB_MODIFY);
    BitmapButtonItem(IDC_MODIFY_IP).LoadFace(IDB_MODIFY);
    g_nHoverCtrlId = 0;
    SetUpListViews();
    toolkit::ComboBox dhcp = ComboBoxItem(IDC_DHCP);
    dhcp.Add("Disable");
    dhcp.Add("Enable");
    RefreshDriveTable();
    FillDriveLetterCombo(ComboBoxItem(IDC_DRIVE_LETTER));
    OnRefresh();
    m_bDeviceChosen = false;
    return true;
}

void CVidudiDlg::PlaceControls() {
    const int dpi = window().Dpi();
    for (const Placement& placement : kPlacements) Item(placement.id).Move(ScaleToDpi(placement.rect, dpi));
}

void CVidudiDlg::SetFonts() {
    const int dpi = window().Dpi();
    const auto atDpi = [dpi](FontSpec font) {
        font.height = toolkit::ScaleToDpi(font.height, dpi);
        return font;
    };
    for (int id : kLabelFontControls) Item(id).SetFont(atDpi(kFontLabel));
    for (int id : kFieldFontControls) Item(id).SetFont(atDpi(kFontField));
    for (int id : kAboutFontControls) Item(id).SetFont(atDpi(kFontAbout));
    // Share names come in the system's code page: their font takes its character set.
    FontSpec shares = atDpi(kFontShares);
    shares.charset = window().TextCharset();
    Item(IDC_SHARE_LIST).SetFont(shares);
    Item(IDC_STATUS).SetFont(atDpi(kFontStatus));
}

void CVidudiDlg::SetUpListViews() {
    const int dpi = window().Dpi();
    toolkit::ListView devices = ListViewItem(IDC_DEVICE_LIST);
    devices.SetFullRowSelect();
    for (int c = 0; c < 4; ++c) {
        devices.InsertColumn(c, kDeviceColumns[c].heading, toolkit::ScaleToDpi(kDeviceColumns[c].width, dpi));
    }
    toolkit::ListView shares = ListViewItem(IDC_SHARE_LIST);
    shares.SetFullRowSelect();
    for (int c = 0; c < 2; ++c) {
        shares.InsertColumn(c, kShareColumns[c].heading, toolkit::ScaleToDpi(kShareColumns[c].width, dpi));
    }
}

void CVidudiDlg::OnDpiChanged() {
    // The same layout at the new DPI, where the window now stands.
    const int dpi = window().Dpi();
    const Rect at = window().Bounds(0);
    window().Move(0, {at.left, at.top, toolkit::ScaleToDpi(kWindowWidth, dpi), toolkit::ScaleToDpi(kWindowHeight, dpi)});
    PlaceControls();
    SetFonts();
    for (int c = 0; c < 4; ++c) {
        ListViewItem(IDC_DEVICE_LIST).SetColumnWidth(c, toolkit::ScaleToDpi(kDeviceColumns[c].width, dpi));
    }
    for (int c = 0; c < 2; ++c) {
        ListViewItem(IDC_SHARE_LIST).SetColumnWidth(c, toolkit::ScaleToDpi(kShareColumns[c].width, dpi));
    }
    window().Invalidate(0);
}

void CVidudiDlg::OnCommand(int id, int notification) {
    if (id == IDC_DHCP && notification == toolkit::kComboSelChange) config::OnDhcpSelChange(window());
    if (notification != toolkit::kButtonClicked) return;
    switch (id) {
        case IDC_MODIFY_IP: config::OnModifyIP(*this, m_bDeviceChosen); break;
        case IDC_MODIFY_DEVICE: config::OnModifyDevice(*this, m_bDeviceChosen); break;
        case IDC_MOUNT:
            OnMount(*this, {[this] { return CheckDeviceReachable(); },
                            [this] {
                                config::g_nLoginMode = 0;
                                config::CLoginDlg login;
                                login.DoModal(this);
                            }});
            break;
        case IDC_UNMOUNT: OnUnmount(*this); break;
        case IDC_CONFIGURATION: OnConfiguration(); break;
        case IDC_REFRESH: OnRefresh(); break;
        case IDC_EXIT: OnExit(); break;
        case IDC_FIND_DEVICE: OnFindDevice(); break;
        case IDC_DEVICE_SETTING: OnDeviceSetting(); break;
        case IDC_IP_SETTING: OnIPSetting(); break;
        case IDC_MAP_DRIVE: OnMapDrive(); break;
        case IDC_ABOUT: OnAboutSection(); break;
        default: Dialog::OnCommand(id, notification); break;
    }
}

void CVidudiDlg::ShowSection(int section) {
    m_nSection = section;
    for (int s = 1; s <= 5; ++s) {
        if (s == section) continue;
        for (int id : kSectionControls[s - 1]) Item(id).Show(false);
    }
    for (int id : kSectionControls[section - 1]) Item(id).Show(true);
    // Shares the desktop mounts under folders (Linux) have no drive letter to choose.
    if (section == kMapDrive && !DriveLettersExist()) {
        Item(IDC_DRIVE_LETTER_LABEL).Show(false);
        Item(IDC_DRIVE_LETTER).Show(false);
    }
    window().Invalidate(0);
}

void CVidudiDlg::OnFindDevice() { ShowSection(kFindDevice); }
void CVidudiDlg::OnDeviceSetting() { ShowSection(kDeviceSetting); }
void CVidudiDlg::OnIPSetting() { ShowSection(kIpSetting); }
void CVidudiDlg::OnMapDrive() { ShowSection(kMapDrive); }
void CVidudiDlg::OnAboutSection() { ShowSection(kAboutSection); }

void CVidudiDlg::OnRefresh() {
    OnFindDevice();
    StopNetwork();
    if (!StartNetwork()) {
        EndDialog(kEndedWithoutNetwork);
        return;
    }
    toolkit::ListView devices = ListViewItem(IDC_DEVICE_LIST);
    devices.DeleteAllItems();
    ListViewItem(IDC_SHARE_LIST).DeleteAllItems();
    IpAddressItem(IDC_IP_ADDRESS).Clear();
    IpAddressItem(IDC_NETMASK).Clear();
    IpAddressItem(IDC_GATEWAY).Clear();
    Item(IDC_HOST_NAME).SetText("");
    Item(IDC_WORK_GROUP).SetText("");
    ComboBoxItem(IDC_DHCP).Select(-1);

    DrawSkinImage(IDC_REFRESH, true);
    Item(IDC_REFRESH).Enable(false);
    if (!window().RunExchange(config::SearchingStatus(g_nLocalAddressCount), [] { SearchDevices(kDeviceFilter); })) {
        return;
    }
    Item(IDC_REFRESH).Enable(true);
    DrawSkinImage(IDC_REFRESH, false);
    // The repaint asked for when the section was shown has run while the window waited; ask
    // again, so that the current section's face is drawn over the normal one, as it always was.
    window().Invalidate(0);

    config::FillDeviceRows(window());
    m_bDeviceChosen = false;
}

void CVidudiDlg::OnNotify(int id, int code) {
    if (id == IDC_DEVICE_LIST && code == toolkit::kListClick) OnClickDeviceList();
}

void CVidudiDlg::OnClickDeviceList() {
    toolkit::ListView devices = ListViewItem(IDC_DEVICE_LIST);
    const int start = devices.SelectionMark();
    m_bDeviceChosen = true;
    devices.SetFocus();
    RefreshDriveTable();
    toolkit::ComboBox letters = ComboBoxItem(IDC_DRIVE_LETTER);
    letters.ResetContent();
    FillDriveLetterCombo(letters);

    const int rows = devices.ItemCount();
    if (start < 0 || start >= rows) return;
    for (int row = start; row < rows; ++row) {
        if (!devices.IsSelected(row)) continue;
        const std::string address = devices.ItemText(row, 1);
        CopyText(g_szTargetIP, address.c_str());
        SetAddressField(IDC_IP_ADDRESS, address);

        int iface = -1;
        for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
            if (address != entry->address) continue;  // the later of two equal addresses decides
            iface = entry->iface;
            const bool dhcp = entry->dhcp[0] == '1';
            ComboBoxItem(IDC_DHCP).Select(dhcp ? 1 : 0);
            for (int id : {IDC_IP_ADDRESS, IDC_GATEWAY, IDC_NETMASK}) Item(id).Enable(!dhcp);
            Item(IDC_HOST_NAME).SetText(entry->name);
        }
        // Both reads in one exchange, back to back; the window shows them once they are in.
        if (!window().RunExchange(config::ReadingStatus(config::DeviceLabel(devices.ItemText(row, 0), address)), [] {
                GetWorkGroup();
                GetShareList();
            })) {
            return;
        }
        Item(IDC_WORK_GROUP).SetText(g_szWorkGroup);
        SetAddressField(IDC_NETMASK, devices.ItemText(row, 2));

        // Mount, Unmount and the web page only for a device in the subnet of the local address
        // that reached it; a device no longer in the table is not reachable that way either.
        std::uint8_t device[4], mask[4];
        IpAddressItem(IDC_IP_ADDRESS).GetAddress(device);
        IpAddressItem(IDC_NETMASK).GetAddress(mask);
        std::uint32_t local = 0;
        bool sameSubnet = iface >= 0 && iface < g_nLocalAddressCount && ParseIPv4Address(LocalAddressTable[iface], &local);
        std::uint8_t localBytes[4];
        std::memcpy(localBytes, &local, 4);
        for (int b = 0; b < 4 && sameSubnet; ++b) sameSubnet = (device[b] & mask[b]) == (localBytes[b] & mask[b]);
        for (int id : {IDC_MOUNT, IDC_UNMOUNT, IDC_CONFIGURATION}) Item(id).Enable(sameSubnet);

        SetAddressField(IDC_GATEWAY, devices.ItemText(row, 3));
        g_strSelectedName = devices.ItemText(row, 0);
        CopyText(g_szSelectedIP, devices.ItemText(row, 1).c_str());
        FillShareRows(ListViewItem(IDC_SHARE_LIST), g_strSelectedName, g_szSelectedIP, true);
    }
}

void CVidudiDlg::OnConfiguration() {
    const toolkit::ListView devices = ListViewItem(IDC_DEVICE_LIST);
    const int row = devices.SelectedRowFromTop();
    if (row < 0) {
        MessageBox("Please select a device to configure.", "Warning", MessageIcon::Warning);
        return;
    }
    CopyText(g_szSelectedIP, devices.ItemText(row, 1).c_str());
    if (!CheckDeviceReachable()) return;
    OpenWebPage(g_szSelectedIP);
}

bool CVidudiDlg::CheckDeviceReachable() {
    const DeviceEntry* entry = FindDeviceEntry(g_szSelectedIP);
    const std::string device = config::DeviceLabel(entry ? entry->name : "", g_szSelectedIP);
    StartDeviceProbe(g_szSelectedIP);
    bool reachable = false;
    if (!window().RunExchange(config::ReachableStatus(device), [&reachable] { reachable = AwaitProbeVerdict(Pause); })) {
        return false;
    }
    if (reachable) return true;
    MessageBox("Device is no longer available.", "Warning", MessageIcon::Warning);
    RefreshDriveTable();
    FillDriveLetterCombo(ComboBoxItem(IDC_DRIVE_LETTER));
    OnRefresh();
    m_bDeviceChosen = false;
    return false;
}

void CVidudiDlg::SetAddressField(int id, const std::string& text) {
    // An empty text would parse as 0.0.0.0: like a text that does not parse, it leaves the
    // field blank, so that Modify asks for the address instead of refusing a 0.
    std::uint32_t parsed = 0;
    if (text.empty() || !ParseIPv4Address(text.c_str(), &parsed)) {
        IpAddressItem(id).Clear();
        return;
    }
    std::uint8_t octets[4];
    std::memcpy(octets, &parsed, 4);
    IpAddressItem(id).SetAddress(octets);
}

void CVidudiDlg::OnExit() {
    FreeDeviceList();
    StopNetwork();
    EndDialog(toolkit::kIdCancel);
}

void CVidudiDlg::OnClose() {
    // Closed in the middle of an exchange: the table it left half filled goes too.
    if (ExchangesAbandoned()) FreeDeviceList();
    StopNetwork();
    Dialog::OnClose();
}

void CVidudiDlg::OnAbandonExchange() { AbandonExchanges(); }

bool CVidudiDlg::OnSysCommand(int command) {
    if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutDlg about;
    about.DoModal(this);
    return true;
}

void CVidudiDlg::DrawSkinImage(int id, bool highlighted) {
    const char* name = GetSkinImageName(id, highlighted);
    if (!name) return;
    window().DrawBitmapFile(id, config::SkinPath(name));
}

void CVidudiDlg::SetHoverBitmaps(int id, bool hover) {
    const int face = HoverFaceBitmap(id, hover);
    if (!face) return;
    toolkit::BitmapButton button = BitmapButtonItem(id);
    button.LoadFace(face);
    button.Invalidate();
}

void CVidudiDlg::OnPaint(toolkit::PaintContext& paint) {
    if (window().IsMinimized()) {
        paint.DrawIconCentered(m_hIcon);
    } else {
        m_pictureReport.Report(window(), paint.DrawPictureFile(config::SkinPath(kBackgroundPicture)));
    }
    for (int id : kBarButtons) DrawSkinImage(id, false);
    DrawSkinImage(SectionButton(m_nSection), true);
}

int CVidudiDlg::ControlUnder(toolkit::Point screen) {
    return window().ControlAt(window().ScreenToClient(screen));
}

bool CVidudiDlg::PreTranslateMessage(const InputMessage& message) {
    switch (message.kind) {
        case InputMessage::Kind::MouseMove: {
            const int id = ControlUnder(message.screen);
            if (id >= 0 && id != g_nHoverCtrlId) {
                if (g_nHoverCtrlId != 0) SetHoverBitmaps(g_nHoverCtrlId, false);
                SetHoverBitmaps(id, true);
                g_nHoverCtrlId = id;
            }
            break;
        }
        case InputMessage::Kind::LeftButtonDown:
            if (ControlUnder(message.screen) == IDC_CONFIGURATION) DrawSkinImage(IDC_CONFIGURATION, true);
            break;
        case InputMessage::Kind::LeftButtonUp:
            if (ControlUnder(message.screen) == IDC_CONFIGURATION) DrawSkinImage(IDC_CONFIGURATION, false);
            break;
        default: break;
    }
    // Return never reaches the dialog's default-button handling. Only keyboard messages carry
    // a key there: a mouse message's 13 is the left button with Shift and Ctrl held.
    return message.IsKeyboard() && message.wParam == kReturnKey;
}

std::optional<ControlColors> CVidudiDlg::OnCtlColor(int id) {
    if (kWhiteLabels.count(id)) return ControlColors{true, {255, 255, 255}};
    if (kGreenButtons.count(id)) return ControlColors{true, {96, 145, 56}};
    return std::nullopt;
}

}  // namespace vidudi::ui
