#pragma once

// The items of every list whose index a configuration frame carries, in the order the
// module numbers them. The window fills its lists from here, and the frame builders take
// their item counts from here, so a list and the range its frame accepts cannot part.

#include <array>
#include <string_view>

using ItemText = std::string_view;

template <std::size_t N> constexpr int ItemCount(const std::array<ItemText, N>&) {
    return static_cast<int>(N);
}

inline constexpr std::array<ItemText, 3> InterfaceTypeItems{"RS232", "RS485", "RS485 + RS232"};
inline constexpr std::array<ItemText, 3> InstrumentCountItems{"1 instrument", "4 instrument",
                                                              "8 instrument"};
inline constexpr std::array<ItemText, 5> Rs232BaudItems{"1200", "2400", "4800", "9600", "19200"};
inline constexpr std::array<ItemText, 7> Rs485BaudItems{"1200",  "2400",  "4800", "9600",
                                                        "19200", "38400", "57600"};
inline constexpr std::array<ItemText, 3> ParityItems{"None", "Odd", "Even"};
inline constexpr std::array<ItemText, 2> OperatingModeItems{
    "Transparent Operating Mode", "MODBUS single instrument operating mode"};

// What a digit group of the display shows: off, or variables 1 to 7 by their registers.
inline constexpr std::array<ItemText, 8> DisplayValueItems{"XS_OFF",
                                                           "variable 1(40003)",
                                                           "variable 2(40005)",
                                                           "variable 3(40007)",
                                                           "variable 4(40009)",
                                                           "variable 5(40011)",
                                                           "variable 6(40013)",
                                                           "variable 7(40015)"};
inline constexpr std::array<ItemText, 2> DisplayFormatItems{"0 float", "1 int"};

// "Instrument Number:", instruments 0 to 8.
inline constexpr std::array<ItemText, 9> InstrumentNumberItems{"0", "1", "2", "3", "4",
                                                               "5", "6", "7", "8"};
inline constexpr std::array<ItemText, 2> HartEnabledItems{"Close", "open"};
inline constexpr std::array<ItemText, 2> HartLinkModeItems{"sub-master devices", "master devices"};
inline constexpr std::array<ItemText, 16> InstrumentTypeItems{"0)custom instruments",
                                                              "1)general instruments",
                                                              "2)KROHEN_IFC070",
                                                              "3)KROHEN_IFC300",
                                                              "4)KROHEN_IFC090",
                                                              "5)Siemens_MG500",
                                                              "6)Siemens_FUS010(FUS060)",
                                                              "7)Siemens_MASS600",
                                                              "8)ABB_FIX100",
                                                              "9)ABB_FMT200",
                                                              "10)MP3",
                                                              "11)HT56",
                                                              "12)F56",
                                                              "13)3051AMV",
                                                              "14)SIERRA",
                                                              "15)Yokogawa"};
// The prefix length's own digit, "4" to "9".
inline constexpr std::array<ItemText, 6> PrefixLengthItems{"4", "5", "6", "7", "8", "9"};

// Register formats: the current only as IEEE 754, the variables also as unsigned 32-bit.
inline constexpr std::array<ItemText, 2> CurrentFormatItems{"0 IEE754 (FF4 FF3 FF2 FF1)",
                                                            "1 IEE754 (FF2 FF1 FF4 FF3)"};
inline constexpr std::array<ItemText, 4> VariableFormatItems{
    "0 IEE754 (FF4 FF3 FF2 FF1)", "1 IEE754 (FF2 FF1 FF4 FF3)", "2 Uint32 (FF4 FF3 FF2 FF1)",
    "3 Uint32 (FF2 FF1 FF4 FF3)"};
inline constexpr std::array<ItemText, 4> CoefficientModeItems{
    "0 close", "1 M3/S-->M3/H", "2 variable 1 coefficient",
    "3 Variable 1 coefficient*100 rounded to the nearest integer"};

// A custom instrument's read commands and where its variables lie in their answers.
inline constexpr std::array<ItemText, 2> CommandSwitchItems{"0 close", "1 open"};
inline constexpr std::array<ItemText, 3> ParsingSourceItems{
    "0 Not analytic", "1 read instrument command 1", "2 read instrument command 2"};
inline constexpr std::array<ItemText, 2> ParsingLengthItems{"4 byte", "8 byte"};
// The address bits' own digit, "3" to "9".
inline constexpr std::array<ItemText, 7> AddressBitsItems{"3", "4", "5", "6", "7", "8", "9"};
