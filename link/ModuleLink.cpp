#include "link/ModuleLink.h"

#include "exchange/HexText.h"

#include <QDateTime>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>

ModuleLink::ModuleLink(QObject* parent) : QObject(parent) {
    Comm1.SetCommName("COM2");
    Comm1.SetBaudRate(9600);
    Comm1.SetDtrControl(TDtrControl::DtrDisable);
    Comm1.SetRtsControl(TRtsControl::RtsDisable);
    Comm1.SetOutx_XonXoffFlow(false);
    Comm1.SetInx_XonXoffFlow(false);
    Comm1.SetReadIntervalTimeout(100);
    // Each chunk costs the receive path a pause; a peer that never pauses would otherwise
    // pile up chunks without end. Only the newest ones matter, as each chunk replaces the
    // one before it.
    Comm1.SetMaxQueuedChunks(2);
    Timer2 = new TTimer("Timer2", LinkTiming::DecodeDelayMs, false, this);
    Timer3 = new TTimer("Timer3", LinkTiming::InitialReplyMs, false, this);
    Timer4 = new TTimer("Timer4", 1000, false, this);
    Timer2->OnTimer = [this] { Timer2Timer(); };
    Timer3->OnTimer = [this] { Timer3Timer(); };
    Timer4->OnTimer = [this] { Timer4Timer(); };
    Comm1.OnReceiveData = [this](TComm*, const std::uint8_t* buffer, std::uint16_t length) {
        Comm1ReceiveData(buffer, length);
    };
    Comm1.OnRequestHangup = [this](TComm*) { Comm1RequestHangup(); };
    Comm1.OnSendDataEmpty = [this](TComm*) {
        FrameWrittenMs = QDateTime::currentMSecsSinceEpoch();
    };
#if defined(Q_OS_UNIX)
    // One notification per turn of the event loop, so painting and input go on between
    // chunks even while a peer floods the line.
    notifier = new QSocketNotifier(Comm1.NotificationDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this,
            [this] { Comm1.DispatchNotifications(1); });
#endif
}

ModuleLink::~ModuleLink() {
    Comm1.OnReceiveData = nullptr;
    Comm1.OnRequestHangup = nullptr;
    Comm1.OnSendDataEmpty = nullptr;
    Comm1.ClosePort();
}

void ModuleLink::Send(RequestKind kind, const std::vector<std::uint8_t>& frame) {
    // Replaced by the moment the writer empties its queue, when it does.
    FrameWrittenMs = QDateTime::currentMSecsSinceEpoch();
    if (frame.size() <= UINT16_MAX)
        (void)Comm1.WriteData(frame.data(), static_cast<std::uint16_t>(frame.size()));
    const RequestRule& rule = RuleOf(kind);
    PendingRequest = kind;
    TimeoutKind = rule.timeout;
    if (rule.timeoutStart == TimeoutStart::FreshInterval)
        Timer3->SetInterval(LinkTiming::ReplyMs);
    Timer3->SetEnabled(true);
    emit FrameSent(kind, QByteArray(reinterpret_cast<const char*>(frame.data()),
                                    static_cast<qsizetype>(frame.size())));
}

void ModuleLink::OpenPort() {
    Comm1.OpenPort();
    PortIsOpen = true;
}

void ModuleLink::ClosePort() {
    Timer4->SetEnabled(false);
    // Only a port that was open is told closed: closing first before an opening (which may
    // then fail) leaves whoever follows the port as they were.
    const bool wasOpen = PortIsOpen || Comm1.IsOpen();
    PortIsOpen = false;
    Comm1.ClosePort();
    if (wasOpen)
        emit PortClosed();
}

void ModuleLink::ScheduleClose() {
    Timer4->SetInterval(LinkTiming::AutoCloseMs);
    Timer4->SetEnabled(true);
}

void ModuleLink::Comm1ReceiveData(const std::uint8_t* buffer, std::uint16_t length) {
    ChunkArrivedMs = QDateTime::currentMSecsSinceEpoch();
    QThread::msleep(LinkTiming::ReceivePauseMs);
    RxText = frameBuffer.StoreChunk(buffer, length);
    const RequestKind kind = PendingRequest;
    const ReceiveRoute route = RuleOf(kind).route;
    QString shown;
    if (route.hex) {
        const auto received = frameBuffer.Received();
        shown = QString::fromStdString(
            HexDump(received.first(std::min(RxText.size(), received.size()))));
    } else {
        shown = QString::fromLatin1(RxText.data(), static_cast<qsizetype>(RxText.size()));
    }
    emit ChunkReceived(kind, QByteArray(reinterpret_cast<const char*>(buffer), length), shown);
    Timer3->SetEnabled(false);
    if (route.resetPending)
        PendingRequest = RequestKind::None;
    if (route.decode == DecodeAction::Start)
        Timer2->SetEnabled(true);
    else if (route.decode == DecodeAction::Stop)
        Timer2->SetEnabled(false);
}

void ModuleLink::Comm1RequestHangup() {
    // The line went away under an open port (an unplugged adapter): close it as the
    // "close" button does, so nobody claims a port that is gone.
    if (!PortIsOpen && !Comm1.IsOpen())
        return;
    ClosePort();
    emit PortLost();
}

void ModuleLink::Timer2Timer() {
    Timer2->SetEnabled(false);
    const RequestKind kind = PendingRequest;
    const RequestRule& rule = RuleOf(kind);
    const auto received = frameBuffer.Received();
    const auto chunk = received.first(std::min(RxText.size(), received.size()));
    DecodedReply reply;
    switch (rule.decoder) {
    case ReplyDecoder::None:
        return;
    case ReplyDecoder::HartIdentity:
    case ReplyDecoder::HartDynamicVariables:
        PendingRequest = RequestKind::None;
        Timer3->SetEnabled(false);
        if (rule.decoder == ReplyDecoder::HartIdentity)
            reply = DecodeIdentityReply(chunk);
        else
            reply = DecodeDynamicVariablesReply(chunk, DecimalSeparator ? DecimalSeparator()
                                                                        : std::string("."));
        break;
    case ReplyDecoder::Communication:
        reply = DecodeCommunicationReply(RxText);
        break;
    case ReplyDecoder::SystemParameters:
        reply = DecodeSystemParameterReply(RxText);
        break;
    case ReplyDecoder::ChannelParameters:
        reply = DecodeChannelReply(RxText, InstrumentType ? InstrumentType() : -1);
        break;
    }
    if (rule.decodeEndsRequest) {
        PendingRequest = RequestKind::None;
        TimeoutKind = TimeoutReport::None;
    }
    emit ReplyDecoded(kind, reply);
}

void ModuleLink::Timer3Timer() {
    Timer3->SetEnabled(false);
    emit TimedOut(TimeoutKind);
}

void ModuleLink::Timer4Timer() {
    ClosePort();
}
