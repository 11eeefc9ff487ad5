#pragma once

// How a received chunk is handled, chosen by the code of the pending request.
enum class Timer2Action { Leave, Start, Stop };

struct ReceiveRoute {
    bool hex;              // shown as a hex dump (else as text)
    Timer2Action timer2;   // what happens to the reply-decoding timer
    bool resetPending;     // the pending request ends here (PendingRequest := 0)
    bool operator==(const ReceiveRoute&) const = default;
};

// Route of a chunk that arrives while `pendingRequest` is awaited. Every route stops the
// reply time-out.
ReceiveRoute RouteFor(int pendingRequest);
