// The simulated adapters: their default state and what they answer to each command.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

#include "protocol/wire.h"
#include "sim/sim.h"

namespace sim {
namespace {

using protocol::kHeaderSize;

// Little-endian writer for reply datagrams. Texts are cut to their field and zero-filled.
class Writer {
public:
    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v)
    {
        U8(static_cast<std::uint8_t>(v & 0xff));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v & 0xffff));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Text(const std::string& text, std::size_t width)
    {
        for (std::size_t i = 0; i < width; ++i) {
            U8(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
        }
    }
    void Raw(const std::uint8_t* p, std::size_t n) { m_bytes.insert(m_bytes.end(), p, p + n); }
    Bytes& bytes() { return m_bytes; }

private:
    Bytes m_bytes;
};

Bytes Datagram(std::uint16_t cmd, std::uint16_t status, const Mac& mac, const Bytes& payload)
{
    Writer w;
    w.U16(cmd);
    w.U16(status);
    w.U16(static_cast<std::uint16_t>(payload.size()));
    w.Raw(mac.data(), mac.size());
    w.Raw(payload.data(), payload.size());
    return std::move(w.bytes());
}

// Reads request fields; bytes past what arrived read as zero.
class Reader {
public:
    Reader(const std::uint8_t* p, std::size_t n) : m_p(p), m_n(n) {}
    std::uint8_t U8(std::size_t at) const { return at < m_n ? m_p[at] : 0; }
    std::uint16_t U16(std::size_t at) const
    {
        return static_cast<std::uint16_t>(U8(at) | (U8(at + 1) << 8));
    }
    std::string Text(std::size_t at, std::size_t width) const
    {
        std::string s;
        for (std::size_t i = 0; i < width; ++i) {
            const std::uint8_t c = U8(at + i);
            if (c == 0) break;
            s.push_back(static_cast<char>(c));
        }
        return s;
    }
    std::size_t size() const { return m_n; }

private:
    const std::uint8_t* m_p;
    std::size_t m_n;
};

std::string Padded(std::string text, std::size_t width, char fill)
{
    if (text.size() > width) text.resize(width);
    while (text.size() < width) text.push_back(fill);
    return text;
}

std::string Numbered(const char* format, int n)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, n);
    return buf;
}

// Reported IP texts: 192.0.2.2 .. 192.0.2.251 for the first 250 adapters, then 198.18.0.0/15.
std::string IpText(int index)
{
    const int i = index - 1;
    if (i < 250) return Numbered("192.0.2.%d", i + 2);
    const int j = i - 250;
    char buf[32];
    std::snprintf(buf, sizeof buf, "198.%d.%d.%d", 18 + (j / (254 * 256)) % 2, (j / 254) % 256,
                  1 + j % 254);
    return buf;
}

struct Preset {
    const char* name;
    const char* description;
    const char* latin1Name;  // the same adapter with non-UTF-8 texts
    const char* latin1Description;
    std::uint16_t webPort;
    const char* firmware;
    std::uint8_t ipMode;
    std::uint8_t timezone;
    std::vector<std::string> shares;
    std::vector<Disk> disks;
};

const std::vector<Preset>& Presets()
{
    static const std::vector<Preset> presets = {
        {"NAS-Office",
         "Office file server on the second floor",
         "NAS-B\xfcro",
         "Dateiablage im B\xfcro",
         80,
         "2104",
         0,
         27,
         {"Documents", "Invoices", "Backup"},
         {{"Documents", "sda1", "NTFS", 953869, 37}, {"Backup", "sdb1", "ext3", 476940, 81}}},
        {"NAS-Studio",
         "Studio archive with the raw footage",
         "NAS-Cr\xe9"
         "ation",
         "Archives du studio \xe0 Lyon",
         8080,
         "2201",
         1,
         26,
         {"Footage", "Music"},
         {{"Footage", "sdc1", "NTFS", 1907729, 12}}},
        {"NAS-Lounge",
         "Lounge media library",
         "NAS-Sal\xf3n",
         "Biblioteca multimedia del sal\xf3n",
         8088,
         "1907",
         0,
         56,
         {"Movies", "Series", "Kids", "Music", "Photos"},
         {{"Movies", "sdd1", "NTFS", 1907729, 54}, {"Photos", "sde1", "FAT32", 30533, 3}}},
    };
    return presets;
}

