// The command-line client over the fake socket backend: what each command sends, its exit
// status and output, and the text helpers that keep adapter bytes from corrupting a
// terminal or a JSON document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/output.h"
#include "cli/text.h"
#include "platform/sockets/fake_sockets.h"
#include "protocol/display.h"
#include "protocol/wire.h"

namespace {

using sockets::FakeAdapter;

const FakeAdapter::MacBytes kMac{0x02, 0x44, 0x4d, 0x00, 0x00, 0x01};
const char* kMacText = "02:44:4d:00:00:01";

std::string ReadAll(std::FILE* f)
{
    std::string s;
    std::rewind(f);
    for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
    return s;
}

// A file the CLI writes into, in the working directory. Not std::tmpfile(): under Wine it
// names its files after the clock in one folder shared by every test process, and when tests
// run side by side it now and then hands back null.
class ScratchFile {
public:
    ScratchFile()
    {
        static int made = 0;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        m_name = std::string(test != nullptr ? test->name() : "cli") + "." +
                 std::to_string(++made) + ".scratch";
        m_file = std::fopen(m_name.c_str(), "w+b");
        if (m_file == nullptr) ADD_FAILURE() << "cannot create " << m_name;
    }
    ~ScratchFile()
    {
        if (m_file != nullptr) std::fclose(m_file);
        std::remove(m_name.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    std::FILE* get() const { return m_file; }
    std::string Text() const { return m_file != nullptr ? ReadAll(m_file) : std::string(); }

private:
    std::string m_name;
    std::FILE* m_file = nullptr;
};

struct CliRun {
    CliRun() : api(network), adapter(network.AddAdapter(kMac)) {}
    int Run(std::vector<std::string> args, std::optional<std::string> password = "admin")
    {
        ScratchFile outFile, errFile;
        cli::Io io;
        io.out = outFile.get();
        io.err = errFile.get();
        io.readPassword = [password] { return password; };
        const int rc = cli::Run(args, api, io);
        out = outFile.Text();
        err = errFile.Text();
        return rc;
    }
    // The payload of the one datagram sent with `cmd`.
    std::vector<std::uint8_t> Payload(std::uint16_t cmd)
    {
        const auto sent = network.SentWithCmd(cmd);
        EXPECT_EQ(1u, sent.size());
        if (sent.empty()) return {};
        return {sent[0].bytes.begin() + protocol::kHeaderSize, sent[0].bytes.end()};
    }
    static std::string Field(const std::vector<std::uint8_t>& p, std::size_t at, std::size_t width)
    {
        return std::string(p.begin() + static_cast<long>(at),
                           p.begin() + static_cast<long>(at + width));
    }

    sockets::FakeNetwork network;
    sockets::FakeSocketApi api;
    FakeAdapter& adapter;
    std::string out, err;
};

TEST(CliText, WireBytesBecomeSafeUtf8)
{
    using protocol::DecodeWireText;
    EXPECT_EQ("NAS-B\xc3\xbcro", DecodeWireText("NAS-B\xfcro")) << "Latin-1 when not UTF-8";
    EXPECT_EQ("NAS-B\xc3\xbcro", DecodeWireText("NAS-B\xc3\xbcro")) << "UTF-8 is kept";
    // Overlong forms and encoded surrogates are not UTF-8.
    EXPECT_EQ("\xc3\x80\xc2\xaf", DecodeWireText("\xc0\xaf"));
    EXPECT_EQ("\xc3\xad\xc2\xa0\xc2\x80", DecodeWireText("\xed\xa0\x80"));

    EXPECT_EQ("a?[2Jb?c", cli::Show("a\x1b[2Jb\x9b"
                                    "c"))
        << "ESC and the 8-bit CSI cannot reach the terminal";
    EXPECT_EQ(
        "NAS-\xEF\xBF\xBD"
        "1",
        cli::Show("NAS-\xE2\x80\xAE"
                  "1"))
        << "nor a right-to-left override";
    EXPECT_EQ(R"("q\"b\\n\n\u001b\u0085\u007f")",
              cli::JsonLine(cli::Json("q\"b\\n\n\x1b\xc2\x85\x7f")));
    EXPECT_EQ("\"\xef\xbf\xbd\"", cli::JsonLine(cli::Json("\xff")))
        << "a stray byte still gives valid JSON";
}

TEST(CliText, HelpNamesEveryOptionAndTablesAlignByDisplayWidth)
{
    const std::string usage = cli::UsageText();
    for (const std::string& name : cli::OptionNames())
        EXPECT_NE(std::string::npos, usage.find(name)) << name << " is missing from --help";

    // A Latin-1 name (two UTF-8 bytes per letter) and a CJK one (two columns per letter)
    // must not shift the next column.
    ScratchFile f;
    cli::PrintTable(
        f.get(),
        {{"NAS-\xc3\xa9\xc3\xa9", "x"}, {"\xe4\xb8\xad\xe6\x96\x87", "y"}, {"abcdef", "z"}});
    EXPECT_EQ("NAS-\xc3\xa9\xc3\xa9  x\n\xe4\xb8\xad\xe6\x96\x87    y\nabcdef  z\n", f.Text());
}

TEST(CliText, ParsesWhatUsersType)
{
    ASSERT_TRUE(cli::ParseMac("02-44-4D-00-00-0a"));
    EXPECT_EQ(0x0a, (*cli::ParseMac("02:44:4d:00:00:0A"))[5]);
    for (const char* bad :
         {"02:44:4d:00:00", "02:44:4d:00:00:0g", "02:44-4d:00:00:01", "0244:4d:00:00:01:"}) {
        EXPECT_FALSE(cli::ParseMac(bad)) << bad;
    }
    EXPECT_TRUE(cli::IsDottedQuad("255.255.255.255"));
    EXPECT_TRUE(cli::IsDottedQuad("0.0.0.0"));
    for (const char* bad : {"256.1.1.1", "1.2.3", "1.2.3.4.", ".1.2.3", "1..2.3", "1.2.3.4.5",
                            "0001.2.3.4", "1.2.3.a", ""}) {
        EXPECT_FALSE(cli::IsDottedQuad(bad)) << bad;
    }
    EXPECT_TRUE(cli::ParseDate("2024-02-29"));
    EXPECT_FALSE(cli::ParseDate("2023-02-29"));
    EXPECT_FALSE(cli::ParseDate("20240230"));
    EXPECT_FALSE(cli::ParseDate("1969-12-31"));
    EXPECT_EQ(12, cli::ParseDate("19991231")->month);
    EXPECT_TRUE(cli::ParseTime("23:59:59"));
    EXPECT_FALSE(cli::ParseTime("24:00:00"));
    EXPECT_EQ(5, cli::ParseTime("030405")->second);
}

TEST(CliCommands, DiscoverListsAdaptersAsJsonAndTable)
{
    CliRun run;
    run.adapter.name = "NAS-\x1b[31mX";
    ASSERT_EQ(0, run.Run({"--json", "discover"})) << run.err;
    EXPECT_EQ(
        "{\"devices\":[{\"name\":\"NAS-\\u001b[31mX\",\"mac\":\"02:44:4d:00:00:01\","
        "\"ipAddress\":\"192.0.2.2\",\"webPort\":80,\"interface\":\"fake0\"}]}\n",
        run.out);
    ASSERT_EQ(0, run.Run({"discover"}));
    EXPECT_NE(std::string::npos, run.out.find("NAS-?[31mX  02:44:4d:00:00:01  192.0.2.2"))
        << run.out;
    EXPECT_EQ("", run.err) << "no hint when an adapter answered";
}

TEST(CliCommands, DiscoverWithNoAnswerHintsWhyOnStderrOnly)
{
    CliRun run;
    run.adapter.silentFor = {protocol::CMD_DISCOVER};
    ASSERT_EQ(0, run.Run({"--json", "discover"})) << "an empty segment is not an error";
    EXPECT_EQ("{\"devices\":[]}\n", run.out);
    const std::string hint = run.err;
    EXPECT_NE(std::string::npos, hint.find("UDP to ports 16380-16387")) << hint;
    EXPECT_NE(std::string::npos, hint.find("\"Nothing found?\" in the README")) << hint;
    EXPECT_EQ(2, std::count(hint.begin(), hint.end(), '\n')) << hint;
    ASSERT_EQ(0, run.Run({"discover"}));
    EXPECT_NE(std::string::npos, run.out.find("0 adapter(s)")) << run.out;
    EXPECT_EQ(hint, run.err);

    run.api.faults.startupResult = 10091;
    EXPECT_EQ(1, run.Run({"discover"}));
    EXPECT_EQ("dravmoor: Network communication failed with error 10091\n", run.err)
        << "a socket failure is its own explanation";
}

TEST(CliCommands, RequestPortsAllTakenIsSaidOncePerRun)
{
    CliRun run;
    for (std::uint16_t p = 16380; p <= 16387; ++p) run.api.faults.udpPortsInUse.insert(p);
    const std::string said =
        "dravmoor: local UDP ports 16380-16387 are all in use; requests leave from a port the "
        "system chose, so a firewall that opens only those ports drops the answers\n";
    // A discovery for the name, the status query and the write: three sockets, one line.
    ASSERT_EQ(0, run.Run({"set-system", kMacText, "--description", "Office"})) << run.err;
    EXPECT_EQ(said, run.err);
    EXPECT_EQ("Office", run.adapter.description);
    ASSERT_EQ(0, run.Run({"discover"}));
    EXPECT_EQ(said, run.err) << "each run says it";
}

TEST(CliCommands, InterfaceOptionLimitsDiscoveryAndPerAdapterCommands)
{
    CliRun run;
    run.network.AddInterface("lan2", 2);
    const FakeAdapter::MacBytes mac2{0x02, 0x44, 0x4d, 0x00, 0x00, 0x02};
    run.network.AddAdapter(mac2).links = {2};

    ASSERT_EQ(0, run.Run({"discover"})) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("INTERFACE")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("02:44:4d:00:00:02  192.0.2.2   80        lan2"))
        << run.out;
    ASSERT_EQ(0, run.Run({"--json", "--interface", "lan2", "discover"})) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\"mac\":\"02:44:4d:00:00:02\"")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find(kMacText)) << "fake0 was not asked";

    // Status without discovery asks by every interface; the answer settles on lan2.
    run.network.ClearSent();
    ASSERT_EQ(0, run.Run({"--json", "status", "02:44:4d:00:00:02"})) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("\"interface\":\"lan2\"")) << run.out;
    const auto asks = run.network.SentWithCmd(protocol::CMD_GET_SYSTEM_INFO);
    ASSERT_EQ(2u, asks.size());
    for (const auto& d : run.network.Sent()) {
        if (d.Cmd() != protocol::CMD_GET_SYSTEM_INFO) {
            EXPECT_EQ(2u, d.via);
        }
    }
    run.network.ClearSent();
    EXPECT_EQ(3, run.Run({"--interface", "fake0", "status", "02:44:4d:00:00:02"}));
    EXPECT_EQ(2, run.Run({"--interface", "wlan9", "discover"}));
    EXPECT_NE(std::string::npos, run.err.find("fake0, lan2")) << run.err;
}

