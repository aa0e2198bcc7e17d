#pragma once
#include "toolkit/dialog.h"

namespace vidudi::ui {

// The small box of the system menu's about entry: product, maker and version, and OK.
class CAboutDlg : public toolkit::Dialog {
public:
    CAboutDlg();
};

}  // namespace vidudi::ui