std::string ShareName(const Options& o, int adapter, std::size_t k, const Preset* preset)
{
    std::string name;
    if (preset && k < preset->shares.size()) {
        name = preset->shares[k];
    } else {
        name = Numbered("Folder%04d", static_cast<int>(k + 1));
    }
    if (o.nonUtf8 && k == 0) name += "-\xe9t\xe9";
    if (o.longNames) name = Padded(name + Numbered("-A%d-", adapter), 36, 'x');
    return name;
}

// Appends a bracketed remark once, so a thousand adapters do not repeat it in one log line.
void Note(std::string& note, const std::string& remark)
{
    const std::string tag = " [" + remark + "]";
    if (note.find(tag) == std::string::npos) note += tag;
}

}  // namespace

std::string MacText(const Mac& mac)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return buf;
}

std::string CommandName(std::uint16_t cmd)
{
    switch (cmd) {
        case protocol::CMD_DISCOVER:
            return "DISCOVER";
        case protocol::CMD_GET_SYSTEM_INFO:
            return "GET_SYSTEM_INFO";
        case protocol::CMD_SET_SYSTEM_INFO:
            return "SET_SYSTEM_INFO";
        case protocol::CMD_GET_NETWORK_INFO:
            return "GET_NETWORK_INFO";
        case protocol::CMD_SET_NETWORK_INFO:
            return "SET_NETWORK_INFO";
        case protocol::CMD_GET_DISK_INFO:
            return "GET_DISK_INFO";
        case protocol::CMD_VERIFY:
            return "VERIFY";
        case protocol::CMD_GET_SHARE_COUNT:
            return "GET_SHARE_COUNT";
        case protocol::CMD_GET_SHARE_LIST:
            return "GET_SHARE_LIST";
        default:
            return Numbered("cmd %d", cmd);
    }
}