TEST(CliCommands, StatusTimeOutAndNetworkFailureExitNonZero)
{
    CliRun run;
    run.adapter.silentFor = {protocol::CMD_GET_NETWORK_INFO};
    EXPECT_EQ(3, run.Run({"status", kMacText}));
    EXPECT_EQ(
        "dravmoor: no answer yet from 02:44:4d:00:00:01, asking again\n"
        "dravmoor: Time out:get network info!\n",
        run.err);
    EXPECT_EQ("", run.out);
    EXPECT_EQ(5u, run.network.SentWithCmd(protocol::CMD_GET_NETWORK_INFO).size());
    // Sent once, as scripts may want, and the wait still said.
    run.network.ClearSent();
    EXPECT_EQ(3, run.Run({"--retries", "0", "status", kMacText}));
    EXPECT_EQ(1u, run.network.SentWithCmd(protocol::CMD_GET_NETWORK_INFO).size());
    EXPECT_EQ(0u, run.err.find("dravmoor: no answer yet from 02:44:4d:00:00:01, still waiting\n"));

    run.api.faults.startupResult = 10091;
    EXPECT_EQ(1, run.Run({"status", kMacText}));
    EXPECT_EQ("dravmoor: Network communication failed with error 10091\n", run.err);
}

TEST(CliCommands, BadArgumentsSendNothing)
{
    CliRun run;
    for (std::vector<std::string> args :
         {std::vector<std::string>{"status", "02:44:4d:00:00"},
          {"bogus"},
          {},
          {"status", kMacText, "extra"},
          {"set-network", kMacText, "--ip", "1.2.3.256"},
          {"set-network", kMacText, "--mask", "255.0.255.0"},
          {"set-system", kMacText, "--timezone", "Time"},
          {"set-system", kMacText, "--description", "dots. not allowed"},
          {"set-system", kMacText, "--description", std::string(64, 'a')},
          {"set-system", kMacText, "--timezone", "75"},
          {"set-system", kMacText, "--date"},
          {"verify", kMacText, "--user", std::string(17, 'u')}}) {
        EXPECT_EQ(2, run.Run(args)) << (args.empty() ? "" : args.back());
        EXPECT_NE(std::string::npos, run.err.find("dravmoor: ")) << run.err;
    }
    EXPECT_TRUE(run.network.Sent().empty());
    EXPECT_EQ(2, run.Run({"verify", kMacText}, "toolongpw")) << "9 characters";
    EXPECT_EQ(2, run.Run({"verify", kMacText}, "p\xc3\xa4ssw\xc3\xb6rd"))
        << "8 characters, 10 bytes";
    EXPECT_NE(std::string::npos, run.err.find("8 bytes")) << run.err;
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_VERIFY).empty());
}

