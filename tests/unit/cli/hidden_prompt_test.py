"""The password prompt on a pseudo-terminal: echo is off while it asks, typed-ahead input is
discarded, and echo is back after the answer and after every signal that ends or stops the
program; a continue turns it off again and asks anew, and so does a stop that never happens
(Ctrl+Z in an orphaned process group).
  hidden_prompt_test.py PROBE"""
import fcntl
import os
import signal
import subprocess
import sys
import termios
import time

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def until(condition):
    end = time.monotonic() + 5
    while not condition() and time.monotonic() < end:
        time.sleep(0.01)
    return condition()


class Prompt:
    """The probe on a fresh pty, in a process group of its own (so Ctrl+Z can stop it). Orphaned:
    in a session of its own with the pty as its terminal, as under `script -c` or `ssh -t`, where
    the system drops the stop of Ctrl+Z."""

    def __init__(self, typed_ahead=b"", orphaned=False):
        self.master, self.slave = os.openpty()
        os.set_blocking(self.master, False)
        os.write(self.master, typed_ahead)
        group = dict(start_new_session=True,
                     preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0)) if orphaned \
            else dict(process_group=0)
        self.process = subprocess.Popen([sys.argv[1]], stdin=self.slave, stderr=self.slave,
                                        stdout=subprocess.PIPE, **group)
        self.screen = b""

    def state(self):
        return open("/proc/%d/stat" % self.process.pid).read().rsplit(")", 1)[1].split()[0]

    def read_screen(self):
        try:
            self.screen += os.read(self.master, 4096)
        except BlockingIOError:
            pass

    def echo(self):
        return "on" if termios.tcgetattr(self.slave)[3] & termios.ECHO else "off"

    def asked(self, times=1):
        def shown():
            self.read_screen()
            return self.screen.count(b"Password: ") >= times
        return until(shown)

    def answer(self, text):
        os.write(self.master, text + b"\n")
        out = self.process.communicate(timeout=5)[0].decode().strip()
        self.read_screen()
        check(out == "read:" + text.decode(), "read %r for %r" % (out, text))
        check(text not in self.screen, "%r was echoed" % text)
        return out


p = Prompt(typed_ahead=b"early\n")
check(p.asked(), "no prompt")
asking = p.echo()
out = p.answer(b"secret")
print("answer: echo %s while asking; 'early' typed ahead, then 'secret': %s; echo %s after"
      % (asking, out, p.echo()))
check((asking, p.echo()) == ("off", "on"), "echo while asking and after")

for sig in (signal.SIGINT, signal.SIGQUIT, signal.SIGTERM, signal.SIGHUP):
    p = Prompt()
    check(p.asked(), "%s: no prompt" % sig.name)
    asking = p.echo()
    p.process.send_signal(sig)
    p.process.wait(timeout=5)
    print("%s: echo %s while asking; ended with %d; echo %s after"
          % (sig.name, asking, p.process.returncode, p.echo()))
    check((asking, p.process.returncode, p.echo()) == ("off", -sig, "on"), sig.name)

p = Prompt()
check(p.asked(), "SIGTSTP: no prompt")
p.process.send_signal(signal.SIGTSTP)
check(until(lambda: p.state() == "T"), "not stopped")
stopped = p.echo()
p.process.send_signal(signal.SIGCONT)
check(until(lambda: p.echo() == "off") and p.asked(2), "SIGCONT: not asked anew without echo")
continued = p.echo()
out = p.answer(b"after")
print("SIGTSTP: echo %s while stopped; SIGCONT: echo %s, asked again; %s; echo %s after"
      % (stopped, continued, out, p.echo()))
check((stopped, continued, p.echo()) == ("on", "off", "on"), "stop and continue")

p = Prompt(orphaned=True)
check(p.asked(), "orphaned: no prompt")
os.write(p.master, b"part\x1a")  # half a password, then Ctrl+Z
check(p.asked(2), "orphaned: Ctrl+Z did not ask anew")
state, echo = p.state(), p.echo()
out = p.answer(b"rest")
print("orphaned group, Ctrl+Z: process state %s, echo %s; %s; echo %s after"
      % (state, echo, out, p.echo()))
check(state != "T" and (echo, p.echo()) == ("off", "on"), "orphaned: Ctrl+Z")

sys.exit(1 if failures else 0)
