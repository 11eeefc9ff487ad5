#include "link/RequestTable.h"

#include <array>

namespace {

using enum RequestKind;
using enum TimeoutStart;
using TimeoutReport::Connection;
using TimeoutReport::ParameterQuery;

constexpr ReceiveRoute TextDecoded{false, DecodeAction::Start, false};
constexpr ReceiveRoute HexDecoded{true, DecodeAction::Start, false};
constexpr ReceiveRoute HexShown{true, DecodeAction::Leave, false};
constexpr ReceiveRoute TextEnds{false, DecodeAction::Leave, true};
constexpr ReceiveRoute TextStopsDecode{false, DecodeAction::Stop, false};

// One row per kind, in the enum's order.
constexpr std::array<RequestRule, 12> Table{{
    // kind, code, report, time-out start, route, decoder, decode ends it, name
    {RequestKind::None, 0, TimeoutReport::None, FreshInterval, TextEnds, ReplyDecoder::None, false,
     "none"},
    {HartIdentity, 100, TimeoutReport::Setting, KeepInterval, HexDecoded,
     ReplyDecoder::HartIdentity, false, "hart-identity"},
    // The display tests share the identity's code, so their answers pass through the
    // identity decode.
    {RequestKind::DisplayTest, 100, TimeoutReport::DisplayTest, FreshInterval, HexDecoded,
     ReplyDecoder::HartIdentity, false, "display-test"},
    {HartDynamicVariables, 103, TimeoutReport::Setting, KeepInterval, HexDecoded,
     ReplyDecoder::HartDynamicVariables, false, "hart-variables"},
    {HartManual, 104, TimeoutReport::Setting, KeepInterval, HexShown, ReplyDecoder::None, false,
     "hart-manual"},
    {HartWriteAddress, 106, TimeoutReport::Setting, FreshInterval, HexShown, ReplyDecoder::None,
     false, "hart-write-address"},
    {RequestKind::Setting, 200, TimeoutReport::Setting, FreshInterval, TextEnds, ReplyDecoder::None,
     false, "setting"},
    {Communication, 201, Connection, FreshInterval, TextDecoded, ReplyDecoder::Communication, true,
     "communication"},
    {SystemParameters, 202, ParameterQuery, FreshInterval, TextDecoded,
     ReplyDecoder::SystemParameters, false, "system-parameters"},
    {ChannelParameters, 301, ParameterQuery, FreshInterval, TextDecoded,
     ReplyDecoder::ChannelParameters, false, "channel-parameters"},
    {ModbusTest, 302, Connection, FreshInterval, HexShown, ReplyDecoder::None, false,
     "modbus-test"},
    {DisplaySetting, 1000, TimeoutReport::Setting, FreshInterval, TextStopsDecode,
     ReplyDecoder::None, false, "display-setting"},
}};

constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < Table.size(); ++i)
        if (static_cast<std::size_t>(Table[i].kind) != i)
            return false;
    return true;
}
static_assert(InEnumOrder(), "one row per request kind, in the enum's order");

} // namespace

const RequestRule& RuleOf(RequestKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < Table.size() ? Table[index] : Table[0];
}
