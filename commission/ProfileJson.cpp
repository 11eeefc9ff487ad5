#include "commission/JsonKeys.h"
#include "commission/ModuleProfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <set>
#include <vector>

namespace {

constexpr const char* Format = "talmire-profile";
constexpr int Version = 1;

// The text of the JSON string starting at `at` (its opening quote), escapes undone; `at` is
// left past its closing quote. The document is known to parse.
std::string JsonString(const std::string& text, std::size_t& at) {
    const std::size_t begin = at;
    bool escaped = false;
    for (++at; at < text.size(); ++at) {
        if (escaped) {
            escaped = false;
        } else if (text[at] == '\\') {
            escaped = true;
        } else if (text[at] == '"') {
            break;
        }
    }
    ++at;
    const std::string literal = text.substr(begin, at - begin);
    if (literal.find('\\') == std::string::npos) {
        return literal.substr(1, literal.size() - 2);
    }
    const QJsonDocument decoded =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + literal + "]"));
    return decoded.array().at(0).toString().toStdString();
}

} // namespace

std::optional<std::string> DuplicateJsonKey(const std::string& text) {
    struct Level {
        bool object;
        bool expectKey;
        std::set<std::string> keys;
    };
    std::vector<Level> levels;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"') {
            std::string value = JsonString(text, at);
            if (!levels.empty() && levels.back().object && levels.back().expectKey) {
                levels.back().expectKey = false;
                if (!levels.back().keys.insert(value).second) {
                    return value;
                }
            }
            continue;
        }
        if (c == '{' || c == '[') {
            levels.push_back({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !levels.empty()) {
            levels.pop_back();
        } else if (c == ',' && !levels.empty() && levels.back().object) {
            levels.back().expectKey = true;
        }
        ++at;
    }
    return std::nullopt;
}

std::optional<QJsonObject> StrictJsonObject(const std::string& text, std::string& error) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        error = "not a JSON object: " + parse.errorString().toStdString();
        return std::nullopt;
    }
    if (const std::optional<std::string> twice = DuplicateJsonKey(text)) {
        error = "the key \"" + *twice + "\" is given twice";
        return std::nullopt;
    }
    return document.object();
}

std::string ProfileToJson(const Profile& profile) {
    QJsonObject settings;
    for (const ProfileSetting& setting : profile) {
        settings.insert(QString::fromStdString(setting.key),
                        QJsonObject{{"value", QString::fromStdString(setting.value)},
                                    {"label", QString::fromStdString(setting.label)}});
    }
    const QJsonObject root{{"format", Format}, {"version", Version}, {"settings", settings}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::optional<Profile> ProfileFromJson(const std::string& text, std::string& error) {
    const std::optional<QJsonObject> strict = StrictJsonObject(text, error);
    if (!strict)
        return std::nullopt;
    const QJsonObject& root = *strict;
    if (root.value("format").toString() != Format) {
        error = "not a talmire profile (\"format\" must be \"talmire-profile\")";
        return std::nullopt;
    }
    if (!root.value("version").isDouble() || root.value("version").toInt() != Version) {
        error = "profile version " +
                QJsonDocument(QJsonObject{{"v", root.value("version")}})
                    .toJson(QJsonDocument::Compact)
                    .mid(5)
                    .chopped(1)
                    .toStdString() +
                " is not supported (this tool reads version " + std::to_string(Version) + ")";
        return std::nullopt;
    }
    for (const QString& key : root.keys()) {
        if (key != "format" && key != "version" && key != "settings") {
            error = "unknown key \"" + key.toStdString() + "\" in the profile";
            return std::nullopt;
        }
    }
    if (!root.value("settings").isObject()) {
        error = "\"settings\" must be an object of settings";
        return std::nullopt;
    }
    const QJsonObject settings = root.value("settings").toObject();
    for (const QString& key : settings.keys()) {
        if (!IsProfileKey(key.toStdString())) {
            error = "unknown setting \"" + key.toStdString() + "\" in the profile";
            return std::nullopt;
        }
    }
    Profile profile;
    // The known order, whatever order the file has.
    for (const ProfileSetting& known : ProfileKeys()) {
        const QJsonValue entry = settings.value(QString::fromStdString(known.key));
        if (entry.isUndefined()) {
            continue;
        }
        const QJsonObject object = entry.toObject();
        if (!entry.isObject() || !object.value("value").isString() ||
            !(object.value("label").isString() || object.value("label").isUndefined()) ||
            object.size() > (object.contains("label") ? 2 : 1)) {
            error = "setting \"" + known.key +
                    "\" must be an object with a text \"value\" and a text \"label\"";
            return std::nullopt;
        }
        const std::string value = object.value("value").toString().toStdString();
        std::string expects;
        const std::optional<std::string> label = SettingLabel(known.key, value, &expects);
        if (!label) {
            error = "setting \"" + known.key + "\" holds \"" + value + "\"; it must be ";
            error += expects;
            return std::nullopt;
        }
        profile.push_back({known.key, value, *label});
    }
    // A custom instrument's settings belong to a channel of type 00.
    for (const ProfileSetting& setting : profile) {
        const std::size_t custom = setting.key.find(".custom.");
        if (custom == std::string::npos) {
            continue;
        }
        const std::string type = setting.key.substr(0, custom) + ".type";
        const ProfileSetting* held = Find(profile, type);
        if (held != nullptr && held->value != "00") {
            error = "setting \"" + setting.key + "\" is for a custom instrument, but \"" + type +
                    "\" is " + held->value + " (a custom instrument is 00)";
            return std::nullopt;
        }
    }
    return profile;
}
