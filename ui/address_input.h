// How an address control takes the user's input, the same on every backend: the backend reads
// its four fields into an AddressInput, hands it the keystroke or the pasted text, and shows
// the fields, the focused field and its selection as they come back. The rules:
//  - digits fill a field; the third moves on to the next field with its text selected, and a
//    value past 255 holds 255; a fourth digit is refused;
//  - a dot (or space) typed into a field with digits moves on, but not right after three
//    digits moved on: that dot closes the field just finished;
//  - Backspace deletes the selection or the digit before the caret, and at a field's start goes
//    back to the end of the one before; Left and Right cross into the neighbouring field at a
//    field's edge (inside a field they are the field's own);
//  - other characters are refused, as letters are;
//  - a pasted text with a dot fills all four fields by the protocol's rule (AddressParts) and
//    leaves the caret in the last; up to three digits alone are typed; anything else is
//    refused.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ui {

struct AddressInput {
    std::array<std::string, 4> fields;  // each field's digits, as shown
    int focus = 0;                      // the field with the caret
    int selStart = 0;                   // the selection in that field, [selStart, caret)
    int caret = 0;
    int advancedInto = -1;  // the field three digits moved on to, until any other input
};

enum class AddressKey { Backspace, Left, Right };

enum class AddressOutcome {
    Taken,    // the input is applied to the fields
    Refused,  // nothing changed; a backend may signal it
    NotMine,  // a key the field's own editing handles (Left inside a field, Ctrl+C, ...)
};

AddressOutcome TypeIntoAddress(AddressInput& in, char32_t c);
AddressOutcome KeyIntoAddress(AddressInput& in, AddressKey key);
AddressOutcome PasteIntoAddress(AddressInput& in, std::string_view text);

// The fields showing `dotted` read by the protocol's rule (parts without a value blank), and
// the dotted quad the fields show (blank reads 0, a value past 255 as 255).
std::array<std::string, 4> AddressFieldsOf(std::string_view dotted);
std::string AddressTextOf(const std::array<std::string, 4>& fields);
bool AddressIsBlank(const std::array<std::string, 4>& fields);

}  // namespace ui
