#pragma once
// The login dialog: the device's administrator password before a change, or the credentials
// of a network share before a drive is connected.
#include <string>

#include "config/picture_report.h"
#include "toolkit/dialog.h"

namespace vidudi::config {

// 1: device administrator (user "admin", greyed); 0: network-share credentials.
extern int g_nLoginMode;
// The login dialog's control under the pointer (0: none), for the hover faces of OK and Cancel.
extern int g_nLoginHoverCtrlId;

class CLoginDlg : public toolkit::Dialog {
public:
    CLoginDlg();

    bool OnInitDialog() override;
    // OK hands the typed texts to the credential buffers, then closes like Cancel.
    void OnOK() override;
    bool PreTranslateMessage(const toolkit::InputMessage& message) override;
    void OnPaint(toolkit::PaintContext& paint) override;
    void OnDpiChanged() override;

    std::string m_strUser;
    std::string m_strPassword;

private:
    // The window's size and the fields' and buttons' places, at the window's DPI.
    void PlaceControls();
    void SetHoverBitmaps(int id, bool hover);
    PictureReport m_pictureReport;
};

// "admin" with an empty password first; only when the device refuses, the login dialog and one
// more try. On refusal tells the user, enables `modifyButton` again and returns false; false
// without a word when the window was closed during a check.
bool LoginAsAdministrator(toolkit::Dialog& main, int modifyButton);

}  // namespace vidudi::config
