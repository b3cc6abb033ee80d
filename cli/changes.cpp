#include "cli/changes.h"

#include <cctype>

#include "protocol/limits.h"
#include "protocol/settings.h"
#include "protocol/timezones.h"

namespace cli {

namespace {

std::string Name(Naming naming, const char* option, const char* column)
{
    return naming == Naming::Options ? option : column;
}

bool IsContiguousMask(const std::string& dotted)
{
    const std::uint32_t zeros = ~AddressValue(dotted);
    return (zeros & (zeros + 1)) == 0;  // the zeros are the low bits only
}

}  // namespace

std::uint32_t AddressValue(const std::string& dotted)
{
    std::uint32_t bits = 0;
    std::size_t at = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t dot = dotted.find('.', at);
        bits = (bits << 8) | static_cast<std::uint32_t>(std::stoul(dotted.substr(at, dot - at)));
        at = dot + 1;
    }
    return bits;
}

SystemChanges CheckSystemOptions(const SystemOptions& o, Naming naming)
{
    SystemChanges s;
    if (o.description) {
        if (o.description->size() > protocol::kDescriptionSent)
            throw UsageError{"the description has more than 63 characters"};
        if (!protocol::IsValidDescription(*o.description)) {
            throw UsageError{
                "the description is invalid; valid characters are 0-9, a-z, A-Z, space, '-' "
                "and '_'"};
        }
        s.description = o.description;
    }
    if (o.date) {
        s.date = ParseDate(*o.date);
        if (!s.date) throw UsageError{"'" + *o.date + "' is not a date (YYYY-MM-DD)"};
    }
    if (o.time) {
        s.time = ParseTime(*o.time);
        if (!s.time) throw UsageError{"'" + *o.time + "' is not a time (hh:mm:ss)"};
    }
    if (o.timezone) {
        int matches = 0;
        s.timezone = protocol::FindTimezone(*o.timezone, &matches);
        if (!s.timezone && matches > 1) {
            throw UsageError{"'" + *o.timezone + "' is in " + std::to_string(matches) +
                             " timezones; give more of the text, or the position (see dravmoor "
                             "timezones)"};
        }
        if (!s.timezone) {
            throw UsageError{
                "the timezone is a position in the timezone list, 0 to 74, or a part of one "
                "entry's text (see dravmoor timezones)"};
        }
    }
    if (o.passwordRequired) {
        if (*o.passwordRequired != "yes" && *o.passwordRequired != "no")
            throw UsageError{Name(naming, "--password-required", "passwordRequired") +
                             " takes yes or no"};
        s.passwordRequired = *o.passwordRequired == "yes";
    }
    if (o.name) {
        if (o.name->size() > protocol::kNameWidth)
            throw UsageError{"the name has more than 16 characters"};
        s.name = o.name;
    }
    return s;
}

NetworkChanges CheckNetworkOptions(const NetworkOptions& o, Naming naming)
{
    static const std::array<const char*, 5> kOptions = {"--ip", "--mask", "--gateway", "--dns1",
                                                        "--dns2"};
    static const std::array<const char*, 5> kColumns = {"ip", "mask", "gateway", "dns1", "dns2"};
    NetworkChanges s;
    if (o.mode) {
        std::string given = *o.mode;
        for (char& ch : given) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (given == "static") {
            s.mode = 0;
        } else if (given == "dhcp") {
            s.mode = 1;
        } else {
            throw UsageError{Name(naming, "--mode", "mode") + " takes static or dhcp"};
        }
    }
    for (std::size_t i = 0; i < kOptions.size(); ++i) {
        const std::optional<std::string>& v = o.addresses[i];
        if (!v) continue;
        if (!IsDottedQuad(*v)) {
            throw UsageError{"'" + *v + "' is not a dotted-quad address (" +
                             Name(naming, kOptions[i], kColumns[i]) + ")"};
        }
        // As the window's address control sends them: "010.001.001.001" goes out as 10.1.1.1,
        // so an adapter that reads a leading zero as octal cannot store another address.
        s.addresses[i] = protocol::NormalizedAddress(*v);
    }
    // A mask is ones then zeros; anything else no adapter can use.
    if (s.addresses[1] && !IsContiguousMask(*s.addresses[1])) {
        throw UsageError{"'" + *o.addresses[1] +
                         "' is not a subnet mask (ones, then zeros: e.g. 255.255.255.0)"};
    }
    return s;
}

}  // namespace cli
