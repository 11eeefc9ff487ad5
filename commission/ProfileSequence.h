#pragma once

// Reading a module's whole configuration and writing a profile's settings to it, one group
// at a time, each group read back before the next.

#include "commission/ModuleLine.h"
#include "commission/ModuleProfile.h"
#include "commission/Progress.h"

#include <vector>

CommunicationReply ReadLink(ModuleLine& line);
SystemParameterReply ReadSystem(ModuleLine& line);
ChannelReply ReadChannel(ModuleLine& line, int instrument);

// The module's answers to every configuration query, as the window shows them.
struct ModuleReplies {
    CommunicationReply link;
    SystemParameterReply system;
    std::vector<ChannelReply> channels;

    Profile ToProfile() const { return ModuleProfile(link, system, channels); }
};
// Asks the interface, the system and every channel, reporting a step before each query.
ModuleReplies ReadModuleReplies(ModuleLine& line, const Progress& progress = {});
inline Profile ReadModule(ModuleLine& line, const Progress& progress = {}) {
    return ReadModuleReplies(line, progress).ToProfile();
}

// The settings as the module holds them after a write: the query that reads them back
// (ProfileWrite::readBack).
Profile ReadBack(ModuleLine& line, int query);

// One setting of a written group as read back.
struct SettingCheck {
    std::string key;
    std::string wanted;
    std::optional<std::string> held; // nullopt when the answer no longer holds it
    bool Verified() const { return held && *held == wanted; }
};
// Sends one group's frame, which the module must accept, and reads the group back. A group
// that sets the line the tool is on is read back at the speed and parity just written when the
// old line no longer answers; `line` then stays at the new settings.
std::vector<SettingCheck> WriteAndVerify(ModuleLine& line, const Profile& wanted,
                                         const ProfileWrite& write);

// The line speed and parity a profile gives the module's `side` ("rs232", "rs485"), when it
// holds valid ones.
std::optional<std::pair<std::uint32_t, TParity>> ProfileLine(const Profile& wanted,
                                                             const std::string& side);
