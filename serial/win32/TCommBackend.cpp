// Win32 backend: the port opened for overlapped I/O, a reader thread keeping one read and
// one line-event wait outstanding, a writer thread fed through its message queue, and a
// hidden window on the owner's thread. The threads put their notifications in the
// component's queue (bounded for received chunks, as on every platform) and wake the
// hidden window only when that queue was empty; the window then raises one event per turn
// of the owner's message loop.

#include "serial/TCommBackend.h"

#include "serial/TComm.h"
#include "serial/win32/Win32PortPath.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

constexpr DWORD ReadBufferSize = 2048;
constexpr DWORD OpenWaitMs = 10000;
constexpr DWORD WakeRetryMs = 50;
const char* const WindowClass = "TALMIRE.TCommNotify";
// Hands a block of bytes to the writer thread: wParam is the count, lParam the block.
constexpr UINT WriteBlockMessage = WM_APP + 1;
// Tells the hidden window that notifications wait in the component's queue.
constexpr UINT WakeMessage = WM_APP + 2;
constexpr UINT_PTR DispatchTimer = 1;

// What both threads share with the backend for one open port.
struct ThreadContext {
    TComm* owner;
    HANDLE commHandle;
    HANDLE closeEvent;
    const std::atomic<bool>* wakeLost; // the owner can no longer be woken: stop
};

struct WriteThreadContext : ThreadContext {
    std::mutex* writeMutex; // orders the send-empty flag against WriteData
    HANDLE queueReady;      // set once the thread has a message queue
};

bool Closing(HANDLE closeEvent) {
    return WaitForSingleObject(closeEvent, 0) != WAIT_TIMEOUT;
}

// False once the owner can no longer be woken (the hang-up is then already queued).
bool Post(const ThreadContext& c, TCommNotification notification) {
    c.owner->PostNotification(std::move(notification));
    return !c.wakeLost->load();
}

void PostHangup(const ThreadContext& c) {
    (void)Post(c, {MSG_REQUEST_HANGUP, 0, {}});
}

// Cancels an overlapped operation that may still be running and waits for it to end, so
// that its buffer and OVERLAPPED can be released.
void CancelAndWait(HANDLE handle, OVERLAPPED* overlapped) {
    DWORD ignored = 0;
    CancelIoEx(handle, overlapped);
    GetOverlappedResult(handle, overlapped, &ignored, TRUE);
}

// Turns the line events in `mask` into notifications. With `overlapped`, the wait that
// produced the mask is completed first. False when the reader must end.
bool HandleLineEvent(const ThreadContext& c, DWORD mask, OVERLAPPED* overlapped) {
    bool result = false;
    if (overlapped != nullptr) {
        DWORD ignored = 0;
        if (!GetOverlappedResult(c.commHandle, overlapped, &ignored, FALSE)) {
            if (GetLastError() != ERROR_INVALID_HANDLE)
                PostHangup(c);
            return false;
        }
    }
    if ((mask & EV_ERR) != 0) {
        DWORD errors = 0;
        if (!ClearCommError(c.commHandle, &errors, nullptr)) {
            if (GetLastError() != ERROR_INVALID_HANDLE)
                PostHangup(c);
            return false;
        }
        if (!Post(c, {MSG_RECEIVE_ERROR, errors, {}}))
            return false;
        result = true;
    }
    DWORD modem = 0;
    if ((mask & EV_RLSD) != 0)
        modem += 8;
    if ((mask & EV_RING) != 0)
        modem += 4;
    if (modem != 0) {
        if (!Post(c, {MSG_MODEM_STATE, modem, {}}))
            return false;
        result = true;
    }
    if (!result)
        PostHangup(c);
    return result;
}

// Queues the bytes of one completed read as a received chunk (a read that ended on a total
// time-out may bring none). False when the reader must end.
bool Deliver(const ThreadContext& c, const BYTE* buffer, DWORD count) {
    return count == 0 || Post(c, TCommNotification::Received(buffer, count));
}

