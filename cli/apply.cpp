// dravmoor apply PLAN: many adapters from one file. The plan is checked whole against what the
// adapters hold before anything is written; then only what differs is written, and every
// adapter written to is asked again whether it holds what was planned.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "cli/context.h"
#include "cli/many.h"
#include "cli/output.h"
#include "cli/plan.h"
#include "protocol/display.h"
#include "protocol/status_query.h"
#include "protocol/verify.h"
#include "protocol/wire_text.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One row of the plan and what became of its adapter.
struct Work {
    RowPlan plan;
    protocol::DeviceInfo device;  // as discovery, then the status query, reported it
    protocol::Route route;
    bool queried = false;
    Clock::time_point queriedAt;
    Difference difference;
    std::string result;  // unchanged, confirmed, mismatch, refused, no answer, not found
    std::vector<FieldChange> differ;  // mismatch: what it holds instead
    std::string note;                 // the protocol layer's messages
};

std::string ChangeList(const std::vector<FieldChange>& changes, bool values)
{
    std::string text;
    for (const FieldChange& f : changes) {
        text += (text.empty() ? "" : ", ") + f.field;
        if (values) text += ": " + f.held + " -> " + f.planned;
    }
    return text;
}

Json ChangesJson(const std::vector<FieldChange>& changes)
{
    Json list = Json::array();
    for (const FieldChange& f : changes)
        list.push_back({{"field", f.field}, {"held", f.held}, {"planned", f.planned}});
    return list;
}

std::string Name(const Work& w)
{
    return protocol::DisplayText(w.device.name);
}

// The date conversions (mktime, localtime) share the C library's time zone state, and not every
// C library guards it: one thread at a time.
std::mutex& TimeZoneLock()
{
    static std::mutex lock;
    return lock;
}

// Verification, the writes and the read-back of one adapter.
void ApplyOne(Work& w, sockets::SocketApi& api, const std::string& user,
              const std::optional<std::string>& password)
{
    AdapterSink sink;
    const auto finish = [&](const char* result) {
        w.result = result;
        w.note = sink.Text();
    };
    // `now` and the clock carried forward are taken as the write leaves, not at the check.
    const std::int64_t age =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - w.queriedAt).count();
    {
        const std::lock_guard<std::mutex> hold(TimeZoneLock());
        w.difference = Diff(w.device, w.plan, static_cast<std::int64_t>(std::time(nullptr)), age);
    }
    const Difference& d = w.difference;
    if (!d.system && !d.network) return finish("unchanged");

    bool verified = true;
    protocol::PassesVerificationRule(w.device, [&] {
        const protocol::VerifyResult r = protocol::VerifyAdministrator(
            api, sink, w.device.mac, user, password.value_or(""), w.route);
        verified = r == protocol::VerifyResult::Accepted;
        if (r == protocol::VerifyResult::TimedOut || r == protocol::VerifyResult::NotSent)
            finish("no answer");
        else if (!verified)
            finish("refused");
        return verified;
    });
    if (!verified) return;

    std::optional<Clock::time_point> clockSent, clockAnswered;
    if (d.system) {
        clockSent = Clock::now();
        const protocol::WriteOutcome o =
            protocol::WriteSystemInfo(api, sink, w.device.mac, *d.system, w.route);
        if (!o.sent) return finish("no answer");
        clockAnswered = Clock::now();
    }
    if (d.network) {
        const protocol::WriteOutcome o =
            protocol::WriteNetworkInfo(api, sink, w.device.mac, *d.network, w.route);
        if (!o.sent) return finish("no answer");
        if (o.refused) return finish("refused");
    }
    // An unanswered write may still have been taken: the read-back tells.
    protocol::DeviceInfo after;
    after.mac = w.device.mac;
    after.interfaceName = w.device.interfaceName;
    protocol::ReceivedParts parts;
    if (protocol::QueryDeviceStatus(api, after, sink, w.route, &parts,
                                    protocol::StatusScope::Settings) !=
            protocol::StatusResult::Completed ||
        !parts.systemInfo || !parts.networkInfo) {
        return finish("no answer");
    }
    std::optional<ClockWindow> expected;
    if (d.clock && clockSent) {
        const auto since = [](Clock::time_point t) {
            return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - t).count();
        };
        expected = ClockWindow{*d.clock + since(*clockAnswered), *d.clock + since(*clockSent)};
    }
    {
        const std::lock_guard<std::mutex> hold(TimeZoneLock());
        w.differ = ReadBack(after, w.plan, d, expected);
    }
    finish(w.differ.empty() ? "confirmed" : "mismatch");
}

}  // namespace

