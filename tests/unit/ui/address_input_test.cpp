// The address control's input rules (address_input.h), which every backend follows: one table
// of keystrokes and pastes from a starting address to the fields they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "ui/address_input.h"

namespace {

using ui::AddressOutcome;

// Keys in `keys`: characters are typed, '\b' is Backspace, '<' and '>' are Left and Right,
// and "[...]" pastes the text between the brackets. The control starts as a user tabbing into
// it finds it: the first field's text selected.
struct Row {
    const char* before;
    const char* keys;
    const char* fields;  // the four field texts joined by '|', the focused one marked by '*'
    const char* address;
};

std::string Input(ui::AddressInput& in, std::string_view keys, int& refused)
{
    for (std::size_t i = 0; i < keys.size(); ++i) {
        AddressOutcome o;
        if (keys[i] == '[') {
            const std::size_t end = keys.find(']', i);
            o = ui::PasteIntoAddress(in, keys.substr(i + 1, end - i - 1));
            i = end;
        } else if (keys[i] == '<' || keys[i] == '>') {
            o = ui::KeyIntoAddress(in,
                                   keys[i] == '<' ? ui::AddressKey::Left : ui::AddressKey::Right);
        } else {
            o = ui::TypeIntoAddress(in, static_cast<unsigned char>(keys[i]));
        }
        // Inside a field, Left and Right move the caret by themselves.
        if (o == AddressOutcome::NotMine && (keys[i] == '<' || keys[i] == '>'))
            in.selStart = in.caret =
                std::clamp(in.caret + (keys[i] == '<' ? -1 : 1), 0,
                           static_cast<int>(in.fields[static_cast<std::size_t>(in.focus)].size()));
        if (o == AddressOutcome::Refused) ++refused;
    }
    std::string shown;
    for (int f = 0; f < 4; ++f) {
        if (f > 0) shown += '|';
        if (f == in.focus) shown += '*';
        shown += in.fields[static_cast<std::size_t>(f)];
    }
    return shown;
}

TEST(AddressInput, KeystrokesAndPastesFromAStartingAddress)
{
    static constexpr Row kRows[] = {
        // Typed over an old address: three digits move on, the dot after them does not.
        {"192.0.2.254", "192.168.100.1", "192|168|100|*1", "192.168.100.1"},
        {"192.0.2.254", "10.1.100.7", "10|1|100|*7", "10.1.100.7"},
        {"", "255.255.0.0", "255|255|0|*0", "255.255.0.0"},
        // Past 255 holds 255; a fourth digit is refused; letters and signs are refused.
        {"", "300.1.2.3", "255|1|2|*3", "255.1.2.3"},
        {"", "1x0.2-.3a.4", "10|2|3|*4", "10.2.3.4"},
        // A dot in an empty field and in the last field stays put.
        {"", ".1.2.3.4.5", "1|2|3|*45", "1.2.3.45"},
        {"", "1.x.3.4", "1|3|*4|", "1.3.4.0"},
        {"", "01.002.3.4", "01|002|3|*4", "1.2.3.4"},
        {"", " 10.0.300.7", "10|0|255|*7", "10.0.255.7"},
        // Backspace deletes, then steps back to the end of the field before.
        {"192.0.2.254", "10.1.2\b\b5", "10|*15||254", "10.15.0.254"},
        // Left and Right cross into the neighbouring field at a field's edge.
        {"", "12<<1>>>4<<", "*112|4||", "112.4.0.0"},
        // A dotted paste fills all four fields by the protocol's rule, the caret in the last.
        {"", "[1.x.3.4]", "1||3|*4", "1.0.3.4"},
        {"", "[01.002.3.4]", "1|2|3|*4", "1.2.3.4"},
        {"", "[1.2.3.4.5]", "1|2|3|*4", "1.2.3.4"},
        {"192.0.2.254", "[ 10.0.300.7\n]", "10|0||*7", "10.0.0.7"},
        // Digits alone are typed; other texts are refused and change nothing.
        {"", "[19]2", "192|*||", "192.0.0.0"},
        {"192.0.2.254", "[1a][]", "*192|0|2|254", "192.0.2.254"},
    };
    for (const Row& r : kRows) {
        ui::AddressInput in;
        in.fields = ui::AddressFieldsOf(r.before);
        in.caret = static_cast<int>(in.fields[0].size());
        int refused = 0;
        EXPECT_EQ(r.fields, Input(in, r.keys, refused)) << r.before << " + " << r.keys;
        EXPECT_EQ(r.address, ui::AddressTextOf(in.fields)) << r.before << " + " << r.keys;
    }
}

TEST(AddressInput, RefusedInputIsReportedSoABackendCanSignalIt)
{
    for (const auto& [keys, count] : std::initializer_list<std::pair<const char*, int>>{
             {"1.2.3.1234", 1}, {"a", 1}, {"[1a]", 1}, {"\b", 1}, {"12", 0}, {"[1.2.3.4]", 0}}) {
        ui::AddressInput in;
        int refused = 0;
        Input(in, keys, refused);
        EXPECT_EQ(count, refused) << keys;
    }
    // Control characters other than Backspace are the field's own (Ctrl+C, Ctrl+A).
    ui::AddressInput in;
    EXPECT_EQ(AddressOutcome::NotMine, ui::TypeIntoAddress(in, 0x03));
}

TEST(AddressInput, ReadingAndWritingTheDottedText)
{
    for (const auto& [dotted, fields, read] :
         std::initializer_list<std::tuple<const char*, const char*, const char*>>{
             {"192.0.2.254", "192|0|2|254", "192.0.2.254"},
             {"10.1", "10|1||", "10.1.0.0"},
             {"1.2.x.256", "1|2||", "1.2.0.0"},
             {"", "|||", "0.0.0.0"}}) {
        const auto f = ui::AddressFieldsOf(dotted);
        EXPECT_EQ(fields, f[0] + "|" + f[1] + "|" + f[2] + "|" + f[3]) << dotted;
        EXPECT_EQ(read, ui::AddressTextOf(f)) << dotted;
        EXPECT_EQ(std::string(dotted).empty(), ui::AddressIsBlank(f)) << dotted;
    }
}

}  // namespace
