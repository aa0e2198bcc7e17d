// vidudi watch: searches again and again and prints one event per change, as it happens.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "adapter_watch.h"
#include "cli_session.h"
#include "commands.h"
#include "device_table_output.h"
#include "interruption.h"
#include "protocol/discovery.h"
#include "protocol/network.h"

namespace vidudi::cli {

namespace {

constexpr double kDefaultIntervalSeconds = 2.0;
constexpr double kLongestIntervalSeconds = 86400.0;

// Now, as UTC with milliseconds: 2026-12-08T07:45:01.123Z.
std::string TimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
    return text;
}

Json AdapterJson(const WatchedAdapter& adapter) {
    return {{"identity", adapter.identity}, {"name", adapter.name},       {"address", adapter.address},
            {"netmask", adapter.netmask},   {"gateway", adapter.gateway}, {"dhcp", adapter.dhcp},
            {"localAddress", adapter.localAddress}};
}

std::string FieldText(const WatchedAdapter& adapter, const std::string& field) {
    if (field == "name") return TerminalText(adapter.name);
    if (field == "address") return adapter.address;
    if (field == "netmask") return TerminalText(adapter.netmask);
    if (field == "gateway") return TerminalText(adapter.gateway);
    if (field == "dhcp") return adapter.dhcp ? "yes" : "no";
    return adapter.localAddress;
}

std::string EventLine(const WatchEvent& event, bool json) {
    const std::string time = TimeNow();
    const WatchedAdapter& now = event.adapter;
    if (json) {
        Json line = {{"event", EventName(event.kind)}, {"time", time}};
        line.update(AdapterJson(now));
        if (event.kind == WatchEvent::Changed) {
            line["changed"] = event.changed;
            Json before = Json::object();
            for (const std::string& field : event.changed) before[field] = AdapterJson(event.before)[field];
            line["before"] = before;
        }
        return JsonLine(line);
    }
    std::string line = time + "  " + EventName(event.kind) + "  " + TerminalText(now.name) + " at " + now.address;
    if (event.kind == WatchEvent::Appeared) {
        line += " (netmask " + FieldText(now, "netmask") + ", gateway " + FieldText(now, "gateway") +
                ", DHCP " + FieldText(now, "dhcp") + ", local address " + now.localAddress + ")";
    }
    for (const std::string& field : event.changed) {
        line += (&field == &event.changed.front() ? ": " : ", ") + field + " " + FieldText(event.before, field) +
                " -> " + FieldText(now, field);
    }
    return line + "\n";
}

bool ParseNumber(const std::string& text, double low, double high, double& out) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < low || value > high) return false;
    out = value;
    return true;
}

}  // namespace

int RunWatch(const Arguments& arguments) {
    Parsed parsed;
    if (int status = ParseArguments(arguments, "watch", 0, parsed); status >= 0) return status;
    double interval = kDefaultIntervalSeconds;
    if (parsed.Has("--interval") &&
        !ParseNumber(parsed.options["--interval"], 0, kLongestIntervalSeconds, interval)) {
        return Fail(kExitBadInput, "--interval wants a number of seconds from 0 to 86400");
    }
    double countWanted = 0;
    if (parsed.Has("--count") &&
        (!ParseNumber(parsed.options["--count"], 1, 1e9, countWanted) || countWanted != std::floor(countWanted))) {
        return Fail(kExitBadInput, "--count wants a whole number of searches, 1 or more");
    }
    const auto count = static_cast<long>(countWanted);  // 0: until interrupted

    NetworkSession session;
    if (int status = session.Start(); status != kExitOk) return status;
    EndCleanlyOnInterrupt();
    AdapterWatch watch;
    const auto intervalMicros = static_cast<std::int64_t>(interval * 1e6);
    for (long searches = 1; !Interrupted(); ++searches) {
        // A search is one window long; the next starts an interval after this one started,
        // and never before this one has ended.
        const std::int64_t started = NowMicros();
        SearchDevices(kDeviceFilter);
        if (Interrupted()) break;
        std::vector<WatchedAdapter> found;
        for (const DeviceEntry* entry = DeviceList.head; entry; entry = entry->next) found.push_back(Watched(*entry));
        for (const WatchEvent& event : watch.Update(found)) std::fputs(EventLine(event, parsed.json).c_str(), stdout);
        std::fflush(stdout);
        if (count > 0 && searches >= count) break;
        const std::int64_t left = started + intervalMicros - NowMicros();
        if (left > 0) Pause(static_cast<int>((left + 999) / 1000));
    }
    return kExitOk;
}

}  // namespace vidudi::cli
