#include "tools/Ieee754Calculator.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t Room = 504;

TEST(Ieee754Calculator, TypedBytesToTheirNumber) {
    struct Case {
        std::string input;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"41 20 00 00", "10"},
        {"3F C0 00 00", "1.5"},
        {"C2 F6 E9 79", "-123.45600"},
        {"3D CC CC CD", "0.10000000"},
        {"00 00 00 00", "0"},
        {"80 00 00 00", "0"},
        {"4E 6E 6B 28", "1000000000"},
        {"50 15 02 F9", "1000000000"},
        {"2E DB E6 FF", "1.00000001"},
        {"7F 80 00 00", "INF"},
        {"FF 80 00 00", "-INF"},
        {"7F C0 00 00", "NAN"},
        {"FF C0 00 00", "-NAN"},
        {"41", "8"},
        {"41 20", "10"},
        {"41 20 00 00 11", "10"},
        {"41 20 00 00 11 22 33 44 55", "10"},
        {"00 00 00 01", "1.40129846"},
        {"38 D1 B7 17", "9.99999974"},
        {"7F 7F FF FF", "3.40282346"},
        {"C0 70 00 00", "-3.75"},
    };
    for (const Case& c : cases) {
        const Ieee754Result result = CalculateIeee754(c.input, ".", Room);
        EXPECT_EQ(result.status, Ieee754Status::Ok) << c.input;
        EXPECT_EQ(result.text, c.shown) << c.input;
    }
    EXPECT_EQ(CalculateIeee754("3F C0 00 00", ",", Room).text, "1,5");
    EXPECT_EQ(CalculateIeee754("C2 F6 E9 79", ",", Room).text, "-123,45600");
}

TEST(Ieee754Calculator, TypingErrors) {
    const std::string spaces = "Input data without spaces";
    const std::string illegal = "There are illegal characters, please re-enter!";
    struct Case {
        std::string input;
        Ieee754Status status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"41200000", Ieee754Status::NoSpaces, spaces},
        {"41-20 00 00", Ieee754Status::NoSpaces, spaces},
        {"41 20 00 00 11 22 33 44 55 66 77 88 99,", Ieee754Status::NoSpaces, spaces},
        {"4g2", Ieee754Status::NoSpaces, spaces}, // separator first, before the digits
        {"41 20 00 00 ", Ieee754Status::IllegalCharacters, illegal},
        {"41 20 00 0", Ieee754Status::IllegalCharacters, illegal},
        {"41 20 0g 00", Ieee754Status::IllegalCharacters, illegal},
        {"3f c0 00 00", Ieee754Status::IllegalCharacters, illegal},
        {"", Ieee754Status::IllegalCharacters, illegal},
        {"4", Ieee754Status::IllegalCharacters, illegal},
        {"41 ", Ieee754Status::IllegalCharacters, illegal},
        {"41 20 00 00 11 22 33 44 5x", Ieee754Status::IllegalCharacters, illegal},
    };
    for (const Case& c : cases) {
        const Ieee754Result result = CalculateIeee754(c.input, ".", Room);
        EXPECT_EQ(result.status, c.status) << '"' << c.input << '"';
        EXPECT_EQ(result.message, c.message) << '"' << c.input << '"';
        EXPECT_TRUE(result.text.empty());
    }
}

TEST(Ieee754Calculator, LongTextsAreCheckedThroughButKeptWithinTheRoom) {
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text += i == 0 ? "41 " : "00 ";
    }
    text += "00";
    Ieee754Result result = CalculateIeee754(text, ".", Room);
    EXPECT_EQ(result.status, Ieee754Status::Ok);
    EXPECT_EQ(result.text, "8");
    EXPECT_EQ(result.bytes.size(), Room);
    EXPECT_EQ(result.bytes[0], 0x41);

    // A bad character far beyond the room is still found.
    std::string bad = text;
    bad[bad.size() - 1] = 'z';
    EXPECT_EQ(CalculateIeee754(bad, ".", Room).status, Ieee754Status::IllegalCharacters);
    bad = text;
    bad[bad.size() - 3] = '_';
    EXPECT_EQ(CalculateIeee754(bad, ".", Room).status, Ieee754Status::NoSpaces);

    // Fewer than four bytes typed: the missing ones are zero.
    result = CalculateIeee754("C1", ".", Room);
    EXPECT_EQ(result.bytes, (std::vector<std::uint8_t>{0xC1, 0, 0, 0}));
    EXPECT_EQ(result.text, "-8");
}

// What the calculator must show, worked out another way: the standard library's shortest
// general form with 15 significant digits, spelled as the window spells numbers.
std::string Reference(std::uint32_t bits) {
    const float value = std::bit_cast<float>(bits);
    if (std::isnan(value)) {
        return std::signbit(value) ? "-NAN" : "NAN";
    }
    if (std::isinf(value)) {
        return std::signbit(value) ? "-INF" : "INF";
    }
    char buffer[64];
    const auto [end, error] = std::to_chars(
        buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 15);
    EXPECT_EQ(error, std::errc());
    std::string text(buffer, end);
    if (text == "-0") {
        text = "0";
    }
    const std::size_t e = text.find('e');
    if (e != std::string::npos) {
        std::string exponent = text.substr(e + 1);
        const bool negative = exponent[0] == '-';
        exponent.erase(0, 1);
        exponent.erase(0, exponent.find_first_not_of('0'));
        text = text.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
    }
    return text.substr(0, 10);
}

std::string Typed(std::uint32_t bits) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += digits[(bits >> static_cast<unsigned>(shift)) & 0xFU];
        if (shift % 8 == 0 && shift > 0) {
            text += ' ';
        }
    }
    return text;
}

TEST(Ieee754Calculator, AgreesWithTheStandardLibraryOnRandomBitPatterns) {
    std::mt19937 random(754);
    for (int i = 0; i < 200000; ++i) {
        const std::uint32_t bits = static_cast<std::uint32_t>(random());
        const Ieee754Result result = CalculateIeee754(Typed(bits), ".", Room);
        ASSERT_EQ(result.status, Ieee754Status::Ok) << Typed(bits);
        ASSERT_EQ(result.text, Reference(bits)) << Typed(bits);
    }
}

} // namespace
