#include "config/ConfigFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string AsText(const FrameResult& result) {
    return {result.bytes.begin(), result.bytes.end()};
}

// A frame built from a window's values: either its exact text, or a failure and message.
struct FrameCase {
    const char* what;
    FrameResult result;
    std::string frame; // expected frame text when `failure` is None
    FrameFailure failure = FrameFailure::None;
    std::string message = {};
};

void ExpectFrames(const std::vector<FrameCase>& cases) {
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.result.failure, c.failure);
        if (c.failure == FrameFailure::None) {
            EXPECT_EQ(AsText(c.result), c.frame);
            EXPECT_TRUE(c.result.message.empty());
        } else {
            EXPECT_TRUE(c.result.bytes.empty()) << "a refused frame carries no bytes";
            EXPECT_EQ(c.result.message, c.message);
        }
    }
}

constexpr auto Refused = FrameFailure::Refused;
constexpr auto Conversion = FrameFailure::Conversion;

const std::array<ParsingVariable, 4> NoVariables{
    {{0, "0", 0}, {0, "0", 0}, {0, "0", 0}, {0, "0", 0}}};

TEST(ConfigFrames, LinkQueriesAndSystemSettings) {
    ExpectFrames({
        {"communication query", CommunicationQuery(), "QQQ#QV#"},
        {"system parameters", SystemParameterQuery(), "QQQ#QX#"},
        {"channel 0", ModbusParameterQuery(0), "QQQ#QQ0#"},
        {"channel 8", ModbusParameterQuery(8), "QQQ#QQ8#"},
        {"RS232 9600 odd", Rs232Setting(3, 1), "QQS#BA1:31#"},
        {"RS232 19200 none", Rs232Setting(4, 0), "QQS#BA1:40#"},
        {"RS485 57600 even", Rs485Setting(6, 2), "QQS#BA2:62#"},
        {"RS485 1200 none", Rs485Setting(0, 0), "QQS#BA2:00#"},
        {"transparent", OperatingModeSetting(0), "QQS#MD:0#"},
        {"MODBUS single", OperatingModeSetting(1), "QQS#MD:1#"},
        {"address 1", SlaveAddressSetting("1"), "QQS#ADR:001#"},
        {"address 5", SlaveAddressSetting("5"), "QQS#ADR:005#"},
        {"address 247", SlaveAddressSetting("247"), "QQS#ADR:247#"},
        {"address 0", SlaveAddressSetting("0"), "QQS#ADR:000#"},
        {"address 999", SlaveAddressSetting("999"), "QQS#ADR:999#"},
        {"address leading zeros", SlaveAddressSetting("007"), "QQS#ADR:007#"},
        {"address with plus sign", SlaveAddressSetting("+12"), "QQS#ADR:012#"},
        {"interval 50", IntervalSetting("50"), "QQS#JTM:050#"},
        {"interval 40", IntervalSetting("40"), "QQS#JTM:040#"},
        {"reset", ResetSetting(), "QQS#RESET#"},
        {"RS485 + RS232 with 8", InterfaceSetting(2, 2), "QQS#YB:22#"},
        {"RS232 with 1", InterfaceSetting(0, 0), "QQS#YB:00#"},
    });
}

TEST(ConfigFrames, ChannelSettings) {
    ExpectFrames({
        {"HART worked example", HartSetting(0, 1, 1, 1, 1, "10"), "QQS#HART0:1,1,01,5,010#"},
        {"HART last type, prefix 9", HartSetting(8, 0, 0, 15, 5, "999"), "QQS#HART8:0,0,15,9,999#"},
        {"HART custom type, prefix 4", HartSetting(3, 1, 0, 0, 0, "0"), "QQS#HART3:1,0,00,4,000#"},
        {"DFOT worked example", DataFormatSetting(2, {0, 0, 3, 0, 0}), "QQS#DFOT2:00300#"},
        {"DFOT mixed", DataFormatSetting(8, {1, 2, 1, 3, 0}), "QQS#DFOT8:12130#"},
        {"FMW default", CoefficientSetting(2, "0.001"), "QQS#FMW:2,0.001#"},
        {"FMW sends five characters", CoefficientSetting(0, "0.0015"), "QQS#FMW:0,0.001#"},
        {"FMW as typed", CoefficientSetting(3, "1E-3x"), "QQS#FMW:3,1E-3x#"},
        {"FMW blanks are sent", CoefficientSetting(1, " 2.5 "), "QQS#FMW:1, 2.5 #"},
    });
}

