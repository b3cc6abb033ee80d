// Administrator verification and the two wizard writes: outcomes, messages and their order
// against the release, waits, and what a fake adapter does with the writes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sockets/fake_sockets.h"
#include "protocol/messages.h"
#include "protocol/settings.h"
#include "protocol/verify.h"
#include "test_support.h"

using namespace protocol;
using namespace std::chrono_literals;
using sockets::FakeAdapter;
using sockets::FakeNetwork;
using sockets::FakeSocketApi;
using testing_support::kMac;
using testing_support::kOtherMac;
using testing_support::Recorder;

namespace {

struct WriteTest : ::testing::Test {
    FakeNetwork net;
    FakeSocketApi api{net};
    Recorder sink;
    FakeAdapter& adapter = net.AddAdapter(kMac);
    std::size_t openAtMessage = 99;

    WriteTest()
    {
        adapter.adminUser = "administrator123";
        adapter.adminPassword = "pass1234";
        sink.onMessage = [this] { openAtMessage = api.OpenSockets(); };
    }
    VerifyResult Verify(std::string_view user, std::string_view password)
    {
        return VerifyAdministrator(api, sink.AsSink(), kMac, user, password);
    }
    NetworkSettings Network()
    {
        NetworkSettings s;
        s.ipMode = 0;
        s.addresses = {"10.0.0.1", "255.255.255.255", "10.0.0.254", "10.0.0.53", ""};
        return s;
    }
};

}  // namespace

