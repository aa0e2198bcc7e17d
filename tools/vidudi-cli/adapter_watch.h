#pragma once
// What `watch` keeps between searches: the adapters seen so far, known by their identity bytes,
// and the events that a new search makes of them.
#include <string>
#include <vector>

#include "protocol/device_table.h"

namespace vidudi::cli {

struct WatchedAdapter {
    std::string identity;  // the six identity bytes as 12 hex digits
    std::string name;
    std::string address;
    std::string netmask;
    std::string gateway;
    bool dhcp = false;
    std::string localAddress;
};

WatchedAdapter Watched(const DeviceEntry& entry);

struct WatchEvent {
    enum Kind { Appeared, Changed, Gone } kind;
    WatchedAdapter adapter;               // as it is now (as it was last seen, when gone)
    std::vector<std::string> changed;     // the fields that changed: name, address, netmask, ...
    WatchedAdapter before;                // as it was, for a change
};

const char* EventName(WatchEvent::Kind kind);

class AdapterWatch {
public:
    // A search without an adapter is forgiven once: it is gone after this many in a row.
    static constexpr int kMissesUntilGone = 2;

    // The events of one search's adapters, in the search's order, then the ones gone.
    std::vector<WatchEvent> Update(const std::vector<WatchedAdapter>& found);

private:
    struct Known {
        WatchedAdapter adapter;
        int missed = 0;
    };
    std::vector<Known> known_;  // in the order first seen
};

}  // namespace vidudi::cli
