// Dialog templates as data: caption, size in dialog units, font, styles and the controls in
// template (= tab) order. A ResourceProvider (resources.h) hands them to CDialog, which builds
// widgets from them.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {

enum class Kind {
    PushButton,
    CheckBox,  // automatic check box
    GroupBox,
    Static,       // text
    Icon,         // static showing icon `resource`
    Bitmap,       // static showing bitmap `resource`
    EtchedHorz,   // etched horizontal line
    EtchedFrame,  // etched rectangle
    Edit,
    ComboBox,  // drop-down with editable field unless style::DropDownList
    ListBox,
    ListView,
    DatePicker,
    TimePicker,
    IpAddress,
};

// Control styles (only those the templates use).
namespace style {
inline constexpr std::uint32_t TabStop = 1u << 0;
inline constexpr std::uint32_t Group = 1u << 1;
inline constexpr std::uint32_t Disabled = 1u << 2;
inline constexpr std::uint32_t DefPushButton = 1u << 3;
inline constexpr std::uint32_t Border = 1u << 4;
inline constexpr std::uint32_t VScroll = 1u << 5;
inline constexpr std::uint32_t AutoHScroll = 1u << 6;
inline constexpr std::uint32_t Password = 1u << 7;
inline constexpr std::uint32_t Sunken = 1u << 8;        // SS_SUNKEN
inline constexpr std::uint32_t Right = 1u << 9;         // right-aligned text
inline constexpr std::uint32_t Center = 1u << 10;       // centred text
inline constexpr std::uint32_t CenterImage = 1u << 11;  // vertically centred text
inline constexpr std::uint32_t NoPrefix = 1u << 12;     // '&' shown as is
inline constexpr std::uint32_t NoWordWrap = 1u << 13;
inline constexpr std::uint32_t Notify = 1u << 14;
inline constexpr std::uint32_t NoIntegralHeight = 1u << 15;
inline constexpr std::uint32_t Sort = 1u << 16;
inline constexpr std::uint32_t ReportView = 1u << 17;
inline constexpr std::uint32_t SingleSel = 1u << 18;
inline constexpr std::uint32_t ShowSelAlways = 1u << 19;
inline constexpr std::uint32_t UpDown = 1u << 20;  // date/time picker with spin buttons
inline constexpr std::uint32_t RightAlignDrop = 1u << 21;
inline constexpr std::uint32_t ShortDate = 1u << 22;
inline constexpr std::uint32_t DropDownList = 1u << 23;  // combo without an editable field
}  // namespace style

// Dialog (window) styles.
namespace dstyle {
inline constexpr std::uint32_t Popup = 1u << 0;
inline constexpr std::uint32_t Child = 1u << 1;
inline constexpr std::uint32_t Caption = 1u << 2;
inline constexpr std::uint32_t SysMenu = 1u << 3;
inline constexpr std::uint32_t MinimizeBox = 1u << 4;
inline constexpr std::uint32_t ModalFrame = 1u << 5;
inline constexpr std::uint32_t Visible = 1u << 6;
inline constexpr std::uint32_t AppWindow = 1u << 7;  // task-bar button
inline constexpr std::uint32_t ControlParent = 1u << 8;
inline constexpr std::uint32_t ClientEdge = 1u << 9;
}  // namespace dstyle

struct ControlTemplate {
    int id;  // -1 for statics nobody addresses
    Kind kind;
    std::string_view text;  // UTF-8
    std::uint32_t style;
    int x, y, cx, cy;  // dialog units
    int resource = 0;  // icon or bitmap id for Kind::Icon / Kind::Bitmap
};

// Controls that only show something: they never take the focus, nor the user's input.
inline bool IsPassive(const ControlTemplate& ct)
{
    switch (ct.kind) {
        case Kind::GroupBox:
        case Kind::EtchedFrame:
        case Kind::EtchedHorz:
            return true;
        case Kind::Static:
        case Kind::Icon:
        case Kind::Bitmap:
            return !(ct.style & style::Notify);
        default:
            return false;
    }
}

struct DialogTemplate {
    int id;
    std::string_view caption;  // UTF-8
    int cx, cy;                // dialog units
    std::string_view font;     // "宋体" or "MS Sans Serif"
    int pointSize;
    std::uint32_t style;
    std::vector<ControlTemplate> controls;
    // Initial combo-box data: control id -> entries, added in order when the dialog is created.
    std::vector<std::pair<int, std::vector<std::string_view>>> comboData;
};

}  // namespace ui
