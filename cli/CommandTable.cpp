#include "cli/Commands.h"

namespace {

QCommandLineOption Opt(const QStringList& names, const QString& description,
                       const QString& value = {}, const QString& fallback = {}) {
    return value.isEmpty() ? QCommandLineOption(names, description)
                           : QCommandLineOption(names, description, value, fallback);
}
QCommandLineOption Opt(const QString& name, const QString& description, const QString& value = {},
                       const QString& fallback = {}) {
    return Opt(QStringList{name}, description, value, fallback);
}

const QCommandLineOption AddressOption =
    Opt("address", "polling address of the instrument, 0-15 (default 0)", "A", "0");
const QCommandLineOption PreamblesOption =
    Opt("preambles", "preamble length: P + 1 bytes 0xFF lead the frame (default 5)", "P", "5");
QList<QCommandLineOption> RangeOptions(int from, int to) {
    return {
        Opt("from", "first address (default " + QString::number(from) + ")", "N",
            QString::number(from)),
        Opt("to", "last address (default " + QString::number(to) + ")", "N", QString::number(to)),
        Opt("fast", "once an address answers (until then the full time-out applies), wait a "
                    "few times its turnaround plus the frames' time on the line at each further "
                    "one; every address found is asked again with the full time-out")};
}
QList<QCommandLineOption> ModbusOptions() {
    return {Opt("slave", "slave address 1-247", "S"),
            Opt("start", "first register, 40001-105536 (with --base 0: 0-65535)", "R"),
            Opt("count", "how many registers, 1-125; even for a 32-bit type", "C"),
            Opt("base",
                "the number of the first register: 40001 (the window's numbering, the "
                "default), 1, or 0 for the protocol's addresses (as mbpoll's -0)",
                "N", "40001"),
            Opt("type", "u16, s16, u32, s32 or f32 (default u16)", "TYPE", "u16"),
            Opt("order", "byte order of 32-bit values: ABCD, CDAB, BADC or DCBA (default ABCD)",
                "ORDER", "ABCD")};
}

} // namespace

QList<QCommandLineOption> GlobalCommandOptions() {
    return {
        Opt({"p", "port"}, "serial port (default: the environment variable TALMIRE_PORT)", "PATH"),
        Opt({"b", "baud"}, "line speed (default 9600)", "N", "9600"),
        Opt({"P", "parity"}, "none, odd, even, mark or space (default none)", "P", "none"),
        Opt({"t", "timeout"}, "time-out of one answer in ms (default 1000; scans 200)", "MS"),
        Opt({"j", "json"},
            "stdout carries one JSON document per command, JSON lines for repeated output"),
        Opt({"v", "verbose"}, "every frame sent and received on stderr, as hex"),
        QCommandLineOption(QStringList{"h", "help"}, "this text, or the command's"),
        Opt("version", "the version")};
}

