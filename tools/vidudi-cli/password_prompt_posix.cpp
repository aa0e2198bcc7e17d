#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "password_prompt.h"

namespace vidudi::cli {

namespace {

// The terminal's mode before the prompt turned echo off, for the signal handler.
termios g_savedMode{};
volatile sig_atomic_t g_echoOff = 0;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Ctrl+C (or a TERM or HUP) while echo is off: give the terminal its echo back, then end as
// that signal would have ended the program, so the shell sees the usual status (130 for ^C).
void RestoreAndEnd(int signal) {
    if (g_echoOff) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedMode);
        const char lineEnd = '\n';
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, &lineEnd, 1);
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

// Signal handlers for the time the prompt runs; the earlier ones come back afterwards.
class EndingSignalsRestoreTerminal {
public:
    EndingSignalsRestoreTerminal() {
        struct sigaction handler {};
        handler.sa_handler = RestoreAndEnd;
        sigemptyset(&handler.sa_mask);
        for (int signal : kEndingSignals) sigaddset(&handler.sa_mask, signal);
        for (std::size_t k = 0; k < std::size(kEndingSignals); ++k) {
            sigaction(kEndingSignals[k], &handler, &previous_[k]);
        }
    }
    ~EndingSignalsRestoreTerminal() {
        for (std::size_t k = 0; k < std::size(kEndingSignals); ++k) {
            sigaction(kEndingSignals[k], &previous_[k], nullptr);
        }
    }
    EndingSignalsRestoreTerminal(const EndingSignalsRestoreTerminal&) = delete;
    EndingSignalsRestoreTerminal& operator=(const EndingSignalsRestoreTerminal&) = delete;

private:
    struct sigaction previous_[std::size(kEndingSignals)] {};
};

}  // namespace

std::optional<std::string> ReadPassword(const std::string& prompt) {
    const bool terminal = isatty(STDIN_FILENO);
    std::optional<EndingSignalsRestoreTerminal> signals;
    if (terminal) {
        std::fputs(prompt.c_str(), stderr);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &g_savedMode);
        termios quiet = g_savedMode;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        signals.emplace();
        g_echoOff = 1;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_savedMode);
        g_echoOff = 0;
        signals.reset();
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace vidudi::cli
