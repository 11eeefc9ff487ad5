#pragma once

// The serial port component: one port, its line settings, a reader and a writer thread.
// No toolkit dependency: notifications from the threads wait in a queue until the owner's
// main thread drains them with DispatchNotifications(), which raises the events there.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

enum class TParity { None, Odd, Even, Mark, Space };
enum class TStopBits { _1, _1_5, _2 };
enum class TByteSize { _5, _6, _7, _8 };
enum class TDtrControl { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Why a port could not be opened, kept beside the component's own message so that a caller
// can tell the engineer what to do about it.
enum class OpenFailure { Other, NoSuchDevice, PermissionDenied, InUse, NotSerial };

class ECommsError : public std::runtime_error {
public:
    explicit ECommsError(const std::string& message, OpenFailure cause = OpenFailure::Other,
                         std::string systemReason = {})
        : std::runtime_error(message), cause_(cause), systemReason_(std::move(systemReason)) {}
    OpenFailure Cause() const { return cause_; }
    // The operating system's own words for the failure (strerror, FormatMessage); may be empty.
    const std::string& SystemReason() const { return systemReason_; }

private:
    OpenFailure cause_;
    std::string systemReason_;
};

// The cause in a few words for a status line or a terminal: "no such device", "permission
// denied (add your user to the dialout group)", "in use by another program"; the system's
// reason where the cause has no words of its own.
std::string OpenFailureText(const ECommsError& error);

// Notification numbers, the same on every platform.
enum : std::uint32_t {
    MSG_RECEIVE_DATA = 1025,
    MSG_RECEIVE_ERROR = 1026,
    MSG_REQUEST_HANGUP = 1027,
    MSG_MODEM_STATE = 1028,
    MSG_SEND_EMPTY = 1029,
    MSG_PORT_NOTE = 1030,
};

// The line-error flags of OnReceiveError, numbered as Windows numbers them (CE_RXOVER,
// CE_OVERRUN, CE_RXPARITY, CE_FRAME, CE_BREAK), so that a handler reads the same on every
// platform.
enum : std::uint32_t {
    CommErrorRxOver = 0x01,  // the receive buffer overflowed
    CommErrorOverrun = 0x02, // the UART's receive register overran: bytes lost
    CommErrorParity = 0x04,
    CommErrorFrame = 0x08,
    CommErrorBreak = 0x10,
};
// The values of OnModemStateChange (they add up when both happened).
enum : std::uint32_t {
    ModemRingIndicator = 4,
    ModemCarrierChanged = 8,
};

// One notification travelling from a worker thread to the main thread. It owns its bytes.
struct TCommNotification {
    std::uint32_t message = 0;
    std::uint32_t value = 0;
    std::vector<std::uint8_t> data;

    // A received chunk: its bytes and one more holding 0, so that it can also be read as a
    // C string; `value` is the byte count.
    static TCommNotification Received(const std::uint8_t* bytes, std::size_t count);
};

class TCommBackend;

class TComm {
public:
    using TReceiveDataEvent =
        std::function<void(TComm* sender, const std::uint8_t* buffer, std::uint16_t length)>;
    using TReceiveErrorEvent = std::function<void(TComm* sender, std::uint32_t eventMask)>;
    using TModemStateChangeEvent = std::function<void(TComm* sender, std::uint32_t modemEvent)>;
    using TNotifyEvent = std::function<void(TComm* sender)>;
    using TPortNoteEvent = std::function<void(TComm* sender, const std::string& note)>;

    TComm();
    ~TComm(); // closes an open port
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    void OpenPort(); // throws ECommsError
    void ClosePort();
    bool WriteData(const void* buffer, std::uint16_t length);
    bool IsOpen() const;
    bool SendDataEmpty() const { return sendDataEmpty.load(); }

    // Plain stores.
    const std::string& CommName() const { return commName; }
    void SetCommName(std::string value) { commName = std::move(value); }
    TParity Parity() const { return parity; }
    void SetParity(TParity value) { parity = value; }

