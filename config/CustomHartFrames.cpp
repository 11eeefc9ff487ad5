// The settings of a custom instrument: its two HART read commands and where each variable
// lies in their answers.
#include "config/ConfigFrames.h"

#include "config/ConfigFrameBuilder.h"
#include "config/ConfigLists.h"
#include "config/InstrumentField.h"
#include "exchange/HexText.h"

namespace {

// The module stores at most this many bytes of a read command.
constexpr std::size_t MaxCommandBytes = 14;

constexpr std::array<ListField, 2> CommandSwitch{{
    {"\"read instrument command 1:\"", ItemCount(CommandSwitchItems)},
    {"\"read instrument command 2:\"", ItemCount(CommandSwitchItems)},
}};

constexpr ListField AddressBits{"\"address bits:\"", ItemCount(AddressBitsItems)};

struct VariableFields {
    ListField source;
    NumberField start;
    ListField length;
};
constexpr std::array<VariableFields, 4> Variables{{
    {{"the instrument command number of \"variable 1:\"", ItemCount(ParsingSourceItems)},
     {"the data start address of \"variable 1:\"", 2},
     {"the data length of \"variable 1:\"", ItemCount(ParsingLengthItems)}},
    {{"the instrument command number of \"variable 2:\"", ItemCount(ParsingSourceItems)},
     {"the data start address of \"variable 2:\"", 2},
     {"the data length of \"variable 2:\"", ItemCount(ParsingLengthItems)}},
    {{"the instrument command number of \"variable 3:\"", ItemCount(ParsingSourceItems)},
     {"the data start address of \"variable 3:\"", 2},
     {"the data length of \"variable 3:\"", ItemCount(ParsingLengthItems)}},
    {{"the instrument command number of \"variable 4:\"", ItemCount(ParsingSourceItems)},
     {"the data start address of \"variable 4:\"", 2},
     {"the data length of \"variable 4:\"", ItemCount(ParsingLengthItems)}},
}};

} // namespace

FrameResult CustomCommandSetting(int instrument, int command, int switchIndex,
                                 std::string_view hexText) {
    if (command != 1 && command != 2) {
        return FrameResult::Refuse("There is no read instrument command " +
                                   std::to_string(command) + ".");
    }
    const HexPairs pairs = ParseHexPairs(hexText, MaxCommandBytes);
    if (const char* refusal = HexPairsRefusal(pairs.status)) {
        return FrameResult::Refuse(refusal);
    }
    const std::size_t count = pairs.bytes.size();
    const std::string countDigits{static_cast<char>('0' + count / 10),
                                  static_cast<char>('0' + count % 10)};
    return ConfigFrameBuilder("QQS#CAMD")
        .IndexDigit(InstrumentField, instrument)
        .Text(command == 1 ? "1:" : "2:")
        .IndexDigit(CommandSwitch[static_cast<std::size_t>(command - 1)], switchIndex)
        .Text("<")
        .Text(countDigits)
        .Text(",")
        .Raw(pairs.bytes)
        .Result();
}

FrameResult ParsingFormatSetting(int instrument, int addressBitsIndex,
                                 const std::array<ParsingVariable, 4>& variables) {
    ConfigFrameBuilder frame("QQS#MDBS");
    frame.IndexDigit(InstrumentField, instrument)
        .Text(":")
        .ItemDigit(AddressBits, addressBitsIndex, '3');
    for (std::size_t k = 0; k < variables.size(); ++k) {
        frame.Text(",")
            .IndexDigit(Variables[k].source, variables[k].sourceIndex)
            .Number(Variables[k].start, variables[k].startText)
            .IndexDigit(Variables[k].length, variables[k].lengthIndex);
    }
    return frame.Text("#").Result();
}
