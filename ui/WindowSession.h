#pragma once

// What the window keeps between runs: its size and position and the ports used recently,
// in the application's settings (QSettings under the organisation and application names
// that main() sets, so the file lands where the desktop expects it). A program that names
// no organisation (the tests, the screenshots, the benchmarks) keeps nothing, and every
// control starts as the layout says.

#include <QByteArray>
#include <QStringList>

// True when the application names an organisation to keep settings under.
bool SessionKept();

// The ports opened recently, newest first.
QStringList RecentPorts();
// Puts `name` first among the recent ports, as typed or picked (a /dev/serial/by-id name
// stays that name, so the same adapter is found on another USB socket).
void RememberPort(const QString& name);

QByteArray SavedWindowGeometry();
void SaveWindowGeometry(const QByteArray& geometry);
