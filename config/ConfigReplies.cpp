#include "config/ConfigReplies.h"

#include "exchange/IntegerText.h"

#include <array>
#include <utility>

ControlUpdate ControlUpdate::Select(std::string control, int index) {
    ControlUpdate update;
    update.control = std::move(control);
    update.kind = UpdateKind::Select;
    update.index = index;
    return update;
}

ControlUpdate ControlUpdate::SetText(std::string control, std::string text) {
    ControlUpdate update;
    update.control = std::move(control);
    update.kind = UpdateKind::Text;
    update.text = std::move(text);
    return update;
}

ControlUpdate ControlUpdate::Show(std::string control, bool visible) {
    ControlUpdate update;
    update.control = std::move(control);
    update.kind = UpdateKind::Show;
    update.on = visible;
    return update;
}

ControlUpdate ControlUpdate::Enable(std::string control) {
    ControlUpdate update;
    update.control = std::move(control);
    update.kind = UpdateKind::Enable;
    update.on = true;
    return update;
}

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
    ReplyReader(std::string_view text, ReplyDecode& result) : text_(text), result_(result) {}

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
            result_.error = ConversionMessage(field);
        }
        return value;
    }

    // A list takes the field's number, less `shift` for lists whose items are the digits
    // from `shift` on.
    void Index(std::size_t offset, std::size_t width, const char* control, int shift = 0) {
        if (const std::optional<int> value = Integer(offset, width)) {
            result_.updates.push_back(ControlUpdate::Select(control, *value - shift));
        }
    }

    void Text(std::size_t offset, std::size_t width, const char* control) {
        if (!Stopped()) {
            result_.updates.push_back(
                ControlUpdate::SetText(control, std::string(Field(offset, width))));
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

    bool Stopped() const { return result_.error.has_value(); }

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
    ReplyDecode& result_;
    std::size_t at_ = 0;
};

// A list whose item is chosen by a one-character field at `offset` of a group.
struct IndexField {
    std::size_t offset;
    const char* control;
};

// "CAMD" i c ":" s "<" nn "," and the command as hex pairs: the switch, and the command text
// whose length the two count digits give (3 characters per byte, less the last blank).
void ReadCommandGroup(ReplyReader& reader, const char* marker, const char* switchList,
                      const char* commandEdit) {
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
    reader.Index(7, 1, switchList);
    const std::optional<int> high = reader.Integer(9, 1);
    const std::optional<int> low = reader.Integer(10, 1);
    if (!high || !low) {
        return;
    }
    const int count = *high * 10 + *low;
    reader.Text(TextOffset, count == 0 ? 0 : static_cast<std::size_t>(3 * count - 1), commandEdit);
}

} // namespace

ReplyDecode DecodeCommunicationReply(std::string_view text) {
    ReplyDecode result;
    result.endsRequest = true;
    ReplyReader reader(text, result);
    if (!reader.Group("QV:", 5)) {
        return result;
    }
    reader.Index(3, 1, "ComboBox13");
    reader.Index(4, 1, "ComboBox1");
    if (reader.Stopped()) {
        return result;
    }
    // Everything that needs a module on the line.
    static constexpr std::array<const char*, 15> Buttons = {
        "Button16", "Button21", "Button24", "Button29", "Button27",
        "Button5",  "Button9",  "Button7",  "Button14", "Button10",
        "Button17", "Button18", "Button12", "Button31", "Button23",
    };
    for (const char* button : Buttons) {
        result.updates.push_back(ControlUpdate::Enable(button));
    }
    return result;
}

