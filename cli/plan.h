// A plan of `dravmoor apply`, and the export it starts from: the columns, reading a plan from
// CSV or JSON, checking its rows against what the adapters hold, and the difference that
// decides what is written and, afterwards, whether the adapter holds what was planned.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/changes.h"
#include "platform/sockets/sockets.h"
#include "protocol/device_info.h"
#include "protocol/settings.h"

namespace cli {

enum Column {
    kColMac,
    kColName,
    kColDescription,
    kColDate,
    kColTime,
    kColTimezone,
    kColTimezoneText,
    kColPasswordRequired,
    kColMode,
    kColIp,
    kColMask,
    kColGateway,
    kColDns1,
    kColDns2,
    kColInterface,
    kColFirmware,
    kColumnCount
};
// The header names, in the order export writes them.
const std::array<const char*, kColumnCount>& ColumnNames();

// One adapter's cells as the export writes them (UTF-8, texts decoded as the window shows
// them). Date and time are left empty: the adapter's clock moves on, and a file that held it
// would set it back when applied unchanged.
std::array<std::string, kColumnCount> ExportCells(const protocol::DeviceInfo& device);

// RFC 4180: a cell with a separator, quote or line break is quoted, quotes doubled. A cell a
// spreadsheet would take for a formula (= + - @, tab, CR first) gets a leading apostrophe, so
// an adapter's name cannot run one; reading a plan takes it off again.
std::string CsvLine(const std::array<std::string, kColumnCount>& cells);

struct Problem {
    int line = 0;  // 0: the file as a whole
    std::string text;
    bool warning = false;  // --force accepts it
};

struct PlanRow {
    int line = 0;
    // nullopt: no such column or an empty cell, both of which keep the adapter's value.
    std::array<std::optional<std::string>, kColumnCount> cells;
};

// CSV (header line first; ',' or ';' as its header line uses; a UTF-8 byte order mark and CRLF
// lines accepted) or, when the text starts with '[', a JSON array of objects with the same
// keys. What cannot be read becomes a problem; rows that can are returned.
std::vector<PlanRow> ReadPlan(const std::string& text, std::vector<Problem>& problems);

// The MAC of a row, or a problem.
std::optional<protocol::Mac> RowMac(const PlanRow& row, std::vector<Problem>& problems);

// What one row asks of its adapter, checked by the rules of set-system and set-network.
// Cells equal to what the adapter holds (as export writes them) are no change and are not
// checked again, so an exported file applies as it stands.
struct RowPlan {
    int line = 0;
    protocol::Mac mac{};
    SystemChanges system;
    bool dateNow = false, timeNow = false;
    NetworkChanges network;
};
RowPlan CheckRow(const PlanRow& row, const protocol::Mac& mac, const protocol::DeviceInfo* held,
                 std::vector<Problem>& problems);

struct FieldChange {
    std::string field, held, planned;
};

// Seconds on the scale of protocol::MakeLocalTime.
using ClockValue = std::int64_t;

// What the adapter is to be sent, and the fields it changes.
struct Difference {
    std::vector<FieldChange> changes;
    std::optional<protocol::SystemSettings> system;  // set when a system field changes
    std::optional<protocol::NetworkSettings> network;
    std::optional<ClockValue> clock;  // the clock planned, when date or time change
    std::string problem;              // the row cannot be applied to this adapter
};
// `utcNow`: seconds since 1970 for `now`; `heldAge`: seconds since the adapter's clock was
// read, by which an unplanned clock is carried forward when the system settings go out.
Difference Diff(const protocol::DeviceInfo& held, const RowPlan& plan, std::int64_t utcNow,
                std::int64_t heldAge = 0);

// After the writes: the planned fields the adapter does not hold. A planned clock is held when
// the adapter's lies in `clock`: the planned one moved on by the time since the write was sent
// (high) or since its answer came (low), as a resent request sets the clock later.
struct ClockWindow {
    ClockValue low = 0, high = 0;
};
std::vector<FieldChange> ReadBack(const protocol::DeviceInfo& after, const RowPlan& plan,
                                  const Difference& sent, std::optional<ClockWindow> clock);

// The adapters of the segment after the plan, for the checks across rows.
struct SegmentAdapter {
    protocol::Mac mac{};
    std::string name;                  // decoded
    std::string address;               // what it holds, or what the plan gives it
    bool planned = false;              // the plan sends it network settings
    int line = 0;                      // its plan line (0: not in the plan)
    std::string interfaceName;         // where it answered
    std::optional<std::uint8_t> mode;  // planned mode when planned
    std::string mask, gateway;         // planned, when planned
};
// Two adapters on one address, an address another adapter holds and keeps, a subnet's network
// or broadcast address, a gateway outside the subnet; a warning for an address outside every
// subnet of the interface the adapter answers on.
void CheckSegment(const std::vector<SegmentAdapter>& adapters,
                  const std::vector<sockets::NetworkInterface>& interfaces,
                  std::vector<Problem>& problems);

// The offset of a timezone list entry from UTC, in minutes; nullopt outside the list.
std::optional<int> TimezoneOffsetMinutes(int position);

}  // namespace cli
