#include "commission/ModuleProfile.h"

#include "config/ConfigFrames.h"
#include "config/ConfigLists.h"
#include "exchange/IntegerText.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <set>

namespace {

constexpr const char* Format = "talmire-profile";
constexpr int Version = 1;

std::string Padded(int number, int width) {
    std::string text = std::to_string(number);
    while (static_cast<int>(text.size()) < width) {
        text.insert(text.begin(), '0');
    }
    return text;
}

// A list setting: the module sends the item's index plus `firstDigit` in `width` digits.
template <std::size_t N>
void AddList(Profile& profile, std::string key, const std::optional<int>& index,
             const std::array<ItemText, N>& items, int firstDigit = 0, int width = 1) {
    if (!index) {
        return;
    }
    const bool known = *index >= 0 && *index < static_cast<int>(N);
    profile.push_back(
        {std::move(key), Padded(*index + firstDigit, width),
         known ? std::string(items[static_cast<std::size_t>(*index)]) : "(no such item)"});
}

// A number the module keeps as decimal digits; the label is the number in its unit.
void AddNumber(Profile& profile, std::string key, const std::optional<std::string>& text,
               int scale = 1, const std::string& unit = "") {
    if (!text) {
        return;
    }
    const std::optional<int> number = TryStrToInt(*text);
    const std::string label =
        number ? std::to_string(*number * scale) + (unit.empty() ? "" : " " + unit) : *text;
    profile.push_back({std::move(key), *text, label});
}

void AddText(Profile& profile, std::string key, const std::optional<std::string>& text) {
    if (text) {
        profile.push_back({std::move(key), *text, *text});
    }
}

Profile AllKeysProfile() {
    CommunicationReply link{0, 0, {}};
    SystemParameterReply system;
    for (auto& group : system.display) {
        group = {0, 0};
    }
    system.rs232 = system.rs485 = {0, 0};
    system.operatingMode = 0;
    system.slaveAddress = system.pollInterval = "000";
    ChannelReply channel;
    channel.coefficientMode = channel.hartEnabled = channel.hartMode = channel.instrumentType = 0;
    channel.prefixLength = channel.addressBits = 0;
    channel.coefficient = channel.cacheTime = "0";
    channel.registerFormats.fill(0);
    channel.custom = true;
    for (auto& variable : channel.variables) {
        variable = {0, "00", 0};
    }
    for (auto& command : channel.commands) {
        command = {0, "00"};
    }
    std::vector<ChannelReply> channels(ChannelCount, channel);
    return ModuleProfile(link, system, channels);
}

} // namespace

const ProfileSetting* Find(const Profile& profile, const std::string& key) {
    for (const ProfileSetting& setting : profile) {
        if (setting.key == key) {
            return &setting;
        }
    }
    return nullptr;
}

Profile SystemSettings(const CommunicationReply& link, const SystemParameterReply& system) {
    Profile p;
    AddList(p, "interface.type", link.interfaceType, InterfaceTypeItems);
    AddList(p, "interface.instruments", link.instrumentCount, InstrumentCountItems);
    for (std::size_t k = 0; k < system.display.size(); ++k) {
        const std::string group = "display." + std::to_string(k + 1);
        AddList(p, group + ".value", system.display[k].value, DisplayValueItems, 0, 2);
        AddList(p, group + ".format", system.display[k].format, DisplayFormatItems);
    }
    AddList(p, "operating-mode", system.operatingMode, OperatingModeItems);
    AddNumber(p, "slave-address", system.slaveAddress);
    AddNumber(p, "poll-interval", system.pollInterval, 10, "ms");
    AddList(p, "rs232.baud", system.rs232.baud, Rs232BaudItems);
    AddList(p, "rs232.parity", system.rs232.parity, ParityItems);
    AddList(p, "rs485.baud", system.rs485.baud, Rs485BaudItems);
    AddList(p, "rs485.parity", system.rs485.parity, ParityItems);
    return p;
}

