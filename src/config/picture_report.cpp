#include "config/picture_report.h"

#include "platform/services.h"

namespace vidudi::config {

std::string SkinPath(const std::string& name) {
    constexpr char kFolder[] = "res\\";
    constexpr char kBackground[] = "Norvane_bkgnd.bmp";
    platform::ProgramFiles& files = *platform::CurrentServices().files;
    if (!files.FileExists(std::string(kFolder) + kBackground)) {
        const std::string program = files.ProgramFolder();
        if (!program.empty() && files.FileExists(program + kFolder + kBackground)) return program + kFolder + name;
    }
    return kFolder + name;
}

void PictureReport::Report(toolkit::DialogWindow& window, toolkit::PictureOutcome outcome) {
    using toolkit::PictureOutcome;
    const char* text = nullptr;
    switch (outcome) {
        case PictureOutcome::CannotOpen: text = "Can't   Open   Image   File!"; break;
        case PictureOutcome::CannotLoad: text = "Error   Loading   Picture   From   Stream!"; break;
        case PictureOutcome::CannotRender: text = "Failed   To   Render   The   picture!"; break;
        case PictureOutcome::Drawn:
        case PictureOutcome::EmptyFile:
        case PictureOutcome::OutOfMemory: return;  // no bytes, or no memory, for the copy: skipped without a word
    }
    if (!reported_.insert(outcome).second) return;
    window.MessageBox(text, "Norvane Vidudi", toolkit::MessageIcon::Warning);
}

}  // namespace vidudi::config