DWORD WINAPI ReadThreadProc(LPVOID parameter) {
    const ThreadContext c = *static_cast<ThreadContext*>(parameter);
    delete static_cast<ThreadContext*>(parameter);
    OVERLAPPED readOverlapped{};
    OVERLAPPED waitOverlapped{};
    bool readPending = false;
    bool waitPending = false;
    BYTE buffer[ReadBufferSize];
    DWORD mask = 0;
    // Line events are optional: a driver that cannot wait for them (wine, some virtual COM
    // ports) still reads; then only the stop event and the read are waited for.
    bool lineEvents = true;
    readOverlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    waitOverlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);

    auto armEventWait = [&]() -> bool {
        while (!Closing(c.closeEvent)) {
            if (WaitCommEvent(c.commHandle, &mask, &waitOverlapped)) {
                if (!HandleLineEvent(c, mask, nullptr))
                    return false;
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                waitPending = true;
                return true;
            }
            if (error == ERROR_INVALID_HANDLE)
                return false;
            if (error == ERROR_NOT_SUPPORTED) {
                lineEvents = false;
                return true;
            }
            PostHangup(c);
            return false;
        }
        return false;
    };
    auto startReading = [&]() -> bool {
        while (!Closing(c.closeEvent)) {
            DWORD count = 0;
            if (ReadFile(c.commHandle, buffer, ReadBufferSize, &count, &readOverlapped)) {
                if (!Deliver(c, buffer, count))
                    return false;
                continue;
            }
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING) {
                readPending = true;
                return true;
            }
            if (error != ERROR_INVALID_HANDLE)
                PostHangup(c);
            return false;
        }
        return false;
    };

    if (Closing(c.closeEvent)) {
        // An open that failed after starting this thread: nothing to report.
    } else if (readOverlapped.hEvent == nullptr || waitOverlapped.hEvent == nullptr ||
               !SetCommMask(c.commHandle, EV_RLSD | EV_ERR | EV_RING)) {
        PostHangup(c);
    } else if (armEventWait() && startReading()) {
        for (;;) {
            HANDLE handles[3] = {c.closeEvent, readOverlapped.hEvent, waitOverlapped.hEvent};
            const DWORD count = lineEvents ? 3 : 2;
            const DWORD which = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0)
                break;
            if (which == WAIT_OBJECT_0 + 2) {
                waitPending = false;
                if (!HandleLineEvent(c, mask, &waitOverlapped) || !armEventWait())
                    break;
                continue;
            }
            if (which == WAIT_OBJECT_0 + 1) {
                readPending = false;
                DWORD got = 0;
                if (!GetOverlappedResult(c.commHandle, &readOverlapped, &got, FALSE)) {
                    if (GetLastError() != ERROR_INVALID_HANDLE)
                        PostHangup(c);
                    break;
                }
                if (!Deliver(c, buffer, got) || !startReading())
                    break;
                continue;
            }
            PostHangup(c);
            break;
        }
    }
    // The read fills `buffer` and both operations use OVERLAPPEDs on this stack: they must
    // have ended before this function returns.
    if (readPending)
        CancelAndWait(c.commHandle, &readOverlapped);
    if (waitPending)
        CancelAndWait(c.commHandle, &waitOverlapped);
    PurgeComm(c.commHandle, PURGE_RXABORT | PURGE_RXCLEAR);
    if (readOverlapped.hEvent != nullptr)
        CloseHandle(readOverlapped.hEvent);
    if (waitOverlapped.hEvent != nullptr)
        CloseHandle(waitOverlapped.hEvent);
    return 0;
}

// Writes one block whole. False when the writer must end (closing, or the line is gone).
// A write still pending when the port closes is cancelled and waited for before this
// returns, so the caller may release the block.
bool WriteBlock(const ThreadContext& c, OVERLAPPED* overlapped, const BYTE* block, DWORD count) {
    DWORD remaining = count;
    DWORD offset = 0;
    while (remaining > 0) {
        DWORD written = 0;
        if (!WriteFile(c.commHandle, block + offset, remaining, &written, overlapped)) {
            const DWORD error = GetLastError();
            if (error == ERROR_INVALID_HANDLE)
                return false;
            if (error != ERROR_IO_PENDING) {
                PostHangup(c);
                return false;
            }
            HANDLE handles[2] = {c.closeEvent, overlapped->hEvent};
            const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (which != WAIT_OBJECT_0 + 1) {
                CancelAndWait(c.commHandle, overlapped);
                if (which != WAIT_OBJECT_0)
                    PostHangup(c);
                return false;
            }
            if (!GetOverlappedResult(c.commHandle, overlapped, &written, TRUE)) {
                if (GetLastError() != ERROR_INVALID_HANDLE &&
                    GetLastError() != ERROR_OPERATION_ABORTED)
                    PostHangup(c);
                return false;
            }
        }
        remaining -= written;
        offset += written;
    }
    return true;
}

