// The module's own configuration: info, system, channel and the profile commands.

#include "cli/Commands.h"
#include "commission/ProfileSequence.h"
#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/IntegerText.h"

#include <QJsonArray>

#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace {

// A profile file, refused with its reason (a usage error: nothing has been sent).
Profile LoadProfile(const QString& path) {
    std::ifstream file(path.toStdString(), std::ios::binary);
    if (!file) {
        throw CliFailure(ExitUsage, "cannot read the profile " + path.toStdString());
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    std::optional<Profile> profile = ProfileFromJson(text.str(), error);
    if (!profile) {
        throw CliFailure(ExitUsage, path.toStdString() + ": " + error);
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
    const Profile profile = ReadModule(c.session);
    const std::string json = ProfileToJson(profile);
    const QString path = c.arguments[0];
    if (path == "-") {
        std::cout << json << std::flush;
        return ExitOk;
    }
    std::ofstream file(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!(file << json) || !file.flush()) {
        throw CliFailure(ExitDeviceError, "cannot write " + path.toStdString());
    }
    c.session.Print(QJsonObject{{"file", path}, {"settings", static_cast<int>(profile.size())}},
                    std::to_string(profile.size()) + " settings written to " + path.toStdString() +
                        "\n");
    return ExitOk;
}

int RunProfileDiff(CommandContext& c) {
    const Profile wanted = LoadProfile(c.arguments[0]);
    return ReportDifferences(c.session, DiffProfiles(ReadModule(c.session), wanted))
               ? ExitOk
               : ExitDeviceError;
}

int RunProfileWrite(CommandContext& c) {
    const Profile wanted = LoadProfile(c.arguments[0]);
    const Profile module = ReadModule(c.session);
    const std::vector<ProfileWrite> writes = WritesFor(module, wanted);
    for (const ProfileWrite& write : writes) {
        if (!write.frame.ok()) {
            throw CliFailure(ExitUsage, "the profile's " + write.group +
                                            " cannot be written: " + write.frame.message);
        }
    }
    const bool dryRun = c.parser.isSet("dry-run");
    QJsonArray written;
    std::string text;
    for (const ProfileWrite& write : writes) {
        const std::string frame(write.frame.bytes.begin(), write.frame.bytes.end());
        written.append(QJsonObject{{"group", QString::fromStdString(write.group)},
                                   {"frame", QString::fromStdString(frame)}});
        text += (dryRun ? "would write " : "wrote ") + write.group + ": " + frame + "\n";
        if (dryRun) {
            continue;
        }
        if (!write.line.empty()) {
            std::cerr << "talmire-cli: writing the module's " << write.line
                      << " line settings; the link will change if the tool is on that side\n";
        }
        for (const SettingCheck& check : WriteAndVerify(c.session, wanted, write)) {
            if (!check.Verified()) {
                throw CliFailure(ExitDeviceError, check.key + " reads back as " +
                                                      check.held.value_or("nothing") +
                                                      " after writing " + check.wanted);
            }
        }
    }
    c.session.Print(QJsonObject{{"dryRun", dryRun}, {"written", written}},
                    writes.empty() ? "nothing to write: the module matches the profile\n" : text);
    return ExitOk;
}
