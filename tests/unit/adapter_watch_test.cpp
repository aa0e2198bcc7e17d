// The events `vidudi watch` makes of a series of searches.
#include <gtest/gtest.h>

#include "adapter_watch.h"

namespace vidudi::cli {
namespace {

WatchedAdapter At(const char* identity, const char* name, const char* address) {
    return {identity, name, address, "255.255.255.0", "10.77.1.1", false, "10.77.1.2"};
}

// "kind name address [fields]" per event.
std::vector<std::string> Described(const std::vector<WatchEvent>& events) {
    std::vector<std::string> lines;
    for (const WatchEvent& event : events) {
        std::string line = std::string(EventName(event.kind)) + " " + event.adapter.name + " " + event.adapter.address;
        for (const std::string& field : event.changed) line += " " + field + "<-" + (field == "name" ? event.before.name : event.before.address);
        lines.push_back(line);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(AdapterWatchTest, AppearedChangedAndGoneAfterTwoMisses) {
    AdapterWatch watch;
    const auto a = At("000ea100000a", "NAS-A", "10.77.1.10");
    const auto b = At("000ea100000b", "NAS-B", "10.77.1.11");
    const auto c = At("000ea100000c", "NAS-C", "10.77.1.12");
    EXPECT_EQ(Described(watch.Update({a, b, c})), (Lines{"appeared NAS-A 10.77.1.10", "appeared NAS-B 10.77.1.11",
                                                         "appeared NAS-C 10.77.1.12"}));
    EXPECT_EQ(Described(watch.Update({a, b, c})), Lines{});
    // A new address and a new name are changes of the same adapter; one missed search is no event.
    auto moved = a;
    moved.address = "10.77.1.20";
    auto renamed = b;
    renamed.name = "NAS-B2";
    EXPECT_EQ(Described(watch.Update({renamed, moved})),
              (Lines{"changed NAS-B2 10.77.1.11 name<-NAS-B", "changed NAS-A 10.77.1.20 address<-10.77.1.10"}));
    EXPECT_EQ(Described(watch.Update({moved, renamed, c})), Lines{});
    // Two in a row: gone, in the order first seen; it comes back as a new appearance.
    EXPECT_EQ(Described(watch.Update({c})), Lines{});
    EXPECT_EQ(Described(watch.Update({c})), (Lines{"gone NAS-A 10.77.1.20", "gone NAS-B2 10.77.1.11"}));
    EXPECT_EQ(Described(watch.Update({c, b})), Lines{"appeared NAS-B 10.77.1.11"});
    // Two adapters with one identity in a search do not flap between them.
    auto twin = c;
    twin.address = "10.77.1.99";
    EXPECT_EQ(Described(watch.Update({c, twin, b})), Lines{});
}

}  // namespace
}  // namespace vidudi::cli
