#include "sharemap/share_mapping.h"

namespace sharemap {

std::string RootOf(char letter)
{
    return std::string{letter, ':'};
}

std::vector<std::string> DriveComboEntries(netdrive::NetDrive& drives)
{
    std::vector<std::string> entries;
    const std::uint32_t inUse = drives.DrivesInUse();
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string root = RootOf(letter);
        if (drives.IsRemote(root)) {
            // A name that cannot be read shows as empty, like the zeroed buffer it would
            // leave; the letter is still there to see (and taken).
            entries.push_back(root + kDriveSeparator + drives.RemoteName(root).value_or(""));
        } else if ((inUse & (1u << (letter - 'A'))) == 0) {
            entries.push_back(root);
        }
    }
    return entries;
}

bool BelongsToDevice(const std::string& remoteName, const std::string& ipAddress)
{
    if (ipAddress.empty() || remoteName.size() < 2 || remoteName[0] != '\\' ||
        remoteName[1] != '\\') {
        return false;
    }
    const std::size_t end = remoteName.find('\\', 2);
    const std::string host =
        remoteName.substr(2, end == std::string::npos ? std::string::npos : end - 2);
    return host == ipAddress;
}

std::vector<MappedConnection> DeviceConnections(netdrive::NetDrive& drives,
                                                const std::string& ipAddress)
{
    std::vector<MappedConnection> rows;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
        const std::string root = RootOf(letter);
        if (!drives.IsRemote(root)) continue;
        const auto remote = drives.RemoteName(root);
        if (remote && BelongsToDevice(*remote, ipAddress)) rows.push_back({*remote, root});
    }
    return rows;
}

std::string BuildRemoteName(const std::string& ipAddress, const std::string& share)
{
    return "\\\\" + ipAddress + "\\" + share;
}

}  // namespace sharemap
