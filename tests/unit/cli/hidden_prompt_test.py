"""The password prompt on a pseudo-terminal: echo is off while it asks, typed-ahead input is
discarded, and echo is back after the answer and after every signal that ends or stops the
program; a continue turns it off again and asks anew.
  hidden_prompt_test.py PROBE"""
import os
import signal
import subprocess
import sys
import termios
import time

probe = sys.argv[1]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def echo(slave):
    return bool(termios.tcgetattr(slave)[3] & termios.ECHO)


def until(condition, seconds=5.0):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.01)
    return False


def state(pid):
    with open("/proc/%d/stat" % pid) as f:
        return f.read().rsplit(")", 1)[1].split()[0]


class Prompt:
    """The probe on a fresh pty, in a process group of its own (so Ctrl+Z can stop it)."""

    def __init__(self, typed_ahead=b""):
        self.master, self.slave = os.openpty()
        os.set_blocking(self.master, False)
        if typed_ahead:
            os.write(self.master, typed_ahead)
        self.process = subprocess.Popen([probe], stdin=self.slave, stderr=self.slave,
                                        stdout=subprocess.PIPE, process_group=0)
        self.screen = b""

    def shown(self):
        try:
            self.screen += os.read(self.master, 4096)
        except BlockingIOError:
            pass
        return self.screen

    def wait_prompt(self, count=1):
        return until(lambda: self.shown().count(b"Password: ") >= count)

    def finish(self):
        out, _ = self.process.communicate(timeout=5)
        self.shown()
        return out.decode()

    def close(self):
        os.close(self.master)
        os.close(self.slave)


# An answer: not echoed, read as typed; typed-ahead input is not taken for it.
p = Prompt(typed_ahead=b"early\n")
check(p.wait_prompt(), "no prompt")
asking = echo(p.slave)
check(not asking, "echo on while asking")
os.write(p.master, b"secret\n")
out = p.finish()
check(out == "read:secret\n", "read %r instead of the typed answer" % out)
check(b"secret" not in p.screen, "the answer was echoed")
check(echo(p.slave), "echo off after the answer")
print("answer: echo %s while asking; typed ahead 'early', then 'secret': %r; echoed: %s; "
      "echo %s after" % ("on" if asking else "off", out.strip(), b"secret" in p.screen,
                         "on" if echo(p.slave) else "off"))
p.close()

for sig in (signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGHUP):
    p = Prompt()
    check(p.wait_prompt(), "%s: no prompt" % sig.name)
    asking = echo(p.slave)
    p.process.send_signal(sig)
    p.finish()
    ended = p.process.returncode == -sig
    check(not asking, "%s: echo on while asking" % sig.name)
    check(ended, "%s: ended with %s" % (sig.name, p.process.returncode))
    check(echo(p.slave), "%s: echo still off after the program ended" % sig.name)
    print("%s: echo %s while asking; ended by it: %s; echo %s after" %
          (sig.name, "on" if asking else "off", ended, "on" if echo(p.slave) else "off"))
    p.close()

# Ctrl+Z: echo back while stopped; continued: off again, and it asks anew.
p = Prompt()
check(p.wait_prompt(), "SIGTSTP: no prompt")
p.process.send_signal(signal.SIGTSTP)
check(until(lambda: state(p.process.pid) == "T"), "SIGTSTP: not stopped")
stopped = echo(p.slave)
check(stopped, "SIGTSTP: echo off while stopped")
p.process.send_signal(signal.SIGCONT)
check(until(lambda: not echo(p.slave)), "SIGCONT: echo not off again")
check(p.wait_prompt(2), "SIGCONT: not asked anew")
continued = echo(p.slave)
os.write(p.master, b"after\n")
out = p.finish()
check(out == "read:after\n", "read %r after the continue" % out)
check(b"after" not in p.screen, "the answer after the continue was echoed")
check(echo(p.slave), "echo off after the answer that followed the continue")
print("SIGTSTP: echo %s while stopped; SIGCONT: echo %s and asked again; %r read, echo %s after"
      % ("on" if stopped else "off", "on" if continued else "off", out.strip(),
         "on" if echo(p.slave) else "off"))
p.close()

sys.exit(1 if failures else 0)
