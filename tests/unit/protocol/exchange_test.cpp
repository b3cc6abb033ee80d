// The management exchange: start-up and socket failures with their numbers, waits and
// receive attempts, the first datagram as the reply, and release on every path.
#include <gtest/gtest.h>

#include "platform/sockets/fake_sockets.h"
#include "platform/sockets/source_port.h"
#include "protocol/exchange.h"
#include "protocol/messages.h"
#include "test_support.h"

using namespace protocol;
using namespace std::chrono_literals;
using sockets::FakeNetwork;
using sockets::FakeSocketApi;
using testing_support::Bytes;
using testing_support::kMac;
using testing_support::Recorder;

namespace {

struct ExchangeTest : ::testing::Test {
    FakeNetwork net;
    FakeSocketApi api{net};
    Recorder sink;
};

}  // namespace

TEST_F(ExchangeTest, NWaitsMeanNPlusOneAttemptsAndTheFullTimeOut)
{
    {
        Session session(api, sink.AsSink());
        ASSERT_TRUE(session.ok());
        auto reply = session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, {7, 100ms});
        EXPECT_FALSE(reply);
        EXPECT_EQ(api.RecvCalls(), 8);
        EXPECT_EQ(api.WaitCount(), 7);
        EXPECT_EQ(api.Now(), 700ms);
        for (const auto& w : api.Waits()) EXPECT_EQ(w.kind, sockets::WaitKind::UntilDatagram);
    }
    EXPECT_TRUE(api.Balanced());
    EXPECT_EQ(api.RequestedVersions(), std::vector<std::uint16_t>{kLibraryVersion});
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(net.Sent().size(), 1u);
    EXPECT_EQ(net.Sent()[0].addr, sockets::kAddrBroadcast);
    EXPECT_EQ(net.Sent()[0].port, MGMT_PORT);
}

TEST_F(ExchangeTest, FirstDatagramEndsTheWaitWhoeverSentIt)
{
    // Another device answers first, with something else; it is the reply all the same.
    net.Inject(Bytes({0x20, 0, 0, 0}), 350ms);
    net.AddResponder([](const sockets::FakeDatagram&) {
        return std::vector<sockets::FakeReply>{{Bytes({0x10, 0, 0, 0}), 900ms}};
    });
    Session session(api, sink.AsSink());
    auto reply = session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Header().cmd, 0x20);
    EXPECT_EQ(api.Now(), 350ms);  // woke at the arrival
    EXPECT_EQ(api.WaitCount(), 4);

    // A zero-length datagram is a datagram too.
    net.Inject({}, api.Now() + 10ms);
    auto empty = session.Exchange(CMD_GET_NETWORK_INFO, kMac, {}, kStatusWait);
    ASSERT_TRUE(empty);  // it arrives before the reply still on its way
    EXPECT_EQ(empty->Header().cmd, 0);
    EXPECT_EQ(empty->size(), 0u);
}

TEST_F(ExchangeTest, EachOperationTakesTheNextFreePortOfTheRangeElseWhereTheSystemChooses)
{
    using sockets::NextInSourceRange;
    net.AddAdapter(kMac);
    const std::uint16_t start = sockets::NextSourcePort();
    {
        Session first(api, sink.AsSink());
        api.faults.udpPortsInUse = {NextInSourceRange(start)};  // another program's
        Session second(api, sink.AsSink());
        EXPECT_TRUE(first.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait));
        EXPECT_TRUE(second.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait));
    }
    {
        // Not the port of the operation before, though it is free again: an answer that
        // comes late for that one must not reach this one.
        api.faults.udpPortsInUse.clear();
        Session third(api, sink.AsSink());
        third.Send(CMD_GET_SYSTEM_INFO, kMac, {});
    }
    ASSERT_EQ(net.Sent().size(), 3u);
    EXPECT_GE(start, 16380);
    EXPECT_LE(start, 16387);
    EXPECT_EQ(net.Sent()[0].fromPort, start);
    EXPECT_EQ(net.Sent()[1].fromPort, NextInSourceRange(NextInSourceRange(start)));
    EXPECT_EQ(net.Sent()[2].fromPort, NextInSourceRange(net.Sent()[1].fromPort));
    EXPECT_EQ(sink.sourcePortFallbacks, 0);

    // All taken: the system's port, the front end is told, and the exchange works as ever.
    for (std::uint16_t p = 16380; p <= 16387; ++p) api.faults.udpPortsInUse.insert(p);
    const std::size_t bindsBefore = api.Binds().size();
    {
        Session session(api, sink.AsSink());
        EXPECT_TRUE(session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait));
    }
    EXPECT_EQ(api.Binds().size() - bindsBefore, 8u) << "each port of the range once, no other";
    EXPECT_EQ(net.Sent().back().fromPort, 0);
    EXPECT_EQ(sink.sourcePortFallbacks, 1);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(api.Balanced());
}

