// Several networks over the fake backend: discovery asks by every interface in one window,
// each record keeps where it answered and its later exchanges leave there, an adapter seen
// by two interfaces is listed once, and a record whose interface is gone falls back to the
// system's route.
#include <gtest/gtest.h>

#include "platform/sockets/fake_sockets.h"
#include "protocol/discovery.h"
#include "protocol/settings.h"
#include "protocol/verify.h"
#include "test_support.h"

using namespace protocol;
using namespace std::chrono_literals;
using sockets::FakeAdapter;
using sockets::FakeDatagram;
using testing_support::Recorder;

namespace {

const FakeAdapter::MacBytes kMacA{0x02, 0, 0, 0, 0, 1};
const FakeAdapter::MacBytes kMacB{0x02, 0, 0, 0, 0, 2};
const FakeAdapter::MacBytes kMacC{0x02, 0, 0, 0, 0, 3};

// fake0 (1, default route) with adapter A, lan2 (2) with B and lan3 (3) with C.
struct InterfacesTest : ::testing::Test {
    sockets::FakeNetwork net;
    sockets::FakeSocketApi api{net};
    Recorder view;

    InterfacesTest()
    {
        net.AddInterface("lan2", 2);
        net.AddInterface("lan3", 3);
        net.AddAdapter(kMacA);
        net.AddAdapter(kMacB).links = {2};
        net.AddAdapter(kMacC).links = {3};
    }
    std::vector<std::uint32_t> ViaOf(std::uint16_t cmd) const
    {
        std::vector<std::uint32_t> out;
        for (const FakeDatagram& d : net.SentWithCmd(cmd)) out.push_back(d.chosen ? d.via : 0);
        return out;
    }
};

}  // namespace

