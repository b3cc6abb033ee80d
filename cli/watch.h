// What `dravmoor watch` tells from one discovery to the next: an adapter that appears, one
// that missed two discoveries in a row (gone), one whose name or address changed.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "protocol/device_info.h"

namespace cli {

struct WatchedAdapter {
    protocol::Mac mac{};
    std::string name, address, interfaceName;  // decoded
};
WatchedAdapter Seen(const protocol::DeviceInfo& device);

struct WatchEvent {
    std::string kind;  // present (the first discovery), appeared, changed, gone
    protocol::Mac mac{};
    WatchedAdapter now, was;
};

class Watcher {
public:
    // An answer of the current discovery: an event when it is news.
    std::optional<WatchEvent> Answered(const WatchedAdapter& adapter);
    // The discovery ended: the adapters gone with it.
    std::vector<WatchEvent> EndRound();

private:
    struct Known {
        WatchedAdapter adapter;
        int missed = 0;  // discoveries in a row without its answer
    };
    std::map<protocol::Mac, Known> m_known;
    std::set<protocol::Mac> m_answered;
    int m_rounds = 0;
};

}  // namespace cli