TEST_F(ExchangeTest, StartupFailureShowsItsResultAndReleasesNothing)
{
    api.faults.startupResult = 10091;
    Session session(api, sink.AsSink());
    EXPECT_FALSE(session.ok());
    EXPECT_FALSE(session.Exchange(CMD_VERIFY, kMac, {}, kVerifyWait));
    session.Release();
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Network communication failed with error 10091\n"});
    EXPECT_EQ(api.Cleanups(), 0);
    EXPECT_EQ(api.Opens(), 0);
    EXPECT_TRUE(net.Sent().empty());
}

TEST_F(ExchangeTest, VersionNotOfferedIsAStartupFailure)
{
    api.faults.offeredVersion = sockets::MakeVersion(2, 2);
    Session session(api, sink.AsSink());
    EXPECT_FALSE(session.ok());
    EXPECT_EQ(sink.messages, std::vector<std::string>{FormatText(
                                 text::kNetworkFailed, sockets::kFakeVersionNotSupported)});
}

TEST_F(ExchangeTest, SocketFailureShowsZeroAndReleasesTheLibrary)
{
    api.faults.failOpenUdp = true;
    {
        Session session(api, sink.AsSink());
        EXPECT_FALSE(session.ok());
    }
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Network communication failed with error 0\n"});
    EXPECT_EQ(api.Startups(), 1);
    EXPECT_EQ(api.Cleanups(), 1);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(ExchangeTest, BroadcastFailureShowsMinusOneAndGoesOn)
{
    api.faults.failBroadcast = true;
    {
        Session session(api, sink.AsSink());
        EXPECT_TRUE(session.ok());
        EXPECT_FALSE(session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, {3, 100ms}));
    }
    EXPECT_EQ(sink.messages,
              std::vector<std::string>{"Network communication failed with error -1\n"});
    EXPECT_TRUE(net.Sent().empty());  // without permission nothing goes out
    EXPECT_EQ(api.RecvCalls(), 4);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(ExchangeTest, CleanupFailureShowsTheLastErrorOnce)
{
    api.faults.cleanupError = 10093;
    {
        Session session(api, sink.AsSink());
        session.Release();
        session.Release();
    }
    EXPECT_EQ(sink.messages, std::vector<std::string>{"WSACleanup failed with error 10093\n"});
    EXPECT_EQ(api.Cleanups(), 1);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(ExchangeTest, DatagramsThatCannotBeTakenDoNotShortenTheWaits)
{
    // A flood of oversized datagrams, and copies the caller names late, every 20 ms: each wakes
    // a wait, none ends it early.
    for (int t = 5; t < 21000; t += 20) {
        net.Inject(std::vector<std::uint8_t>(1500, 0x11), std::chrono::milliseconds(t));
        net.Inject(Bytes({0x10, 0, 0, 0}), std::chrono::milliseconds(t + 1));
    }
    Session session(api, sink.AsSink());
    const auto late = [](const Datagram& d) { return d.Header().cmd == 0x10; };
    EXPECT_FALSE(session.Exchange(CMD_GET_NETWORK_INFO, kMac, {}, kStatusWait, late));
    EXPECT_EQ(api.Now(), 20000ms);
    ASSERT_EQ(net.Sent().size(), 1u) << "sent once unless resends are asked for";
}

TEST_F(ExchangeTest, ResendsAtADoublingIntervalWithinTheTimeOutAndNotOnceAnswered)
{
    SetResendPolicy(kFieldResends);
    {
        Session session(api, sink.AsSink());
        EXPECT_FALSE(session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait));
        std::vector<long> at;
        for (const auto& d : net.Sent()) at.push_back(static_cast<long>(d.time.count()));
        EXPECT_EQ(at, (std::vector<long>{0, 1000, 3000, 7000, 15000}));
        for (const auto& d : net.Sent()) EXPECT_EQ(d.bytes, net.Sent()[0].bytes);
        EXPECT_EQ(api.Now(), 20000ms) << "the time-out stays what it was";
        EXPECT_EQ(session.RequestsSent(), 5);
    }
    // Verification's 4 s allow two resends; an answer in time means none at all.
    net.ClearSent();
    {
        Session session(api, sink.AsSink());
        EXPECT_FALSE(session.Exchange(CMD_VERIFY, kMac, {}, kVerifyWait));
        EXPECT_EQ(net.Sent().size(), 3u);
    }
    net.ClearSent();
    net.AddResponder([](const sockets::FakeDatagram&) {
        return std::vector<sockets::FakeReply>{{Bytes({0x10, 0, 0, 0}), 3ms}};
    });
    {
        Session session(api, sink.AsSink());
        EXPECT_TRUE(session.Exchange(CMD_GET_SYSTEM_INFO, kMac, {}, kStatusWait));
        EXPECT_EQ(net.Sent().size(), 1u);
    }
    SetResendPolicy({});
    EXPECT_TRUE(api.Balanced());
}
