#!/usr/bin/python3
"""talmire-cli's conventions against talmire-sim, each as its own process: short options and
one-line usage errors, one setting read and written by its key, numbers in JSON and register
numbering, the line a time-out names, the forms of typed float bytes, and progress on a
terminal only."""
import contextlib
import json
import os
import pty
import subprocess
import sys
import tempfile

sim_path, cli_path = sys.argv[1:3]


class Checks:
    """Each check printed as it is made; the failed ones kept for the exit status."""

    def __init__(self):
        self.failed = []

    def __call__(self, name, passed, detail=""):
        print("ok   " + name if passed else "FAIL %s %s" % (name, detail))
        if not passed:
            self.failed.append(name)


check = Checks()
work = tempfile.mkdtemp(prefix="talmire-cli-conventions-")


def run(*args, stderr_tty=False):
    """Exit status, stdout and stderr of one run; stderr on a pseudo-terminal when asked."""
    if not stderr_tty:
        done = subprocess.run([cli_path, *args], capture_output=True, text=True, timeout=120)
        return done.returncode, done.stdout, done.stderr
    master, slave = pty.openpty()
    done = subprocess.run([cli_path, *args], stdout=subprocess.PIPE, stderr=slave, text=True,
                          timeout=120)
    os.close(slave)
    err = b""
    with contextlib.suppress(OSError):  # EIO once the terminal's last writer is gone
        while chunk := os.read(master, 4096):
            err += chunk
    os.close(master)
    return done.returncode, done.stdout, err.decode()


link = os.path.join(work, "tty")
state = os.path.join(work, "module.state")
sim = subprocess.Popen([sim_path, "--link", link, "--fixed-values", "--instruments", "4",
                        "--state", state], stdout=subprocess.PIPE)
