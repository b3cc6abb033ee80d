// The guard of the programs that send or answer datagrams for tests and the demo (the
// simulator, the test tools): the protocol broadcasts, so they run only inside a private
// network namespace such as scripts/netns.sh makes, never in the host's own.
#pragma once

#include <cstdio>
#include <string>

#if defined(__linux__)
#include <fcntl.h>
#include <linux/nsfs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#endif

namespace sockets {

// True when this process's network namespace is not the host's. The host's is that of
// process 1; where process 1 may not be inspected (an unprivileged user, a user namespace, a
// sandbox), a private one is told by its owner: a namespace made by `unshare -rn` (as
// scripts/netns.sh does) belongs to a user namespace of its own, while the host's belongs to
// the initial user namespace, which maps every id. Without network namespaces (not Linux)
// there is nothing to compare: true.
inline bool InPrivateNetworkNamespace()
{
#if defined(__linux__)
    const auto netns = [](const char* path) {
        char link[64] = {};
        const ssize_t n = ::readlink(path, link, sizeof link - 1);
        return n > 0 ? std::string(link, static_cast<std::size_t>(n)) : std::string();
    };
    const std::string own = netns("/proc/self/ns/net");
    if (own.empty()) return false;
    const std::string init = netns("/proc/1/ns/net");
    if (!init.empty()) return own != init;

    const int net = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (net < 0) return false;
    const int owner = ::ioctl(net, NS_GET_USERNS);
    ::close(net);
    if (owner < 0) return false;  // owned by a user namespace above ours: not ours to test
    struct stat ownerStat {};
    struct stat userStat {};
    const bool ownedByOurs =
        ::fstat(owner, &ownerStat) == 0 && ::stat("/proc/self/ns/user", &userStat) == 0 &&
        ownerStat.st_dev == userStat.st_dev && ownerStat.st_ino == userStat.st_ino;
    ::close(owner);
    if (!ownedByOurs) return false;
    std::ifstream map("/proc/self/uid_map");
    unsigned long first = 0, lower = 0, count = 0;
    if (!(map >> first >> lower >> count)) return false;
    return !(first == 0 && lower == 0 && count == 4294967295UL);
#else
    return true;
#endif
}

// Outside a private namespace: prints one line for `program` (and `hint`, if any) to stderr
// and returns false.
inline bool RequirePrivateNetworkNamespace(const char* program, const char* hint = "")
{
    if (InPrivateNetworkNamespace()) return true;
    std::fprintf(stderr,
                 "%s: refusing to run in the host's network namespace, since it broadcasts; "
                 "run it inside scripts/netns.sh%s\n",
                 program, hint);
    return false;
}

}  // namespace sockets
