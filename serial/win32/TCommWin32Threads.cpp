#include "serial/win32/TCommWin32Threads.h"

#include "serial/TComm.h"

#include <utility>

namespace {

constexpr DWORD ReadBufferSize = 2048;

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

} // namespace

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

namespace {

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

} // namespace

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
