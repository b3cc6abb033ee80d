// Plans of `dravmoor apply`: reading CSV and JSON as export and spreadsheets write them, the
// per-row checks, the difference that decides what is written and confirmed, the checks
// across the segment, and what `watch` reports between discoveries.
#include <gtest/gtest.h>

#include <cstring>

#include "cli/plan.h"
#include "cli/watch.h"

namespace {

using cli::Problem;

protocol::DeviceInfo Held()
{
    protocol::DeviceInfo d;
    d.mac = {0x02, 0x44, 0x4d, 0x00, 0x00, 0x01};
    std::strcpy(d.name.data(), "NAS-B\xfcro");  // Latin-1, as some adapters send it
    std::strcpy(d.description.data(), "Front desk");
    std::strcpy(d.firmware.data(), "2104");
    std::strcpy(d.date.data(), "20260315");
    std::strcpy(d.time.data(), "081530");
    d.timezone = 27;
    d.ipMode = 0;
    std::strcpy(d.ipAddress.data(), "192.0.2.2");
    std::strcpy(d.subnetMask.data(), "255.255.255.0");
    std::strcpy(d.gateway.data(), "192.0.2.254");
    std::strcpy(d.dns1.data(), "192.0.2.53");
    std::strcpy(d.dns2.data(), "192.0.2.54");
    d.interfaceName = "eth0";
    return d;
}

std::string Texts(const std::vector<Problem>& problems)
{
    std::string all;
    for (const Problem& p : problems)
        all += std::to_string(p.line) + (p.warning ? " warning: " : ": ") + p.text + "\n";
    return all;
}

// A plan of one row over `header`, checked against Held().
cli::RowPlan Row(const std::string& csv, std::vector<Problem>& problems)
{
    const std::vector<cli::PlanRow> rows = cli::ReadPlan(csv, problems);
    if (rows.size() != 1) {
        ADD_FAILURE() << "rows: " << rows.size() << "\n" << Texts(problems);
        return {};
    }
    const protocol::DeviceInfo held = Held();
    return cli::CheckRow(rows[0], held.mac, &held, problems);
}

std::string Changes(const cli::Difference& d)
{
    std::string all;
    for (const auto& c : d.changes) all += c.field + ": " + c.held + " -> " + c.planned + "\n";
    return all;
}

TEST(Plan, AnExportAppliesAsItStandsAlsoAsASpreadsheetSavesIt)
{
    const protocol::DeviceInfo held = Held();
    std::array<std::string, cli::kColumnCount> header;
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = cli::ColumnNames()[i];
    const std::string exported = cli::CsvLine(header) + cli::CsvLine(cli::ExportCells(held));
    EXPECT_NE(std::string::npos, exported.find(",NAS-B\xc3\xbcro,Front desk,,,27,\"(GMT+01:00) "
                                               "Amsterdam, Berlin,Bern,Rome,Stockholm,Vienna\","
                                               "no,static,192.0.2.2,"))
        << exported;
    // The same file as a spreadsheet in a decimal-comma locale saves it.
    std::string sheet = "\xEF\xBB\xBF";
    bool quoted = false;
    for (char c : exported) {
        quoted = c == '"' ? !quoted : quoted;
        if (c == '\n') {
            sheet += "\r\n";
        } else {
            sheet += c == ',' && !quoted ? ';' : c;
        }
    }
    for (const std::string& text : {exported, sheet}) {
        std::vector<Problem> problems;
        const std::vector<cli::PlanRow> rows = cli::ReadPlan(text, problems);
        ASSERT_EQ(1u, rows.size()) << Texts(problems);
        EXPECT_EQ(2, rows[0].line);
        EXPECT_FALSE(rows[0].cells[cli::kColDate]) << "an empty cell keeps";
        const cli::RowPlan plan = cli::CheckRow(rows[0], held.mac, &held, problems);
        EXPECT_EQ("", Texts(problems));
        const cli::Difference d = cli::Diff(held, plan, 0);
        EXPECT_EQ("", Changes(d));
        EXPECT_FALSE(d.system || d.network) << "nothing to write";
    }
}

TEST(Plan, CsvQuotingAndTheFormulaGuardRoundTrip)
{
    std::array<std::string, cli::kColumnCount> cells{};
    cells[cli::kColMac] = "02:44:4d:00:00:01";
    cells[cli::kColName] = "=HYPERLINK(\"x\")";
    cells[cli::kColDescription] = "-spare; \"B\"";
    const std::string line = cli::CsvLine(cells);
    EXPECT_EQ(0u, line.find("02:44:4d:00:00:01,\"'=HYPERLINK(\"\"x\"\")\",\"'-spare; \"\"B\"\"\","))
        << line;
    std::array<std::string, cli::kColumnCount> header;
    for (std::size_t i = 0; i < header.size(); ++i) header[i] = cli::ColumnNames()[i];
    std::vector<Problem> problems;
    const auto rows = cli::ReadPlan(cli::CsvLine(header) + line, problems);
    ASSERT_EQ(1u, rows.size()) << Texts(problems);
    EXPECT_EQ(cells[cli::kColName], rows[0].cells[cli::kColName]);
    EXPECT_EQ(cells[cli::kColDescription], rows[0].cells[cli::kColDescription]);
}

TEST(Plan, FileProblemsAreListedWithTheirLines)
{
    const struct {
        const char* text;
        const char* problems;
    } cases[] = {
        {"mac,colour,ip,ip\n", "1: unknown column 'colour'\n1: column 'ip' twice\n"},
        {"name\nx\n", "1: no 'mac' column\n"},
        {"mac,ip\n02:44:4d:00:00:01,1.2.3.4,extra\n02:44:4d:00:00:02,\"open\n",
         "2: Too many columns in line 2 in file \"plan\".\n"
         "3: Escaped string was not closed in line 3 in file \"plan\".\n"},
        {"  \r\n", "0: the plan is empty\n"},
        {"[{\"mac\": \"02:44:4d:00:00:01\", \"colour\": 1, \"ip\": [1]}, 3]",
         "1: unknown key 'colour'\n1: 'ip' is neither text, number nor yes/no\n2: not an "
         "object\n"},
        {"[1,", "0: not valid JSON: "},
    };
    for (const auto& c : cases) {
        std::vector<Problem> problems;
        cli::ReadPlan(c.text, problems);
        EXPECT_EQ(0u, Texts(problems).find(c.problems)) << c.text << "\n" << Texts(problems);
    }
}

TEST(Plan, JsonPlansTakeTypedValues)
{
    std::vector<Problem> problems;
    const auto rows = cli::ReadPlan(
        "[{\"mac\":\"02:44:4d:00:00:01\",\"timezone\":56,\"passwordRequired\":true,"
        "\"date\":null,\"description\":\"\"}]",
        problems);
    ASSERT_EQ(1u, rows.size()) << Texts(problems);
    EXPECT_EQ("56", rows[0].cells[cli::kColTimezone]);
    EXPECT_EQ("yes", rows[0].cells[cli::kColPasswordRequired]);
    EXPECT_FALSE(rows[0].cells[cli::kColDate]);
    EXPECT_FALSE(rows[0].cells[cli::kColDescription]) << "empty keeps, as in CSV";
}

TEST(Plan, EveryRefusedValueOfARowIsListedWithTheSingleCommandsWords)
{
    std::vector<Problem> problems;
    Row("mac,description,date,timezone,passwordRequired,mode,mask,name\n"
        "02:44:4d:00:00:01,a.b,2023-02-29,Time,maybe,bridge,255.0.255.0,12345678901234567\n",
        problems);
    EXPECT_EQ(
        "2: the name has more than 16 characters\n"
        "2: the description is invalid; valid characters are 0-9, a-z, A-Z, space, '-' and '_'\n"
        "2: '2023-02-29' is not a date (YYYY-MM-DD)\n"
        "2: 'Time' is in 6 timezones; give more of the text, or the position (see dravmoor "
        "timezones)\n"
        "2: passwordRequired takes yes or no\n"
        "2: mode takes static or dhcp\n",
        Texts(problems))
        << "the mask is checked once the mode passes";

    problems.clear();
    Row("mac,timezone,timezoneText\n02:44:4d:00:00:01,56,Tokyo\n", problems);
    EXPECT_EQ("2: timezone 56 and timezoneText 'Tokyo' name different entries\n", Texts(problems));
    problems.clear();
    const cli::RowPlan edited =
        Row("mac,timezone,timezoneText\n02:44:4d:00:00:01,27,Tokyo\n", problems);
    EXPECT_EQ("", Texts(problems)) << "the held timezone with an edited text: the edit counts";
    EXPECT_EQ(61, edited.system.timezone);
}

TEST(Plan, TheDifferenceWritesOnlyWhatChangesAndKeepsTheRest)
{
    const protocol::DeviceInfo held = Held();
    std::vector<Problem> problems;
    const cli::RowPlan plan =
        Row("mac,description,ip\n02:44:4d:00:00:01,Lobby,192.0.2.020\n", problems);
    ASSERT_EQ("", Texts(problems));
    const cli::Difference d = cli::Diff(held, plan, 0, 90);
    EXPECT_EQ("description: Front desk -> Lobby\nip: 192.0.2.2 -> 192.0.2.20\n", Changes(d));
    ASSERT_TRUE(d.system && d.network);
    EXPECT_EQ("NAS-B\xfcro", protocol::FieldText(d.system->name)) << "the name's own bytes";
    EXPECT_EQ(27, d.system->timezone);
    EXPECT_EQ(8, d.system->hour);
    EXPECT_EQ(17, d.system->minute) << "the clock goes back as it runs, 90 s after the query";
    EXPECT_EQ(0, d.system->second);
    EXPECT_EQ("192.0.2.254", d.network->addresses[2]);

    const cli::Difference onlyIp =
        cli::Diff(held, Row("mac,ip\n02:44:4d:00:00:01,192.0.2.9\n", problems), 0);
    EXPECT_FALSE(onlyIp.system) << "no system write for a network change";

    // After the writes: what the adapter holds against the plan.
    protocol::DeviceInfo after = held;
    std::strcpy(after.description.data(), "Lobby");
    EXPECT_EQ(1u, cli::ReadBack(after, plan, d, std::nullopt).size()) << "the ip did not take";
    std::strcpy(after.ipAddress.data(), "192.0.2.20");
    EXPECT_TRUE(cli::ReadBack(after, plan, d, std::nullopt).empty());
}

TEST(Plan, NowIsTheTimeInTheAdaptersTimezone)
{
    const protocol::DeviceInfo held = Held();
    std::vector<Problem> problems;
    // 2026-12-10 04:58:37 UTC; timezone 56 is GMT+08:00, 18 GMT-03:30.
    const std::int64_t utc = 1796878717;
    const cli::RowPlan plan =
        Row("mac,date,time,timezone\n02:44:4d:00:00:01,now,NOW,56\n", problems);
    ASSERT_EQ("", Texts(problems));
    const cli::Difference d = cli::Diff(held, plan, utc);
    ASSERT_TRUE(d.system && d.clock);
    EXPECT_EQ(12, d.system->hour);
    EXPECT_EQ(10, d.system->day);
    const cli::Difference west =
        cli::Diff(held, Row("mac,time,timezone\n02:44:4d:00:00:01,now,18\n", problems), utc);
    EXPECT_EQ(1, west.system->hour);
    EXPECT_EQ(28, west.system->minute);
    EXPECT_EQ(15, west.system->day) << "the date is kept when only the time is planned";

    // A clock that is right within two seconds is no change.
    protocol::DeviceInfo right = held;
    std::strcpy(right.date.data(), "20261210");
    std::strcpy(right.time.data(), "125836");
    right.timezone = 56;
    EXPECT_FALSE(cli::Diff(right, plan, utc).system);

    protocol::DeviceInfo unknownZone = held;
    unknownZone.timezone = 200;
    EXPECT_EQ("", cli::Diff(unknownZone, plan, utc).problem) << "the plan's own timezone counts";
    EXPECT_NE(std::string::npos,
              cli::Diff(unknownZone, Row("mac,time\n02:44:4d:00:00:01,now\n", problems), utc)
                  .problem.find("give a timezone"));
}

TEST(Plan, APlannedClockIsHeldWithinTheTimeTheWriteTook)
{
    const protocol::DeviceInfo held = Held();
    std::vector<Problem> problems;
    const cli::RowPlan plan =
        Row("mac,date,time\n02:44:4d:00:00:01,2026-12-10,10:00:00\n", problems);
    const cli::Difference d = cli::Diff(held, plan, 0);
    ASSERT_TRUE(d.clock);
    protocol::DeviceInfo after = held;
    std::strcpy(after.date.data(), "20261210");
    std::strcpy(after.time.data(), "100005");  // set by a resend 3 s after the first request
    EXPECT_TRUE(
        cli::ReadBack(after, plan, d, cli::ClockWindow{*d.clock + 4, *d.clock + 8}).empty());
    std::strcpy(after.time.data(), "095000");
    ASSERT_EQ(1u,
              cli::ReadBack(after, plan, d, cli::ClockWindow{*d.clock + 4, *d.clock + 8}).size());
}

TEST(Plan, AHeldDescriptionTheAdapterWouldRefuseBlocksOtherSystemChanges)
{
    protocol::DeviceInfo held = Held();
    std::strcpy(held.description.data(), "Caf\xe9");
    std::vector<Problem> problems;
    const auto row = cli::ReadPlan("mac,passwordRequired\n02:44:4d:00:00:01,yes\n", problems);
    const cli::RowPlan plan = cli::CheckRow(row[0], held.mac, &held, problems);
    EXPECT_NE(std::string::npos, cli::Diff(held, plan, 0).problem.find("description"));
    EXPECT_TRUE(
        cli::Diff(held,
                  cli::CheckRow(cli::ReadPlan("mac,ip\n02:44:4d:00:00:01,192.0.2.7\n", problems)[0],
                                held.mac, &held, problems),
                  0)
            .problem.empty())
        << "a network change alone does not send the description";
}

TEST(Plan, TheSegmentAfterThePlanIsChecked)
{
    using A = cli::SegmentAdapter;
    const auto planned = [](int n, const char* ip, const char* mask = "255.255.255.0",
                            const char* gateway = "192.0.2.254") {
        A a;
        a.mac = {2, 0x44, 0x4d, 0, 0, static_cast<std::uint8_t>(n)};
        a.name = "NAS-" + std::to_string(n);
        a.address = ip;
        a.planned = true;
        a.line = n + 1;
        a.interfaceName = "eth0";
        a.mode = 0;
        a.mask = mask;
        a.gateway = gateway;
        return a;
    };
    A keeps = planned(9, "192.0.2.9");
    keeps.planned = false;
    keeps.line = 0;
    A dhcp = planned(8, "192.0.2.30");
    dhcp.mode = 1;
    std::vector<sockets::NetworkInterface> interfaces(1);
    interfaces[0].name = "eth0";
    interfaces[0].subnets = {{0xC0000201u, 0xFFFFFF00u}};
    std::vector<Problem> problems;
    cli::CheckSegment(
        {planned(1, "192.0.2.30"), planned(2, "192.0.2.30"), keeps, planned(3, "192.0.2.9"), dhcp,
         planned(4, "192.0.2.0"), planned(5, "192.0.2.255"),
         planned(6, "192.0.2.40", "255.255.255.0", "10.0.0.1"),
         planned(7, "10.1.1.1", "255.0.0.0", "0.0.0.0"),
         planned(10, "192.0.2.11", "255.255.255.254", "0.0.0.0")},
        interfaces, problems);
    EXPECT_EQ(
        "2: ip 192.0.2.30 is also planned for NAS-2 (02:44:4d:00:00:02) on line 3\n"
        "3: ip 192.0.2.30 is also planned for NAS-1 (02:44:4d:00:00:01) on line 2\n"
        "4: ip 192.0.2.9 is held by NAS-9 (02:44:4d:00:00:09), which keeps it\n"
        "5: ip 192.0.2.0 is the network address of its subnet\n"
        "6: ip 192.0.2.255 is the broadcast address of its subnet\n"
        "7: gateway 10.0.0.1 is outside the subnet of 192.0.2.40/255.255.255.0\n"
        "8 warning: ip 10.1.1.1 is outside every subnet of eth0, where the adapter "
        "answers: its web page and shares would be out of this computer's reach\n",
        Texts(problems))
        << "DHCP frees its address; a /31 has no network or broadcast address; 0.0.0.0 is no "
           "gateway";
}

TEST(Watch, AdaptersAppearChangeAndGoAfterTwoMissedDiscoveries)
{
    cli::Watcher w;
    const auto adapter = [](int n, const char* name, const char* ip) {
        return cli::WatchedAdapter{
            {2, 0x44, 0x4d, 0, 0, static_cast<std::uint8_t>(n)}, name, ip, "eth0"};
    };
    const auto kind = [](const std::optional<cli::WatchEvent>& e) {
        return e ? e->kind : std::string("-");
    };
    EXPECT_EQ("present", kind(w.Answered(adapter(1, "A", "192.0.2.2"))));
    EXPECT_EQ("-", kind(w.Answered(adapter(1, "A", "192.0.2.2")))) << "a second copy";
    EXPECT_TRUE(w.EndRound().empty());
    EXPECT_EQ("-", kind(w.Answered(adapter(1, "A", "192.0.2.2")))) << "unchanged: silence";
    EXPECT_EQ("appeared", kind(w.Answered(adapter(2, "B", "192.0.2.3"))));
    EXPECT_TRUE(w.EndRound().empty());
    const auto renamed = w.Answered(adapter(1, "Lobby", "192.0.2.2"));
    ASSERT_EQ("changed", kind(renamed));
    EXPECT_EQ("A", renamed->was.name);
    EXPECT_TRUE(w.EndRound().empty()) << "B missed one discovery only";
    EXPECT_EQ("-", kind(w.Answered(adapter(2, "B", "192.0.2.3")))) << "back: nothing to say";
    EXPECT_TRUE(w.EndRound().empty()) << "Lobby missed one";
    const auto gone = w.EndRound();
    ASSERT_EQ(1u, gone.size());
    EXPECT_EQ("gone", gone[0].kind);
    EXPECT_EQ("Lobby", gone[0].now.name);
    EXPECT_EQ(1u, w.EndRound().size()) << "B, a discovery later";
    EXPECT_EQ("appeared", kind(w.Answered(adapter(2, "B", "192.0.2.3")))) << "and again";
}

}  // namespace
