#include "config/ConfigReplies.h"

#include "exchange/IntegerText.h"

#include <array>

std::optional<std::size_t> FindMarker(std::string_view text, std::string_view marker) {
    if (marker.empty() || marker.size() > text.size()) {
        return std::nullopt;
    }
    for (std::size_t k = 0; k + marker.size() <= text.size(); ++k) {
        bool match = true;
        for (std::size_t i = 0; i < marker.size() && match; ++i) {
            match = marker[i] == '?' || marker[i] == text[k + i];
        }
        if (match) {
            return k;
        }
    }
    return std::nullopt;
}

namespace {

// Reads one answer group after group. A group is located by its marker and counts as
// missing when the marker is absent or when any of its fields would lie past the end of
// the text. The first field that should be a number and is not stops the whole decode.
class ReplyReader {
public:
    ReplyReader(std::string_view text, std::optional<std::string>& error)
        : text_(text), error_(error) {}

    // Locates a group whose fields end `extent` characters after the marker's start.
    bool Group(std::string_view marker, std::size_t extent) {
        if (Stopped()) {
            return false;
        }
        const std::optional<std::size_t> at = FindMarker(text_, marker);
        if (!at || extent > text_.size() - *at) {
            return false;
        }
        at_ = *at;
        return true;
    }

    // The field's characters read as a decimal integer; nullopt (and the decode stopped)
    // when they are not one.
    std::optional<int> Integer(std::size_t offset, std::size_t width) {
        if (Stopped()) {
            return std::nullopt;
        }
        const std::string_view field = Field(offset, width);
        const std::optional<int> value = TryStrToInt(field);
        if (!value) {
            error_ = ConversionMessage(field);
        }
        return value;
    }

    // A list field takes the field's number, less `shift` for lists whose items are the
    // digits from `shift` on.
    void Index(std::size_t offset, std::size_t width, std::optional<int>& out, int shift = 0) {
        if (const std::optional<int> value = Integer(offset, width)) {
            out = *value - shift;
        }
    }

    void Text(std::size_t offset, std::size_t width, std::optional<std::string>& out) {
        if (!Stopped()) {
            out = std::string(Field(offset, width));
        }
    }

    // The raw character at `offset` of the group, for extents that depend on the answer.
    std::optional<char> Peek(std::size_t offset) const {
        return at_ + offset < text_.size() ? std::optional<char>(text_[at_ + offset])
                                           : std::nullopt;
    }

    // Like Group, once the group is found, for a group whose end is only known from its
    // own fields.
    bool Fits(std::size_t extent) const { return extent <= text_.size() - at_; }

    bool Stopped() const { return error_.has_value(); }

private:
    // Only called for fields that Group or Fits placed inside the text; an empty field may
    // sit just past its end.
    std::string_view Field(std::size_t offset, std::size_t width) const {
        if (width == 0) {
            return {};
        }
        return text_.substr(at_ + offset, width);
    }

    std::string_view text_;
    std::optional<std::string>& error_;
    std::size_t at_ = 0;
};

// "CAMD" i c ":" s "<" nn "," and the command as hex pairs: the switch, and the command text
// whose length the two count digits give (3 characters per byte, less the last blank).
void ReadCommandGroup(ReplyReader& reader, const char* marker, ReadCommandReply& command) {
    constexpr std::size_t FixedExtent = 11;
    constexpr std::size_t TextOffset = 12;
    if (!reader.Group(marker, FixedExtent)) {
        return;
    }
    // When both count digits are digits the group's full length is known before any field
    // is taken, and a command cut off by the end of the text makes the group missing.
    const char tens = *reader.Peek(9);
    const char ones = *reader.Peek(10);
    if (tens >= '0' && tens <= '9' && ones >= '0' && ones <= '9') {
        const std::size_t count = static_cast<std::size_t>(tens - '0') * 10 + (ones - '0');
        const std::size_t extent = count == 0 ? FixedExtent : TextOffset + 3 * count - 1;
        if (!reader.Fits(extent)) {
            return;
        }
    }
    reader.Index(7, 1, command.enabled);
    const std::optional<int> high = reader.Integer(9, 1);
    const std::optional<int> low = reader.Integer(10, 1);
    if (!high || !low) {
        return;
    }
    const int count = *high * 10 + *low;
    reader.Text(TextOffset, count == 0 ? 0 : static_cast<std::size_t>(3 * count - 1),
                command.bytes);
}

} // namespace