TEST_F(WriteTest, VerifyAcceptedAndRefused)
{
    EXPECT_EQ(Verify("administrator123", "pass1234"), VerifyResult::Accepted);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(Verify("administrator123", "wrong"), VerifyResult::Refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Verify failed!"});
    EXPECT_EQ(openAtMessage, 1u);
    ASSERT_EQ(net.Sent().size(), 2u);
    EXPECT_EQ(net.Sent()[0].bytes.size(), 44u);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(WriteTest, VerifyOtherCmdEndsTheWaitSilently)
{
    adapter.replyCmd = CMD_GET_DISK_INFO;
    adapter.delay = 300ms;
    EXPECT_EQ(Verify("administrator123", "pass1234"), VerifyResult::OtherReply);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(api.Now(), 300ms);  // no waiting for a later reply
}

TEST_F(WriteTest, VerifyTooShortToCarryAStatusIsNotSuccess)
{
    adapter.truncateTo = 3;  // cmd 21 and half a status
    EXPECT_EQ(Verify("administrator123", "wrong"), VerifyResult::OtherReply);
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(WriteTest, VerifyAnyDeviceMayAnswer)
{
    adapter.silent = true;
    net.Inject(sockets::FakeMessage(CMD_VERIFY, 0, kOtherMac), 1000ms);
    EXPECT_EQ(Verify("x", "y"), VerifyResult::Accepted);
}

TEST_F(WriteTest, VerifyTimeOutIsTwentyWaitsOf200ms)
{
    adapter.silent = true;
    EXPECT_EQ(Verify("administrator123", "pass1234"), VerifyResult::TimedOut);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Time out:Verify name & password!"});
    EXPECT_EQ(openAtMessage, 1u);
    EXPECT_EQ(api.WaitCount(), 20);
    EXPECT_EQ(api.RecvCalls(), 21);
    for (const auto& w : api.Waits()) EXPECT_EQ(w.interval, 200ms);
    EXPECT_EQ(api.Now(), 4000ms);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(WriteTest, VerifyWithoutLibraryOrSocketSendsNothing)
{
    api.faults.failOpenUdp = true;
    EXPECT_EQ(Verify("a", "b"), VerifyResult::NotSent);
    api.faults.failOpenUdp = false;
    api.faults.startupResult = 10091;
    EXPECT_EQ(Verify("a", "b"), VerifyResult::NotSent);
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_EQ(sink.messages.size(), 2u);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(WriteTest, SystemWriteReachesTheAdapterWhateverItAnswers)
{
    SystemSettings s;
    std::memcpy(s.name.data(), "NAS-ADAPTER", 11);
    s.description = "New desc";
    s.year = 2027;
    s.month = 12;
    s.day = 31;
    s.hour = 23;
    s.minute = 59;
    s.second = 58;
    s.timezone = 3;
    WriteOutcome out = WriteSystemInfo(api, sink.AsSink(), kMac, s);
    EXPECT_TRUE(out.sent);
    EXPECT_TRUE(out.answered);
    EXPECT_FALSE(out.refused);
    EXPECT_EQ(adapter.description, "New desc");
    EXPECT_EQ(adapter.date, "20271231");
    EXPECT_EQ(adapter.time, "235958");
    EXPECT_EQ(adapter.timezone, 3);
    EXPECT_EQ(adapter.passwordRequired, 0);

    adapter.silent = true;
    out = WriteSystemInfo(api, sink.AsSink(), kMac, s);
    EXPECT_TRUE(out.sent);
    EXPECT_FALSE(out.answered);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(api.WaitCount(api.UdpHandles()[1]), 200);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(WriteTest, NetworkWriteOutcomes)
{
    WriteOutcome ok = WriteNetworkInfo(api, sink.AsSink(), kMac, Network());
    EXPECT_TRUE(ok.answered);
    EXPECT_FALSE(ok.refused);
    EXPECT_EQ(adapter.addresses[1], "255.255.255.255");
    EXPECT_TRUE(sink.messages.empty());

    adapter.refuseNetwork = true;
    WriteOutcome refused = WriteNetworkInfo(api, sink.AsSink(), kMac, Network());
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Set network info failed!"});
    EXPECT_EQ(openAtMessage, 1u);

    // cmd 18 with status 5 is not a refusal, nor is a reply too short to hold a status.
    net.ClearResponders();
    net.AddResponder([](const sockets::FakeDatagram&) {
        return std::vector<sockets::FakeReply>{
            {sockets::FakeMessage(CMD_GET_NETWORK_INFO, 5, kMac)}};
    });
    EXPECT_FALSE(WriteNetworkInfo(api, sink.AsSink(), kMac, Network()).refused);
    net.ClearResponders();
    net.AddResponder([](const sockets::FakeDatagram&) {
        return std::vector<sockets::FakeReply>{{testing_support::Bytes({19, 0, 1})}};
    });
    WriteOutcome shortReply = WriteNetworkInfo(api, sink.AsSink(), kMac, Network());
    EXPECT_TRUE(shortReply.answered);
    EXPECT_FALSE(shortReply.refused);

    net.ClearResponders();
    WriteOutcome silent = WriteNetworkInfo(api, sink.AsSink(), kMac, Network());
    EXPECT_FALSE(silent.answered);
    EXPECT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(WriteTest, WritesThatCannotStartStayOnThePage)
{
    api.faults.failOpenUdp = true;
    EXPECT_FALSE(WriteNetworkInfo(api, sink.AsSink(), kMac, Network()).sent);
    EXPECT_FALSE(WriteSystemInfo(api, sink.AsSink(), kMac, {}).sent);
    EXPECT_EQ(sink.messages,
              (std::vector<std::string>{"Network communication failed with error 0\n",
                                        "Network communication failed with error 0\n"}));
    api.faults.failOpenUdp = false;
    api.faults.failBroadcast = true;
    WriteOutcome noBroadcast = WriteNetworkInfo(api, sink.AsSink(), kMac, Network());
    EXPECT_TRUE(noBroadcast.sent);
    EXPECT_FALSE(noBroadcast.answered);
    EXPECT_EQ(sink.messages.back(), "Network communication failed with error -1\n");
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_TRUE(api.Balanced());
}

namespace {

// What an unchanged page sends, the starting point of every front end's write.
TEST(CurrentSettings, UnchangedPagesFollowTheWizardsRules)
{
    testing_support::SetTimeZoneVariable("UTC0");
    DeviceInfo d;
    std::memcpy(d.name.data(), "NAS", 3);
    std::memcpy(d.description.data(), "Office", 6);
    std::memcpy(d.date.data(), "20250230", 8);
    std::memcpy(d.time.data(), "120000", 6);
    d.timezone = 80;
    d.passwordRequired = 1;
    const CalendarTime clock{2030, 6, 7, 8, 9, 10};
    SystemSettings s = CurrentSystemSettings(d, clock);
    EXPECT_EQ("Office", s.description);
    EXPECT_TRUE(s.passwordRequired);
    EXPECT_EQ(255, s.timezone) << "a timezone past the list selects nothing";
    EXPECT_EQ((std::array<int, 6>{2025, 3, 2, 12, 0, 0}),
              (std::array<int, 6>{s.year, s.month, s.day, s.hour, s.minute, s.second}))
        << "February 30th carries into March";
    std::memcpy(d.date.data(), "00000000", 8);
    s = CurrentSystemSettings(d, clock);
    EXPECT_EQ((std::array<int, 6>{2030, 6, 7, 8, 9, 10}),
              (std::array<int, 6>{s.year, s.month, s.day, s.hour, s.minute, s.second}))
        << "no usable date: the clock";

    d.ipMode = 2;
    std::memcpy(d.ipAddress.data(), "192.0.2.7", 9);
    const NetworkSettings n = CurrentNetworkSettings(d);
    EXPECT_EQ(1, n.ipMode) << "any mode but static shows as DHCP";
    EXPECT_EQ("192.0.2.7", n.addresses[0]);
    EXPECT_EQ("0.0.0.0", n.addresses[1]) << "an empty address";
    for (const auto& [in, out] :
         std::vector<std::pair<const char*, const char*>>{{"010.1.1.1", "10.1.1.1"},
                                                          {" 1.2.3.4 ", "1.2.3.4"},
                                                          {"1.2.3", "1.2.3.0"},
                                                          {"256.1.+1.x", "0.1.0.0"},
                                                          {"1.2.3.4.5", "1.2.3.4"},
                                                          {"1.2.3.4444", "1.2.3.0"}}) {
        EXPECT_EQ(out, NormalizedAddress(in)) << in;
    }
    testing_support::SetTimeZoneVariable("");
}

}  // namespace