ReplyDecode DecodeSystemParameterReply(std::string_view text) {
    ReplyDecode result;
    if (text.find("QX") == std::string_view::npos) {
        return result;
    }
    ReplyReader reader(text, result);
    // The four display groups follow "DIS1:" ten characters apart.
    if (reader.Group("DIS1:", 39)) {
        static constexpr std::array<const char*, 4> Values = {"XS01", "XS02", "XS03", "XS04"};
        static constexpr std::array<const char*, 4> Formats = {"XSFA1", "XSFA2", "XSFA3", "XSFA4"};
        for (std::size_t group = 0; group < Values.size(); ++group) {
            reader.Index(5 + 10 * group, 2, Values[group]);
            reader.Index(8 + 10 * group, 1, Formats[group]);
        }
    }
    if (reader.Group("BA1:", 6)) {
        reader.Index(4, 1, "ComboBox2");
        reader.Index(5, 1, "ComboBox4");
    }
    if (reader.Group("BA2:", 6)) {
        reader.Index(4, 1, "ComboBox8");
        reader.Index(5, 1, "ComboBox9");
    }
    if (reader.Group("MD:", 4)) {
        reader.Index(3, 1, "ComboBox7");
        reader.Index(3, 1, "ComboBox14");
    }
    if (reader.Group("ADR:", 7)) {
        reader.Text(4, 3, "Edit14");
    }
    if (reader.Group("JTM:", 7)) {
        reader.Text(4, 3, "Edit6");
    }
    return result;
}

ReplyDecode DecodeModbusParameterReply(std::string_view text, int instrumentType) {
    ReplyDecode result;
    if (text.find("QQ") == std::string_view::npos) {
        return result;
    }
    ReplyReader reader(text, result);
    if (reader.Group("FMW:", 11)) {
        reader.Index(4, 1, "ComboBox18");
        reader.Text(6, 5, "Beilv");
    }
    if (reader.Group("HART?:", 18)) {
        reader.Index(6, 1, "ComboBox6");
        reader.Index(8, 1, "ComboBox16");
        if (const std::optional<int> type = reader.Integer(10, 2)) {
            result.updates.push_back(ControlUpdate::Select("ComboBox17", *type));
            instrumentType = *type;
        }
        reader.Index(13, 1, "ComboBox34", 4);
        reader.Text(15, 3, "Edit1");
    }
    if (reader.Group("DFO?:", 10)) {
        static constexpr std::array<IndexField, 5> Formats{{
            {5, "FAMOUT1"},
            {6, "FAMOUT3"},
            {7, "FAMOUT5"},
            {8, "FAMOUT7"},
            {9, "FAMOUT9"},
        }};
        for (const IndexField& format : Formats) {
            reader.Index(format.offset, 1, format.control);
        }
    }
    if (reader.Stopped()) {
        return result;
    }
    // Only a custom instrument has read commands and a parsing format of its own.
    const bool custom = instrumentType == 0;
    result.updates.push_back(ControlUpdate::Show("GroupBox13", custom));
    if (!custom) {
        return result;
    }
    if (reader.Group("ZDY?:", 26)) {
        reader.Index(5, 1, "ComboBox15", 3);
        struct Variable {
            std::size_t offset;
            const char* source;
            const char* start;
            const char* length;
        };
        static constexpr std::array<Variable, 4> Variables{{
            {7, "RADCOM1", "READADR1", "READLG1"},
            {12, "RADCOM3", "READADR3", "READLG3"},
            {17, "RADCOM5", "READADR5", "READLG5"},
            {22, "RADCOM7", "READADR7", "READLG7"},
        }};
        for (const Variable& variable : Variables) {
            reader.Index(variable.offset, 1, variable.source);
            reader.Text(variable.offset + 1, 2, variable.start);
            reader.Index(variable.offset + 3, 1, variable.length);
        }
    }
    if (reader.Group("MD:", 4)) {
        reader.Index(3, 1, "ComboBox7");
        reader.Index(3, 1, "ComboBox14");
    }
    ReadCommandGroup(reader, "CAMD?1:", "ComboBox28", "Edit4");
    ReadCommandGroup(reader, "CAMD?2:", "ComboBox29", "Edit5");
    return result;
}
