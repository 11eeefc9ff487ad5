#include "hart/HartReplies.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A command 0 answer from its last preamble byte on (HART 5 layout, 14 bytes of count).
Bytes IdentityReply(std::uint8_t manufacturer, std::uint8_t type, std::uint8_t preambles,
                    std::array<std::uint8_t, 3> id) {
    return {0xFF,      0x06, 0x80, 0x00, 0x0E, 0x00, 0x00,  0xFE,  manufacturer, type,
            preambles, 0x05, 0x01, 0x08, 0x00, 0x00, id[0], id[1], id[2],        0x5A};
}

struct Variable {
    std::uint8_t unit;
    std::array<std::uint8_t, 4> value;
};

// A command 3 answer from its last preamble byte on: byte count, status, loop current,
// then the given variables (unit code and value each) and a checksum byte.
Bytes DynamicReply(std::uint8_t byteCount, const std::vector<Variable>& variables) {
    Bytes reply = {0xFF,      0x86, 0xA6, 0x06, 0x12, 0x34, 0x56, 0x03,
                   byteCount, 0x00, 0x00, 0x41, 0x80, 0x00, 0x00};
    for (const Variable& v : variables) {
        reply.push_back(v.unit);
        reply.insert(reply.end(), v.value.begin(), v.value.end());
    }
    reply.push_back(0x00);
    return reply;
}

const std::vector<Variable> FourVariables = {{61, {0x40, 0x80, 0x00, 0x00}},
                                             {62, {0xC0, 0x70, 0x00, 0x00}},
                                             {77, {0x3D, 0xCC, 0xCC, 0xCD}},
                                             {75, {0x7F, 0xA0, 0x00, 0x00}}};

TEST(HartValueText, FloatsAsTheWindowShowsThem) {
    struct Case {
        std::array<std::uint8_t, 4> bytes;
        std::string separator;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{0x3D, 0xCC, 0xCC, 0xCD}, ".", "0.1000000"},
        {{0x41, 0x45, 0x87, 0xE6}, ".", "12.345678"},
        {{0x40, 0x80, 0x00, 0x00}, ".", "4"},
        {{0xC0, 0x70, 0x00, 0x00}, ".", "-3.75"},
        {{0x7F, 0xA0, 0x00, 0x00}, ".", "00000000"},
        {{0x7F, 0x80, 0x00, 0x00}, ".", "00000000"},
        {{0x7F, 0x00, 0x00, 0x01}, ".", "00000000"},
        {{0x47, 0xF1, 0x20, 0x65}, ".", "123456.78"},
        {{0x00, 0x00, 0x00, 0x00}, ".", "0"},
        {{0x80, 0x00, 0x00, 0x00}, ".", "0"},
        {{0xFF, 0x80, 0x00, 0x00}, ".", "-INF"},
        {{0xFF, 0xC0, 0x00, 0x00}, ".", "-NAN"},
        {{0x2E, 0xDB, 0xE6, 0xFF}, ".", "1.0000000"},
        {{0x50, 0x15, 0x02, 0xF9}, ".", "100000000"},
        {{0xC2, 0xF6, 0xE9, 0x79}, ".", "-123.4560"},
        {{0x3F, 0xC0, 0x00, 0x00}, ",", "1,5"},
        {{0x41, 0x45, 0x87, 0xE6}, ",", "12,345678"},
        // A separator of two UTF-8 bytes (U+066B) counts as one character of the nine.
        {{0x41, 0x45, 0x87, 0xE6}, "\u066B", "12\u066B345678"},
        {{0xC2, 0xF6, 0xE9, 0x79}, "\u066B", "-123\u066B4560"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HartValueText(c.bytes, c.separator), c.text)
            << std::hex << int{c.bytes[0]} << ' ' << int{c.bytes[1]};
    }
}

TEST(HartReplies, IdentityIsReadAtTheLastPreambleBeforeTheDelimiter) {
    const HartIdentity expected{0x26, 0x06, 0x05, {0x12, 0x34, 0x56}};
    const Bytes reply = IdentityReply(0x26, 0x06, 0x05, {0x12, 0x34, 0x56});
    struct Case {
        std::string name;
        Bytes chunk;
        std::optional<HartIdentity> identity;
    };
    Bytes atEdge(250, 0x00);
    atEdge.insert(atEdge.end(), reply.begin(), reply.end());
    atEdge.resize(300, 0x00);
    Bytes pastEdge(251, 0x00);
    pastEdge.insert(pastEdge.end(), reply.begin(), reply.end());
    pastEdge.resize(300, 0x00);

    const Bytes fieldsToTheEnd(reply.begin(), reply.begin() + 19);
    const Bytes oneShort(reply.begin(), reply.begin() + 18);
    const std::vector<Case> cases = {
        {"bare reply", reply, expected},
        {"behind four more preambles", Join({{0xFF, 0xFF, 0xFF, 0xFF}, reply}), expected},
        {"behind other bytes", Join({{0x12, 0x06, 0x34, 0xFF, 0x05}, reply}), expected},
        {"device id 00 12 34", IdentityReply(0x11, 0x22, 0x07, {0x00, 0x12, 0x34}),
         HartIdentity{0x11, 0x22, 0x07, {0x00, 0x12, 0x34}}},
        {"the first pair wins", Join({reply, IdentityReply(1, 2, 3, {4, 5, 6})}), expected},
        {"a long frame is not an identity", DynamicReply(26, FourVariables), std::nullopt},
        {"display test answer", Bytes{'P', 'P', 'P', 'P', 'P', 'P', '#', 'Q', 'A', '#'},
         std::nullopt},
        {"empty chunk", Bytes{}, std::nullopt},
        {"four bytes are never searched", Bytes{0xFF, 0x06, 0x00, 0x00}, std::nullopt},
        {"fields up to the last byte", fieldsToTheEnd, expected},
        {"fields beyond the chunk", oneShort, std::nullopt},
        {"pair at the last searched position", atEdge, expected},
        {"pair past the first 255 bytes", pastEdge, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeIdentityReply(c.chunk), c.identity) << c.name;
    }
}

