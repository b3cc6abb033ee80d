// The one UDP socket dravmoor-sim serves on, behind the little the serve loop needs: wait for
// a request or a stop request, take requests, send replies. One implementation per system
// (udp_socket_posix.cpp, udp_socket_win.cpp), each also owning that system's way to stop the
// program (SIGINT and SIGTERM; Ctrl+C, Ctrl+Break and the console closing).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sim/sim.h"

namespace sim {

// A sender's IPv4 address and port, in host byte order.
struct Peer {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
};
std::string Endpoint(const Peer& p);  // "192.0.2.1:5000"

class UdpSocket {
public:
    virtual ~UdpSocket() = default;
    enum class Wake { Readable, TimedOut, Stop, Failed };
    // Sleeps until a request can be read, `timeout` passes (none: no limit) or a stop is asked.
    virtual Wake Wait(std::optional<std::chrono::nanoseconds> timeout) = 0;
    // One waiting request into `buffer`: its size, or none when nothing waits.
    virtual std::optional<std::size_t> Receive(std::uint8_t* buffer, std::size_t size,
                                               Peer& from) = 0;
    virtual void Send(const Bytes& bytes, const Peer& to) = 0;
    // Lets other processes on this CPU run (a burst of replies must not starve a client).
    virtual void LetOthersRun() = 0;
};

// Stop handling set up, the socket bound to `port` on every interface with large buffers;
// null with `error` set on failure.
std::unique_ptr<UdpSocket> OpenUdpSocket(std::uint16_t port, std::string& error);
unsigned long ProcessId();

}  // namespace sim
