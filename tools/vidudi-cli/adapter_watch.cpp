#include "adapter_watch.h"

#include <algorithm>

#include "device_table_output.h"

namespace vidudi::cli {

WatchedAdapter Watched(const DeviceEntry& entry) {
    return {IdentityHex(entry),      entry.name,          entry.address, entry.netmask,
            entry.gateway, entry.dhcp[0] == '1', LocalAddressOf(entry)};
}

const char* EventName(WatchEvent::Kind kind) {
    switch (kind) {
        case WatchEvent::Appeared: return "appeared";
        case WatchEvent::Changed: return "changed";
        case WatchEvent::Gone: return "gone";
    }
    return "";
}

namespace {

std::vector<std::string> ChangedFields(const WatchedAdapter& before, const WatchedAdapter& now) {
    std::vector<std::string> changed;
    if (before.name != now.name) changed.emplace_back("name");
    if (before.address != now.address) changed.emplace_back("address");
    if (before.netmask != now.netmask) changed.emplace_back("netmask");
    if (before.gateway != now.gateway) changed.emplace_back("gateway");
    if (before.dhcp != now.dhcp) changed.emplace_back("dhcp");
    if (before.localAddress != now.localAddress) changed.emplace_back("localAddress");
    return changed;
}

}  // namespace

std::vector<WatchEvent> AdapterWatch::Update(const std::vector<WatchedAdapter>& found) {
    std::vector<WatchEvent> events;
    std::vector<bool> seen(known_.size(), false);
    for (const WatchedAdapter& adapter : found) {
        auto known = std::find_if(known_.begin(), known_.end(),
                                  [&](const Known& k) { return k.adapter.identity == adapter.identity; });
        if (known == known_.end()) {
            known_.push_back({adapter, 0});
            seen.push_back(true);
            events.push_back({WatchEvent::Appeared, adapter, {}, {}});
            continue;
        }
        const auto at = static_cast<std::size_t>(known - known_.begin());
        // Two adapters that report one identity: the first of the search stands for both.
        if (seen[at]) continue;
        seen[at] = true;
        known->missed = 0;
        if (auto changed = ChangedFields(known->adapter, adapter); !changed.empty()) {
            events.push_back({WatchEvent::Changed, adapter, std::move(changed), known->adapter});
            known->adapter = adapter;
        }
    }
    for (std::size_t k = known_.size(); k-- > 0;) {
        if (seen[k] || ++known_[k].missed < kMissesUntilGone) continue;
        events.push_back({WatchEvent::Gone, known_[k].adapter, {}, {}});
        known_.erase(known_.begin() + static_cast<std::ptrdiff_t>(k));
    }
    // Gone events in the order the adapters were first seen.
    std::reverse(std::find_if(events.begin(), events.end(),
                              [](const WatchEvent& e) { return e.kind == WatchEvent::Gone; }),
                 events.end());
    return events;
}

}  // namespace vidudi::cli
