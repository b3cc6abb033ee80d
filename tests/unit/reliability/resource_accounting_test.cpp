// Resource accounting over the fake segment: every operation that talks to adapters gives
// back every socket it opened and every start-up of the socket library, on success, on each
// time-out and on each failure of a socket step. Each case also checks that the path it names
// was really taken, so a balance is never reached by skipping the work.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/sockets/fake_sockets.h"
#include "protocol/discovery.h"
#include "protocol/messages.h"
#include "protocol/settings.h"
#include "protocol/status_query.h"
#include "protocol/verify.h"

namespace {

using sockets::FakeAdapter;
using sockets::FakeNetwork;
using sockets::FakeSocketApi;

constexpr FakeAdapter::MacBytes kMac{0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

struct Recorder : protocol::StatusView, protocol::DiscoveryView {
    std::vector<std::string> messages;
    int devices = 0;
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void AddDevice(std::unique_ptr<protocol::DeviceInfo>) override { ++devices; }
    void ClearDeviceInfo() override {}
    void ShowPanel(const protocol::DeviceInfo&) override {}
    void ShowDisks(const std::vector<protocol::Disk>&) override {}
    void EnableDeviceCommands() override {}
};

protocol::MessageSink& Sink(Recorder& r)
{
    return static_cast<protocol::StatusView&>(r);
}

// What an operation did, in one comparable line: its result, then every message shown.
using Operation = std::function<std::string(FakeSocketApi&, Recorder&)>;

std::string WithMessages(std::string result, const Recorder& r)
{
    for (const auto& m : r.messages) result += " | " + m;
    return result;
}

std::string Discover(FakeSocketApi& api, Recorder& r)
{
    protocol::DiscoverDevices(api, r);
    return WithMessages(std::to_string(r.devices) + " devices", r);
}

std::string Status(FakeSocketApi& api, Recorder& r)
{
    protocol::DeviceInfo device;
    device.mac = kMac;
    const char* names[] = {"completed", "not started", "timed out"};
    const auto result = protocol::QueryDeviceStatus(api, device, r);
    return WithMessages(names[static_cast<int>(result)], r);
}

std::string Verify(FakeSocketApi& api, Recorder& r)
{
    const char* names[] = {"accepted", "refused", "other reply", "timed out", "not sent"};
    const auto result = protocol::VerifyAdministrator(api, Sink(r), kMac, "admin", "admin");
    return WithMessages(names[static_cast<int>(result)], r);
}

std::string Outcome(const protocol::WriteOutcome& o)
{
    if (!o.sent) return "not sent";
    if (o.refused) return "refused";
    return o.answered ? "answered" : "no answer";
}

std::string WriteSystem(FakeSocketApi& api, Recorder& r)
{
    protocol::SystemSettings s;
    s.description = "Office";
    return WithMessages(Outcome(protocol::WriteSystemInfo(api, Sink(r), kMac, s)), r);
}

std::string WriteNetwork(FakeSocketApi& api, Recorder& r)
{
    protocol::NetworkSettings s;
    s.addresses = {"192.0.2.2", "255.255.255.0", "192.0.2.1", "192.0.2.53", "192.0.2.54"};
    return WithMessages(Outcome(protocol::WriteNetworkInfo(api, Sink(r), kMac, s)), r);
}

struct Case {
    const char* name;
    Operation run;
    std::function<void(FakeSocketApi&, FakeAdapter&)> setup;
    std::string expected;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<Case>& param)
{
    return param.param.name;
}

class Accounting : public ::testing::TestWithParam<Case> {};

TEST_P(Accounting, ReleasesSocketsAndLibrary)
{
    const Case& c = GetParam();
    FakeNetwork net;
    FakeAdapter& adapter = net.AddAdapter(kMac);
    adapter.shares = {"a", "b", "c"};
    adapter.disks = {{"usb0", "sda1", "ext4", 953, 37}};
    FakeSocketApi api(net);
    if (c.setup) c.setup(api, adapter);
    Recorder r;

    EXPECT_EQ(c.run(api, r), c.expected);
    EXPECT_TRUE(api.Balanced()) << "start-ups " << api.Startups() << ", releases " << api.Cleanups()
                                << ", opens " << api.Opens() << ", closes " << api.Closes()
                                << ", stray closes " << api.BadCloses();
    EXPECT_EQ(api.OpenSockets(), 0u);
    EXPECT_EQ(api.BadCloses(), 0);
}

// --- Fault switches, shared by the operations -----------------------------------------------

void NoStartup(FakeSocketApi& api, FakeAdapter&)
{
    api.faults.startupResult = 10091;
}
void NoUdp(FakeSocketApi& api, FakeAdapter&)
{
    api.faults.failOpenUdp = true;
}
void NoBroadcast(FakeSocketApi& api, FakeAdapter&)
{
    api.faults.failBroadcast = true;
    api.faults.dropSends = true;  // without permission nothing goes out
}
void BadCleanup(FakeSocketApi& api, FakeAdapter&)
{
    api.faults.cleanupError = 10093;
}
void RecvFails(FakeSocketApi& api, FakeAdapter&)
{
    api.faults.failRecv = true;
}
void Silent(FakeSocketApi&, FakeAdapter& a)
{
    a.silent = true;
}
std::function<void(FakeSocketApi&, FakeAdapter&)> SilentFor(std::uint16_t cmd)
{
    return [cmd](FakeSocketApi&, FakeAdapter& a) { a.silentFor.insert(cmd); };
}
std::function<void(FakeSocketApi&, FakeAdapter&)> AnswerWith(std::uint16_t cmd)
{
    return [cmd](FakeSocketApi&, FakeAdapter& a) { a.replyCmd = cmd; };
}

const std::string kNetFail = "Network communication failed with error ";

INSTANTIATE_TEST_SUITE_P(
    Discovery, Accounting,
    ::testing::Values(
        Case{"answered", Discover, nullptr, "1 devices"},
        Case{"silent", Discover, Silent, "0 devices"},
        Case{"no_startup", Discover, NoStartup, "0 devices | " + kNetFail + "10091\n"},
        Case{"no_udp_socket", Discover, NoUdp, "0 devices | " + kNetFail + "0\n"},
        Case{"no_tcp_socket", Discover,
             [](FakeSocketApi& api, FakeAdapter&) { api.faults.failOpenTcp = true; },
             "0 devices | Creating Server socket failed!\n"},
        Case{"no_broadcast", Discover, NoBroadcast, "0 devices | " + kNetFail + "-1\n"},
        Case{"no_receive_buffer", Discover,
             [](FakeSocketApi& api, FakeAdapter&) { api.faults.failReceiveBuffer = true; },
             "1 devices"},
        Case{"receive_fails", Discover, RecvFails, "0 devices"},
        Case{"cleanup_fails", Discover, BadCleanup,
             "1 devices | WSACleanup failed with error 10093\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    StatusQuery, Accounting,
    ::testing::Values(
        Case{"completed", Status, nullptr, "completed"},
        Case{"system_info_timeout", Status, SilentFor(protocol::CMD_GET_SYSTEM_INFO),
             "timed out | Time out:get system info!"},
        Case{"network_info_timeout", Status, SilentFor(protocol::CMD_GET_NETWORK_INFO),
             "timed out | Time out:get network info!"},
        Case{"share_count_timeout", Status, SilentFor(protocol::CMD_GET_SHARE_COUNT),
             "timed out | Time out:get share number!"},
        Case{"share_list_timeout", Status, SilentFor(protocol::CMD_GET_SHARE_LIST),
             "timed out | Time out:get share list!"},
        Case{"disk_info_timeout", Status, SilentFor(protocol::CMD_GET_DISK_INFO),
             "timed out | Time out:get share number!"},
        Case{"foreign_replies", Status, AnswerWith(99), "completed"},
        Case{"no_startup", Status, NoStartup, "not started | " + kNetFail + "10091\n"},
        Case{"no_udp_socket", Status, NoUdp, "not started | " + kNetFail + "0\n"},
        Case{"no_broadcast", Status, NoBroadcast,
             "timed out | " + kNetFail + "-1\n | Time out:get system info!"},
        Case{"receive_fails", Status, RecvFails, "timed out | Time out:get system info!"},
        Case{"cleanup_fails", Status, BadCleanup,
             "completed | WSACleanup failed with error 10093\n"},
        Case{"cleanup_fails_after_timeout", Status,
             [](FakeSocketApi& api, FakeAdapter& a) {
                 api.faults.cleanupError = 10093;
                 a.silent = true;
             },
             "timed out | Time out:get system info! | WSACleanup failed with error 10093\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Verify, Accounting,
    ::testing::Values(
        Case{"accepted", Verify, nullptr, "accepted"},
        Case{"refused", Verify, [](FakeSocketApi&, FakeAdapter& a) { a.adminPassword = "other"; },
             "refused | Verify failed!"},
        Case{"other_reply", Verify, AnswerWith(protocol::CMD_GET_NETWORK_INFO), "other reply"},
        Case{"timed_out", Verify, Silent, "timed out | Time out:Verify name & password!"},
        Case{"no_startup", Verify, NoStartup, "not sent | " + kNetFail + "10091\n"},
        Case{"no_udp_socket", Verify, NoUdp, "not sent | " + kNetFail + "0\n"},
        Case{"no_broadcast", Verify, NoBroadcast,
             "timed out | " + kNetFail + "-1\n | Time out:Verify name & password!"},
        Case{"cleanup_fails", Verify, BadCleanup,
             "accepted | WSACleanup failed with error 10093\n"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Writes, Accounting,
    ::testing::Values(
        Case{"system_answered", WriteSystem, nullptr, "answered"},
        Case{"system_no_answer", WriteSystem, Silent, "no answer"},
        Case{"system_no_startup", WriteSystem, NoStartup, "not sent | " + kNetFail + "10091\n"},
        Case{"system_no_udp_socket", WriteSystem, NoUdp, "not sent | " + kNetFail + "0\n"},
        Case{"system_no_broadcast", WriteSystem, NoBroadcast, "no answer | " + kNetFail + "-1\n"},
        Case{"system_cleanup_fails", WriteSystem, BadCleanup,
             "answered | WSACleanup failed with error 10093\n"},
        Case{"network_answered", WriteNetwork, nullptr, "answered"},
        Case{"network_refused", WriteNetwork,
             [](FakeSocketApi&, FakeAdapter& a) { a.refuseNetwork = true; },
             "refused | Set network info failed!"},
        Case{"network_no_answer", WriteNetwork, Silent, "no answer"},
        Case{"network_no_startup", WriteNetwork, NoStartup, "not sent | " + kNetFail + "10091\n"},
        Case{"network_no_udp_socket", WriteNetwork, NoUdp, "not sent | " + kNetFail + "0\n"},
        Case{"network_no_broadcast", WriteNetwork, NoBroadcast, "no answer | " + kNetFail + "-1\n"},
        Case{"network_cleanup_fails", WriteNetwork, BadCleanup,
             "answered | WSACleanup failed with error 10093\n"}),
    CaseName);

// One host running every operation again and again, with faults coming and going: the
// counters must balance after each run, not only at the end.
TEST(AccountingOverTime, BalancedAfterEveryRunOfAMixedSequence)
{
    FakeNetwork net;
    FakeAdapter& adapter = net.AddAdapter(kMac);
    adapter.shares.assign(45, "share");
    FakeSocketApi api(net);
    const Operation ops[] = {Discover, Status, Verify, WriteSystem, WriteNetwork};
    for (int i = 0; i < 60; ++i) {
        adapter.silent = (i % 7 == 3);
        api.faults.failOpenUdp = (i % 11 == 5);
        api.faults.cleanupError = (i % 13 == 8) ? 10093 : 0;
        Recorder r;
        ops[i % 5](api, r);
        ASSERT_TRUE(api.Balanced()) << "after run " << i;
        ASSERT_EQ(api.OpenSockets(), 0u) << "after run " << i;
    }
    EXPECT_GT(api.Startups(), 40);
}

}  // namespace
