#!/usr/bin/python3
"""talmire-cli against talmire-sim, each as its own process: every command plain and as
JSON, every exit status, modbus read against mbpoll, a profile round trip through the
simulator's saved state, and the scans."""
import json
import os
import pty
import re
import signal
import struct
import subprocess
import sys
import tempfile

sim_path, cli_path, mbpoll = sys.argv[1], sys.argv[2], sys.argv[3]
work = tempfile.mkdtemp(prefix="talmire-cli-test-")
failures = []


def check(name, condition, detail=""):
    if not condition:
        failures.append(name)
    print(("ok   " if condition else "FAIL ") + name, "" if condition else detail)


class Sim:
    def __init__(self, *extra):
        self.link = os.path.join(work, "tty%d" % len(os.listdir(work)))
        self.proc = subprocess.Popen([sim_path, "--link", self.link, "--fixed-values", *extra],
                                     stdout=subprocess.PIPE)
        self.proc.stdout.readline()

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def edited(path, name, values):
    """A copy of a profile with some values changed (their labels left as they were)."""
    data = json.load(open(path))
    for key, value in values.items():
        data["settings"][key]["value"] = value
    copy = os.path.join(work, name)
    json.dump(data, open(copy, "w"))
    return copy


def cli(port, *args, env=None):
    full = [cli_path] + (["--port", port] if port else []) + list(args)
    run = subprocess.run(full, capture_output=True, text=True, timeout=120, env=env)
    return run.returncode, run.stdout, run.stderr