TEST(CliCommands, VerifyOutcomes)
{
    CliRun run;
    run.adapter.adminPassword = "pw";
    EXPECT_EQ(0, run.Run({"verify", kMacText}, "pw"));
    const auto payload = run.Payload(protocol::CMD_VERIFY);
    EXPECT_EQ(std::string("admin\0\0\0\0\0\0\0\0\0\0\0pw\0\0\0\0\0\0", 24),
              CliRun::Field(payload, 0, 24));
    run.adapter.adminPassword = "p\xc3\xa4ss";  // 5 bytes: fits, sent whole
    EXPECT_EQ(0, run.Run({"verify", kMacText}, "p\xc3\xa4ss")) << run.err;
    run.adapter.adminPassword = "pw";
    EXPECT_EQ(4, run.Run({"verify", kMacText, "--user", "root"}, "pw"));
    EXPECT_EQ("dravmoor: Verify failed!\n", run.err);
    run.adapter.silentFor = {protocol::CMD_VERIFY};
    run.network.AddResponder([](const sockets::FakeDatagram& r) -> std::vector<sockets::FakeReply> {
        if (r.Cmd() != protocol::CMD_VERIFY) return {};
        return {{sockets::FakeMessage(protocol::CMD_GET_DISK_INFO, 0, kMac)}};
    });
    EXPECT_EQ(1, run.Run({"verify", kMacText}, "pw"));
}

