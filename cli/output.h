// The command-line client's output: adapter texts made safe for a terminal, text tables
// aligned by display width, and JSON documents.
#pragma once

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using Json = nlohmann::ordered_json;  // fields in the order they are written

// For a terminal: control characters (C0, DEL, C1) become '?', so an adapter cannot send
// escape sequences to the user's terminal. Expects UTF-8.
std::string ForTerminal(std::string_view utf8);
// Wire bytes decoded as the window shows them, then ForTerminal.
std::string Show(std::string_view wireBytes);

// The document on one line. Control characters, DEL and C1 included, are escaped, so
// the output is as safe for a terminal as the tables.
std::string JsonLine(const Json& document);
void PrintJson(std::FILE* out, const Json& document);

// Rows as left-aligned columns separated by two spaces; widths count terminal columns.
void PrintTable(std::FILE* out, const std::vector<std::vector<std::string>>& rows);

}  // namespace cli
