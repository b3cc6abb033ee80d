// Discovery: the request and the listening-socket step, counting of empty polls, which
// replies become records, and the failure paths with their messages.
#include <gtest/gtest.h>

#include "platform/sockets/fake_sockets.h"
#include "protocol/discovery.h"
#include "protocol/messages.h"
#include "test_support.h"

using namespace protocol;
using namespace std::chrono_literals;
using sockets::FakeAdapter;
using sockets::FakeNetwork;
using sockets::FakeSocketApi;
using testing_support::Recorder;

namespace {

FakeAdapter::MacBytes MacNo(int i)
{
    return {0x02,
            0x00,
            0x00,
            static_cast<std::uint8_t>(i >> 16),
            static_cast<std::uint8_t>(i >> 8),
            static_cast<std::uint8_t>(i)};
}

struct DiscoveryTest : ::testing::Test {
    FakeNetwork net;
    FakeSocketApi api{net};
    Recorder view;

    std::vector<std::uint8_t> ValidReply(int i)
    {
        FakeAdapter a(MacNo(i));
        a.name = "dev" + std::to_string(i);
        return a.DiscoveryReply();
    }
};

}  // namespace

TEST_F(DiscoveryTest, NoAnswerTakesTwentyFullWaitsAndShowsNothing)
{
    DiscoverDevices(api, view);
    EXPECT_TRUE(view.devices.empty());
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(api.RecvCalls(), 21);
    ASSERT_EQ(api.WaitCount(), 20);
    for (const auto& w : api.Waits()) {
        EXPECT_EQ(w.kind, sockets::WaitKind::FullInterval);
        EXPECT_EQ(w.interval, 100ms);
    }
    EXPECT_EQ(api.Now(), 2000ms);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(DiscoveryTest, RequestAndListeningSocketStep)
{
    DiscoverDevices(api, view);
    EXPECT_EQ(api.RequestedVersions(), std::vector<std::uint16_t>{sockets::MakeVersion(2, 2)});
    ASSERT_EQ(net.Sent().size(), 1u);
    EXPECT_EQ(net.Sent()[0].bytes, std::vector<std::uint8_t>(12, 0));
    EXPECT_EQ(net.Sent()[0].addr, sockets::kAddrBroadcast);
    EXPECT_EQ(net.Sent()[0].port, 1638);
    EXPECT_FALSE(net.Sent()[0].chosen) << "one interface: the system's route, as ever";
    EXPECT_EQ(api.LastReceiveBuffer(), kDiscoveryReceiveBuffer);
    EXPECT_EQ(api.UdpOpens(), 1);
    EXPECT_EQ(api.TcpOpens(), 1);
    // The stream socket on 1638 first, then the request socket on a port of its range.
    ASSERT_EQ(api.Binds().size(), 2u);
    EXPECT_EQ(api.Binds()[0].addr, sockets::kAddrAny);
    EXPECT_EQ(api.Binds()[0].port, 1638);
    EXPECT_EQ(api.Binds()[1].socket, api.UdpHandles().at(0));
    EXPECT_GE(api.Binds()[1].port, 16380);
    EXPECT_LE(api.Binds()[1].port, 16387);
    EXPECT_EQ(net.Sent()[0].fromPort, api.Binds()[1].port);
    ASSERT_EQ(api.Listens().size(), 1u);
    EXPECT_EQ(api.Listens()[0].backlog, 5);
    EXPECT_EQ(api.Listens()[0].socket, api.Binds()[0].socket);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(DiscoveryTest, DevicesInOrderOfArrivalDuplicatesTwiceAndFullNames)
{
    FakeAdapter& a = net.AddAdapter(MacNo(1));
    a.name = "0123456789ABCDEF";
    a.webPort = 8080;
    a.delay = 300ms;
    FakeAdapter& b = net.AddAdapter(MacNo(2));
    b.name = "second";
    b.copies = 2;
    b.delay = 100ms;
    DiscoverDevices(api, view);
    ASSERT_EQ(view.devices.size(), 3u);
    EXPECT_EQ(FieldText(view.devices[0]->name), "second");
    EXPECT_EQ(FieldText(view.devices[1]->name), "second");
    EXPECT_NE(view.devices[0].get(), view.devices[1].get());
    EXPECT_EQ(FieldText(view.devices[2]->name), "0123456789ABCDEF");
    EXPECT_EQ(view.devices[2]->webPort, 8080);
    EXPECT_EQ(view.devices[2]->mac, MacNo(1));
    EXPECT_EQ(FieldText(view.devices[2]->ipAddress), "192.0.2.2");
    EXPECT_EQ(api.WaitCount(), 20);
    EXPECT_EQ(api.Now(), 2000ms);
}

TEST_F(DiscoveryTest, RepliesDoNotResetTheCountAndInvalidOnesAreSkippedAtOnce)
{
    auto wrongSignature = ValidReply(7);
    wrongSignature[15] = '2';  // "0102"
    auto wrongCmd = ValidReply(8);
    wrongCmd[0] = 16;
    net.Inject(ValidReply(1), 550ms);
    net.Inject(wrongSignature, 1050ms);
    net.Inject(wrongCmd, 1050ms);
    net.Inject(ValidReply(2), 1050ms);
    net.Inject({}, 1950ms);
    net.Inject(ValidReply(3), 1950ms);
    DiscoverDevices(api, view);
    ASSERT_EQ(view.devices.size(), 3u);
    EXPECT_EQ(view.devices[1]->mac, MacNo(2));
    // Six datagrams and 21 empty polls; the datagrams cost no waits.
    EXPECT_EQ(api.RecvCalls(), 27);
    EXPECT_EQ(api.WaitCount(), 20);
    EXPECT_EQ(api.Now(), 2000ms);
}

TEST_F(DiscoveryTest, AThousandAdaptersAreAllListed)
{
    for (int i = 0; i < 1000; ++i) net.AddAdapter(MacNo(i)).name = "nas" + std::to_string(i);
    DiscoverDevices(api, view);
    ASSERT_EQ(view.devices.size(), 1000u);
    EXPECT_EQ(FieldText(view.devices[999]->name), "nas999");
    EXPECT_EQ(api.WaitCount(), 20);
}

TEST_F(DiscoveryTest, ServerSocketFailure)
{
    net.AddAdapter(MacNo(1));
    api.faults.failOpenTcp = true;
    DiscoverDevices(api, view);
    EXPECT_EQ(view.messages, std::vector<std::string>{"Creating Server socket failed!\n"});
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_TRUE(view.devices.empty());
    EXPECT_EQ(api.UdpOpens(), 1);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(DiscoveryTest, LibraryAndDatagramSocketFailures)
{
    api.faults.startupResult = 10091;
    DiscoverDevices(api, view);
    api.faults.startupResult = 0;
    api.faults.failOpenUdp = true;
    DiscoverDevices(api, view);
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{"Network communication failed with error 10091\n",
                                        "Network communication failed with error 0\n"}));
    EXPECT_EQ(api.TcpOpens(), 0);
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_TRUE(api.Balanced());
}

TEST_F(DiscoveryTest, BroadcastRefusedMeansAnEmptyList)
{
    net.AddAdapter(MacNo(1));
    api.faults.failBroadcast = true;
    DiscoverDevices(api, view);
    EXPECT_EQ(view.messages,
              std::vector<std::string>{"Network communication failed with error -1\n"});
    EXPECT_TRUE(view.devices.empty());
    EXPECT_EQ(api.WaitCount(), 20);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(DiscoveryTest, CleanupFailureComesAfterTheDevices)
{
    net.AddAdapter(MacNo(1));
    api.faults.cleanupError = 10093;
    DiscoverDevices(api, view);
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"device", "message:WSACleanup failed with error 10093\n"}));
}
