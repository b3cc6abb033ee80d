// What the commands for many adapters share: running one piece of work per adapter side by
// side, and a message sink per adapter that keeps the protocol layer's messages for its row.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/context.h"
#include "protocol/status_query.h"

namespace cli {

// The commands for many adapters: the segment as CSV or JSON, a plan applied, and a watch.
int Export(Context& c, const std::string& output);
struct ApplyOptions {
    std::string plan;  // the file
    bool dryRun = false;
    bool force = false;  // accept the warnings
};
int Apply(Context& c, const ApplyOptions& o);
struct WatchOptions {
    int interval = 5;  // seconds from one discovery to the next
    int count = 0;     // discoveries, 0: until interrupted
};
int Watch(Context& c, const WatchOptions& o);

// Keeps what the protocol layer says about one adapter ("Time out:get system info!"), for
// its row of the output instead of interleaved lines on standard error.
class AdapterSink : public protocol::StatusView {
public:
    void ShowMessage(const std::string& text) override;
    void SourcePortFallback() override { s_fellBack = true; }
    void ClearDeviceInfo() override {}
    void ShowPanel(const protocol::DeviceInfo&) override {}
    void ShowDisks(const std::vector<protocol::Disk>&) override {}
    void EnableDeviceCommands() override {}
    // The messages on one line, "" when there were none.
    std::string Text() const;
    // Some operation's requests left from a port outside the range (said once per run).
    static bool FellBack() { return s_fellBack.exchange(false); }

private:
    std::vector<std::string> m_messages;
    static inline std::atomic<bool> s_fellBack{false};
};

// Calls work(i, api) for every i below `count`. With io.newSocketApi, on as many threads at
// once as the request ports allow (each exchange binds one), each with a socket backend of
// its own; without, one after another on `api`. `done` is told the number finished so far,
// one call at a time.
void ForEachAdapter(std::size_t count, sockets::SocketApi& api, const Io& io,
                    const std::function<void(std::size_t, sockets::SocketApi&)>& work,
                    const std::function<void(std::size_t)>& done = {});

// A progress line on standard error, overwritten in place; only when io.progress.
class Progress {
public:
    Progress(const Io& io, std::string what, std::size_t total);
    ~Progress();  // clears the line
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Update(std::size_t done);

private:
    const Io& m_io;
    std::string m_what;
    std::size_t m_total;
    bool m_shown = false;
};

}  // namespace cli
