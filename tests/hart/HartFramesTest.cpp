#include "hart/HartFrames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// `count` preamble bytes followed by `body`.
Bytes Preambled(std::size_t count, const Bytes& body) {
    Bytes frame(count, 0xFF);
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

const HartIdentity NoIdentity{};
const HartIdentity ReadIdentity{0x26, 0x06, 5, {0x12, 0x34, 0x56}};

constexpr int Master = 0;
constexpr int SubMaster = 1;

struct FrameCase {
    std::string name;
    FrameResult result;
    Bytes expected;
};

TEST(HartFrames, BuiltFramesCarryTheirExactBytes) {
    const std::vector<FrameCase> cases = {
        {"identity, address 0", HartIdentityQuery("6", Master, 0),
         Preambled(7, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"identity, address 3", HartIdentityQuery("6", Master, 3),
         Preambled(7, {0x02, 0x83, 0x00, 0x00, 0x81})},
        {"identity, address 15", HartIdentityQuery("6", Master, 15),
         Preambled(7, {0x02, 0x8F, 0x00, 0x00, 0x8D})},
        {"identity, slave mode", HartIdentityQuery("6", SubMaster, 0),
         Preambled(7, {0x02, 0x00, 0x00, 0x00, 0x02})},
        {"identity, slave mode address 5", HartIdentityQuery("6", SubMaster, 5),
         Preambled(7, {0x02, 0x05, 0x00, 0x00, 0x07})},
        {"identity, preamble 0", HartIdentityQuery("0", Master, 0),
         Preambled(1, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"identity, preamble -1", HartIdentityQuery("-1", Master, 0),
         Preambled(0, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"identity, preamble 255", HartIdentityQuery("255", Master, 0),
         Preambled(256, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"identity, preamble +3", HartIdentityQuery("+3", Master, 0),
         Preambled(4, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"command 3 before any identity", HartDynamicVariablesQuery("6", Master, NoIdentity),
         Preambled(7, {0x82, 0x80, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01})},
        {"command 3 with identity", HartDynamicVariablesQuery("6", Master, ReadIdentity),
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0x51})},
        {"command 3, slave mode", HartDynamicVariablesQuery("6", SubMaster, ReadIdentity),
         Preambled(7, {0x82, 0x26, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0xD1})},
        {"command 3, manufacturer 0x66",
         HartDynamicVariablesQuery("6", Master, {0x66, 0x06, 0, {0x12, 0x34, 0x56}}),
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0x51})},
        {"command 3, manufacturer 0xE6 in slave mode",
         HartDynamicVariablesQuery("6", SubMaster, {0xE6, 0x06, 0, {0x12, 0x34, 0x56}}),
         Preambled(7, {0x82, 0x26, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0xD1})},
        {"command 3, preamble 2", HartDynamicVariablesQuery("2", Master, ReadIdentity),
         Preambled(3, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03, 0x00, 0x51})},
        {"command 6 to address 2", HartWriteAddress("6", Master, ReadIdentity, 2),
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x06, 0x01, 0x02, 0x57})},
        {"command 6 to address 8", HartWriteAddress("6", Master, ReadIdentity, 8),
         Preambled(7, {0x82, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x06, 0x01, 0x08, 0x5D})},
        {"command 6 before any identity", HartWriteAddress("6", Master, NoIdentity, 0),
         Preambled(7, {0x82, 0x80, 0x00, 0x00, 0x00, 0x00, 0x06, 0x01, 0x00, 0x05})},
    };
    for (const FrameCase& c : cases) {
        EXPECT_TRUE(c.result.ok()) << c.name << ": " << c.result.message;
        EXPECT_EQ(c.result.bytes, c.expected) << c.name;
    }
}

