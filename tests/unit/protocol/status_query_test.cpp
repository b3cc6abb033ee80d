// The status query: order of requests, what is copied and shown, share paging and the echo
// check, late, doubled and hostile replies, each time-out with its text, and release.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sockets/fake_sockets.h"
#include "protocol/messages.h"
#include "protocol/status_query.h"
#include "test_support.h"

using namespace protocol;
using namespace std::chrono_literals;
using sockets::FakeAdapter;
using sockets::FakeDatagram;
using sockets::FakeMessage;
using sockets::FakeNetwork;
using sockets::FakeReply;
using sockets::FakeSocketApi;
using testing_support::kMac;
using testing_support::Recorder;

namespace {

struct StatusTest : ::testing::Test {
    FakeNetwork net;
    FakeSocketApi api{net};
    Recorder view;
    FakeAdapter& adapter = net.AddAdapter(kMac);
    DeviceInfo device;

    StatusTest()
    {
        device.mac = kMac;
        std::memcpy(device.name.data(), "NAS-ADAPTER", 11);
        std::memcpy(device.ipAddress.data(), "192.0.2.77", 10);  // from discovery
    }

    StatusResult Query() { return QueryDeviceStatus(api, device, view); }

    std::vector<std::uint16_t> SentCmds() const
    {
        std::vector<std::uint16_t> cmds;
        for (const auto& d : net.Sent()) cmds.push_back(d.Cmd());
        return cmds;
    }

    std::vector<int> PagesRequested() const
    {
        std::vector<int> pages;
        for (const auto& d : net.SentWithCmd(CMD_GET_SHARE_LIST)) {
            EXPECT_EQ(d.bytes.size(), 13u);
            pages.push_back(d.bytes[12]);
        }
        return pages;
    }

    void AddShares(int n)
    {
        for (int i = 0; i < n; ++i) adapter.shares.push_back("share" + std::to_string(i));
    }

    std::vector<std::string> ShareNames() const
    {
        std::vector<std::string> names;
        for (const auto& s : *device.shares) names.push_back(s.Name());
        return names;
    }
};

}  // namespace

