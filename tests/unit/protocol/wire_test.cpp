// Request datagrams byte for byte, reply readers on short and hostile input, DeviceInfo
// field rules and the settings payloads.
#include <gtest/gtest.h>

#include <cstring>

#include "protocol/device_info.h"
#include "protocol/exchange.h"
#include "protocol/settings.h"
#include "protocol/status_query.h"
#include "protocol/wire.h"
#include "test_support.h"

using namespace protocol;
using testing_support::Bytes;
using testing_support::kMac;

namespace {

Datagram FromBytes(const std::vector<std::uint8_t>& v)
{
    return Datagram(v.data(), v.size());
}

std::string Str(const std::vector<std::uint8_t>& v, std::size_t at, std::size_t n)
{
    return std::string(v.begin() + static_cast<std::ptrdiff_t>(at),
                       v.begin() + static_cast<std::ptrdiff_t>(at + n));
}

}  // namespace

TEST(Requests, GoldenDatagrams)
{
    EXPECT_EQ(BuildRequest(CMD_DISCOVER, Mac{}), std::vector<std::uint8_t>(12, 0));

    EXPECT_EQ(BuildRequest(CMD_GET_SHARE_LIST, kMac, SharePagePayload(2)),
              Bytes({0x21, 0, 0, 0, 1, 0, 0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x02}));
    // Only the low eight bits of a page number travel.
    EXPECT_EQ(SharePagePayload(258)[0], 2);

    EXPECT_EQ(BuildRequest(CMD_GET_SYSTEM_INFO, kMac),
              Bytes({0x10, 0, 0, 0, 0, 0, 0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e}));
}

TEST(Requests, VerifyIs44BytesWithFieldsCutAndUnterminatedWhenFull)
{
    auto req = BuildRequest(CMD_VERIFY, kMac, VerifyPayload("administrator123XYZ", "secret12!!"));
    ASSERT_EQ(req.size(), 44u);
    EXPECT_EQ(req[0], 21);
    EXPECT_EQ(req[4], 32);
    EXPECT_EQ(Str(req, 12, 16), "administrator123");
    EXPECT_EQ(Str(req, 28, 8), "secret12");
    for (std::size_t i = 36; i < 44; ++i) EXPECT_EQ(req[i], 0) << i;

    auto empty = BuildRequest(CMD_VERIFY, kMac, VerifyPayload("", ""));
    ASSERT_EQ(empty.size(), 44u);
    for (std::size_t i = 12; i < 44; ++i) EXPECT_EQ(empty[i], 0) << i;

    auto shortOnes = VerifyPayload("ab", "c");
    EXPECT_EQ(shortOnes[0], 'a');
    EXPECT_EQ(shortOnes[2], 0);
    EXPECT_EQ(shortOnes[16], 'c');
    EXPECT_EQ(shortOnes[17], 0);
}

TEST(Requests, SystemInfoLayout)
{
    SystemSettings s;
    s.passwordRequired = true;
    std::memcpy(s.name.data(), "SIXTEEN-CHAR-NAM", 16);
    s.description = std::string(63, 'd') + "!";  // the 64th character is never sent
    s.year = 2026;
    s.month = 3;
    s.day = 5;
    s.hour = 7;
    s.minute = 0;
    s.second = 9;
    s.timezone = 255;
    auto req = BuildRequest(CMD_SET_SYSTEM_INFO, kMac, SystemInfoPayload(s));
    ASSERT_EQ(req.size(), 108u);
    EXPECT_EQ(req[0], 17);
    EXPECT_EQ(req[4], 96);
    EXPECT_EQ(req[12], 1);
    EXPECT_EQ(Str(req, 13, 16), "SIXTEEN-CHAR-NAM");
    EXPECT_EQ(Str(req, 29, 63), std::string(63, 'd'));
    EXPECT_EQ(req[29 + 63], 0);
    EXPECT_EQ(Str(req, 93, 8), "20260305");
    EXPECT_EQ(Str(req, 101, 6), "070009");
    EXPECT_EQ(req[107], 255);

    s.passwordRequired = false;
    s.description.clear();
    s.name = {};
    auto p = SystemInfoPayload(s);
    EXPECT_EQ(p[0], 0);
    for (std::size_t i = 1; i < 81; ++i) EXPECT_EQ(p[i], 0) << i;
}

