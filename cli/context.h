// What every command of the command-line client shares: the socket backend and streams, the
// views that collect what discovery and the status query report, and the result lines.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "protocol/device_info.h"
#include "protocol/discovery.h"
#include "protocol/settings.h"
#include "protocol/status_query.h"
#include "protocol/verify.h"

namespace cli {

// Thrown for bad arguments; Run turns it into the usage exit status.
struct UsageError {
    std::string text;
};

// Every error line: "dravmoor: TEXT" on stderr. The last one of a run is kept, so that with
// --json the run can also end with it as a JSON object on stdout.
void ErrorLine(std::FILE* err, const std::string& text);
std::string TakeLastError();  // and forget it

// The protocol layer's messages, exactly as it words them, one per line on stderr.
class StderrSink : public protocol::MessageSink {
public:
    explicit StderrSink(std::FILE* err) : m_err(err) {}
    void ShowMessage(const std::string& text) override;
    // Said once per run, however many operations fall back.
    void SourcePortFallback() override;
    static void NewRun();
    int count() const { return m_count; }

private:
    std::FILE* m_err;
    int m_count = 0;
};

class DiscoveryCollector : public protocol::DiscoveryView {
public:
    explicit DiscoveryCollector(std::FILE* err) : m_messages(err) {}
    void ShowMessage(const std::string& text) override { m_messages.ShowMessage(text); }
    void SourcePortFallback() override { m_messages.SourcePortFallback(); }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
    {
        m_list.Add(std::move(device));
    }
    void AnsweredElsewhere(const protocol::Mac& mac, const std::string& interfaceName) override
    {
        m_list.AnsweredElsewhere(mac, interfaceName);
    }
    const protocol::DeviceList& list() const { return m_list; }
    int messages() const { return m_messages.count(); }

private:
    StderrSink m_messages;
    protocol::DeviceList m_list;
};

// Keeps the disks the status query reports; everything else it stores in the record.
class StatusCollector : public protocol::StatusView {
public:
    explicit StatusCollector(std::FILE* err) : m_messages(err) {}
    void ShowMessage(const std::string& text) override { m_messages.ShowMessage(text); }
    void SourcePortFallback() override { m_messages.SourcePortFallback(); }
    void ClearDeviceInfo() override { m_disks.clear(); }
    void ShowPanel(const protocol::DeviceInfo&) override {}
    void ShowDisks(const std::vector<protocol::Disk>& disks) override { m_disks = disks; }
    void EnableDeviceCommands() override {}
    const std::vector<protocol::Disk>& disks() const { return m_disks; }
    int messages() const { return m_messages.count(); }

private:
    StderrSink m_messages;
    std::vector<protocol::Disk> m_disks;
};

class Context {
public:
    // `onlyBy`: the interfaces given with --interface (none: every one). Throws UsageError
    // for an interface that is not up.
    Context(sockets::SocketApi& socketApi, const Io& streams, bool asJson, protocol::Route onlyBy);

    // Where requests to one adapter leave: the interface it answered on in this run, else
    // every interface allowed. --interface bounds both: a record never leads past it.
    protocol::Route Reach(const protocol::DeviceInfo* device = nullptr) const;

    // Runs the status query into `device` by every interface allowed, so the record learns
    // where the adapter answers; an exit status. `received` tells which answers carried data.
    int Query(protocol::DeviceInfo& device, StatusCollector& view,
              protocol::ReceivedParts* received = nullptr);
    // Before a write: finds the adapter with a status query (its interface, its password
    // flag, the current values for the fields not given) and, when it wants the password,
    // checks the administrator first. `needsNetwork`: the write takes fields from the network
    // information. An exit status; kExitOk when the write may go out.
    int PrepareWrite(protocol::DeviceInfo& device, bool needsNetwork);
    // The verification, by the interface the adapter answered on only: the password is never
    // sent where the adapter is not. An exit status.
    int VerifyAt(const protocol::DeviceInfo& device, bool sayAccepted);
    // An adapter that answered differently by several networks gets nothing secret and no
    // write: says so, naming the networks and --interface. kExitOk when it is not ambiguous.
    int RefuseAmbiguous(const protocol::DeviceInfo& device);
    // Fills in the name that discovery reports for device.mac; an exit status. A discovery
    // that finds the adapter on another network than the status query did makes it ambiguous.
    int NameFromDiscovery(protocol::DeviceInfo& device);
    // The outcome of a write as an exit status, with its result line.
    int WriteResult(const protocol::WriteOutcome& outcome, const char* what);

    // A success line: the JSON result word or the sentence.
    void Result(const char* json, const std::string& text);
    void Error(const std::string& text);

    sockets::SocketApi& api;
    const Io& io;
    const bool json;
    const protocol::Route only;
    std::string user = "admin";  // --user
};

// "adapter MAC answered by A and B, differently: ..." for an ambiguous adapter.
std::string AmbiguityText(const protocol::DeviceInfo& device);

// The commands, after their arguments were parsed.
int Discover(Context& c);
int Timezones(Context& c);
// An entry's text without its trailing spaces; "" for a position outside the list.
std::string TimezoneText(int position);
int Status(Context& c, const protocol::Mac& mac);
int Verify(Context& c, const protocol::Mac& mac);

struct SystemOptions {
    std::optional<std::string> name, description, date, time, timezone, passwordRequired;
};
int SetSystem(Context& c, const protocol::Mac& mac, const SystemOptions& o);

struct NetworkOptions {
    std::optional<std::string> mode;
    // --ip, --mask, --gateway, --dns1, --dns2
    std::array<std::optional<std::string>, 5> addresses;
};
int SetNetwork(Context& c, const protocol::Mac& mac, const NetworkOptions& o);

}  // namespace cli
