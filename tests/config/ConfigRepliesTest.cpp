#include "config/ConfigReplies.h"
#include "tests/config/ReplyFields.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Updates = Fields;

// A communication answer that names both fields: a module is on the line.
Updates EnabledButtons() {
    return {Enable("answered")};
}

Updates Join(Updates first, const Updates& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct DecodeCase {
    const char* what;
    std::string text;
    Updates updates;
    std::optional<std::string> error = std::nullopt;
};

template <typename Decode> void ExpectDecodes(const std::vector<DecodeCase>& cases, Decode decode) {
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = decode(c.text);
        EXPECT_EQ(FieldsOf(result), c.updates);
        EXPECT_EQ(result.error, c.error);
    }
}

TEST(FindMarker, FirstWholeMatchWithWildcard) {
    struct Case {
        std::string_view text;
        std::string_view marker;
        std::optional<std::size_t> at;
    };
    const std::vector<Case> cases = {
        {"QV:11", "QV:", 0},
        {"xxQV:11", "QV:", 2},
        {"QV:1 QV:2", "QV:", 0},
        {"QV", "QV:", std::nullopt},
        {"", "QV:", std::nullopt},
        {"HART3:1", "HART?:", 0},
        {"HART:1 HARTx:", "HART?:", 7},
        {"CAMD01:1", "CAMD?1:", 0},
        {"CAMD02:1", "CAMD?1:", std::nullopt},
        {"endHART", "HART?:", std::nullopt},
        {"endHART5", "HART?:", std::nullopt},
        {"endHART5:", "HART?:", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindMarker(c.text, c.marker), c.at) << c.text << " / " << c.marker;
    }
}

TEST(CommunicationReply, SelectsInterfaceAndCountThenEnablesButtons) {
    ExpectDecodes(
        {
            {"worked example", "QV:11",
             Join({Select("interfaceType", 1), Select("instrumentCount", 1)}, EnabledButtons())},
            {"behind other text", "OK QV:20 end",
             Join({Select("interfaceType", 2), Select("instrumentCount", 0)}, EnabledButtons())},
            {"index past the list is passed on", "QV:93",
             Join({Select("interfaceType", 9), Select("instrumentCount", 3)}, EnabledButtons())},
            {"no marker", "QX:11", {}},
            {"empty", "", {}},
            {"marker at the very end", "abcQV:", {}},
            {"one field cut off", "QV:1", {}},
            {"first field not a digit", "QV:x1", {}, "'x' is not a valid integer value"},
            {"second field not a digit",
             "QV:1 ",
             {Select("interfaceType", 1)},
             "' ' is not a valid integer value"},
        },
        DecodeCommunicationReply);
}

const std::string FullSystemReply = "QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00,1; BA1:31 "
                                    "BA2:62 MD:1 ADR:001 JTM:050";

