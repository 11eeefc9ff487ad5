#include "serial/net/TelnetCodec.h"

namespace telnet {

void AppendEscaped(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> data) {
    out.reserve(out.size() + data.size());
    for (std::uint8_t b : data) {
        out.push_back(b);
        if (b == Iac)
            out.push_back(Iac);
    }
}

void AppendNegotiation(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option) {
    out.insert(out.end(), {Iac, verb, option});
}

void AppendSubnegotiation(std::vector<std::uint8_t>& out, std::uint8_t option,
                          std::span<const std::uint8_t> payload) {
    out.insert(out.end(), {Iac, Sb, option});
    AppendEscaped(out, payload);
    out.insert(out.end(), {Iac, Se});
}

std::size_t Decoder::Decode(std::uint8_t* buffer, std::size_t count, std::vector<Event>& events) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count;) {
        const std::uint8_t b = buffer[i++];
        switch (state) {
        case State::Data:
            if (b == Iac)
                state = State::Iac;
            else
                buffer[kept++] = b;
            break;
        case State::Iac:
            if (b == Iac) {
                buffer[kept++] = b;
                state = State::Data;
            } else if (b == Will || b == Wont || b == Do || b == Dont) {
                verb = b;
                state = State::Verb;
            } else if (b == Sb) {
                state = State::SubOption;
            } else {
                state = State::Data; // NOP, GA, a stray SE: nothing to do
            }
            break;
        case State::Verb:
            events.push_back({Event::Kind::Negotiation, verb, b, {}});
            state = State::Data;
            break;
        case State::SubOption:
            option = b;
            payload.clear();
            overflow = false;
            state = State::SubData;
            break;
        case State::SubData:
            if (b == Iac) {
                state = State::SubIac;
            } else if (payload.size() < MaxSubnegotiation) {
                payload.push_back(b);
            } else {
                overflow = true;
            }
            break;
        case State::SubIac:
            if (b == Iac) {
                if (payload.size() < MaxSubnegotiation)
                    payload.push_back(b);
                else
                    overflow = true;
                state = State::SubData;
            } else if (b == Se) {
                if (!overflow)
                    events.push_back({Event::Kind::Subnegotiation, Sb, option, payload});
                payload.clear();
                state = State::Data;
            } else {
                // A command inside a subnegotiation ends it unfinished; the command itself
                // is read as one outside.
                payload.clear();
                state = State::Iac;
                --i; // read again in its own state
            }
            break;
        }
    }
    return kept;
}

} // namespace telnet
