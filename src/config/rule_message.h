#pragma once
// The one message box an input rule shows when it refuses an entry. The rules only say what to
// show; the dialog (or the command line) shows it.
#include <optional>
#include <ostream>
#include <string>

#include "toolkit/toolkit_types.h"

namespace vidudi {

// The icons of the program's message boxes; rule messages use them too.
using toolkit::MessageIcon;

struct RuleMessage {
    std::string text;     // finished text, labels already in place
    std::string caption;
    MessageIcon icon = MessageIcon::Error;
    int focusField = -1;  // field 0..3 of the IP address control to put the caret in; -1: leave focus

    bool operator==(const RuleMessage&) const = default;
};

// A rule returns nothing when the entry passes, and its one message when it refuses it.
using RuleResult = std::optional<RuleMessage>;

inline std::ostream& operator<<(std::ostream& out, const RuleMessage& message) {
    static const char* const kIcons[] = {"information", "warning", "error"};
    return out << '"' << message.text << "\" (" << message.caption << ", "
               << kIcons[static_cast<int>(message.icon)] << ", field " << message.focusField << ')';
}

}  // namespace vidudi
