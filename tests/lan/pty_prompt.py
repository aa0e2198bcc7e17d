#!/usr/bin/env python3
"""pty_prompt.py HOW PROGRAM ARGS...: runs PROGRAM on a new pseudo-terminal, waits for its
password prompt with echo off, ends it (HOW: "ctrl-c" types ^C, "term" sends SIGTERM, "hup"
SIGHUP), and prints "status=<shell status> echo=<on|off>" from `stty -a` on that terminal."""
import fcntl, os, pty, select, signal, subprocess, sys, termios, time

how, program = sys.argv[1], sys.argv[2:]
master, slave = pty.openpty()
child = subprocess.Popen(program, stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
                         preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
# Until the prompt has turned echo off (a guard against a hang, not a timing check).
give_up = time.monotonic() + 60
while termios.tcgetattr(slave)[3] & termios.ECHO:
    if child.poll() is not None or time.monotonic() > give_up:
        sys.exit("the program ended or never turned echo off (status %r)" % child.returncode)
    if select.select([master], [], [], 0.05)[0]:
        os.read(master, 4096)
if how == "ctrl-c":
    os.write(master, b"\x03")
else:
    child.send_signal({"term": signal.SIGTERM, "hup": signal.SIGHUP}[how])
code = child.wait(timeout=60)
status = 128 - code if code < 0 else code
stty = subprocess.run(["stty", "-a"], stdin=slave, capture_output=True, text=True).stdout.split()
print("status=%d echo=%s" % (status, "on" if "echo" in stty else "off" if "-echo" in stty else "?"))