TEST(HartReplies, ByteCountDecidesHowManyVariables) {
    struct Case {
        std::uint8_t byteCount;
        std::size_t variables;
    };
    const std::vector<Case> cases = {{0, 1},  {11, 1}, {12, 2}, {16, 2}, {17, 3},
                                     {21, 3}, {22, 4}, {26, 4}, {27, 4}, {255, 4}};
    for (const Case& c : cases) {
        const auto decoded = DecodeDynamicVariablesReply(DynamicReply(c.byteCount, FourVariables));
        ASSERT_TRUE(decoded) << int{c.byteCount};
        EXPECT_EQ(decoded->variables.size(), c.variables) << int{c.byteCount};
    }
}

TEST(HartReplies, DynamicVariablesWithTheirUnits) {
    const auto decoded = DecodeDynamicVariablesReply(
        Join({{0xFF, 0xFF, 0xFF, 0xFF}, DynamicReply(26, FourVariables)}));
    ASSERT_TRUE(decoded);
    const std::vector<HartVariable> expected = {
        {"4", 46}, {"-3.75", 47}, {"0.1000000", 55}, {"00000000", 76}};
    EXPECT_EQ(decoded->variables, expected);

    const auto other = DecodeDynamicVariablesReply(
        DynamicReply(12, {{250, {0x47, 0xF1, 0x20, 0x65}}, {32, {0x41, 0x45, 0x87, 0xE6}}}), ",");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->variables, (std::vector<HartVariable>{{"123456,78", 76}, {"12,345678", 12}}));
}

TEST(HartReplies, DynamicRepliesThatAreNotThere) {
    const Bytes full = DynamicReply(26, FourVariables);
    struct Case {
        std::string name;
        Bytes chunk;
        bool found;
    };
    const std::vector<Case> cases = {
        {"identity reply", IdentityReply(1, 2, 3, {4, 5, 6}), false},
        {"four bytes", Bytes{0xFF, 0x86, 0x00, 0x00}, false},
        {"empty", Bytes{}, false},
        {"quaternary value up to the last byte", Bytes(full.begin(), full.begin() + 35), true},
        {"quaternary value cut", Bytes(full.begin(), full.begin() + 34), false},
        {"primary only, cut", Bytes(full.begin(), full.begin() + 19), false},
        {"no byte count", Bytes(full.begin(), full.begin() + 8), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeDynamicVariablesReply(c.chunk).has_value(), c.found) << c.name;
    }
    // A short byte count only needs the primary variable's bytes.
    const Bytes primaryOnly = DynamicReply(6, FourVariables);
    EXPECT_TRUE(DecodeDynamicVariablesReply(Bytes(primaryOnly.begin(), primaryOnly.begin() + 20)));
}

TEST(HartReplies, ChunksOfFourBytesAreDecodedWithoutReadingPastThem) {
    // Every 4-byte window of a real reply, fed alone: nothing is found and nothing beyond
    // the chunk is read (the sanitizers watch the reads).
    const Bytes reply =
        Join({{0xFF, 0xFF}, DynamicReply(26, FourVariables), IdentityReply(1, 2, 3, {4, 5, 6})});
    for (std::size_t start = 0; start + 4 <= reply.size(); ++start) {
        const std::vector<std::uint8_t> chunk(reply.begin() + static_cast<long>(start),
                                              reply.begin() + static_cast<long>(start) + 4);
        EXPECT_FALSE(DecodeIdentityReply(chunk));
        EXPECT_FALSE(DecodeDynamicVariablesReply(chunk));
    }
    // Every prefix of it, on the heap with exact size: a reply is found exactly from the
    // length that holds its last field on (the dynamic reply's fourth value, 2 + 35 bytes;
    // the identity's device id, 38 + 19 bytes), and then decodes as in the whole.
    const auto wholeDynamic = DecodeDynamicVariablesReply(reply);
    const auto wholeIdentity = DecodeIdentityReply(reply);
    ASSERT_TRUE(wholeDynamic && wholeIdentity);
    EXPECT_EQ(wholeDynamic->variables.size(), 4U);
    EXPECT_EQ(wholeIdentity->manufacturerId, 1);
    constexpr std::size_t DynamicFrom = 2 + 35;
    constexpr std::size_t IdentityFrom = 2 + 36 + 19;
    for (std::size_t length = 0; length <= reply.size(); ++length) {
        const std::vector<std::uint8_t> chunk(reply.begin(),
                                              reply.begin() + static_cast<long>(length));
        const auto identity = DecodeIdentityReply(chunk);
        const auto dynamic = DecodeDynamicVariablesReply(chunk);
        ASSERT_EQ(dynamic.has_value(), length >= DynamicFrom) << length;
        ASSERT_EQ(identity.has_value(), length >= IdentityFrom) << length;
        if (dynamic) {
            EXPECT_EQ(dynamic->variables, wholeDynamic->variables) << length;
        }
        if (identity) {
            EXPECT_EQ(*identity, *wholeIdentity) << length;
        }
    }
}

} // namespace