void ReleaseBlocks() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WriteBlockMessage, WriteBlockMessage, PM_REMOVE))
        LocalFree(reinterpret_cast<HLOCAL>(msg.lParam));
}

DWORD WINAPI WriteThreadProc(LPVOID parameter) {
    const WriteThreadContext c = *static_cast<WriteThreadContext*>(parameter);
    delete static_cast<WriteThreadContext*>(parameter);
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // creates the queue
    SetEvent(c.queueReady);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (Closing(c.closeEvent)) {
        // An open that failed after starting this thread: nothing to report.
    } else if (overlapped.hEvent == nullptr) {
        PostHangup(c);
    } else {
        bool wroteSinceIdle = true;
        while (!Closing(c.closeEvent)) {
            bool idle = false;
            {
                // WriteData marks the flag and posts under this lock, so "empty" is never
                // stored between its post and its mark.
                std::lock_guard lock(*c.writeMutex);
                idle = !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
                if (idle)
                    c.owner->StoreSendDataEmpty(true);
            }
            if (idle) {
                if (wroteSinceIdle && !Post(c, {MSG_SEND_EMPTY, 0, {}}))
                    break;
                wroteSinceIdle = false;
                const DWORD which =
                    MsgWaitForMultipleObjects(1, &c.closeEvent, FALSE, INFINITE, QS_ALLINPUT);
                if (which == WAIT_OBJECT_0)
                    break;
                if (which != WAIT_OBJECT_0 + 1) {
                    PostHangup(c);
                    break;
                }
                continue;
            }
            if (msg.message != WriteBlockMessage)
                continue;
            auto* block = reinterpret_cast<HLOCAL>(msg.lParam);
            const bool ok = WriteBlock(c, &overlapped, static_cast<const BYTE*>(block),
                                       static_cast<DWORD>(msg.wParam));
            LocalFree(block); // no write uses it any more, finished or cancelled
            if (!ok)
                break;
            wroteSinceIdle = true;
        }
    }
    // Blocks still queued are released unwritten.
    ReleaseBlocks();
    PurgeComm(c.commHandle, PURGE_TXABORT | PURGE_TXCLEAR);
    c.owner->StoreSendDataEmpty(true);
    if (overlapped.hEvent != nullptr)
        CloseHandle(overlapped.hEvent);
    return 0;
}

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<TComm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (owner == nullptr || (message != WakeMessage && message != WM_TIMER))
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_TIMER)
        KillTimer(window, DispatchTimer);
    // One event per turn: when more wait, the component signals again and the next turn
    // comes after the input and painting that arrived meanwhile.
    owner->DispatchNotifications(1);
    return 0;
}

} // namespace

struct TCommBackend::State {
    HANDLE commHandle = nullptr;
    HANDLE closeEvent = nullptr;
    HWND notifyWindow = nullptr;
    DWORD windowThreadId = 0;
    HANDLE readThread = nullptr;
    HANDLE writeThread = nullptr;
    DWORD writeThreadId = 0;
    std::mutex writeMutex;
    std::atomic<bool> wakePending{false}; // a wake-up message or timer is on its way
    std::atomic<bool> wakeLost{false};
};

TCommBackend::TCommBackend(TComm& owner_) : owner(owner_), state(std::make_unique<State>()) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = NotifyWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass); // fails harmlessly when already registered
    state->notifyWindow = CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
    state->windowThreadId = GetCurrentThreadId();
    if (state->notifyWindow != nullptr)
        SetWindowLongPtrA(state->notifyWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
}

TCommBackend::~TCommBackend() {
    Close();
    if (state->notifyWindow != nullptr)
        DestroyWindow(state->notifyWindow);
}

bool TCommBackend::IsOpen() const {
    return state->commHandle != nullptr;
}

