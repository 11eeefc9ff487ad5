// talmire-cli: the TALMIRE module, its HART instruments and its MODBUS side from a shell.

#include "cli/Commands.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace {

void Err(const QString& text) {
    CliSession::EndProgress();
    std::fputs(Printable(text.toLocal8Bit().toStdString()).c_str(), stderr);
}

// One line saying what is wrong, and where the whole usage is: the help would bury it.
int UsageError(const QString& message, const CommandSpec* command) {
    const QString help = "talmire-cli " + (command ? command->name + " " : QString()) + "--help";
    Err("talmire-cli: " + message + "\nsee " + help + "\n");
    return ExitUsage;
}

// "9600 8N1": the line as a terminal program names it.
std::string LineName(const LineSettings& line) {
    return std::to_string(line.baud) + " 8" + "NOEMS"[static_cast<int>(line.parity)] + "1";
}

// A time-out says the line it waited on, and where to look when that line is the wrong one.
std::string NoAnswerText(const std::string& message, const LineSettings& line,
                         const CommandSpec& command) {
    const std::string silent = "no answer";
    std::string text = message;
    if (const std::size_t at = text.find(silent + " within "); at != std::string::npos) {
        text.insert(at + silent.size(), " at " + LineName(line));
    }
    return command.name == "scan line" ? text : text + "; try `talmire-cli scan line`";
}

std::optional<TParity> ParityNamed(const QString& name) {
    const QStringList names{"none", "odd", "even", "mark", "space"};
    const qsizetype index = names.indexOf(name.toLower());
    return index < 0 ? std::nullopt : std::optional(static_cast<TParity>(index));
}

// The command named by the first positional words: "profile read" before "profile".
const CommandSpec* FindCommand(const QStringList& words, int& used) {
    for (const CommandSpec& command : Commands()) {
        const QStringList name = command.name.split(' ');
        if (words.size() >= name.size() && words.mid(0, name.size()) == name) {
            used = static_cast<int>(name.size());
            return &command;
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    // First pass: every option any command knows, to find the command.
    QCommandLineParser scout;
    scout.addOptions(GlobalCommandOptions());
    scout.addOption(QCommandLineOption("man"));
    QStringList known;
    for (const CommandSpec& command : Commands()) {
        for (const QCommandLineOption& option : command.options) {
            if (!known.contains(option.names().first())) {
                known << option.names().first();
                scout.addOption(option);
            }
        }
    }
    scout.parse(args);
    int used = 0;
    const CommandSpec* command = FindCommand(scout.positionalArguments(), used);
    if (scout.isSet("man")) {
        std::fputs(ManPage().toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (scout.isSet("version")) {
        std::puts("talmire-cli " TALMIRE_VERSION);
        return ExitOk;
    }
    if (scout.isSet("help")) {
        std::fputs((command ? CommandUsage(*command) : ToolUsage()).toUtf8().constData(), stdout);
        return ExitOk;
    }
    if (!command) {
        return UsageError(scout.positionalArguments().isEmpty()
                              ? "no command"
                              : "unknown command '" + scout.positionalArguments().join(' ') + "'",
                          nullptr);
    }
    // Second pass: only the global options and the command's own.
    QCommandLineParser parser;
    parser.addOptions(GlobalCommandOptions());
    parser.addOptions(command->options);
    if (!parser.parse(args)) {
        return UsageError(parser.errorText(), command);
    }
    const QStringList arguments = parser.positionalArguments().mid(used);
    if (arguments.size() < command->minArguments || arguments.size() > command->maxArguments) {
        return UsageError("wrong number of arguments for " + command->name, command);
    }

    GlobalOptions options;
    options.line.port = parser.isSet("port") ? parser.value("port").toStdString()
                                             : std::string(std::getenv("TALMIRE_PORT") != nullptr
                                                               ? std::getenv("TALMIRE_PORT")
                                                               : "");
    options.json = parser.isSet("json");
    options.verbose = parser.isSet("verbose");
    std::optional<CliSession> session;
    try {
        options.line.baud = static_cast<std::uint32_t>(
            IntegerArgument(parser.value("baud"), "--baud", 50, 4000000));
        const std::optional<TParity> parity = ParityNamed(parser.value("parity"));
        if (!parity) {
            throw CliFailure(ExitUsage, "--parity must be none, odd, even, mark or space");
        }
        options.line.parity = *parity;
        if (parser.isSet("timeout")) {
            options.timeout = std::chrono::milliseconds(
                IntegerArgument(parser.value("timeout"), "--timeout", 1, 600000));
            options.timeoutGiven = true;
        }
        session.emplace(options);
        CommandContext context{*session, parser, arguments};
        return command->run(context);
    } catch (const CliFailure& failure) {
        if (failure.status == ExitUsage) {
            return UsageError(failure.what(), command);
        }
        const std::string message = failure.status == ExitNoAnswer && session
                                        ? NoAnswerText(failure.what(), session->Line(), *command)
                                        : std::string(failure.what());
        Err(QString("talmire-cli: ") + QString::fromStdString(message) + "\n");
        return failure.status;
    } catch (const std::bad_alloc&) {
        Err("talmire-cli: out of memory\n");
        return ExitInternal;
    } catch (const std::exception& error) {
        Err(QString("talmire-cli: internal error: ") + error.what() + "\n");
        return ExitInternal;
    } catch (...) {
        Err("talmire-cli: internal error\n");
        return ExitInternal;
    }
}
