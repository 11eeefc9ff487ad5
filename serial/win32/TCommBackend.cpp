// Win32 backend: the port opened for overlapped I/O, a reader thread keeping one read and
// one line-event wait outstanding, a writer thread fed through its message queue, and a
// hidden window on the owner's thread that turns posted notifications into events.

#include "serial/TCommBackend.h"

#include "serial/TComm.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr DWORD ReadBufferSize = 2048;
constexpr DWORD CloseWaitMs = 10000;
const char* const WindowClass = "TALMIRE.TCommNotify";

// Hands a received block to the owner's window; on failure the block is released here.
bool PostBlock(HWND window, UINT message, WPARAM wParam, HLOCAL block) {
    if (PostMessageA(window, message, wParam, reinterpret_cast<LPARAM>(block)))
        return true;
    LocalFree(block);
    PostMessageA(window, MSG_REQUEST_HANGUP, 0, 0);
    return false;
}

bool PostValue(HWND window, UINT message, LPARAM value) {
    if (PostMessageA(window, message, 0, value))
        return true;
    PostMessageA(window, MSG_REQUEST_HANGUP, 0, 0);
    return false;
}

struct ReadThreadContext {
    HANDLE commHandle;
    HANDLE closeEvent;
    HWND notifyWindow;
};

struct WriteThreadContext {
    HANDLE commHandle;
    HANDLE closeEvent;
    HWND notifyWindow;
    TComm* owner;      // only for the send-empty flag
    HANDLE queueReady; // set once the thread has a message queue
};

bool Closing(HANDLE closeEvent) {
    return WaitForSingleObject(closeEvent, 0) != WAIT_TIMEOUT;
}

// Reader procedure C: one line event.
bool HandleLineEvent(const ReadThreadContext& c, DWORD mask, OVERLAPPED* overlapped) {
    bool result = false;
    if (overlapped != nullptr) {
        DWORD ignored = 0;
        if (!GetOverlappedResult(c.commHandle, overlapped, &ignored, FALSE)) {
            if (GetLastError() != ERROR_INVALID_HANDLE)
                PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
            return false;
        }
    }
    if ((mask & EV_ERR) != 0) {
        DWORD errors = 0;
        if (!ClearCommError(c.commHandle, &errors, nullptr)) {
            if (GetLastError() != ERROR_INVALID_HANDLE)
                PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
            return false;
        }
        if (!PostValue(c.notifyWindow, MSG_RECEIVE_ERROR, static_cast<LPARAM>(errors)))
            return false;
        result = true;
    }
    DWORD modem = 0;
    if ((mask & EV_RLSD) != 0)
        modem += 8;
    if ((mask & EV_RING) != 0)
        modem += 4;
    if (modem != 0) {
        if (!PostValue(c.notifyWindow, MSG_MODEM_STATE, static_cast<LPARAM>(modem)))
            return false;
        result = true;
    }
    if (!result)
        PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
    return result;
}

// Reader procedure D: deliver count bytes.
bool Deliver(const ReadThreadContext& c, const BYTE* buffer, DWORD count) {
    if (count == 0)
        return false;
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, count + 1);
    if (block == nullptr) {
        PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
        return false;
    }
    std::memcpy(block, buffer, count);
    return PostBlock(c.notifyWindow, MSG_RECEIVE_DATA, count, block);
}

DWORD WINAPI ReadThreadProc(LPVOID parameter) {
    const ReadThreadContext c = *static_cast<ReadThreadContext*>(parameter);
    delete static_cast<ReadThreadContext*>(parameter);
    OVERLAPPED readOverlapped{};
    OVERLAPPED waitOverlapped{};
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
            if (error == ERROR_IO_PENDING)
                return true;
            if (error == ERROR_INVALID_HANDLE)
                return false;
            if (error == ERROR_NOT_SUPPORTED) {
                lineEvents = false;
                return true;
            }
            PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
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
            if (error == ERROR_IO_PENDING)
                return true;
            if (error != ERROR_INVALID_HANDLE)
                PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
            return false;
        }
        return false;
    };

    if (readOverlapped.hEvent == nullptr || waitOverlapped.hEvent == nullptr ||
        !SetCommMask(c.commHandle, EV_RLSD | EV_ERR | EV_RING)) {
        PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
    } else if (armEventWait() && startReading()) {
        for (;;) {
            HANDLE handles[3] = {c.closeEvent, readOverlapped.hEvent, waitOverlapped.hEvent};
            const DWORD count = lineEvents ? 3 : 2;
            const DWORD which = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0)
                break;
            if (which == WAIT_OBJECT_0 + 2) {
                if (!HandleLineEvent(c, mask, &waitOverlapped) || !armEventWait())
                    break;
                continue;
            }
            if (which == WAIT_OBJECT_0 + 1) {
                DWORD got = 0;
                if (!GetOverlappedResult(c.commHandle, &readOverlapped, &got, FALSE)) {
                    if (GetLastError() != ERROR_INVALID_HANDLE)
                        PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                    break;
                }
                if (!Deliver(c, buffer, got) || !startReading())
                    break;
                continue;
            }
            PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
            break;
        }
    }
    PurgeComm(c.commHandle, PURGE_RXABORT | PURGE_RXCLEAR);
    if (readOverlapped.hEvent != nullptr)
        CloseHandle(readOverlapped.hEvent);
    if (waitOverlapped.hEvent != nullptr)
        CloseHandle(waitOverlapped.hEvent);
    return 0;
}

