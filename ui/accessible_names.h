// What a screen reader calls each control of a template. Controls that show no text of their
// own (edits, combo boxes, lists, pickers, address controls) take the name of the label the
// template places before them: a static text to their left on the same row, else above them,
// within the same group box; failing both, the title of the group box around them. Buttons,
// check boxes, statics and group boxes are named by their own text. Every backend applies
// these names, so a reader hears the same on each.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/types.h"

namespace ui {

// Whether a control of this kind is named by a label rather than by its own text.
bool NamedByLabel(Kind kind);

// The index (in t.controls) of the static or group box that names control `index`, or -1.
int NamingLabel(const DialogTemplate& t, std::size_t index);

// A control's text as shown: each mnemonic '&' removed, "&&" one '&' ("Sa&ve && close" ->
// "Save & close").
std::string WithoutMnemonic(std::string_view text);

// A label's text as a name: mnemonic '&' removed (unless the static shows '&' as is), and the
// trailing ':' and blanks dropped ("&Password:" -> "Password").
CString LabelName(std::string_view text, std::uint32_t style);

// The accessible name of control `index` as the template gives it; empty for a control that
// its own text names, or that no label names.
CString TemplateAccessibleName(const DialogTemplate& t, std::size_t index);

// Field `part` (0-3) of an address control named `name`: "<name>, part N of 4".
CString AddressPartName(const CString& name, int part);

// The controls that label `labelIndex` names (indexes in t.controls).
std::vector<std::size_t> ControlsNamedBy(const DialogTemplate& t, std::size_t labelIndex);

}  // namespace ui
