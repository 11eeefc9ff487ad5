#pragma once

// The commands of talmire-cli: their help text (the one source of --help and of the man
// page), their options and what each one runs.

#include "cli/CliSession.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

struct CommandContext {
    CliSession& session;
    const QCommandLineParser& parser;
    QStringList arguments; // the positional arguments after the command's words
};

struct CommandSpec {
    QString name;     // "info", "profile read", ...
    QString synopsis; // the arguments after the name
    QString summary;  // one line
    QString details;  // a paragraph for --help and the man page
    QList<QCommandLineOption> options;
    int (*run)(CommandContext&);
    int minArguments = 0;
    int maxArguments = 0;
};

const QList<CommandSpec>& Commands();
QList<QCommandLineOption> GlobalCommandOptions();

// Usage texts: the whole tool, and one command.
QString ToolUsage();
QString CommandUsage(const CommandSpec& command);
// The man page in roff, from the same texts.
QString ManPage();

// An integer option or argument in a range; CliFailure(ExitUsage) otherwise.
int IntegerArgument(const QString& text, const QString& what, int low, int high);

int RunInfo(CommandContext& c);
int RunSystem(CommandContext& c);
int RunChannel(CommandContext& c);
int RunProfileRead(CommandContext& c);
int RunProfileDiff(CommandContext& c);
int RunProfileWrite(CommandContext& c);
int RunHartId(CommandContext& c);
int RunHartVars(CommandContext& c);
int RunHartSetAddress(CommandContext& c);
int RunHartSend(CommandContext& c);
int RunModbusRead(CommandContext& c);
int RunScanLine(CommandContext& c);
int RunScanHart(CommandContext& c);
int RunScanModbus(CommandContext& c);
int RunFloat(CommandContext& c);
int RunMonitor(CommandContext& c);
int RunGet(CommandContext& c);
int RunSet(CommandContext& c);
int RunPorts(CommandContext& c);
