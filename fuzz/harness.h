// What the fuzz targets share: well-formed replies of every kind (also the seeds of the
// corpus), front ends that record what the protocol shows, the checks every run must pass, and
// the decoding of a fuzz input into a stream of datagrams.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "fuzz/scripted_sockets.h"
#include "protocol/device_info.h"
#include "protocol/discovery.h"
#include "protocol/status_query.h"
#include "protocol/wire.h"
#include "tests/support/replies.h"

namespace fuzzing {

// Stops the run with a finding; libFuzzer records the input.
[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}
inline void Expect(bool ok, const char* what)
{
    if (!ok) Fail(what);
}

// --- Checks ---------------------------------------------------------------------------------

// Every text field of a record keeps its terminator, whatever arrived.
inline void CheckRecord(const protocol::DeviceInfo& d)
{
    Expect(d.name.back() == 0, "name terminator");
    Expect(d.description.back() == 0, "description terminator");
    Expect(d.signature.back() == 0, "signature terminator");
    Expect(d.firmware.back() == 0, "firmware terminator");
    for (const auto* f : {&d.ipAddress, &d.subnetMask, &d.gateway, &d.dns1, &d.dns2}) {
        Expect(f->back() == 0, "address terminator");
    }
    Expect(d.date.back() == 0, "date terminator");
    Expect(d.time.back() == 0, "time terminator");
    if (d.shares) {
        Expect(d.shares->size() <= 256u * protocol::kSharesPerPage, "more shares than pages");
        for (const auto& s : *d.shares) Expect(s.Name().size() <= 36, "share name length");
    }
}

inline void CheckBalanced(const ScriptedSocketApi& api)
{
    if (!api.misuse.empty()) Fail("socket misuse: " + api.misuse.front());
    Expect(api.startups == api.cleanups, "start-ups and releases differ");
    Expect(api.opens == api.closes, "opens and closes differ");
}

// --- Front ends -----------------------------------------------------------------------------

class RecordingStatusView : public protocol::StatusView {
public:
    std::vector<std::string> messages;
    std::array<std::string, 5> panel;
    std::vector<std::array<std::string, 5>> disks;
    bool enabled = false;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void ClearDeviceInfo() override
    {
        panel = {};
        disks.clear();
    }
    void SetPanelText(protocol::PanelField field, const std::string& text) override
    {
        panel.at(static_cast<std::size_t>(field)) = text;
    }
    void ClearDiskRows() override { disks.clear(); }
    void AddDiskRow(const std::array<std::string, 5>& columns) override
    {
        for (const auto& c : columns) Expect(c.size() <= 64, "disk column longer than its field");
        Expect(columns[0].size() <= 36, "share name column");
        Expect(columns[1].size() <= 16, "device id column");
        Expect(columns[2].size() <= 10, "fs type column");
        disks.push_back(columns);
    }
    void EnableDeviceCommands() override { enabled = true; }
};

class RecordingDiscoveryView : public protocol::DiscoveryView {
public:
    std::vector<std::string> messages;
    std::vector<std::unique_ptr<protocol::DeviceInfo>> devices;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo> device) override
    {
        Expect(device != nullptr, "null device added");
        CheckRecord(*device);
        devices.push_back(std::move(device));
    }
};

class RecordingSink : public protocol::MessageSink {
public:
    std::vector<std::string> messages;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

// Runs the status query twice (a second query replaces what the first stored) with `reply`
// answering each request, checks what every run must hold, and hands each completed run to
// `check`.
template <typename ReplyFn, typename CheckFn>
void RunStatusQuery(ReplyFn reply, CheckFn check)
{
    ScriptedSocketApi api;
    api.onSend = [&](std::span<const std::uint8_t> request) { reply(api, request); };
    protocol::DeviceInfo device;
    device.mac = kMac;
    RecordingStatusView view;
    for (int round = 0; round < 2; ++round) {
        view.messages.clear();
        view.enabled = false;
        const protocol::StatusResult r = protocol::QueryDeviceStatus(api, device, view);
        CheckRecord(device);
        CheckBalanced(api);
        Expect(view.disks.size() <= protocol::kMaxDiskEntries, "more disk rows than fit");
        Expect(view.panel[0].size() <= 6, "firmware text longer than V..R..");
        if (r == protocol::StatusResult::TimedOut) {
            Expect(view.messages.size() == 1, "a time-out shows exactly one message");
            return;
        }
        Expect(r == protocol::StatusResult::Completed, "status query did not complete");
        Expect(view.messages.empty(), "completed query showed a message");
        Expect(view.enabled, "completed without enabling the device commands");
        Expect(view.panel[2].size() == 17, "mac text");
        Expect(device.shares.has_value(), "completed without a share array");
        check(device, view);
    }
}
template <typename ReplyFn>
void RunStatusQuery(ReplyFn reply)
{
    RunStatusQuery(reply, [](const protocol::DeviceInfo&, const RecordingStatusView&) {});
}

// --- Fuzz input as a stream of datagrams ------------------------------------------------------

// One batch per request: a count byte (0-3 datagrams, 0 = this request goes unanswered), then
// per datagram a delay byte (waits after the previous one), a 16-bit length (at most 1100, so
// datagrams longer than the 1024-byte buffer occur) and the bytes.
class StreamReader {
public:
    explicit StreamReader(std::span<const std::uint8_t> in) : m_in(in) {}
    bool done() const { return m_pos >= m_in.size(); }

    struct Item {
        std::uint64_t delay;
        Bytes bytes;
    };
    std::vector<Item> NextBatch(unsigned maxDelay)
    {
        std::vector<Item> items;
        const unsigned count = Byte() % 4;
        for (unsigned i = 0; i < count && !done(); ++i) {
            const std::uint64_t delay = Byte() % (maxDelay + 1);
            std::size_t len = Byte();
            len |= static_cast<std::size_t>(Byte()) << 8;
            len %= 1101;
            if (len > m_in.size() - m_pos) len = m_in.size() - m_pos;
            items.push_back(
                {delay, Bytes(m_in.begin() + static_cast<std::ptrdiff_t>(m_pos),
                              m_in.begin() + static_cast<std::ptrdiff_t>(m_pos + len))});
            m_pos += len;
        }
        return items;
    }

private:
    std::uint8_t Byte() { return m_pos < m_in.size() ? m_in[m_pos++] : 0; }
    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
};

// The inverse, for writing corpus files.
inline void AppendBatch(Bytes& out, const std::vector<std::pair<std::uint8_t, Bytes>>& datagrams)
{
    out.push_back(static_cast<std::uint8_t>(datagrams.size()));
    for (const auto& [delay, bytes] : datagrams) {
        out.push_back(delay);
        out.push_back(static_cast<std::uint8_t>(bytes.size()));
        out.push_back(static_cast<std::uint8_t>(bytes.size() >> 8));
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
}

}  // namespace fuzzing
