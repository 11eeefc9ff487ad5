#include "commission/ModuleProfile.h"

#include "config/ConfigLists.h"
#include "exchange/IntegerText.h"

#include <algorithm>
#include <functional>
#include <map>

namespace {

// The most bytes a custom instrument's read command frame carries.
constexpr std::size_t MaxCommandBytes = 14;

std::string Padded(int number, int width) {
    std::string text = std::to_string(number);
    while (static_cast<int>(text.size()) < width) {
        text.insert(text.begin(), '0');
    }
    return text;
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string DigitsName(int width) {
    static const std::array<const char*, 4> names{"", "one digit", "two digits", "three digits"};
    return width >= 1 && width <= 3 ? names[static_cast<std::size_t>(width)]
                                    : std::to_string(width) + " digits";
}

// What a setting's value may be: the label of a value the module's own answer could carry,
// nullopt for anything else.
struct SettingRule {
    std::function<std::optional<std::string>(const std::string& value)> label;
    std::string expects; // what a value must be, for the refusal
};

// The settings built, and when `rules` is given, what each one's value may be.
struct Builder {
    Profile profile;
    std::map<std::string, SettingRule>* rules = nullptr;

    void Add(std::string key, std::string value, const SettingRule& rule,
             const std::string& fallback) {
        if (rules != nullptr) {
            rules->emplace(key, rule);
        }
        std::string label = rule.label(value).value_or(fallback);
        profile.push_back({std::move(key), std::move(value), std::move(label)});
    }
};

// A list setting: the module sends the item's index plus `firstDigit` in `width` digits.
template <std::size_t N>
void AddList(Builder& b, std::string key, const std::optional<int>& index,
             const std::array<ItemText, N>& items, int firstDigit = 0, int width = 1) {
    if (!index) {
        return;
    }
    const SettingRule rule{[&items, firstDigit, width](const std::string& value) {
                               const std::optional<int> digits = TryStrToInt(value);
                               const int item = digits ? *digits - firstDigit : -1;
                               if (static_cast<int>(value.size()) != width || !AllDigits(value) ||
                                   item < 0 || item >= static_cast<int>(N)) {
                                   return std::optional<std::string>();
                               }
                               return std::optional<std::string>(
                                   items[static_cast<std::size_t>(item)]);
                           },
                           DigitsName(width) + " from " + Padded(firstDigit, width) + " to " +
                               Padded(firstDigit + static_cast<int>(N) - 1, width)};
    b.Add(std::move(key), Padded(*index + firstDigit, width), rule, "(no such item)");
}

// A number the module keeps as `width` decimal digits; the label is the number in its unit.
void AddNumber(Builder& b, std::string key, const std::optional<std::string>& text, int width,
               int scale = 1, const std::string& unit = "") {
    if (!text) {
        return;
    }
    const SettingRule rule{[width, scale, unit](const std::string& value) {
                               if (static_cast<int>(value.size()) != width || !AllDigits(value)) {
                                   return std::optional<std::string>();
                               }
                               return std::optional<std::string>(
                                   std::to_string(*TryStrToInt(value) * scale) +
                                   (unit.empty() ? "" : " " + unit));
                           },
                           DigitsName(width)};
    b.Add(std::move(key), *text, rule, *text);
}

// The coefficient as the module's display shows it: five characters, digits with at most
// one decimal point and a leading minus.
bool IsCoefficient(const std::string& value) {
    if (value.size() != 5) {
        return false;
    }
    const std::string_view body = std::string_view(value).substr(value[0] == '-' ? 1 : 0);
    const auto points = std::count(body.begin(), body.end(), '.');
    const auto digits =
        std::count_if(body.begin(), body.end(), [](char c) { return c >= '0' && c <= '9'; });
    return points <= 1 && digits >= 1 && points + digits == static_cast<long>(body.size());
}

// A read command as the module's answer carries it: capital hex pairs, one space between.
bool IsCommandBytes(const std::string& value) {
    if (value.empty()) {
        return true;
    }
    if ((value.size() + 1) % 3 != 0 || (value.size() + 1) / 3 > MaxCommandBytes) {
        return false;
    }
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (i % 3 == 2 ? c != ' ' : !hex) {
            return false;
        }
    }
    return true;
}

void AddText(Builder& b, std::string key, const std::optional<std::string>& text,
             bool (*valid)(const std::string&), std::string expects) {
    if (text) {
        const SettingRule rule{[valid](const std::string& value) {
                                   return valid(value) ? std::optional(value) : std::nullopt;
                               },
                               std::move(expects)};
        b.Add(std::move(key), *text, rule, *text);
    }
}

void AddSystem(Builder& b, const CommunicationReply& link, const SystemParameterReply& system) {
    AddList(b, "interface.type", link.interfaceType, InterfaceTypeItems);
    AddList(b, "interface.instruments", link.instrumentCount, InstrumentCountItems);
    for (std::size_t k = 0; k < system.display.size(); ++k) {
        const std::string group = "display." + std::to_string(k + 1);
        AddList(b, group + ".value", system.display[k].value, DisplayValueItems, 0, 2);
        AddList(b, group + ".format", system.display[k].format, DisplayFormatItems);
    }
    AddList(b, "operating-mode", system.operatingMode, OperatingModeItems);
    AddNumber(b, "slave-address", system.slaveAddress, 3);
    AddNumber(b, "poll-interval", system.pollInterval, 3, 10, "ms");
    AddList(b, "rs232.baud", system.rs232.baud, Rs232BaudItems);
    AddList(b, "rs232.parity", system.rs232.parity, ParityItems);
    AddList(b, "rs485.baud", system.rs485.baud, Rs485BaudItems);
    AddList(b, "rs485.parity", system.rs485.parity, ParityItems);
}

void AddChannel(Builder& b, int instrument, const ChannelReply& c) {
    AddList(b, "coefficient.mode", c.coefficientMode, CoefficientModeItems);
    AddText(b, "coefficient.value", c.coefficient, IsCoefficient,
            "five characters: digits, at most one decimal point and a leading minus");
    const std::string n = "channel." + std::to_string(instrument) + ".";
    AddList(b, n + "hart.enabled", c.hartEnabled, HartEnabledItems);
    AddList(b, n + "hart.mode", c.hartMode, HartLinkModeItems);
    AddList(b, n + "type", c.instrumentType, InstrumentTypeItems, 0, 2);
    AddList(b, n + "hart.prefix-length", c.prefixLength, PrefixLengthItems, 4);
    AddNumber(b, n + "hart.cache-time", c.cacheTime, 3, 1, "s");
    AddList(b, n + "format.current", c.registerFormats[0], CurrentFormatItems);
    for (std::size_t k = 1; k < c.registerFormats.size(); ++k) {
        AddList(b, n + "format.variable" + std::to_string(k), c.registerFormats[k],
                VariableFormatItems);
    }
    if (!c.custom.value_or(false)) {
        return;
    }
    AddList(b, n + "custom.address-bits", c.addressBits, AddressBitsItems, 3);
    for (std::size_t k = 0; k < c.variables.size(); ++k) {
        const std::string v = n + "custom.variable" + std::to_string(k + 1) + ".";
        AddList(b, v + "source", c.variables[k].source, ParsingSourceItems);
        AddNumber(b, v + "start", c.variables[k].start, 2);
        AddList(b, v + "length", c.variables[k].length, ParsingLengthItems);
    }
    for (std::size_t k = 0; k < c.commands.size(); ++k) {
        const std::string command = n + "custom.command" + std::to_string(k + 1) + ".";
        AddList(b, command + "enabled", c.commands[k].enabled, CommandSwitchItems);
        AddText(b, command + "bytes", c.commands[k].bytes, IsCommandBytes,
                "at most " + std::to_string(MaxCommandBytes) +
                    " hex pairs in capitals, one space between");
    }
}

void AddModule(Builder& b, const CommunicationReply& link, const SystemParameterReply& system,
               std::span<const ChannelReply> channels) {
    AddSystem(b, link, system);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        Builder channel;
        channel.rules = b.rules;
        AddChannel(channel, static_cast<int>(i), channels[i]);
        for (ProfileSetting& setting : channel.profile) {
            // The coefficient is the module's own; every channel answer repeats it.
            if (i == 0 || !setting.key.starts_with("coefficient.")) {
                b.profile.push_back(std::move(setting));
            }
        }
    }
}

