#pragma once

// The configuration answers as settings of the module. Until the shared decoders give typed
// replies, the window's decode is read back by the names it updates; the structs match the
// typed replies so that the commands do not change when the decoders do.

#include "config/ConfigReplies.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

struct CommunicationReply {
    std::optional<int> interfaceType;
    std::optional<int> instrumentCount;
    std::optional<std::string> error;
    bool Answered() const { return instrumentCount.has_value(); }
};

struct LineReply {
    std::optional<int> baud;
    std::optional<int> parity;
};

struct DisplayGroupReply {
    std::optional<int> value;
    std::optional<int> format;
};

struct SystemParameterReply {
    std::array<DisplayGroupReply, 4> display;
    LineReply rs232;
    LineReply rs485;
    std::optional<int> operatingMode;
    std::optional<std::string> slaveAddress;
    std::optional<std::string> pollInterval;
    std::optional<std::string> error;
};

struct ParsingVariableReply {
    std::optional<int> source;
    std::optional<std::string> start;
    std::optional<int> length;
};

struct ReadCommandReply {
    std::optional<int> enabled;
    std::optional<std::string> bytes;
};

struct ChannelReply {
    std::optional<int> coefficientMode;
    std::optional<std::string> coefficient;
    std::optional<int> hartEnabled;
    std::optional<int> hartMode;
    std::optional<int> instrumentType;
    std::optional<int> prefixLength;
    std::optional<std::string> cacheTime;
    std::array<std::optional<int>, 5> registerFormats;
    std::optional<bool> custom;
    std::optional<int> addressBits;
    std::array<ParsingVariableReply, 4> variables;
    std::optional<int> operatingMode;
    std::array<ReadCommandReply, 2> commands;
    std::optional<std::string> error;
};

CommunicationReply DecodeCommunication(std::string_view text);
SystemParameterReply DecodeSystem(std::string_view text);
ChannelReply DecodeChannel(std::string_view text);
