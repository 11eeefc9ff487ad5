// Sending requests for the pages, and showing what the link tells: decoded answers on the
// pages they belong to, time-outs.

#include "exchange/HexText.h"
#include "ui/Messages.h"
#include "ui/ReplyView.h"
#include "ui/TForm1.h"

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

bool TForm1::Send(RequestKind kind, const FrameResult& frame, Shown shown) {
    if (!FrameReady(frame))
        return false;
    QString text;
    if (shown == Shown::Text)
        text = FrameText(frame.bytes);
    else if (shown == Shown::Hex)
        text = QString::fromStdString(HexDump(frame.bytes));
    SendRequest(kind, frame.bytes, text);
    return true;
}

void TForm1::SendRequest(RequestKind kind, const std::vector<std::uint8_t>& frame,
                         const QString& shown) {
    Edit8->setText(shown);
    link.Send(kind, frame);
}

void TForm1::ShowReply(RequestKind, const DecodedReply& reply) {
    const std::optional<std::string>* error = nullptr;
    if (const auto* link = std::get_if<CommunicationReply>(&reply)) {
        Show(ComboBox13, link->interfaceType);
        Show(ComboBox1, link->instrumentCount);
        if (link->Answered()) {
            hartPage->EnableModuleButtons();
            modbusPage->EnableModuleButtons();
            systemPage->EnableModuleButtons();
        }
        error = &link->error;
    } else if (const auto* system = std::get_if<SystemParameterReply>(&reply)) {
        systemPage->Show(*system);
        modbusPage->ShowOperatingMode(system->operatingMode);
        error = &system->error;
    } else if (const auto* channel = std::get_if<ChannelReply>(&reply)) {
        modbusPage->Show(*channel);
        systemPage->ShowOperatingMode(channel->operatingMode);
        error = &channel->error;
    } else if (const auto* identity = std::get_if<std::optional<HartIdentity>>(&reply)) {
        hartPage->Show(*identity);
    } else if (const auto* values = std::get_if<std::optional<DynamicVariablesReply>>(&reply)) {
        if (*values) {
            hartPage->Show(**values);
            modbusPage->ShowVariables(**values);
        }
    }
    if (error != nullptr && *error)
        ShowErrorReport(this, QString::fromStdString(**error));
}

void TForm1::ShowTimeout(TimeoutReport report) {
    switch (report) {
    case TimeoutReport::Connection:
        ShowMessage(this, "connection time out!");
        break;
    case TimeoutReport::ParameterQuery:
        modbusPage->ShowTimeoutState(QString());
        ShowMessage(this, "parameter query timeout!");
        break;
    case TimeoutReport::Setting:
        modbusPage->ShowTimeoutState(tr("set timeout"));
        ShowMessage(this, "!");
        break;
    case TimeoutReport::None:
    case TimeoutReport::DisplayTest:
        break;
    }
}