TEST(Requests, NetworkInfoQuadsFillFifteenBytesWithoutTerminator)
{
    NetworkSettings s;
    s.ipMode = 1;
    s.addresses = {"255.255.255.255", "10.0.0.1", "192.168.100.200", "", "1.2.3.4.5.6.7.8.9"};
    auto req = BuildRequest(CMD_SET_NETWORK_INFO, kMac, NetworkInfoPayload(s));
    ASSERT_EQ(req.size(), 88u);
    EXPECT_EQ(req[0], 19);
    EXPECT_EQ(req[4], 76);
    EXPECT_EQ(req[12], 1);
    EXPECT_EQ(Str(req, 13, 15), "255.255.255.255");
    EXPECT_EQ(Str(req, 28, 8), "10.0.0.1");
    for (std::size_t i = 36; i < 43; ++i) EXPECT_EQ(req[i], 0) << i;
    EXPECT_EQ(Str(req, 43, 15), "192.168.100.200");
    for (std::size_t i = 58; i < 73; ++i) EXPECT_EQ(req[i], 0) << i;
    EXPECT_EQ(Str(req, 73, 15), "1.2.3.4.5.6.7.8");  // cut at the field width

    // Read back: a full quad is 15 characters, the next field is not run into.
    Datagram d = FromBytes(req);  // the reply payload has the same layout
    NetworkInfo back = ReadNetworkInfoReply(d);
    EXPECT_EQ(std::string(back.addresses[0].begin(), back.addresses[0].end()), "255.255.255.255");
}

TEST(Datagram, BytesPastTheReceivedLengthReadAsZero)
{
    Datagram d;
    std::memset(d.buffer(), 0xAB, kBufferSize);  // an earlier, longer datagram
    d.buffer()[0] = 0x10;
    d.buffer()[1] = 0x00;
    d.SetSize(3);
    EXPECT_EQ(d.size(), 3u);
    EXPECT_EQ(d.U16(0), 0x10);
    EXPECT_EQ(d.U8(2), 0xAB);
    EXPECT_EQ(d.U16(2), 0x00AB);  // half inside, half past the end
    EXPECT_EQ(d.U8(3), 0);
    EXPECT_EQ(d.I32(1000), 0);
    EXPECT_EQ(d.U8(5000), 0);
    // The buffer itself holds nothing of the earlier datagram past the new length.
    for (std::size_t i = 3; i < kBufferSize; ++i) ASSERT_EQ(d.data()[i], 0) << i;

    d.SetSize(5000);
    EXPECT_EQ(d.size(), kBufferSize);

    auto v = Bytes({0xFE, 0xFF, 0xFF, 0xFF, 'a', 'b', 0, 'c'});
    Datagram e = FromBytes(v);
    EXPECT_EQ(e.I16(0), -2);
    EXPECT_EQ(e.I32(0), -2);
    EXPECT_EQ(e.Text(4, 8), "ab");
    EXPECT_EQ(e.Text(4, 1), "a");
    EXPECT_EQ(e.Text(7, 100), "c");
}

TEST(Replies, DiscoveryValidity)
{
    sockets::FakeAdapter a(kMac);
    a.name = "0123456789ABCDEF";  // 16 characters: no terminator on the wire
    a.ipAddress = "192.168.100.200";
    a.webPort = 8080;
    auto bytes = a.DiscoveryReply();
    Datagram d = FromBytes(bytes);
    ASSERT_TRUE(IsValidDiscoveryReply(d));
    auto device = MakeDeviceInfo(ReadDiscoveryReply(d));
    EXPECT_EQ(FieldText(device->name), "0123456789ABCDEF");
    EXPECT_EQ(device->name[16], '\0');
    EXPECT_EQ(FieldText(device->ipAddress), "192.168.100.200");
    EXPECT_EQ(FieldText(device->signature), "0101");
    EXPECT_EQ(device->webPort, 8080);
    EXPECT_EQ(device->mac, kMac);
    EXPECT_FALSE(device->shares.has_value());

    bytes[12 + 3] = '2';  // "0102"
    EXPECT_FALSE(IsValidDiscoveryReply(FromBytes(bytes)));
    bytes[12 + 3] = '1';
    bytes[0] = 16;
    EXPECT_FALSE(IsValidDiscoveryReply(FromBytes(bytes)));
    EXPECT_FALSE(IsValidDiscoveryReply(Datagram()));
    // Cut inside the signature: the missing bytes are zero, not "0101".
    bytes[0] = 0;
    EXPECT_FALSE(IsValidDiscoveryReply(FromBytes({bytes.begin(), bytes.begin() + 14})));
    // Cut after the signature: valid, the missing fields read as zero.
    Datagram cut = FromBytes({bytes.begin(), bytes.begin() + 16});
    ASSERT_TRUE(IsValidDiscoveryReply(cut));
    auto partial = MakeDeviceInfo(ReadDiscoveryReply(cut));
    EXPECT_EQ(FieldText(partial->name), "");
    EXPECT_EQ(partial->webPort, 0);
}

