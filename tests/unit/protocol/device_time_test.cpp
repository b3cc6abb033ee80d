// The conversion of the adapter's date and time texts into a local time for the pickers:
// number pieces, calendar carry, daylight-saving time and the representable range.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "protocol/device_time.h"
#include "test_support.h"

namespace {

using protocol::CalendarTime;

using testing_support::SetTimeZoneVariable;

// Runs each test in a fixed zone with daylight-saving time (POSIX rule string, so no zone
// database is needed): UTC+1, summer time UTC+2 from the last Sunday of March 02:00 to the
// last Sunday of October 03:00.
class DeviceTimeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* old = std::getenv("TZ");
        m_hadTz = old != nullptr;
        if (m_hadTz) m_oldTz = old;
        SetTimeZoneVariable("CET-1CEST,M3.5.0,M10.5.0/3");
    }
    void TearDown() override { SetTimeZoneVariable(m_hadTz ? m_oldTz : std::string()); }

    static std::optional<CalendarTime> Fill(std::string_view date, std::string_view time)
    {
        const auto value = protocol::DeviceTimeValue(date, time);
        if (!value) return std::nullopt;
        return protocol::LocalCalendarTime(*value);
    }

private:
    bool m_hadTz = false;
    std::string m_oldTz;
};

TEST_F(DeviceTimeTest, PiecesReadLikeAtoi)
{
    EXPECT_EQ(protocol::ParseNumberPiece("2024"), 2024);
    EXPECT_EQ(protocol::ParseNumberPiece("07"), 7);
    EXPECT_EQ(protocol::ParseNumberPiece("  12"), 12);
    EXPECT_EQ(protocol::ParseNumberPiece("-3"), -3);
    EXPECT_EQ(protocol::ParseNumberPiece("+4"), 4);
    EXPECT_EQ(protocol::ParseNumberPiece("1x"), 1);
    EXPECT_EQ(protocol::ParseNumberPiece("ab"), 0);
    EXPECT_EQ(protocol::ParseNumberPiece(""), 0);
    EXPECT_EQ(protocol::ParseNumberPiece("-"), 0);
    EXPECT_EQ(protocol::ParseNumberPiece(std::string_view("\0\0", 2)), 0);
}

TEST_F(DeviceTimeTest, EachPieceIsConvertedOnItsOwn)
{
    // "2024" "05" "17" — a digit from the month must not run into the year.
    EXPECT_EQ(Fill("20240517", "083005"), (CalendarTime{2024, 5, 17, 8, 30, 5}));
    // A non-digit stops only its own piece: month " 6" -> 6, day "x1" -> 0 (carried).
    EXPECT_EQ(Fill("2023 6x1", "1 2 3 "), (CalendarTime{2023, 5, 31, 1, 2, 3}));
    // Short texts (a device that sent fewer digits) read missing pieces as 0.
    EXPECT_EQ(Fill("202403", ""), (CalendarTime{2024, 2, 29, 0, 0, 0}));
}

TEST_F(DeviceTimeTest, OutOfRangeFieldsCarry)
{
    EXPECT_EQ(Fill("20231301", "120000"), (CalendarTime{2024, 1, 1, 12, 0, 0}));
    EXPECT_EQ(Fill("20240300", "000000"), (CalendarTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_EQ(Fill("20230100", "000000"), (CalendarTime{2022, 12, 31, 0, 0, 0}));
    EXPECT_EQ(Fill("20231231", "246060"), (CalendarTime{2024, 1, 1, 1, 1, 0}));
    EXPECT_EQ(Fill("20240199", "000000"), (CalendarTime{2024, 4, 8, 0, 0, 0}));
}

TEST_F(DeviceTimeTest, DaylightSavingTimeFollowsTheZone)
{
#ifdef _WIN32
    GTEST_SKIP() << "the Windows C runtime takes only the offset from TZ, not the rule";
#endif
    // A summer time keeps its wall-clock fields (not shifted by the hour of DST).
    EXPECT_EQ(Fill("20240715", "120000"), (CalendarTime{2024, 7, 15, 12, 0, 0}));
    const auto summer = protocol::DeviceTimeValue("20240715", "120000");
    ASSERT_TRUE(summer);
    EXPECT_EQ(*summer, 1721037600);  // 10:00 UTC
    const auto winter = protocol::DeviceTimeValue("20240115", "120000");
    ASSERT_TRUE(winter);
    EXPECT_EQ(*winter, 1705316400);  // 11:00 UTC
    // 02:30 on the spring-forward day does not exist; it becomes 03:30 summer time.
    EXPECT_EQ(Fill("20240331", "023000"), (CalendarTime{2024, 3, 31, 3, 30, 0}));
}

TEST_F(DeviceTimeTest, RepresentableRange)
{
    // All zeros: year 0, month 0, day 0 is long before 1970.
    EXPECT_FALSE(protocol::DeviceTimeValue("00000000", "000000"));
    EXPECT_FALSE(protocol::DeviceTimeValue("", ""));
    // Midnight of 1 January 1970 local time is still 1969 in UTC here.
    EXPECT_FALSE(protocol::DeviceTimeValue("19700101", "000000"));
    EXPECT_TRUE(protocol::DeviceTimeValue("19700101", "010000"));
    EXPECT_FALSE(protocol::DeviceTimeValue("19691231", "235959"));
    // Past the end of 32-bit time: kept, with its fields intact.
    EXPECT_EQ(Fill("20380119", "041408"), (CalendarTime{2038, 1, 19, 4, 14, 8}));
    EXPECT_EQ(Fill("21000301", "235959"), (CalendarTime{2100, 3, 1, 23, 59, 59}));
#ifdef _WIN32
    // The Windows C runtime's mktime ends with the year 3000.
    EXPECT_EQ(Fill("30001231", "225959"), (CalendarTime{3000, 12, 31, 22, 59, 59}));
    EXPECT_FALSE(protocol::DeviceTimeValue("30011231", "235959"));
#else
    EXPECT_EQ(Fill("99991231", "235959"), (CalendarTime{9999, 12, 31, 23, 59, 59}));
#endif
    // Carried past year 9999: no 4-digit year can say it.
    EXPECT_FALSE(protocol::DeviceTimeValue("99991301", "000000"));
    EXPECT_FALSE(protocol::DeviceTimeValue("-999-1-1", "000000"));
}

}  // namespace