const QList<CommandSpec>& Commands() {
    static const QList<CommandSpec> commands = [] {
        QList<CommandSpec> list;
        QList<QCommandLineOption> monitor = ModbusOptions();
        monitor << AddressOption << PreamblesOption
                << Opt("every", "interval between reads in ms", "MS")
                << Opt("count", "stop after N reads (default: until interrupted)", "N")
                << Opt("csv", "comma-separated rows with a header line");
        monitor.removeAt(2); // --count means the number of reads here; --registers below
        monitor << Opt("registers", "how many registers, 1-125 (default 1)", "C", "1");
        list = {
            {"info",
             "",
             "communication query: interface type, instrument count",
             "Sends the communication query and prints the module's interface type and "
             "instrument count.",
             {},
             RunInfo},
            {"system",
             "",
             "system parameters, decoded",
             "Reads the system parameters: display groups, operating mode, slave address, "
             "polling interval and both serial sides, each as the module encodes it with "
             "its label.",
             {},
             RunSystem},
            {"channel",
             "N",
             "the MODBUS parameters of instrument N (0-8), decoded",
             "Reads the channel settings of instrument N: coefficient, HART link, register "
             "formats and, for a custom instrument, its parsing format and read commands.",
             {},
             RunChannel,
             1,
             1},
            {"get",
             "KEY",
             "one setting, by its profile key",
             "Reads the query whose answer holds setting KEY (a key of a profile, such as "
             "slave-address or channel.2.hart.enabled) and prints it as a profile holds it: "
             "the value as the module encodes it, and its label.",
             {},
             RunGet,
             1,
             1},
            {"set",
             "KEY VALUE",
             "write one setting, read back, verify",
             "Writes setting KEY as VALUE (the value as a profile holds it) with the other "
             "settings of its frame as the module holds them, then reads it back; --verbose "
             "shows the frames. A key or value a profile could not hold is refused before "
             "anything is sent, naming the key. Exit status 1 when it does not read back as "
             "written or the module refuses it.",
             {},
             RunSet,
             2,
             2},
            {"profile read",
             "FILE|-",
             "the whole configuration into a profile",
             "Reads every setting of the module (communication, system and the nine "
             "channels) and writes them as a profile to FILE, or to stdout for -.",
             {},
             RunProfileRead,
             1,
             1},
            {"profile diff",
             "FILE",
             "what differs between the module and the profile",
             "Reads the module and lists every setting of the profile that the module holds "
             "otherwise. Exit status 1 when there is a difference.",
             {},
             RunProfileDiff,
             1,
             1},
            {"profile write",
             "FILE [--dry-run]",
             "write only the differences, read back, verify",
             "Writes the settings that differ, one setting frame per group, and reads each "
             "one back, printing one line per group (a JSON line with --json) as it is "
             "verified. Before the first setting the module's configuration as found is kept "
             "in a profile of its own under $XDG_DATA_HOME/talmire/as-found (by default "
             "~/.local/share), named by the time and the port, and its path is printed. The "
             "write stops at the first group that fails, naming it and why, with what was "
             "written and what was not tried; exit status 1 when a setting does not read back "
             "as written or the module refuses it, 3 when it does not answer. The module's own "
             "line settings (RS232, RS485) go last: the link changes with them, and the tool "
             "follows the speed and parity the frame carried. A profile of another version, "
             "with an unknown or repeated key, or with a value the module's own answer could "
             "not carry is refused before anything is sent.",
             {Opt("dry-run", "list what would be written, write nothing")},
             RunProfileWrite,
             1,
             1},
            {"hart id",
             "[--address A] [--preambles P]",
             "command 0",
             "Reads the identity of the instrument at polling address A: manufacturer, "
             "device type, preambles it asks for, device id.",
             {AddressOption, PreamblesOption},
             RunHartId},
            {"hart vars",
             "[--address A]",
             "command 3, with unit names",
             "Reads the identity (command 0), then the dynamic variables (command 3) with "
             "their units.",
             {AddressOption, PreamblesOption},
             RunHartVars},
            {"hart set-address",
             "NEW [--address A]",
             "command 6",
             "Gives the instrument at polling address A the polling address NEW (0-8).",
             {AddressOption, PreamblesOption},
             RunHartSetAddress,
             1,
             1},
            {"hart send",
             "HEX",
             "a hand-typed frame, checksum added",
             "Sends the bytes typed as hex pairs (\"02 80 00 00\") behind the preambles, "
             "with their checksum, and prints the instrument's answer.",
             {PreamblesOption},
             RunHartSend,
             1,
             1},
            {"modbus read", "--slave S --start R --count C [--type T] [--order O] [--base N]",
             "read holding registers as values",
             "Reads C holding registers (function 03) from slave S at R and prints them as "
             "values of the type, 32-bit values in the byte order given. Registers are numbered "
             "as the window numbers them, 40001 being the protocol's address 0, in what is "
             "typed and what is printed; --base 0 numbers them by the protocol's addresses. "
             "Exit status 1 for an exception or a bad CRC.",
             ModbusOptions(), RunModbusRead},
            {"ports",
             "",
             "the machine's serial ports, their adapters, whether free",
             "Lists the serial ports the kernel knows, each with its stable names under "
             "/dev/serial/by-id, the adapter's vendor, product, USB ids and serial number "
             "where the system knows them, its driver, and whether it is free: the port is "
             "opened and closed at once, with DTR and RTS low; a port another program holds "
             "says so.",
             {},
             RunPorts},
            {"scan line",
             "",
             "find the module's speed and parity",
             "Tries every speed and parity of the window's lists, 9600 first, until the "
             "module answers the communication query.",
             {},
             RunScanLine},
            {"scan hart", "[--from 0 --to 15] [--fast]", "command 0 at each polling address",
             "Sends command 0 to each polling address and lists the instruments that answer.",
             RangeOptions(0, 15) << PreamblesOption, RunScanHart},
            {"scan modbus", "[--from 1 --to 247] [--fast]",
             "a one-register read at each slave address",
             "Reads register 0 at each slave address and lists the slaves that answer "
             "(an exception answer counts).",
             RangeOptions(1, 247), RunScanModbus},
            {"fleet run",
             "INVENTORY [--write] [--resume] [--report-dir DIR]",
             "commission every module of an inventory",
             "Reads the inventory (JSON: docs/fleet.md) and, for each module, finds its line when "
             "asked, identifies it, compares it with its profile, writes and verifies the "
             "differences with --write, and asks its HART instruments for their identity. "
             "Modules on different ports run at once, those on one port one after the other; "
             "each port is locked for the run, and a port another run holds is refused, naming "
             "the holder. One progress line per module and step on stderr (JSON lines on stdout "
             "with --json); at the end fleet-report.json and fleet-report.xml (JUnit) in the "
             "report folder, beside fleet-state.json, written as each module ends, from which "
             "--resume skips the modules that passed. Exit status 0 when every module passed, "
             "1 when one failed, 2 for an inventory that is refused, 6 when a file cannot be "
             "read or written.",
             {Opt("write", "write the differences and verify them (default: compare only)"),
              Opt("resume", "skip the modules the state file says passed"),
              Opt("report-dir", "folder of the reports and the state file (default: .)", "DIR")},
             RunFleetRun,
             1,
             1},
            {"float",
             "HEX | --value X",
             "IEEE 754 both ways, as the calculator",
             "Turns four bytes, most significant first, into their single-precision number, "
             "or a number into its four bytes. The bytes may be typed as 41200000, 0x41200000 "
             "or \"41 20 00 00\", in either case.",
             {Opt("value", "the number to encode", "X")},
             RunFloat,
             0,
             1},
            {"monitor", "hart|modbus --every MS [--count N] [--csv]",
             "repeated reads, one row each",
             "Reads the HART instrument's variables (options as hart vars) or MODBUS registers "
             "(--slave --start --registers --type --order) every MS milliseconds and prints "
             "one row per read as it comes: the seconds since the first read, the time of day "
             "(ISO 8601, UTC) and the values, the units in the header only (--csv: the "
             "window's CSV, with a failure column). A read without an answer is a row with "
             "its reason and the reads go on; at the end (after N reads, or at SIGINT or "
             "SIGTERM) the count of reads and failures goes to stderr. Exit status 0 when "
             "at least one read gave its values (whatever failed beside it), 3 when none "
             "did, 4 when the port was lost.",
             monitor, RunMonitor, 1, 1},
        };
        return list;
    }();
    return commands;
}

