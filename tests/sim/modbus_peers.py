#!/usr/bin/python3
"""Real MODBUS RTU peers against talmire-sim: mbpoll and pymodbus read the register map,
decode the values the simulator was set to, and see its exception responses."""
import os
import struct
import subprocess
import sys
import time

sim, mbpoll = sys.argv[1], sys.argv[2]
link = "/tmp/ttyTALMIRE-peer-%d" % os.getpid()
proc = subprocess.Popen([sim, "--link", link, "--fixed-values"], stdout=subprocess.PIPE)
failures = []


def check(name, condition, detail=""):
    if not condition:
        failures.append("%s %s" % (name, detail))
    print(("ok   " if condition else "FAIL ") + name, detail)


try:
    proc.stdout.readline()  # "module ready on ..."

    def poll(*args):
        run = subprocess.run([mbpoll, "-m", "rtu", "-a", "1", "-b", "9600", "-P", "none",
                              "-0", "-1", "-o", "1", *args, link],
                             capture_output=True, text=True, timeout=20)
        values = {}
        for line in run.stdout.splitlines():
            if line.startswith("["):
                ref, value = line.split(":", 1)
                values[int(ref.strip("[]"))] = value.strip()
        return run.returncode, values

    # Instrument 0: current and the four variables as floats, high word first.
    rc, values = poll("-t", "4:float", "-B", "-r", "0", "-c", "5")
    check("mbpoll float high word first", rc == 0 and
          [float(values[r]) for r in (0, 2, 4, 6, 8)] == [12.0, 25.5, 1.25, -3.75, 100.0],
          str(values))
    # Set instrument 2 to: current low word first, variable 1 unsigned high word first.
    ser = os.open(link, os.O_RDWR | os.O_NOCTTY)
    import termios, tty
    tty.setraw(ser)
    attrs = termios.tcgetattr(ser)
    attrs[4] = attrs[5] = termios.B9600
    termios.tcsetattr(ser, termios.TCSANOW, attrs)
    os.write(ser, b"QQS#DFOT2:12000#")
    time.sleep(0.3)
    ack = os.read(ser, 100)
    os.close(ser)
    check("format setting acknowledged", ack == b"QQS OK", repr(ack))
    rc, values = poll("-t", "4:float", "-r", "20", "-c", "1")
    check("mbpoll float low word first", rc == 0 and float(values[20]) == 14.0, str(values))
    rc, values = poll("-t", "4:int", "-B", "-r", "22", "-c", "1")
    check("mbpoll unsigned 32-bit", rc == 0 and int(values[22]) == 28, str(values))
    rc, _ = poll("-t", "4", "-r", "89", "-c", "2")
    check("mbpoll sees the exception for an address outside the map", rc != 0)

    from pymodbus.client import ModbusSerialClient
    client = ModbusSerialClient(port=link, baudrate=9600, parity="N", stopbits=1, bytesize=8,
                                timeout=1)
    check("pymodbus connects", client.connect())
    r = client.read_holding_registers(0, 10, slave=1)
    floats = [struct.unpack(">f", struct.pack(">HH", r.registers[i], r.registers[i + 1]))[0]
              for i in range(0, 10, 2)] if not r.isError() else None
    check("pymodbus floats", floats == [12.0, 25.5, 1.25, -3.75, 100.0], str(floats))
    r = client.read_holding_registers(20, 2, slave=1)
    value = struct.unpack(">f", struct.pack(">HH", r.registers[1], r.registers[0]))[0] \
        if not r.isError() else None
    check("pymodbus float low word first", value == 14.0, str(value))
    r = client.read_holding_registers(88, 4, slave=1)
    check("pymodbus exception 02", r.isError() and getattr(r, "exception_code", None) == 2,
          str(r))
    r = client.read_input_registers(0, 2, slave=1)
    check("pymodbus exception 01", r.isError() and getattr(r, "exception_code", None) == 1,
          str(r))
    client.close()
finally:
    proc.terminate()
    proc.wait(timeout=10)
check("link removed on exit", not os.path.lexists(link))
sys.exit(1 if failures else 0)
