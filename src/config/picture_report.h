#pragma once
// Where the skin images are read from, and telling the user that a window's background
// picture could not be drawn.
#include <set>
#include <string>

#include "toolkit/dialog_window.h"

namespace vidudi::config {

// The path of a skin image: "res\\" and its name under the current folder, or, when that holds
// no "res\\Norvane_bkgnd.bmp", in "res\\" beside the program file if the background is there.
// Started from a command prompt in another folder, the window still finds its images.
std::string SkinPath(const std::string& name);

class PictureReport {
public:
    // Shows the failure's message box, once per window: a message box over the window causes
    // a new paint when it closes, which would fail and ask again for ever.
    void Report(toolkit::DialogWindow& window, toolkit::PictureOutcome outcome);

private:
    std::set<toolkit::PictureOutcome> reported_;
};

}  // namespace vidudi::config
