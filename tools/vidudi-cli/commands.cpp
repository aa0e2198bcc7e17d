#include "commands.h"

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "address_argument.h"
#include "cli_session.h"
#include "config/address_rules.h"
#include "config/name_rules.h"
#include "device_table_output.h"
#include "doctor.h"
#include "drives/reachability.h"
#include "platform/services.h"
#include "protocol/device_return.h"
#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"

namespace vidudi::cli {

namespace {

const Command& Find(const char* name) {
    for (const Command& command : Commands()) {
        if (std::strcmp(command.name, name) == 0) return command;
    }
    return Commands().front();
}

// Options only some commands take: flags, and (ending in '=') options with a value, given as
// "--count 6" or "--count=6".
const std::map<std::string, std::vector<std::string>> kCommandOptions = {
    {"list", {"--csv"}},
    {"watch", {"--interval=", "--count="}},
    {"apply", {"--dry-run"}},
};

// Whether the command takes the option; *takesValue says whether it wants a value.
bool TakesOption(const Command& command, const std::string& option, bool* takesValue) {
    const auto own = kCommandOptions.find(command.name);
    if (own == kCommandOptions.end()) return false;
    for (const std::string& known : own->second) {
        *takesValue = known.back() == '=';
        if (option == (*takesValue ? known.substr(0, known.size() - 1) : known)) return true;
    }
    return false;
}

}  // namespace

int ParseArguments(const Arguments& arguments, const char* name, std::size_t expected, Parsed& parsed) {
    const Command& command = Find(name);
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        const std::string& argument = arguments[k];
        const std::size_t equals = argument.find('=');
        const std::string option = argument.substr(0, equals);
        bool takesValue = false;
        if (argument == "--json") {
            parsed.json = true;
        } else if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument.size() > 1 && argument[0] == '-' && TakesOption(command, option, &takesValue) &&
                   (takesValue || equals == std::string::npos)) {
            if (!takesValue) {
                parsed.options[option] = "";
            } else if (equals != std::string::npos) {
                parsed.options[option] = argument.substr(equals + 1);
            } else if (k + 1 < arguments.size()) {
                parsed.options[option] = arguments[++k];
            } else {
                std::fprintf(stderr, "%s %s: %s needs a value\n\n%s", VIDUDI_CLI_PROGRAM, command.name,
                             option.c_str(), command.help);
                return kExitBadInput;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "%s %s: unknown option '%s'\n\n%s", VIDUDI_CLI_PROGRAM, command.name,
                         argument.c_str(), command.help);
            return kExitBadInput;
        } else {
            parsed.positional.push_back(argument);
        }
    }
    if (parsed.help) {
        std::fputs(command.help, stdout);
        return kExitOk;
    }
    if (parsed.positional.size() != expected) {
        std::fprintf(stderr, "%s %s: expected %zu argument%s, got %zu\n\n%s", VIDUDI_CLI_PROGRAM, command.name,
                     expected, expected == 1 ? "" : "s", parsed.positional.size(), command.help);
        return kExitBadInput;
    }
    return -1;  // go on
}

namespace {

void Print(const std::string& text) { std::fputs(text.c_str(), stdout); }

std::vector<std::string> ShareNames() {
    std::vector<std::string> names;
    for (const ShareEntry* share = ShareList.head; share; share = share->next) names.emplace_back(share->name);
    return names;
}


// What a command about one adapter holds while it runs.
struct AdapterCommand {
    Parsed parsed;
    NetworkSession session;
    const DeviceEntry* device = nullptr;
};

// Parses the arguments, brings the network up, finds the adapter: what every command but list
// does first. Returns -1 to go on.
int Begin(const char* name, const Arguments& arguments, std::size_t expected, AdapterCommand& c,
          const std::function<int(const Parsed&)>& validate = {}) {
    if (int status = ParseArguments(arguments, name, expected, c.parsed); status >= 0) return status;
    if (validate) {
        if (int status = validate(c.parsed); status >= 0) return status;
    }
    if (int status = c.session.Start(); status != kExitOk) return status;
    if (int status = ChooseDevice(c.parsed.positional[0], &c.device); status != kExitOk) return status;
    return -1;
}

// After a change: search until the adapter is listed again under `name` at g_szTargetIP.
int ReportReturn(const Parsed& parsed, const std::string& name, const char* success) {
    if (!WaitUntilListed(name.c_str(), g_szTargetIP, kMaxReturnPasses)) {
        return Fail(kExitFailed, "the adapter confirmed the change but is not listed as '" + TerminalText(name) +
                                     "' at " + g_szTargetIP + " after " +
                                     std::to_string(kMaxReturnPasses) + " searches");
    }
    const DeviceEntry* entry = FindDeviceEntry(g_szTargetIP);
    Print(parsed.json ? JsonLine({{"message", success}, {"device", DeviceJson(*entry)}})
                      : std::string(success) + "\n" + FormatDeviceTable());
    return kExitOk;
}

#ifndef _WIN32
// The names and addresses of the last list, one "NAME<TAB>ADDRESS" a line, for the shell's
// completion (which must not search the network itself). Best effort: a cache that cannot be
// written is no reason to fail the list.
void RememberForCompletion() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if ((!cache || !*cache) && (!home || !*home)) return;
    const std::string folder = cache && *cache ? std::string(cache) + "/vidudi" : std::string(home) + "/.cache/vidudi";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = folder + "/adapters";
    const std::string partial = path + ".new";
    {
        std::ofstream out(partial, std::ios::trunc);
        for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
            const std::string name = entry->name;
            const bool plain = name.find_first_of("\t\r\n") == std::string::npos;
            out << (plain ? name : std::string()) << '\t' << entry->address << '\n';
        }
        if (!out) return;
    }
    std::filesystem::rename(partial, path, ignored);
}
#endif

