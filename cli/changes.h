// The checks of what a user asks an adapter to hold, as set-system, set-network and a plan of
// `apply` take it: one set of rules, so a value one command refuses the others refuse too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/context.h"
#include "cli/text.h"

namespace cli {

// How a checked value is named in a refusal: the command line's option or the plan's column.
enum class Naming { Options, Columns };

struct SystemChanges {
    std::optional<std::string> name, description;
    std::optional<Date> date;
    std::optional<TimeOfDay> time;
    std::optional<int> timezone;
    std::optional<bool> passwordRequired;
};
// Throws UsageError naming the first value that is refused.
SystemChanges CheckSystemOptions(const SystemOptions& o, Naming naming = Naming::Options);

struct NetworkChanges {
    std::optional<std::uint8_t> mode;  // 0 static, 1 DHCP
    // As the window's address control sends them ("010.1.1.1" becomes "10.1.1.1").
    std::array<std::optional<std::string>, 5> addresses;
};
NetworkChanges CheckNetworkOptions(const NetworkOptions& o, Naming naming = Naming::Options);

// A dotted quad as a number (host order); the text must be one IsDottedQuad accepts.
std::uint32_t AddressValue(const std::string& dotted);

}  // namespace cli
