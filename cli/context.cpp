#include "cli/context.h"

#include "cli/output.h"
#include "platform/sockets/source_port.h"

#include <algorithm>

namespace cli {

namespace {
bool g_toldSourcePortFallback = false;
}  // namespace

void StderrSink::NewRun()
{
    g_toldSourcePortFallback = false;
}

void StderrSink::SourcePortFallback()
{
    if (g_toldSourcePortFallback) return;
    g_toldSourcePortFallback = true;
    std::fprintf(m_err,
                 "dravmoor: local UDP ports %u-%u are all in use; requests leave from a port "
                 "the system chose, so a firewall that opens only those ports drops the "
                 "answers\n",
                 unsigned{sockets::kSourcePortFirst}, unsigned{sockets::kSourcePortLast});
}

void StderrSink::ShowMessage(const std::string& message)
{
    std::string text = message;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    std::fprintf(m_err, "%s\n", Show(text).c_str());
    ++m_count;
}

Context::Context(sockets::SocketApi& socketApi, const Io& streams, bool asJson,
                 protocol::Route onlyBy)
    : api(socketApi), io(streams), json(asJson), only(std::move(onlyBy))
{
    // An adapter not found by a discovery of this run may be on any of them.
    const protocol::Route all = protocol::EveryInterface(api);
    for (const std::string& name : only) {
        if (std::find(all.begin(), all.end(), name) == all.end()) {
            std::string known;
            for (const std::string& n : all) known += (known.empty() ? "" : ", ") + n;
            throw UsageError{"no broadcast interface '" + name + "' is up (this computer has: " +
                             (known.empty() ? "none" : known) + ")"};
        }
    }
}

protocol::Route Context::Reach(const protocol::DeviceInfo* device) const
{
    if (device && !device->interfaceName.empty()) return {device->interfaceName};
    return only.empty() ? protocol::EveryInterface(api) : only;
}

int Context::Query(protocol::DeviceInfo& device, StatusCollector& view)
{
    switch (protocol::QueryDeviceStatus(api, device, view, Reach(&device))) {
        case protocol::StatusResult::Completed:
            return kExitOk;
        case protocol::StatusResult::NotStarted:
            return kExitFailed;
        case protocol::StatusResult::TimedOut:
            return kExitTimedOut;  // message shown
    }
    return kExitFailed;
}

int Context::NameFromDiscovery(protocol::DeviceInfo& device)
{
    DiscoveryCollector view(io.err);
    protocol::DiscoverDevices(api, view, only);
    for (std::size_t i = 0; i < view.list().GetSize(); ++i) {
        const protocol::DeviceInfo& found = *view.list().GetAt(i);
        if (found.mac == device.mac) {
            device.name = found.name;
            if (device.interfaceName.empty()) device.interfaceName = found.interfaceName;
            return kExitOk;
        }
    }
    Error("the adapter did not answer the discovery; give its name with --name");
    return view.messages() ? kExitFailed : kExitTimedOut;
}

int Context::WriteResult(const protocol::WriteOutcome& outcome, const char* what)
{
    if (!outcome.sent) return kExitFailed;     // the socket layer's message was shown
    if (outcome.refused) return kExitRefused;  // "Set network info failed!" was shown
    if (!outcome.answered) {
        Error(std::string("no answer to the ") + what);
        return kExitTimedOut;
    }
    Result("answered", std::string(what) + " sent; the adapter answered");
    return kExitOk;
}

void Context::Result(const char* word, const std::string& text)
{
    if (json) {
        PrintJson(io.out, {{"result", word}});
    } else {
        std::fprintf(io.out, "%s\n", text.c_str());
    }
}

void Context::Error(const std::string& text)
{
    std::fprintf(io.err, "dravmoor: %s\n", text.c_str());
}

}  // namespace cli
