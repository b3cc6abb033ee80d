#include "ui/address_input.h"

#include <algorithm>

#include "protocol/address_text.h"

namespace ui {

namespace {

bool IsDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

int Length(const std::string& s)
{
    return static_cast<int>(s.size());
}

// A field's number from its digits; anything past 255 reads 256.
int Value(const std::string& field)
{
    int value = 0;
    for (const char c : field)
        if (IsDigit(static_cast<char32_t>(c))) value = std::min(value * 10 + (c - '0'), 256);
    return value;
}

void FocusField(AddressInput& in, int i, bool selectAll, bool atEnd)
{
    in.focus = i;
    const int end = Length(in.fields[static_cast<std::size_t>(i)]);
    in.caret = atEnd || selectAll ? end : 0;
    in.selStart = selectAll ? 0 : in.caret;
}

}  // namespace

AddressOutcome TypeIntoAddress(AddressInput& in, char32_t c)
{
    const bool afterAdvance = in.focus == in.advancedInto;
    in.advancedInto = -1;
    if (in.focus < 0 || in.focus > 3) return AddressOutcome::NotMine;
    std::string& text = in.fields[static_cast<std::size_t>(in.focus)];
    const int from = std::clamp(std::min(in.selStart, in.caret), 0, Length(text));
    const int to = std::clamp(std::max(in.selStart, in.caret), from, Length(text));
    if (IsDigit(c)) {
        std::string now = text;
        now.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), 1,
                    static_cast<char>(c));
        if (now.size() > 3) return AddressOutcome::Refused;
        int caret = from + 1;
        if (Value(now) > 255) {
            now = "255";
            caret = 3;
        }
        text = now;
        in.selStart = in.caret = caret;
        if (Length(text) == 3 && caret == 3 && in.focus < 3) {
            FocusField(in, in.focus + 1, true, true);
            in.advancedInto = in.focus;
        }
        return AddressOutcome::Taken;
    }
    if (c == U'.' || c == U' ') {
        if (!afterAdvance && in.focus < 3 && !text.empty())
            FocusField(in, in.focus + 1, true, true);
        return AddressOutcome::Taken;
    }
    if (c == U'\b') return KeyIntoAddress(in, AddressKey::Backspace);
    // Control characters (Ctrl+C, Ctrl+A, ...) are the field's; printable ones are refused.
    return c < U' ' || c == 0x7F ? AddressOutcome::NotMine : AddressOutcome::Refused;
}

AddressOutcome KeyIntoAddress(AddressInput& in, AddressKey key)
{
    in.advancedInto = -1;
    if (in.focus < 0 || in.focus > 3) return AddressOutcome::NotMine;
    const int end = Length(in.fields[static_cast<std::size_t>(in.focus)]);
    const bool selection = in.selStart != in.caret;
    switch (key) {
        case AddressKey::Backspace: {
            if (in.focus > 0 && in.caret == 0 && !selection) {
                FocusField(in, in.focus - 1, false, true);
                return AddressOutcome::Taken;
            }
            std::string& text = in.fields[static_cast<std::size_t>(in.focus)];
            const int from = std::clamp(std::min(in.selStart, in.caret), 0, end);
            const int to = std::clamp(std::max(in.selStart, in.caret), from, end);
            if (from == to && from == 0) return AddressOutcome::Refused;
            const int start = from == to ? from - 1 : from;
            text.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(to - start));
            in.selStart = in.caret = start;
            return AddressOutcome::Taken;
        }
        case AddressKey::Left:
            if (in.focus > 0 && in.caret == 0) {
                FocusField(in, in.focus - 1, false, true);
                return AddressOutcome::Taken;
            }
            return AddressOutcome::NotMine;
        case AddressKey::Right:
            if (in.focus < 3 && in.caret == end) {
                FocusField(in, in.focus + 1, false, false);
                return AddressOutcome::Taken;
            }
            return AddressOutcome::NotMine;
    }
    return AddressOutcome::NotMine;
}

AddressOutcome PasteIntoAddress(AddressInput& in, std::string_view text)
{
    in.advancedInto = -1;
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    if (text.find('.') == std::string_view::npos) {
        if (text.empty() || text.size() > 3 ||
            !std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c); }))
            return AddressOutcome::Refused;
        for (const char c : text) TypeIntoAddress(in, static_cast<char32_t>(c));
        return AddressOutcome::Taken;
    }
    in.fields = AddressFieldsOf(text);
    FocusField(in, 3, false, true);
    return AddressOutcome::Taken;
}

std::array<std::string, 4> AddressFieldsOf(std::string_view dotted)
{
    std::array<std::string, 4> fields;
    const auto parts = protocol::AddressParts(dotted);
    for (std::size_t i = 0; i < 4; ++i)
        if (parts[i]) fields[i] = std::to_string(*parts[i]);
    return fields;
}

std::string AddressTextOf(const std::array<std::string, 4>& fields)
{
    std::string out;
    for (const std::string& f : fields) {
        if (!out.empty()) out += '.';
        out += std::to_string(std::min(Value(f), 255));
    }
    return out;
}

bool AddressIsBlank(const std::array<std::string, 4>& fields)
{
    return std::all_of(fields.begin(), fields.end(),
                       [](const std::string& f) { return f.empty(); });
}

}  // namespace ui