TEST_F(StatusTest, CompleteQueryStoresShowsAndEnables)
{
    adapter.firmware = "1203";
    adapter.passwordRequired = 1;
    adapter.description = "Office store";
    adapter.date = "20260315";
    adapter.time = "081530";
    adapter.timezone = 56;
    adapter.ipMode = 1;
    adapter.addresses = {"255.255.255.255", "255.255.255.0", "192.0.2.1", "192.0.2.53", ""};
    adapter.disks.push_back({"usb1", "0123456789ABCDEF", "vfat", 953, 37});
    AddShares(3);

    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(SentCmds(), (std::vector<std::uint16_t>{16, 18, 32, 33, 20}));
    for (const auto& d : net.Sent()) {
        EXPECT_EQ(std::vector<std::uint8_t>(d.bytes.begin() + 6, d.bytes.begin() + 12),
                  std::vector<std::uint8_t>(kMac.begin(), kMac.end()));
        EXPECT_EQ(d.addr, sockets::kAddrBroadcast);
    }

    EXPECT_EQ(FieldText(device.firmware), "1203");
    EXPECT_EQ(device.passwordRequired, 1);
    EXPECT_EQ(FieldText(device.description), "Office store");
    EXPECT_EQ(FieldText(device.date), "20260315");
    EXPECT_EQ(FieldText(device.time), "081530");
    EXPECT_EQ(device.timezone, 56);
    EXPECT_EQ(device.ipMode, 1);
    EXPECT_EQ(FieldText(device.ipAddress), "255.255.255.255");
    EXPECT_EQ(device.ipAddress[15], '\0');
    EXPECT_EQ(FieldText(device.subnetMask), "255.255.255.0");
    EXPECT_EQ(FieldText(device.dns2), "");
    EXPECT_EQ(FieldText(device.name), "NAS-ADAPTER");  // the system-info name is not read
    EXPECT_EQ(device.shareCount, 3);
    EXPECT_EQ(ShareNames(), (std::vector<std::string>{"share0", "share1", "share2"}));

    EXPECT_EQ(view.events,
              (std::vector<std::string>{"clear", "panel:V12R03", "panel:255.255.255.255",
                                        "panel:00:1a:2b:3c:4d:5e", "panel:Office store",
                                        "panel:DHCP", "clear-disks", "disk", "enable"}));
    ASSERT_EQ(view.diskRows.size(), 1u);
    EXPECT_EQ(view.diskRows[0],
              (std::array<std::string, 5>{"usb1", "0123456789ABCDEF", "vfat", "953", "37%"}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(api.Startups(), 1);
    EXPECT_EQ(api.UdpOpens(), 1);  // one socket for all exchanges
    EXPECT_TRUE(api.Balanced());
}

TEST_F(StatusTest, SettingsScopeAsksForSystemAndNetworkOnly)
{
    adapter.description = "Office store";
    adapter.addresses[0] = "192.0.2.9";
    AddShares(3);
    ReceivedParts parts;
    EXPECT_EQ(QueryDeviceStatus(api, device, view, {}, &parts, StatusScope::Settings),
              StatusResult::Completed);
    EXPECT_EQ(SentCmds(), (std::vector<std::uint16_t>{16, 18}));
    EXPECT_EQ(FieldText(device.description), "Office store");
    EXPECT_EQ(FieldText(device.ipAddress), "192.0.2.9");
    EXPECT_TRUE(parts.systemInfo && parts.networkInfo);
    EXPECT_FALSE(parts.shareCount || parts.diskInfo);
    EXPECT_EQ(view.events.back(), "panel:Static ip") << "the device commands stay as they are";
    EXPECT_TRUE(api.Balanced());
}

TEST_F(StatusTest, SharePagingForZeroTwentyAndFortyFive)
{
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_TRUE(PagesRequested().empty());
    ASSERT_TRUE(device.shares.has_value());
    EXPECT_TRUE(device.shares->empty());

    net.ClearSent();
    AddShares(20);
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(PagesRequested(), (std::vector<int>{0, 1}));
    EXPECT_EQ(device.shares->size(), 20u);

    net.ClearSent();
    AddShares(25);
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(PagesRequested(), (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(device.shares->size(), 45u);
    EXPECT_EQ(ShareNames().front(), "share0");
    EXPECT_EQ(ShareNames()[20], "share0");  // the second AddShares started at 0 again
    EXPECT_EQ(ShareNames().back(), "share24");

    // Re-querying replaces the shares rather than adding to them.
    adapter.shares.resize(2);
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(device.shares->size(), 2u);
    EXPECT_TRUE(api.Balanced());
}

TEST_F(StatusTest, PageWithAnotherEchoIsDroppedAndNotAskedAgain)
{
    AddShares(45);
    adapter.pageEchoOffset = 1;
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(PagesRequested(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(device.shares->empty());
    EXPECT_EQ(device.shareCount, 45);
    EXPECT_EQ(view.enabled, 1);
}

TEST_F(StatusTest, LargeShareCountsAskForAtMost256Pages)
{
    adapter.shareCountOverride = 40000;  // 32768 or more: still a count, not a negative number
    AddShares(30);
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(device.shareCount, 40000);
    auto pages = PagesRequested();
    ASSERT_EQ(pages.size(), 256u);
    EXPECT_EQ(pages.front(), 0);
    EXPECT_EQ(pages.back(), 255);
    EXPECT_EQ(device.shares->size(), 30u);
}

TEST_F(StatusTest, DoubledRepliesAreSkippedAsCopiesOfAnswersAlreadyHad)
{
    adapter.copies = 2;
    adapter.ipMode = 1;
    adapter.addresses[0] = "192.0.2.99";
    AddShares(25);
    ReceivedParts parts;
    EXPECT_EQ(QueryDeviceStatus(api, device, view, {}, &parts), StatusResult::Completed);
    // Each second copy arrives while the next exchange waits; it is skipped, not taken as
    // that exchange's answer, so every part is used.
    EXPECT_TRUE(parts.All());
    EXPECT_EQ(FieldText(device.ipAddress), "192.0.2.99");
    EXPECT_EQ(device.ipMode, 1);
    EXPECT_EQ(device.shareCount, 25);
    EXPECT_EQ(PagesRequested(), (std::vector<int>{0, 1}));
    EXPECT_EQ(device.shares->size(), 25u);
    EXPECT_EQ(view.diskRows.size(), adapter.disks.size());
    EXPECT_EQ(view.panel[4], "DHCP");
}

TEST_F(StatusTest, AnExchangeEndedByAnotherKindOfDatagramIsReportedAsNotReceived)
{
    adapter.silentFor = {CMD_GET_NETWORK_INFO};
    net.AddResponder([](const FakeDatagram& r) -> std::vector<FakeReply> {
        if (r.Cmd() != CMD_GET_NETWORK_INFO) return {};
        return {{FakeMessage(CMD_GET_DISK_INFO, 0, kMac)}};
    });
    ReceivedParts parts;
    EXPECT_EQ(QueryDeviceStatus(api, device, view, {}, &parts), StatusResult::Completed);
    EXPECT_TRUE(parts.systemInfo);
    EXPECT_FALSE(parts.networkInfo);
    EXPECT_TRUE(parts.diskInfo);
    EXPECT_FALSE(parts.All());
}

TEST_F(StatusTest, ForeignReplyArrivingFirstIsConsumed)
{
    adapter.delay = 500ms;
    // A share-count reply from somewhere else arrives during the system-info wait.
    net.Inject(sockets::FakeMessage(CMD_GET_SHARE_COUNT, 0, testing_support::kOtherMac, {0x63, 0}),
               100ms);
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(FieldText(device.firmware), "");  // its system-info reply came too late to count
    EXPECT_EQ(view.panel[0], "V");
    EXPECT_EQ(device.shareCount, 0);
}

TEST_F(StatusTest, HostileAndShortReplies)
{
    net.ClearResponders();
    net.AddResponder([](const sockets::FakeDatagram& req) {
        std::vector<std::uint8_t> payload;
        switch (req.Cmd()) {
            case CMD_GET_SYSTEM_INFO:
                return std::vector<sockets::FakeReply>{{{}}};  // zero-length datagram
            case CMD_GET_NETWORK_INFO:
                payload = {2, '1', '0', '.', '0'};  // cut inside the first address
                break;
            case CMD_GET_SHARE_COUNT:
                payload = {3, 0};
                break;
            case CMD_GET_SHARE_LIST:
                payload.assign(2 + 36 + 10, 'n');
                payload[0] = 0;
                payload[1] = 255;  // claims 255, carries one and a bit
                break;
            case CMD_GET_DISK_INFO:
                payload.assign(1 + 68 + 5, 0);
                payload[0] = 200;
                std::memcpy(&payload[1], "only", 4);
                break;
        }
        return std::vector<sockets::FakeReply>{{sockets::FakeMessage(req.Cmd(), 0, kMac, payload)}};
    });
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(device.ipMode, 2);
    EXPECT_EQ(FieldText(device.ipAddress), "10.0");
    EXPECT_EQ(FieldText(device.gateway), "");
    EXPECT_EQ(view.panel[4], "");
    ASSERT_EQ(device.shares->size(), 1u);
    EXPECT_EQ(device.shares->at(0).Name(), std::string(36, 'n'));
    ASSERT_EQ(view.diskRows.size(), 1u);
    EXPECT_EQ(view.diskRows[0][0], "only");
    EXPECT_EQ(view.diskRows[0][3], "0");
    EXPECT_EQ(view.diskRows[0][4], "0%");
}

TEST_F(StatusTest, EachTimeOutShowsItsTextReleasesAndAsksForARefresh)
{
    struct Case {
        std::uint16_t silentCmd;
        const char* text;
        bool panelShown;
    };
    const Case cases[] = {
        {CMD_GET_SYSTEM_INFO, "Time out:get system info!", false},
        {CMD_GET_NETWORK_INFO, "Time out:get network info!", false},
        {CMD_GET_SHARE_COUNT, "Time out:get share number!", true},
        {CMD_GET_SHARE_LIST, "Time out:get share list!", true},
        {CMD_GET_DISK_INFO, "Time out:get share number!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FakeNetwork n;
        FakeSocketApi a(n);
        FakeAdapter& ad = n.AddAdapter(kMac);
        ad.shares = {"one"};
        ad.silentFor = {c.silentCmd};
        Recorder v;
        std::size_t openAtMessage = 99;
        v.onMessage = [&] { openAtMessage = a.OpenSockets(); };
        DeviceInfo d;
        d.mac = kMac;

        EXPECT_EQ(QueryDeviceStatus(a, d, v), StatusResult::TimedOut);
        EXPECT_EQ(v.messages, std::vector<std::string>{c.text});
        EXPECT_EQ(openAtMessage, 1u);  // shown before the socket goes
        EXPECT_TRUE(a.Balanced());
        EXPECT_EQ(v.enabled, 0);
        EXPECT_EQ(!v.panel[0].empty(), c.panelShown);
        EXPECT_EQ(n.Sent().back().Cmd(), c.silentCmd);  // nothing after the silent request
        EXPECT_EQ(a.WaitCount(a.UdpHandles()[0]), 200);
        EXPECT_EQ(a.RecvCalls(), static_cast<int>(n.Sent().size()) + 200);
    }
}

TEST_F(StatusTest, SystemInfoTimeOutTakesTwentyVirtualSeconds)
{
    adapter.silent = true;
    EXPECT_EQ(Query(), StatusResult::TimedOut);
    EXPECT_EQ(api.WaitCount(), 200);
    EXPECT_EQ(api.RecvCalls(), 201);
    EXPECT_EQ(api.Now(), 20000ms);
    for (const auto& w : api.Waits()) EXPECT_EQ(w.interval, 100ms);
}

TEST_F(StatusTest, NoLibraryOrSocketLeavesThePanelEmpty)
{
    api.faults.startupResult = 10091;
    EXPECT_EQ(Query(), StatusResult::NotStarted);
    api.faults.startupResult = 0;
    api.faults.failOpenUdp = true;
    EXPECT_EQ(Query(), StatusResult::NotStarted);
    EXPECT_EQ(view.events, (std::vector<std::string>{
                               "clear", "message:Network communication failed with error 10091\n",
                               "clear", "message:Network communication failed with error 0\n"}));
    EXPECT_TRUE(net.Sent().empty());
    EXPECT_FALSE(device.shares.has_value());
    EXPECT_TRUE(api.Balanced());
}

TEST_F(StatusTest, BroadcastRefusedEndsInTheSystemInfoTimeOut)
{
    api.faults.failBroadcast = true;
    EXPECT_EQ(Query(), StatusResult::TimedOut);
    EXPECT_EQ(view.messages,
              (std::vector<std::string>{"Network communication failed with error -1\n",
                                        "Time out:get system info!"}));
    EXPECT_TRUE(api.Balanced());
}

TEST_F(StatusTest, CleanupFailureAfterACompleteQuery)
{
    api.faults.cleanupError = 10093;
    EXPECT_EQ(Query(), StatusResult::Completed);
    EXPECT_EQ(view.events.back(), "message:WSACleanup failed with error 10093\n");
    EXPECT_EQ(view.enabled, 1);
}
