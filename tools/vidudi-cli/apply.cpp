// vidudi apply FILE: many adapters provisioned from one CSV file, every row checked before the
// first change, then applied one row at a time as the single commands would.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "address_argument.h"
#include "apply_file.h"
#include "cli_session.h"
#include "commands.h"
#include "config/address_rules.h"
#include "config/name_rules.h"
#include "device_table_output.h"
#include "protocol/device_return.h"
#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"
#include "protocol/request_buffers.h"
#include "protocol/requests.h"

namespace vidudi::cli {

namespace {

// What one row wants of its adapter, once checked.
struct Step {
    int line = 0;
    std::string identity;
    std::string shownAs;  // "NAME (ADDRESS)" at the search
    std::optional<std::string> address, netmask, gateway;  // a static address: all three set
    bool dhcp = false;
    std::optional<std::string> name, workGroup;
};

struct RowError {
    int line;
    std::string column;
    std::string message;
};

const DeviceEntry* FindByIdentity(const std::string& identity) {
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        if (IdentityHex(*entry) == identity) return entry;
    }
    return nullptr;
}

// The adapter a row names: its address, its identity, or its name when no other has it.
const DeviceEntry* FindNamed(const std::string& which, std::string& why) {
    std::string lower = which;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const DeviceEntry* byName = nullptr;
    int named = 0;
    for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
        if (which == entry->address || lower == IdentityHex(*entry)) return entry;
        if (which == entry->name) {
            byName = entry;
            ++named;
        }
    }
    if (named > 1) {
        why = std::to_string(named) + " adapters are named '" + which + "'; give its address or identity";
        return nullptr;
    }
    if (!byName) why = "no adapter answered with the address, identity or name '" + which + "'";
    return byName;
}

// A range start "10.0.5.20+": the k-th row that uses it gets 10.0.5.(20 + k).
bool RangeAddress(const std::string& text, int k, std::string& address, std::string& why) {
    unsigned char octets[4];
    if (!ParseDottedQuad(text.substr(0, text.size() - 1), octets)) {
        why = "'" + text + "' is not an IPv4 address or a range start such as 10.0.5.20+";
        return false;
    }
    if (octets[3] + k > 255) {
        why = "the range " + text + " has no address left for this row";
        return false;
    }
    octets[3] = static_cast<unsigned char>(octets[3] + k);
    address = DottedQuad({octets[0], octets[1], octets[2], octets[3]});
    return true;
}

// Checks every row against the search's table and the rules; the steps, or the errors.
std::vector<Step> Check(const ApplyFile& file, std::vector<RowError>& errors) {
    std::vector<Step> steps;
    std::map<std::string, int> rowOf;         // identity -> line
    std::map<std::string, int> rangeUses;     // range text -> rows so far
    std::map<std::string, int> newAddresses;  // address -> line
    for (const ApplyRow& row : file.rows) {
        auto fail = [&](const std::string& column, const std::string& message) {
            errors.push_back({row.line, column, message});
        };
        auto cell = [&](const char* column) -> std::optional<std::string> {
            const auto at = row.cells.find(column);
            if (at == row.cells.end() || at->second.empty()) return std::nullopt;
            return at->second;
        };
        Step step;
        step.line = row.line;
        std::string why;
        const auto device = cell("device");
        const DeviceEntry* entry = device ? FindNamed(*device, why) : nullptr;
        if (!device) {
            fail("device", "no device given");
            continue;
        }
        if (!entry) {
            fail("device", why);
            continue;
        }
        step.identity = IdentityHex(*entry);
        step.shownAs = Describe(*entry);
        if (const auto earlier = rowOf.find(step.identity); earlier != rowOf.end()) {
            fail("device", step.shownAs + " is named by line " + std::to_string(earlier->second) + " already");
            continue;
        }
        rowOf[step.identity] = row.line;

        std::optional<std::string> address = cell("address");
        if (address && address->back() == '+') {
            std::string taken;
            if (!RangeAddress(*address, rangeUses[*address]++, taken, why)) {
                fail("address", why);
                continue;
            }
            address = taken;
        }
        const auto dhcp = cell("dhcp");
        if (dhcp && *dhcp != "yes" && *dhcp != "no") {
            fail("dhcp", "dhcp is yes or no, not '" + *dhcp + "'");
            continue;
        }
        step.dhcp = dhcp && *dhcp == "yes";
        const auto netmask = cell("netmask");
        const auto gateway = cell("gateway");
        if (step.dhcp && (address || netmask || gateway)) {
            fail("dhcp", "dhcp yes takes no address, netmask or gateway");
            continue;
        }
        if (address || netmask || gateway || (dhcp && *dhcp == "no")) {
            // What the row leaves out stays as the adapter has it.
            const std::string wanted[3] = {address.value_or(entry->address), netmask.value_or(entry->netmask),
                                           gateway.value_or(entry->gateway)};
            const char* columns[3] = {"address", "netmask", "gateway"};
            const char* blank[3] = {"Please input IP address!", "Please input net mask address!",
                                    "Please input gateway address!"};
            Octets octets[3]{};
            bool parsed = true;
            for (int k = 0; k < 3 && parsed; ++k) {
                unsigned char o[4];
                if (wanted[k].empty()) {
                    fail(columns[k], blank[k]);
                    parsed = false;
                } else if (!ParseDottedQuad(wanted[k], o)) {
                    fail(columns[k], "'" + wanted[k] + "' is not an IPv4 address (four numbers 0-255 with dots)");
                    parsed = false;
                } else {
                    octets[k] = {o[0], o[1], o[2], o[3]};
                }
            }
            if (!parsed) continue;
            if (auto failure = CheckStaticAddress(octets[0], octets[1], octets[2])) {
                fail(columns[static_cast<int>(failure->address) - 1], failure->message.text);
                continue;
            }
            step.address = DottedQuad(octets[0]);
            step.netmask = DottedQuad(octets[1]);
            step.gateway = DottedQuad(octets[2]);
            if (*step.address != entry->address) {
                const DeviceEntry* holder = FindDeviceEntry(step.address->c_str());
                if (const auto other = newAddresses.find(*step.address); other != newAddresses.end()) {
                    fail("address", *step.address + " is given to line " + std::to_string(other->second) + " too");
                    continue;
                }
                if (holder) {
                    fail("address", *step.address + " is the address of " + Describe(*holder));
                    continue;
                }
            }
            newAddresses[*step.address] = row.line;
        }
        bool named = true;
        for (const auto& [column, kind] : {std::pair{"name", NameKind::HostName}, std::pair{"workgroup", NameKind::WorkGroup}}) {
            const auto text = cell(column);
            if (!text) continue;
            if (auto failure = CheckNameRules(*text, kind)) {
                fail(column, failure->text);
                named = false;
                break;
            }
            (kind == NameKind::HostName ? step.name : step.workGroup) = *text;
        }
        if (named) steps.push_back(step);
    }
    return steps;
}

