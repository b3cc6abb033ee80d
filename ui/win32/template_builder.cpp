#include "ui/win32/template_builder.h"

#include <cstring>

namespace ui::win32 {

namespace {

// The values of the Windows headers, spelled out so this file builds without them.
constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000,
                        WS_DISABLED = 0x08000000, WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                        WS_VSCROLL = 0x00200000, WS_SYSMENU = 0x00080000, WS_GROUP = 0x00020000,
                        WS_MINIMIZEBOX = 0x00020000, WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x200, WS_EX_CONTROLPARENT = 0x10000,
                        WS_EX_APPWINDOW = 0x40000;
constexpr std::uint32_t DS_SETFONT = 0x40, DS_MODALFRAME = 0x80, DS_3DLOOK = 0x4,
                        DS_CONTROL = 0x400;
constexpr std::uint32_t BS_DEFPUSHBUTTON = 1, BS_AUTOCHECKBOX = 3, BS_GROUPBOX = 7;
constexpr std::uint32_t SS_CENTER = 1, SS_RIGHT = 2, SS_ICON = 3, SS_LEFTNOWORDWRAP = 0xC,
                        SS_BITMAP = 0xE, SS_ETCHEDHORZ = 0x10, SS_ETCHEDFRAME = 0x12,
                        SS_NOPREFIX = 0x80, SS_NOTIFY = 0x100, SS_CENTERIMAGE = 0x200,
                        SS_SUNKEN = 0x1000;
constexpr std::uint32_t ES_CENTER = 1, ES_RIGHT = 2, ES_PASSWORD = 0x20, ES_AUTOHSCROLL = 0x80;
constexpr std::uint32_t CBS_DROPDOWN = 2, CBS_DROPDOWNLIST = 3, CBS_AUTOHSCROLL = 0x40,
                        CBS_SORT = 0x100;
constexpr std::uint32_t LBS_NOTIFY = 1, LBS_SORT = 2, LBS_NOINTEGRALHEIGHT = 0x100;
constexpr std::uint32_t LVS_REPORT = 1, LVS_SINGLESEL = 4, LVS_SHOWSELALWAYS = 8;
constexpr std::uint32_t DTS_UPDOWN = 1, DTS_TIMEFORMAT = 9, DTS_RIGHTALIGN = 0x20;
constexpr std::uint16_t kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83,
                        kComboBox = 0x85;

std::uint32_t Bit(std::uint32_t s, std::uint32_t ours, std::uint32_t theirs)
{
    return (s & ours) != 0 ? theirs : 0;
}

class Writer {
public:
    void Word(std::uint16_t w)
    {
        m_bytes.push_back(static_cast<std::uint8_t>(w & 0xFF));
        m_bytes.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    void Dword(std::uint32_t d)
    {
        Word(static_cast<std::uint16_t>(d & 0xFFFF));
        Word(static_cast<std::uint16_t>(d >> 16));
    }
    void Short(int v) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(v))); }
    void Text(const std::u16string& s)
    {
        for (char16_t c : s) Word(static_cast<std::uint16_t>(c));
        Word(0);
    }
    void AlignDword()
    {
        while (m_bytes.size() % 4 != 0) m_bytes.push_back(0);
    }
    std::vector<std::uint32_t> Words() const
    {
        std::vector<std::uint32_t> out((m_bytes.size() + 3) / 4, 0);
        std::memcpy(out.data(), m_bytes.data(), m_bytes.size());
        return out;
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint32_t>& words)
        : m_data(reinterpret_cast<const std::uint8_t*>(words.data())), m_size(words.size() * 4)
    {
    }
    bool ok() const { return m_ok; }
    std::size_t at() const { return m_at; }
    std::uint16_t Word()
    {
        if (m_at + 2 > m_size) {
            m_ok = false;
            return 0;
        }
        const auto w = static_cast<std::uint16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
        m_at += 2;
        return w;
    }
    std::uint32_t Dword()
    {
        const std::uint32_t lo = Word();
        return lo | (static_cast<std::uint32_t>(Word()) << 16);
    }
    int Short() { return static_cast<std::int16_t>(Word()); }
    std::u16string Text()
    {
        std::u16string s;
        for (std::uint16_t c; m_ok && (c = Word()) != 0;) s.push_back(static_cast<char16_t>(c));
        return s;
    }
    void AlignDword() { m_at = (m_at + 3) & ~std::size_t{3}; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
    bool m_ok = true;
};

}  // namespace

