#pragma once

// Profile files on disk: read with a size bound from regular files only, saved whole or not
// at all, and the module's configuration kept "as found" before a write changes it.

#include "commission/ModuleProfile.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>

// A profile is a few tens of KiB; anything near this is not one.
inline constexpr std::size_t MaxProfileBytes = 1024 * 1024;

// The contents of the regular file `path` of at most `limit` bytes; nullopt with the reason
// in `error` otherwise (a device, a pipe, a folder, a file too large, a read error).
std::optional<std::string> ReadRegularFile(const QString& path, std::string& error,
                                           std::size_t limit = MaxProfileBytes);
// A profile file read and checked (ProfileFromJson); nullopt with the reason in `error`, and
// `fileError` told whether the file itself (rather than its contents) was at fault.
std::optional<Profile> LoadProfileFile(const QString& path, std::string& error, bool& fileError);

// Writes `bytes` to `path` through a temporary file renamed over it, so that a full disk or a
// crash leaves the old file as it was; the system's reason when it cannot.
std::optional<std::string> SaveFileWhole(const QString& path, const std::string& bytes);

// The folder of the configurations kept before a write: "talmire/as-found" in the user's data
// folder (XDG_DATA_HOME, ~/.local/share).
QString AsFoundFolder();
// Saves `profile`, the module as found on `port`, to a new file of the as-found folder named
// by the local time and the port. The file's path, or nullopt with the reason in `error`.
std::optional<QString> SaveAsFound(const Profile& profile, const std::string& port,
                                   std::string& error);
