#!/usr/bin/env python3
"""dravmoor.exe's text on a console and redirected, under Wine: discover with a pseudo-terminal
as its console (Wine's console then hands the text on to the terminal in UTF-8, drawn with
escape sequences) and with its output in a file. Prints the bytes of the adapter name that
begins "NAS-B" and fails unless they are UTF-8 "NAS-B\xc3\xbcro" in both. (Typed input does
not reach Wine's console through a pseudo-terminal here: console_test.cpp types on a console
of its own.)
    console_text.py WINE DRAVMOOR.EXE
"""
import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import time

WINE, EXE = sys.argv[1:3]
EXPECTED = "NAS-Büro".encode()


def dump(name, data):
    """What a console showed, into $CONSOLE_DUMP_DIR when set (to look at escape sequences)."""
    folder = os.environ.get("CONSOLE_DUMP_DIR")
    if folder:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def plain(shown):
    """The text of what a terminal was sent: Wine's console draws with escape sequences
    (cursor moves, hiding the cursor) between the characters."""
    return re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07", b"", shown)


def on_console(args, timeout=60):
    """Runs `args` with a pseudo-terminal as its standard streams. Returns (exit status, the
    text shown)."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp(args[0], args)
    shown = b""
    deadline = time.time() + timeout
    while time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
    if time.time() >= deadline:
        os.kill(pid, 9)
    _, status = os.waitpid(pid, 0)
    os.close(fd)
    dump(os.path.basename(args[2]) + ".console", shown)
    return os.waitstatus_to_exitcode(status), plain(shown)


def around(data):
    at = data.find(b"NAS-B")
    return data[at:at + 10] if at >= 0 else b"(no NAS-B)"


def hexed(data):
    return " ".join(f"{b:02x}" for b in data)


failures = 0


def check(ok, what):
    global failures
    print(("ok: " if ok else "FAIL: ") + what)
    failures += 0 if ok else 1


status, shown = on_console([WINE, EXE, "discover"])
check(status == 0, f"discover on a console: exit {status}")
console = around(shown)
print(f"  console bytes: {hexed(console)}  {console!r}")
check(console.startswith(EXPECTED), "the console shows NAS-Büro")

with tempfile.TemporaryFile() as out:
    status = subprocess.run([WINE, EXE, "discover"], stdout=out, stderr=subprocess.DEVNULL,
                            timeout=90).returncode
    out.seek(0)
    data = out.read()
check(status == 0, f"discover redirected: exit {status}")
redirected = around(data)
print(f"  file bytes:    {hexed(redirected)}  {redirected!r}")
check(redirected.startswith(EXPECTED), "the file holds UTF-8 NAS-Büro")

sys.exit(1 if failures else 0)
