#pragma once

#include <QStringList>

// Serial devices present on this machine, for the port list: on Linux the stable
// /dev/serial/by-id links, USB and ACM adapters, the on-board ports that exist and the
// simulator's port; empty where the platform has no such directory.
QStringList AvailablePortNames();
