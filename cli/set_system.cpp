// dravmoor set-system: the adapter's system settings. The write replaces every field, so what
// is not given is what the setup wizard would send for an unchanged page.
#include "cli/changes.h"
#include "cli/context.h"

namespace cli {

int SetSystem(Context& c, const protocol::Mac& mac, const SystemOptions& o)
{
    const SystemChanges changes = CheckSystemOptions(o);
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
    if (changes.description) s.description = *changes.description;
    if (changes.passwordRequired) s.passwordRequired = *changes.passwordRequired;
    if (changes.timezone) s.timezone = static_cast<std::uint8_t>(*changes.timezone);
    if (const auto& date = changes.date) {
        s.year = date->year;
        s.month = date->month;
        s.day = date->day;
    }
    if (const auto& time = changes.time) {
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
