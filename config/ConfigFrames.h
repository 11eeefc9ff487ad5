#pragma once

#include "exchange/FrameResult.h"

#include <array>
#include <string_view>

// The module's ASCII configuration requests. Queries start "QQQ#", settings "QQS#", the
// display tests "PPPPPP#"; no length, checksum or line ending follows.
//
// Every builder takes what the window's controls hold: a list as the index of the item it
// displays (-1 when it displays none), a number field as its text, a text field as typed.
// A list without a displayed item, an index past the list's items, or a number outside the
// digits of its field is refused with a message naming the field as the window labels it;
// a number field that holds no integer fails with the conversion message
// "'<text>' is not a valid integer value". Either way no frame is built.

// "QQQ#QV#": is the module there, which interface and how many instruments.
FrameResult CommunicationQuery();
// "QQQ#QX#": the settings of the "system parameters" tab.
FrameResult SystemParameterQuery();
// "QQQ#QQ" i "#": the channel settings of instrument i ("Instrument Number:" index).
FrameResult ModbusParameterQuery(int instrument);

// "QQS#BA1:" b p "#": speed and parity of the module's RS232 side.
FrameResult Rs232Setting(int baudIndex, int parityIndex);
// "QQS#BA2:" b p "#": speed and parity of the module's RS485 side.
FrameResult Rs485Setting(int baudIndex, int parityIndex);
// "QQS#MD:" m "#": transparent (0) or MODBUS single instrument (1) operation.
FrameResult OperatingModeSetting(int modeIndex);
// "QQS#ADR:" ddd "#": the module's MODBUS slave address, 0 to 999.
FrameResult SlaveAddressSetting(std::string_view text);
// "QQS#JTM:" ddd "#": the instrument polling interval in 10 ms units, 0 to 999.
FrameResult IntervalSetting(std::string_view text);
// "QQS#RESET#": back to the module's initial parameters.
FrameResult ResetSetting();
// "QQS#YB:" t c "#": interface type and instrument count.
FrameResult InterfaceSetting(int typeIndex, int countIndex);

// "QQS#HART" i ":" e "," h "," tt "," p "," sss "#": how the module talks HART to instrument
// i; tt is the instrument type as two digits, p the prefix length's own digit ("4".."9"),
// sss the cache clear time in seconds (0 to 999).
FrameResult HartSetting(int instrument, int enabledIndex, int hartModeIndex, int typeIndex,
                        int prefixIndex, std::string_view cacheTimeText);
// "QQS#DFOT" i ":" fffff "#": register formats of the current and variables 1 to 4.
FrameResult DataFormatSetting(int instrument, const std::array<int, 5>& formatIndices);
// "QQS#FMW:" m "," ccccc "#": the coefficient of variable 1, its first five characters as
// typed. A shorter text, or one with a character outside printable ASCII among those five,
// is refused.
FrameResult CoefficientSetting(int modeIndex, std::string_view coefficient);
// "QQS#CAMD" i c ":" s "<" nn "," and n raw bytes, no terminator: read command c (1 or 2) of
// a custom instrument, typed as hex pairs ("01 02 0A", at most 14 are sent). A text without
// a pair or with a separator that is not a space is refused with "NO SPACK", a digit that
// is not upper-case hex with "Data eeore!".
FrameResult CustomCommandSetting(int instrument, int command, int switchIndex,
                                 std::string_view hexText);

// Where one variable of a custom instrument lies in the answer to a read command.
struct ParsingVariable {
    int sourceIndex;            // 0 not parsed, 1 or 2: read command 1 or 2
    std::string_view startText; // data start address, 0 to 99
    int lengthIndex;            // 0: 4 bytes, 1: 8 bytes
};
// "QQS#MDBS" i ":" a and for each variable "," r dd l, then "#"; a is the address bits'
// own digit ("3".."9").
FrameResult ParsingFormatSetting(int instrument, int addressBitsIndex,
                                 const std::array<ParsingVariable, 4>& variables);

// "QQS#DPS" k ":" vv "," f "#": what digit group k (1 to 4) of the module's display shows
// and as float (0) or integer (1).
FrameResult DisplaySetting(int group, int valueIndex, int formatIndex);
// "PPPPPP#QA#" (which 1) or "PPPPPP#QB#" (which 2): the display's self tests.
FrameResult DisplayTest(int which);