TEST(CliCommands, ThePasswordGoesOnlyWhereTheAdapterAnswers)
{
    CliRun run;
    run.network.interfaces = {{"eth0", 1, sockets::kFakeHostAddr}, {"guest", 2, 0xC0000241u}};
    EXPECT_EQ(0, run.Run({"verify", kMacText}, "admin")) << run.err;
    for (const auto& d : run.network.SentWithCmd(protocol::CMD_VERIFY)) EXPECT_EQ(1u, d.via);
    EXPECT_EQ(1u, run.network.SentWithCmd(protocol::CMD_VERIFY).size());
    // Not found on any network: nothing secret leaves at all.
    run.network.ClearSent();
    run.adapter.silent = true;
    EXPECT_EQ(3, run.Run({"--retries", "0", "verify", kMacText}, "admin"));
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_VERIFY).empty());
}

TEST(CliCommands, AnAdapterAnotherNetworkClaimsGetsNoPasswordAndNoWrite)
{
    // A host on the guest network answers every request for the adapter, first.
    CliRun run;
    run.network.interfaces = {{"eth0", 1, sockets::kFakeHostAddr}, {"guest", 2, 0xC0000241u}};
    run.adapter.delay = std::chrono::milliseconds(20);
    run.network.AddResponder([](const sockets::FakeDatagram& request) {
        std::vector<sockets::FakeReply> replies;
        if (request.Cmd() != protocol::CMD_DISCOVER)
            replies.push_back({{0x5a}, {}, sockets::kFakeAdapterAddr, 1638, 2});
        return replies;
    });
    const std::vector<std::vector<std::string>> commands = {
        {"verify", kMacText},
        {"set-system", kMacText, "--description", "x"},
        {"set-network", kMacText, "--dns1", "192.0.2.53"}};
    for (const auto& command : commands) {
        EXPECT_EQ(1, run.Run(command)) << command[0];
        EXPECT_NE(run.err.find("answered by guest and eth0, differently"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("--interface"), std::string::npos);
    }
    EXPECT_EQ(1, run.Run({"status", kMacText}));
    for (std::uint16_t cmd :
         {protocol::CMD_VERIFY, protocol::CMD_SET_SYSTEM_INFO, protocol::CMD_SET_NETWORK_INFO})
        EXPECT_TRUE(run.network.SentWithCmd(cmd).empty()) << cmd;
    // Named, the network is the adapter's own, and the other one's datagrams count for nothing.
    run.network.ClearSent();
    for (const auto& command : commands) {
        std::vector<std::string> named = {"--interface", "eth0"};
        named.insert(named.end(), command.begin(), command.end());
        EXPECT_EQ(0, run.Run(named)) << run.err;
    }
    for (const auto& d : run.network.Sent()) EXPECT_EQ(1u, d.via) << d.Cmd();
}

TEST(CliCommands, WritesAskForTheAdministratorWhenTheAdapterWantsIt)
{
    CliRun run;
    run.adapter.passwordRequired = 1;
    run.adapter.adminPassword = "secret";
    const std::vector<std::string> write = {"set-network", kMacText, "--dns1", "192.0.2.53"};
    EXPECT_EQ(4, run.Run(write, "wrong"));
    EXPECT_EQ("dravmoor: Verify failed!\n", run.err);
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_SET_NETWORK_INFO).empty());
    EXPECT_EQ(0, run.Run(write, "secret")) << run.err;
    EXPECT_EQ(1u, run.network.SentWithCmd(protocol::CMD_SET_NETWORK_INFO).size());
    EXPECT_EQ(2u, run.network.SentWithCmd(protocol::CMD_VERIFY).size());
}

