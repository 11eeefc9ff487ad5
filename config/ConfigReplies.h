#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Decoding of the module's answers to the three configuration queries. Fields are found by
// searching a marker from the start of the received text and read at fixed offsets from it.
// Each answer decodes into a struct of the module's settings; a field the answer does not
// carry stays empty. List fields hold the number the answer gives, less the list's first
// digit where the list's items start above 0, and are passed on even when no item has that
// index. Text fields hold the answer's characters as they are.
//
// A field meant to be a number that is not one ("'<field>' is not a valid integer value")
// stops the decode: `error` holds the message and the fields decoded before it stay set.

// Answer to "QQQ#QV#": "QV:" t c.
struct CommunicationReply {
    std::optional<int> interfaceType;
    std::optional<int> instrumentCount;
    std::optional<std::string> error;

    // Both fields read: a module is on the line.
    bool Answered() const { return instrumentCount.has_value(); }
};

// Speed and parity of one serial side of the module.
struct LineReply {
    std::optional<int> baud;
    std::optional<int> parity;
};

// What one digit group of the module's display shows, and as float (0) or integer (1).
struct DisplayGroupReply {
    std::optional<int> value;
    std::optional<int> format;
};

// Answer to "QQQ#QX#".
struct SystemParameterReply {
    std::array<DisplayGroupReply, 4> display;
    LineReply rs232;
    LineReply rs485;
    std::optional<int> operatingMode;
    std::optional<std::string> slaveAddress; // three characters
    std::optional<std::string> pollInterval; // three characters
    std::optional<std::string> error;
};

// Where one variable of a custom instrument lies in the answer to a read command.
struct ParsingVariableReply {
    std::optional<int> source;
    std::optional<std::string> start; // two characters
    std::optional<int> length;
};

// One read command of a custom instrument: its switch and its bytes as hex-pair text.
struct ReadCommandReply {
    std::optional<int> enabled;
    std::optional<std::string> bytes;
};

// Answer to "QQQ#QQ" i "#", the settings of one instrument channel.
struct ChannelReply {
    std::optional<int> coefficientMode;
    std::optional<std::string> coefficient; // five characters
    std::optional<int> hartEnabled;
    std::optional<int> hartMode;
    std::optional<int> instrumentType;
    std::optional<int> prefixLength;      // item of the "4".."9" list
    std::optional<std::string> cacheTime; // three characters
    std::array<std::optional<int>, 5> registerFormats;
    // Whether the custom instrument's section applies (instrument type 0); set once the
    // groups before it decoded without error.
    std::optional<bool> custom;
    std::optional<int> addressBits; // item of the "3".."9" list
    std::array<ParsingVariableReply, 4> variables;
    std::optional<int> operatingMode;
    std::array<ReadCommandReply, 2> commands;
    std::optional<std::string> error;
};

CommunicationReply DecodeCommunicationReply(std::string_view text);

// Only a text holding "QX" is an answer: display groups, both serial sides, operating mode,
// slave address, polling interval.
SystemParameterReply DecodeSystemParameterReply(std::string_view text);

// Only a text holding "QQ" is an answer: coefficient, HART link, register formats, and for
// a custom instrument its parsing format, operating mode and read commands.
// `instrumentType` is the type known before the decode (-1 for none); a "HART" group in the
// answer replaces it. The custom section is decoded only when the type is 0.
ChannelReply DecodeChannelReply(std::string_view text, int instrumentType);

// The first position at which `marker` lies wholly inside `text` and matches it; a '?' in
// the marker matches any character.
std::optional<std::size_t> FindMarker(std::string_view text, std::string_view marker);
