#include "ui/SettingCaptions.h"

#include <QCoreApplication>

#include <array>
#include <string_view>
#include <utility>

namespace {

// A key, or the part of a channel's key after "channel.N.", and its page's caption. "#"
// stands for the one number in the key ("display.#.value").
constexpr std::array<std::pair<std::string_view, const char*>, 27> Captions{{
    {"interface.type", QT_TRANSLATE_NOOP("SettingCaptions", "communication interface type")},
    {"interface.instruments",
     QT_TRANSLATE_NOOP("SettingCaptions", "communication interface type: instruments")},
    {"display.#.value",
     QT_TRANSLATE_NOOP("SettingCaptions", "Display Parameter Configuration %1: value")},
    {"display.#.format",
     QT_TRANSLATE_NOOP("SettingCaptions", "Display Parameter Configuration %1: format")},
    {"operating-mode", QT_TRANSLATE_NOOP("SettingCaptions", "Module operating mode")},
    {"slave-address", QT_TRANSLATE_NOOP("SettingCaptions", "MODBUS Slave Address")},
    {"poll-interval", QT_TRANSLATE_NOOP("SettingCaptions", "instrument communication interval")},
    {"coefficient.mode", QT_TRANSLATE_NOOP("SettingCaptions", "Variable 1 coefficient")},
    {"coefficient.value", QT_TRANSLATE_NOOP("SettingCaptions", "Variable 1 coefficient: value")},
    {"rs232.baud",
     QT_TRANSLATE_NOOP("SettingCaptions", "RS232 Communication Parameter Settings: baud")},
    {"rs232.parity",
     QT_TRANSLATE_NOOP("SettingCaptions", "RS232 Communication Parameter Settings: parity")},
    {"rs485.baud",
     QT_TRANSLATE_NOOP("SettingCaptions", "RS485 Communication Parameter Settings: baud")},
    {"rs485.parity",
     QT_TRANSLATE_NOOP("SettingCaptions", "RS485 Communication Parameter Settings: parity")},
    {"hart.enabled", QT_TRANSLATE_NOOP("SettingCaptions", "enabled")},
    {"hart.mode", QT_TRANSLATE_NOOP("SettingCaptions", "HART mode")},
    {"type", QT_TRANSLATE_NOOP("SettingCaptions", "Instrument type")},
    {"hart.prefix-length", QT_TRANSLATE_NOOP("SettingCaptions", "Prefix length")},
    {"hart.cache-time", QT_TRANSLATE_NOOP("SettingCaptions", "Clear cache time")},
    {"format.current", QT_TRANSLATE_NOOP("SettingCaptions", "current (RTU_ADR)")},
    {"format.variable#", QT_TRANSLATE_NOOP("SettingCaptions", "variable_%1(RTU_ADR)")},
    {"custom.address-bits", QT_TRANSLATE_NOOP("SettingCaptions", "address bits")},
    {"custom.variable#.source",
     QT_TRANSLATE_NOOP("SettingCaptions", "variable %1: instrument command number")},
    {"custom.variable#.start",
     QT_TRANSLATE_NOOP("SettingCaptions", "variable %1: data start address")},
    {"custom.variable#.length", QT_TRANSLATE_NOOP("SettingCaptions", "variable %1: data length")},
    {"custom.command#.enabled", QT_TRANSLATE_NOOP("SettingCaptions", "read instrument command %1")},
    {"custom.command#.bytes",
     QT_TRANSLATE_NOOP("SettingCaptions", "read instrument command %1: bytes")},
    {"custom.command#", QT_TRANSLATE_NOOP("SettingCaptions", "read instrument command %1")},
}};

// The key with its one run of digits replaced by "#", and those digits.
std::pair<std::string, std::string> Pattern(std::string_view key) {
    const std::size_t first = key.find_first_of("0123456789");
    if (first == std::string_view::npos)
        return {std::string(key), {}};
    std::size_t end = first;
    while (end < key.size() && key[end] >= '0' && key[end] <= '9')
        ++end;
    return {std::string(key.substr(0, first)) + "#" + std::string(key.substr(end)),
            std::string(key.substr(first, end - first))};
}

QString Lookup(std::string_view key) {
    // A key named as it is ("rs485.baud") before one with a number in it ("display.2.value").
    for (const auto& [known, caption] : Captions) {
        if (known == key)
            return QCoreApplication::translate("SettingCaptions", caption);
    }
    const auto [pattern, number] = Pattern(key);
    for (const auto& [known, caption] : Captions) {
        if (known == pattern) {
            const QString text = QCoreApplication::translate("SettingCaptions", caption);
            return number.empty() ? text : text.arg(QString::fromStdString(number));
        }
    }
    return {};
}

} // namespace

QString SettingCaption(const std::string& key) {
    constexpr std::string_view channel = "channel.";
    const std::string_view view(key);
    if (view.starts_with(channel)) {
        const std::size_t dot = view.find('.', channel.size());
        if (dot != std::string_view::npos) {
            const QString caption = Lookup(view.substr(dot + 1));
            if (!caption.isEmpty())
                return QCoreApplication::translate("SettingCaptions", "Instrument %1: %2")
                    .arg(QString::fromStdString(
                             std::string(view.substr(channel.size(), dot - channel.size()))),
                         caption);
        }
    }
    const QString caption = Lookup(view);
    return caption.isEmpty() ? QString::fromStdString(key) : caption;
}