TEST_F(InterfacesTest, DiscoveryAsksByEachInterfaceWithinOneWindow)
{
    DiscoverDevices(api, view);
    ASSERT_EQ(net.Sent().size(), 3u);
    for (const FakeDatagram& d : net.Sent()) {
        EXPECT_EQ(d.bytes, std::vector<std::uint8_t>(12, 0));
        EXPECT_EQ(d.addr, sockets::kAddrBroadcast);
        EXPECT_EQ(d.socket, net.Sent()[0].socket) << "one socket";
    }
    EXPECT_EQ(ViaOf(CMD_DISCOVER), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(api.Now(), 2000ms);
    EXPECT_EQ(api.WaitCount(), 20);
    ASSERT_EQ(view.devices.size(), 3u);
    EXPECT_EQ(view.devices[0]->interfaceName, "fake0");
    EXPECT_EQ(view.devices[1]->interfaceName, "lan2");
    EXPECT_EQ(view.devices[2]->interfaceName, "lan3");
    EXPECT_TRUE(api.Balanced());

    net.ClearSent();
    view.devices.clear();
    DiscoverDevices(api, view, {"lan3"});
    EXPECT_EQ(ViaOf(CMD_DISCOVER), std::vector<std::uint32_t>{3});
    ASSERT_EQ(view.devices.size(), 1u);
    EXPECT_EQ(view.devices[0]->mac, kMacC);
}

TEST_F(InterfacesTest, AnAdapterAskedByManyInterfacesIsListedOnceWhereverItsAnswersArrive)
{
    // A laptop with Ethernet and Wi-Fi on one network: both requests reach the adapter, and
    // both answers come back by one interface (the PC answers address lookups on either).
    FakeAdapter& both = net.AddAdapter({0x02, 0, 0, 0, 0, 9});
    both.links = {2, 3};
    both.copies = 2;
    both.answersOn = 2;
    // Another device that claims the same MAC from another address is still a device.
    FakeAdapter& clone = net.AddAdapter({0x02, 0, 0, 0, 0, 9});
    clone.ipAddress = "192.0.2.250";
    clone.links = {3};
    DiscoverDevices(api, view);
    std::vector<std::string> seen;
    for (const auto& d : view.devices)
        if (d->mac == both.mac) seen.push_back(FieldText(d->ipAddress) + "@" + d->interfaceName);
    EXPECT_EQ(seen, (std::vector<std::string>{"192.0.2.2@lan2", "192.0.2.250@lan3"}));
    EXPECT_EQ(view.devices.size(), 5u);

    // One request by one interface: its doubles are listed as they come.
    view.devices.clear();
    DiscoverDevices(api, view, {"lan2"});
    EXPECT_EQ(view.devices.size(), 3u);
}

TEST_F(InterfacesTest, LaterExchangesLeaveByTheRecordsInterface)
{
    DiscoverDevices(api, view);
    DeviceInfo& b = *view.devices[1];
    net.ClearSent();
    EXPECT_EQ(QueryDeviceStatus(api, b, view), StatusResult::Completed);
    EXPECT_EQ(VerifyAdministrator(api, view.AsSink(), b.mac, "admin", "admin", RouteTo(b)),
              VerifyResult::Accepted);
    EXPECT_TRUE(WriteSystemInfo(api, view.AsSink(), b.mac, {}, RouteTo(b)).answered);
    EXPECT_TRUE(WriteNetworkInfo(api, view.AsSink(), b.mac, {}, RouteTo(b)).answered);
    for (const FakeDatagram& d : net.Sent()) {
        EXPECT_TRUE(d.chosen);
        EXPECT_EQ(d.via, 2u) << "cmd " << d.Cmd();
    }
    EXPECT_EQ(net.Sent().size(), 7u);  // four of the query (no shares), verify, two writes
    EXPECT_TRUE(api.Balanced());
}

TEST_F(InterfacesTest, ARecordWhoseInterfaceIsGoneUsesTheSystemsRoute)
{
    DiscoverDevices(api, view);
    DeviceInfo& b = *view.devices[1];
    net.RemoveInterface("lan2");
    net.ClearSent();
    // Today's behaviour: the limited broadcast by the default route, where B is not.
    EXPECT_EQ(QueryDeviceStatus(api, b, view), StatusResult::TimedOut);
    EXPECT_EQ(ViaOf(CMD_GET_SYSTEM_INFO), std::vector<std::uint32_t>{0});
    EXPECT_EQ(view.messages.back(), "Time out:get system info!");
    EXPECT_EQ(b.interfaceName, "lan2") << "the record is not rewritten";
}

TEST_F(InterfacesTest, EveryInterfaceRouteSettlesOnTheFirstAnswer)
{
    // Reachable by lan2 and lan3: its second answer to the first request must not pass for
    // the reply to the next one.
    FakeAdapter& both = net.AddAdapter({0x02, 0, 0, 0, 0, 9});
    both.links = {2, 3};
    both.addresses[0] = "192.0.2.99";
    DeviceInfo device;
    device.mac = both.mac;
    EXPECT_EQ(QueryDeviceStatus(api, device, view, EveryInterface(api)), StatusResult::Completed);
    EXPECT_EQ(ViaOf(CMD_GET_SYSTEM_INFO), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(ViaOf(CMD_GET_NETWORK_INFO), std::vector<std::uint32_t>{2});
    EXPECT_EQ(ViaOf(CMD_GET_DISK_INFO), std::vector<std::uint32_t>{2});
    EXPECT_EQ(device.interfaceName, "lan2");
    EXPECT_EQ(FieldText(device.ipAddress), "192.0.2.99");
    EXPECT_EQ(view.panel[1], "192.0.2.99");
}

TEST(InterfacesTunnel, ATunnelHoldingTheDefaultRouteIsNotAskedButNotIgnored)
{
    // One broadcast interface and a point-to-point tunnel with the default route: the system's
    // choice would send into the tunnel, so the request leaves by fake0 explicitly.
    sockets::FakeNetwork net;
    sockets::FakeSocketApi api{net};
    Recorder view;
    net.AddInterface("tun0", 7, false);
    net.routeInterface = 7;
    net.AddAdapter(kMacA);
    DiscoverDevices(api, view);
    ASSERT_EQ(net.Sent().size(), 1u);
    EXPECT_TRUE(net.Sent()[0].chosen);
    EXPECT_EQ(net.Sent()[0].via, sockets::kFakeDefaultInterface);
    ASSERT_EQ(view.devices.size(), 1u);
    EXPECT_EQ(view.devices[0]->interfaceName, "fake0");
}
