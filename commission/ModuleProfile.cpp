#include "commission/ModuleProfile.h"

#include "config/ConfigFrames.h"
#include "exchange/IntegerText.h"

#include <functional>

const ProfileSetting* Find(const Profile& profile, const std::string& key) {
    for (const ProfileSetting& setting : profile) {
        if (setting.key == key) {
            return &setting;
        }
    }
    return nullptr;
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
        if (!differs) {
            return;
        }
        Profile carried;
        for (const std::string& key : keys) {
            const ProfileSetting* setting = Find(wanted, key);
            if (setting == nullptr) {
                setting = Find(module, key);
            }
            if (setting != nullptr) {
                carried.push_back(*setting);
            }
        }
        writes.push_back({std::move(group), std::move(keys), build(), std::move(line), readBack,
                          std::move(carried)});
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
            // The module keeps no such settings for the channel: they cannot be written, and
            // the comparison lists them as not held.
            std::vector<std::string> custom;
            for (const ProfileSetting& setting : wanted) {
                if (setting.key.starts_with(n + "custom.")) {
                    custom.push_back(setting.key);
                }
            }
            std::string message = n + "custom settings are for a custom instrument, and ";
            message += n + "type is " + value(n + "type") + ", not 00";
            add(
                n + "custom", custom, [&] { return FrameResult::Refuse(message); }, i);
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
