// The MODBUS read test and the offline IEEE 754 calculator.

#include "exchange/RequestCodes.h"
#include "tools/Ieee754Calculator.h"
#include "tools/ModbusTest.h"
#include "ui/Messages.h"
#include "ui/TForm1.h"

#include <QLocale>

void TForm1::Button4Click() {
    ClearExchange();
    const FrameResult frame = ModbusReadRequest(
        Edit18->text().toStdString(), Edit19->text().toStdString(), Edit20->text().toStdString());
    if (!FrameReady(frame))
        return;
    SendRequest(frame.bytes, HexText(frame.bytes), Request::ModbusTest, Timeout::Connection);
}

void TForm1::Button13Click() {
    // The locale's separator as text: in some locales it is not one Latin-1 character.
    const QString point = QLocale().decimalPoint();
    const std::string separator = point.isEmpty() ? std::string(".") : point.toStdString();
    const Ieee754Result result = CalculateIeee754(Edit7->text().toStdString(), separator, 4);
    if (result.status != Ieee754Status::Ok) {
        ShowMessage(this, QString::fromStdString(result.message));
        return;
    }
    Edit22->setText(QString::fromStdString(result.text));
}