    // Line properties: a change re-applies the whole line setting while the port is open.
    std::uint32_t BaudRate() const { return baudRate; }
    void SetBaudRate(std::uint32_t value) { SetLine(baudRate, value); }
    bool ParityCheck() const { return parityCheck; }
    void SetParityCheck(bool value) { SetLine(parityCheck, value); }
    bool Outx_CtsFlow() const { return outxCtsFlow; }
    void SetOutx_CtsFlow(bool value) { SetLine(outxCtsFlow, value); }
    bool Outx_DsrFlow() const { return outxDsrFlow; }
    void SetOutx_DsrFlow(bool value) { SetLine(outxDsrFlow, value); }
    TDtrControl DtrControl() const { return dtrControl; }
    void SetDtrControl(TDtrControl value) { SetLine(dtrControl, value); }
    bool DsrSensitivity() const { return dsrSensitivity; }
    void SetDsrSensitivity(bool value) { SetLine(dsrSensitivity, value); }
    bool TxContinueOnXoff() const { return txContinueOnXoff; }
    void SetTxContinueOnXoff(bool value) { SetLine(txContinueOnXoff, value); }
    bool Outx_XonXoffFlow() const { return outxXonXoffFlow; }
    void SetOutx_XonXoffFlow(bool value) { SetLine(outxXonXoffFlow, value); }
    bool Inx_XonXoffFlow() const { return inxXonXoffFlow; }
    void SetInx_XonXoffFlow(bool value) { SetLine(inxXonXoffFlow, value); }
    bool ReplaceWhenParityError() const { return replaceWhenParityError; }
    void SetReplaceWhenParityError(bool value) { SetLine(replaceWhenParityError, value); }
    bool IgnoreNullChar() const { return ignoreNullChar; }
    void SetIgnoreNullChar(bool value) { SetLine(ignoreNullChar, value); }
    TRtsControl RtsControl() const { return rtsControl; }
    void SetRtsControl(TRtsControl value) { SetLine(rtsControl, value); }
    std::uint16_t XonLimit() const { return xonLimit; }
    void SetXonLimit(std::uint16_t value) { SetLine(xonLimit, value); }
    std::uint16_t XoffLimit() const { return xoffLimit; }
    void SetXoffLimit(std::uint16_t value) { SetLine(xoffLimit, value); }
    TByteSize ByteSize() const { return byteSize; }
    void SetByteSize(TByteSize value) { SetLine(byteSize, value); }
    TStopBits StopBits() const { return stopBits; }
    void SetStopBits(TStopBits value) { SetLine(stopBits, value); }
    char XonChar() const { return xonChar; }
    void SetXonChar(char value) { SetLine(xonChar, value); }
    char XoffChar() const { return xoffChar; }
    void SetXoffChar(char value) { SetLine(xoffChar, value); }
    char ReplacedChar() const { return replacedChar; }
    void SetReplacedChar(char value) { SetLine(replacedChar, value); }

    // Time-out properties (milliseconds): a change takes effect at once while open.
    std::uint32_t ReadIntervalTimeout() const { return readIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t value) { SetTimeout(readIntervalTimeout, value); }
    std::uint32_t ReadTotalTimeoutMultiplier() const { return readTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t value) {
        SetTimeout(readTotalTimeoutMultiplier, value);
    }
    std::uint32_t ReadTotalTimeoutConstant() const { return readTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t value) {
        SetTimeout(readTotalTimeoutConstant, value);
    }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return writeTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t value) {
        SetTimeout(writeTotalTimeoutMultiplier, value);
    }
    std::uint32_t WriteTotalTimeoutConstant() const { return writeTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t value) {
        SetTimeout(writeTotalTimeoutConstant, value);
    }

    TReceiveDataEvent OnReceiveData;
    // On POSIX: once per read after which the driver had counted new line errors, with the
    // flags (CommError*) of their kinds; reception goes on.
    TReceiveErrorEvent OnReceiveError;
    // Waiting for the modem lines takes a thread of its own on POSIX, which runs only while
    // the port is open with this handler assigned. A handler assigned directly counts from
    // the next OpenPort; SetOnModemStateChange also starts or ends the wait of an open port.
    TModemStateChangeEvent OnModemStateChange;
    void SetOnModemStateChange(TModemStateChangeEvent handler);
    TNotifyEvent OnRequestHangup;
    TNotifyEvent OnSendDataEmpty;
    // A network port's server refused a setting ("the server refused DTR on"): raised once
    // per setting and port opening; the port goes on working. PortNotes() keeps them, in
    // order, from the last OpenPort (main thread, as they are dispatched).
    TPortNoteEvent OnPortNote;
    const std::vector<std::string>& PortNotes() const { return portNotes; }

