// What a typed text names in a fixed list: the rule the window's combo boxes and the command
// line's --timezone share.
#include <gtest/gtest.h>

#include <array>
#include <string_view>

#include "protocol/entry_names.h"
#include "protocol/timezones.h"

namespace {

TEST(EntryNames, TypedTextNamesOneEntry)
{
    struct Case {
        std::string_view typed;
        int expected;  // -1: none
        int matches;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"(GMT+01:00) Brussels", 29, 1},
             {"  BRUSSELS\t", 29, 1},
             {"(GMT+01:00) Brussels, Copenhagen, Madrid, Paris ", 29, 1},
             {"(GMT-08:00) Pacific Time (US & Canada); Tijuana", 4, 1},
             {"us & canda", -1, 2},  // Central and Eastern
             {"(GMT+01:00)", -1, 5},
             {"Canda", -1, 2},
             {"nowhere", -1, 0},
             {"&amp;", -1, 0},
             {"   ", -1, 0},
             {"", -1, 0},
         }) {
        int matches = -1;
        const auto got = protocol::FindNamedEntry(protocol::TimezoneTexts(), c.typed, &matches);
        EXPECT_EQ(c.expected, got.value_or(-1)) << "'" << c.typed << "'";
        EXPECT_EQ(c.matches, matches) << "'" << c.typed << "'";
    }
}

// An entry's whole text names it even where a longer entry holds it as a part.
TEST(EntryNames, WholeTextBeforeParts)
{
    const std::array<std::string_view, 3> entries{"Static IP ", "DHCP", "Static IP v6"};
    EXPECT_EQ(0, protocol::FindNamedEntry(entries, "static ip").value_or(-1));
    EXPECT_EQ(1, protocol::FindNamedEntry(entries, " dhcp").value_or(-1));
    EXPECT_EQ(2, protocol::FindNamedEntry(entries, "v6").value_or(-1));
    EXPECT_FALSE(protocol::FindNamedEntry(entries, "static"));
}

// The command line also takes the position itself.
TEST(EntryNames, TimezonesByNumberOrName)
{
    EXPECT_EQ(29, protocol::FindTimezone(" 29 ").value_or(-1));
    EXPECT_EQ(74, protocol::FindTimezone("074").value_or(-1));
    EXPECT_FALSE(protocol::FindTimezone("75"));
    EXPECT_FALSE(protocol::FindTimezone("0029"));
    EXPECT_EQ(29, protocol::FindTimezone("brussels").value_or(-1));
    EXPECT_EQ(56, protocol::FindTimezone("Beijing").value_or(-1));
}

}  // namespace
