#include "toolkit/dialog.h"

namespace vidudi::toolkit {

namespace {
DialogBackend* g_backend = nullptr;
}  // namespace

void UseBackend(DialogBackend* backend) { g_backend = backend; }

DialogBackend& CurrentBackend() { return *g_backend; }

int Dialog::DoModal(Dialog* owner) { return g_backend->RunModal(*this, owner); }

void Dialog::OnCommand(int id, int notification) {
    if (notification != kButtonClicked) return;
    if (id == kIdOk) OnOK();
    if (id == kIdCancel) OnCancel();
}

}  // namespace vidudi::toolkit
