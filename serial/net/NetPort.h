#pragma once

// A network port: a TCP connection standing in for the serial line, raw ("tcp://") or with
// the Telnet COM-PORT option ("rfc2217://") setting the server's line. It runs the same
// reader and writer threads as a local port, so chunks are cut at the same inter-byte gap
// and a dropped connection is reported as a lost port (a hang-up).

#include "serial/net/NetPortName.h"

#include <cstdint>
#include <memory>

class TComm;
namespace rfc2217 {
struct Findings;
}

class NetPort {
public:
    NetPort(TComm& owner, NetPortName name);
    ~NetPort(); // closes
    NetPort(const NetPort&) = delete;
    NetPort& operator=(const NetPort&) = delete;

    // Connects within `timeoutMs` and sets the line; throws ECommsError with the system's
    // reason. On failure nothing stays open.
    void Open(std::uint32_t timeoutMs);
    bool Write(const void* buffer, std::uint16_t length);
    // The line settings of the owner, sent to an RFC 2217 server (nothing for raw TCP).
    void ApplyCommState();
    void ApplyCommTimeouts();
    // An RFC 2217 server that took the option reports line errors.
    bool LineErrorCountersAvailable() const;

private:
    // The reader's Telnet layer: data left at the front, commands answered and turned into
    // the component's notifications.
    std::size_t Decode(std::uint8_t* bytes, std::size_t count);
    void Post(const rfc2217::Findings& findings);

    struct State;
    TComm& owner;
    NetPortName name;
    std::unique_ptr<State> state;
};
