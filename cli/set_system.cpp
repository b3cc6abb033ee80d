// dravmoor set-system: the adapter's system settings. The write replaces every field, so what
// is not given is what the setup wizard would send for an unchanged page.
#include "cli/context.h"
#include "cli/text.h"
#include "protocol/limits.h"
#include "protocol/timezones.h"

namespace cli {

int SetSystem(Context& c, const protocol::Mac& mac, const SystemOptions& o)
{
    if (o.description) {
        if (o.description->size() > protocol::kDescriptionSent)
            throw UsageError{"the description has more than 63 characters"};
        if (!protocol::IsValidDescription(*o.description)) {
            throw UsageError{
                "the description is invalid; valid characters are 0-9, a-z, A-Z, space, '-' "
                "and '_'"};
        }
    }
    std::optional<Date> date;
    std::optional<TimeOfDay> time;
    if (o.date) {
        date = ParseDate(*o.date);
        if (!date) throw UsageError{"'" + *o.date + "' is not a date (YYYY-MM-DD)"};
    }
    if (o.time) {
        time = ParseTime(*o.time);
        if (!time) throw UsageError{"'" + *o.time + "' is not a time (hh:mm:ss)"};
    }
    std::optional<int> timezone;
    if (o.timezone) {
        int matches = 0;
        timezone = protocol::FindTimezone(*o.timezone, &matches);
        if (!timezone && matches > 1) {
            throw UsageError{"'" + *o.timezone + "' is in " + std::to_string(matches) +
                             " timezones; give more of the text, or the position (see dravmoor "
                             "timezones)"};
        }
        if (!timezone) {
            throw UsageError{
                "the timezone is a position in the timezone list, 0 to 74, or a part of one "
                "entry's text (see dravmoor timezones)"};
        }
    }
    if (o.passwordRequired && *o.passwordRequired != "yes" && *o.passwordRequired != "no")
        throw UsageError{"--password-required takes yes or no"};
    if (o.name && o.name->size() > protocol::kNameWidth)
        throw UsageError{"the name has more than 16 characters"};

    protocol::DeviceInfo device;
    device.mac = mac;
    if (const int code = c.PrepareWrite(device, false); code != kExitOk) return code;
    // The name travels back unchanged; only discovery reports it.
    if (o.name) {
        device.name.fill('\0');
        std::copy(o.name->begin(), o.name->end(), device.name.begin());
    } else {
        const int code = c.NameFromDiscovery(device);
        if (code != kExitOk) return code;
    }

    protocol::SystemSettings s = protocol::CurrentSystemSettings(device, protocol::LocalNow());
    if (o.description) s.description = *o.description;
    if (o.passwordRequired) s.passwordRequired = *o.passwordRequired == "yes";
    if (timezone) s.timezone = static_cast<std::uint8_t>(*timezone);
    if (date) {
        s.year = date->year;
        s.month = date->month;
        s.day = date->day;
    }
    if (time) {
        s.hour = time->hour;
        s.minute = time->minute;
        s.second = time->second;
    }
    // The wizard refuses to send a description it cannot check, also an unchanged one.
    if (!protocol::IsValidDescription(s.description)) {
        c.Error(
            "the adapter's description has characters it does not accept back; give "
            "--description");
        return kExitUsage;
    }

    StderrSink sink(c.io.err);
    return c.WriteResult(protocol::WriteSystemInfo(c.api, sink, mac, s, c.Reach(&device)),
                         "system settings");
}

}  // namespace cli
