// The fake socket backend itself: virtual clock and waits, delivery of replies and
// injected datagrams, broadcast permission and the resource records tests rely on.
#include <gtest/gtest.h>

#include "platform/sockets/fake_sockets.h"
#include "test_support.h"

using namespace sockets;
using namespace std::chrono_literals;
using testing_support::Bytes;

namespace {

struct Host {
    FakeNetwork net;
    FakeSocketApi api{net};
    SocketHandle s = kInvalidSocket;

    Host()
    {
        api.Startup(MakeVersion(1, 1));
        s = api.OpenUdp();
        api.SetBroadcast(s, true);
    }
    int Recv()
    {
        std::uint8_t buf[16];
        return api.RecvFrom(s, buf, sizeof buf, nullptr, nullptr);
    }
};

}  // namespace

TEST(FakeSockets, WaitsMoveTheVirtualClockAndWakeOnlyWhenAllowed)
{
    Host h;
    h.net.AddResponder([](const FakeDatagram&) {
        return std::vector<FakeReply>{{Bytes({1, 2, 3}), 250ms}};
    });
    std::uint8_t req[12] = {};
    ASSERT_EQ(h.api.SendTo(h.s, req, sizeof req, kAddrBroadcast, 1638), 12);
    EXPECT_EQ(h.Recv(), kSocketError);
    EXPECT_EQ(h.api.LastError(), kFakeWouldBlock);

    EXPECT_FALSE(h.api.Wait(h.s, 100ms, WaitKind::UntilDatagram));
    EXPECT_EQ(h.api.Now(), 100ms);
    EXPECT_FALSE(h.api.Wait(h.s, 100ms, WaitKind::FullInterval));
    EXPECT_TRUE(h.api.Wait(h.s, 100ms, WaitKind::UntilDatagram));
    EXPECT_EQ(h.api.Now(), 250ms);  // woke at the arrival, not at 300 ms
    EXPECT_TRUE(h.api.Wait(h.s, 100ms, WaitKind::UntilDatagram));
    EXPECT_EQ(h.api.Now(), 250ms);  // already ready: no time passes
    EXPECT_TRUE(h.api.Wait(h.s, 100ms, WaitKind::FullInterval));
    EXPECT_EQ(h.api.Now(), 350ms);
    EXPECT_EQ(h.Recv(), 3);
    EXPECT_EQ(h.api.WaitCount(h.s), 5);
    EXPECT_EQ(h.api.RecvCalls(), 2);
}

TEST(FakeSockets, InjectedDatagramsReachOpenSocketsInTimeOrder)
{
    Host h;
    h.net.Inject(Bytes({2}), 300ms);
    h.net.Inject(Bytes({1}), 200ms);
    h.net.Inject(Bytes({3}), 300ms);
    EXPECT_TRUE(h.api.Wait(h.s, 1000ms, WaitKind::UntilDatagram));
    EXPECT_EQ(h.api.Now(), 200ms);
    std::uint8_t b = 0;
    h.api.Wait(h.s, 1000ms, WaitKind::FullInterval);
    for (int expected : {1, 2, 3}) {
        ASSERT_EQ(h.api.RecvFrom(h.s, &b, 1, nullptr, nullptr), 1);
        EXPECT_EQ(b, expected);
    }
    // A socket opened after the arrival does not see it.
    h.net.Inject(Bytes({9}), 1300ms);
    h.net.Advance(400ms);
    SocketHandle late = h.api.OpenUdp();
    EXPECT_EQ(h.api.RecvFrom(late, &b, 1, nullptr, nullptr), kSocketError);
    EXPECT_EQ(h.api.RecvFrom(h.s, &b, 1, nullptr, nullptr), 1);
    h.api.Close(late);
}

TEST(FakeSockets, BroadcastNeedsPermissionAndFaultsApply)
{
    FakeNetwork net;
    FakeSocketApi api(net);
    EXPECT_EQ(api.OpenUdp(), kInvalidSocket);  // library not started
    api.faults.offeredVersion = MakeVersion(2, 2);
    EXPECT_EQ(api.Startup(MakeVersion(1, 1)), kFakeVersionNotSupported);
    EXPECT_EQ(api.Startup(MakeVersion(2, 2)), 0);
    SocketHandle s = api.OpenUdp();
    std::uint8_t req[12] = {};
    EXPECT_EQ(api.SendTo(s, req, 12, kAddrBroadcast, 1638), kSocketError);
    EXPECT_TRUE(net.Sent().empty());
    api.SetBroadcast(s, true);
    api.faults.dropSends = true;
    EXPECT_EQ(api.SendTo(s, req, 12, kAddrBroadcast, 1638), kSocketError);
    api.faults.dropSends = false;
    EXPECT_EQ(api.SendTo(s, req, 12, kAddrBroadcast, 1638), 12);
    EXPECT_EQ(net.Sent().size(), 1u);
    EXPECT_EQ(api.SendFailures(), 2);

    EXPECT_FALSE(api.Balanced());
    api.Close(s);
    api.faults.cleanupError = 10050;
    EXPECT_EQ(api.Cleanup(), kSocketError);
    EXPECT_EQ(api.LastError(), 10050);
    EXPECT_TRUE(api.Balanced());
    EXPECT_EQ(api.Close(s), kSocketError);  // a second close is caught
    EXPECT_FALSE(api.Balanced());
}