TEST(SystemParameterReply, GroupsInOrder) {
    const Updates display = {Select("display1.value", 1), Select("display1.format", 0),
                             Select("display2.value", 2), Select("display2.format", 1),
                             Select("display3.value", 7), Select("display3.format", 0),
                             Select("display4.value", 0), Select("display4.format", 1)};
    const Updates rest = {Select("rs232.baud", 3),    Select("rs232.parity", 1),
                          Select("rs485.baud", 6),    Select("rs485.parity", 2),
                          Select("operatingMode", 1), Text("slaveAddress", "001"),
                          Text("pollInterval", "050")};
    ExpectDecodes(
        {
            {"full reply", FullSystemReply, Join(display, rest)},
            {"no QX: nothing even with groups", "BA1:31 MD:1 ADR:005", {}},
            {"QX anywhere is enough",
             "BA1:31 MD:0 QX",
             {Select("rs232.baud", 3), Select("rs232.parity", 1), Select("operatingMode", 0)}},
            {"MD:1 sets both mode lists", "QX MD:1", {Select("operatingMode", 1)}},
            {"address keeps leading zeros", "QX ADR:001", {Text("slaveAddress", "001")}},
            {"address taken as text", "QX ADR:a-7", {Text("slaveAddress", "a-7")}},
            {"missing groups are skipped",
             "QX JTM:100 BA2:00",
             {Select("rs485.baud", 0), Select("rs485.parity", 0), Text("pollInterval", "100")}},
            {"first marker counts", "QX MD:0 MD:1", {Select("operatingMode", 0)}},
            {"blank display format stops the decode",
             "QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00, MD:1",
             Updates(display.begin(), display.end() - 1), "' ' is not a valid integer value"},
            {"display group ends exactly at the text's end",
             "QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00,1", display},
            {"display group one character short", "QX DIS1:01,0;DIS2:02,1;DIS3:07,0;DIS4:00,", {}},
            {"groups cut at the end", "QX BA1:3", {}},
            {"address cut at the end", "QX MD:1 ADR:00", {Select("operatingMode", 1)}},
            {"bad field stops the rest",
             "QX BA1:3x BA2:62 MD:1",
             {Select("rs232.baud", 3)},
             "'x' is not a valid integer value"},
            {"negative two-digit index", "QX DIS1:-1,0;DIS2:02,1;DIS3:07,0;DIS4:00,1",
             Join({Select("display1.value", -1)}, Updates(display.begin() + 1, display.end()))},
        },
        DecodeSystemParameterReply);
}

// Answers for a custom instrument and for a general one.
const std::string ChannelHead = "QQ0 FMW:2,0.001 ";
const std::string CustomTail =
    " DFO0:01230 ZDY0:8,1030,1070,0000,0000 MD:1 CAMD01:1<03,01 02 03 CAMD02:0<00,";

const Updates ChannelFront = {Select("coefficientMode", 2), Text("coefficient", "0.001")};
const Updates Formats = {Select("format1", 0), Select("format2", 1), Select("format3", 2),
                         Select("format4", 3), Select("format5", 0)};
const Updates CustomGroups = {
    Show(true),
    Select("addressBits", 5),
    Select("variable1.source", 1),
    Text("variable1.start", "03"),
    Select("variable1.length", 0),
    Select("variable2.source", 1),
    Text("variable2.start", "07"),
    Select("variable2.length", 0),
    Select("variable3.source", 0),
    Text("variable3.start", "00"),
    Select("variable3.length", 0),
    Select("variable4.source", 0),
    Text("variable4.start", "00"),
    Select("variable4.length", 0),
    Select("operatingMode", 1),
    Select("command1.enabled", 1),
    Text("command1.bytes", "01 02 03"),
    Select("command2.enabled", 0),
    Text("command2.bytes", ""),
};

Updates HartGroup(int type, int prefix) {
    return {Select("hartEnabled", 1), Select("hartMode", 1), Select("instrumentType", type),
            Select("prefixLength", prefix), Text("cacheTime", "010")};
}

TEST(ModbusParameterReply, InstrumentTypeDecidesTheCustomSection) {
    ExpectDecodes(
        {
            {"custom instrument (type 00)", ChannelHead + "HART0:1,1,00,5,010" + CustomTail,
             Join(Join(Join(ChannelFront, HartGroup(0, 1)), Formats), CustomGroups)},
            {"general instrument (type 01) ignores the custom groups",
             ChannelHead + "HART0:1,1,01,5,010" + CustomTail,
             Join(Join(Join(ChannelFront, HartGroup(1, 1)), Formats), {Show(false)})},
            {"type past the list hides the section", "QQ HART0:1,1,16,5,010 MD:1",
             Join(HartGroup(16, 1), {Show(false)})},
        },
        [](std::string_view text) { return DecodeChannelReply(text, 1); });
}

TEST(ModbusParameterReply, WithoutHartGroupTheWindowsTypeDecides) {
    const std::string text = "QQ1 MD:0";
    EXPECT_EQ(FieldsOf(DecodeChannelReply(text, 0)),
              (Updates{Show(true), Select("operatingMode", 0)}));
    EXPECT_EQ(FieldsOf(DecodeChannelReply(text, 3)), (Updates{Show(false)}));
    EXPECT_EQ(FieldsOf(DecodeChannelReply(text, -1)), (Updates{Show(false)}));
    // A HART group cut off by the end of the text is missing: the window's type holds.
    EXPECT_EQ(FieldsOf(DecodeChannelReply("QQ MD:1 HART0:1,1,00,5,01", 2)), (Updates{Show(false)}));
}

