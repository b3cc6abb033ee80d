// dravmoor watch: a discovery every few seconds, and a line for each adapter that appears,
// goes, or changes its name or address; nothing while the segment stays as it is.
#include <chrono>
#include <ctime>
#include <thread>

#include "cli/context.h"
#include "cli/many.h"
#include "cli/output.h"
#include "cli/watch.h"
#include "protocol/display.h"
#include "protocol/status_query.h"

namespace cli {

namespace {

std::string ClockNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
    return buf;
}

void Print(const Context& c, const WatchEvent& e)
{
    if (c.json) {
        Json line = {{"time", ClockNow()},
                     {"event", e.kind},
                     {"mac", protocol::MacText(e.mac)},
                     {"name", e.now.name},
                     {"ipAddress", e.now.address},
                     {"interface", e.now.interfaceName}};
        if (e.kind == "changed") {
            Json was = Json::object();
            if (e.was.name != e.now.name) was["name"] = e.was.name;
            if (e.was.address != e.now.address) was["ipAddress"] = e.was.address;
            line["was"] = was;
        }
        PrintJson(c.io.out, line);
    } else {
        std::string text = ClockNow() + "  " + e.kind + "  " + protocol::MacText(e.mac) + "  " +
                           ForTerminal(e.now.name) + "  " + ForTerminal(e.now.address);
        if (!e.now.interfaceName.empty()) text += "  " + ForTerminal(e.now.interfaceName);
        if (e.was.name != e.now.name && e.kind == "changed")
            text += "  (was named " + ForTerminal(e.was.name) + ")";
        if (e.was.address != e.now.address && e.kind == "changed")
            text += "  (was at " + ForTerminal(e.was.address) + ")";
        std::fprintf(c.io.out, "%s\n", text.c_str());
    }
    std::fflush(c.io.out);  // a line as it happens, also into a pipe
}

// Says an adapter not seen before as soon as its answer arrives, not at the window's end.
class WatchView : public protocol::DiscoveryView {
public:
    WatchView(const Context& c, Watcher& watcher) : m_c(c), m_watcher(watcher), m_sink(c.io.err) {}
    void ShowMessage(const std::string& text) override { m_sink.ShowMessage(text); }
    void SourcePortFallback() override { m_sink.SourcePortFallback(); }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
    {
        if (const auto event = m_watcher.Answered(Seen(*device))) Print(m_c, *event);
    }
    int messages() const { return m_sink.count(); }

private:
    const Context& m_c;
    Watcher& m_watcher;
    StderrSink m_sink;
};

}  // namespace

WatchedAdapter Seen(const protocol::DeviceInfo& d)
{
    return {d.mac, protocol::DisplayText(d.name), protocol::DisplayText(d.ipAddress),
            d.interfaceName};
}

std::optional<WatchEvent> Watcher::Answered(const WatchedAdapter& a)
{
    if (!m_answered.insert(a.mac).second) return std::nullopt;  // another copy this round
    const auto it = m_known.find(a.mac);
    if (it == m_known.end()) {
        m_known[a.mac] = {a, 0};
        return WatchEvent{m_rounds == 0 ? "present" : "appeared", a.mac, a, a};
    }
    Known& k = it->second;
    k.missed = 0;
    if (k.adapter.name == a.name && k.adapter.address == a.address) return std::nullopt;
    WatchEvent e{"changed", a.mac, a, k.adapter};
    k.adapter = a;
    return e;
}

std::vector<WatchEvent> Watcher::EndRound()
{
    std::vector<WatchEvent> events;
    for (auto it = m_known.begin(); it != m_known.end();) {
        if (m_answered.count(it->first) || ++it->second.missed < 2) {
            ++it;
            continue;
        }
        events.push_back({"gone", it->first, it->second.adapter, it->second.adapter});
        it = m_known.erase(it);
    }
    m_answered.clear();
    ++m_rounds;
    return events;
}

int Watch(Context& c, const WatchOptions& o)
{
    Watcher watcher;
    for (int round = 0; o.count == 0 || round < o.count; ++round) {
        const auto start = std::chrono::steady_clock::now();
        WatchView view(c, watcher);
        protocol::DiscoverDevices(c.api, view, c.only);
        if (view.messages() != 0) return kExitFailed;  // the socket layer failed
        for (const WatchEvent& e : watcher.EndRound()) Print(c, e);
        if (o.count != 0 && round + 1 >= o.count) break;
        std::this_thread::sleep_until(start + std::chrono::seconds(o.interval));
    }
    return kExitOk;
}

}  // namespace cli
