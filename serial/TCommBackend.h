#pragma once

// The platform side of TComm: opening the device, applying the line settings, and the
// reader and writer threads. One implementation per platform (posix/, win32/).

#include <cstdint>
#include <memory>

class TComm;

class TCommBackend {
public:
    explicit TCommBackend(TComm& owner);
    ~TCommBackend();
    TCommBackend(const TCommBackend&) = delete;
    TCommBackend& operator=(const TCommBackend&) = delete;

    void Open(); // throws ECommsError; on failure nothing stays open
    void Close();
    bool IsOpen() const;
    bool Write(const void* buffer, std::uint16_t length);
    void ApplyCommState();
    void ApplyCommTimeouts();
    // Starts or ends the wait for modem-line changes of the open port (owner.OnModemStateChange).
    void WatchModemLines(bool on);
    bool LineErrorCountersAvailable() const;

    int NotificationDescriptor() const;
    void SignalNotification();      // any thread: a notification is waiting
    void AcknowledgeNotification(); // main thread, before draining the queue

private:
    struct State;
    TComm& owner;
    std::unique_ptr<State> state;
};
