// dravmoor export: every adapter of the segment as a row of CSV (or JSON), in the columns a
// plan of `dravmoor apply` takes, so the file applies as it stands and an edit is a change.
#include <cstdio>
#include <memory>

#include "cli/context.h"
#include "cli/hint.h"
#include "cli/many.h"
#include "cli/output.h"
#include "cli/plan.h"
#include "protocol/display.h"
#include "protocol/status_query.h"

namespace cli {

namespace {

Json JsonRow(const std::array<std::string, kColumnCount>& cells, const protocol::DeviceInfo& d)
{
    Json row = Json::object();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const char* key = ColumnNames()[i];
        switch (i) {
            case kColDate:
            case kColTime:
                row[key] = nullptr;  // see ExportCells
                break;
            case kColTimezone:
                row[key] = d.timezone;
                break;
            case kColPasswordRequired:
                row[key] = d.passwordRequired != 0;
                break;
            default:
                row[key] = cells[i];
        }
    }
    return row;
}

}  // namespace

int Export(Context& c, const std::string& output)
{
    DiscoveryCollector view(c.io.err);
    const std::string cut =
        protocol::DiscoveryCutShortText(protocol::DiscoverDevices(c.api, view, c.only));
    if (!cut.empty()) c.Error(cut);
    if (view.messages() != 0) return kExitFailed;

    const std::size_t n = view.list().GetSize();
    std::vector<protocol::DeviceInfo> devices;
    std::vector<protocol::Route> routes;
    for (std::size_t i = 0; i < n; ++i) {
        devices.push_back(*view.list().GetAt(i));
        routes.push_back(c.Reach(&devices.back()));
    }
    std::vector<std::string> failed(n);
    {
        Progress progress(c.io, "status", n);
        ForEachAdapter(
            n, c.api, c.io,
            [&](std::size_t i, sockets::SocketApi& api) {
                AdapterSink sink;
                protocol::ReceivedParts parts;
                const protocol::StatusResult r = protocol::QueryDeviceStatus(
                    api, devices[i], sink, routes[i], &parts, protocol::StatusScope::Settings);
                // Half a record would be a plan that writes blanks: all of it or none.
                if (r != protocol::StatusResult::Completed || !parts.systemInfo ||
                    !parts.networkInfo) {
                    failed[i] = sink.Text().empty() ? "another answer came instead" : sink.Text();
                }
            },
            [&](std::size_t done) { progress.Update(done); });
    }

    std::FILE* out = c.io.out;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, std::fclose);
    if (!output.empty() && output != "-") {
        file.reset(std::fopen(output.c_str(), "wb"));
        if (!file) {
            c.Error("cannot write " + output);
            return kExitFailed;
        }
        out = file.get();
    }
    int code = kExitOk;
    Json rows = Json::array();
    std::string csv = CsvLine([] {
        std::array<std::string, kColumnCount> header;
        for (std::size_t i = 0; i < header.size(); ++i) header[i] = ColumnNames()[i];
        return header;
    }());
    for (std::size_t i = 0; i < n; ++i) {
        if (!failed[i].empty()) {
            c.Error(protocol::MacText(devices[i].mac) + " (" +
                    Show(protocol::FieldText(devices[i].name)) +
                    ") left out: " + ForTerminal(protocol::DecodeWireText(failed[i])));
            code = kExitFailed;
            continue;
        }
        auto cells = ExportCells(devices[i]);
        // On standard output an adapter's text cannot reach the terminal as control codes;
        // a file gets the texts as they are.
        if (!file) {
            for (std::string& cell : cells) cell = ForTerminal(cell);
        }
        if (c.json) {
            rows.push_back(JsonRow(cells, devices[i]));
        } else {
            csv += CsvLine(cells);
        }
    }
    if (c.json) {
        // One document, so a file written with --output is the plan itself.
        std::fprintf(out, "%s\n", JsonLine(rows).c_str());
    } else {
        std::fputs(csv.c_str(), out);
    }
    if (file && std::fclose(file.release()) != 0) {
        c.Error("cannot write " + output);
        return kExitFailed;
    }
    if (n == 0) PrintNothingFoundHint(c.io.err);
    return code;
}

}  // namespace cli
