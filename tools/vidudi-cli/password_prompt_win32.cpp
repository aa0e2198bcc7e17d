#include <windows.h>

#include <cstdio>
#include <iostream>

#include "password_prompt.h"

namespace vidudi::cli {

std::optional<std::string> ReadPassword(const std::string& prompt) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    // GetConsoleMode fails for a pipe or file: then it is a script feeding us a line.
    const bool console = GetConsoleMode(input, &mode) != 0;
    if (console) {
        std::fputs(prompt.c_str(), stderr);
        std::fflush(stderr);
        SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (console) {
        SetConsoleMode(input, mode);
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace vidudi::cli
