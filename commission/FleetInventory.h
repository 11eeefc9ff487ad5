#pragma once

// The inventory of a fleet run: the modules to commission, each with its port, its line, its
// slave address, the profile it must end with and the instruments it must reach.

#include "commission/ModuleProfile.h"
#include "commission/ModuleScans.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// An inventory lists a few hundred modules at most; anything near this is not one.
inline constexpr std::size_t MaxInventoryBytes = 1024 * 1024;
inline constexpr std::size_t MaxFleetModules = 1000;

struct FleetInstrument {
    int address = 0;                // HART polling address, 0-15
    std::optional<std::string> tag; // the tag the instrument should carry
};

struct FleetModule {
    std::string name;
    std::string port;
    std::optional<LineTry> line; // nullopt: find it
    int slave = 1;               // the module's MODBUS slave address
    QString profilePath;         // as resolved against the inventory's folder
    Profile profile;
    std::vector<FleetInstrument> instruments;
};

// The modules of the inventory text `text`, the relative profile paths taken from `folder`;
// nullopt with the reason in `error`, and `fileError` told whether a file (a profile) rather
// than what the inventory holds was at fault.
std::optional<std::vector<FleetModule>> InventoryFromJson(const std::string& text,
                                                          const QString& folder, std::string& error,
                                                          bool& fileError);
// The inventory file `path` read (a regular file of at most MaxInventoryBytes) and checked.
std::optional<std::vector<FleetModule>> LoadInventory(const QString& path, std::string& error,
                                                      bool& fileError);
