// The link queries and the settings of the "system parameters" tab.
#include "config/ConfigFrames.h"

#include "config/ConfigFrameBuilder.h"
#include "config/ConfigLists.h"
#include "config/InstrumentField.h"

namespace {

constexpr ListField Rs232Baud{"\"baud:\" (RS232)", ItemCount(Rs232BaudItems)};
constexpr ListField Rs232Parity{"\"parity:\" (RS232)", ItemCount(ParityItems)};
constexpr ListField Rs485Baud{"\"baud:\" (RS485)", ItemCount(Rs485BaudItems)};
constexpr ListField Rs485Parity{"\"parity:\" (RS485)", ItemCount(ParityItems)};
constexpr ListField OperatingMode{"\"Module operating mode\"", ItemCount(OperatingModeItems)};
constexpr NumberField SlaveAddress{"\"MODBUS Slave Address:\"", 3};
constexpr NumberField Interval{"\"instrument communication interval:\"", 3};
constexpr ListField InterfaceType{"\"communication interface type:\"",
                                  ItemCount(InterfaceTypeItems)};
constexpr ListField InstrumentCount{"the number of instruments (right of \"+\")",
                                    ItemCount(InstrumentCountItems)};

} // namespace

FrameResult CommunicationQuery() {
    return FrameResult::Text("QQQ#QV#");
}

FrameResult SystemParameterQuery() {
    return FrameResult::Text("QQQ#QX#");
}

FrameResult ModbusParameterQuery(int instrument) {
    return ConfigFrameBuilder("QQQ#QQ").IndexDigit(InstrumentField, instrument).Text("#").Result();
}

FrameResult Rs232Setting(int baudIndex, int parityIndex) {
    return ConfigFrameBuilder("QQS#BA1:")
        .IndexDigit(Rs232Baud, baudIndex)
        .IndexDigit(Rs232Parity, parityIndex)
        .Text("#")
        .Result();
}

FrameResult Rs485Setting(int baudIndex, int parityIndex) {
    return ConfigFrameBuilder("QQS#BA2:")
        .IndexDigit(Rs485Baud, baudIndex)
        .IndexDigit(Rs485Parity, parityIndex)
        .Text("#")
        .Result();
}

FrameResult OperatingModeSetting(int modeIndex) {
    return ConfigFrameBuilder("QQS#MD:").IndexDigit(OperatingMode, modeIndex).Text("#").Result();
}

FrameResult SlaveAddressSetting(std::string_view text) {
    return ConfigFrameBuilder("QQS#ADR:").Number(SlaveAddress, text).Text("#").Result();
}

FrameResult IntervalSetting(std::string_view text) {
    return ConfigFrameBuilder("QQS#JTM:").Number(Interval, text).Text("#").Result();
}

FrameResult ResetSetting() {
    return FrameResult::Text("QQS#RESET#");
}

FrameResult InterfaceSetting(int typeIndex, int countIndex) {
    return ConfigFrameBuilder("QQS#YB:")
        .IndexDigit(InterfaceType, typeIndex)
        .IndexDigit(InstrumentCount, countIndex)
        .Text("#")
        .Result();
}
