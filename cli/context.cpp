#include "cli/context.h"

#include "cli/output.h"
#include "platform/sockets/source_port.h"

#include <algorithm>
#include <utility>

#include "protocol/limits.h"
#include "protocol/wire_text.h"

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

namespace {
std::string g_lastError;
}  // namespace

void ErrorLine(std::FILE* err, const std::string& text)
{
    std::fprintf(err, "dravmoor: %s\n", text.c_str());
    g_lastError = text;
}

std::string TakeLastError()
{
    return std::exchange(g_lastError, {});
}

void StderrSink::ShowMessage(const std::string& message)
{
    std::string text = message;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    ErrorLine(m_err, Show(text));
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
    if (device && !device->interfaceName.empty() &&
        (only.empty() || std::find(only.begin(), only.end(), device->interfaceName) != only.end()))
        return {device->interfaceName};
    return only.empty() ? protocol::EveryInterface(api) : only;
}

int Context::Query(protocol::DeviceInfo& device, StatusCollector& view,
                   protocol::ReceivedParts* received)
{
    switch (protocol::QueryDeviceStatus(api, device, view, Reach(&device), received)) {
        case protocol::StatusResult::Completed:
            return kExitOk;
        case protocol::StatusResult::NotStarted:
            return kExitFailed;
        case protocol::StatusResult::TimedOut:
            // The other claimant may be what stopped answering: that is the news.
            if (protocol::IsAmbiguous(device)) return RefuseAmbiguous(device);
            return kExitTimedOut;  // message shown
    }
    return kExitFailed;
}

int Context::PrepareWrite(protocol::DeviceInfo& device, bool needsNetwork)
{
    StatusCollector view(io.err);
    protocol::ReceivedParts parts;
    const int code = Query(device, view, &parts);
    if (code != kExitOk) return code;
    if (const int refused = RefuseAmbiguous(device); refused != kExitOk) return refused;
    // A field filled from an answer that never came would write blanks over the adapter's
    // settings (an address of 0.0.0.0 takes it off the network).
    std::string missing;
    if (!parts.systemInfo) missing = "system information";
    if (needsNetwork && !parts.networkInfo)
        missing += std::string(missing.empty() ? "" : " and ") + "network information";
    if (!missing.empty()) {
        Error("could not read the adapter's " + missing +
              " (another answer came instead); nothing was sent");
        return kExitFailed;
    }
    int verified = kExitOk;
    protocol::PassesVerificationRule(device, [&] {
        verified = VerifyAt(device, false);
        return verified == kExitOk;
    });
    return verified;
}

int Context::VerifyAt(const protocol::DeviceInfo& device, bool sayAccepted)
{
    if (const int code = RefuseAmbiguous(device); code != kExitOk) return code;
    if (!io.readPassword) throw UsageError{"no password source"};
    const std::optional<std::string> password = io.readPassword();
    if (!password) {
        Error("no password given");
        return kExitUsage;
    }
    // Counted as the wire counts: bytes of UTF-8 ("pässwörd" is 10).
    if (!protocol::FitsWire(*password, protocol::kPasswordWidth))
        throw UsageError{"the password does not fit in the adapter's 8 bytes (UTF-8)"};
    StderrSink sink(io.err);
    switch (protocol::VerifyAdministrator(api, sink, device.mac, user, *password, Reach(&device))) {
        case protocol::VerifyResult::Accepted:
            if (sayAccepted) Result("verified", "the adapter accepted the name and password");
            return kExitOk;
        case protocol::VerifyResult::Refused:
            return kExitRefused;  // "Verify failed!"
        case protocol::VerifyResult::OtherReply:
            Error("the first answer was not a verification answer");
            return kExitFailed;
        case protocol::VerifyResult::TimedOut:
            return kExitTimedOut;
        case protocol::VerifyResult::NotSent:
            return kExitFailed;
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
            protocol::AddAnsweredElsewhere(device, found.interfaceName);
            for (const std::string& other : found.alsoAnsweredOn)
                protocol::AddAnsweredElsewhere(device, other);
            return RefuseAmbiguous(device);
        }
    }
    Error("the adapter did not answer the discovery; give its name with --name");
    return view.messages() ? kExitFailed : kExitTimedOut;
}

std::string AmbiguityText(const protocol::DeviceInfo& device)
{
    return "adapter " + protocol::MacText(device.mac) + " answered by " +
           protocol::AnsweringInterfaces(device) + ", differently: another host claims to be it.";
}

int Context::RefuseAmbiguous(const protocol::DeviceInfo& device)
{
    if (!protocol::IsAmbiguous(device)) return kExitOk;
    Error(AmbiguityText(device) + " Nothing was sent to it; name its network with --interface");
    return kExitFailed;
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
    ErrorLine(io.err, text);
}

}  // namespace cli
