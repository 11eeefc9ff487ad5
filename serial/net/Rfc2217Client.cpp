#include "serial/net/Rfc2217Client.h"

#include "serial/TComm.h"

#include <algorithm>

namespace rfc2217 {

using namespace telnet;

std::vector<std::uint8_t> Client::Greeting() const {
    std::vector<std::uint8_t> out;
    AppendNegotiation(out, Will, OptionComPort);
    AppendNegotiation(out, Will, OptionBinary);
    AppendNegotiation(out, Do, OptionBinary);
    return out;
}

namespace {
void AppendCommand(std::vector<std::uint8_t>& out, std::uint8_t command,
                   std::initializer_list<std::uint8_t> values) {
    std::vector<std::uint8_t> payload{command};
    payload.insert(payload.end(), values);
    AppendSubnegotiation(out, OptionComPort, payload);
}

std::uint32_t BigEndian(const std::vector<std::uint8_t>& payload) {
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < 5; ++i)
        value = (value << 8) | payload[i];
    return value;
}

// The line-state bits the server sets for a received line error, as the component's flags.
constexpr struct {
    std::uint8_t bit;
    std::uint32_t flag;
} LineStateErrors[] = {{0x02, CommErrorOverrun},
                       {0x04, CommErrorParity},
                       {0x08, CommErrorFrame},
                       {0x10, CommErrorBreak}};
constexpr std::uint8_t ModemDeltaCarrier = 0x08;
constexpr std::uint8_t ModemTrailingRing = 0x04;
} // namespace