Profile ChannelSettings(int instrument, const ChannelReply& c) {
    Profile p;
    AddList(p, "coefficient.mode", c.coefficientMode, CoefficientModeItems);
    AddText(p, "coefficient.value", c.coefficient);
    const std::string n = "channel." + std::to_string(instrument) + ".";
    AddList(p, n + "hart.enabled", c.hartEnabled, HartEnabledItems);
    AddList(p, n + "hart.mode", c.hartMode, HartLinkModeItems);
    AddList(p, n + "type", c.instrumentType, InstrumentTypeItems, 0, 2);
    AddList(p, n + "hart.prefix-length", c.prefixLength, PrefixLengthItems, 4);
    AddNumber(p, n + "hart.cache-time", c.cacheTime, 1, "s");
    AddList(p, n + "format.current", c.registerFormats[0], CurrentFormatItems);
    for (std::size_t k = 1; k < c.registerFormats.size(); ++k) {
        AddList(p, n + "format.variable" + std::to_string(k), c.registerFormats[k],
                VariableFormatItems);
    }
    if (!c.custom.value_or(false)) {
        return p;
    }
    AddList(p, n + "custom.address-bits", c.addressBits, AddressBitsItems, 3);
    for (std::size_t k = 0; k < c.variables.size(); ++k) {
        const std::string v = n + "custom.variable" + std::to_string(k + 1) + ".";
        AddList(p, v + "source", c.variables[k].source, ParsingSourceItems);
        AddNumber(p, v + "start", c.variables[k].start);
        AddList(p, v + "length", c.variables[k].length, ParsingLengthItems);
    }
    for (std::size_t k = 0; k < c.commands.size(); ++k) {
        const std::string command = n + "custom.command" + std::to_string(k + 1) + ".";
        AddList(p, command + "enabled", c.commands[k].enabled, CommandSwitchItems);
        AddText(p, command + "bytes", c.commands[k].bytes);
    }
    return p;
}

Profile ModuleProfile(const CommunicationReply& link, const SystemParameterReply& system,
                      std::span<const ChannelReply> channels) {
    Profile profile = SystemSettings(link, system);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        for (ProfileSetting& setting : ChannelSettings(static_cast<int>(i), channels[i])) {
            // The coefficient is the module's own; every channel answer repeats it.
            if (i == 0 || !setting.key.starts_with("coefficient.")) {
                profile.push_back(std::move(setting));
            }
        }
    }
    return profile;
}

bool IsProfileKey(const std::string& key) {
    static const std::set<std::string> keys = [] {
        std::set<std::string> all;
        for (const ProfileSetting& setting : AllKeysProfile()) {
            all.insert(setting.key);
        }
        return all;
    }();
    return keys.contains(key);
}

std::vector<ProfileDifference> DiffProfiles(const Profile& module, const Profile& wanted) {
    std::vector<ProfileDifference> differences;
    for (const ProfileSetting& setting : wanted) {
        const ProfileSetting* held = Find(module, setting.key);
        if (held == nullptr || held->value != setting.value) {
            differences.push_back(
                {setting.key, held ? std::optional(*held) : std::nullopt, setting});
        }
    }
    return differences;
}