// What a step would change in the adapter as the table (and, for the work group, the adapter)
// has it now; empty when it is already as wanted.
std::vector<std::string> Changes(const Step& step, const DeviceEntry& entry, const std::string& workGroup) {
    std::vector<std::string> changes;
    if (step.dhcp && entry.dhcp[0] != '1') changes.emplace_back("dhcp yes");
    if (step.address && (*step.address != entry.address || *step.netmask != entry.netmask ||
                         *step.gateway != entry.gateway || entry.dhcp[0] == '1')) {
        changes.push_back("address " + *step.address + " netmask " + *step.netmask + " gateway " + *step.gateway);
    }
    if (step.name && *step.name != entry.name) changes.push_back("name " + *step.name);
    if (step.workGroup && *step.workGroup != workGroup) changes.push_back("workgroup " + *step.workGroup);
    return changes;
}

enum class Outcome { Done, Skipped, Refused, NoAnswer };
const char* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done: return "done";
        case Outcome::Skipped: return "skipped";
        case Outcome::Refused: return "refused";
        case Outcome::NoAnswer: return "no answer";
    }
    return "";
}

// The adapter of the step in the latest table; one more search when it is not in it.
const DeviceEntry* Locate(const Step& step) {
    if (const DeviceEntry* entry = FindByIdentity(step.identity)) return entry;
    SearchDevices(kDeviceFilter);
    return FindByIdentity(step.identity);
}

// One row, as the single commands do it: login, each change, and the wait for the adapter.
Outcome Apply(const Step& step, const std::vector<std::string>& changes, std::string& message) {
    const DeviceEntry* entry = FindByIdentity(step.identity);
    CopyText(g_szTargetIP, entry->address);
    if (LoginAsAdministrator(*entry) != kExitOk) {
        message = "the administrator login was refused";
        return Outcome::Refused;
    }
    std::string name = entry->name;
    auto returned = [&] {
        if (WaitUntilListed(name.c_str(), g_szTargetIP, kMaxReturnPasses)) return true;
        message = "not listed as '" + TerminalText(name) + "' at " + g_szTargetIP + " after the change";
        return false;
    };
    if (step.dhcp && entry->dhcp[0] != '1') {
        if (!EnableDhcp()) {
            message = "the adapter did not confirm DHCP";
            return Outcome::NoAnswer;
        }
        if (!returned()) return Outcome::NoAnswer;
    }
    for (const std::string& change : changes) {
        if (change.rfind("address ", 0) != 0) continue;
        CopyText(g_szNewIP, step.address->c_str());
        CopyText(g_szNewNetmask, step.netmask->c_str());
        CopyText(g_szNewGateway, step.gateway->c_str());
        if (!SetStaticAddress()) {
            message = "the adapter did not confirm the new address";
            return Outcome::NoAnswer;
        }
        if (!returned()) return Outcome::NoAnswer;
    }
    bool renamed = false;
    for (const std::string& change : changes) {
        if (change.rfind("name ", 0) == 0) {
            CopyText(g_szHostName, step.name->c_str());
            if (!SetHostName()) {
                message = "the adapter did not confirm the new name";
                return Outcome::NoAnswer;
            }
            name = *step.name;
            renamed = true;
        } else if (change.rfind("workgroup ", 0) == 0) {
            CopyText(g_szWorkGroup, step.workGroup->c_str());
            if (!SetWorkGroup()) {
                message = "the adapter did not confirm the new work group";
                return Outcome::NoAnswer;
            }
            renamed = true;
        }
    }
    if (renamed && !returned()) return Outcome::NoAnswer;
    return Outcome::Done;
}

}  // namespace

