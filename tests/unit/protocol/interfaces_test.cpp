// Several networks over the fake backend: discovery asks by every interface in one window,
// each record keeps where it answered and its later exchanges leave there, an adapter seen
// by two interfaces is listed once, a record whose interface is gone sends nothing, and a
// host on another network can neither answer for an adapter nor hear what is sent to it.
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
    // A host on another network that claims the same MAC is never listed there: the adapter
    // stays where it answered first, marked as claimed by that network.
    FakeAdapter& clone = net.AddAdapter({0x02, 0, 0, 0, 0, 9});
    clone.ipAddress = "192.0.2.250";
    clone.links = {3};
    DiscoverDevices(api, view);
    std::vector<std::string> seen;
    for (const auto& d : view.devices)
        if (d->mac == both.mac) seen.push_back(FieldText(d->ipAddress) + "@" + d->interfaceName);
    EXPECT_EQ(seen, std::vector<std::string>{"192.0.2.2@lan2"});
    EXPECT_EQ(view.devices.size(), 4u);
    for (const auto& d : view.devices) {
        // Answering by two interfaces the same is no claim; a clone's other answer is.
        EXPECT_EQ(AnsweringInterfaces(*d), d->mac == both.mac ? "lan2 and lan3" : d->interfaceName);
    }

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

TEST_F(InterfacesTest, ARecordWhoseInterfaceIsGoneSendsNothing)
{
    DiscoverDevices(api, view);
    DeviceInfo& b = *view.devices[1];
    net.RemoveInterface("lan2");
    net.ClearSent();
    const auto before = api.Now();
    // The system's route would carry the query, and then the password, into another network.
    EXPECT_EQ(QueryDeviceStatus(api, b, view), StatusResult::TimedOut);
    EXPECT_EQ(VerifyAdministrator(api, view.AsSink(), b.mac, "admin", "admin", RouteTo(b)),
              VerifyResult::TimedOut);
    EXPECT_FALSE(WriteSystemInfo(api, view.AsSink(), b.mac, {}, RouteTo(b)).answered);
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_EQ(api.Now(), before) << "nothing to wait for";
    EXPECT_EQ(view.messages.back(), "Time out:Verify name & password!");
    EXPECT_EQ(b.interfaceName, "lan2") << "the record is not rewritten";
    // With only the other network left, still nothing leaves.
    net.RemoveInterface("lan3");
    EXPECT_EQ(QueryDeviceStatus(api, b, view), StatusResult::TimedOut);
    EXPECT_TRUE(net.Sent().empty());
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
    EXPECT_FALSE(IsAmbiguous(device)) << "the same answer by two interfaces is one adapter";
}

namespace {

// A host on lan3 (a café network) sprays datagrams at every request of ours, by whatever
// interface it left: junk, or answers of the right kind with status 0; it counts what it hears.
struct HostileNetworkTest : InterfacesTest {
    int heard = 0;
    std::optional<bool> wellFormed;  // unset: quiet
    bool impostor = false;           // answers discoveries as B, by another name
    HostileNetworkTest()
    {
        net.AddResponder([this](const FakeDatagram& request) {
            std::vector<sockets::FakeReply> replies;
            if (request.chosen && request.via == 3) ++heard;
            std::vector<std::uint8_t> bytes{0x5a};
            if (request.Cmd() == CMD_DISCOVER) {
                if (!impostor || request.via != 3) return replies;
                FakeAdapter fake(kMacB);
                fake.name = "IMPOSTOR";
                bytes = fake.DiscoveryReply();
            } else if (!wellFormed) {
                return replies;
            } else if (*wellFormed) {
                bytes = sockets::FakeMessage(request.Cmd(), 0, kMacB,
                                             std::vector<std::uint8_t>(200, 0));
            }
            replies.push_back({bytes, 0ms, sockets::kFakeAdapterAddr, 1638, 3});
            return replies;
        });
        // The real B answers later, so the other network's datagram always comes first.
        net.Adapters()[1]->delay = 50ms;
    }
};

}  // namespace

TEST_F(HostileNetworkTest, AnExchangePinnedToTheAdaptersNetworkBelievesNoOther)
{
    DiscoverDevices(api, view, {"lan2"});
    ASSERT_EQ(view.devices.size(), 1u);
    DeviceInfo& b = *view.devices[0];
    ASSERT_EQ(b.interfaceName, "lan2");
    for (bool kind : {false, true}) {
        SCOPED_TRACE(kind ? "well-formed" : "junk");
        wellFormed = kind;
        EXPECT_EQ(QueryDeviceStatus(api, b, view), StatusResult::Completed);
        EXPECT_EQ(FieldText(b.description), net.Adapters()[1]->description);
        EXPECT_EQ(VerifyAdministrator(api, view.AsSink(), b.mac, "admin", "wrong", RouteTo(b)),
                  VerifyResult::Refused);
        EXPECT_TRUE(WriteSystemInfo(api, view.AsSink(), b.mac, {}, RouteTo(b)).answered);
        EXPECT_TRUE(WriteNetworkInfo(api, view.AsSink(), b.mac, {}, RouteTo(b)).answered);
        EXPECT_FALSE(IsAmbiguous(b));
    }
    EXPECT_EQ(heard, 0);
}

TEST_F(HostileNetworkTest, AnAnswerOnlyFromAnotherNetworkIsNoAnswer)
{
    net.Adapters()[1]->silent = true;
    for (bool kind : {false, true}) {
        SCOPED_TRACE(kind ? "well-formed" : "junk");
        wellFormed = kind;
        EXPECT_FALSE(WriteSystemInfo(api, view.AsSink(), kMacB, {}, {"lan2"}).answered);
        EXPECT_FALSE(WriteNetworkInfo(api, view.AsSink(), kMacB, {}, {"lan2"}).answered);
        EXPECT_EQ(VerifyAdministrator(api, view.AsSink(), kMacB, "admin", "admin", {"lan2"}),
                  VerifyResult::TimedOut);
    }
    EXPECT_EQ(heard, 0);
}

TEST_F(HostileNetworkTest, AnAdapterThatAnswersByTwoNetworksDifferentlyIsAmbiguous)
{
    for (bool kind : {false, true}) {
        SCOPED_TRACE(kind ? "well-formed" : "junk");
        wellFormed = kind;
        DeviceInfo device;
        device.mac = kMacB;
        EXPECT_EQ(QueryDeviceStatus(api, device, view, EveryInterface(api)),
                  StatusResult::Completed);
        // The first answer came by lan3 and stays the record's; the real one was heard too.
        EXPECT_EQ(device.interfaceName, "lan3");
        EXPECT_EQ(AnsweringInterfaces(device), "lan3 and lan2");
    }
    // Discovery: the claim by lan3 neither replaces nor moves the adapter listed first.
    wellFormed.reset();
    impostor = true;
    net.Adapters()[1]->delay = 0ms;
    DiscoverDevices(api, view);
    ASSERT_EQ(view.devices.size(), 3u);
    EXPECT_EQ(view.devices[1]->interfaceName, "lan2");
    EXPECT_EQ(FieldText(view.devices[1]->name), "NAS-ADAPTER");
    EXPECT_EQ(view.devices[1]->alsoAnsweredOn, std::vector<std::string>{"lan3"});
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
