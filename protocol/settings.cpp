#include "protocol/settings.h"

#include <algorithm>
#include <span>

#include "protocol/address_text.h"
#include "protocol/device_info.h"
#include "protocol/messages.h"

namespace protocol {

namespace {

// Writes `value` as exactly `width` decimal digits, zero-filled on the left. Values that do
// not fit are clamped rather than cut, so the field never holds a misleading date.
void PutDigits(std::uint8_t* out, std::size_t width, int value)
{
    int limit = 1;
    for (std::size_t i = 0; i < width; ++i) limit *= 10;
    value = std::clamp(value, 0, limit - 1);
    for (std::size_t i = width; i-- > 0;) {
        out[i] = static_cast<std::uint8_t>('0' + value % 10);
        value /= 10;
    }
}

WriteOutcome Write(sockets::SocketApi& api, MessageSink& sink, std::uint16_t cmd, const Mac& mac,
                   std::span<const std::uint8_t> payload, const Route& route)
{
    WriteOutcome outcome;
    Session session(api, sink, kLibraryVersion);
    if (!session.ok()) return outcome;
    session.SetRoute(route);
    outcome.sent = true;
    auto reply = session.Exchange(cmd, mac, payload, kWriteWait);
    outcome.answered = reply.has_value();
    // Only the network write looks at the answer; a datagram too short to carry cmd and
    // status is not a refusal.
    if (cmd == CMD_SET_NETWORK_INFO && reply && reply->size() >= 4 &&
        reply->Header().cmd == CMD_SET_NETWORK_INFO && reply->Header().status != 0) {
        outcome.refused = true;
        sink.ShowMessage(text::kSetNetworkFailed);
    }
    session.Release();
    return outcome;
}

}  // namespace

bool IsValidDescription(std::string_view text)
{
    text = text.substr(0, std::min(text.size(), kDescriptionSent));
    return std::all_of(text.begin(), text.end(), [](char ch) {
        auto c = static_cast<unsigned char>(ch);
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == ' ' || c == '-' || c == '_';
    });
}

std::array<std::uint8_t, kSystemInfoPayloadSize> SystemInfoPayload(const SystemSettings& s)
{
    std::array<std::uint8_t, kSystemInfoPayloadSize> p{};
    std::span<std::uint8_t> all(p);
    p[0] = s.passwordRequired ? 1 : 0;
    PutText(all.subspan(1, kNameWidth), FieldText(s.name));
    std::string_view description(s.description);
    PutText(all.subspan(17, kDescriptionWidth),
            description.substr(0, std::min(description.size(), kDescriptionSent)));
    PutDigits(&p[81], 4, s.year);
    PutDigits(&p[85], 2, s.month);
    PutDigits(&p[87], 2, s.day);
    PutDigits(&p[89], 2, s.hour);
    PutDigits(&p[91], 2, s.minute);
    PutDigits(&p[93], 2, s.second);
    p[95] = s.timezone;
    return p;
}

std::array<std::uint8_t, kNetworkInfoPayloadSize> NetworkInfoPayload(const NetworkSettings& s)
{
    std::array<std::uint8_t, kNetworkInfoPayloadSize> p{};
    std::span<std::uint8_t> all(p);
    p[0] = s.ipMode;
    for (std::size_t i = 0; i < s.addresses.size(); ++i)
        PutText(all.subspan(1 + kAddressWidth * i, kAddressWidth), s.addresses[i]);
    return p;
}

int TimezoneSelection(std::uint8_t timezone)
{
    return timezone < kTimezoneCount ? timezone : -1;
}

void SetDateTime(SystemSettings& s, const CalendarTime& t)
{
    s.year = t.year;
    s.month = t.month;
    s.day = t.day;
    s.hour = t.hour;
    s.minute = t.minute;
    s.second = t.second;
}

std::optional<CalendarTime> DeviceCalendarTime(const DeviceInfo& device)
{
    return DeviceCalendarTime(std::string_view(device.date.data(), device.date.size() - 1),
                              std::string_view(device.time.data(), device.time.size() - 1));
}

SystemSettings CurrentSystemSettings(const DeviceInfo& device, const CalendarTime& clock)
{
    SystemSettings s;
    s.passwordRequired = device.passwordRequired != 0;
    s.name = device.name;
    s.description = FieldText(device.description);
    s.timezone = static_cast<std::uint8_t>(TimezoneSelection(device.timezone) & 0xFF);
    SetDateTime(s, DeviceCalendarTime(device).value_or(clock));
    return s;
}

std::string NormalizedAddress(std::string_view text)
{
    std::string out;
    for (const std::optional<int>& part : AddressParts(text)) {
        if (!out.empty()) out += '.';
        out += std::to_string(part.value_or(0));
    }
    return out;
}

NetworkSettings CurrentNetworkSettings(const DeviceInfo& device)
{
    NetworkSettings s;
    s.ipMode = device.ipMode != 0 ? 1 : 0;
    const std::array<const std::array<char, 16>*, 5> fields{
        &device.ipAddress, &device.subnetMask, &device.gateway, &device.dns1, &device.dns2};
    for (std::size_t i = 0; i < fields.size(); ++i)
        s.addresses[i] = NormalizedAddress(FieldText(*fields[i]));
    return s;
}

WriteOutcome WriteSystemInfo(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                             const SystemSettings& settings, const Route& route)
{
    return Write(api, sink, CMD_SET_SYSTEM_INFO, mac, SystemInfoPayload(settings), route);
}

WriteOutcome WriteNetworkInfo(sockets::SocketApi& api, MessageSink& sink, const Mac& mac,
                              const NetworkSettings& settings, const Route& route)
{
    return Write(api, sink, CMD_SET_NETWORK_INFO, mac, NetworkInfoPayload(settings), route);
}

}  // namespace protocol