TEST(ConfigFrames, DisplaySettingsAndTests) {
    ExpectFrames({
        {"group 1 off float", DisplaySetting(1, 0, 0), "QQS#DPS1:00,0#"},
        {"group 2", DisplaySetting(2, 1, 1), "QQS#DPS2:01,1#"},
        {"group 3 variable 7", DisplaySetting(3, 7, 0), "QQS#DPS3:07,0#"},
        {"group 4 variable 2 int", DisplaySetting(4, 2, 1), "QQS#DPS4:02,1#"},
        {"test 1", DisplayTest(1), "PPPPPP#QA#"},
        {"test 2", DisplayTest(2), "PPPPPP#QB#"},
    });
}

TEST(ConfigFrames, ParsingFormat) {
    ExpectFrames({
        {"worked example",
         ParsingFormatSetting(0, 5, {{{1, "3", 0}, {1, "7", 0}, {0, "0", 0}, {0, "0", 0}}}),
         "QQS#MDBS0:8,1030,1070,0000,0000#"},
        {"limits",
         ParsingFormatSetting(8, 6, {{{2, "99", 1}, {2, "0", 1}, {1, "10", 0}, {0, "05", 1}}}),
         "QQS#MDBS8:9,2991,2001,1100,0051#"},
        {"address bits 3", ParsingFormatSetting(4, 0, NoVariables),
         "QQS#MDBS4:3,0000,0000,0000,0000#"},
    });
}

