#pragma once

// Every request the tool sends to the module, and the rules of its exchange: which code the
// module's answer is awaited under, how an unanswered request is reported, how a received
// chunk is handled while it is awaited, and which decoder reads its answer. One request is
// outstanding at a time; a new one replaces it.

#include <cstdint>
#include <string_view>

enum class RequestKind : std::uint8_t {
    None,                 // nothing awaited
    HartIdentity,         // HART command 0
    DisplayTest,          // "PPPPPP#QA#" / "PPPPPP#QB#", awaited under the identity's code
    HartDynamicVariables, // HART command 3
    HartManual,           // a hand-typed HART frame
    HartWriteAddress,     // HART command 6
    Setting,              // any "QQS#" setting
    Communication,        // "QQQ#QV#"
    SystemParameters,     // "QQQ#QX#"
    ChannelParameters,    // "QQQ#QQ" i "#"
    ModbusTest,           // MODBUS RTU read test
    DisplaySetting,       // "QQS#DPS" k
};

// How the reply time-out reports an unanswered request.
enum class TimeoutReport : std::uint8_t {
    None,           // nothing sent yet: no report
    Connection,     // "connection time out!"
    ParameterQuery, // "parameter query timeout!"
    Setting,        // "set timeout", then "!"
    DisplayTest,    // silent
};

// What a received chunk does to the reply-decoding delay.
enum class DecodeAction : std::uint8_t { Leave, Start, Stop };

struct ReceiveRoute {
    bool hex;            // shown as a hex dump (else as text)
    DecodeAction decode; // what happens to the pending decode
    bool resetPending;   // the pending request ends here
    bool operator==(const ReceiveRoute&) const = default;
};

// Which decoder reads the answer once the decode delay has passed.
enum class ReplyDecoder : std::uint8_t {
    None,
    HartIdentity,
    HartDynamicVariables,
    Communication,
    SystemParameters,
    ChannelParameters,
};

// Whether a request gives the reply time-out a fresh interval or only starts it with the
// interval last set (the HART queries).
enum class TimeoutStart : std::uint8_t { FreshInterval, KeepInterval };

struct RequestRule {
    RequestKind kind;
    int code; // the code the answer is awaited under (several kinds may share one)
    TimeoutReport timeout;
    TimeoutStart timeoutStart;
    ReceiveRoute route;
    ReplyDecoder decoder;
    bool decodeEndsRequest; // a decoded answer clears the pending request and its report
    std::string_view name;
};

const RequestRule& RuleOf(RequestKind kind);

// The exchange's times.
namespace LinkTiming {
// Reply time-out of almost every request, and the interval before any request set it.
inline constexpr int ReplyMs = 3000;
inline constexpr int InitialReplyMs = 1000;
// Reply decoding runs this long after a chunk arrived.
inline constexpr int DecodeDelayMs = 300;
// The receive path pauses this long before it takes each chunk. The serial component has
// already cut the chunk at the line's idle gap, so the pause joins nothing: a reply that
// arrives in pieces still comes as several chunks, and the decode reads the last one.
inline constexpr int ReceivePauseMs = 300;
// After a command that changes the module's own line the port closes this much later.
inline constexpr int AutoCloseMs = 2000;
} // namespace LinkTiming
