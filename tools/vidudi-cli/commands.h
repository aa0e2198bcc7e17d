#pragma once
// The commands of the command line. Each takes the arguments after its name and returns the
// exit status.
#include <string>
#include <vector>

namespace vidudi::cli {

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* synopsis;  // one line for the overview
    const char* help;      // the command's own --help
    int (*run)(const Arguments& arguments);
};

const std::vector<Command>& Commands();

}  // namespace vidudi::cli
