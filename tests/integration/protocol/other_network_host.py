#!/usr/bin/env python3
"""A host on another network of the client (a cafe's Wi-Fi): it sprays datagrams at the client's
request ports all the time, answers every request it hears, and logs each request it hears, so a
test can tell what of ours reached it. Runs only in a nested private namespace of a test.

    other_network_host.py junk|answers|impostor LOG READY

impostor: as answers, and it also answers discoveries as the first simulated adapter
(02:44:4d:00:00:01) by another name.
"""
import select
import socket
import struct
import sys
import time

mode, log_path, ready_path = sys.argv[1:4]
COMMANDS = (16, 17, 18, 19, 20, 21, 32, 33)  # every command but the discovery


IMPOSTOR_MAC = bytes.fromhex("02444d000001")


def datagram(cmd):
    if cmd == 0:
        if mode != "impostor":
            return None
        payload = b"0101" + b"NAS-Impostor".ljust(16, b"\0") + b"192.0.2.66".ljust(16, b"\0")
        payload += struct.pack("<H", 80)
        return struct.pack("<HHH6s", 0, 0, len(payload), IMPOSTOR_MAC) + payload
    if mode == "junk":
        return b"\x5a"
    payload = bytes(200)  # status 0: "accepted", "written"; empty texts, no shares
    return struct.pack("<HHH6s", cmd, 0, len(payload), bytes(6)) + payload


s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 1638))
log = open(log_path, "a", buffering=1)
open(ready_path, "w").close()
next_spray = 0.0
turn = 0
while True:
    now = time.monotonic()
    if now >= next_spray:
        # Often enough that one lands between a request and its real answer.
        next_spray = now + 0.002
        turn += 1
        for port in range(16380, 16388):
            reply = datagram(COMMANDS[(turn + port) % len(COMMANDS)])
            if reply is not None:
                s.sendto(reply, ("255.255.255.255", port))
    readable, _, _ = select.select([s], [], [], 0.001)
    if not readable:
        continue
    data, sender = s.recvfrom(2048)
    if len(data) < 12:
        continue
    cmd, _, _, mac = struct.unpack("<HHH6s", data[:12])
    log.write("heard cmd %d for %s from %s\n" % (cmd, mac.hex(":"), sender[0]))
    reply = datagram(cmd)
    if reply is None:
        continue
    try:
        s.sendto(reply, sender)
    except OSError:
        pass
