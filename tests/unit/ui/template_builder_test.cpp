// The native backend's in-memory dialog templates, byte by byte, on any host: what the dialog
// manager reads must be exactly the extended template layout, DWORD-aligned items included.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/win32/template_builder.h"

#if defined(DRAVMOOR_WITH_RES)
#include "res/resource.h"
#include "res/resources.h"
#endif

namespace {

using namespace ui;
using ui::win32::BuildDialogTemplate;
using ui::win32::ParseDialogTemplate;

std::vector<std::uint16_t> Words16(const std::vector<std::uint32_t>& t)
{
    std::vector<std::uint16_t> out(t.size() * 2);
    std::memcpy(out.data(), t.data(), out.size() * 2);
    return out;
}

TEST(TemplateBuilder, WritesTheExtendedLayoutWordForWord)
{
    const DialogTemplate t{
        7,
        "A",
        10,
        20,
        "F",
        8,
        dstyle::Popup | dstyle::Caption | dstyle::Visible,
        {{3, Kind::PushButton, "B", style::TabStop | style::DefPushButton, 1, 2, 30, 14}},
        {}};
    const std::vector<std::uint16_t> expected = {
        1,      0xFFFF, 0,      0,  // version, extended, help id
        0,      0,                  // extended style
        0x0044, 0x80C0,  // DS_SETFONT | DS_3DLOOK | WS_POPUP | WS_CAPTION; not yet visible
        1,      0,      0,      10, 20,  // one item; x, y, cx, cy
        0,      0,                       // no menu, the dialog class
        'A',    0,                       // caption
        8,      400,    0x0100,          // points, weight, italic, DEFAULT_CHARSET
        'F',    0,                       // face; the item starts on a DWORD boundary here
        0,      0,      0,      0,       // help id, extended style
        0x0001, 0x5001,                  // BS_DEFPUSHBUTTON | WS_TABSTOP | WS_VISIBLE | WS_CHILD
        1,      2,      30,     14,      // rectangle
        3,      0,                       // id
        0xFFFF, 0x0080,                  // the button class by atom
        'B',    0,                       // text
        0,                               // no creation data
        0};                              // padding
    EXPECT_EQ(expected, Words16(BuildDialogTemplate(t)));

    // A second item starts on the next DWORD boundary, whatever the first's text length.
    DialogTemplate two = t;
    two.controls.push_back({-1, Kind::Static, "xy", 0, 0, 0, 5, 5});
    const auto parsed = ParseDialogTemplate(BuildDialogTemplate(two));
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(2u, parsed.itemOffsets.size());
    EXPECT_EQ(44u, parsed.itemOffsets[0]);
    EXPECT_EQ(80u, parsed.itemOffsets[1]);
    EXPECT_EQ(0xFFFFu, parsed.items[1].id) << "the resource compiler's id of unnamed statics";
    EXPECT_EQ(0x82u, parsed.items[1].atom);
}

TEST(TemplateBuilder, TextsAreUtf16AndBadBytesAreReplaced)
{
    using ui::win32::FromUtf16;
    using ui::win32::ToUtf16;
    EXPECT_EQ(u"\u786E\u5B9A", ToUtf16("确定"));
    EXPECT_EQ(u"\U0001F600", ToUtf16("\xF0\x9F\x98\x80")) << "a surrogate pair";
    EXPECT_EQ(u"a\uFFFDb\uFFFD", ToUtf16("a\xFF"
                                         "b\xC3"));
    EXPECT_EQ(u"\uFFFD\uFFFD\uFFFD", ToUtf16("\xED\xA0\x80")) << "an encoded surrogate";
    EXPECT_EQ("确定 \xF0\x9F\x98\x80", FromUtf16(ToUtf16("确定 \xF0\x9F\x98\x80")));
    EXPECT_EQ("\xEF\xBF\xBD", FromUtf16(u"\xD800")) << "a lone surrogate";
}

#if defined(DRAVMOOR_WITH_RES)
// Every dialog of the program: each control keeps its rectangle and id, and gets the native
// class its kind names.
TEST(TemplateBuilder, EveryDialogOfTheProgramReadsBack)
{
    for (int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_VERIFY, IDD_WIZARD, IDD_PAGE_SYSTEM,
                   IDD_PAGE_NETWORK, IDD_PAGE_FINISH, IDD_SHARE_MAP}) {
        const DialogTemplate* t = res::FindTemplate(id);
        ASSERT_NE(nullptr, t) << id;
        const auto p = ParseDialogTemplate(BuildDialogTemplate(*t));
        ASSERT_TRUE(p.ok) << id;
        EXPECT_EQ(t->cx, p.cx);
        EXPECT_EQ(t->cy, p.cy);
        EXPECT_EQ(win32::ToUtf16(t->caption), p.caption);
        EXPECT_EQ(win32::ToUtf16(t->font), p.font);
        ASSERT_EQ(t->controls.size(), p.items.size()) << id;
        for (std::size_t i = 0; i < p.items.size(); ++i) {
            const ControlTemplate& ct = t->controls[i];
            const auto& item = p.items[i];
            EXPECT_EQ(0u, p.itemOffsets[i] % 4);
            EXPECT_EQ(ct.id == -1 ? 0xFFFFu : static_cast<std::uint32_t>(ct.id), item.id);
            EXPECT_EQ((std::vector<int>{ct.x, ct.y, ct.cx, ct.cy}),
                      (std::vector<int>{item.x, item.y, item.cx, item.cy}));
            const auto native = win32::NativeControlFor(ct);
            EXPECT_EQ(native.atom, item.atom);
            EXPECT_EQ(native.className, item.className);
            EXPECT_EQ(native.style, item.style);
            EXPECT_EQ((ct.style & style::TabStop) != 0, (item.style & 0x00010000u) != 0);
            EXPECT_NE(0u, item.style & 0x40000000u) << "a child window";
        }
    }
    const auto& main = *res::FindTemplate(IDD_MAIN);
    const auto p = ParseDialogTemplate(BuildDialogTemplate(main));
    EXPECT_EQ(0x00040000u, p.exStyle) << "a task-bar button";
    EXPECT_EQ(0u, p.style & 0x10000000u) << "shown by the framework once initialised";
    EXPECT_EQ(u"SysListView32", p.items.at(19).className);
    EXPECT_EQ(1u, p.items.at(19).style & 3u) << "report view";
    EXPECT_EQ(0x83u, p.items.at(0).atom);
    EXPECT_EQ(0x0101u, p.items.at(0).style & 0x0101u) << "notify, no integral height";
}
#endif

}  // namespace