TEST(HartFrames, ManualFramesFromHexText) {
    std::string twenty;
    Bytes firstFifteen;
    std::uint8_t sum = 0;
    for (int i = 0; i < 20; ++i) {
        const std::uint8_t byte = static_cast<std::uint8_t>(0x11 * (i % 16) + i);
        static constexpr char digits[] = "0123456789ABCDEF";
        twenty += digits[byte >> 4U];
        twenty += digits[byte & 0xFU];
        twenty += ' ';
        if (i < 15) {
            firstFifteen.push_back(byte);
            sum ^= byte;
        }
    }
    firstFifteen.push_back(sum);

    const std::vector<FrameCase> cases = {
        {"four bytes", HartManualFrame("6", "02 80 00 00"),
         Preambled(7, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"trailing space", HartManualFrame("6", "02 80 00 00 "),
         Preambled(7, {0x02, 0x80, 0x00, 0x00, 0x82})},
        {"four digits are one group", HartManualFrame("6", "0280"), Preambled(7, {0x02, 0x02})},
        {"a lone last digit is ignored", HartManualFrame("6", "02 80 00 0"),
         Preambled(7, {0x02, 0x80, 0x00, 0x82})},
        {"the last separator is not looked at", HartManualFrame("6", "02 80x"),
         Preambled(7, {0x02, 0x80, 0x82})},
        {"single byte", HartManualFrame("6", "FF"), Preambled(7, {0xFF, 0xFF})},
        {"example of the field hint", HartManualFrame("6", "76 89 FD AD"),
         Preambled(7, {0x76, 0x89, 0xFD, 0xAD, 0x76 ^ 0x89 ^ 0xFD ^ 0xAD})},
        {"twenty groups capped at fifteen", HartManualFrame("6", twenty),
         Preambled(7, firstFifteen)},
        {"no preamble", HartManualFrame("-1", "02 80"), Bytes{0x02, 0x80, 0x82}},
    };
    for (const FrameCase& c : cases) {
        EXPECT_TRUE(c.result.ok()) << c.name << ": " << c.result.message;
        EXPECT_EQ(c.result.bytes, c.expected) << c.name;
    }
}

struct RefusalCase {
    std::string name;
    FrameResult result;
    FrameFailure failure;
    std::string message; // exact text, or a part of it
};

TEST(HartFrames, RefusalsSendNothing) {
    const std::vector<RefusalCase> cases = {
        {"dash separator", HartManualFrame("6", "02-80"), FrameFailure::Refused, "NO SPACK"},
        {"empty manual text", HartManualFrame("6", ""), FrameFailure::Refused, "NO SPACK"},
        {"single character", HartManualFrame("6", "0"), FrameFailure::Refused, "NO SPACK"},
        {"lower-case digit", HartManualFrame("6", "02 8a"), FrameFailure::Refused, "Data eeore!"},
        {"space as low digit", HartManualFrame("6", "02 8 "), FrameFailure::Refused, "Data eeore!"},
        {"hex text checked before the preamble", HartManualFrame("x", "02 8a"),
         FrameFailure::Refused, "Data eeore!"},
        {"separator checked before digits", HartManualFrame("6", "0g-80"), FrameFailure::Refused,
         "NO SPACK"},
        {"manual, letters in preamble", HartManualFrame("six", "02 80"), FrameFailure::Conversion,
         "'six' is not a valid integer value"},
        {"identity, letters in preamble", HartIdentityQuery("6a", Master, 0),
         FrameFailure::Conversion, "'6a' is not a valid integer value"},
        {"identity, empty preamble", HartIdentityQuery("", Master, 0), FrameFailure::Conversion,
         "'' is not a valid integer value"},
        {"command 3, blank in preamble", HartDynamicVariablesQuery(" 6", Master, NoIdentity),
         FrameFailure::Conversion, "' 6' is not a valid integer value"},
        {"command 6, preamble conversion first", HartWriteAddress("z", -1, NoIdentity, -1),
         FrameFailure::Conversion, "'z' is not a valid integer value"},
        {"preamble -2", HartIdentityQuery("-2", Master, 0), FrameFailure::Refused,
         "\"preamble length\""},
        {"preamble 256", HartDynamicVariablesQuery("256", Master, NoIdentity),
         FrameFailure::Refused, "\"preamble length\""},
        {"preamble far out of range", HartManualFrame("2147483647", "02"), FrameFailure::Refused,
         "\"preamble length\""},
        {"identity, no mode", HartIdentityQuery("6", -1, 0), FrameFailure::Refused,
         "\"HART command working mode\""},
        {"identity, no address", HartIdentityQuery("6", Master, -1), FrameFailure::Refused,
         "\"HART address\""},
        {"identity, address past the list", HartIdentityQuery("6", Master, 16),
         FrameFailure::Refused, "\"HART address\""},
        {"command 3, no mode", HartDynamicVariablesQuery("6", -1, NoIdentity),
         FrameFailure::Refused, "\"HART command working mode\""},
        {"command 3, mode past the list", HartDynamicVariablesQuery("6", 2, NoIdentity),
         FrameFailure::Refused, "\"HART command working mode\""},
        {"command 6, no mode", HartWriteAddress("6", -1, NoIdentity, 0), FrameFailure::Refused,
         "\"HART command working mode\""},
        {"command 6, no new address", HartWriteAddress("6", Master, NoIdentity, -1),
         FrameFailure::Refused, "HART address configuration"},
        {"command 6, new address 9", HartWriteAddress("6", Master, NoIdentity, 9),
         FrameFailure::Refused, "HART address configuration"},
    };
    for (const RefusalCase& c : cases) {
        EXPECT_EQ(c.result.failure, c.failure) << c.name;
        EXPECT_TRUE(c.result.bytes.empty()) << c.name;
        EXPECT_NE(c.result.message.find(c.message), std::string::npos)
            << c.name << ": " << c.result.message;
    }
    // The two hex text messages are the whole message.
    EXPECT_EQ(HartManualFrame("6", "02-80").message, "NO SPACK");
    EXPECT_EQ(HartManualFrame("6", "02 8a").message, "Data eeore!");
}

TEST(HartFrames, ChecksumIsTheXorOfEverythingAfterThePreambles) {
    // Whatever is typed and however many preambles lead, the checksum makes the XOR over
    // the frame's bytes after the preambles zero.
    const std::vector<std::string> texts = {"02 80 00 00", "FF", "00 00", "82 A6 06 12 34 56 03 00",
                                            "AA 55 AA 55 01"};
    for (const std::string preamble : {"-1", "0", "6", "20"}) {
        for (const std::string& text : texts) {
            const FrameResult frame = HartManualFrame(preamble, text);
            ASSERT_TRUE(frame.ok());
            const std::size_t preambles = static_cast<std::size_t>(std::stoi(preamble)) + 1;
            EXPECT_EQ(HartChecksum(std::span(frame.bytes).subspan(preambles)), 0) << text;
        }
    }
    EXPECT_EQ(HartChecksum({}), 0);
}

} // namespace
