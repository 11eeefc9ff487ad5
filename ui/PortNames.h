#pragma once

#include <QStringList>

// Serial devices present on this machine, for the port list: on Linux the stable
// /dev/serial/by-id links, USB and ACM adapters, the on-board ports that exist and the
// simulator's port; empty where the platform has no such directory.
QStringList AvailablePortNames();

// The items of the port list: "COM1" to "COM12", then the ports used recently that are not
// among them (newest first), then the ports found that are neither.
QStringList PortListItems(const QStringList& recent, const QStringList& found);

// The file a port name stands for: "COMn" is /dev/ttyS(n-1) on Linux, any other name is
// its own path.
QString PortDevicePath(const QString& name);
