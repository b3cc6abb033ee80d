// dravmoor discover: the adapters that answer a discovery, as a table or JSON.
#include "cli/context.h"
#include "cli/hint.h"
#include "cli/output.h"
#include "protocol/display.h"

namespace cli {

int Discover(Context& c)
{
    DiscoveryCollector view(c.io.err);
    const std::string cut =
        protocol::DiscoveryCutShortText(protocol::DiscoverDevices(c.api, view, c.only));
    const protocol::DeviceList& list = view.list();
    if (c.json) {
        Json devices = Json::array();
        for (std::size_t i = 0; i < list.GetSize(); ++i) {
            const protocol::DeviceInfo& d = *list.GetAt(i);
            Json device = {{"name", protocol::DisplayText(d.name)},
                           {"mac", protocol::MacText(d.mac)},
                           {"ipAddress", protocol::DisplayText(d.ipAddress)},
                           {"webPort", d.webPort},
                           {"interface", d.interfaceName}};
            // Only where another network claimed it: the other records read as before.
            if (protocol::IsAmbiguous(d)) device["alsoAnsweredOn"] = d.alsoAnsweredOn;
            devices.push_back(std::move(device));
        }
        PrintJson(c.io.out, {{"devices", devices}});
    } else {
        std::vector<std::vector<std::string>> rows = {
            {"NAME", "MAC", "IP ADDRESS", "WEB PORT", "INTERFACE"}};
        for (std::size_t i = 0; i < list.GetSize(); ++i) {
            const protocol::DeviceInfo& d = *list.GetAt(i);
            rows.push_back({Show(protocol::FieldText(d.name)), protocol::MacText(d.mac),
                            Show(protocol::FieldText(d.ipAddress)), std::to_string(d.webPort),
                            Show(d.interfaceName)});
        }
        PrintTable(c.io.out, rows);
        std::fprintf(c.io.out, "%zu adapter(s)\n", list.GetSize());
    }
    // Every message of discovery reports a failure of the socket layer; then that is
    // the reason, and nothing was asked.
    if (!cut.empty()) std::fprintf(c.io.err, "dravmoor: %s\n", cut.c_str());
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        const protocol::DeviceInfo& d = *list.GetAt(i);
        if (protocol::IsAmbiguous(d))
            ErrorLine(c.io.err, AmbiguityText(d) + " Listed is the first answer (by " +
                                    d.interfaceName + "); commands for it need --interface");
    }
    if (view.messages() != 0) return kExitFailed;
    if (list.GetSize() == 0) PrintNothingFoundHint(c.io.err);
    return kExitOk;
}

}  // namespace cli