TEST(CliCommands, AWriteNeverFillsFieldsFromAnAnswerThatDidNotCome)
{
    // Every answer twice: the second copies are skipped, so the write keeps the adapter's
    // address instead of blanking it.
    CliRun run;
    run.adapter.copies = 2;
    ASSERT_EQ(0, run.Run({"set-network", kMacText, "--dns1", "192.0.2.53"})) << run.err;
    auto p = run.Payload(protocol::CMD_SET_NETWORK_INFO);
    EXPECT_EQ(std::string("192.0.2.2\0", 10), CliRun::Field(p, 1, 10));
    EXPECT_EQ(std::string("192.0.2.53\0", 11), CliRun::Field(p, 46, 11));

    // The network information answered by something else: nothing is sent, status says so.
    run.adapter.copies = 1;
    run.adapter.silentFor = {protocol::CMD_GET_NETWORK_INFO};
    run.network.AddResponder([](const sockets::FakeDatagram& r) -> std::vector<sockets::FakeReply> {
        if (r.Cmd() != protocol::CMD_GET_NETWORK_INFO) return {};
        return {{sockets::FakeMessage(protocol::CMD_GET_DISK_INFO, 0, kMac)}};
    });
    run.network.ClearSent();
    EXPECT_EQ(1, run.Run({"set-network", kMacText, "--dns1", "192.0.2.53"}));
    EXPECT_NE(std::string::npos, run.err.find("network information")) << run.err;
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_SET_NETWORK_INFO).empty());
    EXPECT_EQ(1, run.Run({"--json", "status", kMacText}));
    EXPECT_NE(std::string::npos, run.out.find("\"missing\":[\"networkInfo\"]")) << run.out;
}