std::vector<ProfileWrite> WritesFor(const Profile& module, const Profile& wanted) {
    auto value = [&](const std::string& key) {
        const ProfileSetting* setting = Find(wanted, key);
        if (setting == nullptr) {
            setting = Find(module, key);
        }
        return setting ? setting->value : std::string();
    };
    // The index of a list item from the digits the module uses for it; -1 when there are none.
    auto index = [&](const std::string& key, int firstDigit = 0) {
        const std::optional<int> digits = TryStrToInt(value(key));
        return digits ? *digits - firstDigit : -1;
    };
    std::vector<ProfileWrite> writes;
    auto add = [&](std::string group, std::vector<std::string> keys,
                   const std::function<FrameResult()>& build, int readBack, std::string line = {}) {
        bool differs = false;
        for (const std::string& key : keys) {
            const ProfileSetting* want = Find(wanted, key);
            const ProfileSetting* held = Find(module, key);
            differs =
                differs || (want != nullptr && (held == nullptr || held->value != want->value));
        }
        if (differs) {
            writes.push_back(
                {std::move(group), std::move(keys), build(), std::move(line), readBack});
        }
    };
    add(
        "interface", {"interface.type", "interface.instruments"},
        [&] { return InterfaceSetting(index("interface.type"), index("interface.instruments")); },
        -1);
    for (int k = 1; k <= 4; ++k) {
        const std::string g = "display." + std::to_string(k);
        add(
            g, {g + ".value", g + ".format"},
            [&, k, g] { return DisplaySetting(k, index(g + ".value"), index(g + ".format")); }, -2);
    }
    add(
        "operating-mode", {"operating-mode"},
        [&] { return OperatingModeSetting(index("operating-mode")); }, -2);
    add(
        "slave-address", {"slave-address"},
        [&] { return SlaveAddressSetting(value("slave-address")); }, -2);
    add(
        "poll-interval", {"poll-interval"}, [&] { return IntervalSetting(value("poll-interval")); },
        -2);
    add(
        "coefficient", {"coefficient.mode", "coefficient.value"},
        [&] { return CoefficientSetting(index("coefficient.mode"), value("coefficient.value")); },
        0);
    for (int i = 0; i < ChannelCount; ++i) {
        const std::string n = "channel." + std::to_string(i) + ".";
        add(
            n + "hart",
            {n + "hart.enabled", n + "hart.mode", n + "type", n + "hart.prefix-length",
             n + "hart.cache-time"},
            [&, i, n] {
                return HartSetting(i, index(n + "hart.enabled"), index(n + "hart.mode"),
                                   index(n + "type"), index(n + "hart.prefix-length", 4),
                                   value(n + "hart.cache-time"));
            },
            i);
        std::vector<std::string> formats{n + "format.current"};
        for (int k = 1; k <= 4; ++k) {
            formats.push_back(n + "format.variable" + std::to_string(k));
        }
        add(
            n + "format", formats,
            [&, i, formats] {
                std::array<int, 5> indices{};
                for (std::size_t k = 0; k < indices.size(); ++k) {
                    indices[k] = index(formats[k]);
                }
                return DataFormatSetting(i, indices);
            },
            i);
        if (value(n + "type") != "00") {
            continue;
        }
        std::vector<std::string> parsing{n + "custom.address-bits"};
        for (int k = 1; k <= 4; ++k) {
            const std::string v = n + "custom.variable" + std::to_string(k) + ".";
            parsing.insert(parsing.end(), {v + "source", v + "start", v + "length"});
        }
        add(
            n + "custom.parsing", parsing,
            [&, i, n] {
                std::array<std::string, 4> starts;
                std::array<ParsingVariable, 4> variables{};
                for (std::size_t k = 0; k < variables.size(); ++k) {
                    const std::string v = n + "custom.variable" + std::to_string(k + 1) + ".";
                    starts[k] = value(v + "start");
                    variables[k] = {index(v + "source"), starts[k], index(v + "length")};
                }
                return ParsingFormatSetting(i, index(n + "custom.address-bits", 3), variables);
            },
            i);
        for (int k = 1; k <= 2; ++k) {
            const std::string c = n + "custom.command" + std::to_string(k) + ".";
            add(
                n + "custom.command" + std::to_string(k), {c + "enabled", c + "bytes"},
                [&, i, k, c] {
                    return CustomCommandSetting(i, k, index(c + "enabled"), value(c + "bytes"));
                },
                i);
        }
    }
    for (const std::string side : {"rs232", "rs485"}) {
        add(
            side, {side + ".baud", side + ".parity"},
            [&, side] {
                const int baud = index(side + ".baud");
                const int parity = index(side + ".parity");
                return side == "rs232" ? Rs232Setting(baud, parity) : Rs485Setting(baud, parity);
            },
            -2, side);
    }
    return writes;
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
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject()) {
        error = "not a JSON object: " + parse.errorString().toStdString();
        return std::nullopt;
    }
    const QJsonObject root = document.object();
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
    const QJsonObject settings = root.value("settings").toObject();
    Profile profile;
    // The known order, whatever order the file has.
    for (const ProfileSetting& known : AllKeysProfile()) {
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
        profile.push_back({known.key, object.value("value").toString().toStdString(),
                           object.value("label").toString().toStdString()});
    }
    for (const QString& key : settings.keys()) {
        if (!IsProfileKey(key.toStdString())) {
            error = "unknown setting \"" + key.toStdString() + "\" in the profile";
            return std::nullopt;
        }
    }
    return profile;
}