int Apply(Context& c, const ApplyOptions& o)
{
    const Clock::time_point started = Clock::now();
    std::ifstream file(o.plan, std::ios::binary);
    if (!file) throw UsageError{"cannot read the plan " + o.plan};
    std::stringstream text;
    text << file.rdbuf();

    std::vector<Problem> problems;
    const std::vector<PlanRow> rows = ReadPlan(text.str(), problems);
    std::vector<Work> work;
    std::map<protocol::Mac, int> lineOf;
    for (const PlanRow& row : rows) {
        const std::optional<protocol::Mac> mac = RowMac(row, problems);
        if (!mac) continue;
        if (const auto [at, added] = lineOf.emplace(*mac, row.line); !added) {
            problems.push_back({row.line, "MAC " + protocol::MacText(*mac) + " is also on line " +
                                              std::to_string(at->second)});
            continue;
        }
        Work w;
        w.plan.line = row.line;
        w.plan.mac = *mac;
        work.push_back(std::move(w));
    }

    // The segment as it is: discovery, then the status query of every adapter planned.
    DiscoveryCollector view(c.io.err);
    const std::string cut =
        protocol::DiscoveryCutShortText(protocol::DiscoverDevices(c.api, view, c.only));
    if (!cut.empty()) c.Error(cut);
    if (view.messages() != 0) return kExitFailed;
    std::multimap<protocol::Mac, const protocol::DeviceInfo*> found;
    for (std::size_t i = 0; i < view.list().GetSize(); ++i)
        found.emplace(view.list().GetAt(i)->mac, view.list().GetAt(i));
    // On a lossy segment an adapter may miss all three requests of one discovery: before
    // calling a MAC absent, ask once more.
    DiscoveryCollector again(c.io.err);
    if (std::any_of(work.begin(), work.end(),
                    [&](const Work& w) { return !found.count(w.plan.mac); })) {
        protocol::DiscoverDevices(c.api, again, c.only);
        for (std::size_t i = 0; i < again.list().GetSize(); ++i) {
            const protocol::DeviceInfo* d = again.list().GetAt(i);
            if (!found.count(d->mac)) found.emplace(d->mac, d);
        }
    }
    const double discoverySeconds = Since(started);
    std::vector<Work*> toQuery;
    for (Work& w : work) {
        const auto [from, to] = found.equal_range(w.plan.mac);
        const auto count = std::distance(from, to);
        if (count == 0) {
            problems.push_back({w.plan.line, "MAC " + protocol::MacText(w.plan.mac) +
                                                 " is not on the segment (dravmoor discover "
                                                 "lists the adapters that answer)"});
            w.result = "not found";
            continue;
        }
        if (count > 1) {
            std::string where;
            for (auto it = from; it != to; ++it) {
                where += (where.empty() ? "" : ", ") +
                         protocol::DisplayText(it->second->ipAddress) + " by " +
                         (it->second->interfaceName.empty() ? "?" : it->second->interfaceName);
            }
            problems.push_back({w.plan.line, "MAC " + protocol::MacText(w.plan.mac) +
                                                 " answers twice (" + where +
                                                 "); nothing is sent to it"});
            w.result = "not found";
            continue;
        }
        if (protocol::IsAmbiguous(*from->second)) {
            problems.push_back({w.plan.line, AmbiguityText(*from->second) +
                                                 " Nothing is sent to it; name its network with "
                                                 "--interface"});
            w.result = "not found";
            continue;
        }
        w.device = *from->second;
        w.route = c.Reach(&w.device);
        toQuery.push_back(&w);
    }
    const Clock::time_point queryStart = Clock::now();
    {
        Progress progress(c.io, "status", toQuery.size());
        ForEachAdapter(
            toQuery.size(), c.api, c.io,
            [&](std::size_t i, sockets::SocketApi& api) {
                Work& w = *toQuery[i];
                AdapterSink sink;
                protocol::ReceivedParts parts;
                const auto r = protocol::QueryDeviceStatus(api, w.device, sink, w.route, &parts,
                                                           protocol::StatusScope::Settings);
                w.queriedAt = Clock::now();
                w.queried =
                    r == protocol::StatusResult::Completed && parts.systemInfo && parts.networkInfo;
                if (!w.queried) {
                    w.result = "no answer";
                    w.note = sink.Text().empty() ? "another answer came instead" : sink.Text();
                }
            },
            [&](std::size_t done) { progress.Update(done); });
    }
    const double statusSeconds = Since(queryStart);

    // Each row against its adapter, then the segment as the plan would leave it.
    std::map<protocol::Mac, const Work*> planned;
    for (Work& w : work) {
        const PlanRow& row = *std::find_if(rows.begin(), rows.end(),
                                           [&](const PlanRow& r) { return r.line == w.plan.line; });
        w.plan = CheckRow(row, w.plan.mac, w.queried ? &w.device : nullptr, problems);
        if (!w.queried) continue;
        w.difference = Diff(w.device, w.plan, static_cast<std::int64_t>(std::time(nullptr)));
        if (!w.difference.problem.empty()) problems.push_back({w.plan.line, w.difference.problem});
        planned[w.plan.mac] = &w;
    }
    std::vector<SegmentAdapter> segment;
    for (const auto& [mac, record] : found) {
        const protocol::DeviceInfo& d = *record;
        SegmentAdapter a;
        a.mac = d.mac;
        a.name = protocol::DisplayText(d.name);
        a.address = protocol::NormalizedAddress(protocol::FieldText(d.ipAddress));
        a.interfaceName = d.interfaceName;
        if (const auto it = planned.find(d.mac); it != planned.end()) {
            const Work& w = *it->second;
            a.line = w.plan.line;
            const protocol::NetworkSettings n = w.difference.network
                                                    ? *w.difference.network
                                                    : protocol::CurrentNetworkSettings(w.device);
            a.address = n.addresses[0];
            a.planned = w.difference.network.has_value();
            a.mode = n.ipMode;
            a.mask = n.addresses[1];
            a.gateway = n.addresses[2];
            // An adapter that stays on DHCP keeps the address it holds until its lease ends.
            if (!a.planned) a.mode.reset();
        }
        segment.push_back(std::move(a));
    }
    CheckSegment(segment, c.api.Interfaces(), problems);

    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    bool refuse = false;
    Json problemList = Json::array();
    for (const Problem& p : problems) {
        const bool fatal = !p.warning || !o.force;
        refuse = refuse || fatal;
        std::string where = o.plan + (p.line > 0 ? " line " + std::to_string(p.line) : "");
        std::fprintf(c.io.err, "dravmoor: %s: %s%s\n", where.c_str(), p.warning ? "warning: " : "",
                     ForTerminal(p.text).c_str());
        problemList.push_back({{"line", p.line}, {"text", p.text}, {"warning", p.warning}});
    }
    if (refuse) {
        if (c.json) PrintJson(c.io.out, {{"problems", problemList}});
        const bool onlyWarnings = std::all_of(problems.begin(), problems.end(),
                                              [](const Problem& p) { return p.warning; });
        c.Error(std::string("the plan was refused; nothing was sent") +
                (onlyWarnings ? " (--force accepts the warnings)" : ""));
        return kExitUsage;
    }

    std::vector<Work*> toApply;
    for (Work& w : work)
        if (w.queried) toApply.push_back(&w);
    const Clock::time_point applyStart = Clock::now();
    if (o.dryRun) {
        for (Work* w : toApply) {
            const bool changes = w->difference.system || w->difference.network;
            w->result = changes ? "would change" : "unchanged";
        }
    } else {
        std::optional<std::string> password;
        const bool asks = std::any_of(toApply.begin(), toApply.end(), [](const Work* w) {
            return w->device.passwordRequired != 0 &&
                   (w->difference.system || w->difference.network);
        });
        if (asks) {
            // Asked once, for every adapter that wants it.
            if (!c.io.readPassword) throw UsageError{"no password source"};
            password = c.io.readPassword();
            if (!password) {
                c.Error("no password given");
                return kExitUsage;
            }
            if (!protocol::FitsWire(*password, protocol::kPasswordWidth))
                throw UsageError{"the password does not fit in the adapter's 8 bytes (UTF-8)"};
        }
        Progress progress(c.io, "apply", toApply.size());
        ForEachAdapter(
            toApply.size(), c.api, c.io,
            [&](std::size_t i, sockets::SocketApi& api) {
                ApplyOne(*toApply[i], api, c.user, password);
            },
            [&](std::size_t done) { progress.Update(done); });
    }
    const double applySeconds = Since(applyStart);
    if (AdapterSink::FellBack()) StderrSink(c.io.err).SourcePortFallback();

    std::map<std::string, int> counts;
    Json adapters = Json::array();
    std::vector<std::vector<std::string>> table = {{"MAC", "NAME", "RESULT", "CHANGES"}};
    for (const Work& w : work) {
        ++counts[w.result];
        const std::vector<FieldChange>& shown =
            w.result == "mismatch" ? w.differ : w.difference.changes;
        std::string detail = ChangeList(shown, o.dryRun || w.result == "mismatch");
        if (!w.note.empty()) detail += (detail.empty() ? "" : "; ") + w.note;
        if (c.json) {
            Json row = {{"mac", protocol::MacText(w.plan.mac)},
                        {"name", Name(w)},
                        {"line", w.plan.line},
                        {"result", w.result},
                        {"changes", ChangesJson(w.difference.changes)}};
            if (w.result == "mismatch") row["differ"] = ChangesJson(w.differ);
            if (!w.note.empty()) row["messages"] = w.note;
            adapters.push_back(row);
            continue;
        }
        if (o.dryRun && !w.difference.changes.empty()) {
            table.push_back({protocol::MacText(w.plan.mac), ForTerminal(Name(w)), w.result, ""});
            for (const FieldChange& f : w.difference.changes)
                table.push_back(
                    {"", "", "", ForTerminal(f.field + ": " + f.held + " -> " + f.planned)});
        } else {
            table.push_back({protocol::MacText(w.plan.mac), ForTerminal(Name(w)), w.result,
                             ForTerminal(detail)});
        }
    }
    std::string summary = std::to_string(work.size()) + " adapter(s):";
    bool first = true;
    for (const auto& [result, n] : counts) {
        summary += (first ? " " : ", ") + std::to_string(n) + " " + result;
        first = false;
    }
    if (o.dryRun) summary += " (dry run: nothing was written)";
    const bool allWell = std::all_of(work.begin(), work.end(), [&](const Work& w) {
        return w.result == "unchanged" || w.result == "confirmed" ||
               (o.dryRun && w.result == "would change");
    });
    if (c.json) {
        Json resultCounts = Json::object();
        for (const auto& [result, n] : counts) resultCounts[result] = n;
        PrintJson(c.io.out, {{"adapters", adapters},
                             {"summary", resultCounts},
                             {"dryRun", o.dryRun},
                             {"seconds",
                              {{"discovery", discoverySeconds},
                               {"status", statusSeconds},
                               {"apply", applySeconds},
                               {"total", Since(started)}}}});
    } else {
        PrintTable(c.io.out, table);
        std::fprintf(c.io.out, "%s\n", summary.c_str());
    }
    if (!allWell) {
        c.Error("not every adapter holds what was planned");
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace cli