int RunList(const Arguments& arguments) {
    Parsed parsed;
    if (int status = ParseArguments(arguments, "list", 0, parsed); status >= 0) return status;
    const bool csv = parsed.Has("--csv");
    if (parsed.json && csv) {
        return Fail(kExitBadInput, "list: --json or --csv, not both");
    }
    NetworkSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    SearchDevices(kDeviceFilter);
#ifdef _WIN32
    // The records end in CRLF already; text mode would make that CR CR LF.
    if (csv) _setmode(_fileno(stdout), _O_BINARY);
#endif
    Print(parsed.json ? FormatDeviceJson() : csv ? FormatDeviceCsv() : FormatDeviceTable());
#ifndef _WIN32
    RememberForCompletion();
#endif
    if (!parsed.json && !csv && DeviceList.count == 0) {
        std::fprintf(stderr, "No adapters answered on %d local address%s.\n", g_nLocalAddressCount,
                     g_nLocalAddressCount == 1 ? "" : "es");
    }
    return kExitOk;
}

int RunWorkGroup(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("workgroup", arguments, 1, c); status >= 0) return status;
    CopyText(g_szWorkGroup, "");
    if (!GetWorkGroup()) return Fail(kExitFailed, Describe(*c.device) + " did not answer");
    Print(c.parsed.json ? JsonLine({{"address", c.device->address}, {"workGroup", g_szWorkGroup}})
                      : TerminalText(g_szWorkGroup) + "\n");
    return kExitOk;
}

int RunShares(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("shares", arguments, 1, c); status >= 0) return status;
    if (!GetShareList()) return Fail(kExitFailed, Describe(*c.device) + " did not answer");
    if (c.parsed.json) {
        Print(JsonLine({{"address", c.device->address}, {"shares", ShareNames()}}));
    } else {
        for (const std::string& name : ShareNames()) Print(TerminalText(name) + "\n");
    }
    return kExitOk;
}

// Everything a click on the adapter in the window loads: its entry, its work group and its
// shares, the two queries sent back to back.
int RunShow(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("show", arguments, 1, c); status >= 0) return status;
    CopyText(g_szWorkGroup, "");
    if (!GetWorkGroup() || !GetShareList()) return Fail(kExitFailed, Describe(*c.device) + " did not answer");
    if (c.parsed.json) {
        Json shown = DeviceJson(*c.device);
        shown["workGroup"] = g_szWorkGroup;
        shown["shares"] = ShareNames();
        Print(JsonLine(shown));
        return kExitOk;
    }
    std::string out = "Name:          " + TerminalText(c.device->name) + "\n" +
                      "Address:       " + c.device->address + "\n" +
                      "Netmask:       " + TerminalText(c.device->netmask) + "\n" +
                      "Gateway:       " + TerminalText(c.device->gateway) + "\n" +
                      "DHCP:          " + (c.device->dhcp[0] == '1' ? "yes" : "no") + "\n" +
                      "Local address: " + LocalAddressOf(*c.device) + "\n" +
                      "Work group:    " + TerminalText(g_szWorkGroup) + "\n" +
                      "Shares:";
    for (const std::string& name : ShareNames()) out += "\n  " + TerminalText(name);
    Print(out + "\n");
    return kExitOk;
}

int RunVerify(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("verify", arguments, 1, c); status >= 0) return status;
    if (int status = LoginAsAdministrator(*c.device); status != kExitOk) return status;
    Print(c.parsed.json ? "{\"accepted\":true}\n" : "Administrator login accepted by " + Describe(*c.device) + ".\n");
    return kExitOk;
}