int TCommBackend::NotificationDescriptor() const {
    return -1;
}

// The reader always waits for carrier and ring events along with line errors, whether or
// not a handler is assigned: nothing to start or end here.
void TCommBackend::WatchModemLines(bool) {}

// The driver reports line errors through ClearCommError on every open port.
bool TCommBackend::LineErrorCountersAvailable() const {
    return IsOpen();
}

static_assert(CommErrorRxOver == CE_RXOVER && CommErrorOverrun == CE_OVERRUN &&
              CommErrorParity == CE_RXPARITY && CommErrorFrame == CE_FRAME &&
              CommErrorBreak == CE_BREAK);

void TCommBackend::SignalNotification() {
    // One wake-up in flight at a time, as a readable descriptor is on POSIX: another would
    // raise two events back to back.
    if (state->wakePending.exchange(true))
        return;
    HWND window = state->notifyWindow;
    if (GetCurrentThreadId() == state->windowThreadId) {
        // The owner's own thread, after an event with more waiting. Posted messages come
        // before input and painting, so while either is waiting the next turn is a timer,
        // which comes after them.
        if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT)) != 0 ||
            !PostMessageA(window, WakeMessage, 0, 0))
            SetTimer(window, DispatchTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    if (PostMessageA(window, WakeMessage, 0, 0))
        return;
    // The owner's message queue refused the wake-up (full, or the window is gone): what
    // waits would never be raised. The port reports a hang-up, its threads stop, and this
    // thread keeps offering the wake-up until the owner takes it or closes the port.
    if (state->wakeLost.exchange(true))
        return;
    owner.PostNotification({MSG_REQUEST_HANGUP, 0, {}});
    while (!PostMessageA(window, WakeMessage, 0, 0))
        if (WaitForSingleObject(state->closeEvent, WakeRetryMs) != WAIT_TIMEOUT)
            return;
}

void TCommBackend::AcknowledgeNotification() {
    state->wakePending.store(false);
}

