#include "config/ConfigFrameBuilder.h"

#include "exchange/IntegerText.h"

#include <optional>

ConfigFrameBuilder& ConfigFrameBuilder::Text(std::string_view text) {
    if (failure_ == FrameFailure::None) {
        frame_ += text;
    }
    return *this;
}

bool ConfigFrameBuilder::CheckIndex(const ListField& field, int index) {
    if (failure_ != FrameFailure::None) {
        return false;
    }
    if (index < 0 || index >= field.itemCount) {
        Refuse(NoItemMessage(field.name));
        return false;
    }
    return true;
}

ConfigFrameBuilder& ConfigFrameBuilder::IndexDigit(const ListField& field, int index) {
    return ItemDigit(field, index, '0');
}

ConfigFrameBuilder& ConfigFrameBuilder::ItemDigit(const ListField& field, int index,
                                                  char firstItem) {
    if (CheckIndex(field, index)) {
        const int digit = (firstItem - '0') + index;
        if (digit > 9) {
            Refuse(NoItemMessage(field.name));
        } else {
            frame_ += static_cast<char>('0' + digit);
        }
    }
    return *this;
}

ConfigFrameBuilder& ConfigFrameBuilder::TwoDigitIndex(const ListField& field, int index) {
    if (CheckIndex(field, index)) {
        if (index > 99) {
            Refuse(NoItemMessage(field.name));
        } else {
            frame_ += static_cast<char>('0' + index / 10);
            frame_ += static_cast<char>('0' + index % 10);
        }
    }
    return *this;
}

ConfigFrameBuilder& ConfigFrameBuilder::Number(const NumberField& field, std::string_view text) {
    if (failure_ != FrameFailure::None) {
        return *this;
    }
    const std::optional<int> value = TryStrToInt(text);
    if (!value) {
        failure_ = FrameFailure::Conversion;
        message_ = ConversionMessage(text);
        return *this;
    }
    int maximum = 0;
    for (int i = 0; i < field.digits; ++i) {
        maximum = maximum * 10 + 9;
    }
    if (*value < 0 || *value > maximum) {
        return Refuse(RangeMessage(field.name, 0, maximum));
    }
    std::string digits(static_cast<std::size_t>(field.digits), '0');
    int rest = *value;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        *it = static_cast<char>('0' + rest % 10);
        rest /= 10;
    }
    frame_ += digits;
    return *this;
}

ConfigFrameBuilder& ConfigFrameBuilder::Raw(std::span<const std::uint8_t> bytes) {
    if (failure_ == FrameFailure::None) {
        frame_.append(bytes.begin(), bytes.end());
    }
    return *this;
}

ConfigFrameBuilder& ConfigFrameBuilder::Refuse(std::string message) {
    if (failure_ == FrameFailure::None) {
        failure_ = FrameFailure::Refused;
        message_ = std::move(message);
    }
    return *this;
}

FrameResult ConfigFrameBuilder::Result() const {
    switch (failure_) {
    case FrameFailure::Conversion:
        return FrameResult::ConversionError(message_);
    case FrameFailure::Refused:
        return FrameResult::Refuse(message_);
    case FrameFailure::None:
        break;
    }
    return FrameResult::Text(frame_);
}