CommunicationReply DecodeCommunicationReply(std::string_view text) {
    CommunicationReply result;
    ReplyReader reader(text, result.error);
    if (reader.Group("QV:", 5)) {
        reader.Index(3, 1, result.interfaceType);
        reader.Index(4, 1, result.instrumentCount);
    }
    return result;
}

SystemParameterReply DecodeSystemParameterReply(std::string_view text) {
    SystemParameterReply result;
    if (text.find("QX") == std::string_view::npos) {
        return result;
    }
    ReplyReader reader(text, result.error);
    // The four display groups follow "DIS1:" ten characters apart.
    if (reader.Group("DIS1:", 39)) {
        for (std::size_t group = 0; group < result.display.size(); ++group) {
            reader.Index(5 + 10 * group, 2, result.display[group].value);
            reader.Index(8 + 10 * group, 1, result.display[group].format);
        }
    }
    if (reader.Group("BA1:", 6)) {
        reader.Index(4, 1, result.rs232.baud);
        reader.Index(5, 1, result.rs232.parity);
    }
    if (reader.Group("BA2:", 6)) {
        reader.Index(4, 1, result.rs485.baud);
        reader.Index(5, 1, result.rs485.parity);
    }
    if (reader.Group("MD:", 4)) {
        reader.Index(3, 1, result.operatingMode);
    }
    if (reader.Group("ADR:", 7)) {
        reader.Text(4, 3, result.slaveAddress);
    }
    if (reader.Group("JTM:", 7)) {
        reader.Text(4, 3, result.pollInterval);
    }
    return result;
}

ChannelReply DecodeChannelReply(std::string_view text, int instrumentType) {
    ChannelReply result;
    if (text.find("QQ") == std::string_view::npos) {
        return result;
    }
    ReplyReader reader(text, result.error);
    if (reader.Group("FMW:", 11)) {
        reader.Index(4, 1, result.coefficientMode);
        reader.Text(6, 5, result.coefficient);
    }
    if (reader.Group("HART?:", 18)) {
        reader.Index(6, 1, result.hartEnabled);
        reader.Index(8, 1, result.hartMode);
        reader.Index(10, 2, result.instrumentType);
        if (result.instrumentType) {
            instrumentType = *result.instrumentType;
        }
        reader.Index(13, 1, result.prefixLength, 4);
        reader.Text(15, 3, result.cacheTime);
    }
    if (reader.Group("DFO?:", 10)) {
        for (std::size_t i = 0; i < result.registerFormats.size(); ++i) {
            reader.Index(5 + i, 1, result.registerFormats[i]);
        }
    }
    if (reader.Stopped()) {
        return result;
    }
    // Only a custom instrument has read commands and a parsing format of its own.
    result.custom = instrumentType == 0;
    if (!*result.custom) {
        return result;
    }
    if (reader.Group("ZDY?:", 26)) {
        reader.Index(5, 1, result.addressBits, 3);
        for (std::size_t i = 0; i < result.variables.size(); ++i) {
            const std::size_t offset = 7 + 5 * i;
            ParsingVariableReply& variable = result.variables[i];
            reader.Index(offset, 1, variable.source);
            reader.Text(offset + 1, 2, variable.start);
            reader.Index(offset + 3, 1, variable.length);
        }
    }
    if (reader.Group("MD:", 4)) {
        reader.Index(3, 1, result.operatingMode);
    }
    ReadCommandGroup(reader, "CAMD?1:", result.commands[0]);
    ReadCommandGroup(reader, "CAMD?2:", result.commands[1]);
    return result;
}
