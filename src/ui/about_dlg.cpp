#include "ui/about_dlg.h"

#include "resource.h"

namespace vidudi::ui {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

}  // namespace vidudi::ui
