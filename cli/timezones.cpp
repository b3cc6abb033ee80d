// dravmoor timezones: the positions the adapters store, with the texts the window shows.
#include "protocol/timezones.h"
#include "cli/context.h"
#include "cli/output.h"

namespace cli {

int Timezones(Context& c)
{
    const auto& texts = protocol::TimezoneTexts();
    if (c.json) {
        Json list = Json::array();
        for (std::size_t i = 0; i < texts.size(); ++i)
            list.push_back({{"position", i}, {"text", TimezoneText(static_cast<int>(i))}});
        PrintJson(c.io.out, {{"timezones", list}});
        return kExitOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (std::size_t i = 0; i < texts.size(); ++i)
        rows.push_back({std::to_string(i), TimezoneText(static_cast<int>(i))});
    PrintTable(c.io.out, rows);
    return kExitOk;
}

std::string TimezoneText(int position)
{
    const auto& texts = protocol::TimezoneTexts();
    if (position < 0 || position >= static_cast<int>(texts.size())) return {};
    std::string text(texts[static_cast<std::size_t>(position)]);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace cli
