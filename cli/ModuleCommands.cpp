// The module's own configuration: info, system, channel and the profile commands.

#include "cli/Commands.h"
#include "cli/ModuleProfile.h"
#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/IntegerText.h"

#include <QJsonArray>

#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

namespace {

std::vector<std::uint8_t> Frame(const FrameResult& frame) {
    if (!frame.ok()) {
        throw CliFailure(ExitUsage, frame.message);
    }
    return frame.bytes;
}

// A configuration query and its decoded answer. An answer without a length ends at the
// line's gap, so a module that pauses in the middle of one gives a cut answer: a query changes
// nothing, so it is asked once more before the answer counts as wrong.
template <typename Reply>
Reply Query(CliSession& session, const FrameResult& frame, const std::string& what,
            const std::function<Reply(const std::string&)>& decode,
            const std::function<bool(const Reply&)>& complete) {
    std::string answer;
    for (int attempt = 0; attempt < 2; ++attempt) {
        answer = session.Ascii(Frame(frame));
        Reply reply = decode(answer);
        if (complete(reply) && !reply.error) {
            return reply;
        }
    }
    throw CliFailure(ExitDeviceError, "unexpected answer to the " + what + ": \"" + answer + "\"");
}

CommunicationReply ReadLink(CliSession& session) {
    return Query<CommunicationReply>(session, CommunicationQuery(), "communication query",
                                     DecodeCommunicationReply,
                                     [](const CommunicationReply& r) { return r.Answered(); });
}

SystemParameterReply ReadSystem(CliSession& session) {
    // The polling interval is the answer's last field.
    return Query<SystemParameterReply>(
        session, SystemParameterQuery(), "system parameter query", DecodeSystemParameterReply,
        [](const SystemParameterReply& r) { return r.slaveAddress && r.pollInterval; });
}

ChannelReply ReadChannel(CliSession& session, int instrument) {
    // The register formats end the answer, or a custom instrument's second read command.
    return Query<ChannelReply>(
        session, ModbusParameterQuery(instrument), "channel query",
        [](const std::string& text) { return DecodeChannelReply(text, -1); },
        [](const ChannelReply& r) {
            return r.instrumentType && r.registerFormats.back() &&
                   (!r.custom.value_or(false) || r.commands.back().bytes);
        });
}

Profile ReadModule(CliSession& session) {
    const CommunicationReply link = ReadLink(session);
    const SystemParameterReply system = ReadSystem(session);
    std::vector<ChannelReply> channels;
    channels.reserve(ChannelCount);
    for (int i = 0; i < ChannelCount; ++i) {
        channels.push_back(ReadChannel(session, i));
    }
    return ModuleProfile(link, system, channels);
}

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

namespace {

// The settings as the module holds them after a write: the query that reads them back.
Profile ReadBack(CliSession& session, int query) {
    if (query == -1) {
        return SystemSettings(ReadLink(session), {});
    }
    if (query == -2) {
        return SystemSettings({}, ReadSystem(session));
    }
    return ChannelSettings(query, ReadChannel(session, query));
}

// Speed and parity of a side from a profile's line settings: the values, never the labels,
// which are for the reader.
void FollowLine(CliSession& session, const Profile& wanted, const std::string& side) {
    const ProfileSetting* baud = Find(wanted, side + ".baud");
    const ProfileSetting* parity = Find(wanted, side + ".parity");
    const int baudIndex = baud ? TryStrToInt(baud->value).value_or(-1) : -1;
    const int parityIndex = parity ? TryStrToInt(parity->value).value_or(-1) : -1;
    const std::span<const ItemText> speeds =
        side == "rs232" ? std::span<const ItemText>(Rs232BaudItems) : Rs485BaudItems;
    if (baudIndex >= 0 && baudIndex < static_cast<int>(speeds.size()) && parityIndex >= 0 &&
        parityIndex < static_cast<int>(ParityItems.size())) {
        session.SetLine(static_cast<std::uint32_t>(
                            std::stoul(std::string(speeds[static_cast<std::size_t>(baudIndex)]))),
                        static_cast<TParity>(parityIndex));
    }
}

} // namespace

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
        const std::string answer = c.session.Ascii(write.frame.bytes);
        if (answer.find("QQS OK") == std::string::npos) {
            throw CliFailure(ExitDeviceError,
                             "the module refused " + write.group + ": \"" + answer + "\"");
        }
        Profile now;
        try {
            now = ReadBack(c.session, write.readBack);
        } catch (const CliFailure& failure) {
            if (write.line.empty() || failure.status != ExitNoAnswer) {
                throw;
            }
            // The module now speaks at the line settings just written.
            FollowLine(c.session, wanted, write.line);
            now = ReadBack(c.session, write.readBack);
        }
        for (const std::string& key : write.keys) {
            const ProfileSetting* want = Find(wanted, key);
            const ProfileSetting* held = Find(now, key);
            if (want && (!held || held->value != want->value)) {
                throw CliFailure(ExitDeviceError, key + " reads back as " +
                                                      (held ? held->value : "nothing") +
                                                      " after writing " + want->value);
            }
        }
    }
    c.session.Print(QJsonObject{{"dryRun", dryRun}, {"written", written}},
                    writes.empty() ? "nothing to write: the module matches the profile\n" : text);
    return ExitOk;
}