sim.stdout.readline()
quiet_master, quiet_slave = pty.openpty()
silent = os.ttyname(quiet_slave)  # a port with nothing behind it
try:
    # Short options anywhere on the line; a usage error is one line and where help is.
    usage = [
        (["-p", link, "info"], 0, "interface.type = 1", None),
        (["info", "-p", link, "-j"], 0, '"interface.type":', None),
        (["-p", link, "-b", "9600", "-P", "none", "-t", "500", "-v", "system"], 0,
         "slave-address", None),
        (["-p", link, "info", "--bogus"], 2, "", "see talmire-cli info --help"),
        (["frobnicate", "-p", link], 2, "", "see talmire-cli --help"),
        (["-p", link, "channel", "9"], 2, "", "see talmire-cli channel --help"),
        (["-p", link, "-b", "fast", "info"], 2, "", "see talmire-cli info --help"),
        (["-p", link, "modbus", "read", "--slave", "1", "--start", "40001", "--count", "3",
          "--type", "f32"], 2, "", "see talmire-cli modbus read --help"),
        (["-p", link, "modbus", "read", "--slave", "1", "--start", "0", "--count", "1"], 2, "",
         "see talmire-cli modbus read --help"),
    ]
    for args, status, out_has, see in usage:
        rc, out, err = run(*args)
        lines = err.splitlines()
        check("usage: " + " ".join(a for a in args if a != link),
              rc == status and out_has in out and
              (see is None or (len(lines) == 2 and lines[1] == see)), "%d %r %r" % (rc, out, err))

    # One setting by its key: read, written and verified; a refusal writes nothing.
    settings = [
        (["get", "slave-address"], 0, "slave-address = 001 (1)", ""),
        (["set", "slave-address", "042"], 0, "wrote slave-address: QQS#ADR:042#",
         ">> 51 51 53 23 41 44 52 3A 30 34 32 23"),
        (["get", "slave-address"], 0, "slave-address = 042 (42)", ""),
        (["set", "slave-address", "042"], 0, "slave-address is already 042 (42)", ""),
        (["set", "rs485.parity", "0"], 0, "rs485.parity is already 0 (None)", ""),
        (["get", "channel.2.hart.enabled"], 0, "channel.2.hart.enabled = ", ""),
        (["set", "slave-address", "42"], 2, "",
         'setting "slave-address" holds "42"; it must be three digits'),
        (["set", "channel.0.colour", "1"], 2, "", 'unknown setting "channel.0.colour"'),
        (["set", "channel.1.custom.command1.bytes", "8F FF"], 2, "", "channel.1.type is 01"),
        (["set", "slave-address", "001"], 0, "wrote slave-address: QQS#ADR:001#", ""),
    ]
    for args, status, out_has, err_has in settings:
        before = open(state).read()
        rc, out, err = run("-p", link, "-v", *args)
        check("setting: " + " ".join(args),
              rc == status and out_has in out and err_has in err and
              (rc == 0 or (">> 51 51 53" not in err and open(state).read() == before)),
              "%d %r %r" % (rc, out, err))

    # Numbers in JSON are numbers, the fields those of the text; registers as typed.
    numbers = [
        (["hart", "id", "--address", "1"], lambda d: (d["manufacturer"], d["deviceId"]),
         (38, 1193047), "manufacturer 38 (0x26), device type 6 (0x06), "
         "device id 1193047 (0x123457), preambles 5"),
        (["hart", "vars"], lambda d: [v["value"] for v in d["variables"]][:3],
         [25.5, 1.25, -3.75], "SV 1.25 bar"),
        (["scan", "hart", "--to", "1"], lambda d: [i["deviceId"] for i in d["instruments"]],
         [1193046, 1193047], "device id 1193046 (0x123456)"),
        (["modbus", "read", "--slave", "1", "--start", "40003", "--count", "2", "--type", "f32"],
         lambda d: d["values"], [{"register": 40003, "value": 25.5}], "40003: 25.5"),
        (["modbus", "read", "--slave", "1", "--base", "0", "--start", "2", "--count", "2",
          "--type", "f32"], lambda d: d["values"], [{"register": 2, "value": 25.5}], "2: 25.5"),
        (["float", "--value", "-3.75"], lambda d: d, {"hex": "C0 70 00 00", "value": -3.75},
         "C0 70 00 00"),
        (["scan", "line"], lambda d: d, {"baud": 9600, "parity": "None"}, "9600 baud"),
    ]
    for args, pick, wanted, text in numbers:
        rc, out, err = run("-p", link, "-j", *args)
        try:
            got = pick(json.loads(out))
        except (ValueError, KeyError, TypeError):
            got = None
        rc_text, out_text, _ = run("-p", link, *args)
        check("numbers: " + " ".join(args), rc == 0 and got == wanted and text in out_text,
              "%r %r %r" % (got, out, out_text))

    # A time-out says the line it waited on, and where to look.
    timeouts = [
        (["-t", "300", "info"], "no answer at 9600 8N1 within 300 ms; try `talmire-cli scan line`"),
        (["-b", "19200", "-P", "even", "-t", "200", "system"],
         "no answer at 19200 8E1 within 200 ms; try `talmire-cli scan line`"),
        (["--parity", "odd", "-t", "200", "hart", "id"],
         "no answer at 9600 8O1 within 200 ms; try `talmire-cli scan line`"),
        (["-t", "30", "scan", "line"], "talmire-cli: no answer at any speed and parity\n"),
    ]
    for args, said in timeouts:
        rc, out, err = run("-p", silent, *args)
        check("time-out: " + " ".join(args), rc == 3 and said in err and err.count("\n") == 1,
              "%d %r" % (rc, err))

    # Four bytes as a shell types them.
    floats = [("41200000", 0, "10"), ("0x41200000", 0, "10"), ("41 20 00 00", 0, "10"),
              ("0X3F800000", 0, "1"), ("c0700000", 0, "-3.75"), ("4120000", 2, ""),
              ("0x4120000G", 2, ""), ("41 20 00", 2, ""), ("41 20 00 00 00", 2, ""),
              ("412 000 00", 2, "")]
    for typed, status, value in floats:
        rc, out, err = run("float", typed)
        check("float %r" % typed, rc == status and out.strip() == value, "%d %r %r" % (rc, out, err))

    # Progress on stderr while it is a terminal, nothing when it is not.
    progress = [
        (["scan", "hart", "--to", "5"], True, "\rscan hart: address 5 (6 of 6), "),
        (["profile", "read", os.path.join(work, "p.json")], True,
         "\rprofile read: channel 8 (11 of 11), "),
        (["scan", "hart", "--to", "5"], False, None),
        (["-j", "scan", "modbus", "--to", "3"], False, None),
    ]
    for args, tty, shown in progress:
        rc, out, err = run("-p", link, *args, stderr_tty=tty)
        check("progress %s: %s" % ("on a terminal" if tty else "into a pipe", " ".join(args)),
              rc == 0 and (err == "" if shown is None else shown in err and
                           err.endswith("\r\x1b[K")), "%d %r" % (rc, err))
finally:
    os.close(quiet_master)
    os.close(quiet_slave)
    sim.terminate()
    sim.wait()

print("%d failures" % len(check.failed))
sys.exit(1 if check.failed else 0)