    // A port name "rfc2217://HOST:PORT" or "tcp://HOST:PORT" opens a network port: a
    // Telnet server with the COM-PORT option that sets its line from these properties, or a
    // raw TCP server whose line is set on the server. Connecting waits at most this long
    // (milliseconds); a failure carries the system's reason.
    std::uint32_t ConnectTimeout() const { return connectTimeout; }
    void SetConnectTimeout(std::uint32_t value) { connectTimeout = value; }

    // POSIX: readable while notifications wait; valid from construction to destruction.
    // -1 where the platform delivers notifications through its own message loop.
    int NotificationDescriptor() const;
    // Raises up to maxEvents waiting events, in order, on the calling (main) thread. When
    // some remain, the descriptor stays readable, so an owner that handles one event per
    // turn of its loop keeps painting and handling input between long event handlers.
    void DispatchNotifications(std::size_t maxEvents = SIZE_MAX);

    // A receiver that handles every chunk slowly can fall behind a peer that never pauses.
    // With a bound above 0, when a new chunk arrives while that many chunks already wait,
    // the oldest waiting chunk is discarded (and counted), so memory stays bounded. 0 (the
    // default) keeps everything. A bound below the chunks already waiting drops the oldest
    // of them at once.
    void SetMaxQueuedChunks(std::size_t value);
    std::size_t DroppedChunks() const { return droppedChunks.load(); }
    std::size_t QueuedNotifications() const;

    // Whether the open port's driver counts line errors, so that OnReceiveError can be
    // raised at all. POSIX drivers without interrupt counters (a pseudo-terminal, some
    // adapters) report none; reception works as before. False while closed.
    bool LineErrorCountersAvailable() const;

    // How many times the line settings reached the device (for diagnostics and tests).
    std::size_t LineSettingApplications() const { return lineSettingApplications; }

    // Called by the backend's threads (any thread). A batch is queued in order under one
    // lock and wakes the owner at most once.
    void PostNotification(TCommNotification notification);
    void PostNotifications(std::span<TCommNotification> notifications);
    // Raises the event a notification stands for (main thread). A data notification holds
    // its bytes and a terminating 0; `value` is the byte count.
    void RaiseNotification(const TCommNotification& notification);
    void StoreSendDataEmpty(bool value) { sendDataEmpty.store(value); }

private:
    template <typename T> void SetLine(T& field, T value) {
        if (field == value)
            return;
        field = value;
        if (IsOpen())
            ApplyCommState();
    }
    void SetTimeout(std::uint32_t& field, std::uint32_t value);
    void ApplyCommState();
    void ApplyCommTimeouts();
    void DropQueuedHangups();
    // Queue lock held: drops the oldest of the `chunks` waiting chunks until at most `keep`
    // remain, counting them as dropped; returns how many remain.
    std::size_t DropOldestChunks(std::size_t chunks, std::size_t keep);

    std::string commName = "COM2";
    std::uint32_t baudRate = 9600;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    TDtrControl dtrControl = TDtrControl::DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool outxXonXoffFlow = true;
    bool inxXonXoffFlow = true;
    bool replaceWhenParityError = false;
    bool ignoreNullChar = false;
    TRtsControl rtsControl = TRtsControl::RtsEnable;
    std::uint16_t xonLimit = 500;
    std::uint16_t xoffLimit = 500;
    TByteSize byteSize = TByteSize::_8;
    TParity parity = TParity::None;
    TStopBits stopBits = TStopBits::_1;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    char replacedChar = 0x00;
    std::uint32_t readIntervalTimeout = 100;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;
    std::uint32_t connectTimeout = 3000;
    std::vector<std::string> portNotes;

    std::atomic<bool> sendDataEmpty{true};
    std::atomic<std::size_t> maxQueuedChunks{0};
    std::atomic<std::size_t> droppedChunks{0};
    std::size_t lineSettingApplications = 0;

    mutable std::mutex queueMutex;
    std::deque<TCommNotification> queue;

    std::unique_ptr<TCommBackend> backend;
    friend class TCommBackend;
};
