// The request exchange: sending, the receive path, reply decoding and the three timers.

#include "exchange/HexText.h"
#include "exchange/ReceiveRoute.h"
#include "exchange/RequestCodes.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QThread>

#include <algorithm>

QString TForm1::HexText(const std::vector<std::uint8_t>& bytes) {
    return QString::fromStdString(HexDump(bytes));
}

void TForm1::ClearExchange() {
    Edit8->clear();
    Memo10->clear();
}

bool TForm1::FrameReady(const FrameResult& result) {
    switch (result.failure) {
    case FrameFailure::None:
        return true;
    case FrameFailure::Conversion:
        ShowErrorReport(this, QString::fromStdString(result.message));
        return false;
    case FrameFailure::Refused:
        ShowMessage(this, QString::fromStdString(result.message));
        return false;
    }
    return false;
}

void TForm1::SendRequest(const std::vector<std::uint8_t>& frame, const QString& shown, int code,
                         int kind, ReplyTimeout timeout) {
    Edit8->setText(shown);
    (void)frameBuffer.StoreOutgoing(frame);
    // A closed port refuses the write; the request then times out like an unanswered one.
    if (frame.size() <= UINT16_MAX)
        (void)Comm1.WriteData(frame.data(), static_cast<std::uint16_t>(frame.size()));
    PendingRequest = code;
    TimeoutKind = kind;
    if (timeout == ReplyTimeout::SetInterval)
        Timer3->SetInterval(Timeout::ReplyMs);
    Timer3->SetEnabled(true);
}

void TForm1::Comm1ReceiveData(TComm*, const std::uint8_t* buffer, std::uint16_t length) {
    // The module's reply may still be on its way in pieces; the pause lets it complete.
    QThread::msleep(Timeout::ReceivePauseMs);
    RxText = frameBuffer.StoreChunk(buffer, length);
    const ReceiveRoute route = RouteFor(PendingRequest);
    if (route.hex) {
        const auto received = frameBuffer.Received();
        const auto shown = received.first(std::min(RxText.size(), received.size()));
        Memo10->setPlainText(QString::fromStdString(HexDump(shown)));
    } else {
        Memo10->setPlainText(QString::fromLatin1(RxText.data(), static_cast<int>(RxText.size())));
    }
    Timer3->SetEnabled(false);
    if (route.resetPending)
        PendingRequest = Request::None;
    if (route.timer2 == Timer2Action::Start)
        Timer2->SetEnabled(true);
    else if (route.timer2 == Timer2Action::Stop)
        Timer2->SetEnabled(false);
}

void TForm1::Timer2Timer() {
    Timer2->SetEnabled(false);
    switch (PendingRequest) {
    case Request::HartIdentity:
    case Request::HartDynamicVariables:
        DecodeHartReply();
        break;
    case Request::Communication:
    case Request::SystemParameters:
    case Request::ModbusParameters:
        DecodeConfigurationReply();
        break;
    default:
        break;
    }
}

void TForm1::Timer3Timer() {
    Timer3->SetEnabled(false);
    switch (TimeoutKind) {
    case 1:
        ShowMessage(this, "connection time out!");
        break;
    case 2:
        Label68->setText(QString());
        ShowMessage(this, "parameter query timeout!");
        break;
    case 3:
        Label68->setText("set timeout");
        ShowMessage(this, "!");
        break;
    default:
        break;
    }
}

void TForm1::Timer4Timer() {
    ShutPort();
}
