#include "ui/accessible_names.h"

#include <algorithm>
#include <string>

namespace ui {

namespace {

struct Box {
    int left, top, right, bottom;  // dialog units, right and bottom exclusive
};

// A combo box's template height is its dropped list's; on screen it is one line.
constexpr int kClosedComboHeight = 14;

Box BoxOf(const ControlTemplate& ct)
{
    const int height = ct.kind == Kind::ComboBox ? std::min(ct.cy, kClosedComboHeight) : ct.cy;
    return {ct.x, ct.y, ct.x + ct.cx, ct.y + height};
}

// The innermost group box around the control's top-left corner, or -1.
int GroupOf(const DialogTemplate& t, std::size_t index)
{
    const Box c = BoxOf(t.controls[index]);
    int best = -1;
    long long bestArea = 0;
    for (std::size_t g = 0; g < t.controls.size(); ++g) {
        const ControlTemplate& gt = t.controls[g];
        if (g == index || gt.kind != Kind::GroupBox) continue;
        const Box b = BoxOf(gt);
        if (c.left < b.left || c.left >= b.right || c.top < b.top || c.top >= b.bottom) continue;
        const long long area = static_cast<long long>(gt.cx) * gt.cy;
        if (best < 0 || area < bestArea) {
            best = static_cast<int>(g);
            bestArea = area;
        }
    }
    return best;
}

bool IsLabel(const ControlTemplate& ct)
{
    return ct.kind == Kind::Static && !LabelName(ct.text, ct.style).IsEmpty();
}

}  // namespace

bool NamedByLabel(Kind kind)
{
    switch (kind) {
        case Kind::Edit:
        case Kind::ComboBox:
        case Kind::ListBox:
        case Kind::ListView:
        case Kind::DatePicker:
        case Kind::TimePicker:
        case Kind::IpAddress:
            return true;
        default:
            return false;
    }
}

std::string WithoutMnemonic(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

CString LabelName(std::string_view text, std::uint32_t style)
{
    std::string out = (style & style::NoPrefix) ? std::string(text) : WithoutMnemonic(text);
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!out.empty() && (blank(out.back()) || out.back() == ':')) out.pop_back();
    std::size_t first = 0;
    while (first < out.size() && blank(out[first])) ++first;
    return CString(out.substr(first));
}

int NamingLabel(const DialogTemplate& t, std::size_t index)
{
    if (index >= t.controls.size() || !NamedByLabel(t.controls[index].kind)) return -1;
    const Box c = BoxOf(t.controls[index]);
    const int group = GroupOf(t, index);
    // Candidates on the same row to the left beat those above; the nearest of each wins, the
    // earlier in template order on a tie.
    int left = -1, leftGap = 0, above = -1, aboveGap = 0;
    for (std::size_t i = 0; i < t.controls.size(); ++i) {
        const ControlTemplate& lt = t.controls[i];
        if (i == index || !IsLabel(lt) || GroupOf(t, i) != group) continue;
        const Box l = BoxOf(lt);
        const bool sameRow = l.top < c.bottom && c.top < l.bottom;
        const bool overlapsColumn = l.left < c.right && c.left < l.right;
        if (sameRow && l.right <= c.left) {
            const int gap = c.left - l.right;
            if (left < 0 || gap < leftGap) {
                left = static_cast<int>(i);
                leftGap = gap;
            }
        } else if (overlapsColumn && l.bottom <= c.top) {
            const int gap = c.top - l.bottom;
            if (above < 0 || gap < aboveGap) {
                above = static_cast<int>(i);
                aboveGap = gap;
            }
        }
    }
    if (left >= 0) return left;
    if (above >= 0) return above;
    if (group >= 0 && !LabelName(t.controls[static_cast<std::size_t>(group)].text, 0).IsEmpty())
        return group;
    return -1;
}

CString TemplateAccessibleName(const DialogTemplate& t, std::size_t index)
{
    const int label = NamingLabel(t, index);
    if (label < 0) return {};
    const ControlTemplate& lt = t.controls[static_cast<std::size_t>(label)];
    return LabelName(lt.text, lt.style);
}

CString AddressPartName(const CString& name, int part)
{
    const std::string n = "part " + std::to_string(part + 1) + " of 4";
    return name.IsEmpty() ? CString(n) : CString(name.str() + ", " + n);
}

std::vector<std::size_t> ControlsNamedBy(const DialogTemplate& t, std::size_t labelIndex)
{
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < t.controls.size(); ++i)
        if (NamingLabel(t, i) == static_cast<int>(labelIndex)) out.push_back(i);
    return out;
}

}  // namespace ui
