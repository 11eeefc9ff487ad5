#pragma once

#include "exchange/FrameBuffer.h"
#include "link/DecodedReply.h"
#include "link/RequestTable.h"
#include "link/TTimer.h"
#include "serial/TComm.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QSocketNotifier;

// The link to the module: the serial port, the request in flight, the reply-decoding and
// reply time-out timers and the timer that closes the port after a line setting. Callers
// name a request kind; the request table says how its answer is awaited, routed and
// decoded. What happens is told through signals, so a window, a log or a command-line tool
// can follow the same exchange.
class ModuleLink : public QObject {
    Q_OBJECT
public:
    explicit ModuleLink(QObject* parent = nullptr);
    ~ModuleLink() override;

    TComm Comm1;
    TTimer* Timer2 = nullptr; // reply decoding, after the decode delay
    TTimer* Timer3 = nullptr; // reply time-out
    TTimer* Timer4 = nullptr; // closes the port after a command that changes the line
    FrameBuffer frameBuffer;
    RequestKind PendingRequest = RequestKind::None;
    TimeoutReport TimeoutKind = TimeoutReport::None;
    std::string RxText; // the last chunk as text
    bool PortIsOpen = false;
    // When the last frame's final byte left for the line and when the newest chunk arrived
    // (before the receive pause), in ms since the epoch: a log's timestamps and round trip.
    qint64 FrameWrittenMs = 0;
    qint64 ChunkArrivedMs = 0;

    // What the channel decode needs to know before the answer: the instrument type shown
    // (-1 for none).
    std::function<int()> InstrumentType;
    // The decimal separator of the HART variables' texts, as UTF-8 text.
    std::function<std::string()> DecimalSeparator;

    // Writes the frame (a closed port refuses it: the request then times out like an
    // unanswered one) and awaits the answer of `kind`.
    void Send(RequestKind kind, const std::vector<std::uint8_t>& frame);
    // Opens the port with the settings Comm1 holds.
    void OpenPort();
    // Closes the port and, when it was open, tells so; the auto-close is dropped.
    void ClosePort();
    // The port closes AutoCloseMs from now: the module is switching its own line.
    void ScheduleClose();

    void Comm1ReceiveData(const std::uint8_t* buffer, std::uint16_t length);
    void Comm1RequestHangup();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();

signals:
    void FrameSent(RequestKind kind, const QByteArray& frame);
    // A chunk arrived while `kind` was awaited; `shown` is how the exchange shows it.
    void ChunkReceived(RequestKind kind, const QByteArray& chunk, const QString& shown);
    void ReplyDecoded(RequestKind kind, const DecodedReply& reply);
    void TimedOut(TimeoutReport report);
    void PortClosed();
    // The line went away under an open port; it has been closed.
    void PortLost();

private:
    QSocketNotifier* notifier = nullptr;
};