// Every setting a profile may hold, in the profile's order, and what each one's value may be.
Profile AllKeysProfile(std::map<std::string, SettingRule>* rules = nullptr) {
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
    Builder b;
    b.rules = rules;
    AddModule(b, link, system, channels);
    return b.profile;
}

const std::map<std::string, SettingRule>& Rules() {
    static const std::map<std::string, SettingRule> rules = [] {
        std::map<std::string, SettingRule> all;
        AllKeysProfile(&all);
        return all;
    }();
    return rules;
}

} // namespace

Profile SystemSettings(const CommunicationReply& link, const SystemParameterReply& system) {
    Builder b;
    AddSystem(b, link, system);
    return b.profile;
}

Profile ChannelSettings(int instrument, const ChannelReply& channel) {
    Builder b;
    AddChannel(b, instrument, channel);
    return b.profile;
}

Profile ModuleProfile(const CommunicationReply& link, const SystemParameterReply& system,
                      std::span<const ChannelReply> channels) {
    Builder b;
    AddModule(b, link, system, channels);
    return b.profile;
}

bool IsProfileKey(const std::string& key) {
    return Rules().contains(key);
}

std::optional<std::string> SettingLabel(const std::string& key, const std::string& value,
                                        std::string* expects) {
    const auto rule = Rules().find(key);
    if (rule == Rules().end()) {
        return std::nullopt;
    }
    if (expects != nullptr) {
        *expects = rule->second.expects;
    }
    return rule->second.label(value);
}

const Profile& ProfileKeys() {
    static const Profile keys = AllKeysProfile();
    return keys;
}
