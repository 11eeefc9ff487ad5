#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a request builder gives back: the bytes of a frame, or why none was built.
//  - Conversion: a number field that holds no integer; `message` is the conversion
//    message ("'%s' is not a valid integer value"), reported as an error.
//  - Refused: a value the builder will not send (no list item displayed, a number out of
//    its range, a bad hex text ...); `message` names the field, shown in a plain message.
enum class FrameFailure { None, Conversion, Refused };

// The refusal for a list that displays no item: "Please choose a value for <field>."
std::string NoItemMessage(std::string_view fieldName);
// The refusal for a number outside its range: "<field> must be a number from <min> to <max>."
std::string RangeMessage(std::string_view fieldName, int minimum, int maximum);

struct FrameResult {
    std::vector<std::uint8_t> bytes;
    FrameFailure failure = FrameFailure::None;
    std::string message;

    bool ok() const { return failure == FrameFailure::None; }

    static FrameResult Bytes(std::vector<std::uint8_t> frame) {
        return {std::move(frame), FrameFailure::None, {}};
    }
    static FrameResult Text(const std::string& frame) {
        return {std::vector<std::uint8_t>(frame.begin(), frame.end()), FrameFailure::None, {}};
    }
    static FrameResult ConversionError(std::string message) {
        return {{}, FrameFailure::Conversion, std::move(message)};
    }
    static FrameResult Refuse(std::string message) {
        return {{}, FrameFailure::Refused, std::move(message)};
    }
};
