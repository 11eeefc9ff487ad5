#pragma once

// The client side of the Telnet COM-PORT option: what to send to set the server's line,
// and what the server's answers and notifications mean in the component's terms (its
// line-error flags and modem events). Pure: events in, bytes and findings out.

#include "serial/net/TelnetCodec.h"

#include <bitset>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace rfc2217 {

// Client-to-server command codes, numbered from 1 as the option numbers them (8 and 9, the
// flow-control suspension, are not used); the server answers each with the code plus 100.
enum Command : std::uint8_t {
    SetBaudRate = 1,
    SetDataSize,
    SetParity,
    SetStopSize,
    SetControl,
    NotifyLineState,
    NotifyModemState,
    SetLineStateMask = 10,
    SetModemStateMask,
    PurgeData,
};
inline constexpr std::uint8_t ServerOffset = 100;

// SET-CONTROL values: no flow control; DTR on and off; RTS on and off.
enum Control : std::uint8_t {
    ControlNoFlow = 1,
    ControlDtrOn = 8,
    ControlDtrOff,
    ControlRtsOn = 11,
    ControlRtsOff,
};

// The line as the option states it.
struct Line {
    std::uint32_t baudRate = 9600;
    std::uint8_t dataSize = 8;
    std::uint8_t parity = 1;   // 1 none, 2 odd, 3 even, 4 mark, 5 space
    std::uint8_t stopSize = 1; // 1 one, 2 two, 3 one and a half
    bool dtr = true;
    bool rts = true;
};

// What one event from the server asks of the component.
struct Findings {
    std::vector<std::uint8_t> reply; // bytes to send back
    std::uint32_t lineErrors = 0;    // CommError* flags
    std::uint32_t modemEvents = 0;   // Modem* values
    std::vector<std::string> notes;  // settings the server refused, each reported once
};

class Client {
public:
    enum class ComPort { Asked, Accepted, Refused };

    // Sent on connecting: the COM-PORT option and binary transmission both ways.
    std::vector<std::uint8_t> Greeting() const;
    // The whole line, flow control off, and which notifications the server is to send,
    // ended by a question for the speed. An answer is matched to the oldest request of its
    // kind (a server answers in order). The answer to the last setting of a kind that differs
    // from what was asked is a refusal, and so is a DTR or RTS request left unanswered
    // before a later answer.
    std::vector<std::uint8_t> LineSettings(const Line& line);
    // Empties the server's buffers both ways; PurgePending() until the server says done.
    std::vector<std::uint8_t> Purge();
    bool PurgePending() const { return purgePending; }

    void Handle(const telnet::Event& event, Findings& findings);
    ComPort ComPortState() const { return comPort; }

private:
    void HandleNegotiation(const telnet::Event& event, Findings& findings);
    void HandleComPort(const std::vector<std::uint8_t>& payload, Findings& findings);
    void Refused(const std::string& what, Findings& findings);
    // Answers a WILL or DO of the server with `verb`, once per option and direction.
    void Answer(const telnet::Event& event, std::uint8_t verb, Findings& findings);
    void Answered(std::uint8_t command, std::uint32_t value, Findings& findings);

    struct Request {
        std::uint8_t command;
        std::uint32_t value; // the value asked for; 0: any answer does
        std::string what;    // as a refusal names it
    };
    void Ask(std::vector<std::uint8_t>& out, std::uint8_t command, std::uint32_t value,
             std::string what);

    ComPort comPort = ComPort::Asked;
    std::deque<Request> pending;
    bool purgePending = false;
    bool binaryIn = false;
    bool binaryOut = false;
    std::set<std::string> reported;
    std::bitset<512> answered; // per option: its WILL answered, its DO answered
};

} // namespace rfc2217