// The calendar of <chrono> rather than gmtime_r/timegm, which the Windows C runtime lacks.
void ClockTexts(std::int64_t t, std::string& date, std::string& time)
{
    using namespace std::chrono;
    const sys_seconds at{seconds{t}};
    const sys_days day = floor<days>(at);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> clock{at - day};
    char d[40], h[40];
    std::snprintf(d, sizeof d, "%04d%02u%02u", static_cast<int>(ymd.year()) % 10000,
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    std::snprintf(h, sizeof h, "%02d%02d%02d", static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    date = d;
    time = h;
}

std::optional<std::int64_t> ParseClock(const std::string& date, const std::string& time)
{
    using namespace std::chrono;
    if (date.size() != 8 || time.size() != 6) return std::nullopt;
    for (char c : date + time) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    const year_month_day ymd{year{std::stoi(date.substr(0, 4))},
                             month{static_cast<unsigned>(std::stoi(date.substr(4, 2)))},
                             day{static_cast<unsigned>(std::stoi(date.substr(6, 2)))}};
    const int hour = std::stoi(time.substr(0, 2));
    const int minute = std::stoi(time.substr(2, 2));
    const int second = std::stoi(time.substr(4, 2));
    // A field out of range is refused rather than carried into the next one.
    if (!ymd.ok() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const sys_seconds at = sys_days{ymd} + hours{hour} + minutes{minute} + seconds{second};
    return static_cast<std::int64_t>(at.time_since_epoch().count());
}

bool IsDottedQuad(const std::string& text)
{
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
        int value = 0, digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + (text[i] - '0');
            if (++digits > 3) return false;
            ++i;
        }
        if (value > 255) return false;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    return i == text.size();
}

std::vector<Adapter> BuildAdapters(const Options& o)
{
    std::vector<Adapter> adapters;
    adapters.reserve(static_cast<std::size_t>(o.adapters));
    for (int index = 1; index <= o.adapters; ++index) {
        const std::size_t slot = static_cast<std::size_t>(index - 1);
        const Preset* preset = slot < Presets().size() ? &Presets()[slot] : nullptr;
        Adapter a;
        a.index = index;
        // Locally administered, unicast; the last three bytes count the adapters.
        const int number = index + o.first - 1;
        a.mac = {0x02,
                 0x44,
                 0x4d,
                 static_cast<std::uint8_t>(number >> 16),
                 static_cast<std::uint8_t>(number >> 8),
                 static_cast<std::uint8_t>(number)};
        if (preset) {
            a.name = o.nonUtf8 ? preset->latin1Name : preset->name;
            a.description = o.nonUtf8 ? preset->latin1Description : preset->description;
            a.webPort = preset->webPort;
            a.firmware = preset->firmware;
            a.ipMode = preset->ipMode;
            a.timezone = preset->timezone;
            a.disks = preset->disks;
        } else {
            a.name = Numbered("NAS-%04d", index);
            a.description = Numbered("Simulated adapter %d", index);
            a.webPort = static_cast<std::uint16_t>(10000 + index);
            a.firmware = "2104";
            a.ipMode = static_cast<std::uint8_t>(index % 2);
            a.timezone = 27;
            a.disks = {{"Share", "sda1", "NTFS", 238475, static_cast<std::int16_t>(index % 100)}};
        }
        if (!o.passwordRequiredGiven) {
            a.passwordRequired = index == 2;  // the demo shows one protected adapter
        } else {
            a.passwordRequired = o.passwordRequiredAll || o.passwordRequired.count(index) != 0;
        }
        a.adminUser = o.adminUser;
        a.adminPassword = o.adminPassword;
        a.addresses = {IpText(number), "255.255.255.0", "192.0.2.254", "192.0.2.253",
                       "192.0.2.252"};

        std::size_t shareCount = preset ? preset->shares.size() : 2;
        if (!o.shareCounts.empty()) {
            shareCount =
                static_cast<std::size_t>(o.shareCounts[std::min(slot, o.shareCounts.size() - 1)]);
        }
        for (std::size_t k = 0; k < shareCount; ++k) {
            a.shares.push_back(ShareName(o, index, k, preset));
        }
        if (o.longNames) {
            a.name = Padded(a.name + "-", 16, 'X');
            a.description = Padded(a.description + " ", 64, 'x');
            a.addresses[1] = "255.255.255.252";  // a mask of the full 15 characters
            for (Disk& d : a.disks) {
                d.shareName = Padded(d.shareName + "-", 36, 'x');
                d.deviceId = Padded("usb-" + d.deviceId + "-", 16, '0');
                d.fsType = Padded(d.fsType + "-", 10, 'x');
            }
        }
        adapters.push_back(std::move(a));
    }
    return adapters;
}

Simulator::Simulator(Options options)
    : m_options(std::move(options)), m_adapters(BuildAdapters(m_options)), m_random(m_options.seed)
{
}

Adapter* Simulator::Find(const Mac& mac)
{
    // MACs are numbered, so the adapter is found by its index.
    if (mac[0] != 0x02 || mac[1] != 0x44 || mac[2] != 0x4d) return nullptr;
    const int index = ((mac[3] << 16) | (mac[4] << 8) | mac[5]) - m_options.first + 1;
    if (index < 1 || index > static_cast<int>(m_adapters.size())) return nullptr;
    return &m_adapters[static_cast<std::size_t>(index - 1)];
}

bool Simulator::Faulty(const Adapter& a) const
{
    return m_options.faults.faulty.empty() || m_options.faults.faulty.count(a.index) != 0;
}

Handled Simulator::Handle(const std::uint8_t* data, std::size_t length, std::int64_t hostNow)
{
    Handled out;
    if (length < kHeaderSize) {
        out.log = Numbered("short request of %d bytes ignored", static_cast<int>(length));
        return out;
    }
    const Reader header(data, length);
    const std::uint16_t cmd = header.U16(0);
    Mac mac{};
    std::memcpy(mac.data(), data + 6, mac.size());
    const std::uint8_t* payload = data + kHeaderSize;
    const std::size_t payloadLength = length - kHeaderSize;
    out.log = CommandName(cmd) + " " + MacText(mac);

    const bool broadcast = mac == Mac{};
    if (cmd == protocol::CMD_DISCOVER && broadcast) {
        std::string note;
        int answered = 0, missed = 0, lost = 0;
        for (Adapter& a : m_adapters) {
            // Each adapter hears its own copy of the broadcast, or not.
            if (Lost(m_options.loss.requests)) {
                ++missed;
                continue;
            }
            std::optional<Bytes> reply = Answer(a, cmd, payload, payloadLength, hostNow, note);
            if (!reply) continue;
            const std::size_t first = out.replies.size();
            lost += Emit(a, std::move(*reply), out.replies, note);
            if (m_options.spreadMs > 0) {
                const int extra =
                    std::uniform_int_distribution<int>(0, m_options.spreadMs)(m_random);
                for (std::size_t i = first; i < out.replies.size(); ++i)
                    out.replies[i].delayMs += extra;
            }
            ++answered;
        }
        out.log += Numbered(" -> %d adapters answer", answered) + note;
        if (missed > 0) out.log += Numbered(" [request lost by %d]", missed);
        if (lost > 0) out.log += Numbered(" [%d answers lost]", lost);
        return out;
    }
    Adapter* a = Find(mac);
    if (!a) {
        out.log += " -> no adapter with this MAC";
        return out;
    }
    out.log += " -> " + a->name;
    if (Lost(m_options.loss.requests)) {
        out.log += " [request lost]";
        return out;
    }
    std::string note;
    std::optional<Bytes> reply = Answer(*a, cmd, payload, payloadLength, hostNow, note);
    if (reply) {
        const std::size_t n = reply->size();
        if (Emit(*a, std::move(*reply), out.replies, note) > 0) Note(note, "answer lost");
        out.log += Numbered(": %d-byte reply", static_cast<int>(n));
    }
    out.log += note;
    return out;
}

std::optional<Bytes> Simulator::Answer(Adapter& a, std::uint16_t cmd, const std::uint8_t* payload,
                                       std::size_t payloadLength, std::int64_t hostNow,
                                       std::string& note)
{
    const Faults& f = m_options.faults;
    if (Faulty(a) && (f.silentAll || f.silentCommands.count(cmd))) {
        if (note.find("silent") == std::string::npos) Note(note, "silent");
        return std::nullopt;
    }
    const Reader in(payload, payloadLength);
    Writer w;
    std::uint16_t status = 0;
    std::string date, time;
    switch (cmd) {
        case protocol::CMD_DISCOVER:
            w.Text("0101", 4);
            w.Text(a.name, 16);
            w.Text(a.addresses[0], 15);
            w.U8(0);
            w.U16(a.webPort);
            break;
        case protocol::CMD_GET_SYSTEM_INFO:
            ClockTexts(hostNow + a.clockOffset, date, time);
            w.Text("0101", 4);
            w.Text(a.firmware, 4);
            w.U8(a.passwordRequired);
            w.Text(a.name, 16);
            w.Text(a.description, 64);
            w.Text(date, 8);
            w.Text(time, 6);
            w.U8(a.timezone);
            break;
        case protocol::CMD_SET_SYSTEM_INFO: {
            if (payloadLength < protocol::kSystemInfoPayloadSize) {
                status = 1;
                Note(note, "refused: short payload");
                break;
            }
            a.passwordRequired = in.U8(0) ? 1 : 0;
            if (in.Text(1, 16) != a.name.substr(0, 16)) {
                if (m_options.rename) {
                    a.name = in.Text(1, 16);
                    Note(note, "renamed " + a.name);
                } else {
                    Note(note, "name differs, kept");
                }
            }
            a.description = in.Text(17, 64);
            a.timezone = in.U8(95);
            const std::string newDate = in.Text(81, 8), newTime = in.Text(89, 6);
            if (const auto t = ParseClock(newDate, newTime)) {
                a.clockOffset = *t - hostNow;
            } else {
                status = 2;
                Note(note, "date/time " + newDate + " " + newTime + " invalid, clock kept");
            }
            break;
        }
        case protocol::CMD_GET_NETWORK_INFO:
            w.U8(a.ipMode);
            for (const std::string& address : a.addresses) w.Text(address, 15);
            break;
        case protocol::CMD_SET_NETWORK_INFO: {
            if (Faulty(a) && f.refuseNetwork) {
                status = 1;
                Note(note, "refused");
                break;
            }
            if (payloadLength < protocol::kNetworkInfoPayloadSize) {
                status = 1;
                Note(note, "refused: short payload");
                break;
            }
            const std::uint8_t mode = in.U8(0);
            std::array<std::string, 5> addresses;
            for (std::size_t i = 0; i < addresses.size(); ++i) {
                addresses[i] = in.Text(1 + 15 * i, 15);
            }
            // A static setting needs a usable address, mask and gateway.
            bool valid = mode <= 1;
            if (valid && mode == 0) {
                for (std::size_t i = 0; i < 3; ++i) valid = valid && IsDottedQuad(addresses[i]);
            }
            if (!valid) {
                status = 2;
                Note(note, "refused: invalid settings");
                break;
            }
            a.ipMode = mode;
            a.addresses = addresses;
            break;
        }
        case protocol::CMD_GET_DISK_INFO: {
            const std::size_t count = std::min(a.disks.size(), protocol::kMaxDiskEntries);
            w.U8(static_cast<std::uint8_t>(count));
            for (std::size_t i = 0; i < count; ++i) {
                const Disk& d = a.disks[i];
                w.Text(d.shareName, 36);
                w.Text(d.deviceId, 16);
                w.Text(d.fsType, 10);
                w.U32(static_cast<std::uint32_t>(d.totalSizeMB));
                w.U16(static_cast<std::uint16_t>(d.freePercent));
            }
            break;
        }
        case protocol::CMD_VERIFY:
            // Compare as the fields travel: at most 16 and 8 bytes.
            if (in.Text(0, 16) != a.adminUser.substr(0, 16) ||
                in.Text(16, 8) != a.adminPassword.substr(0, 8)) {
                status = 1;
                Note(note, "wrong name or password");
            }
            break;
        case protocol::CMD_GET_SHARE_COUNT:
            w.U16(static_cast<std::uint16_t>(std::min<std::size_t>(a.shares.size(), 0xffff)));
            break;
        case protocol::CMD_GET_SHARE_LIST: {
            const std::uint8_t page = in.U8(0);
            const std::size_t first = page * protocol::kSharesPerPage;
            const std::size_t count = first < a.shares.size() ? std::min(protocol::kSharesPerPage,
                                                                         a.shares.size() - first)
                                                              : 0;
            w.U8(page);
            w.U8(static_cast<std::uint8_t>(count));
            for (std::size_t i = 0; i < count; ++i) w.Text(a.shares[first + i], 36);
            break;
        }
        default:
            Note(note, "unknown command, no reply");
            return std::nullopt;
    }
    return Datagram(cmd, status, a.mac, w.bytes());
}

bool Simulator::Lost(double share)
{
    return share > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < share;
}

int Simulator::Emit(const Adapter& a, Bytes reply, std::vector<Reply>& out, std::string& note)
{
    const Faults& f = m_options.faults;
    if (!Faulty(a)) {
        if (Lost(m_options.loss.answers)) return 1;
        out.push_back({std::move(reply), 0});
        return 0;
    }
    if (f.dropRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_random) < f.dropRate) {
        Note(note, "dropped");
        return 0;
    }
    std::vector<Bytes> sent;
    const std::uint16_t cmd = static_cast<std::uint16_t>(reply[0] | (reply[1] << 8));
    if (f.wrongCmdFirst) {
        Bytes wrong = reply;
        const std::uint16_t other = static_cast<std::uint16_t>(cmd + 0x100);
        wrong[0] = static_cast<std::uint8_t>(other & 0xff);
        wrong[1] = static_cast<std::uint8_t>(other >> 8);
        sent.push_back(std::move(wrong));
        Note(note, "wrong cmd first");
    }
    if (f.badSignatureFirst &&
        (cmd == protocol::CMD_DISCOVER || cmd == protocol::CMD_GET_SYSTEM_INFO)) {
        Bytes bad = reply;
        bad[kHeaderSize + 3] = '2';  // "0102"
        sent.push_back(std::move(bad));
        Note(note, "bad signature first");
    }
    sent.push_back(reply);
    if (f.doubleReplies) {
        sent.push_back(std::move(reply));
        Note(note, "doubled");
    }
    int lost = 0;
    for (Bytes& b : sent) {
        if (Lost(m_options.loss.answers)) {
            ++lost;
            continue;
        }
        if (f.shortReplies && b.size() > *f.shortReplies) b.resize(*f.shortReplies);
        out.push_back({std::move(b), f.delayMs});
    }
    if (f.shortReplies) Note(note, Numbered("cut to %d bytes", static_cast<int>(*f.shortReplies)));
    if (f.delayMs > 0) Note(note, Numbered("delayed %d ms", f.delayMs));
    return lost;
}

}  // namespace sim