void Client::Ask(std::vector<std::uint8_t>& out, std::uint8_t command, std::uint32_t value,
                 std::string what) {
    if (command == SetBaudRate)
        AppendCommand(out, command,
                      {static_cast<std::uint8_t>(value >> 24),
                       static_cast<std::uint8_t>(value >> 16),
                       static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
    else
        AppendCommand(out, command, {static_cast<std::uint8_t>(value)});
    // A server that never answers cannot make the list grow without bound.
    if (pending.size() >= 64)
        pending.pop_front();
    pending.push_back({command, value, std::move(what)});
}

std::vector<std::uint8_t> Client::LineSettings(const Line& line) {
    std::vector<std::uint8_t> out;
    Ask(out, SetBaudRate, line.baudRate, "the speed of " + std::to_string(line.baudRate) + " baud");
    Ask(out, SetDataSize, line.dataSize,
        "the data size of " + std::to_string(line.dataSize) + " bits");
    Ask(out, SetParity, line.parity, "the parity");
    Ask(out, SetStopSize, line.stopSize, "the stop bits");
    Ask(out, SetControl, ControlNoFlow, "flow control off");
    Ask(out, SetControl, line.dtr ? ControlDtrOn : ControlDtrOff, line.dtr ? "DTR on" : "DTR off");
    Ask(out, SetControl, line.rts ? ControlRtsOn : ControlRtsOff, line.rts ? "RTS on" : "RTS off");
    std::uint8_t lineMask = 0;
    for (const auto& error : LineStateErrors)
        lineMask |= error.bit;
    // The masks are not answered by every server: sent, not awaited.
    AppendCommand(out, SetLineStateMask, {lineMask});
    AppendCommand(out, SetModemStateMask, {ModemDeltaCarrier | ModemTrailingRing});
    // The question is sent as speed 0 (any answer does): a server that answers it has
    // handled every request before it.
    Ask(out, SetBaudRate, 0, {});
    return out;
}

std::vector<std::uint8_t> Client::Purge() {
    purgePending = true;
    std::vector<std::uint8_t> out;
    AppendCommand(out, PurgeData, {3});
    return out;
}

void Client::Refused(const std::string& what, Findings& findings) {
    if (reported.insert(what).second)
        findings.notes.push_back("the server refused " + what);
}

void Client::Handle(const Event& event, Findings& findings) {
    if (event.kind == Event::Kind::Negotiation)
        HandleNegotiation(event, findings);
    else if (event.option == OptionComPort && comPort == ComPort::Accepted)
        HandleComPort(event.payload, findings);
}

void Client::HandleNegotiation(const Event& event, Findings& findings) {
    const bool positive = event.verb == Do || event.verb == Will;
    switch (event.option) {
    case OptionComPort:
        if (event.verb == Do) {
            comPort = ComPort::Accepted;
        } else if (event.verb == Dont) {
            comPort = ComPort::Refused;
            Refused("the COM-PORT option: the line is set on the server", findings);
        } else {
            Answer(event, Dont, findings); // we are no server
        }
        return;
    case OptionBinary: {
        // Both directions were asked for in the greeting; an answer is acknowledged only
        // when it changes the state, so that no negotiation loops.
        bool& state = event.verb == Do || event.verb == Dont ? binaryOut : binaryIn;
        if (!positive)
            Refused("binary transmission", findings);
        state = positive;
        return;
    }
    case OptionSuppressGoAhead:
        Answer(event, event.verb == Will ? Do : Will, findings);
        return;
    default:
        // Every other option is declined; a refusal needs no answer.
        Answer(event, event.verb == Will ? Dont : Wont, findings);
        return;
    }
}

void Client::Answer(const Event& event, std::uint8_t verb, Findings& findings) {
    if (event.verb != Will && event.verb != Do)
        return;
    // Each request is answered once a connection: a server that repeats it (or floods) gets
    // no more bytes back than the options there are.
    const std::size_t slot = event.option * 2u + (event.verb == Will ? 0u : 1u);
    if (answered.test(slot))
        return;
    answered.set(slot);
    AppendNegotiation(findings.reply, verb, event.option);
}

namespace {
// The SET-CONTROL values that concern one line or setting share a group, so an answer is
// matched to the request it answers: flow control, break, DTR, RTS.
int ControlGroup(std::uint32_t value) {
    if (value <= 3 || (value >= 13 && value <= 19))
        return 0;
    if (value <= 6)
        return 1;
    return value <= 9 ? 2 : 3;
}
} // namespace

void Client::Answered(std::uint8_t command, std::uint32_t value, Findings& findings) {
    const auto answers = [&](const Request& r) {
        return r.command == command &&
               (command != SetControl || ControlGroup(r.value) == ControlGroup(value));
    };
    std::size_t k = 0;
    while (k < pending.size() && !answers(pending[k]))
        ++k;
    if (k == pending.size())
        return; // answers nothing we asked
    for (std::size_t i = 0; i < k; ++i)
        if (pending[i].command == SetControl && ControlGroup(pending[i].value) >= 2)
            Refused(pending[i].what, findings);
    // Only the last setting of a kind says what the server should have now: a server may
    // answer a quick run of changes with the value it has reached, and a question with the
    // value it had before the last change was through.
    const bool last =
        std::none_of(pending.begin() + static_cast<std::ptrdiff_t>(k) + 1, pending.end(),
                     [&](const Request& r) { return answers(r) && r.value != 0; });
    if (last && pending[k].value != 0 && pending[k].value != value)
        Refused(pending[k].what, findings);
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(k) + 1);
}

void Client::HandleComPort(const std::vector<std::uint8_t>& payload, Findings& findings) {
    if (payload.size() < 2 || payload[0] < ServerOffset)
        return;
    const std::uint8_t command = payload[0] - ServerOffset;
    const std::uint8_t value = payload[1];
    switch (command) {
    case SetBaudRate:
        if (payload.size() >= 5)
            Answered(command, BigEndian(payload), findings);
        break;
    case SetDataSize:
    case SetParity:
    case SetStopSize:
    case SetControl:
        Answered(command, value, findings);
        break;
    case PurgeData:
        purgePending = false;
        break;
    case NotifyLineState:
        for (const auto& error : LineStateErrors)
            if ((value & error.bit) != 0)
                findings.lineErrors |= error.flag;
        break;
    case NotifyModemState:
        if ((value & ModemDeltaCarrier) != 0)
            findings.modemEvents |= ModemCarrierChanged;
        if ((value & ModemTrailingRing) != 0)
            findings.modemEvents |= ModemRingIndicator;
        break;
    default:
        break;
    }
}

} // namespace rfc2217