TEST(ModbusParameterReply, Fields) {
    ExpectDecodes(
        {
            {"no QQ: nothing", "FMW:2,0.001 HART0:1,1,00,5,010 MD:1", {}},
            {"prefix digit 7 is item \"7\"", "QQ HART0:1,1,01,7,010",
             Join(HartGroup(1, 3), {Show(false)})},
            {"prefix digit 3 is below the list", "QQ HART0:1,1,01,3,010",
             Join(HartGroup(1, -1), {Show(false)})},
            {"coefficient taken as text",
             "QQ FMW:3,12,5x",
             {Select("coefficientMode", 3), Text("coefficient", "12,5x"), Show(false)}},
            {"coefficient cut off", "QQ FMW:3,12,5", {Show(false)}},
            {"formats at the end",
             "QQ DFOx:12345",
             {Select("format1", 1), Select("format2", 2), Select("format3", 3),
              Select("format4", 4), Select("format5", 5), Show(false)}},
            {"formats one short", "QQ DFOx:1234", {Show(false)}},
            {"bad type stops before the section decision",
             "QQ HART0:1,1,0a,5,010 MD:1",
             {Select("hartEnabled", 1), Select("hartMode", 1)},
             "'0a' is not a valid integer value"},
            {"bad format digit",
             "QQ DFO1:01x30",
             {Select("format1", 0), Select("format2", 1)},
             "'x' is not a valid integer value"},
        },
        [](std::string_view text) { return DecodeChannelReply(text, 1); });
}

TEST(ModbusParameterReply, CustomSectionGroups) {
    ExpectDecodes(
        {
            {"command with three bytes",
             "QQ CAMD31:1<03,01 02 03",
             {Show(true), Select("command1.enabled", 1), Text("command1.bytes", "01 02 03")}},
            {"command with no bytes empties the edit",
             "QQ CAMD31:0<00,",
             {Show(true), Select("command1.enabled", 0), Text("command1.bytes", "")}},
            {"no bytes, marker group at the very end",
             "QQ CAMD31:0<00",
             {Show(true), Select("command1.enabled", 0), Text("command1.bytes", "")}},
            {"the count, not the text, sets the width",
             "QQ CAMD31:1<03,01 02 0 MD:0",
             {Show(true), Select("operatingMode", 0), Select("command1.enabled", 1),
              Text("command1.bytes", "01 02 0 ")}},
            {"command bytes one short: group missing", "QQ CAMD31:1<03,01 02 0", {Show(true)}},
            {"fourteen bytes",
             "QQ CAMD32:1<14,01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E",
             {Show(true), Select("command2.enabled", 1),
              Text("command2.bytes", "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E")}},
            {"count digits not digits",
             "QQ CAMD31:1<0x,01",
             {Show(true), Select("command1.enabled", 1)},
             "'x' is not a valid integer value"},
            {"switch not a digit",
             "QQ CAMD31:-<01,7F",
             {Show(true)},
             "'-' is not a valid integer value"},
            {"second command only",
             "QQ CAMD02:1<01,7F",
             {Show(true), Select("command2.enabled", 1), Text("command2.bytes", "7F")}},
            {"address bits digit 3 is item \"3\"",
             "QQ ZDY0:3,2991,2001,1100,0051",
             {Show(true), Select("addressBits", 0), Select("variable1.source", 2),
              Text("variable1.start", "99"), Select("variable1.length", 1),
              Select("variable2.source", 2), Text("variable2.start", "00"),
              Select("variable2.length", 1), Select("variable3.source", 1),
              Text("variable3.start", "10"), Select("variable3.length", 0),
              Select("variable4.source", 0), Text("variable4.start", "05"),
              Select("variable4.length", 1)}},
            {"parsing format cut off", "QQ ZDY0:3,2991,2001,1100,005", {Show(true)}},
        },
        [](std::string_view text) { return DecodeChannelReply(text, 0); });
}

