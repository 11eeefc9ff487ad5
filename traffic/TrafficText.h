#pragma once

#include "traffic/TrafficRow.h"

#include <QByteArray>
#include <QString>

// How the log writes a row's parts, shared by the table, the saved files and the clipboard.

// "51 51 51 23": two upper-case hex digits per byte, one space between.
QString HexPairsText(const QByteArray& bytes);
// Printable ASCII as it is, every other byte as ".".
QString PrintableText(const QByteArray& bytes);
// "TX", "RX", or "" for the notes.
QString DirectionText(TrafficRowKind kind);
// hh:mm:ss.zzz in local time.
QString ClockText(qint64 msecsSinceEpoch);
// Time since the row before: "+1.250".
QString SincePreviousText(qint64 msecs);
// ISO 8601 with milliseconds and the UTC offset: "2026-12-10T02:12:05.123+01:00".
QString IsoTimeText(qint64 msecsSinceEpoch);
// The round trip in ms, or "" when the row has none.
QString RoundTripText(int roundTripMs);
