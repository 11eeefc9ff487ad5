#pragma once

#include "exchange/FrameResult.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// A drop-down list of the window as a frame value: its name as the window labels it (for
// messages) and how many items it holds. Its value is the index of the item it displays,
// -1 when it displays none.
struct ListField {
    std::string_view name;
    int itemCount;
};

// A number field of the window whose integer goes out as a fixed count of decimal digits,
// so it accepts 0 up to the largest number of that many digits.
struct NumberField {
    std::string_view name;
    int digits;
};

// Builds one ASCII configuration frame value by value. Every value is checked before it is
// encoded; the first one that cannot be sent ends the build (later calls change nothing) and
// Result() reports it, so a refused frame never leaves half built. A frame therefore never
// carries a character that its encoding does not define ("/" or "-1" for a list that shows
// no item, digits past "9" for a number out of range).
class ConfigFrameBuilder {
public:
    explicit ConfigFrameBuilder(std::string_view head) : frame_(head) {}

    // Fixed characters of the frame.
    ConfigFrameBuilder& Text(std::string_view text);
    // The item index as one digit: item 0 gives "0".
    ConfigFrameBuilder& IndexDigit(const ListField& field, int index);
    // For lists whose items are digits themselves, starting at `firstItem`: the character
    // equals the text of the item shown.
    ConfigFrameBuilder& ItemDigit(const ListField& field, int index, char firstItem);
    // The item index as two digits: item 3 gives "03".
    ConfigFrameBuilder& TwoDigitIndex(const ListField& field, int index);
    // The field's text read as a decimal integer and written with the field's digit count,
    // leading zeros included: 5 gives "005" for three digits.
    ConfigFrameBuilder& Number(const NumberField& field, std::string_view text);
    // Bytes taken as they are, any value.
    ConfigFrameBuilder& Raw(std::span<const std::uint8_t> bytes);
    // Ends the build with a failure of the caller's own (nothing if one is already set).
    ConfigFrameBuilder& Refuse(std::string message);

    FrameResult Result() const;

private:
    bool CheckIndex(const ListField& field, int index);

    std::string frame_;
    FrameFailure failure_ = FrameFailure::None;
    std::string message_;
};