// Writer procedure W.
bool WriteBlock(const WriteThreadContext& c, OVERLAPPED* overlapped, const BYTE* block,
                DWORD count) {
    DWORD remaining = count;
    DWORD offset = 0;
    while (remaining > 0) {
        DWORD written = 0;
        if (!WriteFile(c.commHandle, block + offset, remaining, &written, overlapped)) {
            const DWORD error = GetLastError();
            if (error == ERROR_INVALID_HANDLE)
                return false;
            if (error != ERROR_IO_PENDING) {
                PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                return false;
            }
            HANDLE handles[2] = {c.closeEvent, overlapped->hEvent};
            const DWORD which = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0)
                return false;
            if (which != WAIT_OBJECT_0 + 1) {
                PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                return false;
            }
            if (!GetOverlappedResult(c.commHandle, overlapped, &written, TRUE)) {
                if (GetLastError() != ERROR_INVALID_HANDLE)
                    PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                return false;
            }
        }
        remaining -= written;
        offset += written;
    }
    return true;
}

DWORD WINAPI WriteThreadProc(LPVOID parameter) {
    const WriteThreadContext c = *static_cast<WriteThreadContext*>(parameter);
    delete static_cast<WriteThreadContext*>(parameter);
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // creates the queue
    SetEvent(c.queueReady);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (overlapped.hEvent == nullptr) {
        PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
    } else {
        bool wroteSinceIdle = true;
        for (;;) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                c.owner->StoreSendDataEmpty(true);
                if (wroteSinceIdle && !PostMessageA(c.notifyWindow, MSG_SEND_EMPTY, 0, 0)) {
                    PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                    break;
                }
                wroteSinceIdle = false;
                const DWORD which =
                    MsgWaitForMultipleObjects(1, &c.closeEvent, FALSE, INFINITE, QS_ALLINPUT);
                if (which == WAIT_OBJECT_0)
                    break;
                if (which != WAIT_OBJECT_0 + 1) {
                    PostMessageA(c.notifyWindow, MSG_REQUEST_HANGUP, 0, 0);
                    break;
                }
                continue;
            }
            if (Closing(c.closeEvent)) {
                if (msg.message == MSG_RECEIVE_DATA)
                    LocalFree(reinterpret_cast<HLOCAL>(msg.lParam));
                break;
            }
            if (msg.hwnd != nullptr) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
                continue;
            }
            if (msg.message != MSG_RECEIVE_DATA)
                continue;
            auto* block = reinterpret_cast<HLOCAL>(msg.lParam);
            const bool ok = WriteBlock(c, &overlapped, static_cast<const BYTE*>(block),
                                       static_cast<DWORD>(msg.wParam));
            LocalFree(block);
            if (!ok)
                break;
            wroteSinceIdle = true;
        }
    }
    // Blocks still queued are released unwritten.
    while (PeekMessageA(&msg, nullptr, MSG_RECEIVE_DATA, MSG_RECEIVE_DATA, PM_REMOVE))
        LocalFree(reinterpret_cast<HLOCAL>(msg.lParam));
    PurgeComm(c.commHandle, PURGE_TXABORT | PURGE_TXCLEAR);
    c.owner->StoreSendDataEmpty(true);
    if (overlapped.hEvent != nullptr)
        CloseHandle(overlapped.hEvent);
    return 0;
}

LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<TComm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (owner == nullptr || message < MSG_RECEIVE_DATA || message > MSG_SEND_EMPTY)
        return DefWindowProcA(window, message, wParam, lParam);
    TCommNotification n;
    if (message == MSG_RECEIVE_DATA) {
        auto* block = reinterpret_cast<HLOCAL>(lParam);
        const auto count = static_cast<std::uint16_t>(wParam & 0xFFFF);
        n = TCommNotification::Received(static_cast<const std::uint8_t*>(block), count);
        LocalFree(block); // released whether or not a handler is assigned
    } else {
        n.message = message;
        n.value = static_cast<std::uint32_t>(lParam);
    }
    owner->RaiseNotification(n);
    return 0;
}

} // namespace

