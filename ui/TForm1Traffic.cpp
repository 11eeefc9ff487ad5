// What the link does, as rows of the traffic log (in English in every language, like the
// decoded meanings, so that a saved log reads the same to whoever receives it): every frame written
// and chunk received with its meaning and round trip, time-outs, a lost port, chunks dropped under
// a flood, line errors and modem line changes.

#include "traffic/TypedReplyFormatter.h"
#include "ui/TForm1.h"
#include "ui/TrafficDock.h"

#include <QTimer>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The log's names of the line-error flags, in the order their counts are listed.
constexpr std::array<std::pair<std::uint32_t, const char*>, 5> LineErrorNames{{
    {CommErrorFrame, "framing error"},
    {CommErrorParity, "parity error"},
    {CommErrorOverrun, "overrun"},
    {CommErrorRxOver, "receive buffer overflow"},
    {CommErrorBreak, "break"},
}};

} // namespace

void TForm1::ConnectTrafficLog() {
    static const TypedReplyFormatter formatter;
    trafficDock->SetConfigReplyFormatter(&formatter);

    connect(&link, &ModuleLink::FrameSent, this, [this](RequestKind, const QByteArray& frame) {
        trafficDock->AppendSent(frame);
        awaitingReply = true;
        droppedSeen = link.Comm1.DroppedChunks();
    });
    connect(&link, &ModuleLink::ChunkReceived, this,
            [this](RequestKind, const QByteArray& chunk, const QString&) {
                const std::size_t dropped = link.Comm1.DroppedChunks();
                if (dropped > droppedSeen)
                    trafficDock->Model().AppendDropped(
                        static_cast<int>(std::min<std::size_t>(dropped - droppedSeen, INT_MAX)));
                droppedSeen = dropped;
                int roundTrip = -1;
                if (awaitingReply) {
                    const qint64 ms =
                        std::max<qint64>(0, link.ChunkArrivedMs - link.FrameWrittenMs);
                    roundTrip = static_cast<int>(std::min<qint64>(ms, INT_MAX));
                    awaitingReply = false;
                }
                trafficDock->AppendReceived(chunk, {}, roundTrip, link.ChunkArrivedMs);
            });
    connect(&link, &ModuleLink::TimedOut, this, [this](TimeoutReport) {
        trafficDock->Model().AppendTimeout(link.Timer3->Interval());
        awaitingReply = false;
    });
    connect(&link, &ModuleLink::PortLost, this, [this] {
        trafficDock->Model().AppendPortLost();
        awaitingReply = false;
    });

    // Errors come once per read; those of one turn of the event loop share a row, with
    // their counts: "parity error x3, framing error".
    link.Comm1.OnReceiveError = [this](TComm*, std::uint32_t flags) {
        const bool first =
            std::all_of(lineErrors.begin(), lineErrors.end(), [](int count) { return count == 0; });
        for (std::size_t i = 0; i < LineErrorNames.size(); ++i)
            if ((flags & LineErrorNames[i].first) != 0)
                ++lineErrors[i];
        if (first)
            QTimer::singleShot(0, this, [this] { ReportLineErrors(); });
    };
    link.Comm1.OnModemStateChange = [this](TComm*, std::uint32_t events) {
        if ((events & ModemCarrierChanged) != 0)
            trafficDock->AppendNote(QStringLiteral("carrier detect changed"));
        if ((events & ModemRingIndicator) != 0)
            trafficDock->AppendNote(QStringLiteral("ring"));
    };
}

void TForm1::ReportLineErrors() {
    QStringList parts;
    bool speedOrParity = false;
    for (std::size_t i = 0; i < LineErrorNames.size(); ++i) {
        const int count = std::exchange(lineErrors[i], 0);
        if (count > 0 && (LineErrorNames[i].first & (CommErrorFrame | CommErrorParity)) != 0)
            speedOrParity = true;
        if (count == 1)
            parts << QString::fromLatin1(LineErrorNames[i].second);
        else if (count > 1)
            parts
                << QStringLiteral("%1 x%2").arg(QLatin1String(LineErrorNames[i].second)).arg(count);
    }
    if (!parts.isEmpty())
        trafficDock->AppendNote(parts.join(QStringLiteral(", ")));
    // Framing and parity errors mean the two ends disagree about the line.
    if (speedOrParity)
        ShowLinkStatus(tr("line errors: check speed and parity"));
}
