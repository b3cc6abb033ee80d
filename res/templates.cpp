// The program's dialog templates, string table and their lookup.
#include <map>

#include "protocol/timezones.h"
#include "res/resource.h"
#include "res/resources.h"

namespace res {

namespace {

using ui::DialogTemplate;
using ui::Kind;
namespace dstyle = ui::dstyle;
namespace style = ui::style;
using namespace ui::style;
constexpr std::uint32_t kPopupDialog =
    dstyle::Popup | dstyle::Caption | dstyle::SysMenu | dstyle::ModalFrame;
constexpr std::uint32_t kPage = dstyle::Child | dstyle::ControlParent | dstyle::ClientEdge;
constexpr std::uint32_t kLabel = CenterImage;  // left-aligned, vertically centred

DialogTemplate MainTemplate()
{
    return DialogTemplate{
        IDD_MAIN,
        "Quick setup wizard for Dravmoor",
        443,
        264,
        "宋体",
        9,
        kPopupDialog | dstyle::Visible | dstyle::MinimizeBox | dstyle::AppWindow,
        {
            {IDC_DEVICE_LIST, Kind::ListBox, "",
             Border | VScroll | TabStop | style::Notify | NoIntegralHeight, 17, 23, 101, 183},
            {-1, Kind::GroupBox, "Device list", 0, 11, 13, 114, 200},
            {-1, Kind::EtchedHorz, "", 0, 12, 222, 416, 1},
            {IDC_REFRESH, Kind::PushButton, "Refresh list", TabStop, 12, 229, 59, 15},
            {IDC_WEB, Kind::PushButton, "Access via web", TabStop, 83, 229, 59, 15},
            {IDC_WIZARD, Kind::PushButton, "Setup wizard", TabStop, 154, 229, 59, 15},
            {IDC_ABOUT, Kind::PushButton, "About", TabStop, 296, 229, 59, 15},
            {-1, Kind::Static, "Firmware Version:", Group, 141, 29, 70, 11},
            {IDC_FIRMWARE, Kind::Static, "", Sunken | Group, 212, 29, 211, 11},
            {-1, Kind::Static, "IP address:", Group, 141, 82, 70, 11},
            {IDC_IPADDR, Kind::Static, "", Sunken | Group, 212, 82, 211, 11},
            {-1, Kind::Static, "Description:", Group, 141, 46, 70, 11},
            {IDC_DESCRIPTION, Kind::Static, "", NoWordWrap | Sunken | Group, 212, 46, 211, 11},
            {-1, Kind::Static, "IP status:", Group, 141, 100, 70, 11},
            {IDC_IPSTATUS, Kind::Static, "", Sunken | Group, 212, 100, 211, 11},
            {IDC_QUIT, Kind::PushButton, "Quit", TabStop, 367, 229, 59, 15},
            {-1, Kind::Static, "Mac address:", Group, 141, 64, 70, 11},
            {IDC_MAC, Kind::Static, "", Sunken | Group, 212, 64, 211, 11},
            {IDC_SHARE_MAPPING, Kind::PushButton, "Share mapping", TabStop, 225, 229, 59, 15},
            {IDC_DISK_LIST, Kind::ListView, "", ReportView | Border | TabStop, 139, 138, 284, 69},
            {-1, Kind::GroupBox, "Basic infomation", 0, 133, 13, 296, 109},
            {-1, Kind::GroupBox, "USB infomation", 0, 133, 128, 296, 85},
        },
        {}};
}

DialogTemplate AboutTemplate()
{
    return DialogTemplate{
        IDD_ABOUTBOX,
        "About",
        235,
        55,
        "宋体",
        9,
        kPopupDialog,
        {
            {-1, Kind::Icon, "", 0, 11, 17, 20, 20, IDR_MAINFRAME},
            {-1, Kind::Static, "TXR Version 1.0", NoPrefix | Group, 40, 10, 119, 8},
            {-1, Kind::Static, "Dravmoor adapter setup tool", Group, 40, 25, 119, 8},
            {IDOK, Kind::PushButton, "确定", DefPushButton | Group | TabStop, 178, 7, 50, 14},
        },
        {}};
}

DialogTemplate VerifyTemplate()
{
    return DialogTemplate{
        IDD_VERIFY,
        "Verify",
        279,
        98,
        "宋体",
        9,
        kPopupDialog,
        {
            {IDCANCEL, Kind::PushButton, "Cancel", TabStop, 161, 77, 50, 14},
            {IDC_VERIFY_NAME, Kind::Edit, "", Border | AutoHScroll | TabStop, 100, 29, 104, 14},
            {1068, Kind::Static, "Name:", Right, 24, 32, 70, 14},
            {1067, Kind::Static, "Password:", Right, 24, 53, 70, 13},
            {-1, Kind::Static, "Please input current administrator's name and password", 0, 22, 12,
             219, 12},
            {IDC_VERIFY_PASSWORD, Kind::Edit, "", Password | Border | AutoHScroll | TabStop, 100,
             51, 104, 14},
            {IDC_VERIFY_OK, Kind::PushButton, "OK", TabStop, 87, 76, 51, 15},
        },
        {}};
}

DialogTemplate WizardTemplate()
{
    return DialogTemplate{
        IDD_WIZARD,
        "Wizard",
        362,
        218,
        "宋体",
        9,
        kPopupDialog,
        {
            {IDCANCEL, Kind::PushButton, "Cancel", TabStop, 308, 191, 45, 14},
            {-1, Kind::EtchedHorz, "", 0, 9, 182, 344, 1},
            {IDC_BACK, Kind::PushButton, "<< Back", Disabled | TabStop, 127, 191, 45, 14},
            {IDC_NEXT, Kind::PushButton, "Next >>", TabStop, 175, 191, 45, 14},
            {IDC_PAGE_FRAME, Kind::EtchedFrame, "", 0, 123, 7, 231, 169},
            {IDC_WIZARD_BITMAP, Kind::Bitmap, "", 0, 8, 7, 109, 169, IDB_WIZARD},
            {IDC_SKIP, Kind::PushButton, "Skip", TabStop, 260, 191, 45, 14},
        },
        {}};
}

DialogTemplate FinishPageTemplate()
{
    return DialogTemplate{
        IDD_PAGE_FINISH,
        "",
        235,
        163,
        "宋体",
        9,
        kPage,
        {
            {-1, Kind::Static, "The end of quick setup wizard!", Center, 19, 39, 182, 28},
        },
        {}};
}

// Positions 0-74 are the timezone numbers the adapters store; the texts are shown as they
// stand, trailing spaces included.
std::vector<std::string_view> TimezoneTexts()
{
    const auto& texts = protocol::TimezoneTexts();
    return {texts.begin(), texts.end()};
}

DialogTemplate SystemPageTemplate()
{
    return DialogTemplate{
        IDD_PAGE_SYSTEM,
        "",
        235,
        163,
        "宋体",
        9,
        kPage,
        {
            {IDC_NO_PASSWORD, Kind::CheckBox, "Don't input password next time", TabStop, 15, 32,
             180, 11},
            {IDC_DESC_LABEL, Kind::Static, "Device description:", kLabel, 15, 58, 77, 12},
            {IDC_DEV_DESC, Kind::Edit, "", Border | AutoHScroll | TabStop, 96, 58, 123, 12},
            {IDC_DATE_LABEL, Kind::Static, "Device Date:", kLabel, 15, 98, 77, 12},
            {IDC_TIME_LABEL, Kind::Static, "Device time:", kLabel, 15, 119, 77, 12},
            {IDC_DEV_DATE, Kind::DatePicker, "", ShortDate | RightAlignDrop | TabStop, 96, 98, 123,
             14},
            {IDC_DEV_TIME, Kind::TimePicker, "", UpDown | RightAlignDrop | TabStop, 96, 119, 123,
             14},
            {IDC_TIMEZONE, Kind::ComboBox, "", VScroll | TabStop, 96, 77, 123, 80},
            {IDC_TIMEZONE_LABEL, Kind::Static, "Device timezone:", kLabel, 15, 77, 77, 12},
        },
        {{IDC_TIMEZONE, TimezoneTexts()}}};
}

DialogTemplate NetworkPageTemplate()
{
    return DialogTemplate{
        IDD_PAGE_NETWORK,
        "",
        225,
        159,
        "宋体",
        9,
        kPage,
        {
            {IDC_PROTOCOL_LABEL, Kind::Static, "Protocol:", kLabel, 13, 28, 71, 12},
            {IDC_IP_LABEL, Kind::Static, "IP address:", kLabel, 13, 45, 71, 12},
            {IDC_GATEWAY_LABEL, Kind::Static, "Default gateway:", kLabel, 13, 81, 71, 12},
            {IDC_DNS1_LABEL, Kind::Static, "Primary dns:", kLabel, 13, 99, 71, 12},
            {IDC_MASK_LABEL, Kind::Static, "Subnet mask:", kLabel, 13, 63, 71, 12},
            {IDC_DNS2_LABEL, Kind::Static, "Secondary dns:", kLabel, 13, 119, 71, 12},
            {IDC_PROTOCOL, Kind::ComboBox, "", VScroll | TabStop, 91, 28, 84, 47},
            {IDC_NET_IP, Kind::IpAddress, "", TabStop, 91, 45, 83, 12},
            {IDC_NET_MASK, Kind::IpAddress, "", TabStop, 91, 63, 83, 12},
            {IDC_NET_GATEWAY, Kind::IpAddress, "", TabStop, 91, 81, 83, 12},
            {IDC_NET_DNS1, Kind::IpAddress, "", TabStop, 91, 99, 83, 12},
            {IDC_NET_DNS2, Kind::IpAddress, "", TabStop, 91, 119, 83, 12},
        },
        {{IDC_PROTOCOL, {"Static IP", "DHCP"}}}};
}

DialogTemplate ShareMapTemplate()
{
    return DialogTemplate{
        IDD_SHARE_MAP,
        "Share Mapping",
        392,
        263,
        "MS Sans Serif",
        8,
        kPopupDialog,
        {
            {IDOK, Kind::PushButton, "OK", DefPushButton | TabStop, 159, 236, 50, 14},
            {IDCANCEL, Kind::PushButton, "Cancel", TabStop, 325, 235, 50, 14},
            {-1, Kind::GroupBox, "Login name and password", 0, 12, 12, 367, 76},
            {-1, Kind::Static,
             "Use the following username and password to map remote share to local drive:", 0, 19,
             27, 322, 17},
            {-1, Kind::Static, "Username:", 0, 19, 44, 37, 13},
            {IDC_MAP_USER, Kind::Edit, "", Border | AutoHScroll | TabStop, 64, 44, 98, 13},
            {-1, Kind::Static, "Password:", 0, 19, 66, 37, 13},
            {IDC_MAP_PASSWORD, Kind::Edit, "", Password | Border | AutoHScroll | TabStop, 64, 66,
             98, 13},
            {-1, Kind::GroupBox, "Map share to local", 0, 12, 94, 367, 41},
            {IDC_SHARE_COMBO, Kind::ComboBox, "", VScroll | TabStop, 18, 110, 126, 114},
            {-1, Kind::Static, "Map to:", 0, 148, 113, 31, 9},
            {IDC_DRIVE_COMBO, Kind::ComboBox, "", VScroll | TabStop, 181, 110, 140, 114},
            {IDC_MAP, Kind::PushButton, "Map", TabStop, 330, 110, 42, 12},
            {-1, Kind::GroupBox, "List of mapped share", 0, 12, 140, 367, 85},
            {IDC_MAPPED_LIST, Kind::ListView, "",
             ReportView | SingleSel | ShowSelAlways | Border | TabStop, 18, 157, 301, 61},
            {IDC_UNMAP, Kind::PushButton, "Unmap", TabStop, 329, 169, 42, 12},
            {IDC_UNMAP_ALL, Kind::PushButton, "Unmap all", TabStop, 329, 190, 42, 12},
        },
        {}};
}

const std::map<int, DialogTemplate>& Templates()
{
    static const std::map<int, DialogTemplate> templates = [] {
        std::map<int, DialogTemplate> m;
        for (DialogTemplate t : {MainTemplate(), AboutTemplate(), VerifyTemplate(),
                                 WizardTemplate(), FinishPageTemplate(), SystemPageTemplate(),
                                 NetworkPageTemplate(), ShareMapTemplate()})
            m.emplace(t.id, std::move(t));
        return m;
    }();
    return templates;
}

}  // namespace

const DialogTemplate* FindTemplate(int id)
{
    const auto& t = Templates();
    const auto it = t.find(id);
    return it != t.end() ? &it->second : nullptr;
}

ui::CString LoadString(int id)
{
    switch (id) {
        case IDS_ABOUTBOX:
            return "关于 tarpin(&A)...";
        case IDP_SOCKETS_INIT_FAILED:
            return "Windows 通信端口初始化失败。";
        default:
            return {};
    }
}

}  // namespace res