state = os.path.join(work, "module.state")
sim = Sim("--state", state, "--instruments", "4")
try:
    # Every command, plain and --json: its exit status and a piece of what it prints.
    commands = [
        (["info"], "interface.type = 1 (RS485)"),
        (["system"], "slave-address = 001 (1)"),
        (["channel", "1"], "channel.1.type = 01 (1)general instruments)"),
        (["hart", "id", "--address", "1"], "address 1: manufacturer"),
        (["hart", "vars"], "PV "),
        (["hart", "send", "02 80 00 00"], "FF FF"),
        (["modbus", "read", "--slave", "1", "--start", "0", "--count", "2", "--type", "f32"],
         "0: 12"),
        (["float", "41 20 00 00"], "10"),
        (["float", "--value", "-3.75"], "C0 70 00 00"),
        (["scan", "hart", "--from", "0", "--to", "5"], "address 3:"),
        (["scan", "modbus", "--from", "1", "--to", "3"], "slave 1 answers"),
        (["monitor", "modbus", "--every", "20", "--count", "3", "--slave", "1", "--start", "0",
          "--registers", "2", "--type", "f32", "--csv"], "time_s,time,r0 [f32]"),
        (["monitor", "hart", "--every", "20", "--count", "2"], " [bar]"),
        (["profile", "read", "-"], '"format": "talmire-profile"'),
    ]
    for args, expected in commands:
        rc, out, err = cli(sim.link, *args)
        check("plain " + " ".join(args), rc == 0 and expected in out, "%d %r %r" % (rc, out, err))
        rc, out, err = cli(sim.link, "--json", *args)
        try:
            documents = [json.loads(line) for line in out.splitlines() if line.strip()] \
                if args[0] != "profile" else [json.loads(out)]
            parsed = len(documents) >= 1
        except ValueError:
            parsed = False
        check("json  " + " ".join(args), rc == 0 and parsed, "%d %r %r" % (rc, out, err))
    rc, out, _ = cli(sim.link, "--json", "monitor", "modbus", "--every", "10", "--count", "3",
                     "--slave", "1", "--start", "0", "--registers", "1")
    check("monitor --json gives one JSON line per read", len(out.splitlines()) == 3, out)
    rc, out, _ = cli(None, "info", env=dict(os.environ, TALMIRE_PORT=sim.link))
    check("--port defaults to TALMIRE_PORT", rc == 0 and "RS485" in out, out)

    # Every exit status.
    master, slave = pty.openpty()
    silent = os.ttyname(slave)
    statuses = [
        ("MODBUS exception", sim.link, ["modbus", "read", "--slave", "1", "--start", "89",
                                        "--count", "2"], 1, "illegal data address"),
        ("bad option", sim.link, ["info", "--bogus"], 2, "usage:"),
        ("unknown command", sim.link, ["frobnicate"], 2, "usage:"),
        ("bad argument", sim.link, ["channel", "9"], 2, "N must be a number from 0 to 8"),
        ("no module behind the port", silent, ["--timeout", "300", "info"], 3, "no answer"),
        ("missing port", "/nonexistent/ttyX", ["info"], 4, "cannot open"),
    ]
    for name, port, args, status, message in statuses:
        rc, out, err = cli(port, *args)
        check("exit %d: %s" % (status, name), rc == status and message in err,
              "%d %r %r" % (rc, out, err))
    os.close(master)
    os.close(slave)
    rc, out, _ = cli(None, "--help")
    check("--help lists every command", rc == 0 and "scan modbus" in out and "Exit status" in out)
    rc, out, _ = cli(None, "profile", "write", "--help")
    check("a command's --help", rc == 0 and "--dry-run" in out, out)

    # modbus read agrees with mbpoll for every type and byte order.
    def mbpoll_values(*args):
        run = subprocess.run([mbpoll, "-m", "rtu", "-a", "1", "-b", "9600", "-P", "none", "-0",
                              "-1", "-o", "1", *args, sim.link], capture_output=True, text=True,
                             timeout=20)
        return {int(l.split(":")[0].strip("[]")): l.split(":", 1)[1].strip()
                for l in run.stdout.splitlines() if l.startswith("[")}

    raw = mbpoll_values("-t", "4:hex", "-r", "0", "-c", "10")
    words = [int(raw[r], 16) for r in range(10)]
    swap = lambda w: ((w & 0xFF) << 8) | (w >> 8)
    formats = {"u16": "H", "s16": "h", "u32": "I", "s32": "i", "f32": "f"}
    for type_, fmt in formats.items():
        for order in ("ABCD", "CDAB", "BADC", "DCBA"):
            rc, out, err = cli(sim.link, "--json", "modbus", "read", "--slave", "1", "--start",
                               "0", "--count", "10", "--type", type_, "--order", order)
            got = [v["value"] for v in json.loads(out)["values"]] if rc == 0 else None
            ws = [swap(w) for w in words] if order in ("BADC", "DCBA") else words
            if fmt in "Hh":
                expected = [struct.unpack(">" + fmt, struct.pack(">H", w))[0] for w in ws]
            else:
                pairs = [(ws[i], ws[i + 1]) if order in ("ABCD", "BADC") else (ws[i + 1], ws[i])
                         for i in range(0, 10, 2)]
                expected = [struct.unpack(">" + fmt, struct.pack(">HH", *p))[0] for p in pairs]
            check("modbus read %s %s agrees with mbpoll's registers" % (type_, order),
                  got is not None and all(abs(a - b) <= 1e-6 * max(1, abs(b))
                                          for a, b in zip(got, expected)) and
                  len(got) == len(expected), "%r %r %r" % (got, expected, err))
    for args, type_, order in [(["-t", "4:float", "-B"], "f32", "ABCD"),
                               (["-t", "4:float"], "f32", "CDAB"),
                               (["-t", "4:int", "-B"], "s32", "ABCD"),
                               (["-t", "4"], "s16", "ABCD")]:
        theirs = mbpoll_values(*args, "-r", "0", "-c", "4" if type_ != "s16" else "8")
        rc, out, _ = cli(sim.link, "--json", "modbus", "read", "--slave", "1", "--start", "0",
                         "--count", "8", "--type", type_, "--order", order)
        ours = {v["register"]: v["value"] for v in json.loads(out)["values"]}
        check("modbus read %s %s equals mbpoll %s" % (type_, order, " ".join(args)),
              all(abs(float(theirs[r].rstrip(")").split("(")[-1]) - ours[r]) < 1e-4 for r in ours), "%r %r" % (theirs, ours))

    # Profile: read, change in the simulator, diff, write, diff again.
    profile = os.path.join(work, "module.json")
    rc, _, err = cli(sim.link, "profile", "read", profile)
    check("profile read", rc == 0, err)
    rc, again, _ = cli(sim.link, "profile", "read", "-")
    check("reading twice gives the same bytes", open(profile).read() == again)
    sim.stop()
    text = open(state).read()
    text = text.replace("QQS#ADR:001#", "QQS#ADR:042#").replace("QQS#JTM:050#", "QQS#JTM:020#")
    text = re.sub(r"QQS#HART2:1,1,01,", "QQS#HART2:0,1,03,", text)
    text = text.replace("QQS#BA1:30#", "QQS#BA1:42#")
    open(state, "w").write(text)
    sim = Sim("--state", state, "--instruments", "4")
    rc, out, _ = cli(sim.link, "profile", "diff", profile)
    check("profile diff finds the changes (exit 1)", rc == 1 and "slave-address" in out and
          "channel.2.type" in out and "rs232.baud" in out, out)
    rc, out, _ = cli(sim.link, "profile", "write", "--dry-run", profile)
    check("--dry-run writes nothing", rc == 0 and "would write" in out and
          "QQS#ADR:042#" in open(state).read(), out)
    rc, out, err = cli(sim.link, "profile", "write", profile)
    check("profile write", rc == 0 and out.strip().splitlines()[-1].startswith("wrote rs232"),
          out + err)
    rc, out, _ = cli(sim.link, "profile", "diff", profile)
    check("no difference after the write", rc == 0 and "no differences" in out, out)
    rc, out, _ = cli(sim.link, "profile", "write", profile)
    check("nothing written when the module matches", rc == 0 and "nothing to write" in out, out)
    # A setting the module does not take stops the write there: the later ones stay unsent.
    refused = edited(profile, "refused.json", {"slave-address": "250", "rs232.baud": "1"})
    rc, out, err = cli(sim.link, "profile", "write", refused)
    check("profile write stops at a setting the module refuses (exit 1)",
          rc == 1 and "slave-address" in err and "QQS#BA1:30#" in open(state).read(), err)
    before = open(state).read()
    for name, change in [("another version", lambda p: p.update(version=2)),
                         ("an unknown key", lambda p: p["settings"].update(
                             {"channel.0.colour": {"value": "1", "label": "red"}}))]:
        data = json.load(open(profile))
        change(data)
        data["settings"]["slave-address"]["value"] = "077"
        bad = os.path.join(work, "bad.json")
        json.dump(data, open(bad, "w"))
        rc, out, err = cli(sim.link, "profile", "write", bad)
        check("a profile with %s is refused before anything is sent" % name,
              rc == 2 and open(state).read() == before, err)

    # Answers in two chunks: HART and MODBUS answers are joined by their own length.
    sim.stop()
    sim = Sim("--state", state, "--instruments", "4", "--gap-ms", "150")
    for args in (["hart", "id"], ["modbus", "read", "--slave", "1", "--start", "0", "--count",
                                  "10"]):
        rc, out, err = cli(sim.link, "--verbose", *args)
        check("an answer in two chunks: " + " ".join(args),
              rc == 0 and err.count("<<") >= 2, out + err)

    # Scans.
    sim.stop()
    sim = Sim("--state", state, "--instruments", "4")
    rc, out, err = cli(sim.link, "hart", "set-address", "5", "--address", "0")
    check("hart set-address", rc == 0, err)
    rc, out, _ = cli(sim.link, "--json", "scan", "hart", "--from", "0", "--to", "6")
    found = [i["address"] for i in json.loads(out)["instruments"]] if rc == 0 else []
    check("scan hart finds the instrument readdressed to 5", 5 in found and 0 not in found, out)
    # The tool's own side changes speed: the write follows the link by the values (the
    # labels are left stale on purpose) and reads the setting back there.
    moved = edited(profile, "moved.json", {"rs485.baud": "4", "rs485.parity": "1"})
    rc, out, err = cli(sim.link, "profile", "write", moved)
    check("profile write follows its own line to 19200 odd", rc == 0 and "link will change" in err,
          out + err)
    rc, out, _ = cli(sim.link, "--baud", "19200", "--parity", "odd", "profile", "diff", moved)
    check("the module answers at its new line with no difference", rc == 0, out)

    # The line going away under a running command: exit 4.
    proc = subprocess.Popen([cli_path, "--port", sim.link, "--baud", "19200", "--parity", "odd",
                             "monitor", "modbus", "--every", "50",
                             "--slave", "1", "--start", "0"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    import time
    time.sleep(0.5)
    check("monitor runs before the line goes away", proc.poll() is None)
    sim.stop()
    _, err = proc.communicate(timeout=20)
    check("exit 4: the port lost under monitor", proc.returncode == 4 and "lost" in err,
          "%d %r" % (proc.returncode, err))
    sim = Sim("--baud", "19200", "--parity", "even")
    rc, out, err = cli(sim.link, "--json", "scan", "line")
    check("scan line finds the simulator at 19200", rc == 0 and json.loads(out)["baud"] == 19200,
          out + err)
finally:
    sim.stop()


# --- Bounds: hostile lines and a module that stops answering for a while ---------------------
class Hostile:
    """tests/cli/hostile_module.py on a pty: it floods or trickles every answer."""

    def __init__(self, *mode):
        self.link = os.path.join(work, "hostile%d" % len(os.listdir(work)))
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hostile_module.py")
        self.proc = subprocess.Popen([sys.executable, script, self.link, *mode],
                                     stdout=subprocess.PIPE)
        self.proc.stdout.readline()

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def measured(port, *args):
    """The exit status, stderr, seconds taken and peak memory (KiB) of one run."""
    import time
    began = time.monotonic()
    proc = subprocess.Popen([cli_path, "--port", port] + list(args), stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)
    err = b""
    while True:  # stderr read as it comes, so a chatty run cannot block on a full pipe
        chunk = proc.stderr.read(65536)
        if not chunk:
            break
        err += chunk
    _, status, usage = os.wait4(proc.pid, 0)
    proc.returncode = os.waitstatus_to_exitcode(status)
    return proc.returncode, err.decode("latin-1"), time.monotonic() - began, usage.ru_maxrss


# Each hostile line: the command ends within twice its time-out and a margin, with the
# memory of a normal run and a short diagnostic.
hostile_cases = [
    # mode, command, exit statuses accepted, what stderr says (a pattern), its length at most
    (("flood",), ["--timeout", "500", "info"], {3}, "bytes dropped", 600),
    (("flood",), ["--timeout", "500", "--verbose", "info"], {3}, r"\n<< \d+ bytes dropped", 20000),
    (("flood",), ["--timeout", "500", "hart", "id"], {1, 3}, "", 600),
    (("trickle", "30"), ["--timeout", "500", "info"], {3}, "incomplete answer", 600),
    (("trickle", "150"), ["--timeout", "500", "info"], {1, 3}, "unexpected answer", 600),
]
for mode, args, statuses, said, longest in hostile_cases:
    hostile = Hostile(*mode)
    try:
        rc, err, seconds, rss = measured(hostile.link, *args)
    finally:
        hostile.stop()
    name = "%s against a line that %s" % (" ".join(args[2:]), " ".join(mode))
    check(name + ": ends with its status", rc in statuses and re.search(said, err),
          "%d %r" % (rc, err[-400:]))
    check(name + ": within its time-out", seconds < 2 * 0.5 * 2 + 3, "%.1f s" % seconds)
    # A normal run takes 15 MiB (90 under AddressSanitizer); the flood kept whole took 1.2 GiB.
    check(name + ": bounded memory", rss < 256 * 1024, "%d KiB" % rss)
    check(name + ": a short diagnostic", len(err) < longest, "%d bytes" % len(err))

# A monitor whose module stops answering for a while goes on: the missed reads are rows
# with their reason, counted at the end; the time of day beside the seconds; the units in
# the header alone.
sim = Sim("--instruments", "4")
try:
    import time
    proc = subprocess.Popen([cli_path, "--port", sim.link, "--timeout", "200", "monitor",
                             "modbus", "--every", "100", "--count", "25", "--slave", "1",
                             "--start", "0", "--registers", "2", "--type", "f32", "--csv"],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    time.sleep(0.6)
    sim.proc.send_signal(signal.SIGSTOP)
    time.sleep(1.0)
    sim.proc.send_signal(signal.SIGCONT)
    out, err = proc.communicate(timeout=60)
    lines = out.splitlines()
    header = lines[0].split(",") if lines else []
    rows = [line.split(",") for line in lines[1:]]
    failed = [r for r in rows if len(r) == len(header) and r[-1]]
    answered = [r for r in rows if len(r) == len(header) and not r[-1]]
    check("monitor through a stopped module: exit 0 and every read a row",
          proc.returncode == 0 and len(rows) == 25, "%d %r %r" % (proc.returncode, out, err))
    check("monitor through a stopped module: the missed reads counted",
          len(failed) >= 2 and ("25 reads, %d failed" % len(failed)) in err, out + err)
    check("monitor CSV: units in the header only",
          header[:3] == ["time_s", "time", "r0 [f32]"] and header[-1] == "failure" and
          all(re.fullmatch(r"-?[0-9.e+-]*", cell) for r in rows for cell in r[2:-1]), out)
    check("monitor CSV: the time of day in ISO 8601",
          all(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", r[1]) for r in rows)
          and len(answered) >= 2, out)
finally:
    sim.proc.send_signal(signal.SIGCONT)
    sim.stop()

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
