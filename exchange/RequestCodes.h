#pragma once

// Codes of the reply a request awaits (the window's PendingRequest) and the kinds of
// report the reply time-out gives (the window's TimeoutKind). One request is outstanding
// at a time; a new request overwrites both.
namespace Request {
inline constexpr int None = 0;
// HART identity query (command 0); the display tests share this code, so their replies
// pass through the identity decode.
inline constexpr int HartIdentity = 100;
inline constexpr int DisplayTest = 100;
inline constexpr int HartDynamicVariables = 103; // HART command 3
inline constexpr int HartManual = 104;           // hand-typed HART frame
inline constexpr int HartWriteAddress = 106;     // HART command 6
inline constexpr int Setting = 200;              // any "QQS#" setting
inline constexpr int Communication = 201;        // "QQQ#QV#"
inline constexpr int SystemParameters = 202;     // "QQQ#QX#"
inline constexpr int ModbusParameters = 301;     // "QQQ#QQ" i "#"
inline constexpr int ModbusTest = 302;           // MODBUS RTU read test
inline constexpr int DisplaySetting = 1000;      // "QQS#DPS" k
} // namespace Request

namespace Timeout {
inline constexpr int None = 0;           // nothing sent yet: no report
inline constexpr int Connection = 1;     // "connection time out!"
inline constexpr int ParameterQuery = 2; // "parameter query timeout!"
inline constexpr int Setting = 3;        // "set timeout" in Label68, then "!"
inline constexpr int DisplayTest = 4;    // silent

// Reply time-out of almost every request, and the interval the reply timer has before
// any request has set it.
inline constexpr int ReplyMs = 3000;
inline constexpr int InitialReplyMs = 1000;
// Reply decoding runs this long after a chunk arrived.
inline constexpr int DecodeDelayMs = 300;
// The receive handler pauses this long before it takes a chunk.
inline constexpr int ReceivePauseMs = 300;
// After a command that changes the module's own line the port closes this much later.
inline constexpr int AutoCloseMs = 2000;
} // namespace Timeout
