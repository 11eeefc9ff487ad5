// What a network port's server sends, cut into reads anywhere: the Telnet layer and the
// COM-PORT client never crash or read past a read, keep no more data than arrived, answer
// with bounded replies, and data escaped for the wire decodes back to itself. The port's
// name is parsed on the way.
#include "fuzz/FuzzInput.h"
#include "serial/net/NetPortName.h"
#include "serial/net/Rfc2217Client.h"
#include "serial/net/TelnetCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    std::string error;
    const ExactCopy name = input.Field();
    const auto parsed = ParseNetPortName(name.Text(), error);
    if (parsed && (parsed->port == 0 || parsed->host.empty() || !IsNetPortName(name.Text())))
        std::abort();

    telnet::Decoder decoder;
    rfc2217::Client client;
    rfc2217::Line line;
    line.baudRate = 19200;
    (void)client.LineSettings(line);
    std::vector<telnet::Event> events;
    while (!input.Empty()) {
        const ExactCopy read = input.Field();
        std::vector<std::uint8_t> buffer(read.Bytes().begin(), read.Bytes().end());
        events.clear();
        const std::size_t kept = decoder.Decode(buffer.data(), buffer.size(), events);
        if (kept > buffer.size())
            std::abort();
        rfc2217::Findings findings;
        for (const telnet::Event& event : events) {
            if (event.payload.size() > telnet::Decoder::MaxSubnegotiation)
                std::abort();
            client.Handle(event, findings);
        }
        if (findings.reply.size() > 3 * events.size())
            std::abort();
        if ((input.Byte() & 1) != 0)
            (void)client.LineSettings(line);

        // Data escaped for the wire comes back whole through a decoder at rest.
        std::vector<std::uint8_t> wire;
        telnet::AppendEscaped(wire, read.Bytes());
        telnet::Decoder fresh;
        std::vector<telnet::Event> none;
        const std::size_t back = fresh.Decode(wire.data(), wire.size(), none);
        if (!none.empty() || back != read.Bytes().size() ||
            !std::equal(wire.begin(), wire.begin() + static_cast<long>(back), read.Bytes().begin()))
            std::abort();
    }
    return 0;
}
