// The texts the window translates without a tr() call where they are used: the captions
// of the pages' controls (translated by one pass over the window) and the fixed messages
// of the layers below the window (translated when a message box shows them). lupdate reads
// this file; the window test checks that every caption the window shows is listed here.

#include "ui/Translation.h"

#include <QtGlobal>

namespace {

const char* const Captions[] = {
    QT_TRANSLATE_NOOP("TForm1", "TALMIRE Configuration Software"),
    QT_TRANSLATE_NOOP("TForm1", "V1.4(2021-09-13)"),
    QT_TRANSLATE_NOOP("TForm1", "www.example.com"),
    QT_TRANSLATE_NOOP("TForm1", "TEL:+00 000 0000000"),
    QT_TRANSLATE_NOOP("TForm1", "E-mail:support@example.com"),
    QT_TRANSLATE_NOOP("TForm1", "system parameters"),
    QT_TRANSLATE_NOOP("TForm1", "transparent mode"),
    QT_TRANSLATE_NOOP("TForm1", "MODBUS parameter configuration"),
    QT_TRANSLATE_NOOP("TForm1", "wiring diagram"),
    QT_TRANSLATE_NOOP("TForm1", "Instrument Number:"),
    QT_TRANSLATE_NOOP("TForm1", "enabled:"),
    QT_TRANSLATE_NOOP("TForm1", "HART mode:"),
    QT_TRANSLATE_NOOP("TForm1", "Instrument type:"),
    QT_TRANSLATE_NOOP("TForm1", "Prefix length:"),
    QT_TRANSLATE_NOOP("TForm1", "Clear cache time:"),
    QT_TRANSLATE_NOOP("TForm1", "S"),
    QT_TRANSLATE_NOOP("TForm1", "set"),
    QT_TRANSLATE_NOOP("TForm1", "current (RTU_ADR)"),
    QT_TRANSLATE_NOOP("TForm1", "variable_1(RTU_ADR)"),
    QT_TRANSLATE_NOOP("TForm1", "variable_2(RTU_ADR)"),
    QT_TRANSLATE_NOOP("TForm1", "variable_3(RTU_ADR)"),
    QT_TRANSLATE_NOOP("TForm1", "variable_4(RTU_ADR)"),
    QT_TRANSLATE_NOOP("TForm1", "Custom HART commands and parsing methods"),
    QT_TRANSLATE_NOOP("TForm1", "read instrument command 1:"),
    QT_TRANSLATE_NOOP("TForm1", "read instrument command 2:"),
    QT_TRANSLATE_NOOP("TForm1", "Customize the HART data parsing format"),
    QT_TRANSLATE_NOOP("TForm1", "instrument command number"),
    QT_TRANSLATE_NOOP("TForm1", "data start address"),
    QT_TRANSLATE_NOOP("TForm1", "data length"),
    QT_TRANSLATE_NOOP("TForm1", "variable 1:"),
    QT_TRANSLATE_NOOP("TForm1", "variable 2:"),
    QT_TRANSLATE_NOOP("TForm1", "variable 3:"),
    QT_TRANSLATE_NOOP("TForm1", "variable 4:"),
    QT_TRANSLATE_NOOP("TForm1", "address bits:"),
    QT_TRANSLATE_NOOP("TForm1", "MODBUS Communication Test"),
    QT_TRANSLATE_NOOP("TForm1", "MODBUS slave address:"),
    QT_TRANSLATE_NOOP("TForm1", "data start address:"),
    QT_TRANSLATE_NOOP("TForm1", "data length:"),
    QT_TRANSLATE_NOOP("TForm1", "Module operating mode"),
    QT_TRANSLATE_NOOP("TForm1", "IEE754 Calculation"),
    QT_TRANSLATE_NOOP("TForm1", "data format HEX(FF FF FF FF):"),
    QT_TRANSLATE_NOOP("TForm1", "conversion value:"),
    QT_TRANSLATE_NOOP("TForm1", "Calculate"),
    QT_TRANSLATE_NOOP("TForm1", "Variable 1 coefficient"),
    QT_TRANSLATE_NOOP("TForm1", "coefficient："),
    QT_TRANSLATE_NOOP("TForm1", "MODBUS Parameter Query"),
    QT_TRANSLATE_NOOP("TForm1", "HART address:"),
    QT_TRANSLATE_NOOP("TForm1", "HART command working mode:"),
    QT_TRANSLATE_NOOP("TForm1", "preamble length:"),
    QT_TRANSLATE_NOOP("TForm1", "HART instrument basic parameter"),
    QT_TRANSLATE_NOOP("TForm1", "manufacturing ID:"),
    QT_TRANSLATE_NOOP("TForm1", "sensor type:"),
    QT_TRANSLATE_NOOP("TForm1", "preamble byte count:"),
    QT_TRANSLATE_NOOP("TForm1", "sensor serial number:"),
    QT_TRANSLATE_NOOP("TForm1", "HART instrument parameter query"),
    QT_TRANSLATE_NOOP("TForm1", "universal HART real-time data"),
    QT_TRANSLATE_NOOP("TForm1", "current_variable_1:"),
    QT_TRANSLATE_NOOP("TForm1", "unit:"),
    QT_TRANSLATE_NOOP("TForm1", "current_variable_2:"),
    QT_TRANSLATE_NOOP("TForm1", "current_variable_3:"),
    QT_TRANSLATE_NOOP("TForm1", "current_variable_4:"),
    QT_TRANSLATE_NOOP("TForm1", "General HART command data query"),
    QT_TRANSLATE_NOOP("TForm1", "HART address configuration"),
    QT_TRANSLATE_NOOP("TForm1", "HEX  (76 89 FD AD)"),
    QT_TRANSLATE_NOOP("TForm1", "Manual HART commands:"),
    QT_TRANSLATE_NOOP("TForm1", "send"),
    QT_TRANSLATE_NOOP("TForm1", "(auto generate checksum)"),
    QT_TRANSLATE_NOOP("TForm1", "serial parameters"),
    QT_TRANSLATE_NOOP("TForm1", "serial port:"),
    QT_TRANSLATE_NOOP("TForm1", "baud:"),
    QT_TRANSLATE_NOOP("TForm1", "parity:"),
    QT_TRANSLATE_NOOP("TForm1", "open"),
    QT_TRANSLATE_NOOP("TForm1", "communication query"),
    QT_TRANSLATE_NOOP("TForm1", "communication interface type:"),
    QT_TRANSLATE_NOOP("TForm1", "RS232 Communication Parameter Settings"),
    QT_TRANSLATE_NOOP("TForm1", "RS485 Communication Parameter Settings"),
    QT_TRANSLATE_NOOP("TForm1", "instrument communication interval:"),
    QT_TRANSLATE_NOOP("TForm1", " *10 ms"),
    QT_TRANSLATE_NOOP("TForm1", "Module operating mode:"),
    QT_TRANSLATE_NOOP("TForm1", "MODBUS Slave Address:"),
    QT_TRANSLATE_NOOP(
        "TForm1",
        "check the box when using USB to RS232 interface+RS232 interface to RS485 interface"),
    QT_TRANSLATE_NOOP("TForm1", "COM_RTS"),
    QT_TRANSLATE_NOOP("TForm1", "COM_DTR"),
    QT_TRANSLATE_NOOP("TForm1", "Display Parameter Configuration"),
    QT_TRANSLATE_NOOP("TForm1", "the left four digits of the upper row:"),
    QT_TRANSLATE_NOOP("TForm1", "Save"),
    QT_TRANSLATE_NOOP("TForm1", "the right four digits of the upper row:"),
    QT_TRANSLATE_NOOP("TForm1", "the left four digits of the lower row:"),
    QT_TRANSLATE_NOOP("TForm1", "the right four digits of the lower row:"),
    QT_TRANSLATE_NOOP("TForm1", "Digital tube testing 1"),
    QT_TRANSLATE_NOOP("TForm1", "Digital tube testing 2"),
    QT_TRANSLATE_NOOP("TForm1", "Parameter initialization"),
    QT_TRANSLATE_NOOP("TForm1", "System Parameters"),
    QT_TRANSLATE_NOOP("TForm1", "send buffer:"),
    QT_TRANSLATE_NOOP("TForm1", "Receive Buffer:"),
    QT_TRANSLATE_NOOP("TForm1", "clear buffer"),
};

[[maybe_unused]] const char* const Messages[] = {
    QT_TRANSLATE_NOOP("Messages", "The serial port was lost (unplugged?). It has been closed."),
    QT_TRANSLATE_NOOP("Messages", "connection time out!"),
    QT_TRANSLATE_NOOP("Messages", "parameter query timeout!"),
    QT_TRANSLATE_NOOP("Messages", "Please choose a baud rate above 0 for \"baud:\"."),
    QT_TRANSLATE_NOOP("Messages", "Input data without spaces"),
    QT_TRANSLATE_NOOP("Messages", "There are illegal characters, please re-enter!"),
};

} // namespace

QStringList CataloguedCaptions() {
    QStringList captions;
    for (const char* caption : Captions)
        captions << QString::fromUtf8(caption);
    return captions;
}