// Whatever arrives, a decode reads only inside the text it is given (the sanitizer builds
// would catch a stray read) and what it returns follows from the text: every text it hands
// on is a piece of that text; a text without the answer's marker changes nothing; a number
// that is not one is named in the message; and fields are read from the marker on, so text
// in front of the answer changes nothing.
TEST(ConfigReplies, ArbitraryTextsDecodeByTheirMarkers) {
    const std::string alphabet = "QVXQMDHARTCAMDZYFOWBAJTRSI0123456789:,<#- x";
    const std::vector<std::string> seeds = {
        "QV:",  "QX",     "QQ",    "DIS1:", "BA1:",      "BA2:",      "MD:", "ADR:", "JTM:",
        "FMW:", "HART0:", "DFO0:", "ZDY0:", "CAMD01:1<", "CAMD02:0<", "99",  "03,"};
    struct Decoded {
        Fields fields;
        std::optional<std::string> error;
    };
    struct Decoder {
        const char* name;
        const char* marker; // no answer without it
        Decoded (*decode)(std::string_view);
        int changed = 0; // texts that changed something
    };
    Decoder decoders[] = {
        {"communication", "QV:",
         [](std::string_view t) {
             const auto r = DecodeCommunicationReply(t);
             return Decoded{FieldsOf(r), r.error};
         }},
        {"system", "QX",
         [](std::string_view t) {
             const auto r = DecodeSystemParameterReply(t);
             return Decoded{FieldsOf(r), r.error};
         }},
        {"channel, custom type", "QQ",
         [](std::string_view t) {
             const auto r = DecodeChannelReply(t, 0);
             return Decoded{FieldsOf(r), r.error};
         }},
        {"channel, type 1", "QQ",
         [](std::string_view t) {
             const auto r = DecodeChannelReply(t, 1);
             return Decoded{FieldsOf(r), r.error};
         }},
    };
    // Exact-size heap copies, so reading one past the end is an error under ASan.
    auto exact = [](const std::string& text) {
        auto copy = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), copy.get());
        return copy;
    };
    std::mt19937 random(424242);
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t pieces = random() % 12;
        for (std::size_t p = 0; p < pieces; ++p) {
            if (random() % 2 == 0) {
                text += seeds[random() % seeds.size()];
            } else {
                text += alphabet[random() % alphabet.size()];
            }
        }
        const std::string shifted = "~~~" + text;
        const auto copy = exact(text);
        const auto shiftedCopy = exact(shifted);
        const std::string_view view(copy.get(), text.size());
        const std::string_view shiftedView(shiftedCopy.get(), shifted.size());
        for (Decoder& decoder : decoders) {
            const Decoded result = decoder.decode(view);
            for (const DecodedField& update : result.fields) {
                if (update.kind == FieldKind::Text) {
                    ASSERT_NE(text.find(update.text), std::string::npos) << text;
                }
            }
            if (text.find(decoder.marker) == std::string::npos) {
                ASSERT_TRUE(result.fields.empty()) << decoder.name << ": " << text;
                ASSERT_FALSE(result.error) << decoder.name << ": " << text;
            }
            if (result.error) {
                ASSERT_TRUE(result.error->starts_with('\'')) << *result.error;
                ASSERT_TRUE(result.error->ends_with("' is not a valid integer value"))
                    << *result.error;
            }
            const Decoded moved = decoder.decode(shiftedView);
            ASSERT_EQ(moved.fields, result.fields) << decoder.name << ": " << text;
            ASSERT_EQ(moved.error, result.error) << decoder.name << ": " << text;
            decoder.changed += result.fields.empty() ? 0 : 1;
        }
    }
    // The texts reach every decoder's fields, not only its refusal.
    for (const Decoder& decoder : decoders) {
        EXPECT_GT(decoder.changed, 200) << decoder.name;
    }
}

} // namespace
