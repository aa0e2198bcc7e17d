#pragma once
// Where the running program file lies, and whether a file exists: for the images that ship in
// "res" beside the program (GetModuleFileNameA, GetFileAttributesA).
#include <string>

namespace vidudi::platform {

class ProgramFiles {
public:
    virtual ~ProgramFiles() = default;
    // The folder of the program file with a trailing backslash; "" when the system does not tell.
    virtual std::string ProgramFolder() = 0;
    // A file (not a folder) at the path, relative to the current folder or absolute.
    virtual bool FileExists(const std::string& path) = 0;
};

}  // namespace vidudi::platform
