#pragma once

// A module's whole configuration as an ordered list of settings, each named by what it means
// to the module, valued as the module encodes it (its characters in the configuration
// frames) and labelled as the window's lists show it. Profiles are read from a module,
// compared with one, and turned into the setting frames that make a module match.

#include "config/ConfigReplies.h"
#include "exchange/FrameResult.h"

#include <array>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr int ChannelCount = 9; // instruments 0 to 8

struct ProfileSetting {
    std::string key;
    std::string value;
    std::string label;
    bool operator==(const ProfileSetting&) const = default;
};

using Profile = std::vector<ProfileSetting>;

// The settings of the system answer and the interface (the communication answer).
Profile SystemSettings(const CommunicationReply& link, const SystemParameterReply& system);
// The settings of channel `instrument`, keys starting "channel.<instrument>.", and the
// module-wide coefficient that every channel answer carries (keys "coefficient.").
Profile ChannelSettings(int instrument, const ChannelReply& channel);
// The whole module: the system settings, the coefficient once, then every channel.
Profile ModuleProfile(const CommunicationReply& link, const SystemParameterReply& system,
                      std::span<const ChannelReply> channels);

// Whether `key` names a setting a profile may hold.
bool IsProfileKey(const std::string& key);
// Every setting a profile may hold, in the profile's order (values and labels meaningless).
const Profile& ProfileKeys();
// The label of setting `key` holding `value`, derived from the value; nullopt when `value` is
// not one the module's own answer could carry for it (or `key` names no setting). `expects`,
// when given, is told what a value of the setting must be.
std::optional<std::string> SettingLabel(const std::string& key, const std::string& value,
                                        std::string* expects = nullptr);

struct ProfileDifference {
    std::string key;
    std::optional<ProfileSetting> module;  // what the module holds, if anything
    std::optional<ProfileSetting> profile; // what the profile asks for
};
// Every setting of `wanted` that the module holds otherwise, in the profile's order.
std::vector<ProfileDifference> DiffProfiles(const Profile& module, const Profile& wanted);

// One setting frame that changes a group of settings together.
struct ProfileWrite {
    std::string group;             // "slave-address", "channel.2.hart", "rs485" ...
    std::vector<std::string> keys; // the settings it carries
    FrameResult frame;
    // Which of the module's serial sides it sets, empty for none: the link may change.
    std::string line;
    // Which query reads it back: -1 interface, -2 system, 0..8 that channel.
    int readBack = -2;
    // Every setting of the group as the frame carries it: from the profile where it has it,
    // otherwise the module's own.
    Profile carried;
};
// The frames that bring a module holding `module` to `wanted`: only groups with a
// difference, every value of the group taken from `wanted` where it has it, the line
// settings last. A frame that cannot be built carries its builder's failure; so does a group of
// a custom instrument's settings for a channel that is not one.
std::vector<ProfileWrite> WritesFor(const Profile& module, const Profile& wanted);

// The profile file: JSON, one object per setting under "settings", keys in a fixed order.
std::string ProfileToJson(const Profile& profile);
// Reads a profile file; the reason in `error` when it is not one this version can write or
// holds a value the module's answer could not carry. Every label is derived from its value:
// the file's labels are comments for its reader.
std::optional<Profile> ProfileFromJson(const std::string& text, std::string& error);

// The value of a setting, or nullptr.
const ProfileSetting* Find(const Profile& profile, const std::string& key);
