// The framework's dialog templates as the dialog manager's in-memory templates (the extended
// form, DLGTEMPLATEEX with DLGITEMTEMPLATEEX items): what CreateDialogIndirectParamW takes.
// Plain bytes built without the Windows headers, so the layout is tested on any host.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialog_template.h"

namespace ui::win32 {

// The class, styles and extended styles a control of the template gets.
struct NativeControl {
    std::uint16_t atom = 0;    // 0x0080 button ... 0x0085 combo box; 0: by `className`
    std::u16string className;  // SysListView32, SysDateTimePick32, SysIPAddress32
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
};
NativeControl NativeControlFor(const ControlTemplate& ct);

// The window styles of the dialog itself.
struct NativeDialog {
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
};
NativeDialog NativeDialogFor(const DialogTemplate& t);

// UTF-8 to UTF-16, invalid bytes as U+FFFD.
std::u16string ToUtf16(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);

// The template as the dialog manager reads it, as 16-bit words (the template must be
// DWORD-aligned in memory, which a vector of WORDs starting on its own allocation is not
// guaranteed to be; the caller copies it into aligned storage or keeps it in uint32 storage).
// Control ids of -1 become 0xFFFF, the resource compiler's static id.
std::vector<std::uint32_t> BuildDialogTemplate(const DialogTemplate& t);

// A view of a built template for tests and diagnostics: the fields read back.
struct ParsedItem {
    std::uint32_t style, exStyle;
    int x, y, cx, cy;
    std::uint32_t id;
    std::uint16_t atom;
    std::u16string className, text;
};
struct ParsedTemplate {
    std::uint32_t style, exStyle;
    int x, y, cx, cy;
    std::u16string caption, font;
    int pointSize;
    std::vector<ParsedItem> items;
    std::vector<std::size_t> itemOffsets;  // in bytes from the start
    bool ok = false;
};
ParsedTemplate ParseDialogTemplate(const std::vector<std::uint32_t>& words);

}  // namespace ui::win32