TEST(Replies, SharePageRecordsNeverRunPastTheDatagramOrThePage)
{
    auto page = [](std::uint8_t index, std::uint8_t claimed, std::size_t present,
                   std::size_t extraBytes) {
        std::vector<std::uint8_t> p(2 + 36 * present + extraBytes, 0);
        p[0] = index;
        p[1] = claimed;
        for (std::size_t i = 0; i < present; ++i)
            p[2 + 36 * i] = static_cast<std::uint8_t>('A' + i);
        return sockets::FakeMessage(CMD_GET_SHARE_LIST, 0, kMac, p);
    };
    SharePage full = ReadSharePageReply(FromBytes(page(1, 3, 3, 0)));
    EXPECT_EQ(full.pageIndex, 1);
    ASSERT_EQ(full.records.size(), 3u);
    EXPECT_EQ(full.records[2][0], 'C');

    // Claims 255 records, carries 2 and part of a third: only the 2 whole ones.
    SharePage hostile = ReadSharePageReply(FromBytes(page(0, 255, 2, 20)));
    EXPECT_EQ(hostile.entryCount, 255);
    EXPECT_EQ(hostile.records.size(), 2u);

    // 28 records fit in 1024 bytes, but a page holds at most 20.
    SharePage crowded = ReadSharePageReply(FromBytes(page(0, 28, 28, 0)));
    EXPECT_EQ(crowded.records.size(), 20u);

    EXPECT_TRUE(ReadSharePageReply(FromBytes(page(0, 0, 0, 0))).records.empty());
    EXPECT_TRUE(ReadSharePageReply(Datagram()).records.empty());
}

TEST(Replies, DiskRecordsNeverRunPastTheDatagramOrFourteen)
{
    sockets::FakeAdapter a(kMac);
    for (int i = 0; i < 16; ++i)
        a.disks.push_back({"share" + std::to_string(i), "0123456789abcdef", "ntfs-extra", 953 + i,
                           static_cast<std::int16_t>(-1 - i)});
    auto bytes = a.DiskInfoReply();  // the adapter sends 14 of them
    auto disks = ReadDiskInfoReply(FromBytes(bytes));
    ASSERT_EQ(disks.size(), 14u);
    EXPECT_EQ(disks[13].totalSizeMB, 966);
    EXPECT_EQ(disks[0].freePercent, -1);
    EXPECT_EQ(std::string(disks[0].deviceId.begin(), disks[0].deviceId.end()), "0123456789abcdef");

    bytes[12] = 200;  // claims more than arrived
    bytes.resize(13 + 68 * 2 + 30);
    EXPECT_EQ(ReadDiskInfoReply(FromBytes(bytes)).size(), 2u);
    bytes.resize(12);
    EXPECT_TRUE(ReadDiskInfoReply(FromBytes(bytes)).empty());
}

TEST(Replies, SystemInfoShortReplyLeavesZeros)
{
    sockets::FakeAdapter a(kMac);
    a.firmware = "1203";
    a.description = "Desk";
    auto bytes = a.SystemInfoReply();
    bytes.resize(12 + 30);  // cut inside the description
    SystemInfoReply r = ReadSystemInfoReply(FromBytes(bytes));
    EXPECT_EQ(r.firmware[3], '3');
    EXPECT_EQ(r.description[0], 'D');
    EXPECT_EQ(r.description[4], 0);
    EXPECT_EQ(r.date[0], 0);
    EXPECT_EQ(r.timezone, 0);
}

TEST(Texts, FirmwareTextEndsAtTheFirstZeroByte)
{
    DeviceInfo d;
    EXPECT_EQ(FirmwareText(d), "V");
    std::memcpy(d.firmware.data(), "1203", 4);
    EXPECT_EQ(FirmwareText(d), "V12R03");
    d.firmware[2] = 0;
    EXPECT_EQ(FirmwareText(d), "V12R");
}

TEST(Texts, SharePageCountIsCappedAtTheIndicesThatTravel)
{
    EXPECT_EQ(SharePageCount(0), 0u);
    EXPECT_EQ(SharePageCount(1), 1u);
    EXPECT_EQ(SharePageCount(19), 1u);
    EXPECT_EQ(SharePageCount(20), 2u);
    EXPECT_EQ(SharePageCount(45), 3u);
    EXPECT_EQ(SharePageCount(5099), 255u);
    EXPECT_EQ(SharePageCount(5100), 256u);
    EXPECT_EQ(SharePageCount(5120), 256u);
    EXPECT_EQ(SharePageCount(32768), 256u);  // not a negative count
    EXPECT_EQ(SharePageCount(65535), 256u);
}

TEST(Settings, DescriptionCheckAndDigitFields)
{
    EXPECT_TRUE(IsValidDescription(""));
    EXPECT_TRUE(IsValidDescription("Office NAS-2_b 09"));
    for (const char* bad : {"a.b", "a/b", "a\tb", "caf\xc3\xa9", "x\x80"})
        EXPECT_FALSE(IsValidDescription(bad)) << bad;
    // Only the first 63 characters are examined (and sent).
    EXPECT_TRUE(IsValidDescription(std::string(63, 'a') + "."));
    EXPECT_FALSE(IsValidDescription(std::string(62, 'a') + "."));

    SystemSettings s;
    s.year = 12345;  // out of the field's range: clamped, never cut to a wrong date
    s.month = -1;
    auto p = SystemInfoPayload(s);
    EXPECT_EQ(std::string(p.begin() + 81, p.begin() + 89), "99990001");
}
