#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Decoding of the module's answers to the three configuration queries. Fields are found by
// searching a marker from the start of the received text and read at fixed offsets from it;
// the result is the list of control changes to make, in the order they are found, so the
// window applies a decode with one loop over `updates`.

enum class UpdateKind {
    Select, // a list selects item `index`; an index outside its items leaves no selection
    Text,   // an edit takes `text`
    Show,   // a group is shown (`on`) or hidden
    Enable, // a button is enabled
};

struct ControlUpdate {
    std::string control; // the control's name in the window
    UpdateKind kind = UpdateKind::Select;
    int index = -1;
    std::string text;
    bool on = false;

    bool operator==(const ControlUpdate&) const = default;

    static ControlUpdate Select(std::string control, int index);
    static ControlUpdate SetText(std::string control, std::string text);
    static ControlUpdate Show(std::string control, bool visible);
    static ControlUpdate Enable(std::string control);
};

struct ReplyDecode {
    // The answer ends the request: the pending request and its time-out kind go back to 0.
    bool endsRequest = false;
    std::vector<ControlUpdate> updates;
    // Set when a field meant to be a number was not one ("'<field>' is not a valid integer
    // value"): the decode stopped there, and `updates` holds what was decoded before it.
    std::optional<std::string> error;
};

// Answer to "QQQ#QV#": "QV:" t c selects the interface type and instrument count and
// enables the buttons that need a module on the line.
ReplyDecode DecodeCommunicationReply(std::string_view text);

// Answer to "QQQ#QX#" (only a text holding "QX" is one): display groups, both serial
// sides, operating mode, slave address, polling interval.
ReplyDecode DecodeSystemParameterReply(std::string_view text);

// Answer to "QQQ#QQ" i "#" (only a text holding "QQ" is one): coefficient, HART link,
// register formats, and for a custom instrument its parsing format, operating mode and read
// commands. `instrumentType` is the type the window's "Instrument type:" list selects
// before the decode (-1 for none); a "HART" group in the answer replaces it. The custom
// instrument group is shown, and its fields decoded, only when the type is 0.
ReplyDecode DecodeModbusParameterReply(std::string_view text, int instrumentType);

// The first position at which `marker` lies wholly inside `text` and matches it; a '?' in
// the marker matches any character.
std::optional<std::size_t> FindMarker(std::string_view text, std::string_view marker);
