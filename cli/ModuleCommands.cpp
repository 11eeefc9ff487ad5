// The module's own configuration: info, system, channel and the profile commands.

#include "cli/Commands.h"
#include "cli/ProfileWriteReport.h"
#include "commission/ProfileFile.h"
#include "commission/ProfileSequence.h"
#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/IntegerText.h"

#include <QJsonArray>

#include <functional>
#include <iostream>

namespace {

// A profile file, refused with its reason before anything is sent: the file itself (status
// 6) or what it holds (a usage error).
Profile LoadProfile(const QString& path) {
    std::string error;
    bool fileError = false;
    std::optional<Profile> profile = LoadProfileFile(path, error, fileError);
    if (!profile) {
        throw CliFailure(fileError ? ExitFile : ExitUsage, error);
    }
    return *profile;
}

QJsonValue SettingJson(const std::optional<ProfileSetting>& setting) {
    if (!setting) {
        return QJsonValue::Null;
    }
    return QJsonObject{{"value", QString::fromStdString(setting->value)},
                       {"label", QString::fromStdString(setting->label)}};
}

std::string SettingText(const std::optional<ProfileSetting>& setting) {
    return setting ? setting->value + " (" + setting->label + ")" : "(not held)";
}

// Prints the differences; true when there are none.
bool ReportDifferences(CliSession& session, const std::vector<ProfileDifference>& differences) {
    QJsonArray list;
    std::string text;
    for (const ProfileDifference& d : differences) {
        list.append(QJsonObject{{"key", QString::fromStdString(d.key)},
                                {"module", SettingJson(d.module)},
                                {"profile", SettingJson(d.profile)}});
        text += d.key + ": module " + SettingText(d.module) + ", profile " +
                SettingText(d.profile) + "\n";
    }
    session.Print(QJsonObject{{"differences", list}},
                  differences.empty() ? "no differences\n" : text);
    return differences.empty();
}

} // namespace

int IntegerArgument(const QString& text, const QString& what, int low, int high) {
    const std::optional<int> value = TryStrToInt(text.toStdString());
    if (!value || *value < low || *value > high) {
        throw CliFailure(ExitUsage, what.toStdString() + " must be a number from " +
                                        std::to_string(low) + " to " + std::to_string(high));
    }
    return *value;
}

int RunInfo(CommandContext& c) {
    const Profile settings = SystemSettings(ReadLink(c.session), {});
    c.session.Print(SettingsJson(settings), SettingsText(settings));
    return ExitOk;
}

int RunSystem(CommandContext& c) {
    const CommunicationReply link = ReadLink(c.session);
    const Profile settings = SystemSettings(link, ReadSystem(c.session));
    c.session.Print(SettingsJson(settings), SettingsText(settings));
    return ExitOk;
}

int RunChannel(CommandContext& c) {
    const int instrument = IntegerArgument(c.arguments[0], "N", 0, ChannelCount - 1);
    const Profile settings = ChannelSettings(instrument, ReadChannel(c.session, instrument));
    c.session.Print(SettingsJson(settings), SettingsText(settings));
    return ExitOk;
}

int RunProfileRead(CommandContext& c) {
    const Profile profile = ReadModule(c.session, c.session.TerminalProgress("profile read:"));
    const std::string json = ProfileToJson(profile);
    const QString path = c.arguments[0];
    if (path == "-") {
        std::cout << json << std::flush;
        return ExitOk;
    }
    if (const std::optional<std::string> failed = SaveFileWhole(path, json)) {
        throw CliFailure(ExitFile, *failed);
    }
    c.session.Print(QJsonObject{{"file", path}, {"settings", static_cast<int>(profile.size())}},
                    std::to_string(profile.size()) + " settings written to " + path.toStdString() +
                        "\n");
    return ExitOk;
}

int RunProfileDiff(CommandContext& c) {
    const Profile wanted = LoadProfile(c.arguments[0]);
    return ReportDifferences(
               c.session,
               DiffProfiles(ReadModule(c.session, c.session.TerminalProgress("profile diff:")),
                            wanted))
               ? ExitOk
               : ExitDeviceError;
}

int RunProfileWrite(CommandContext& c) {
    const Profile wanted = LoadProfile(c.arguments[0]);
    const Profile module = ReadModule(c.session, c.session.TerminalProgress("profile write:"));
    const std::vector<ProfileWrite> writes = WritesFor(module, wanted);
    for (const ProfileWrite& write : writes) {
        if (!write.frame.ok()) {
            throw CliFailure(ExitUsage, "the profile's " + write.group +
                                            " cannot be written: " + write.frame.message);
        }
    }
    if (writes.empty()) {
        c.session.Print(QJsonObject{{"written", QJsonArray()}},
                        "nothing to write: the module matches the profile\n");
        return ExitOk;
    }
    if (c.parser.isSet("dry-run")) {
        for (const ProfileWrite& write : writes) {
            c.session.Print(GroupJson(write, "would write"), "would write " + write.group + ": " +
                                                                 FrameText(write.frame.bytes) +
                                                                 "\n");
        }
        return ExitOk;
    }
    // The way back, kept before the first setting changes anything.
    std::string error;
    const std::optional<QString> asFound = SaveAsFound(module, c.session.Line().port, error);
    if (!asFound) {
        throw CliFailure(ExitFile, "nothing written: the module's configuration as found cannot "
                                   "be kept: " +
                                       error);
    }
    c.session.Print(QJsonObject{{"asFound", *asFound}},
                    "as found: " + asFound->toStdString() + "\n");
    return WriteGroups(c.session, wanted, writes);
}