TEST(CliCommands, SetSystemKeepsWhatIsNotGivenAndSendsTheDiscoveredName)
{
    CliRun run;
    run.adapter.name = "Sixteen-chars-XY";
    run.adapter.description = "Kept as it was";
    run.adapter.date = "20251231";
    run.adapter.time = "235958";
    ASSERT_EQ(0, run.Run({"set-system", kMacText, "--timezone", "3"})) << run.err;
    // Status query first, then a discovery for the name, then the write.
    EXPECT_EQ(1u, run.network.SentWithCmd(protocol::CMD_GET_SYSTEM_INFO).size());
    EXPECT_EQ(3u, run.network.SentWithCmd(protocol::CMD_DISCOVER).size()) << "asked 3 times";
    const auto p = run.Payload(protocol::CMD_SET_SYSTEM_INFO);
    EXPECT_EQ(0, p[0]);
    EXPECT_EQ("Sixteen-chars-XY", CliRun::Field(p, 1, 16));
    EXPECT_EQ("Kept as it was", CliRun::Field(p, 17, 14));
    EXPECT_EQ("20251231235958", CliRun::Field(p, 81, 14));
    EXPECT_EQ(3, p[95]);
    EXPECT_EQ("system settings sent; the adapter answered\n", run.out);
}

TEST(CliCommands, SetSystemWithEverythingGivenStillFindsTheAdapterFirst)
{
    CliRun run;
    ASSERT_EQ(0, run.Run({"--json", "set-system", kMacText, "--name", "N", "--description", "",
                          "--date", "2030-01-02", "--time", "03:04:05", "--timezone", "0",
                          "--password-required", "yes"}))
        << run.err;
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_DISCOVER).empty());
    const auto p = run.Payload(protocol::CMD_SET_SYSTEM_INFO);
    EXPECT_EQ(1, p[0]);
    EXPECT_EQ(std::string("N\0", 2), CliRun::Field(p, 1, 2));
    EXPECT_EQ(std::string(64, '\0'), CliRun::Field(p, 17, 64));
    EXPECT_EQ("20300102030405", CliRun::Field(p, 81, 14));
    EXPECT_EQ("{\"result\":\"answered\"}\n", run.out);
}

TEST(CliCommands, SetSystemWithoutDiscoveryAnswerNeedsAName)
{
    CliRun run;
    run.adapter.silentFor = {protocol::CMD_DISCOVER};
    EXPECT_EQ(3, run.Run({"set-system", kMacText, "--timezone", "1"}));
    EXPECT_NE(std::string::npos, run.err.find("--name"));
    EXPECT_TRUE(run.network.SentWithCmd(protocol::CMD_SET_SYSTEM_INFO).empty());
}