int RunSetAddress(const Arguments& arguments) {
    AdapterCommand c;
    Octets address{}, netmask{}, gateway{};
    auto validate = [&](const Parsed& p) {
        Octets* targets[3] = {&address, &netmask, &gateway};
        for (int k = 0; k < 3; ++k) {
            unsigned char octets[4];
            if (!ParseDottedQuad(p.positional[1 + k], octets)) {
                return Fail(kExitBadInput, "'" + p.positional[1 + k] +
                                               "' is not an IPv4 address (four numbers 0-255 with dots)");
            }
            std::memcpy(targets[k]->data(), octets, 4);
        }
        if (auto failure = CheckStaticAddress(address, netmask, gateway)) {
            return Fail(kExitBadInput, failure->message.text);
        }
        return -1;
    };
    if (int status = Begin("set-ip", arguments, 4, c, validate); status >= 0) {
        return status;
    }
    if (int status = LoginAsAdministrator(*c.device); status != kExitOk) return status;

    const std::string name = c.device->name;
    CopyText(g_szNewIP, DottedQuad(address).c_str());
    CopyText(g_szNewNetmask, DottedQuad(netmask).c_str());
    CopyText(g_szNewGateway, DottedQuad(gateway).c_str());
    if (!SetStaticAddress()) {
        // Not confirmed: say so, and where the adapter is listed now, rather than wait for it
        // at its old address and call that a success.
        SearchDevices(kDeviceFilter);
        const DeviceEntry* now = FindDeviceEntry(g_szNewIP);
        if (!now) now = FindDeviceEntry(g_szTargetIP);
        return Fail(kExitFailed, "the adapter did not confirm the new address; " +
                                     (now ? "it is listed as " + Describe(*now) : std::string("it is not listed")));
    }
    return ReportReturn(c.parsed, name, "Successfully modified device setting.");
}

int RunDhcp(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("dhcp", arguments, 1, c); status >= 0) return status;
    if (int status = LoginAsAdministrator(*c.device); status != kExitOk) return status;
    const std::string name = c.device->name;
    if (!EnableDhcp()) {
        return Fail(kExitFailed,
                    "Set to dhcp client fail.The Device IP will be changed to Default IP 192.168.0.25.");
    }
    return ReportReturn(c.parsed, name, "DHCP client enabled.");
}

// set-name and set-workgroup: one name, checked by the naming rules before anything is sent.
int RunNameChange(const char* commandName, NameKind kind, const Arguments& arguments) {
    AdapterCommand c;
    auto validate = [kind](const Parsed& p) {
        const std::string& text = p.positional[1];
        if (text.empty()) {
            return Fail(kExitBadInput, kind == NameKind::HostName ? "Please input host name."
                                                                  : "Please input work group name.");
        }
        if (auto failure = CheckNameRules(text, kind)) return Fail(kExitBadInput, failure->text);
        return -1;
    };
    if (int status = Begin(commandName, arguments, 2, c, validate); status >= 0) {
        return status;
    }
    if (int status = LoginAsAdministrator(*c.device); status != kExitOk) return status;
    const std::string& text = c.parsed.positional[1];
    std::string name = c.device->name;
    int confirmed = 0;
    if (kind == NameKind::HostName) {
        CopyText(g_szHostName, text.c_str());
        confirmed = SetHostName();
        name = text;
    } else {
        CopyText(g_szWorkGroup, text.c_str());
        confirmed = SetWorkGroup();
    }
    if (!confirmed) return Fail(kExitFailed, Describe(*c.device) + " did not confirm the change");
    return ReportReturn(c.parsed, name, "Successfully modified device setting.");
}

int RunSetName(const Arguments& arguments) {
    return RunNameChange("set-name", NameKind::HostName, arguments);
}

int RunSetWorkGroup(const Arguments& arguments) {
    return RunNameChange("set-workgroup", NameKind::WorkGroup, arguments);
}

// Like the window's Configuration button: the page is opened only when the device still
// answers on it.
int RunOpen(const Arguments& arguments) {
    AdapterCommand c;
    if (int status = Begin("open", arguments, 1, c); status >= 0) return status;
    const std::string url = std::string("http://") + c.device->address;
    // The window's check, with its bound: the system's own probe may wait far longer than 2 s.
    StartDeviceProbe(c.device->address);
    if (!AwaitProbeVerdict(Pause)) return Fail(kExitFailed, Describe(*c.device) + " is no longer available");
    if (!platform::CurrentServices().launcher->OpenUrl(url)) {
        return Fail(kExitFailed, "the browser could not be started for " + url);
    }
    Print(c.parsed.json ? JsonLine({{"address", c.device->address}, {"url", url}})
                      : "Opened " + url + " (" + TerminalText(c.device->name) + ").\n");
    return kExitOk;
}

