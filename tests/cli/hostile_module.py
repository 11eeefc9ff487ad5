#!/usr/bin/python3
"""A module that misbehaves on purpose, on a pseudo-terminal published as LINK:

  hostile_module.py LINK flood          every request is answered with bytes without end
  hostile_module.py LINK trickle MS     every request is answered with one byte every MS ms,
                                        without end

It prints "ready" once LINK exists and runs until it is terminated."""
import os
import select
import signal
import sys
import termios
import time
import tty

link, mode = sys.argv[1], sys.argv[2]
period = float(sys.argv[3]) / 1000 if mode == "trickle" else 0
master, slave = os.openpty()
tty.setraw(slave, termios.TCSANOW)
os.set_blocking(master, False)
if os.path.lexists(link):
    os.unlink(link)
os.symlink(os.ttyname(slave), link)
signal.signal(signal.SIGTERM, lambda *_: (os.unlink(link), sys.exit(0)))
print("ready", flush=True)

block = bytes(range(256)) * 16
answering = False
next_byte = 0.0
while True:
    due = answering and time.monotonic() >= next_byte
    wait = None if not answering or due else next_byte - time.monotonic()
    readable, writable, _ = select.select([master], [master] if due else [], [], wait)
    if readable:
        try:
            if os.read(master, 4096):
                answering = True
        except OSError:
            time.sleep(0.01)  # nobody has the line open
    if writable:
        try:
            os.write(master, block if mode == "flood" else b"Z")
        except OSError:
            pass
        next_byte = time.monotonic() + period
