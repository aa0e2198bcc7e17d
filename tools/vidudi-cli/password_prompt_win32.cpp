#include <windows.h>

#include <cstdio>
#include <iostream>

#include "password_prompt.h"

namespace vidudi::cli {

namespace {

HANDLE g_promptInput = nullptr;
DWORD g_savedMode = 0;

// Ctrl+C or Ctrl+Break at the prompt: echo back on before the default handler ends the
// program (returning FALSE hands the event on to it).
BOOL WINAPI RestoreEcho(DWORD) {
    SetConsoleMode(g_promptInput, g_savedMode);
    return FALSE;
}

}  // namespace

std::optional<std::string> ReadPassword(const std::string& prompt) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    // GetConsoleMode fails for a pipe or file: then it is a script feeding us a line.
    const bool console = GetConsoleMode(input, &mode) != 0;
    if (console) {
        std::fputs(prompt.c_str(), stderr);
        std::fflush(stderr);
        g_promptInput = input;
        g_savedMode = mode;
        SetConsoleCtrlHandler(RestoreEcho, TRUE);
        SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (console) {
        SetConsoleMode(input, mode);
        SetConsoleCtrlHandler(RestoreEcho, FALSE);
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace vidudi::cli
