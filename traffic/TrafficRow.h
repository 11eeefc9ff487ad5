#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One row of the traffic log: a frame written, a chunk received, or a note about the line.
enum class TrafficRowKind {
    Sent,     // TX: a frame written
    Received, // RX: a chunk delivered by the serial component
    Dropped,  // chunks the serial component dropped under a flood
    Timeout,  // no reply within the request's time-out
    PortLost, // the port went away
    Note,     // any other remark
};

struct TrafficRow {
    qint64 msecsSinceEpoch = 0; // when it happened, UTC
    TrafficRowKind kind = TrafficRowKind::Note;
    QByteArray bytes;
    QString meaning;
    int roundTripMs = -1; // on the first chunk of a reply only; -1 otherwise
};