NativeControl NativeControlFor(const ControlTemplate& ct)
{
    const std::uint32_t s = ct.style;
    NativeControl n;
    n.style = WS_CHILD | WS_VISIBLE | Bit(s, style::TabStop, WS_TABSTOP) |
              Bit(s, style::Group, WS_GROUP) | Bit(s, style::Disabled, WS_DISABLED) |
              Bit(s, style::Border, WS_BORDER) | Bit(s, style::VScroll, WS_VSCROLL);
    switch (ct.kind) {
        case Kind::PushButton:
            n.atom = kButton;
            n.style |= Bit(s, style::DefPushButton, BS_DEFPUSHBUTTON);
            break;
        case Kind::CheckBox:
            n.atom = kButton;
            n.style |= BS_AUTOCHECKBOX;
            break;
        case Kind::GroupBox:
            n.atom = kButton;
            n.style |= BS_GROUPBOX;
            break;
        case Kind::Static:
            n.atom = kStatic;
            n.style |= (s & style::NoWordWrap) != 0
                           ? SS_LEFTNOWORDWRAP
                           : Bit(s, style::Right, SS_RIGHT) | Bit(s, style::Center, SS_CENTER);
            n.style |= Bit(s, style::CenterImage, SS_CENTERIMAGE) |
                       Bit(s, style::NoPrefix, SS_NOPREFIX) | Bit(s, style::Notify, SS_NOTIFY) |
                       Bit(s, style::Sunken, SS_SUNKEN);
            break;
        case Kind::Icon:
            n.atom = kStatic;
            n.style |= SS_ICON | Bit(s, style::Notify, SS_NOTIFY);
            break;
        case Kind::Bitmap:
            // The control takes the picture's size, whatever the template says.
            n.atom = kStatic;
            n.style |= SS_BITMAP | Bit(s, style::Sunken, SS_SUNKEN);
            break;
        case Kind::EtchedHorz:
            n.atom = kStatic;
            n.style |= SS_ETCHEDHORZ;
            break;
        case Kind::EtchedFrame:
            n.atom = kStatic;
            n.style |= SS_ETCHEDFRAME;
            break;
        case Kind::Edit:
            n.atom = kEdit;
            n.style |= Bit(s, style::AutoHScroll, ES_AUTOHSCROLL) |
                       Bit(s, style::Password, ES_PASSWORD) | Bit(s, style::Right, ES_RIGHT) |
                       Bit(s, style::Center, ES_CENTER);
            break;
        case Kind::ComboBox:
            n.atom = kComboBox;
            n.style |= ((s & style::DropDownList) != 0 ? CBS_DROPDOWNLIST : CBS_DROPDOWN) |
                       Bit(s, style::Sort, CBS_SORT) | Bit(s, style::AutoHScroll, CBS_AUTOHSCROLL);
            break;
        case Kind::ListBox:
            n.atom = kListBox;
            n.style |= Bit(s, style::Notify, LBS_NOTIFY) | Bit(s, style::Sort, LBS_SORT) |
                       Bit(s, style::NoIntegralHeight, LBS_NOINTEGRALHEIGHT);
            break;
        case Kind::ListView:
            n.className = u"SysListView32";
            n.style |= LVS_REPORT | Bit(s, style::SingleSel, LVS_SINGLESEL) |
                       Bit(s, style::ShowSelAlways, LVS_SHOWSELALWAYS);
            break;
        case Kind::DatePicker:
        case Kind::TimePicker:
            n.className = u"SysDateTimePick32";
            n.style |= (ct.kind == Kind::TimePicker ? DTS_TIMEFORMAT : 0u) |
                       Bit(s, style::UpDown, DTS_UPDOWN) |
                       Bit(s, style::RightAlignDrop, DTS_RIGHTALIGN);
            break;
        case Kind::IpAddress:
            n.className = u"SysIPAddress32";
            break;
    }
    return n;
}

NativeDialog NativeDialogFor(const DialogTemplate& t)
{
    const std::uint32_t s = t.style;
    NativeDialog n;
    // Not visible yet, whatever the template says: the framework shows the window once it is
    // initialised.
    n.style = DS_SETFONT | DS_3DLOOK | Bit(s, dstyle::Popup, WS_POPUP) |
              Bit(s, dstyle::Child, WS_CHILD | DS_CONTROL) | Bit(s, dstyle::Caption, WS_CAPTION) |
              Bit(s, dstyle::SysMenu, WS_SYSMENU) | Bit(s, dstyle::MinimizeBox, WS_MINIMIZEBOX) |
              Bit(s, dstyle::ModalFrame, DS_MODALFRAME);
    n.exStyle = Bit(s, dstyle::AppWindow, WS_EX_APPWINDOW) |
                Bit(s, dstyle::ControlParent, WS_EX_CONTROLPARENT) |
                Bit(s, dstyle::ClientEdge, WS_EX_CLIENTEDGE);
    return n;
}

