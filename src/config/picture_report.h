#pragma once
// Telling the user that a window's background picture could not be drawn.
#include <set>

#include "toolkit/dialog_window.h"

namespace vidudi::config {

class PictureReport {
public:
    // Shows the failure's message box, once per window: a message box over the window causes
    // a new paint when it closes, which would fail and ask again for ever.
    void Report(toolkit::DialogWindow& window, toolkit::PictureOutcome outcome);

private:
    std::set<toolkit::PictureOutcome> reported_;
};

}  // namespace vidudi::config