int RunDoctor(const Arguments& arguments) {
    Parsed parsed;
    if (int status = ParseArguments(arguments, "doctor", 0, parsed); status >= 0) return status;
    NetworkSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    const std::vector<Finding> findings = Diagnose();
    Print(FormatFindings(findings, parsed.json));
    for (const Finding& f : findings) {
        if (f.problem) return kExitFailed;
    }
    return kExitOk;
}

const char kDeviceArgument[] =
    "DEVICE is the adapter's current IPv4 address, or its name when no other adapter has it.\n"
    "Each command first searches every local address (about a second in all).\n";

const char kLoginNote[] =
    "The adapter is asked to accept the administrator \"admin\" with an empty password; when it\n"
    "refuses, the password is taken from the environment variable VIDUDI_PASSWORD, or read from\n"
    "the terminal (not echoed) or, when standard input is not a terminal, as one line from it.\n"
    "The environment is safer than a file; a password on the command line is not accepted.\n";

}  // namespace

const std::vector<Command>& Commands() {
    static const std::string deviceHelp = kDeviceArgument;
    static const std::string loginHelp = kLoginNote;
    static const std::string listHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " list [--json | --csv]\n\n"
        "Searches every local IPv4 address at once for adapters (about one second) and prints\n"
        "name, address, netmask, gateway, DHCP state and the local address each one answered on.\n\n"
        "  --json    print {\"devices\":[...]} instead of a table\n"
        "  --csv     print CSV (RFC 4180, UTF-8) with a header line: name, address, netmask,\n"
        "            gateway, dhcp (yes/no), local_address\n";
    static const std::string workGroupHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " workgroup DEVICE [--json]\n\n"
        "Prints the adapter's work group.\n\n" + deviceHelp;
    static const std::string showHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " show DEVICE [--json]\n\n"
        "Prints what the window shows when the adapter is clicked: name, address, netmask, gateway,\n"
        "DHCP state, the local address it answered on, its work group and its shared folders.\n\n" +
        deviceHelp;
    static const std::string sharesHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " shares DEVICE [--json]\n\n"
        "Prints the adapter's shared folders, one per line.\n\n" +
        deviceHelp;
    static const std::string verifyHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " verify DEVICE [--json]\n\n"
        "Checks that the adapter accepts the administrator login.\n\n" +
        deviceHelp + "\n" + loginHelp;
    static const std::string setIpHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " set-ip DEVICE ADDRESS NETMASK GATEWAY [--json]\n\n"
        "Gives the adapter a static address. The three addresses are checked first: each octet in its\n"
        "range, a host part that is neither all 0 nor all 1, a contiguous netmask, and a gateway inside\n"
        "the subnet that is neither its network nor its broadcast address. After the change the\n"
        "adapter is searched for until it is listed at its new address.\n\n" +
        deviceHelp + "\n" + loginHelp;
    static const std::string dhcpHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " dhcp DEVICE [--json]\n\n"
        "Switches the adapter to its DHCP client, then searches until it is listed again at the\n"
        "address it reports.\n\n" +
        deviceHelp + "\n" + loginHelp;
    static const std::string nameRules =
        "A name has 1 to 15 characters, begins with a letter, and holds no space and none of\n"
        "\\ / : * ? \" < > | . ; + = ~ ' [ ] { } @ # ( ) ! ^ $ % & , and `.\n";
    static const std::string setNameHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " set-name DEVICE NAME [--json]\n\n"
        "Renames the adapter (its host name).\n\n" + nameRules +
        "\n" + deviceHelp + "\n" + loginHelp;
    static const std::string setWorkGroupHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " set-workgroup DEVICE NAME [--json]\n\n"
        "Changes the adapter's work group.\n\n" +
        nameRules + "\n" + deviceHelp + "\n" + loginHelp;

    static const std::string openHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " open DEVICE [--json]\n\n"
        "Opens the adapter's web management page, http://ADDRESS, in the browser, once the page\n"
        "accepts a connection (within 2 seconds). "
#ifdef _WIN32
        "The browser is the one Windows opens web addresses with.\n\n"
#else
        "The browser is started through xdg-open, or through the\n"
        "program named by the environment variable VIDUDI_BROWSER; no shell is involved.\n\n"
#endif
        + deviceHelp;

    static const std::string watchHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " watch [--json] [--interval SECONDS] [--count N]\n\n"
        "Searches again and again and prints one line per change, as it happens: an adapter\n"
        "appeared; it changed (name, address, netmask, gateway, DHCP or the local address it\n"
        "answers on); it is gone (missing from two searches in a row). Adapters are known by their\n"
        "identity bytes, so a new address is a change, not one adapter gone and another come. The\n"
        "first search reports every adapter it finds as appeared.\n\n"
        "  --json            one JSON object a line: event, time (UTC), identity, name, address,\n"
        "                    netmask, gateway, dhcp, localAddress; a change adds changed (the\n"
        "                    fields) and before (their earlier values)\n"
        "  --interval SECONDS  from the start of one search to the next, 2 by default; searches\n"
        "                    never overlap, so an interval under one search window (about a\n"
        "                    second) runs them back to back\n"
        "  --count N         stop after N searches; without it, run until Ctrl+C (exit status 0)\n";
    static const std::string doctorHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " doctor [--json]\n\n"
        "Searches once and says, one line per finding, what stands between this computer and the\n"
        "adapters. Per local address: whether the receive socket got UDP port 13579 (or another\n"
        "program holds it) and joined the group 224.0.0.1, whether the request went out, how many\n"
        "datagrams arrived in the search window and how many of them were accepted, for another\n"
        "instance, not from a storage adapter or malformed, and which adapters answered from\n"
        "outside the address's subnet. "
#ifdef _WIN32
        "Then whether Windows Firewall is on for the current profile and an\n"
        "inbound rule allows this program or UDP port 13579. "
#endif
        "When nothing answered, it ends with the\n"
        "three likeliest causes. Each line ends with the finding's name in brackets.\n\n"
        "  --json    print {\"findings\":[{\"finding\",\"localAddress\",\"problem\",\"text\",...}],\"problems\":N}\n\n"
        "Exit status 0 when nothing wrong was found, 1 otherwise.\n";
    static const std::string applyHelp =
        "Usage: " VIDUDI_CLI_PROGRAM " apply FILE [--dry-run] [--json]\n\n"
        "Provisions many adapters from one CSV file (RFC 4180, a header line). Columns: device (its\n"
        "current address, its name, or its identity as 12 hex digits) and any of address, netmask,\n"
        "gateway, dhcp (yes/no), name, workgroup; an empty cell leaves that setting as it is. An\n"
        "address may be a range start such as 10.0.5.20+: the rows that use it take 10.0.5.20,\n"
        ".21, .22 and so on, in file order.\n\n"
        "Before anything is sent, one search, and every row is checked: its adapter answered and no\n"
        "other row names it; the address rules of set-ip and the name rules of set-name hold; no two\n"
        "adapters end up with one address, and no new address is one another adapter has. Any bad\n"
        "row stops the run before the first change, with one message per bad row (line, column,\n"
        "rule) and exit status 2.\n\n"
        "Then the rows are applied one at a time, in file order, as the single commands do it:\n"
        "login, change, and the wait for the adapter to return. A row already as wanted is skipped.\n"
        "One result per row (done, skipped, refused, no answer) and a summary; exit status 0 only\n"
        "when every row is done or skipped.\n\n"
        "  --dry-run   stop after the check and print the plan\n"
        "  --json      one JSON object per row, then {\"summary\":...}\n\n" +
        loginHelp;
    static const std::vector<Command> commands = {
        {"list", "list the adapters on every local network", listHelp.c_str(), RunList},
        {"show", "print everything about one adapter", showHelp.c_str(), RunShow},
        {"workgroup", "print an adapter's work group", workGroupHelp.c_str(), RunWorkGroup},
        {"shares", "print an adapter's shared folders", sharesHelp.c_str(), RunShares},
        {"verify", "check the administrator login of an adapter", verifyHelp.c_str(), RunVerify},
        {"set-ip", "give an adapter a static address", setIpHelp.c_str(), RunSetAddress},
        {"dhcp", "switch an adapter to DHCP", dhcpHelp.c_str(), RunDhcp},
        {"set-name", "rename an adapter", setNameHelp.c_str(), RunSetName},
        {"set-workgroup", "change an adapter's work group", setWorkGroupHelp.c_str(), RunSetWorkGroup},
        {"open", "open an adapter's web page in the browser", openHelp.c_str(), RunOpen},
        {"watch", "print adapters as they appear, change and go", watchHelp.c_str(), RunWatch},
        {"doctor", "find out why an adapter is missing", doctorHelp.c_str(), RunDoctor},
        {"apply", "provision many adapters from a CSV file", applyHelp.c_str(), RunApply},
    };
    return commands;
}

}  // namespace vidudi::cli