namespace {
// Lets a thread end (it may never have run) and waits for it: both threads end on the
// close event, so no thread is ever killed.
void StopThread(HANDLE& thread) {
    if (thread == nullptr)
        return;
    ResumeThread(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
}
} // namespace

void TCommBackend::Open() {
    if (state->notifyWindow == nullptr)
        throw ECommsError("Unable to create window");
    HANDLE handle =
        CreateFileA(Win32PortPath(owner.CommName()).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw ECommsError("Error opening serial port");
    state->commHandle = handle;
    // A wake-up the last port could not deliver is not waited for any more.
    if (state->wakeLost.exchange(false))
        state->wakePending.store(false);
    // From here every failure goes through Close(), which releases whatever was created.
    auto fail = [this](const char* message) {
        Close();
        throw ECommsError(message);
    };
    if (GetFileType(handle) != FILE_TYPE_CHAR)
        fail("File handle is not a comm handle ");
    if (!SetupComm(handle, 4096, 4096))
        fail("Cannot setup comm buffer");
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    ApplyCommTimeouts();
    ApplyCommState();
    state->closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE queueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (state->closeEvent == nullptr || queueReady == nullptr) {
        if (queueReady != nullptr)
            CloseHandle(queueReady);
        fail("Unable to create event");
    }
    const ThreadContext context{&owner, handle, state->closeEvent, &state->wakeLost};
    auto* readContext = new ThreadContext(context);
    state->readThread =
        CreateThread(nullptr, 0, ReadThreadProc, readContext, CREATE_SUSPENDED, nullptr);
    if (state->readThread == nullptr) {
        delete readContext;
        CloseHandle(queueReady);
        fail("Unable to create read thread");
    }
    SetThreadPriority(state->readThread, THREAD_PRIORITY_HIGHEST);
    auto* writeContext = new WriteThreadContext{context, &state->writeMutex, queueReady};
    state->writeThread = CreateThread(nullptr, 0, WriteThreadProc, writeContext, CREATE_SUSPENDED,
                                      &state->writeThreadId);
    if (state->writeThread == nullptr) {
        delete writeContext;
        CloseHandle(queueReady);
        fail("Unable to create write thread");
    }
    SetThreadPriority(state->writeThread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(state->readThread);
    ResumeThread(state->writeThread);
    // The first WriteData may follow at once: wait until the writer can take messages.
    WaitForSingleObject(queueReady, OpenWaitMs);
    CloseHandle(queueReady);
}

void TCommBackend::Close() {
    if (state->commHandle == nullptr)
        return;
    if (state->closeEvent != nullptr)
        SetEvent(state->closeEvent);
    StopThread(state->readThread);
    StopThread(state->writeThread);
    PurgeComm(state->commHandle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    owner.StoreSendDataEmpty(true);
    if (state->closeEvent != nullptr)
        CloseHandle(state->closeEvent);
    CloseHandle(state->commHandle);
    state->closeEvent = nullptr;
    state->commHandle = nullptr;
    state->writeThreadId = 0;
}

bool TCommBackend::Write(const void* buffer, std::uint16_t length) {
    if (state->writeThread == nullptr || state->wakeLost.load())
        return false;
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, length + 1u);
    if (block == nullptr)
        return false;
    std::memcpy(block, buffer, length);
    // "Not empty" is stored before the block is handed over, under the lock the writer
    // holds while it checks for work and stores "empty".
    std::lock_guard lock(state->writeMutex);
    const bool wasEmpty = owner.SendDataEmpty();
    owner.StoreSendDataEmpty(false);
    if (!PostThreadMessageA(state->writeThreadId, WriteBlockMessage, length,
                            reinterpret_cast<LPARAM>(block))) {
        owner.StoreSendDataEmpty(wasEmpty);
        LocalFree(block); // the hand-over failed: nobody else will release it
        return false;
    }
    return true;
}

void TCommBackend::ApplyCommTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = owner.ReadIntervalTimeout();
    timeouts.ReadTotalTimeoutMultiplier = owner.ReadTotalTimeoutMultiplier();
    timeouts.ReadTotalTimeoutConstant = owner.ReadTotalTimeoutConstant();
    timeouts.WriteTotalTimeoutMultiplier = owner.WriteTotalTimeoutMultiplier();
    timeouts.WriteTotalTimeoutConstant = owner.WriteTotalTimeoutConstant();
    SetCommTimeouts(state->commHandle, &timeouts);
}

void TCommBackend::ApplyCommState() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(state->commHandle, &dcb);
    dcb.BaudRate = owner.BaudRate();
    dcb.fBinary = 1;
    dcb.fParity = owner.ParityCheck() ? 1 : 0;
    dcb.fOutxCtsFlow = owner.Outx_CtsFlow() ? 1 : 0;
    dcb.fOutxDsrFlow = owner.Outx_DsrFlow() ? 1 : 0;
    static constexpr DWORD dtr[] = {DTR_CONTROL_ENABLE, DTR_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE};
    dcb.fDtrControl = dtr[static_cast<int>(owner.DtrControl())];
    dcb.fDsrSensitivity = owner.DsrSensitivity() ? 1 : 0;
    dcb.fTXContinueOnXoff = owner.TxContinueOnXoff() ? 1 : 0;
    dcb.fOutX = owner.Outx_XonXoffFlow() ? 1 : 0;
    dcb.fInX = owner.Inx_XonXoffFlow() ? 1 : 0;
    dcb.fErrorChar = owner.ReplaceWhenParityError() ? 1 : 0;
    dcb.fNull = owner.IgnoreNullChar() ? 1 : 0;
    static constexpr DWORD rts[] = {RTS_CONTROL_ENABLE, RTS_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE,
                                    RTS_CONTROL_TOGGLE};
    dcb.fRtsControl = rts[static_cast<int>(owner.RtsControl())];
    dcb.fAbortOnError = 0;
    dcb.XonLim = owner.XonLimit();
    dcb.XoffLim = owner.XoffLimit();
    dcb.ByteSize = static_cast<BYTE>(static_cast<int>(owner.ByteSize()) + 5);
    dcb.Parity = static_cast<BYTE>(owner.Parity());
    dcb.StopBits = static_cast<BYTE>(owner.StopBits());
    dcb.XonChar = owner.XonChar();
    dcb.XoffChar = owner.XoffChar();
    dcb.ErrorChar = owner.ReplacedChar();
    SetCommState(state->commHandle, &dcb);
}