struct TCommBackend::State {
    HANDLE commHandle = nullptr;
    HANDLE closeEvent = nullptr;
    HWND notifyWindow = nullptr;
    HANDLE readThread = nullptr;
    HANDLE writeThread = nullptr;
    DWORD writeThreadId = 0;
};

TCommBackend::TCommBackend(TComm& owner_) : owner(owner_), state(std::make_unique<State>()) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = NotifyWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass); // fails harmlessly when already registered
    state->notifyWindow = CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          GetModuleHandleA(nullptr), nullptr);
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
void TCommBackend::SignalNotification() {}
void TCommBackend::AcknowledgeNotification() {}

namespace {
void StopThread(HANDLE& thread) {
    if (thread == nullptr)
        return;
    if (WaitForSingleObject(thread, CloseWaitMs) == WAIT_TIMEOUT)
        TerminateThread(thread, 1);
    CloseHandle(thread);
    thread = nullptr;
}
} // namespace

void TCommBackend::Open() {
    HANDLE handle =
        CreateFileA(owner.CommName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw ECommsError("Error opening serial port");
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        CloseHandle(handle);
        throw ECommsError("File handle is not a comm handle ");
    }
    if (!SetupComm(handle, 4096, 4096)) {
        CloseHandle(handle);
        throw ECommsError("Cannot setup comm buffer");
    }
    state->commHandle = handle;
    PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    ApplyCommTimeouts();
    ApplyCommState();
    state->closeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (state->closeEvent == nullptr) {
        CloseHandle(handle);
        state->commHandle = nullptr;
        throw ECommsError("Unable to create event");
    }
    auto* readContext = new ReadThreadContext{handle, state->closeEvent, state->notifyWindow};
    state->readThread =
        CreateThread(nullptr, 0, ReadThreadProc, readContext, CREATE_SUSPENDED, nullptr);
    if (state->readThread == nullptr) {
        delete readContext;
        CloseHandle(state->closeEvent);
        CloseHandle(handle);
        state->closeEvent = nullptr;
        state->commHandle = nullptr;
        throw ECommsError("Unable to create read thread");
    }
    SetThreadPriority(state->readThread, THREAD_PRIORITY_HIGHEST);
    HANDLE queueReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* writeContext =
        new WriteThreadContext{handle, state->closeEvent, state->notifyWindow, &owner, queueReady};
    state->writeThread = CreateThread(nullptr, 0, WriteThreadProc, writeContext, CREATE_SUSPENDED,
                                      &state->writeThreadId);
    if (state->writeThread == nullptr || queueReady == nullptr) {
        delete writeContext;
        SetEvent(state->closeEvent);
        ResumeThread(state->readThread);
        StopThread(state->readThread);
        if (queueReady != nullptr)
            CloseHandle(queueReady);
        CloseHandle(state->closeEvent);
        CloseHandle(handle);
        state->closeEvent = nullptr;
        state->commHandle = nullptr;
        throw ECommsError("Unable to create write thread");
    }
    SetThreadPriority(state->writeThread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(state->readThread);
    ResumeThread(state->writeThread);
    // The first WriteData may follow at once: wait until the writer can take messages.
    WaitForSingleObject(queueReady, CloseWaitMs);
    CloseHandle(queueReady);
}

void TCommBackend::Close() {
    if (state->commHandle == nullptr)
        return;
    SetEvent(state->closeEvent);
    PurgeComm(state->commHandle, PURGE_RXABORT | PURGE_RXCLEAR);
    StopThread(state->readThread);
    PurgeComm(state->commHandle, PURGE_TXABORT | PURGE_TXCLEAR);
    owner.StoreSendDataEmpty(true);
    StopThread(state->writeThread);
    CloseHandle(state->closeEvent);
    CloseHandle(state->commHandle);
    state->closeEvent = nullptr;
    state->commHandle = nullptr;
}

bool TCommBackend::Write(const void* buffer, std::uint16_t length) {
    if (state->writeThread == nullptr)
        return false;
    HLOCAL block = LocalAlloc(LMEM_ZEROINIT, length + 1u);
    if (block == nullptr)
        return false;
    std::memcpy(block, buffer, length);
    if (!PostThreadMessageA(state->writeThreadId, MSG_RECEIVE_DATA, length,
                            reinterpret_cast<LPARAM>(block))) {
        LocalFree(block); // the hand-over failed: nobody else will release it
        return false;
    }
    owner.StoreSendDataEmpty(false);
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
