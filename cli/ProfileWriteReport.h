#pragma once

// A profile write told group by group: one line (or JSON line) per group as it is written
// and read back, and at a failure the group, the reason and what was and was not written.

#include "cli/CliSession.h"
#include "commission/ModuleProfile.h"

#include <QJsonObject>

#include <cstdint>
#include <string>
#include <vector>

// A frame for the terminal: printable ASCII as it is, any other byte as \xNN.
std::string FrameText(const std::vector<std::uint8_t>& frame);
// {"group", "frame" (hex pairs), "result"}.
QJsonObject GroupJson(const ProfileWrite& write, const std::string& result);
// Writes and verifies each group in turn, reporting each; ExitOk, or CliFailure at the first
// group that fails, after the summing up.
int WriteGroups(CliSession& session, const Profile& wanted,
                const std::vector<ProfileWrite>& writes);
