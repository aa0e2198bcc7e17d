// vidudi (vidudi-cli.exe on Windows): the command-line front end over the adapters' protocol.
// VIDUDI_CLI_PROGRAM, set by the build, is the program's name on this platform.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "address_argument.h"
#include "cli_session.h"
#include "datagram_trace.h"
#include "device_table_output.h"
#include "commands.h"
#include "protocol/requests.h"
#ifdef _WIN32
#include "platform/win32/win32_services.h"
#else
#include "platform/posix/posix_services.h"
#endif

namespace {

using namespace vidudi::cli;

std::string Overview() {
    std::string text =
        "Usage: " VIDUDI_CLI_PROGRAM " [--verbose] [--interface ADDRESS] <command> [arguments] [--json]\n"
        "       " VIDUDI_CLI_PROGRAM " <command> --help\n"
        "       " VIDUDI_CLI_PROGRAM " --version\n"
        "\n"
        "Finds the Norvane network-storage adapters on every LAN of this computer, and reads and\n"
        "changes their settings.\n"
        "\nCommands:\n";
    for (const Command& command : Commands()) {
        std::string name = command.name;
        text += "  " + name + std::string(16 - name.size(), ' ') + command.synopsis + "\n";
    }
    text +=
        "\nOptions:\n"
        "  --json          machine-readable output\n"
        "  --interface ADDRESS\n"
        "                  search and send out of this local address only, not out of all of them\n"
        "  --verbose       trace every datagram read on standard error: local address, op, sender,\n"
        "                  length, and whether it was accepted or why it was skipped\n"
        "  --version       print the version and end\n"
        "\nEnvironment:\n"
        "  VIDUDI_PASSWORD the administrator password, for an adapter that refuses \"admin\" with an\n"
        "                  empty one. Safer than a file, which others may read or which stays\n"
        "                  behind; a password on the command line is not accepted (every user of\n"
        "                  the computer can see a command line).\n"
        "\nExit status:\n"
        "  0  done (list: the search ran, whether or not adapters answered)\n"
        "  1  the adapter refused the login or the change, or did not answer\n"
        "  2  bad command line, or input that breaks the address or name rules\n"
        "  3  no adapter with that address or name answered\n"
        "  4  the network layer could not be started\n";
    return text;
}

// Trace lines end in a line feed of their own; what the adapter sent is made visible.
void TraceToStandardError(const char* line) {
    std::string text = line;
    const bool ended = !text.empty() && text.back() == '\n';
    if (ended) text.pop_back();
    std::fputs((TerminalText(text) + (ended ? "\n" : "")).c_str(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    bool verbose = false;
    while (!arguments.empty() && (arguments.front() == "--verbose" || arguments.front() == "-v")) {
        verbose = true;
        arguments.erase(arguments.begin());
    }
    // --interface ADDRESS (or --interface=ADDRESS), before or after the command.
    for (auto at = arguments.begin(); at != arguments.end();) {
        std::string address;
        if (*at == "--interface") {
            if (at + 1 == arguments.end()) return Fail(kExitBadInput, "--interface needs a local IPv4 address");
            address = at[1];
            at = arguments.erase(at, at + 2);
        } else if (at->rfind("--interface=", 0) == 0) {
            address = at->substr(std::strlen("--interface="));
            at = arguments.erase(at);
        } else {
            ++at;
            continue;
        }
        unsigned char octets[4];
        if (!ParseDottedQuad(address, octets)) {
            return Fail(kExitBadInput, "--interface '" + address + "' is not an IPv4 address");
        }
        LimitToInterface(address);
    }
    if (arguments.empty()) {
        std::fputs(Overview().c_str(), stderr);
        return kExitBadInput;
    }
    const std::string name = arguments.front();
    arguments.erase(arguments.begin());
    if (name == "--version" || name == "version") {
        std::fputs(VIDUDI_CLI_PROGRAM " " VIDUDI_VERSION "\n", stdout);
        return kExitOk;
    }
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(Overview().c_str(), stdout);
        return kExitOk;
    }
    if (verbose) {
        vidudi::SetTraceSink(TraceToStandardError);
        TraceEveryDatagram();
    }
#ifdef _WIN32
    vidudi::platform::UseServices(vidudi::platform::Win32Services());
#else
    vidudi::platform::UseServices(vidudi::platform::PosixServices());
#endif
    for (const Command& command : Commands()) {
        if (name == command.name) return command.run(arguments);
    }
    std::fprintf(stderr, "%s: unknown command '%s'\n\n%s", VIDUDI_CLI_PROGRAM, name.c_str(),
                 Overview().c_str());
    return kExitBadInput;
}
