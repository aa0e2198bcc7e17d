#include "config/login_dlg.h"

#include "config/exchange_status.h"
#include "config/picture_report.h"
#include "drives/windows_version.h"
#include "platform/services.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"
#include "resource.h"

namespace vidudi::config {

using toolkit::InputMessage;
using toolkit::MessageIcon;

int g_nLoginMode = 0;
int g_nLoginHoverCtrlId = 0;

namespace {

constexpr int kCredentialLength = 16;
constexpr char kLoginBackground[] = "bk_login.bmp";

struct LoginFace {
    int id;
    int normal;
    int hover;
};
constexpr LoginFace kLoginFaces[] = {{toolkit::kIdOk, IDB_OK, IDB_OK_HOVER},
                                     {toolkit::kIdCancel, IDB_CANCEL, IDB_CANCEL_HOVER}};

}  // namespace

CLoginDlg::CLoginDlg() : Dialog(IDD_LOGIN) {}

void CLoginDlg::PlaceControls() {
    const int dpi = window().Dpi();
    toolkit::Rect outer = window().Bounds(0);
    outer.width = toolkit::ScaleToDpi(447, dpi);
    outer.height = toolkit::ScaleToDpi(280, dpi);
    window().Move(0, outer);
    Item(IDC_LOGIN_USER).Move(toolkit::ScaleToDpi({144, 90, 155, 26}, dpi));
    Item(IDC_LOGIN_PASSWORD).Move(toolkit::ScaleToDpi({144, 128, 155, 26}, dpi));
    Item(toolkit::kIdOk).Move(toolkit::ScaleToDpi({315, 92, 79, 21}, dpi));
    Item(toolkit::kIdCancel).Move(toolkit::ScaleToDpi({315, 130, 79, 21}, dpi));
}

void CLoginDlg::OnDpiChanged() {
    PlaceControls();
    window().Invalidate(0);
}

bool CLoginDlg::OnInitDialog() {
    PlaceControls();
    Item(IDC_LOGIN_USER_LABEL).Show(false);
    Item(IDC_LOGIN_PASSWORD_LABEL).Show(false);
    BitmapButtonItem(toolkit::kIdOk).LoadFace(IDB_OK);
    BitmapButtonItem(toolkit::kIdCancel).LoadFace(IDB_CANCEL);
    g_nLoginHoverCtrlId = 0;
    window().LimitText(IDC_LOGIN_USER, kCredentialLength);
    window().LimitText(IDC_LOGIN_PASSWORD, kCredentialLength);

    bool userFixed = true;
    if (g_nLoginMode == 1) {
        m_strUser = "admin";
    } else {
        const std::string version = GetWindowsVersionName();
        // On 98 and ME the share is opened as the user who is logged on.
        if (version.find("ME") != std::string::npos || version.find("98") != std::string::npos) {
            m_strUser = platform::CurrentServices().users->LoggedOnUser().value_or("");
        } else {
            m_strUser.clear();
            userFixed = false;
        }
    }
    Item(IDC_LOGIN_USER).SetText(m_strUser.substr(0, kCredentialLength));
    Item(IDC_LOGIN_PASSWORD).SetText(m_strPassword.substr(0, kCredentialLength));
    Item(IDC_LOGIN_USER).Enable(!userFixed);
    Item(userFixed ? IDC_LOGIN_PASSWORD : IDC_LOGIN_USER).SetFocus();
    return true;
}

void CLoginDlg::OnOK() {
    m_strUser = Item(IDC_LOGIN_USER).Text().substr(0, kCredentialLength);
    m_strPassword = Item(IDC_LOGIN_PASSWORD).Text().substr(0, kCredentialLength);
    CopyText(g_szLoginUser, m_strUser.c_str());
    CopyText(g_szLoginPassword, m_strPassword.c_str());
    // OK closes the way Cancel does: callers never look at the result.
    OnCancel();
}

void CLoginDlg::SetHoverBitmaps(int id, bool hover) {
    for (const LoginFace& face : kLoginFaces) {
        if (face.id != id) continue;
        toolkit::BitmapButton button = BitmapButtonItem(id);
        button.LoadFace(hover ? face.hover : face.normal);
        button.Invalidate();
    }
}

bool CLoginDlg::PreTranslateMessage(const InputMessage& message) {
    if (message.kind == InputMessage::Kind::MouseMove) {
        const int id = window().ControlAt(window().ScreenToClient(message.screen));
        if (id >= 0 && id != g_nLoginHoverCtrlId) {
            if (g_nLoginHoverCtrlId != 0) SetHoverBitmaps(g_nLoginHoverCtrlId, false);
            SetHoverBitmaps(id, true);
            g_nLoginHoverCtrlId = id;
        }
    }
    return false;
}

void CLoginDlg::OnPaint(toolkit::PaintContext& paint) {
    m_pictureReport.Report(window(), paint.DrawPictureFile(SkinPath(kLoginBackground)));
}

bool LoginAsAdministrator(toolkit::Dialog& main, int modifyButton) {
    g_nLoginMode = 1;
    CopyText(g_szLoginUser, "admin");
    CopyText(g_szLoginPassword, "");
    std::optional<int> verdict = AskSelectedDevice(main.window(), VerifyAdminPassword);
    if (!verdict) return false;
    if (*verdict) return true;
    CLoginDlg login;
    login.DoModal(&main);
    verdict = AskSelectedDevice(main.window(), VerifyAdminPassword);
    if (!verdict) return false;
    if (*verdict) return true;
    main.window().MessageBox("Wrong administrator password input!", "Error", MessageIcon::Error);
    main.window().Enable(modifyButton, true);
    return false;
}

}  // namespace vidudi::config
