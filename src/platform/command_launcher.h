#pragma once
// Starting another program: a Windows command line (WinExec), or handing a web address to
// whatever the desktop opens such addresses with.
#include <string>

namespace vidudi::platform {

// WinExec's answers: above 31 the program started; these are the failures callers tell apart.
constexpr int kWinExecNoResources = 0;
constexpr int kWinExecFileNotFound = 2;
constexpr int kWinExecPathNotFound = 3;
constexpr int kWinExecBadFormat = 11;
constexpr int kWinExecStarted = 33;  // any value above 31 means the same

// WinExec's show modes used here.
constexpr int kShowHidden = 0;

class CommandLauncher {
public:
    virtual ~CommandLauncher() = default;
    // Starts the command line as the system splits it (program first, quoted when its path has
    // blanks) and returns at once; the program is not waited for.
    virtual int WinExec(const std::string& commandLine, int show) = 0;
    // Opens an http:// or https:// address in the user's browser; true when the platform's
    // opener took it. Anything else is refused: the opener would take it for a file or an option.
    virtual bool OpenUrl(const std::string& url) = 0;
};

}  // namespace vidudi::platform
