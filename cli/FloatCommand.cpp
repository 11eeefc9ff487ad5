// float: the IEEE 754 calculator from a shell, both ways.

#include "cli/Commands.h"
#include "exchange/HexText.h"
#include "tools/Ieee754Calculator.h"

#include <QJsonObject>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

// Four bytes as a shell types them, "41200000", "0x41200000" or "41 20 00 00", in either
// case, as the calculator's four spaced pairs in capitals. Fewer or more bytes are refused
// here: the calculator would fill a short input with zeros.
std::string FloatBytesTyped(const QString& typed) {
    QString text = typed.trimmed().toUpper();
    if (text.startsWith("0X")) {
        text = text.mid(2);
    }
    const QStringList words = text.split(' ', Qt::SkipEmptyParts);
    QString digits = words.join(QString());
    const bool pairs =
        words.size() == 1 || std::all_of(words.begin(), words.end(),
                                         [](const QString& word) { return word.size() == 2; });
    if (!pairs || digits.size() != 8) {
        throw CliFailure(ExitUsage, "four bytes in hex: 41200000, 0x41200000 or \"41 20 00 00\"");
    }
    for (int at = 6; at > 0; at -= 2) {
        digits.insert(at, ' ');
    }
    return digits.toStdString();
}

} // namespace

int RunFloat(CommandContext& c) {
    if (c.parser.isSet("value") == !c.arguments.isEmpty()) {
        throw CliFailure(ExitUsage, "give either HEX or --value X");
    }
    if (c.arguments.isEmpty()) {
        bool ok = false;
        const float value = c.parser.value("value").toFloat(&ok);
        if (!ok) {
            throw CliFailure(ExitUsage, "--value must be a number");
        }
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
        const std::array<std::uint8_t, 4> bytes{
            static_cast<std::uint8_t>(bits >> 24), static_cast<std::uint8_t>(bits >> 16),
            static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits)};
        const QString hex = QString::fromStdString(HexDump(bytes)).trimmed();
        c.session.Print(QJsonObject{{"hex", hex}, {"value", static_cast<double>(value)}},
                        hex.toStdString() + "\n");
        return ExitOk;
    }
    const Ieee754Result result = CalculateIeee754(FloatBytesTyped(c.arguments[0]), ".", 4);
    if (result.status != Ieee754Status::Ok) {
        throw CliFailure(ExitUsage, result.message);
    }
    std::uint32_t bits = 0;
    for (const std::uint8_t byte : result.bytes) {
        bits = (bits << 8) | byte;
    }
    const double number = std::bit_cast<float>(bits);
    c.session.Print(QJsonObject{{"hex", QString::fromStdString(HexDump(result.bytes)).trimmed()},
                                {"value", std::isfinite(number) ? QJsonValue(number)
                                                                : QJsonValue(QJsonValue::Null)}},
                    result.text + "\n");
    return ExitOk;
}
