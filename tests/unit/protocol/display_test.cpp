// The texts every front end shows: wire bytes decoded per UTF-8 sequence with Latin-1 for the
// rest, the panel and disk texts, and the display width the command line aligns by.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "protocol/display.h"

namespace {

using protocol::DecodeWireText;

TEST(Display, WireTextIsUtf8PerSequenceAndLatin1ForTheRest)
{
    EXPECT_EQ("B\xC3\xBCro", DecodeWireText("B\xC3\xBCro")) << "UTF-8 is kept";
    EXPECT_EQ("\xE4\xB8\xAD", DecodeWireText("\xE4\xB8\xAD"));
    EXPECT_EQ("Caf\xC3\xA9", DecodeWireText("Caf\xE9")) << "Latin-1 when not UTF-8";
    EXPECT_EQ("NAS-\xC3\xA9\xC3\xA9", DecodeWireText("NAS-\xC3\xA9\xE9")) << "mixed: both kept";
    // A UTF-8 sequence cut short decodes byte by byte.
    EXPECT_EQ("x\xC3\x83", DecodeWireText("x\xC3"));
    // Overlong forms and encoded surrogates are not UTF-8.
    EXPECT_EQ("\xC3\x80\xC2\xAF", DecodeWireText("\xC0\xAF"));
    EXPECT_EQ("\xC3\xAD\xC2\xA0\xC2\x80", DecodeWireText("\xED\xA0\x80"));
    EXPECT_EQ("abc", DecodeWireText(std::string_view("abc\0def", 7))) << "ends at a zero";
    EXPECT_EQ("", DecodeWireText(""));

    // A full field has no terminator: only its width is read (ASan watches).
    const auto full = std::make_unique<std::array<char, 17>>();
    std::memcpy(full->data(), "ABCDEFGHIJKLMNOP", 16);
    (*full)[16] = '\0';
    EXPECT_EQ("ABCDEFGHIJKLMNOP", protocol::DisplayText(*full));
}

TEST(Display, FormatCharactersThatReorderOrHideTextBecomeVisible)
{
    // U+202E U+202A U+2066 U+2069 U+200E U+200F U+061C U+200B U+2028 U+FEFF U+E0041
    for (const char* hiding : {"\xE2\x80\xAE", "\xE2\x80\xAA", "\xE2\x81\xA6", "\xE2\x81\xA9",
                               "\xE2\x80\x8E", "\xE2\x80\x8F", "\xD8\x9C", "\xE2\x80\x8B",
                               "\xE2\x80\xA8", "\xEF\xBB\xBF", "\xF3\xA0\x81\x81"}) {
        EXPECT_EQ(
            "a\xEF\xBF\xBD"
            "b",
            DecodeWireText(std::string("a") + hiding + "b"))
            << testing::PrintToString(hiding);
    }
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b",
        DecodeWireText("a\xAD"
                       "b"))
        << "a soft hyphen read as Latin-1";
    EXPECT_EQ("\xE2\x80\x8C\xE2\x80\x8D", DecodeWireText("\xE2\x80\x8C\xE2\x80\x8D"))
        << "joiners, which scripts and emoji need, stay";

    // "Office" RLO "fdp.exe" would read "Officeexe.pdf".
    protocol::DeviceInfo d;
    std::memcpy(d.description.data(),
                "Office\xE2\x80\xAE"
                "fdp.exe",
                16);
    EXPECT_EQ(
        "Office\xEF\xBF\xBD"
        "fdp.exe",
        protocol::PanelTexts(d)[3]);
}

TEST(Display, PanelAndDiskTextsAreDecoded)
{
    protocol::DeviceInfo d;
    std::memcpy(d.firmware.data(),
                "12\xE9"
                "3",
                4);
    std::memcpy(d.description.data(), "Caf\xE9", 4);
    d.ipMode = 1;
    d.mac = {0x02, 0x44, 0x4d, 0xab, 0x00, 0x01};
    const auto panel = protocol::PanelTexts(d);
    EXPECT_EQ(
        "V12R\xC3\xA9"
        "3",
        panel[0]);
    EXPECT_EQ("02:44:4d:ab:00:01", panel[2]);
    EXPECT_EQ("Caf\xC3\xA9", panel[3]);
    EXPECT_EQ("DHCP", panel[4]);
    const auto disk = protocol::DiskTexts({"B\xFC", "id", "ext4", -1, 37});
    EXPECT_EQ((std::array<std::string, 5>{"B\xC3\xBC", "id", "ext4", "-1", "37%"}), disk);
}

TEST(Display, WidthCountsColumnsNotBytes)
{
    EXPECT_EQ(4u, protocol::DisplayWidth("Caf\xC3\xA9"));
    EXPECT_EQ(4u, protocol::DisplayWidth("\xE4\xB8\xAD\xE6\x96\x87")) << "two CJK characters";
    EXPECT_EQ(2u, protocol::DisplayWidth("\xEF\xBC\xA1")) << "full-width A";
    EXPECT_EQ(1u, protocol::DisplayWidth("e\xCC\x81")) << "combining accent";
}

}  // namespace