std::u16string ToUtf16(std::string_view in)
{
    std::u16string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        std::uint32_t cp = 0xFFFD;
        std::size_t len = 1;
        const auto cont = [&](std::size_t k) {
            return i + k < in.size() && (static_cast<unsigned char>(in[i + k]) & 0xC0) == 0x80;
        };
        const auto bits = [&](std::size_t k) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(in[i + k]) & 0x3F);
        };
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b < 0xE0 && cont(1)) {
            cp = ((b & 0x1Fu) << 6) | bits(1);
            len = 2;
        } else if (b >= 0xE0 && b < 0xF0 && cont(1) && cont(2)) {
            const std::uint32_t v = ((b & 0x0Fu) << 12) | (bits(1) << 6) | bits(2);
            if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
                cp = v;
                len = 3;
            }
        } else if (b >= 0xF0 && b < 0xF5 && cont(1) && cont(2) && cont(3)) {
            const std::uint32_t v =
                ((b & 0x07u) << 18) | (bits(1) << 12) | (bits(2) << 6) | bits(3);
            if (v >= 0x10000 && v <= 0x10FFFF) {
                cp = v;
                len = 4;
            }
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string FromUtf16(std::u16string_view in)
{
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        std::uint32_t cp = in[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
            in[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::vector<std::uint32_t> BuildDialogTemplate(const DialogTemplate& t)
{
    const NativeDialog dialog = NativeDialogFor(t);
    Writer w;
    w.Word(1);       // dlgVer
    w.Word(0xFFFF);  // signature: the extended form
    w.Dword(0);      // helpID
    w.Dword(dialog.exStyle);
    w.Dword(dialog.style);
    w.Word(static_cast<std::uint16_t>(t.controls.size()));
    w.Short(0);  // x, y: placed by the framework
    w.Short(0);
    w.Short(t.cx);
    w.Short(t.cy);
    w.Word(0);  // no menu
    w.Word(0);  // the dialog class
    w.Text(ToUtf16(t.caption));
    w.Word(static_cast<std::uint16_t>(t.pointSize));
    w.Word(400);     // weight
    w.Word(0x0100);  // italic = 0, charset = DEFAULT_CHARSET
    w.Text(ToUtf16(t.font));
    for (const ControlTemplate& ct : t.controls) {
        const NativeControl n = NativeControlFor(ct);
        w.AlignDword();
        w.Dword(0);  // helpID
        w.Dword(n.exStyle);
        w.Dword(n.style);
        w.Short(ct.x);
        w.Short(ct.y);
        w.Short(ct.cx);
        w.Short(ct.cy);
        w.Dword(ct.id == -1 ? 0xFFFFu : static_cast<std::uint32_t>(ct.id));
        if (n.atom != 0) {
            w.Word(0xFFFF);
            w.Word(n.atom);
        } else {
            w.Text(n.className);
        }
        // Pictures are set once the window exists (the program's images are not resources
        // named by the template); a text starting with 0xFFFF would be taken as one.
        w.Text(ct.kind == Kind::Icon || ct.kind == Kind::Bitmap ? std::u16string()
                                                                : ToUtf16(ct.text));
        w.Word(0);  // no creation data
    }
    return w.Words();
}

ParsedTemplate ParseDialogTemplate(const std::vector<std::uint32_t>& words)
{
    ParsedTemplate p{};
    Reader r(words);
    if (r.Word() != 1 || r.Word() != 0xFFFF) return p;
    r.Dword();
    p.exStyle = r.Dword();
    p.style = r.Dword();
    const std::uint16_t count = r.Word();
    p.x = r.Short();
    p.y = r.Short();
    p.cx = r.Short();
    p.cy = r.Short();
    r.Word();
    r.Word();
    p.caption = r.Text();
    p.pointSize = r.Word();
    r.Word();
    r.Word();
    p.font = r.Text();
    for (std::uint16_t i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        p.itemOffsets.push_back(r.at());
        ParsedItem item{};
        r.Dword();
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = r.Dword();
        const std::uint16_t first = r.Word();
        if (first == 0xFFFF)
            item.atom = r.Word();
        else if (first != 0) {
            item.className.push_back(static_cast<char16_t>(first));
            item.className += r.Text();
        }
        item.text = r.Text();
        r.Word();
        p.items.push_back(item);
    }
    p.ok = r.ok() && p.items.size() == count;
    return p;
}

}  // namespace ui::win32
