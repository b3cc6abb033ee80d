// dravmoor-sim's adapter model without sockets: replies read back through protocol/'s
// readers (two independent encodings must agree), state changes by SET commands, paging,
// fault switches and option parsing.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "protocol/settings.h"
#include "protocol/wire.h"
#include "sim/sim.h"

namespace {

using protocol::Datagram;

constexpr std::int64_t kNow = 1767225600;  // 2026-01-01 00:00:00 UTC

std::vector<std::uint8_t> Request(std::uint16_t cmd, const sim::Mac& mac,
                                  std::vector<std::uint8_t> payload = {})
{
    protocol::Mac m;
    std::copy(mac.begin(), mac.end(), m.begin());
    return protocol::BuildRequest(cmd, m, payload);
}

sim::Mac MacOf(int index)
{
    return {0x02,
            0x44,
            0x4d,
            0,
            static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(index)};
}

struct Sim {
    explicit Sim(sim::Options o = {}) : s(std::move(o)) {}
    sim::Handled Send(std::uint16_t cmd, int adapter, std::vector<std::uint8_t> payload = {},
                      std::int64_t now = kNow)
    {
        const auto r = Request(cmd, adapter ? MacOf(adapter) : sim::Mac{}, std::move(payload));
        return s.Handle(r.data(), r.size(), now);
    }
    Datagram Only(std::uint16_t cmd, int adapter, std::vector<std::uint8_t> payload = {},
                  std::int64_t now = kNow)
    {
        const sim::Handled h = Send(cmd, adapter, std::move(payload), now);
        EXPECT_EQ(1u, h.replies.size()) << h.log;
        if (h.replies.empty()) return {};
        return Datagram(h.replies[0].bytes.data(), h.replies[0].bytes.size());
    }
    sim::Simulator s;
};

std::string Text(const auto& field)
{
    std::string t(field.begin(), field.end());
    return t.substr(0, t.find('\0'));
}

TEST(SimAdapters, DiscoveryAnswersOncePerAdapterWithDistinctIdentities)
{
    sim::Options o;
    o.adapters = 252;
    Sim sim(o);
    const sim::Handled h = sim.Send(protocol::CMD_DISCOVER, 0);
    ASSERT_EQ(252u, h.replies.size());
    const Datagram first(h.replies[0].bytes.data(), h.replies[0].bytes.size());
    ASSERT_TRUE(protocol::IsValidDiscoveryReply(first));
    const protocol::DiscoveryReply r = protocol::ReadDiscoveryReply(first);
    EXPECT_EQ("NAS-Office", Text(r.name));
    EXPECT_EQ("192.0.2.2", Text(r.ipAddress));
    EXPECT_EQ(80, r.webPort);
    EXPECT_EQ(MacOf(1)[5], r.mac[5]);
    // Past the first 250 the reported addresses leave 192.0.2.0/24.
    const Datagram last(h.replies[251].bytes.data(), h.replies[251].bytes.size());
    EXPECT_EQ("198.18.0.2", Text(protocol::ReadDiscoveryReply(last).ipAddress));
    EXPECT_EQ(10252, protocol::ReadDiscoveryReply(last).webPort);
}

TEST(SimAdapters, SpreadDiscoveryRepliesOverTheWindow)
{
    sim::Options o;
    o.adapters = 100;
    o.spreadMs = 20;
    Sim sim(o);
    const sim::Handled h = sim.Send(protocol::CMD_DISCOVER, 0);
    ASSERT_EQ(100u, h.replies.size());
    std::set<int> delays;
    for (const sim::Reply& r : h.replies) {
        EXPECT_GE(r.delayMs, 0);
        EXPECT_LE(r.delayMs, 20);
        delays.insert(r.delayMs);
    }
    EXPECT_GT(delays.size(), 5u);
    EXPECT_EQ(0, sim.Send(protocol::CMD_GET_SHARE_COUNT, 1).replies[0].delayMs)
        << "only discovery is spread";
}

TEST(SimAdapters, FirstNumberShiftsMacsAndAddressesSoHostsDoNotCollide)
{
    sim::Options o;
    o.adapters = 3;
    o.first = 4;
    Sim sim(o);
    const sim::Handled h = sim.Send(protocol::CMD_DISCOVER, 0);
    ASSERT_EQ(3u, h.replies.size());
    const protocol::DiscoveryReply r = protocol::ReadDiscoveryReply(
        Datagram(h.replies[0].bytes.data(), h.replies[0].bytes.size()));
    EXPECT_EQ(MacOf(4)[5], r.mac[5]);
    EXPECT_EQ("192.0.2.5", Text(r.ipAddress));
    EXPECT_EQ(1u, sim.Send(protocol::CMD_GET_SYSTEM_INFO, 6).replies.size());
    EXPECT_TRUE(sim.Send(protocol::CMD_GET_SYSTEM_INFO, 1).replies.empty());
    EXPECT_TRUE(sim.Send(protocol::CMD_GET_SYSTEM_INFO, 7).replies.empty());
}

TEST(SimAdapters, RequestsForOthersOrTooShortAreNotAnswered)
{
    Sim sim;
    EXPECT_TRUE(sim.Send(protocol::CMD_GET_SYSTEM_INFO, 9).replies.empty());
    const std::uint8_t shortRequest[5] = {16, 0, 0, 0, 0};
    EXPECT_TRUE(sim.s.Handle(shortRequest, sizeof shortRequest, kNow).replies.empty());
    EXPECT_TRUE(sim.Send(99, 1).replies.empty());
}

TEST(SimAdapters, SharePagesHoldTwentyAndEchoTheIndex)
{
    sim::Options o;
    o.shareCounts = {45};
    Sim sim(o);
    EXPECT_EQ(45, protocol::ReadShareCountReply(sim.Only(protocol::CMD_GET_SHARE_COUNT, 1)));
    const protocol::SharePage p1 =
        protocol::ReadSharePageReply(sim.Only(protocol::CMD_GET_SHARE_LIST, 1, {1}));
    EXPECT_EQ(1, p1.pageIndex);
    ASSERT_EQ(20u, p1.records.size());
    EXPECT_EQ("Folder0021", Text(p1.records[0]));
    const protocol::SharePage p2 =
        protocol::ReadSharePageReply(sim.Only(protocol::CMD_GET_SHARE_LIST, 1, {2}));
    EXPECT_EQ(5, p2.entryCount);
    EXPECT_EQ("Folder0045", Text(p2.records[4]));
    EXPECT_EQ(
        0, protocol::ReadSharePageReply(sim.Only(protocol::CMD_GET_SHARE_LIST, 1, {3})).entryCount);
}

TEST(SimAdapters, SystemSettingsWrittenAreReadBackWithARunningClock)
{
    Sim sim;
    protocol::SystemSettings s;
    s.passwordRequired = true;
    s.description = "Written";
    s.year = 2030, s.month = 1, s.day = 2, s.hour = 3, s.minute = 4, s.second = 5;
    s.timezone = 74;
    const auto payload = protocol::SystemInfoPayload(s);
    const Datagram ack =
        sim.Only(protocol::CMD_SET_SYSTEM_INFO, 1, {payload.begin(), payload.end()});
    EXPECT_EQ(0, ack.Header().status);

    const protocol::SystemInfoReply r =
        protocol::ReadSystemInfoReply(sim.Only(protocol::CMD_GET_SYSTEM_INFO, 1, {}, kNow + 61));
    EXPECT_EQ("Written", Text(r.description));
    EXPECT_EQ("20300102", Text(r.date));
    EXPECT_EQ("030506", Text(r.time)) << "the adapter's clock runs on";
    EXPECT_EQ(74, r.timezone);
    EXPECT_EQ(1, r.passwordRequired);
    EXPECT_EQ("0101", Text(r.signature));
    EXPECT_EQ("2104", Text(r.firmware));

    // An impossible date is refused and the clock kept; the other fields still apply.
    s.month = 13;
    s.description = "Again";
    const auto bad = protocol::SystemInfoPayload(s);
    EXPECT_NE(0,
              sim.Only(protocol::CMD_SET_SYSTEM_INFO, 1, {bad.begin(), bad.end()}).Header().status);
    const auto again =
        protocol::ReadSystemInfoReply(sim.Only(protocol::CMD_GET_SYSTEM_INFO, 1, {}, kNow));
    EXPECT_EQ("20300102", Text(again.date));
    EXPECT_EQ("Again", Text(again.description));
}

TEST(SimAdapters, TheNameIsKeptUnlessRenamingIsAsked)
{
    for (const bool rename : {false, true}) {
        sim::Options o;
        o.rename = rename;
        Sim sim(o);
        protocol::SystemSettings s;
        std::strcpy(s.name.data(), "Lobby");
        const auto payload = protocol::SystemInfoPayload(s);
        const sim::Handled h =
            sim.Send(protocol::CMD_SET_SYSTEM_INFO, 1, {payload.begin(), payload.end()});
        EXPECT_NE(std::string::npos, h.log.find(rename ? "renamed Lobby" : "name differs, kept"))
            << h.log;
        const protocol::SystemInfoReply r =
            protocol::ReadSystemInfoReply(sim.Only(protocol::CMD_GET_SYSTEM_INFO, 1));
        EXPECT_EQ(rename ? "Lobby" : "NAS-Office", Text(r.name));
    }
}

TEST(SimAdapters, NetworkSettingsAreCheckedAppliedAndReportedByDiscovery)
{
    Sim sim;
    protocol::NetworkSettings n;
    n.ipMode = 0;
    n.addresses = {"192.0.2.99", "255.255.255.255", "192.0.2.1", "192.0.2.53", ""};
    auto payload = protocol::NetworkInfoPayload(n);
    EXPECT_EQ(0, sim.Only(protocol::CMD_SET_NETWORK_INFO, 3, {payload.begin(), payload.end()})
                     .Header()
                     .status);
    const protocol::NetworkInfo r =
        protocol::ReadNetworkInfoReply(sim.Only(protocol::CMD_GET_NETWORK_INFO, 3));
    EXPECT_EQ("255.255.255.255", Text(r.addresses[1])) << "15 characters, no terminator";
    EXPECT_EQ("192.0.2.53", Text(r.addresses[3]));
    const sim::Handled d = sim.Send(protocol::CMD_DISCOVER, 0);
    const Datagram third(d.replies[2].bytes.data(), d.replies[2].bytes.size());
    EXPECT_EQ("192.0.2.99", Text(protocol::ReadDiscoveryReply(third).ipAddress));

    n.addresses[0] = "192.0.2";  // not an address: refused, nothing changes
    payload = protocol::NetworkInfoPayload(n);
    EXPECT_EQ(2, sim.Only(protocol::CMD_SET_NETWORK_INFO, 3, {payload.begin(), payload.end()})
                     .Header()
                     .status);
    EXPECT_EQ("192.0.2.99",
              Text(protocol::ReadNetworkInfoReply(sim.Only(protocol::CMD_GET_NETWORK_INFO, 3))
                       .addresses[0]));
}

TEST(SimAdapters, VerificationComparesAtTheFieldWidths)
{
    sim::Options o;
    o.adminPassword = "longpassword";  // only the 8 bytes that can travel count
    Sim sim(o);
    const auto ok = protocol::VerifyPayload("admin", "longpass");
    EXPECT_EQ(0, sim.Only(protocol::CMD_VERIFY, 2, {ok.begin(), ok.end()}).Header().status);
    const auto wrong = protocol::VerifyPayload("admin", "longpas");
    EXPECT_EQ(1, sim.Only(protocol::CMD_VERIFY, 2, {wrong.begin(), wrong.end()}).Header().status);
}

TEST(SimAdapters, DiskTableAndLongNamesFillTheirFields)
{
    sim::Options o;
    o.longNames = true;
    Sim sim(o);
    const auto disks = protocol::ReadDiskInfoReply(sim.Only(protocol::CMD_GET_DISK_INFO, 1));
    ASSERT_EQ(2u, disks.size());
    EXPECT_EQ(36u, Text(disks[0].shareName).size());
    EXPECT_EQ(16u, Text(disks[0].deviceId).size());
    EXPECT_EQ(10u, Text(disks[0].fsType).size());
    EXPECT_EQ(953869, disks[0].totalSizeMB);
    EXPECT_EQ(37, disks[0].freePercent);
    const auto sys = protocol::ReadSystemInfoReply(sim.Only(protocol::CMD_GET_SYSTEM_INFO, 1));
    EXPECT_EQ(64u, Text(sys.description).size());
}

TEST(SimClock, DatesRoundTripAndImpossibleFieldsAreRefused)
{
    std::string date, time;
    sim::ClockTexts(0, date, time);
    EXPECT_EQ("19700101000000", date + time);
    const auto leap = sim::ParseClock("20240229", "235959");
    ASSERT_TRUE(leap);
    sim::ClockTexts(*leap, date, time);
    EXPECT_EQ("20240229235959", date + time);
    EXPECT_FALSE(sim::ParseClock("20230229", "120000"));
    EXPECT_FALSE(sim::ParseClock("20240100", "120000"));
    EXPECT_FALSE(sim::ParseClock("20240101", "240000"));
    EXPECT_FALSE(sim::ParseClock("20240101", "125960"));
}

TEST(SimFaults, ApplyOnlyToTheFaultyAdapters)
{
    sim::Options o;
    o.faults.faulty = {2};
    o.faults.wrongCmdFirst = true;
    o.faults.doubleReplies = true;
    o.faults.shortReplies = 14;
    o.faults.delayMs = 250;
    Sim sim(o);
    const sim::Handled healthy = sim.Send(protocol::CMD_GET_SHARE_COUNT, 1);
    ASSERT_EQ(1u, healthy.replies.size());
    EXPECT_EQ(0, healthy.replies[0].delayMs);

    const sim::Handled faulty = sim.Send(protocol::CMD_GET_SYSTEM_INFO, 2);
    ASSERT_EQ(3u, faulty.replies.size()) << "wrong cmd, reply, copy";
    for (const sim::Reply& r : faulty.replies) {
        EXPECT_EQ(14u, r.bytes.size());
        EXPECT_EQ(250, r.delayMs);
    }
    EXPECT_NE(protocol::CMD_GET_SYSTEM_INFO,
              Datagram(faulty.replies[0].bytes.data(), 14).Header().cmd);
    EXPECT_EQ(protocol::CMD_GET_SYSTEM_INFO,
              Datagram(faulty.replies[1].bytes.data(), 14).Header().cmd);
}

TEST(SimFaults, SilenceRefusalAndBadSignatures)
{
    sim::Options o;
    o.faults.silentCommands = {protocol::CMD_GET_DISK_INFO};
    o.faults.refuseNetwork = true;
    o.faults.badSignatureFirst = true;
    Sim sim(o);
    EXPECT_TRUE(sim.Send(protocol::CMD_GET_DISK_INFO, 1).replies.empty());
    protocol::NetworkSettings n;
    n.addresses = {"192.0.2.5", "255.255.255.0", "192.0.2.1", "", ""};
    const auto payload = protocol::NetworkInfoPayload(n);
    const sim::Handled refused =
        sim.Send(protocol::CMD_SET_NETWORK_INFO, 1, {payload.begin(), payload.end()});
    ASSERT_EQ(1u, refused.replies.size());
    EXPECT_EQ(
        1,
        Datagram(refused.replies[0].bytes.data(), refused.replies[0].bytes.size()).Header().status);

    const sim::Handled d = sim.Send(protocol::CMD_DISCOVER, 0);
    ASSERT_EQ(6u, d.replies.size());
    EXPECT_FALSE(protocol::IsValidDiscoveryReply(
        Datagram(d.replies[0].bytes.data(), d.replies[0].bytes.size())));
    EXPECT_TRUE(protocol::IsValidDiscoveryReply(
        Datagram(d.replies[1].bytes.data(), d.replies[1].bytes.size())));
}

TEST(SimFaults, LossIsRandomPerAdapterAndRepeatsWithTheSeed)
{
    sim::Options o;
    o.adapters = 20;
    o.loss = {0.2, 0.2};
    const auto answers = [](sim::Options options) {
        Sim sim(options);
        std::vector<std::size_t> counts;
        for (int i = 0; i < 200; ++i)
            counts.push_back(sim.Send(protocol::CMD_DISCOVER, 0).replies.size());
        return counts;
    };
    const std::vector<std::size_t> run = answers(o);
    EXPECT_EQ(run, answers(o)) << "the same seed, the same losses";
    const double share =
        static_cast<double>(std::accumulate(run.begin(), run.end(), std::size_t{0})) / (200 * 20);
    EXPECT_NEAR(0.64, share, 0.03) << "0.8 of the requests heard, 0.8 of the answers arriving";
    o.seed = 2;
    EXPECT_NE(run, answers(o));

    o.loss = {1.0, 0.0};
    Sim deaf(o);
    const sim::Handled missed = deaf.Send(protocol::CMD_GET_SYSTEM_INFO, 1);
    EXPECT_TRUE(missed.replies.empty());
    EXPECT_NE(std::string::npos, missed.log.find("request lost")) << missed.log;
    o.loss = {0.0, 1.0};
    o.faults.doubleReplies = true;  // every copy is lost on its own
    Sim mute(o);
    EXPECT_TRUE(mute.Send(protocol::CMD_VERIFY, 1).replies.empty());
    EXPECT_TRUE(mute.Send(protocol::CMD_DISCOVER, 0).replies.empty());
}

TEST(SimOptions, HelpNamesEveryOption)
{
    const std::string usage = sim::UsageText();
    for (const std::string& name : sim::OptionNames())
        EXPECT_NE(std::string::npos, usage.find(name + " ")) << name << " is missing from --help";
}

TEST(SimOptions, ParsesListsAndRejectsNonsense)
{
    std::string error;
    bool help = false;
    auto parse = [&](std::vector<const char*> args) {
        args.insert(args.begin(), "dravmoor-sim");
        return sim::ParseOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()),
                                 error, help);
    };
    auto o = parse({"--adapters", "5", "--shares", "1,0", "--silent", "get-share-list,20",
                    "--faulty", "2,4", "--password-required", "none", "--drop", "50", "--loss",
                    "20", "--loss-answers", "5"});
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(5, o->adapters);
    EXPECT_EQ((std::set<std::uint16_t>{33, 20}), o->faults.silentCommands);
    EXPECT_EQ((std::set<int>{2, 4}), o->faults.faulty);
    EXPECT_DOUBLE_EQ(0.5, o->faults.dropRate);
    EXPECT_DOUBLE_EQ(0.2, o->loss.requests);
    EXPECT_DOUBLE_EQ(0.05, o->loss.answers);
    const auto adapters = sim::BuildAdapters(*o);
    EXPECT_EQ(1u, adapters[0].shares.size());
    EXPECT_EQ(0u, adapters[4].shares.size()) << "the last count repeats";
    EXPECT_EQ(0, adapters[1].passwordRequired);

    for (std::vector<const char*> bad : {std::vector<const char*>{"--adapters", "x"},
                                         {"--drop", "101"},
                                         {"--loss", "-1"},
                                         {"--silent", "nothing"},
                                         {"--shares"},
                                         {"--bogus"},
                                         {"--faulty", "0"}}) {
        EXPECT_FALSE(parse(bad)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(parse({"--help"}));
    EXPECT_TRUE(help);
}

}  // namespace
