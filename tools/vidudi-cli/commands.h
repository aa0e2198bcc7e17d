#pragma once
// The commands of the command line. Each takes the arguments after its name and returns the
// exit status.
#include <map>
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

// A command's arguments after parsing: the options every command takes, its own options
// (flags map to ""), and its positional arguments.
struct Parsed {
    Arguments positional;
    bool json = false;
    bool help = false;
    std::map<std::string, std::string> options;
    bool Has(const std::string& option) const { return options.count(option) > 0; }
};

// Parses the arguments of the command named `name`, which wants `expected` positional ones.
// Returns -1 to go on, else the status to end with (--help printed, or the error).
int ParseArguments(const Arguments& arguments, const char* name, std::size_t expected, Parsed& parsed);

// Commands that live in files of their own.
int RunWatch(const Arguments& arguments);
int RunApply(const Arguments& arguments);

}  // namespace vidudi::cli
