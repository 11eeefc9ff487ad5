#!/usr/bin/env python3
"""A scripted peer on a pseudo-terminal, for the Windows serial tests under wine.

  pty-peer.py flood LINK SECONDS  on each 'G' read, sends 'f' as fast as the line takes it
                                  for SECONDS, then one 'E'; every other byte is dropped
  pty-peer.py stall LINK DIR      reads nothing until DIR/go exists; then reads what the
                                  line holds and writes "<count> <all bytes were 'Z'>" to
                                  DIR/count, removes DIR/go and stalls again

LINK becomes a symbolic link to the terminal's device (raw mode).
"""
import os
import select
import sys
import time
import tty


def open_pty(link):
    master, slave = os.openpty()
    tty.setraw(slave)  # kept open: the line stays up between the tests' opens
    if os.path.lexists(link):
        os.unlink(link)
    os.symlink(os.ttyname(slave), link)
    return master, slave


def flood(master, seconds):
    block = b"f" * 4096
    while True:
        data = os.read(master, 4096)
        if b"G" not in data:
            continue
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            _, ready, _ = select.select([], [master], [], 0.05)
            if ready:
                os.write(master, block)
        os.write(master, b"E")


def stall(master, folder):
    go = os.path.join(folder, "go")
    while True:
        while not os.path.exists(go):
            time.sleep(0.05)
        count, all_z = 0, True
        while select.select([master], [], [], 1.0)[0]:
            data = os.read(master, 65536)
            count += len(data)
            all_z = all_z and data.count(b"Z") == len(data)
        with open(os.path.join(folder, "count.tmp"), "w") as f:
            f.write(f"{count} {int(all_z)}\n")
        os.replace(os.path.join(folder, "count.tmp"), os.path.join(folder, "count"))
        os.unlink(go)


def main():
    mode, link, arg = sys.argv[1:4]
    master, _slave = open_pty(link)
    if mode == "flood":
        flood(master, float(arg))
    else:
        stall(master, arg)


if __name__ == "__main__":
    main()
