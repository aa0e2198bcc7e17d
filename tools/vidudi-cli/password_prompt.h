#pragma once
// Reads a password: from the terminal without echo, or as one line of standard input when that
// is not a terminal (for scripts). Never from the command line, where others could read it.
#include <optional>
#include <string>

namespace vidudi::cli {

// The password without its line end, or nothing at end of input.
std::optional<std::string> ReadPassword(const std::string& prompt);

}  // namespace vidudi::cli
