#pragma once
// What a desktop program needs to run on the Qt backend, without a Qt header: the program's
// entry point calls this and goes on in `program` with the backend in use.
#include <functional>
#include <string>

namespace vidudi::toolkit {

// Makes the Qt application over the command line, finds the resource folder (resourceFolder
// below), installs a QtToolkit built from it as the backend, runs `program` and returns what
// it returns. Without a resource script there is no window to show: the reason goes to
// standard error and the exit code is 1.
int RunWithQt(int argc, char** argv, const std::string& applicationName, const std::string& desktopName,
              const std::function<int()>& program);

// "res" beside the program (a build tree, a folder unpacked anywhere) when it holds the
// resource script, else PREFIX/share/vidudi/res for a program in PREFIX/bin, else the
// package's /usr/share/vidudi/res. A QApplication must exist.
std::string ResourceFolder();

}  // namespace vidudi::toolkit