TEST(CliCommands, SetNetworkOutcomes)
{
    CliRun run;
    run.adapter.ipMode = 1;
    ASSERT_EQ(0, run.Run({"set-network", kMacText, "--ip", "10.0.0.1"})) << run.err;
    auto p = run.Payload(protocol::CMD_SET_NETWORK_INFO);
    EXPECT_EQ(1, p[0]) << "the adapter's mode is kept";
    EXPECT_EQ(std::string("10.0.0.1\0\0\0\0\0\0\0", 15), CliRun::Field(p, 1, 15));
    EXPECT_EQ("255.255.255.0", CliRun::Field(p, 16, 13));

    run.network.ClearSent();
    run.adapter.refuseNetwork = true;
    EXPECT_EQ(4, run.Run({"set-network", kMacText, "--mode", "static", "--ip", "1.1.1.1", "--mask",
                          "255.255.255.255", "--gateway", "1.1.1.1", "--dns1", "1.1.1.1", "--dns2",
                          "1.1.1.1"}));
    EXPECT_EQ("dravmoor: Set network info failed!\n", run.err);
    p = run.Payload(protocol::CMD_SET_NETWORK_INFO);
    EXPECT_EQ("255.255.255.255", CliRun::Field(p, 16, 15));

    // Sent as the window's address control would: no leading zeros an adapter could read as
    // octal.
    run.adapter.refuseNetwork = false;
    run.network.ClearSent();
    ASSERT_EQ(0, run.Run({"set-network", kMacText, "--ip", "010.001.001.001", "--mask",
                          "255.255.255.000"}));
    p = run.Payload(protocol::CMD_SET_NETWORK_INFO);
    EXPECT_EQ(std::string("10.1.1.1\0", 9), CliRun::Field(p, 1, 9));
    EXPECT_EQ(std::string("255.255.255.0\0", 14), CliRun::Field(p, 16, 14));

    run.adapter.silentFor = {protocol::CMD_SET_NETWORK_INFO};
    EXPECT_EQ(3, run.Run({"set-network", kMacText, "--mode", "DHCP", "--ip", "1.1.1.1", "--mask",
                          "255.0.0.0", "--gateway", "1.1.1.1", "--dns1", "1.1.1.1", "--dns2",
                          "1.1.1.1"}));
    EXPECT_EQ(
        "dravmoor: no answer yet from 02:44:4d:00:00:01, asking again\n"
        "dravmoor: no answer to the network settings\n",
        run.err);
}

TEST(CliCommands, ConventionsOfTheCommandLine)
{
    CliRun run;
    EXPECT_EQ(0, run.Run({"--version"}));
    EXPECT_EQ("dravmoor " DRAVMOOR_VERSION "\n", run.out);
    EXPECT_EQ(2, run.Run({}));
    EXPECT_EQ(0u, run.err.find("dravmoor: no command given\nUsage: dravmoor")) << run.err;
    EXPECT_EQ(0, run.Run({"help", "verify"}));
    EXPECT_EQ(0u, run.out.find("Usage: dravmoor [--json] verify MAC [--user NAME]")) << run.out;
    EXPECT_EQ(std::string::npos, run.out.find("set-system")) << run.out;
    EXPECT_EQ(2, run.Run({"help", "bogus"}));

    // With --json an error is a document on stdout as well as the line on stderr.
    EXPECT_EQ(2, run.Run({"--json", "status", "nonsense"}));
    EXPECT_EQ(
        "{\"error\":\"'nonsense' is not a MAC address (xx:xx:xx:xx:xx:xx) (see dravmoor "
        "--help)\",\"exitStatus\":2}\n",
        run.out);
    run.adapter.silent = true;
    EXPECT_EQ(3, run.Run({"--json", "--retries", "0", "status", kMacText}));
    EXPECT_EQ("{\"error\":\"Time out:get system info!\",\"exitStatus\":3}\n", run.out);
    EXPECT_NE(std::string::npos, run.err.find("dravmoor discover")) << "the hint, on stderr";
    run.adapter.silent = false;

    EXPECT_EQ(0, run.Run({"timezones"}));
    EXPECT_NE(std::string::npos, run.out.find("56  (GMT+08:00) Beijing, Chongqing")) << run.out;
    run.adapter.date = "20261209";
    run.adapter.time = "082640";
    ASSERT_EQ(0, run.Run({"status", kMacText})) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("2026-12-09 08:26:40")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("27 (GMT+01:00) Amsterdam")) << run.out;
    ASSERT_EQ(0, run.Run({"set-system", kMacText, "--timezone", "beijing"})) << run.err;
    EXPECT_EQ(56, run.Payload(protocol::CMD_SET_SYSTEM_INFO)[95]);
}

}  // namespace
