// The channel settings of one instrument on the MODBUS tab: HART link, register formats,
// and the coefficient of variable 1.
#include "config/ConfigFrames.h"

#include "config/ConfigFrameBuilder.h"
#include "config/ConfigLists.h"
#include "config/InstrumentField.h"

namespace {

constexpr ListField Enabled{"\"enabled:\"", ItemCount(HartEnabledItems)};
constexpr ListField HartMode{"\"HART mode:\"", ItemCount(HartLinkModeItems)};
constexpr ListField InstrumentType{"\"Instrument type:\"", ItemCount(InstrumentTypeItems)};
constexpr ListField PrefixLength{"\"Prefix length:\"", ItemCount(PrefixLengthItems)};
constexpr NumberField CacheTime{"\"Clear cache time:\"", 3};

// The current can only be an IEEE 754 value (two byte orders), the variables also an
// unsigned 32-bit integer (four formats).
constexpr std::array<ListField, 5> Formats{{
    {"the data format of \"current (RTU_ADR)\"", ItemCount(CurrentFormatItems)},
    {"the data format of \"variable_1(RTU_ADR)\"", ItemCount(VariableFormatItems)},
    {"the data format of \"variable_2(RTU_ADR)\"", ItemCount(VariableFormatItems)},
    {"the data format of \"variable_3(RTU_ADR)\"", ItemCount(VariableFormatItems)},
    {"the data format of \"variable_4(RTU_ADR)\"", ItemCount(VariableFormatItems)},
}};

constexpr ListField CoefficientMode{"the mode of \"Variable 1 coefficient\"",
                                    ItemCount(CoefficientModeItems)};
constexpr std::string_view CoefficientName = "\"coefficient\"";
constexpr std::size_t CoefficientLength = 5;

} // namespace

FrameResult HartSetting(int instrument, int enabledIndex, int hartModeIndex, int typeIndex,
                        int prefixIndex, std::string_view cacheTimeText) {
    return ConfigFrameBuilder("QQS#HART")
        .IndexDigit(InstrumentField, instrument)
        .Text(":")
        .IndexDigit(Enabled, enabledIndex)
        .Text(",")
        .IndexDigit(HartMode, hartModeIndex)
        .Text(",")
        .TwoDigitIndex(InstrumentType, typeIndex)
        .Text(",")
        .ItemDigit(PrefixLength, prefixIndex, '4')
        .Text(",")
        .Number(CacheTime, cacheTimeText)
        .Text("#")
        .Result();
}

FrameResult DataFormatSetting(int instrument, const std::array<int, 5>& formatIndices) {
    ConfigFrameBuilder frame("QQS#DFOT");
    frame.IndexDigit(InstrumentField, instrument).Text(":");
    for (std::size_t i = 0; i < Formats.size(); ++i) {
        frame.IndexDigit(Formats[i], formatIndices[i]);
    }
    return frame.Text("#").Result();
}

FrameResult CoefficientSetting(int modeIndex, std::string_view coefficient) {
    ConfigFrameBuilder frame("QQS#FMW:");
    frame.IndexDigit(CoefficientMode, modeIndex).Text(",");
    // Exactly five characters go out, as typed; the module reads them as they stand, so a
    // shorter text cannot be padded or sent short, and only printable ASCII is safe to send.
    if (coefficient.size() < CoefficientLength) {
        frame.Refuse(std::string(CoefficientName) + " needs five characters, such as 0.001.");
    }
    const std::string_view sent = coefficient.substr(0, CoefficientLength);
    for (const char c : sent) {
        if (c < 0x20 || c > 0x7E) {
            frame.Refuse(std::string(CoefficientName) +
                         " may only hold digits, letters and signs of plain ASCII.");
        }
    }
    return frame.Text(sent).Text("#").Result();
}
