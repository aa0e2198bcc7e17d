#include "platform/posix/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace vidudi::platform {

int RunProgram(const std::vector<std::string>& argv, const std::string& input, int timeoutMs) {
    if (argv.empty()) return -1;
    std::vector<std::string> arguments = argv;
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    pointers.push_back(nullptr);

    int feed[2];
    if (pipe2(feed, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, feed[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(feed[0]);
    if (spawned != 0) {
        close(feed[1]);
        return -1;
    }
    // A few short lines: they fit the pipe, so writing them never waits for the reader. A
    // reader that has gone already must not end us with SIGPIPE.
    const sighandler_t previous = signal(SIGPIPE, SIG_IGN);
    for (std::size_t written = 0; written < input.size();) {
        const ssize_t n = write(feed[1], input.data() + written, input.size() - written);
        if (n <= 0 && errno != EINTR) break;
        if (n > 0) written += static_cast<std::size_t>(n);
    }
    signal(SIGPIPE, previous);
    close(feed[1]);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) break;
        if (ended < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace vidudi::platform
