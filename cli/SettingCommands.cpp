// One setting of the module by its profile key: get and set.

#include "cli/Commands.h"
#include "cli/ProfileWriteReport.h"
#include "commission/ModuleProfile.h"
#include "commission/ProfileSequence.h"

namespace {

std::string KnownKey(const QString& typed) {
    std::string key = typed.toStdString();
    if (!IsProfileKey(key)) {
        throw CliFailure(ExitUsage,
                         "unknown setting \"" + key +
                             "\" (the keys are a profile's: talmire-cli profile read -)");
    }
    return key;
}

// The query whose answer holds `key`: the one that reads back the group its frame writes.
int QueryOf(const std::string& key) {
    const std::vector<ProfileWrite> writes = WritesFor({}, {{key, {}, {}}});
    return writes.empty() ? -2 : writes.front().readBack;
}

} // namespace

int RunGet(CommandContext& c) {
    const std::string key = KnownKey(c.arguments[0]);
    const Profile held = ReadBack(c.session, QueryOf(key));
    const ProfileSetting* setting = Find(held, key);
    if (setting == nullptr) {
        throw CliFailure(ExitDeviceError, "the module's answer holds no " + key);
    }
    c.session.Print(SettingsJson({*setting}), SettingsText({*setting}));
    return ExitOk;
}

int RunSet(CommandContext& c) {
    const std::string key = KnownKey(c.arguments[0]);
    // The value checked as a profile holding only this setting would be, with the same words.
    std::string error;
    const std::optional<Profile> wanted =
        ProfileFromJson(ProfileToJson({{key, c.arguments[1].toStdString(), {}}}), error);
    if (!wanted) {
        throw CliFailure(ExitUsage, error);
    }
    const Profile module = ReadBack(c.session, QueryOf(key));
    const std::vector<ProfileWrite> writes = WritesFor(module, *wanted);
    if (writes.empty()) {
        const ProfileSetting& setting = wanted->front();
        c.session.Print(QJsonObject{{"unchanged", SettingsJson(*wanted)}},
                        key + " is already " + setting.value + " (" + setting.label + ")\n");
        return ExitOk;
    }
    for (const ProfileWrite& write : writes) {
        if (!write.frame.ok()) {
            throw CliFailure(ExitUsage, key + " cannot be written: " + write.frame.message);
        }
    }
    return WriteGroups(c.session, *wanted, writes);
}