namespace {

QString OptionLine(const QCommandLineOption& option) {
    QString names;
    for (const QString& name : option.names()) {
        names += (names.isEmpty() ? "" : ", ") + QString(name.size() == 1 ? "-" : "--") + name;
    }
    if (!option.valueName().isEmpty()) {
        names += " " + option.valueName();
    }
    return names;
}

QString OptionsText(const QList<QCommandLineOption>& options) {
    QString text;
    for (const QCommandLineOption& option : options) {
        text += "  " + OptionLine(option).leftJustified(22) + " " + option.description() + "\n";
    }
    return text;
}

constexpr const char* Intro = "The TALMIRE module, its HART instruments and its MODBUS side "
                              "from a shell.";
constexpr const char* ExitText = "Exit status: 0 success; 1 the device answered with an error "
                                 "or a difference was found (profile diff, MODBUS exception, "
                                 "HART response code, bad checksum or CRC); 2 usage error; 3 "
                                 "no answer within the time-out; 4 the port cannot be opened "
                                 "or was lost; 6 a file cannot be read or written (a profile "
                                 "that is missing, not a regular file or too large, a save "
                                 "that failed); 7 an internal fault of the tool, such as "
                                 "running out of memory.";

} // namespace

QString ToolUsage() {
    QString text = "usage: talmire-cli [global options] COMMAND ...\n" + QString(Intro) +
                   "\n\nglobal options:\n" + OptionsText(GlobalCommandOptions()) + "\ncommands:\n";
    for (const CommandSpec& command : Commands()) {
        text += "  " + (command.name + " " + command.synopsis).leftJustified(38) + " " +
                command.summary + "\n";
    }
    return text + "\n'talmire-cli COMMAND --help' describes a command.\n" + ExitText + "\n";
}

QString CommandUsage(const CommandSpec& command) {
    QString text = "usage: talmire-cli [global options] " + command.name + " " + command.synopsis +
                   "\n" + command.details + "\n";
    if (!command.options.isEmpty()) {
        text += "\noptions:\n" + OptionsText(command.options);
    }
    return text + "\nglobal options:\n" + OptionsText(GlobalCommandOptions());
}

QString ManPage() {
    auto roff = [](QString text) { return text.replace('\\', "\\\\").replace('-', "\\-"); };
    auto options = [&](const QList<QCommandLineOption>& list) {
        QString out;
        for (const QCommandLineOption& option : list) {
            out += ".TP\n.B " + roff(OptionLine(option)) + "\n" + roff(option.description()) + "\n";
        }
        return out;
    };
    QString page = ".TH TALMIRE\\-CLI 1\n.SH NAME\ntalmire\\-cli \\- " + roff(Intro) +
                   "\n.SH SYNOPSIS\n.B talmire\\-cli\n[global options] COMMAND ...\n"
                   ".SH GLOBAL OPTIONS\n" +
                   options(GlobalCommandOptions()) + ".SH COMMANDS\n";
    for (const CommandSpec& command : Commands()) {
        page += ".SS " + roff(command.name + " " + command.synopsis) + "\n" +
                roff(command.details) + "\n" + options(command.options);
    }
    return page +
           ".SH ENVIRONMENT\n.TP\n.B TALMIRE_PORT\nthe port when \\-\\-port is not "
           "given\n.SH EXIT STATUS\n" +
           roff(ExitText) + "\n";
}