TEST(ConfigFrames, CustomCommandsCarryRawBytes) {
    struct Case {
        const char* what;
        int instrument;
        int command;
        int switchIndex;
        const char* hex;
        Bytes data;
    };
    const std::vector<Case> cases = {
        {"three pairs", 0, 1, 1, "01 02 03", {0x01, 0x02, 0x03}},
        {"trailing space", 0, 1, 1, "01 02 03 ", {0x01, 0x02, 0x03}},
        {"lone last digit ignored", 0, 1, 1, "01 02 0", {0x01, 0x02}},
        {"one pair", 5, 2, 0, "7F", {0x7F}},
        {"extreme bytes", 8, 2, 1, "00 FF", {0x00, 0xFF}},
        {"fifteen pairs send fourteen",
         1,
         1,
         0,
         "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"the fifteenth pair is not checked",
         1,
         1,
         0,
         "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E,zz",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FrameResult result =
            CustomCommandSetting(c.instrument, c.command, c.switchIndex, c.hex);
        ASSERT_TRUE(result.ok()) << result.message;
        const std::string head = "QQS#CAMD" + std::to_string(c.instrument) +
                                 std::to_string(c.command) + ":" + std::to_string(c.switchIndex) +
                                 "<" + (c.data.size() < 10 ? "0" : "") +
                                 std::to_string(c.data.size()) + ",";
        Bytes expected(head.begin(), head.end());
        expected.insert(expected.end(), c.data.begin(), c.data.end());
        EXPECT_EQ(result.bytes, expected);
        EXPECT_EQ(result.bytes.size(), 16 + c.data.size());
    }
    // The worked example byte by byte.
    EXPECT_EQ(CustomCommandSetting(0, 1, 1, "01 02 03").bytes,
              (Bytes{0x51, 0x51, 0x53, 0x23, 0x43, 0x41, 0x4D, 0x44, 0x30, 0x31, 0x3A, 0x31, 0x3C,
                     0x30, 0x33, 0x2C, 0x01, 0x02, 0x03}));
}

TEST(ConfigFrames, CustomCommandTextsRefused) {
    ExpectFrames({
        {"no separators", CustomCommandSetting(0, 1, 1, "010203"), "", Refused, "NO SPACK"},
        {"comma separator", CustomCommandSetting(0, 1, 1, "01,02"), "", Refused, "NO SPACK"},
        {"empty", CustomCommandSetting(0, 1, 1, ""), "", Refused, "NO SPACK"},
        {"one character", CustomCommandSetting(0, 1, 1, "7"), "", Refused, "NO SPACK"},
        {"lower case", CustomCommandSetting(0, 1, 1, "0a 01"), "", Refused, "Data eeore!"},
        {"not hex", CustomCommandSetting(0, 2, 0, "G1"), "", Refused, "Data eeore!"},
        {"bad digit in the last pair", CustomCommandSetting(0, 2, 0, "01 02 0G"), "", Refused,
         "Data eeore!"},
        {"separator checked before digits", CustomCommandSetting(0, 1, 1, "zz-01"), "", Refused,
         "NO SPACK"},
        {"no switch", CustomCommandSetting(0, 1, -1, "01"), "", Refused,
         "Please choose a value for \"read instrument command 1:\"."},
        {"no switch 2", CustomCommandSetting(0, 2, -1, "01"), "", Refused,
         "Please choose a value for \"read instrument command 2:\"."},
        {"no instrument", CustomCommandSetting(-1, 1, 0, "01"), "", Refused,
         "Please choose a value for \"Instrument Number:\"."},
        {"no such command", CustomCommandSetting(0, 3, 0, "01"), "", Refused,
         "There is no read instrument command 3."},
    });
}

// A list that displays no item (-1) or an index past its items is never encoded: the
// frame would otherwise carry "/" or a character past "9".
TEST(ConfigFrames, ListsWithoutAValueAreRefused) {
    auto choose = [](const std::string& field) {
        return "Please choose a value for " + field + ".";
    };
    ExpectFrames({
        {"instrument", ModbusParameterQuery(-1), "", Refused, choose("\"Instrument Number:\"")},
        {"instrument 9", ModbusParameterQuery(9), "", Refused, choose("\"Instrument Number:\"")},
        {"RS232 baud", Rs232Setting(-1, 0), "", Refused, choose("\"baud:\" (RS232)")},
        {"RS232 baud past 19200", Rs232Setting(5, 0), "", Refused, choose("\"baud:\" (RS232)")},
        {"RS232 parity", Rs232Setting(0, 3), "", Refused, choose("\"parity:\" (RS232)")},
        {"RS485 baud", Rs485Setting(7, 0), "", Refused, choose("\"baud:\" (RS485)")},
        {"RS485 parity", Rs485Setting(6, -1), "", Refused, choose("\"parity:\" (RS485)")},
        {"first field wins", Rs485Setting(-1, -1), "", Refused, choose("\"baud:\" (RS485)")},
        {"mode", OperatingModeSetting(-1), "", Refused, choose("\"Module operating mode\"")},
        {"mode 2", OperatingModeSetting(2), "", Refused, choose("\"Module operating mode\"")},
        {"interface type", InterfaceSetting(-1, 0), "", Refused,
         choose("\"communication interface type:\"")},
        {"instrument count", InterfaceSetting(0, 3), "", Refused,
         choose("the number of instruments (right of \"+\")")},
        {"HART instrument", HartSetting(-1, 0, 0, 0, 0, "1"), "", Refused,
         choose("\"Instrument Number:\"")},
        {"HART enabled", HartSetting(0, -1, 0, 0, 0, "1"), "", Refused, choose("\"enabled:\"")},
        {"HART mode", HartSetting(0, 0, 2, 0, 0, "1"), "", Refused, choose("\"HART mode:\"")},
        {"HART type 16", HartSetting(0, 0, 0, 16, 0, "1"), "", Refused,
         choose("\"Instrument type:\"")},
        {"HART prefix", HartSetting(0, 0, 0, 0, -1, "1"), "", Refused,
         choose("\"Prefix length:\"")},
        {"HART prefix past 9", HartSetting(0, 0, 0, 0, 6, "1"), "", Refused,
         choose("\"Prefix length:\"")},
        {"list refused before a bad number", HartSetting(0, 0, 0, -1, 0, "x"), "", Refused,
         choose("\"Instrument type:\"")},
        {"current has two formats", DataFormatSetting(0, {2, 0, 0, 0, 0}), "", Refused,
         choose("the data format of \"current (RTU_ADR)\"")},
        {"variable 3 format", DataFormatSetting(0, {0, 0, 0, -1, 0}), "", Refused,
         choose("the data format of \"variable_3(RTU_ADR)\"")},
        {"variable 4 format", DataFormatSetting(0, {0, 0, 0, 0, 4}), "", Refused,
         choose("the data format of \"variable_4(RTU_ADR)\"")},
        {"coefficient mode", CoefficientSetting(-1, "0.001"), "", Refused,
         choose("the mode of \"Variable 1 coefficient\"")},
        {"address bits", ParsingFormatSetting(0, 7, NoVariables), "", Refused,
         choose("\"address bits:\"")},
        {"variable 2 source",
         ParsingFormatSetting(0, 0, {{{0, "0", 0}, {3, "0", 0}, {0, "0", 0}, {0, "0", 0}}}), "",
         Refused, choose("the instrument command number of \"variable 2:\"")},
        {"variable 4 length",
         ParsingFormatSetting(0, 0, {{{0, "0", 0}, {0, "0", 0}, {0, "0", 0}, {0, "0", -1}}}), "",
         Refused, choose("the data length of \"variable 4:\"")},
        {"display value", DisplaySetting(1, -1, 0), "", Refused,
         choose("\"the left four digits of the upper row:\" (value shown)")},
        {"display value 8", DisplaySetting(3, 8, 0), "", Refused,
         choose("\"the left four digits of the lower row:\" (value shown)")},
        {"display format", DisplaySetting(4, 0, -1), "", Refused,
         choose("\"the right four digits of the lower row:\" (format)")},
        {"display group 0", DisplaySetting(0, 0, 0), "", Refused,
         "There is no display digit group 0."},
        {"display test 3", DisplayTest(3), "", Refused, "There is no display test 3."},
    });
}

TEST(ConfigFrames, NumbersOutsideTheirDigitsAreRefused) {
    const std::string address = "\"MODBUS Slave Address:\" must be a number from 0 to 999.";
    const std::string interval =
        "\"instrument communication interval:\" must be a number from 0 to 999.";
    const std::string cache = "\"Clear cache time:\" must be a number from 0 to 999.";
    ExpectFrames({
        {"address 1000", SlaveAddressSetting("1000"), "", Refused, address},
        {"address -1", SlaveAddressSetting("-1"), "", Refused, address},
        {"address huge", SlaveAddressSetting("2147483647"), "", Refused, address},
        {"interval 1000", IntervalSetting("1000"), "", Refused, interval},
        {"interval -5", IntervalSetting("-5"), "", Refused, interval},
        {"cache 1000", HartSetting(0, 0, 0, 0, 0, "1000"), "", Refused, cache},
        {"start 100",
         ParsingFormatSetting(0, 0, {{{0, "100", 0}, {0, "0", 0}, {0, "0", 0}, {0, "0", 0}}}), "",
         Refused, "the data start address of \"variable 1:\" must be a number from 0 to 99."},
        {"start -1",
         ParsingFormatSetting(0, 0, {{{0, "0", 0}, {0, "0", 0}, {0, "-1", 0}, {0, "0", 0}}}), "",
         Refused, "the data start address of \"variable 3:\" must be a number from 0 to 99."},
    });
}

TEST(ConfigFrames, NumberFieldsWithoutAnIntegerFailConversion) {
    ExpectFrames({
        {"empty address", SlaveAddressSetting(""), "", Conversion,
         "'' is not a valid integer value"},
        {"address text", SlaveAddressSetting("12a"), "", Conversion,
         "'12a' is not a valid integer value"},
        {"address blank", SlaveAddressSetting(" 5"), "", Conversion,
         "' 5' is not a valid integer value"},
        {"address beyond 32 bits", SlaveAddressSetting("99999999999"), "", Conversion,
         "'99999999999' is not a valid integer value"},
        {"interval decimal point", IntervalSetting("1.5"), "", Conversion,
         "'1.5' is not a valid integer value"},
        {"cache empty", HartSetting(0, 0, 0, 0, 0, ""), "", Conversion,
         "'' is not a valid integer value"},
        {"variable 4 start empty, source not parsed",
         ParsingFormatSetting(0, 0, {{{0, "0", 0}, {0, "0", 0}, {0, "0", 0}, {0, "", 0}}}), "",
         Conversion, "'' is not a valid integer value"},
        {"first failing field wins",
         ParsingFormatSetting(0, 0, {{{0, "x", 0}, {0, "0", 0}, {9, "0", 0}, {0, "0", 0}}}), "",
         Conversion, "'x' is not a valid integer value"},
    });
}

TEST(ConfigFrames, CoefficientMustBeFivePrintableCharacters) {
    const std::string tooShort = "\"coefficient\" needs five characters, such as 0.001.";
    const std::string notPrintable =
        "\"coefficient\" may only hold digits, letters and signs of plain ASCII.";
    ExpectFrames({
        {"empty", CoefficientSetting(2, ""), "", Refused, tooShort},
        {"four characters", CoefficientSetting(2, "0.01"), "", Refused, tooShort},
        {"control character", CoefficientSetting(2, "0.0\t1"), "", Refused, notPrintable},
        {"nul character",
         CoefficientSetting(2, std::string_view("0.0\0"
                                                "1",
                                                5)),
         "", Refused, notPrintable},
        {"UTF-8 letter",
         CoefficientSetting(2, "0.\xC3\xA9"
                               "1"),
         "", Refused, notPrintable},
        {"DEL", CoefficientSetting(2, "0.00\x7F"), "", Refused, notPrintable},
        {"beyond the fifth is not sent, so not checked", CoefficientSetting(2, "0.001\xC3\xA9"),
         "QQS#FMW:2,0.001#"},
    });
}

} // namespace
