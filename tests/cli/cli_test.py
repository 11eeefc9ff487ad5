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
import time

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


def edited(path, name, values, added={}):
    """A copy of a profile with some values changed (their labels left as they were) and
    some settings added."""
    data = json.load(open(path))
    for key, value in values.items():
        data["settings"][key]["value"] = value
    for key, value in added.items():
        data["settings"][key] = {"value": value}
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
        (["modbus", "read", "--slave", "1", "--start", "40001", "--count", "2", "--type", "f32"],
         "40001: 12"),
        (["float", "41 20 00 00"], "10"),
        (["float", "--value", "-3.75"], "C0 70 00 00"),
        (["scan", "hart", "--from", "0", "--to", "5"], "address 3:"),
        (["scan", "modbus", "--from", "1", "--to", "3"], "slave 1 answers"),
        (["monitor", "modbus", "--every", "20", "--count", "3", "--slave", "1", "--start",
          "40001", "--registers", "2", "--type", "f32", "--csv"], "time_s,time,r40001 [f32]"),
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
                     "--slave", "1", "--start", "40001", "--registers", "1")
    check("monitor --json gives one JSON line per read", len(out.splitlines()) == 3, out)
    # The instrument's identity in the HART page's decimal, the hex beside it; JSON numbers.
    rc, out, _ = cli(sim.link, "hart", "id", "--address", "0")
    check("hart id reads as the HART page", rc == 0 and "manufacturer 38 (0x26)" in out
          and "device id 1193046 (0x123456)" in out, out)
    rc, out, _ = cli(sim.link, "--json", "hart", "id", "--address", "0")
    identity = json.loads(out) if rc == 0 else {}
    check("hart id --json gives numbers", identity.get("manufacturer") == 38
          and identity.get("deviceId") == 1193046, out)
    rc, out, _ = cli(None, "info", env=dict(os.environ, TALMIRE_PORT=sim.link))
    check("--port defaults to TALMIRE_PORT", rc == 0 and "RS485" in out, out)

    # Every exit status.
    master, slave = pty.openpty()
    silent = os.ttyname(slave)
    statuses = [
        ("MODBUS exception", sim.link, ["modbus", "read", "--slave", "1", "--start", "40090",
                                        "--count", "2"], 1, "illegal data address"),
        ("bad option", sim.link, ["info", "--bogus"], 2, "see talmire-cli info --help"),
        ("unknown command", sim.link, ["frobnicate"], 2, "see talmire-cli --help"),
        ("bad argument", sim.link, ["channel", "9"], 2, "N must be a number from 0 to 8"),
        ("no module behind the port", silent, ["--timeout", "300", "info"], 3, "no answer"),
        ("missing port", "/nonexistent/ttyX", ["info"], 4, "cannot open"),
        ("missing port, its cause named", "/nonexistent/ttyX", ["info"], 4, "no such device"),
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
            rc, out, err = cli(sim.link, "--json", "modbus", "read", "--slave", "1", "--base", "0",
                               "--start", "0", "--count", "10", "--type", type_, "--order", order)
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
        rc, out, _ = cli(sim.link, "--json", "modbus", "read", "--slave", "1", "--base", "0",
                         "--start", "0", "--count", "8", "--type", type_, "--order", order)
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

    # A write told group by group, the module as found kept first.
    data_home = os.path.join(work, "data")
    kept_env = dict(os.environ, XDG_DATA_HOME=data_home)
    kept_dir = os.path.join(data_home, "talmire", "as-found")
    rc, found_before, _ = cli(sim.link, "profile", "read", "-")
    groups = edited(profile, "groups.json", {"slave-address": "033", "poll-interval": "030"})
    rc, out, err = cli(sim.link, "profile", "write", groups, env=kept_env)
    lines = out.splitlines()
    kept = sorted(os.listdir(kept_dir)) if os.path.isdir(kept_dir) else []
    check("profile write prints the kept file, then one line per group",
          rc == 0 and len(kept) == 1 and lines == [
              "as found: " + os.path.join(kept_dir, kept[0]),
              "wrote slave-address: QQS#ADR:033#", "wrote poll-interval: QQS#JTM:030#"],
          "%d %r %r" % (rc, out, err))
    check("the kept file is the module as it was, named by time and port",
          len(kept) == 1 and re.match(r"\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d-%s\.json$" %
                                      os.path.basename(sim.link), kept[0]) and
          json.load(open(os.path.join(kept_dir, kept[0]))) == json.loads(found_before), kept)
    rc, out, err = cli(sim.link, "--json", "profile", "write",
                       edited(groups, "groups2.json", {"slave-address": "034"}), env=kept_env)
    docs = [json.loads(line) for line in out.splitlines()] if rc == 0 else []
    check("--json: a line for the kept file, each group and the sum",
          len(docs) == 3 and docs[0]["asFound"].startswith(kept_dir) and
          docs[1] == {"group": "slave-address", "result": "verified",
                      "frame": "51 51 53 23 41 44 52 3A 30 33 34 23"} and
          docs[2]["summary"]["written"] == ["slave-address"] and
          docs[2]["summary"]["failed"] is None, out + err)
    rc, out, err = cli(sim.link, "--json", "profile", "write", "--dry-run",
                       edited(profile, "bytes.json", {"channel.0.type": "00"}, {
                           "channel.0.custom.command1.enabled": "1",
                           "channel.0.custom.command1.bytes": "8F FF"}))
    docs = [json.loads(line) for line in out.splitlines()] if rc == 0 else []
    check("a dry run's JSON carries the frame as hex",
          rc == 0 and docs[-1]["group"] == "channel.0.custom.command1" and
          docs[-1]["frame"].endswith("3C 30 32 2C 8F FF"), out + err)

    # A module that falls silent in the middle of a write: the group named, the rest summed up.
    many = edited(profile, "many.json", dict(
        [("display.%d.format" % k, "1") for k in range(1, 5)] +
        [("slave-address", "044"), ("poll-interval", "044")]))
    proc = subprocess.Popen([cli_path, "--port", sim.link, "--timeout", "500", "profile", "write",
                             many], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            env=kept_env)
    first = proc.stdout.readline() + proc.stdout.readline()
    os.kill(sim.proc.pid, signal.SIGSTOP)
    rest, err = proc.communicate(timeout=60)
    os.kill(sim.proc.pid, signal.SIGCONT)
    time.sleep(0.5)  # the frames sent while it was stopped reach it
    failed = re.search(r"^failed (\S+): (no|incomplete) answer", rest, re.M)
    check("a write into a silent module names the failed group and sums up (exit 3)",
          proc.returncode == 3 and first.startswith("as found: ") and "wrote display.1" in first
          and failed and "the write stopped at %s" % failed.group(1) in err and
          "written: display.1" in err and re.search(r"not tried: \S", err),
          "%d %r %r %r" % (proc.returncode, first, rest, err))

    # Refused before anything is sent.
    before = open(state).read()
    duplicate = os.path.join(work, "duplicate.json")
    open(duplicate, "w").write(open(profile).read().replace(
        '"settings": {', '"settings": {"slave-address": {"value": "099"},', 1))
    no_settings = os.path.join(work, "no-settings.json")
    json.dump({"format": "talmire-profile", "version": 1}, open(no_settings, "w"))
    escape = os.path.join(work, "escape.json")
    json.dump({"format": "talmire-profile", "version": 1,
               "settings": {"\x1b[31mred": {"value": "1"}}}, open(escape, "w"))
    for name, path, message in [
            ("a key given twice", duplicate, '"slave-address" is given twice'),
            ("no settings", no_settings, '"settings" must be an object'),
            ("a coefficient holding a reply marker",
             edited(profile, "marker.json", {"coefficient.value": "DFO0:"}),
             '"coefficient.value" holds "DFO0:"'),
            ("a control character, shown escaped", escape, '"\\x1B[31mred"')]:
        rc, out, err = cli(sim.link, "profile", "write", path)
        check("refused before anything is sent: " + name,
              rc == 2 and message in err and "\x1b" not in err and open(state).read() == before,
              "%d %r" % (rc, err))
    rc, out, err = cli(sim.link, "hart", "send", " ".join(["00"] * 16))
    check("hart send refuses more bytes than a frame carries", rc == 2 and "at most 15" in err, err)

    # File errors: their own exit status, with the reason.
    huge = os.path.join(work, "huge.json")
    open(huge, "w").write(" " * (2 << 20))
    for name, args, message in [
            ("a device as the profile", ["profile", "diff", "/dev/zero"], "not a regular file"),
            ("a profile too large", ["profile", "diff", huge], "larger than"),
            ("a missing profile", ["profile", "write", os.path.join(work, "none.json")],
             "no such file"),
            ("a full disk as the target", ["profile", "read", "/dev/full"], "not a regular file"),
            ("a folder that cannot hold the file",
             ["profile", "read", os.path.join(profile, "module.json")], "Not a directory")]:
        rc, out, err = cli(sim.link, *args)
        check("exit 6: " + name, rc == 6 and message in err, "%d %r" % (rc, err))
    rc, out, err = cli(sim.link, "profile", "write", edited(profile, "later.json", {
        "slave-address": "055"}), env=dict(os.environ, XDG_DATA_HOME=profile))
    check("exit 6: nothing written when the module as found cannot be kept",
          rc == 6 and "nothing written" in err and "QQS#ADR:055#" not in open(state).read(), err)
    if os.getuid() != 0:
        locked = os.path.join(work, "locked")
        os.mkdir(locked, 0o500)
        rc, out, err = cli(sim.link, "profile", "read", os.path.join(locked, "module.json"))
        check("exit 6: an unwritable folder", rc == 6 and "ermission" in err, err)
    rc, out, err = cli(sim.link, "profile", "write", profile, env=kept_env)
    rc, out, _ = cli(sim.link, "profile", "diff", profile)
    check("the module as it was before these writes", rc == 0, out)

    # Answers in two chunks: HART and MODBUS answers are joined by their own length.
    sim.stop()
    sim = Sim("--state", state, "--instruments", "4", "--gap-ms", "150")
    for args in (["hart", "id"], ["modbus", "read", "--slave", "1", "--start", "40001", "--count",
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
                             "--slave", "1", "--start", "40001"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
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
    # A profile that sets only the speed: the tool follows the parity the frame carried.
    sim.stop()
    sim = Sim("--baud", "19200", "--parity", "odd")
    speed = os.path.join(work, "speed.json")
    json.dump({"format": "talmire-profile", "version": 1,
               "settings": {"rs485.baud": {"value": "3"}}}, open(speed, "w"))
    rc, out, err = cli(sim.link, "--baud", "19200", "--parity", "odd", "profile", "write", speed,
                       env=kept_env)
    check("a write of the speed alone follows the module at the parity it kept",
          rc == 0 and "now answers at 9600 baud, parity Odd" in err, out + err)
    rc, out, _ = cli(sim.link, "--parity", "odd", "info")
    check("the module answers at 9600 odd after it", rc == 0, out)
finally:
    sim.stop()


# --- Fast scans: the same addresses as the full scan, in a fraction of its time -------------
sim = Sim("--baud", "19200", "--frame-gap-ms", "2", "--modbus-slave", "9", "--instruments", "4",
          "--hart-address", "3")
try:
    def scanned(kind, key, *args):
        start = time.monotonic()
        rc, out, err = cli(sim.link, "--baud", "19200", "--json", "scan", kind, *args)
        found = [i["address"] if kind == "hart" else i for i in json.loads(out)[key]] \
            if rc == 0 else err
        return found, time.monotonic() - start

    for kind, key, full_args, expected in (("hart", "instruments", [], [3, 4, 5, 6]),
                                           ("modbus", "slaves", ["--to", "20"], [9])):
        full, _ = scanned(kind, key, *full_args)
        fast, _ = scanned(kind, key, "--fast", *full_args)
        check("scan %s --fast finds what the full scan finds" % kind,
              full == expected and fast == expected, "%r %r" % (full, fast))
    # 238 silent addresses after slave 9 cost the full scan 47.6 s.
    fast, seconds = scanned("modbus", "slaves", "--fast")
    check("scan modbus --fast over every address: slave 9 in under half the full time",
          fast == [9] and seconds < 24, "%r %.1f s" % (fast, seconds))
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
                             "--start", "40001", "--registers", "2", "--type", "f32", "--csv"],
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
          header[:3] == ["time_s", "time", "r40001 [f32]"] and header[-1] == "failure" and
          all(re.fullmatch(r"-?[0-9.e+-]*", cell) for r in rows for cell in r[2:-1]), out)
    check("monitor CSV: the time of day in ISO 8601",
          all(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", r[1]) for r in rows)
          and len(answered) >= 2, out)
finally:
    sim.proc.send_signal(signal.SIGCONT)
    sim.stop()

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