int RunApply(const Arguments& arguments) {
    Parsed parsed;
    if (int status = ParseArguments(arguments, "apply", 1, parsed); status >= 0) return status;
    const std::string& path = parsed.positional[0];
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(kExitBadInput, "cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    std::string problem;
    const ApplyFile file = ReadApplyFile(text.str(), problem);
    if (!problem.empty()) return Fail(kExitBadInput, path + ": " + problem);

    NetworkSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    SearchDevices(kDeviceFilter);
    std::vector<RowError> errors;
    const std::vector<Step> steps = Check(file, errors);
    if (!errors.empty()) {
        Json all = Json::array();
        for (const RowError& e : errors) {
            std::fprintf(stderr, "%s:%d: %s: %s\n", path.c_str(), e.line, e.column.c_str(), e.message.c_str());
            all.push_back({{"line", e.line}, {"column", e.column}, {"message", e.message}});
        }
        if (parsed.json) std::fputs(JsonLine({{"errors", all}}).c_str(), stdout);
        return Fail(kExitBadInput, "nothing was changed: " + std::to_string(errors.size()) + " bad row" +
                                       (errors.size() == 1 ? "" : "s"));
    }

    const bool dryRun = parsed.Has("--dry-run");
    std::map<Outcome, int> tally;
    for (const Step& step : steps) {
        const DeviceEntry* entry = Locate(step);
        std::string workGroup;
        if (entry && step.workGroup) {
            CopyText(g_szTargetIP, entry->address);
            CopyText(g_szWorkGroup, "");
            if (GetWorkGroup()) workGroup = g_szWorkGroup;
        }
        const std::vector<std::string> changes = entry ? Changes(step, *entry, workGroup) : std::vector<std::string>{};
        Outcome outcome = Outcome::Skipped;
        std::string message;
        if (!entry) {
            outcome = Outcome::NoAnswer;
            message = "the adapter no longer answers";
        } else if (!changes.empty() && !dryRun) {
            outcome = Apply(step, changes, message);
        }
        std::string plan;
        for (const std::string& change : changes) plan += (plan.empty() ? "" : ", ") + change;
        const char* result = dryRun ? (!entry ? "no answer" : changes.empty() ? "skip" : "change") : OutcomeText(outcome);
        if (parsed.json) {
            Json line = {{"line", step.line}, {"device", step.shownAs}, {"result", result}, {"changes", changes}};
            if (!message.empty()) line["message"] = message;
            std::fputs(JsonLine(line).c_str(), stdout);
        } else {
            std::printf("line %d: %s: %s%s%s\n", step.line, step.shownAs.c_str(), result,
                        plan.empty() ? "" : (" (" + plan + ")").c_str(), message.empty() ? "" : ("; " + message).c_str());
        }
        std::fflush(stdout);
        ++tally[dryRun && entry ? Outcome::Done : outcome];
    }
    const int failed = tally[Outcome::Refused] + tally[Outcome::NoAnswer];
    if (dryRun) {
        if (!parsed.json) std::printf("%zu rows checked; no change was sent.\n", steps.size());
        return failed ? kExitFailed : kExitOk;
    }
    if (parsed.json) {
        std::fputs(JsonLine({{"summary", {{"rows", steps.size()}, {"done", tally[Outcome::Done]},
                                          {"skipped", tally[Outcome::Skipped]}, {"refused", tally[Outcome::Refused]},
                                          {"noAnswer", tally[Outcome::NoAnswer]}}}})
                       .c_str(),
                   stdout);
    } else {
        std::printf("%zu rows: %d done, %d skipped, %d refused, %d no answer\n", steps.size(), tally[Outcome::Done],
                    tally[Outcome::Skipped], tally[Outcome::Refused], tally[Outcome::NoAnswer]);
    }
    return failed ? kExitFailed : kExitOk;
}

}  // namespace vidudi::cli
