#pragma once
// The main window: one dialog holding the controls of every section; the section bar on the
// left chooses which of them show.
#include <optional>
#include <string>

#include "config/picture_report.h"
#include "toolkit/dialog.h"

namespace vidudi::ui {

class CVidudiDlg : public toolkit::Dialog {
public:
    CVidudiDlg();

    // What the window ends with when Refresh cannot start the socket library again: the
    // program then ends with exit code 1, as when it cannot start it at all.
    static constexpr int kEndedWithoutNetwork = 3;  // IDABORT

    // Sections, as m_nSection counts them.
    enum Section { kFindDevice = 1, kDeviceSetting = 2, kIpSetting = 3, kMapDrive = 4, kAboutSection = 5 };

    bool OnInitDialog() override;
    void OnCommand(int id, int notification) override;
    void OnPaint(toolkit::PaintContext& paint) override;
    // Lays the window out again at the DPI of its new monitor.
    void OnDpiChanged() override;
    void OnClose() override;
    void OnAbandonExchange() override;
    bool OnSysCommand(int command) override;
    bool PreTranslateMessage(const toolkit::InputMessage& message) override;
    std::optional<toolkit::ControlColors> OnCtlColor(int id) override;

    void OnNotify(int id, int code) override;

    void OnRefresh();
    void OnClickDeviceList();
    // Probes the chosen device (g_szSelectedIP); when it does not answer, says so and searches
    // again.
    bool CheckDeviceReachable();
    // Opens the chosen device's web page in the default browser.
    void OnConfiguration();
    void OnExit();
    void OnFindDevice();
    void OnDeviceSetting();
    void OnIPSetting();
    void OnMapDrive();
    void OnAboutSection();

    int m_nSection;
    bool m_bDeviceChosen;
    int m_hIcon;

private:
    void ShowSection(int section);
    void PlaceControls();
    void SetFonts();
    void SetUpListViews();
    void DrawSkinImage(int id, bool highlighted);
    // Puts a dotted address text into an address field; an empty or unparseable one blanks it.
    void SetAddressField(int id, const std::string& text);
    void SetHoverBitmaps(int id, bool hover);
    // The control under a screen point, or -1 outside the client area.
    int ControlUnder(toolkit::Point screen);

    config::PictureReport m_pictureReport;
};

// Id of the main-window control under the pointer (0: none), for the hover faces.
extern int g_nHoverCtrlId;

}  // namespace vidudi::ui
