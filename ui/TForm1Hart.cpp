// The transparent-mode page: HART master requests and the decoding of the instrument's
// replies.

#include "exchange/RequestCodes.h"
#include "hart/HartFrames.h"
#include "hart/HartReplies.h"
#include "ui/TForm1.h"

#include <QLocale>

namespace {
std::string Std(const QLineEdit* edit) {
    return edit->text().toStdString();
}
std::string DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? std::string(".") : point.toStdString();
}
} // namespace

void TForm1::Button7Click() {
    ClearExchange();
    for (QLineEdit* edit : {Edit28, Edit29, Edit31, Edit32})
        edit->clear();
    const int address = ComboBox30->ListValue();
    const FrameResult frame = HartIdentityQuery(Std(Edit9), ComboBox42->ListValue(), address);
    if (!FrameReady(frame))
        return;
    frameBuffer[FrameBuffer::PollAddressIndex] = static_cast<std::uint8_t>(address);
    SendRequest(frame.bytes, HexText(frame.bytes), Request::HartIdentity, Timeout::Setting,
                ReplyTimeout::EnableOnly);
}

void TForm1::Button16Click() {
    ClearExchange();
    const FrameResult frame =
        HartDynamicVariablesQuery(Std(Edit9), ComboBox42->ListValue(), hartIdentity);
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::HartDynamicVariables, Timeout::Setting,
                ReplyTimeout::EnableOnly);
}

void TForm1::Button14Click() {
    Comm1.SetRtsControl(TRtsControl::RtsEnable);
    ClearExchange();
    const FrameResult frame = HartWriteAddress(Std(Edit9), ComboBox42->ListValue(), hartIdentity,
                                               ComboBox27->ListValue());
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::HartWriteAddress, Timeout::Setting);
}

void TForm1::Button20Click() {
    ClearExchange();
    const FrameResult frame = HartManualFrame(Std(Edit9), Std(Edit10));
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::HartManual, Timeout::Setting,
                ReplyTimeout::EnableOnly);
}

void TForm1::ComboBox30Change() {
    const int address = ComboBox30->ListValue();
    ComboBox41->SetItemIndex(address);
    const int instrument = ComboBox41->ItemIndex();
    if (instrument < 0 || instrument > 8)
        return;
    const int base = 40001 + 10 * instrument;
    QLabel* labels[] = {Label19, Label24, Label27, Label28, Label29};
    for (int i = 0; i < 5; ++i)
        labels[i]->setText(QString::number(base + 2 * i));
}

void TForm1::DecodeHartReply() {
    const int request = PendingRequest;
    PendingRequest = Request::None;
    Timer3->SetEnabled(false);
    const auto received = frameBuffer.Received();
    const auto chunk = received.first(std::min(RxText.size(), received.size()));
    if (request == Request::HartIdentity) {
        const auto identity = DecodeIdentityReply(chunk);
        if (!identity) {
            for (QLineEdit* edit : {Edit28, Edit29, Edit31, Edit32})
                edit->clear();
            return;
        }
        hartIdentity = *identity;
        frameBuffer[FrameBuffer::DeviceTypeIndex] = identity->deviceType;
        for (std::size_t i = 0; i < 3; ++i)
            frameBuffer[FrameBuffer::DeviceIdIndex + i] = identity->deviceId[i];
        Edit28->setText(QString::number(identity->manufacturerId));
        Edit29->setText(QString::number(identity->deviceType));
        Edit31->setText(QString::number(identity->preambleCount));
        ComboBox27->SetItemIndex(frameBuffer[FrameBuffer::PollAddressIndex]);
        const unsigned id =
            identity->deviceId[0] * 65536u + identity->deviceId[1] * 256u + identity->deviceId[2];
        Edit32->setText(QString::number(id));
        return;
    }
    const auto reply = DecodeDynamicVariablesReply(chunk, DecimalSeparator());
    if (!reply)
        return;
    QLineEdit* edits[] = {Edit25, Edit26, Edit27, Edit30};
    QLabel* labels[] = {HLabel2, HLabel3, HLabel4, HLabel5};
    TComboBox* units[] = {ComboBox3, ComboBox31, ComboBox32, ComboBox33};
    for (std::size_t i = 0; i < reply->variables.size() && i < 4; ++i) {
        edits[i]->setText(QString::fromStdString(reply->variables[i].text));
        labels[i]->setText(edits[i]->text());
        units[i]->SetItemIndex(reply->variables[i].unitIndex);
    }
}
