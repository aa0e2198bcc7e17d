#pragma once
// The dialog layer over real windows: dialogs from the DIALOGEX templates of a module's
// resources, run by a modal loop of our own so that each dialog's PreTranslateMessage sees
// the input before the dialog manager does.
//
// No <windows.h> here: its MessageBox, LoadString and IsMinimized macros would rename those
// DialogWindow operations in every file that includes this one.
#include <vector>

#include "toolkit/dialog.h"

struct HINSTANCE__;

namespace vidudi::toolkit {

class Win32Window;

class Win32Toolkit final : public DialogBackend {
public:
    // `resources`: the module that holds the dialog templates, icons and face bitmaps.
    explicit Win32Toolkit(HINSTANCE__* resources);

    // The owner is disabled while the dialog runs. Without an owner, a dialog opened while
    // another one runs belongs to the innermost open dialog. A template that cannot be made
    // into a window returns -1, as DialogBox does.
    int RunModal(Dialog& dialog, Dialog* owner) override;

private:
    HINSTANCE__* resources_;
    bool commonControlsReady_ = false;
    std::vector<Win32Window*> open_;  // innermost last
};

}  // namespace vidudi::toolkit
