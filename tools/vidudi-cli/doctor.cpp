#include "doctor.h"

#include <map>

#include "address_argument.h"
#include "platform/services.h"
#include "protocol/device_table.h"
#include "protocol/discovery.h"
#include "protocol/network.h"

namespace vidudi::cli {

namespace {

using namespace DevicePacket;

// What one local address heard during the search.
struct Heard {
    int arrived = 0;
    int accepted = 0;  // both copies of an answer count
    int otherInstance = 0;
    int notStorage = 0;
    int malformed = 0;
    int otherKinds = 0;
    std::map<std::string, std::string> foreign;  // device address -> name, for another instance
    std::map<std::string, Json> notStorageDevices;
};

std::string Announced(const Datagram& datagram) {
    char name[sizeof DeviceEntry::name];
    ReadAnnouncedName(datagram, datagram.At(kOp), name, sizeof name);
    return name;
}

void Count(Heard& heard, const Datagram& datagram, DatagramFate fate) {
    if (fate == DatagramFate::Discarded) return;  // left from before the search
    ++heard.arrived;
    char device[16];
    RenderDeviceAddress(datagram, device);
    switch (fate) {
        case DatagramFate::Accepted:
        case DatagramFate::Repeated: ++heard.accepted; break;
        case DatagramFate::OtherInstance:
            ++heard.otherInstance;
            if (datagram.Has(kHostNameLength, 4)) heard.foreign[device] = Announced(datagram);
            break;
        case DatagramFate::NotStorage:
            ++heard.notStorage;
            heard.notStorageDevices[device] = {{"address", device},
                                               {"name", Announced(datagram)},
                                               {"typeCodes", {datagram.At(kTypeCode1), datagram.At(kTypeCode2)}}};
            break;
        case DatagramFate::Malformed: ++heard.malformed; break;
        default: ++heard.otherKinds; break;
    }
}

bool InSubnet(const char* device, const char* netmask, const char* local) {
    unsigned char d[4], m[4], l[4];
    if (!ParseDottedQuad(device, d) || !ParseDottedQuad(netmask, m) || !ParseDottedQuad(local, l)) return true;
    for (int k = 0; k < 4; ++k) {
        if ((d[k] & m[k]) != (l[k] & m[k])) return false;
    }
    return true;
}

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The likeliest reasons why nothing answered, those the findings point at first.
std::vector<std::string> LikelyCauses(const std::vector<Finding>& findings) {
    auto found = [&](const char* name) {
        for (const Finding& f : findings) {
            if (f.name == name) return true;
        }
        return false;
    };
    std::vector<std::string> causes;
    if (g_nLocalAddressCount == 0) causes.emplace_back("This computer has no network address: connect it to the adapters' network.");
    if (found("port-in-use")) {
        causes.emplace_back("Another program holds UDP port 13579, so the replies cannot be read: stop it and search again.");
    }
    if (found("firewall-blocks")) {
        causes.emplace_back("Windows Firewall drops the replies: allow this program, or UDP port 13579, inbound.");
    }
    if (found("bind-failed") || found("join-failed") || found("send-failed")) {
        causes.emplace_back("The network layer refused a socket or the request on an address (see above): check the network card's settings.");
    }
    if (found("foreign-tag")) {
        causes.emplace_back("A device answered, but not this search (another instance's tag): a faulty adapter or something rewriting the replies.");
    }
    if (found("not-storage")) {
        causes.emplace_back("The devices that answered are not storage adapters: the adapter itself did not answer.");
    }
    if (found("malformed")) causes.emplace_back("Replies arrived damaged (too short): a faulty adapter or network equipment.");
    causes.emplace_back("The adapter is off, or not on this computer's network segment: check its power, cable and switch (the search does not cross a router).");
    causes.emplace_back("A firewall on this computer or on the network drops multicast to 224.0.0.1 or UDP port 13579.");
    causes.emplace_back("The adapter is on a network this computer has no address on (another network card, VLAN or Wi-Fi).");
    causes.resize(3);
    return causes;
}

}  // namespace

std::vector<Finding> Diagnose() {
    std::vector<Finding> findings;
    auto add = [&](std::string name, std::string local, bool problem, std::string text, Json details = Json::object()) {
        findings.push_back({std::move(name), std::move(local), problem, std::move(text), std::move(details)});
    };
    if (g_nLocalAddressCount == 0) add("no-local-address", "", true, "this computer has no IPv4 address to search on");

    std::vector<Heard> heard(static_cast<std::size_t>(g_nLocalAddressCount));
    // Counted here, and still traced under --verbose.
    DatagramObserver earlier;
    earlier = ObserveDatagrams([&](int i, const std::string& sender, const Datagram& datagram, DatagramFate fate) {
        if (i >= 0 && i < g_nLocalAddressCount) Count(heard[static_cast<std::size_t>(i)], datagram, fate);
        if (earlier) earlier(i, sender, datagram, fate);
    });
    SearchDevices(kDeviceFilter);
    ObserveDatagrams(earlier);

    bool anyAdapter = false;
    for (int i = 0; i < g_nLocalAddressCount; ++i) {
        const std::string local = LocalAddressTable[i];
        const SocketHealth health = CurrentTransport().HealthOf(i);
        const Heard& on = heard[static_cast<std::size_t>(i)];
        if (health.portInUse) {
            add("port-in-use", local, true, "UDP port 13579 is held by another program: no reply can be read on this address");
        } else if (!health.receiveBound) {
            add("bind-failed", local, true, "the receive socket could not be bound to UDP port 13579");
        } else {
            add("receive-socket", local, false, "receive socket bound to UDP port 13579");
        }
        if (!health.groupJoined) {
            add("join-failed", local, true, "the group 224.0.0.1 could not be joined on this address");
        } else {
            add("group-joined", local, false, "group 224.0.0.1 joined");
        }
        if (health.sendFailed) {
            add("send-failed", local, true, "the request could not be sent out of this address");
        } else {
            add("request-sent", local, false, "request sent to 224.0.0.1, UDP port 13579");
        }
        int adapters = 0;
        for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) adapters += entry->iface == i;
        anyAdapter = anyAdapter || adapters > 0;
        add("datagrams", local, false,
            Plural(on.arrived, "datagram", "datagrams") + " in the search window: " + std::to_string(on.accepted) +
                " accepted (" + Plural(adapters, "adapter", "adapters") + "), " + std::to_string(on.otherInstance) +
                " for another instance (tag), " + std::to_string(on.notStorage) + " not a storage adapter, " +
                std::to_string(on.malformed) + " malformed, " + std::to_string(on.otherKinds) + " of other kinds",
            {{"arrived", on.arrived}, {"accepted", on.accepted}, {"adapters", adapters},
             {"otherInstance", on.otherInstance}, {"notStorage", on.notStorage}, {"malformed", on.malformed},
             {"otherKinds", on.otherKinds}});
        for (const auto& [address, name] : on.foreign) {
            if (FindDeviceByAddress(address.c_str())) continue;  // it answered this search too
            add("foreign-tag", local, true,
                TerminalText(name) + " at " + address + " answered only with another instance's tag",
                {{"address", address}, {"name", name}});
        }
        for (const auto& [address, device] : on.notStorageDevices) {
            const std::string name = device["name"];
            add("not-storage", local, false,
                TerminalText(name) + " at " + address + " is not a storage adapter (type codes " +
                    std::to_string(device["typeCodes"][0].get<int>()) + " " +
                    std::to_string(device["typeCodes"][1].get<int>()) + ")",
                device);
        }
        if (on.malformed > 0) {
            add("malformed", local, true, Plural(on.malformed, "datagram was", "datagrams were") + " too short for their fields");
        }
        for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) {
            if (entry->iface != i || InSubnet(entry->address, entry->netmask, local.c_str())) continue;
            add("outside-subnet", local, true,
                TerminalText(entry->name) + " at " + entry->address + " (netmask " + TerminalText(entry->netmask) +
                    ") is outside this address's subnet: it can be configured, but not mapped or browsed",
                {{"address", entry->address}, {"name", entry->name}, {"netmask", entry->netmask}});
        }
    }

    if (const auto firewall = platform::CurrentServices().firewall->Inspect(kDevicePort)) {
        const Json details = {{"profiles", firewall->profiles}, {"enabled", firewall->enabled},
                              {"programAllowed", firewall->programAllowed}, {"portAllowed", firewall->portAllowed}};
        const std::string profile = " for the current profile (" + firewall->profiles + ")";
        if (!firewall->enabled) {
            add("firewall-off", "", false, "Windows Firewall is off" + profile, details);
        } else if (firewall->programAllowed || firewall->portAllowed) {
            add("firewall-allows", "", false,
                "Windows Firewall is on" + profile + ", and an inbound rule allows " +
                    (firewall->programAllowed ? "this program" : "UDP port 13579"),
                details);
        } else {
            add("firewall-blocks", "", true,
                "Windows Firewall is on" + profile + ", and no inbound rule allows this program or UDP port 13579",
                details);
        }
    }

    if (!anyAdapter) {
        const std::vector<std::string> causes = LikelyCauses(findings);
        add("nothing-answered", "", true, "no adapter answered on any local address");
        for (std::size_t k = 0; k < causes.size(); ++k) {
            add("likely-cause", "", false, std::to_string(k + 1) + ". " + causes[k], {{"rank", k + 1}});
        }
    }
    return findings;
}

std::string FormatFindings(const std::vector<Finding>& findings, bool json) {
    int problems = 0;
    for (const Finding& f : findings) problems += f.problem;
    if (json) {
        Json all = Json::array();
        for (const Finding& f : findings) {
            Json one = {{"finding", f.name}, {"localAddress", f.localAddress}, {"problem", f.problem}, {"text", f.text}};
            one.update(f.details);
            all.push_back(one);
        }
        return JsonLine({{"findings", all}, {"problems", problems}});
    }
    std::string out;
    for (const Finding& f : findings) {
        const char* mark = f.problem ? "PROBLEM  " : f.name == "likely-cause" ? "cause    " : "ok       ";
        out += mark + (f.localAddress.empty() ? "" : f.localAddress + ": ") + f.text + " [" + f.name + "]\n";
    }
    return out + (problems == 0 ? "Nothing wrong found.\n" : Plural(problems, "problem", "problems") + " found.\n");
}

}  // namespace vidudi::cli
